// The runtime entry driven from C++, one fresh process per case (the
// runtime keeps process state by design).

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "runtime/engine/options.h"
#include "runtime/engine/tables.h"
#include "runtime/interface/cellview.h"
#include "runtime/terminal/backends/headless/headless_display.h"
#include "runtime/terminal/scr_common.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"

namespace fs = std::filesystem;
namespace o = kv::iface::init_off;

namespace {

std::vector<std::string> g_boxes;
int record_box(int kind, std::string_view title, std::string_view text, std::string_view) {
  g_boxes.push_back(std::to_string(kind) + "|" + std::string(title) + "|" + std::string(text));
  return 1;
}

struct Init {
  std::vector<std::uint8_t> block = std::vector<std::uint8_t>(o::kSize, 0);
  std::vector<std::uint8_t> masks = std::vector<std::uint8_t>(3 + 255 * 82, ' ');
  std::vector<std::uint8_t> messages = std::vector<std::uint8_t>(300 * 80, ' ');
  std::uint8_t stub[20] = {'G'};
  Init() {
    block[0] = block[1] = 0xFF;
    kv::put_padded(block.data() + o::kSettingsFile, 255, "");
    kv::put_s16(block.data() + o::kFontHeight, 16);
    std::memcpy(masks.data(), "002", 3);
    kv::put_padded(block.data() + o::kWindowTitle, 255, "Title one");
    block[o::kAltKey] = '1';
  }
  void call() { CELLVIEW(block.data(), stub, masks.data(), messages.data()); }
};

void function(int number, void* block) {
  std::uint8_t n[2];
  kv::put_u16(n, static_cast<std::uint16_t>(number));
  CELLVIEW(n, block, nullptr, nullptr);
}

std::string temp_ini(const std::string& text) {
  fs::path p = fs::temp_directory_path() / ("kvini" + std::to_string(::getpid()) + ".ini");
  std::ofstream(p) << text;
  return p.string();
}

TEST(CellviewDeath, SettingsAreReadOnceModulo10000AndGarbageGetsDefaults) {
  auto scenario = [&]{
        std::string ini = temp_ini(
            "[korvexan]\nWindowXOrigin=123456\nwindowyorigin=-20\nWindowWidth=junk\n"
            "FontHeight=20\nFontFacename=Fixed Sans\n");
        Init a;
        kv::put_padded(a.block.data() + o::kSettingsFile, 255, ini);
        a.call();
        bool ok = kv::get_s16(a.block.data() + o::kWindowX) == 3456 &&
                  kv::get_s16(a.block.data() + o::kWindowY) == -20 &&
                  kv::get_s16(a.block.data() + o::kWindowWidth) == 9999 &&
                  kv::get_s16(a.block.data() + o::kWindowHeight) == 9999 &&
                  kv::get_s16(a.block.data() + o::kFontHeight) == 20 &&
                  kv::field(a.block.data() + o::kFontFace, 10) == "Fixed Sans";
        // A second initialisation refreshes titles and masks but neither
        // the settings nor the option bytes.
        std::ofstream(ini) << "[Korvexan]\nWindowXOrigin=7\n";
        Init b;
        kv::put_padded(b.block.data() + o::kSettingsFile, 255, ini);
        kv::put_padded(b.block.data() + o::kWindowTitle, 255, "Title two");
        b.block[o::kAltKey] = '0';
        std::memcpy(b.masks.data(), "001", 3);
        b.call();
        ok = ok && kv::get_s16(b.block.data() + o::kWindowX) == 0;  // untouched
        std::vector<std::uint8_t> info(o::kSize, 0);
        function(17, info.data());
        ok = ok && kv::trim_right(kv::field(info.data() + o::kWindowTitle, 255)) == "Title two" &&
             info[o::kAltKey] == '1' && kv::get_s16(info.data() + o::kWindowX) == 3456 &&
             kv::engine::tables().mask_count == 1;
        fs::remove(ini);
        std::exit(ok ? 0 : 1);
      };
  EXPECT_EXIT(scenario(),
      ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, CloseDownOnACellDisplayKeepsTheDesktopWindowsPlaceAndSize) {
  // A terminal's or the headless window's size is counted in cells; the
  // desktop window would read it as pixels and open tiny.
  auto scenario = [&] {
    std::string ini = temp_ini(
        "[Korvexan]\nWindowXOrigin=300\nWindowYOrigin=200\nWindowWidth=640\n"
        "WindowHeight=400\n");
    kv::term::use_display(std::make_unique<kv::term::HeadlessDisplay>(""));
    Init a;
    kv::put_padded(a.block.data() + o::kSettingsFile, 255, ini);
    a.call();
    kv::term::ensure_window();
    bool ok = kv::term::has_window();
    std::vector<std::uint8_t> info(o::kSize, 0);
    function(15, info.data());
    std::ifstream in(ini);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(ini);
    ok = ok && text.find("WindowXOrigin=300\n") != std::string::npos &&
         text.find("WindowYOrigin=200\n") != std::string::npos &&
         text.find("WindowWidth=640\n") != std::string::npos &&
         text.find("WindowHeight=400\n") != std::string::npos &&
         text.find("FontHeight=16\n") != std::string::npos;  // the write did happen
    if (!ok) std::fputs(text.c_str(), stderr);
    std::exit(ok ? 0 : 1);
  };
  EXPECT_EXIT(scenario(), ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, KeptTablesLoseTheirFeatureWhenTheTagGoesOrTheStorageGoes) {
  auto scenario = [&]{
        kv::set_box_hook(record_box);
        setenv("CELLVIEW", "PRO", 1);
        Init a;
        a.call();
        // Colour table: tag overwritten -> off silently.
        std::vector<std::uint8_t> colours(4 + 512, 0);
        function(1, colours.data());
        bool ok = std::memcmp(colours.data(), "COLO", 4) == 0 &&
                  kv::engine::options().alternate_colors.on;
        colours[0] = 'X';
        // Key redefinition table in storage that is then unmapped.
        void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        function(6, page);
        munmap(page, 4096);
        std::vector<std::uint8_t> panel(316, 0), work_s(40, 0), work_d(40, 0);
        std::memcpy(panel.data(), "PANEL1  ", 8);
        panel[186] = 'X';  // PANEL-REPAINT-SCREEN "X": the call returns at once
        CELLVIEW(panel.data(), nullptr, work_s.data(), work_d.data());
        ok = ok && !kv::engine::options().alternate_colors.on &&
             !kv::engine::options().key_redefinition.on && g_boxes.size() == 1 &&
             g_boxes[0].find("Key Redefinition storage was CANCELled!") != std::string::npos;
        std::exit(ok ? 0 : 1);
      };
  EXPECT_EXIT(scenario(),
      ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, LostTableWarningIsSilentWithoutTheTraceSwitch) {
  auto scenario = [&]{
        kv::set_box_hook(record_box);
        unsetenv("CELLVIEW");
        Init a;
        a.call();
        void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        function(11, page);
        munmap(page, 4096);
        std::vector<std::uint8_t> panel(316, 0), work_s(40, 0), work_d(40, 0);
        std::memcpy(panel.data(), "PANEL1  ", 8);
        panel[186] = 'X';  // PANEL-REPAINT-SCREEN "X": the call returns at once
        CELLVIEW(panel.data(), nullptr, work_s.data(), work_d.data());
        std::exit(!kv::engine::options().bailout.on && g_boxes.empty() ? 0 : 1);
      };
  EXPECT_EXIT(scenario(),
      ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, OptionLettersFromTheEnvironmentAndFunctionTwo) {
  auto scenario = [&]{
        setenv("IBMC", "m", 1);
        Init a;
        a.call();
        bool ok = kv::engine::options().monochrome;
        std::uint8_t letters[15];
        kv::put_padded(letters, 15, "cT");
        function(2, letters);
        ok = ok && !kv::engine::options().monochrome &&
             kv::engine::options().full_beep_frequency == 9999;
        // Function 2 marks the first-call set-up to run again: the next
        // call reapplies the environment's letters.
        std::vector<std::uint8_t> info(o::kSize, 0);
        function(17, info.data());
        ok = ok && kv::engine::options().monochrome;
        std::exit(ok ? 0 : 1);
      };
  EXPECT_EXIT(scenario(),
      ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, DragAndDropReturnCodes) {
  auto scenario = [&]{
        Init a;
        a.call();
        std::vector<std::uint8_t> b(19 + 1024, 0);
        auto rc = [&](char cmd, int index = 0) {
          b[0] = static_cast<std::uint8_t>(cmd);
          kv::put_s32(b.data() + 13, index);
          function(18, b.data());
          return std::string(reinterpret_cast<char*>(b.data() + 17), 2);
        };
        kv::put_s32(b.data() + 1, 123456);
        bool ok = rc('F') == "03" && rc('Y') == "00" &&
                  kv::term::common().window == 0 && rc('F') == "04" && rc('Q') == "01" &&
                  rc('N') == "00" && rc('F') == "03";
        std::exit(ok ? 0 : 1);
      };
  EXPECT_EXIT(scenario(),
      ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, InvalidFunctionNumbersAbort) {
  for (int number : {20, 25, 255}) {
    auto scenario = [&]{
          Init a;
          a.call();
          function(number, nullptr);
          std::exit(0);
        };
    EXPECT_EXIT(scenario(),
        ::testing::ExitedWithCode(16), "aborted in panel N/A      Reason = 0032");
  }
  // Argument 1 omitted, or a function that needs a parameter block called
  // without one: invalid calls, not a fault.
  auto no_argument = [&] {
    Init a;
    a.call();
    CELLVIEW(nullptr, nullptr, nullptr, nullptr);
    std::exit(0);
  };
  EXPECT_EXIT(no_argument(), ::testing::ExitedWithCode(16), "panel N/A      Reason = 0032");
  for (int number : {1, 2, 6, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18}) {
    auto scenario = [&] {
      Init a;
      a.call();
      function(number, nullptr);
      std::exit(0);
    };
    EXPECT_EXIT(scenario(), ::testing::ExitedWithCode(16), "Reason = 0032") << number;
  }
  // Those without a block (and screen save without a window) need none.
  for (int number : {0, 3, 4, 5, 7, 19}) {
    auto scenario = [&] {
      Init a;
      a.call();
      function(number, nullptr);
      std::exit(0);
    };
    EXPECT_EXIT(scenario(), ::testing::ExitedWithCode(0), "") << number;
  }
  // A second byte other than X'00' is a panel call, not a function call.
  auto scenario = [&]{
        Init a;
        a.call();
        std::uint8_t panel[316] = {0x00, 0x01};
        panel[186] = 'X';  // PANEL-REPAINT-SCREEN "X": the call returns at once
        std::uint8_t empty[40] = {};
        CELLVIEW(panel, nullptr, empty, empty);
        std::exit(0);
      };
  EXPECT_EXIT(scenario(),
      ::testing::ExitedWithCode(0), "");
}

TEST(CellviewDeath, AbortLogsItsWholeText) {
  fs::path dir = fs::temp_directory_path() / ("kvabort" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string text = "Invalid function call: a text longer than the object field.";
  auto scenario = [&] {
    kv::set_box_hook(record_box);
    setenv("CELLVIEW", "LOG", 1);
    setenv("KORVEXAN_LOGDIR", dir.c_str(), 1);
    Init a;
    kv::put_padded(a.messages.data() + 31 * 80, 80, text);
    a.call();
    function(20, nullptr);
    std::exit(0);
  };
  EXPECT_EXIT(scenario(), ::testing::ExitedWithCode(16), "Reason = 0032");
  std::ifstream in(dir / "KORVEXAN.LOG");
  std::string line, logged;
  while (std::getline(in, line))
    if (line.find("|Korvexan Internal Error!") != std::string::npos) logged = line;
  EXPECT_NE(logged.find(text), std::string::npos) << logged;
  fs::remove_all(dir);
}

TEST(CellviewDeath, TimeoutAndPostkeyBlocks) {
  struct Case {
    int function;
    std::vector<std::uint8_t> block;
    bool aborts;
  } cases[] = {
      // On, time-out key F3 but T and R both 0.
      {12, {'Y', 'N', 0, 0, 0, 0, 0, 0, 61, 0, 0, 0, 0, 0, 0, 0}, true},
      // On, T = 30, but no key at all.
      {12, {'Y', 'N', 0, 0, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
      // On with T = 30 and F3: valid.
      {12, {'Y', 'N', 0, 0, 30, 0, 0, 0, 61, 0, 0, 0, 0, 0, 0, 0}, false},
      // Off: anything goes.
      {12, {'N', 'N', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {14, {'Y', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}, true},
      {14, {'Y', ' ', 0x01, 'A', 'B', ' ', ' ', ' ', ' '}, true},
      {14, {'Y', ' ', 'P', 'O', 'S', 'T', ' ', ' ', ' '}, false},
      // EBCDIC "Y" with an EBCDIC name.
      {14, {0xE8, 0xD7, 0xD6, 0xE2, 0xE3, 0x40, 0x40, 0x40, 0x40}, false},
      {14, {0xE8, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40}, true},
  };
  for (auto& c : cases) {
    auto scenario = [&]{
          Init a;
          a.call();
          function(c.function, c.block.data());
          std::exit(0);
        };
    EXPECT_EXIT(scenario(),
        ::testing::ExitedWithCode(c.aborts ? 16 : 0), c.aborts ? "Reason = 0032" : "")
        << "function " << c.function;
  }
}

}  // namespace
