#include "editor/masklib/mask_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "editor/library/settings.h"
#include "runtime/masks/scrmask.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/log.h"
#include "runtime/utilities/modules.h"

namespace fs = std::filesystem;
using namespace kv::editor;
using namespace kv::editor::masklib;

namespace {

const std::string E = "\xDD";

std::string str(const MaskRecord& r) { return std::string(r.begin(), r.end()); }
// The record a mask text should give: text, X'DD', spaces.
std::string record(const std::string& text) {
  std::string s = text + E;
  s.resize(82, ' ');
  return s;
}

class MaskLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kv::mask::CountryValues us;  // "$", ".", ",", "/", month-day-year
    kv::mask::pin_country(us);
  }
  void TearDown() override { kv::mask::reset_country(); }
};

TEST_F(MaskLibTest, WhichLinesAreMasks) {
  struct Case {
    std::string line;
    std::optional<std::string> want;
  } cases[] = {
      {"CR", "CR" + std::string(79, ' ') + E},  // justification: no marker needed
      {"Cl", "Cl" + std::string(79, ' ') + E},
      {"N 999", std::nullopt},  // no marker
      {"N ZZ9.99-" + E + " comment after", record("N ZZ9.99-")},
      {"D/" + E, record("D/")},
      {"C   -  -  " + E, record("C   -  -  ")},
      {"* N 999" + E, std::nullopt},
      {"X 999" + E, std::nullopt},
      {"", std::nullopt},
      {"N " + std::string(96, '9') + E, "N " + std::string(79, '9') + E},  // marker at 99
      {"N " + std::string(97, '9') + E, std::nullopt},                     // marker at 100
  };
  for (const Case& c : cases) {
    auto got = mask_line(c.line);
    ASSERT_EQ(got.has_value(), c.want.has_value()) << c.line;
    if (got) {
      EXPECT_EQ(str(*got), *c.want) << c.line;
    }
  }
}

// Lines that begin like a mask but lack the X'DD' byte (its UTF-8 glyph
// "\u258C" is three other bytes) are no masks and are reported by number.
TEST_F(MaskLibTest, LinesThatLookLikeMasksWithoutTheMarkerAreReported) {
  MaskLibrary lib;
  lib.load_text("* masks\nN 999" + E + "\nN*ZZ9.99-\u258C\r\nCR\nD/\nX 9\n\nC (   )" + E + "\n");
  EXPECT_EQ(lib.count(), 3);
  EXPECT_EQ(lib.unmarked_lines(), (std::vector<int>{3, 5}));
  EXPECT_EQ(str(lib.mask(2)), "CR" + std::string(79, ' ') + E);
  lib.load_text("N 9" + E + "\n");
  EXPECT_TRUE(lib.unmarked_lines().empty());
}

TEST_F(MaskLibTest, NumberingFallbackAndTheLimit) {
  std::string file = "* masks of the order system\r\n\r\n";
  for (int i = 1; i <= 260; ++i)
    file += "N " + std::string(static_cast<std::size_t>(i % 20 + 1), '9') + E + "\r\n# x\n";
  MaskLibrary lib;
  lib.load_text(file);
  EXPECT_EQ(lib.count(), 250);
  EXPECT_EQ(str(lib.mask(2)), record("N 999"));
  EXPECT_EQ(str(lib.mask(250)), record("N " + std::string(11, '9')));
  for (int n : {0, -1, 251, 300}) EXPECT_EQ(str(lib.mask(n)), str(lib.mask(1))) << n;
  MaskLibrary empty;
  EXPECT_FALSE(empty.load("/nonexistent/EDITMASK.SEQ"));
  EXPECT_EQ(str(empty.mask(1)), std::string(82, ' '));
}

TEST_F(MaskLibTest, DisplayLengths) {
  struct Case {
    std::string mask;  // kind, fill, text (without X'DD')
    int positions;
    int display;
    int rc;
  } cases[] = {
      {"N ZZZ,ZZZ,ZZZ,ZZ9.99-", 5, 7, 0},  // "ZZ9.99-"
      {"N ZZZ,ZZZ,ZZZ,ZZ9.99-", 14, 19, 0},
      {"N ZZZ,ZZZ,ZZZ,ZZ9.99-", 15, 19, 24},
      {"N $$$,$$$,$$$,$$9.99CR", 5, 9, 0},  // currency walked: one more
      {"N$$ZZ,ZZZ,ZZZ,ZZ9.99-", 3, 6, 0},   // text begins with the currency symbol
      {"N ZZZ.99", 2, 3, 0},                // decimal point just left: one more
      {"N 999-99-9999", 9, 11, 0},
      {"D/", 6, 8, 0},   // 9999/99/99 walked for 6 digits
      {"D ", 8, 10, 0},  // 99/99/9999
      {"C   -  -  ", 6, 8, 0},
      {"C   -  -  ", 7, 8, 24},
      {"C   -  -  ", 5, 7, 0},
      {"C &&   ", 3, 4, 0},  // "&&" is one display position
      {"CR", 80, 80, 0},
  };
  for (const Case& c : cases) {
    auto m = mask_line(c.mask == "CR" ? c.mask : c.mask + E);
    ASSERT_TRUE(m) << c.mask;
    MaskedLength got = masked_length(*m, c.positions);
    EXPECT_EQ(got.display_length, c.display) << c.mask << " / " << c.positions;
    EXPECT_EQ(got.return_code, c.rc) << c.mask << " / " << c.positions;
  }
  MaskRecord blank;
  blank.fill(' ');
  EXPECT_EQ(masked_length(blank, 5).return_code, 24);
  // Year first: the eight-digit picture is 9999/99/99 as well.
  kv::mask::CountryValues ymd;
  ymd.date_order = 2;
  kv::mask::pin_country(ymd);
  EXPECT_EQ(masked_length(*mask_line("D-" + E), 8).display_length, 10);
}

class MaskFileTest : public MaskLibTest {
 protected:
  void SetUp() override {
    MaskLibTest::SetUp();
    dir_ = fs::temp_directory_path() / ("kvmask" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "my masks");
    std::ofstream(dir_ / "my masks" / kMaskFileName, std::ios::binary)
        << "* order masks\n"
        << "N 999999999999999999-" << E << "\n"
        << "N ZZZ,ZZZ,ZZZ,ZZ9.99-" << E << "\n"
        << "CR\n";
    store_settings({"LIB.PNL", dir_.string(), (dir_ / "my masks").string(), dir_.string()});
    reset_mask_library();
    setenv("KORVEXAN_LOGDIR", dir_.c_str(), 1);
    kv::log_reset_for_tests();
  }
  void TearDown() override {
    reset_mask_library();
    unsetenv("KORVEXAN_LOGDIR");
    fs::remove_all(dir_);
    MaskLibTest::TearDown();
  }
  fs::path dir_;
};

TEST_F(MaskFileTest, DsgnmaskReadsTheMaskDirectory) {
  std::uint8_t rec[82];
  struct Case {
    const char* number;
    std::string want;
  } cases[] = {
      {"002", record("N ZZZ,ZZZ,ZZZ,ZZ9.99-")}, {"003", "CR" + std::string(79, ' ') + E},
      {"001", record("N 999999999999999999-")}, {"300", record("N 999999999999999999-")},
      {"000", record("N 999999999999999999-")}, {"0AB", record("N 999999999999999999-")},
  };
  for (const Case& c : cases) {
    DSGNMASK(reinterpret_cast<const std::uint8_t*>(c.number), rec);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec), 82), c.want) << c.number;
  }
  // Without a mask library every number gives spaces.
  store_settings({"LIB.PNL", dir_.string(), (dir_ / "none").string(), dir_.string()});
  reset_mask_library();
  DSGNMASK(reinterpret_cast<const std::uint8_t*>("002"), rec);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rec), 82), std::string(82, ' '));
}

TEST_F(MaskFileTest, EdmasklLengthsReturnCodesAndTrace) {
  auto call = [](int mask, int length, int* display) {
    std::uint8_t m[2], l[2], d[2] = {0xEE, 0xEE};
    kv::put_s16(m, static_cast<std::int16_t>(mask));
    kv::put_s16(l, static_cast<std::int16_t>(length));
    int rc = EDMASKL(reinterpret_cast<const std::uint8_t*>("X"), m, nullptr, l, nullptr, d);
    *display = kv::get_s16(d);
    return rc;
  };
  int d = 0;
  EXPECT_EQ(call(2, 5, &d), 0);
  EXPECT_EQ(d, 7);
  EXPECT_EQ(call(2, 15, &d), 24);
  EXPECT_EQ(call(254, 8, &d), 0);
  EXPECT_EQ(d, 16) << "hexadecimal display";

  kv::modules().set_trace(kv::modules().find("EDMASKL"), 'L');
  call(2, 5, &d);
  kv::modules().set_trace(kv::modules().find("EDMASKL"), ' ');
  std::ifstream in(dir_ / "KORVEXAN.LOG");
  std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find("|Mask number/Content: 002" + std::string(23, ' ') + "N ZZZ,ZZZ,ZZZ,ZZ9.99-"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("N ZZZ,ZZZ,ZZZ,ZZ9.99-"), std::string::npos);
  EXPECT_NE(log.find("|Mask terminator: "), std::string::npos);
}

TEST_F(MaskLibTest, DsgnmaskdHexAndFormatting) {
  std::uint8_t control[88];
  std::memset(control, ' ', sizeof control);
  control[5] = 'H';
  kv::put_s16(control + 2, 4);
  const std::uint8_t in[] = {0x4A, 0x0F, 0x00, 0xFF};
  std::uint8_t out[16];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(DSGNMASKD(control, in, out), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 9), "4A0F00FF#");
  EXPECT_EQ(kv::get_s16(control), 8);

  // Through mask "ZZZ,ZZZ,ZZZ,ZZ9.99-" at 10 positions: 12.34 is shown as
  // four spaces, 12.34 and a space.
  std::memset(control, ' ', sizeof control);
  kv::put_s16(control, 10);
  kv::put_s16(control + 2, 4);
  control[4] = 'D';
  control[5] = '2';
  std::string m = record("N ZZZ,ZZZ,ZZZ,ZZ9.99-");
  std::memcpy(control + 6, m.data(), 82);
  std::uint8_t shown[160];
  std::memset(shown, '#', sizeof shown);
  EXPECT_EQ(DSGNMASKD(control, reinterpret_cast<const std::uint8_t*>("1234"), shown), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(shown), 11), "    12.34 #");
  EXPECT_EQ(kv::get_s16(control + 2), 10);

  // Mode "U": typed text back to the value of data-length digits.
  kv::put_s16(control + 2, 10);
  control[4] = 'U';
  std::uint8_t value[160];
  EXPECT_EQ(DSGNMASKD(control, reinterpret_cast<const std::uint8_t*>("    12.345"), value), 0);
  EXPECT_EQ(kv::get_s16(control + 2), 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(value), 7), "0001234");
}

}  // namespace
