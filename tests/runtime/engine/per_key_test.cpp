#include "runtime/engine/per_key.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/engine/options.h"
#include "runtime/utilities/bytes.h"
#include "support/engine_fixture.h"

namespace {

using kv::u8;
using kv::engine::Key;
using kv::engine::options;
using kv::engine::per_key;
using kv::engine::PerKeyInput;
using kv::engine::PerKeyResult;
namespace off = kv::engine::exit_off;

// A kept table as an application builds it: tag, count, entries of 16-bit words.
std::vector<u8> kept_table(const char* tag, const std::vector<std::vector<int>>& entries) {
  std::vector<u8> t(6, 0);
  std::memcpy(t.data(), tag, 4);
  kv::put_s16(t.data() + 4, static_cast<std::int16_t>(entries.size()));
  for (const auto& e : entries)
    for (int w : e) {
      t.push_back(static_cast<u8>(w));
      t.push_back(static_cast<u8>(w >> 8));
    }
  return t;
}

// Fake postkeystroke exits: what they saw and how they answer.
std::vector<std::string> g_trace;
int global_exit(u8* b, u8*, u8*) {
  g_trace.push_back(std::string("P ") + char(b[off::kChar]));
  if (b[off::kChar] == 'a') b[off::kChar] = 'b';
  if (b[off::kChar] == 'f') {  // any "f" becomes F10
    b[off::kChar] = 0;
    kv::put_u16(b + off::kExtended, 68);
  }
  return 0;
}
int field_exit(u8* b, u8*, u8*) {
  g_trace.push_back(std::string("K ") + char(b[off::kChar]));
  if (b[off::kChar] == 'z') b[off::kFieldFull] = 'Y';
  if (b[off::kChar] == 'y') b[off::kFinishNow] = 'Y';
  if (b[off::kChar] == 'm') kv::put_s16(b + off::kMessage, 5);
  return 0;
}

class PerKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kv::test::install_messages();
    kv::engine::reset_exits();
    kv::engine::register_exit("GLOBALPK", &global_exit);
    kv::engine::register_exit("FIELDPK", &field_exit);
    options().key_redefinition = {};
    options().bailout = {};
    options().global_postkey.fill(' ');
    options().misc.fill(0);
    g_trace.clear();
    kv::put_padded(panel_.record.data() + kv::panel_off::kPostExitName, 8, "FIELDPK");
  }
  void TearDown() override {
    kv::engine::register_exit("GLOBALPK", nullptr);
    kv::engine::register_exit("FIELDPK", nullptr);
    options().key_redefinition = {};
    options().bailout = {};
    options().global_postkey.fill(' ');
  }
  void global_exit_on() {
    options().global_postkey[0] = 'Y';
    std::memcpy(options().global_postkey.data() + 1, "GLOBALPK", 8);
  }
  PerKeyResult run(Key key, bool field_post_key = false, u8 type = 'A') {
    PerKeyInput in;
    in.key = key;
    in.panel = panel_.record.data();
    in.field_post_key = field_post_key;
    in.active_type = type;
    return per_key(in);
  }

  kv::test::Panel panel_{{kv::test::Field{}}};
};

TEST_F(PerKeyTest, KeyRedefinitionReplacesTheFirstMatchAndSetsTheKeyboardSource) {
  auto table = kept_table("KEYD", {{27, 0, 0, 61}, {0, 72, 13, 0}, {0, 72, 9, 0}, {0, 80, 9, 1}});
  options().key_redefinition = {table.data(), true};
  struct Case {
    Key in, out;
  } cases[] = {
      {{27, 0, 1}, {0, 61, 1}},          // Esc reports F3
      {{0, 72, 0x48}, {13, 0, 28}},      // Up acts as Enter from the keyboard (first match)
      {{0, 80, 0x50}, {9, 1, 0x50}},     // a new extended code keeps the source
      {{'a', 0, 0x1E}, {'a', 0, 0x1E}},  // no entry: unchanged
      {{0, 27, 0}, {0, 27, 0}},          // (0, 27) is not (27, 0)
  };
  for (const Case& c : cases) EXPECT_EQ(run(c.in).key, c.out) << c.in.code();
}

TEST_F(PerKeyTest, OptionSevenKeepsSelectorFieldsUnredefined) {
  auto table = kept_table("KEYD", {{13, 0, 0, 61}});
  options().key_redefinition = {table.data(), true};
  options().misc[7] = 'Y';
  EXPECT_EQ(run({13, 0, 28}, false, 'S').key, (Key{13, 0, 28}));
  EXPECT_EQ(run({13, 0, 28}, false, 'R').key, (Key{13, 0, 28}));
  EXPECT_EQ(run({13, 0, 28}, false, 'A').key, (Key{0, 61, 28}));
  options().misc[7] = 0;
  EXPECT_EQ(run({13, 0, 28}, false, 'S').key, (Key{0, 61, 28}));
}

TEST_F(PerKeyTest, BailoutKeysAndTheHotFieldEntry) {
  auto table = kept_table("BAIL", {{0, 61}});
  options().bailout = {table.data(), true};
  EXPECT_TRUE(run({0, 61, 0x3D}).bailout);
  EXPECT_FALSE(run({13, 0, 28}).bailout);
  EXPECT_FALSE(kv::engine::bailout_covers_hot_fields());
  auto with_hot = kept_table("BAIL", {{13, 0}, {1000, 0}});
  options().bailout = {with_hot.data(), true};
  EXPECT_TRUE(run({13, 0, 28}).bailout);
  EXPECT_TRUE(kv::engine::bailout_covers_hot_fields());
  // The bailout test runs on the key after redefinition.
  auto redef = kept_table("KEYD", {{0, 59, 13, 0}});
  options().key_redefinition = {redef.data(), true};
  EXPECT_TRUE(run({0, 59, 0x3B}).bailout);
}

TEST_F(PerKeyTest, ALostBailoutTableIsSwitchedOff) {
  auto table = kept_table("BAIL", {{0, 61}});
  options().bailout = {table.data(), true};
  std::memcpy(table.data(), "GONE", 4);
  EXPECT_FALSE(run({0, 61, 0}).bailout);
  EXPECT_FALSE(options().bailout.on);

  // A count that runs past readable storage: the entries are not read.
  long page = sysconf(_SC_PAGESIZE);
  void* mem = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(mem, MAP_FAILED);
  u8* second = static_cast<u8*>(mem) + page;
  ASSERT_EQ(mprotect(second, page, PROT_NONE), 0);
  u8* t = second - 10;  // tag, count, one entry, then unreadable storage
  std::memcpy(t, "BAIL", 4);
  kv::put_s16(t + 4, 1000);
  options().bailout = {t, true};
  EXPECT_FALSE(run({0, 61, 0}).bailout);
  EXPECT_FALSE(options().bailout.on);
  munmap(mem, 2 * page);
}

TEST_F(PerKeyTest, PostkeystrokeExitsRunGlobalFirstAndChangeTheKey) {
  global_exit_on();
  // A global exit that returns character 0 and extended code 68 makes F10.
  PerKeyResult r = run({'f', 0, 0x21}, true);
  EXPECT_EQ(r.key, (Key{0, 68, 0x21}));
  // The field's exit sees the key as the global exit left it.
  g_trace.clear();
  r = run({'a', 0, 0x1E}, true);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"P a", "K b"}));
  EXPECT_EQ(r.key, (Key{'b', 0, 0x1E}));
  // Without Post key only the global exit runs; with both off, none.
  g_trace.clear();
  run({'a', 0, 0}, false);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"P a"}));
  options().global_postkey[0] = 'N';
  g_trace.clear();
  run({'a', 0, 0}, false);
  EXPECT_TRUE(g_trace.empty());
}

TEST_F(PerKeyTest, ExitSignalsFieldFullFinishAndMessage) {
  struct Case {
    Key key;
    bool full, finish;
    int message;
  } cases[] = {
      {{'z', 0, 0}, true, false, 0},
      {{'y', 0, 0}, false, true, 0},
      {{'m', 0, 0}, false, false, 5},
      {{'q', 0, 0}, false, false, 0},
  };
  for (const Case& c : cases) {
    PerKeyResult r = run(c.key, true);
    EXPECT_EQ(r.field_full, c.full) << c.key.character;
    EXPECT_EQ(r.finish_now, c.finish) << c.key.character;
    EXPECT_EQ(r.message, c.message) << c.key.character;
  }
  // Field-full on the Right arrow finishes the field at once.
  auto table = kept_table("KEYD", {{'z', 0, 0, 77}});
  options().key_redefinition = {table.data(), true};
  PerKeyResult r = run({'z', 0, 0}, true);
  EXPECT_TRUE(r.field_full);
  EXPECT_TRUE(r.finish_now);
}

}  // namespace
