#include "runtime/engine/exits.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/engine/options.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "support/engine_fixture.h"

namespace {

using kv::engine::call_exit;
using kv::engine::ExitResult;
using kv::engine::ExitState;
namespace off = kv::engine::exit_off;
using kv::u8;

// What the fake exits saw and what they answer.
std::array<u8, 163> g_seen;
u8* g_seen_panel = nullptr;
u8* g_seen_pass = nullptr;
int g_calls = 0;
void (*g_answer)(u8* block) = nullptr;

int recording_exit(u8* block, u8* panel, u8* pass) {
  std::memcpy(g_seen.data(), block, 163);
  g_seen_panel = panel;
  g_seen_pass = pass;
  ++g_calls;
  if (g_answer) g_answer(block);
  return 0;
}

std::vector<std::pair<int, std::string>> g_boxes;
// The reason each box reported after its text (empty: none).
std::vector<std::string> g_reasons;
int capture_box(int kind, std::string_view, std::string_view text, std::string_view) {
  g_boxes.emplace_back(kind, std::string(text));
  auto f = kv::pending_system_failure();
  g_reasons.push_back(f ? std::to_string(f->code) + " " + f->text : std::string());
  return 1;
}

class ExitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kv::test::install_messages();
    kv::engine::reset_exits();
    kv::engine::register_exit("RECORD", &recording_exit);
    kv::engine::options().alternate_colors = {};
    kv::engine::options().monochrome = false;
    g_calls = 0;
    g_answer = nullptr;
    g_boxes.clear();
    g_reasons.clear();
    kv::set_box_hook(&capture_box);
    dir_ = std::filesystem::temp_directory_path() / ("kv_exits_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    setenv("KORVEXAN_EXIT_PATH", dir_.c_str(), 1);
    unsetenv("COB_LIBRARY_PATH");
  }
  void TearDown() override {
    kv::set_box_hook(nullptr);
    kv::engine::register_exit("RECORD", nullptr);
    std::filesystem::remove_all(dir_);
    unsetenv("KORVEXAN_EXIT_PATH");
  }

  ExitResult call(char type, const std::string& name, u8 ch = 'a', std::uint16_t ext = 0,
                  std::int16_t interval = 0) {
    return call_exit(type, name, state_, ch, ext, interval, panel_.record.data(), pass_.data());
  }

  ExitState state_{.field = 3,
                   .cursor_pos = 4,
                   .row = 5,
                   .col = 6,
                   .attr = 0x1E,
                   .source = 0x1C,
                   .status = 0,
                   .mouse_row = -7,
                   .mouse_col = 8,
                   .mouse_event = 2,
                   .mouse_button = 1,
                   .shift = {1, 0, 1, 0}};
  kv::test::Panel panel_{{kv::test::Field{}}};
  std::array<u8, 4> pass_{};
  std::filesystem::path dir_;
};

TEST_F(ExitsTest, TheBlockCarriesTheDialogueStateAtItsOffsets) {
  ExitResult r = call('K', "RECORD  ", 'a', 0);
  ASSERT_TRUE(r.called);
  EXPECT_EQ(g_seen[off::kType], 'K');
  EXPECT_EQ(kv::get_s16(&g_seen[off::kField]), 3);
  EXPECT_EQ(kv::get_s16(&g_seen[off::kCursorPos]), 4);
  EXPECT_EQ(kv::get_s16(&g_seen[off::kRow]), 5);
  EXPECT_EQ(kv::get_s16(&g_seen[off::kCol]), 6);
  EXPECT_EQ(g_seen[off::kAttr], 0x1E);
  EXPECT_EQ(g_seen[off::kChar], 'a');
  EXPECT_EQ(kv::get_u16(&g_seen[off::kExtended]), 0);
  EXPECT_EQ(g_seen[off::kSource], 0x1C);
  EXPECT_EQ(kv::get_s16(&g_seen[off::kMouseRow]), 7);  // absolute value
  EXPECT_EQ(kv::get_s16(&g_seen[off::kMouseCol]), 8);
  EXPECT_EQ(g_seen[off::kMouseEvent], 2);
  EXPECT_EQ(g_seen[off::kMouseButton], 1);
  EXPECT_EQ(std::vector<u8>(&g_seen[27], &g_seen[31]), (std::vector<u8>{1, 0, 1, 0}));
  EXPECT_EQ(g_seen_panel, panel_.record.data());
  EXPECT_EQ(g_seen_pass, pass_.data());
  EXPECT_EQ(kv::engine::bound_exit_name(), "RECORD  ");
}

TEST_F(ExitsTest, EachKindClearsWhatItMust) {
  auto fill_everything = [](u8* b) { std::memset(b, 0xAA, 163); };
  auto run_after_fill = [&](char type) {
    g_answer = fill_everything;
    call('D', "RECORD");
    g_answer = nullptr;
    call(type, "RECORD", 'x', 77, 25);
  };
  // "A" and "D": nothing cleared; offsets not refilled keep the last answer.
  run_after_fill('D');
  EXPECT_EQ(g_seen[off::kChar], 'x');
  EXPECT_EQ(g_seen[10], 0xAA);
  EXPECT_EQ(kv::get_u16(&g_seen[off::kExtended]), 0xAAAA);
  EXPECT_EQ(g_seen[off::kMessage], 0xAA);
  EXPECT_EQ(g_seen[162], 0xAA);
  // "T": only offsets 11-14 cleared; the interval is passed at 15.
  run_after_fill('T');
  EXPECT_EQ(g_seen[off::kChar], 0);
  EXPECT_EQ(g_seen[12], 0);
  EXPECT_EQ(kv::get_u16(&g_seen[off::kExtended]), 0);
  EXPECT_EQ(kv::get_s16(&g_seen[off::kInterval]), 25);
  EXPECT_EQ(g_seen[off::kMessage], 0xAA);
  EXPECT_EQ(g_seen[10], 0xAA);
  // "K" and "P": the whole block cleared, then filled.
  for (char type : {'K', 'P'}) {
    run_after_fill(type);
    EXPECT_EQ(g_seen[off::kType], static_cast<u8>(type));
    EXPECT_EQ(g_seen[off::kChar], 'x');
    EXPECT_EQ(kv::get_u16(&g_seen[off::kExtended]), 77);
    EXPECT_EQ(g_seen[10], 0);
    EXPECT_EQ(kv::get_s16(&g_seen[off::kMessage]), 0);
    EXPECT_EQ(g_seen[162], 0);
  }
}

TEST_F(ExitsTest, AnswersAreReadBackAndTheAttributeIsMapped) {
  g_answer = [](u8* b) {
    b[off::kAttr] = 0x1F;
    b[off::kChar] = '*';
    kv::put_u16(b + off::kExtended, 68);
    b[off::kFieldFull] = 'Y';
    b[off::kFinishNow] = 'Y';
    kv::put_s16(b + off::kMessage, 5);
    b[off::kSource] = 0x3C;
  };
  ExitResult r = call('P', "RECORD");
  EXPECT_EQ(r.character, '*');
  EXPECT_EQ(r.extended, 68);
  EXPECT_TRUE(r.field_full);
  EXPECT_TRUE(r.finish_now);
  EXPECT_EQ(r.message, 5);
  EXPECT_EQ(r.source, 0x3C);
  EXPECT_EQ(r.attr, 0x1F);
  kv::engine::options().monochrome = true;
  EXPECT_EQ(call('D', "RECORD").attr, 0x0F);
}

TEST_F(ExitsTest, AMissingLibraryShowsItsBoxEachTimeAndCallsNothing) {
  for (int i = 0; i < 2; ++i) {
    ExitResult r = call('K', "NOSUCHEX", 'q', 0);
    EXPECT_FALSE(r.called);
    EXPECT_EQ(r.character, 'q');  // the block as it was filled
  }
  // Low-values are an empty library name, which cannot be loaded either.
  ExitResult r = call('D', std::string(8, '\0'));
  EXPECT_FALSE(r.called);
  ASSERT_EQ(g_boxes.size(), 3u);
  for (const auto& [kind, text] : g_boxes) {
    EXPECT_EQ(kind, kv::kBoxSystem);
    EXPECT_EQ(text, "User Exit DLL LoadLibrary failed!");
  }
  EXPECT_EQ(g_calls, 0);
}

TEST_F(ExitsTest, ALibraryWithoutTheEntryShowsTheGetProcAddressBox) {
  // Any real shared library that has no symbol of the exit's name.
  void* libm = dlopen("libm.so.6", RTLD_NOW);
  ASSERT_NE(libm, nullptr);
  Dl_info info{};
  ASSERT_NE(dladdr(dlsym(libm, "cos"), &info), 0);
  std::filesystem::create_symlink(info.dli_fname, dir_ / "libNOENTRY.so");
  ExitResult r = call('K', "NOENTRY");
  EXPECT_FALSE(r.called);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].second, "User Exit DLL GetProcAddress failed!");
}

// The box's reason names the exit and says what was looked for where, or why
// the library found did not load; it is consumed by its box.
TEST_F(ExitsTest, AFailedLookupReportsTheExitAndTheReason) {
  std::filesystem::create_directories(dir_ / "cob");
  setenv("COB_LIBRARY_PATH", (dir_ / "cob").c_str(), 1);
  // Not a shared library: dlopen's own explanation is reported.
  std::FILE* f = std::fopen((dir_ / "BROKEN.so").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("not a library\n", f);
  std::fclose(f);
  void* libm = dlopen("libm.so.6", RTLD_NOW);
  ASSERT_NE(libm, nullptr);
  Dl_info info{};
  ASSERT_NE(dladdr(dlsym(libm, "cos"), &info), 0);
  std::filesystem::create_symlink(info.dli_fname, dir_ / "cob" / "NOENTRY.so");

  call('K', "NOSUCHEX");
  call('K', "BROKEN");
  call('K', "NOENTRY");
  call('K', std::string(8, '\0'));
  ASSERT_EQ(g_reasons.size(), 4u);
  struct Case {
    const char* starts;
    std::vector<std::string> holds;
  };
  const Case cases[] = {
      {"2 Exit NOSUCHEX: no NOSUCHEX.so or libNOSUCHEX.so on KORVEXAN_EXIT_PATH, "
       "COB_LIBRARY_PATH or in ",
       {}},
      {"8 Exit BROKEN: ", {(dir_ / "BROKEN.so").string()}},
      {"2 Exit NOENTRY: ", {(dir_ / "cob" / "NOENTRY.so").string(), "has no entry NOENTRY"}},
      {"2 The exit name is empty", {}},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(g_reasons[i].rfind(cases[i].starts, 0), 0u) << g_reasons[i];
    for (const std::string& part : cases[i].holds)
      EXPECT_NE(g_reasons[i].find(part), std::string::npos) << g_reasons[i];
  }
  EXPECT_EQ(g_boxes[2].second, "User Exit DLL GetProcAddress failed!");
  EXPECT_FALSE(kv::pending_system_failure());
  unsetenv("COB_LIBRARY_PATH");
}

TEST_F(ExitsTest, ABoundExitIsCalledAgainWithoutALookup) {
  call('K', "RECORD");
  // Gone from the registry, the bound entry would no longer be found; the
  // same name is still bound... until the registration is removed, which
  // also unbinds it.
  EXPECT_EQ(kv::engine::bound_exit_name(), "RECORD  ");
  call('K', "RECORD");
  EXPECT_EQ(g_calls, 2);
  kv::engine::register_exit("RECORD", nullptr);
  EXPECT_EQ(kv::engine::bound_exit_name(), "        ");
  EXPECT_FALSE(call('K', "RECORD").called);
}

using ExitsDeathTest = ExitsTest;

u8* g_display_option_panel = nullptr;

int report_display_option(int, std::string_view title, std::string_view text, std::string_view) {
  // Runs in the dying process: shows what the abort left in the panel.
  std::fprintf(stderr, "BOX %.*s | %.*s\n", static_cast<int>(title.size()), title.data(),
               static_cast<int>(text.size()), text.data());
  return 1;
}

TEST_F(ExitsDeathTest, ABlankNameAbortsWithReasonNine) {
  kv::set_box_hook(&report_display_option);
  g_display_option_panel = panel_.record.data();
  EXPECT_EXIT(call('D', "        "), ::testing::ExitedWithCode(16),
              "aborted in panel TESTPNL  Reason = 0009 \\| Undefined user exit subroutine.");
  EXPECT_EXIT(call('D', " RECORD "), ::testing::ExitedWithCode(16), "Reason = 0009");
  EXPECT_EXIT(
      {
        // The reason is left in PANEL-DISPLAY-OPTION before the abort.
        kv::set_box_hook([](int, std::string_view, std::string_view, std::string_view) {
          std::fprintf(stderr, "DISPLAY-OPTION %d\n", kv::get_u16(g_display_option_panel + 177));
          return 1;
        });
        call('K', "        ");
      },
      ::testing::ExitedWithCode(16), "DISPLAY-OPTION 9");
}

}  // namespace
