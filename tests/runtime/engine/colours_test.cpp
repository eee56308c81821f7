#include "runtime/engine/colours.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "runtime/engine/options.h"
#include "runtime/utilities/bytes.h"

namespace {

using kv::engine::options;

class ColoursTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The table an application hands to function 1: entry c replaced by c + 1.
    table_.assign(4 + 512, 0);
    std::memcpy(table_.data(), "COLO", 4);
    for (int c = 0; c < 256; ++c)
      kv::put_u16(table_.data() + 4 + 2 * c, static_cast<std::uint16_t>((c + 1) & 0xFF));
    options().alternate_colors = {};
    options().monochrome = false;
  }
  void TearDown() override {
    options().alternate_colors = {};
    options().monochrome = false;
  }
  void table_on() { options().alternate_colors = {table_.data(), true}; }
  std::vector<std::uint8_t> table_;
};

TEST_F(ColoursTest, MonochromeConversion) {
  struct Case {
    std::uint8_t in, out;
  } cases[] = {{0x8F, 0x8F}, {0x78, 0x70}, {0x70, 0x70}, {0xF8, 0xF0}, {0x1E, 0x0F}, {0x00, 0x00},
               {0x08, 0x00}, {0x88, 0x80}, {0x17, 0x07}, {0x4A, 0x0F}, {0x71, 0x07}, {0x9C, 0x8F}};
  for (const Case& c : cases) EXPECT_EQ(kv::engine::monochrome(c.in), c.out) << int(c.in);
}

TEST_F(ColoursTest, AlternateTableThenMonochrome) {
  EXPECT_EQ(kv::engine::map_attribute(0x1E), 0x1E);  // table off: unchanged
  table_on();
  EXPECT_EQ(kv::engine::map_attribute(0x1E), 0x1F);
  EXPECT_EQ(kv::engine::map_attribute(0xFF), 0x00);
  options().monochrome = true;
  EXPECT_EQ(kv::engine::map_attribute(0x77), 0x70);  // 0x78 after the table: reverse
  EXPECT_EQ(kv::engine::map_attribute(0x1E), 0x0F);
}

TEST_F(ColoursTest, ALostTagSwitchesTheTableOff) {
  table_on();
  EXPECT_TRUE(kv::engine::check_alternate_colors());
  std::memcpy(table_.data(), "XXXX", 4);
  EXPECT_FALSE(kv::engine::check_alternate_colors());
  EXPECT_FALSE(options().alternate_colors.on);
  EXPECT_EQ(kv::engine::map_attribute(0x1E), 0x1E);

  // Tag in place but the entries run into storage that is gone: switched
  // off before any attribute is looked up in it.
  long page = sysconf(_SC_PAGESIZE);
  void* mem = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mem, MAP_FAILED);
  std::uint8_t* second = static_cast<std::uint8_t*>(mem) + page;
  ASSERT_EQ(mprotect(second, page, PROT_NONE), 0);
  std::uint8_t* t = second - 100;  // tag and 48 entries, then unreadable storage
  std::memcpy(t, "COLO", 4);
  options().alternate_colors = {t, true};
  EXPECT_FALSE(kv::engine::check_alternate_colors());
  EXPECT_FALSE(options().alternate_colors.on);
  EXPECT_EQ(kv::engine::map_attribute(0xFF), 0xFF);
  munmap(mem, 2 * page);
}

TEST_F(ColoursTest, BaseDigitFromTheTableAndMonochrome) {
  EXPECT_EQ(kv::engine::screen_base_digit('3', 0x1E), '3');
  table_on();
  kv::put_u16(table_.data() + 4 + 2 * 0x1E, 0x9E);  // blink bit ignored
  EXPECT_EQ(kv::engine::screen_base_digit('3', 0x1E), '1');
  kv::put_u16(table_.data() + 4 + 2 * 0x1E, 0x7E);
  EXPECT_EQ(kv::engine::screen_base_digit('3', 0x1E), '7');
  options().monochrome = true;
  EXPECT_EQ(kv::engine::screen_base_digit('3', 0x1E), '7');  // "7" stays in monochrome
  options().alternate_colors = {};
  EXPECT_EQ(kv::engine::screen_base_digit('6', 0x1E), '0');
}

}  // namespace
