// The headless display driven by scripts: every command goes through the
// same window logic and pump as a real keyboard and mouse would.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/terminal/backends/headless/headless_display.h"
#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/message_box.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/window.h"
#include "tests/runtime/terminal/support/fake_display.h"

namespace kv::term {
namespace {

struct Stopped {
  int status;
};
void throw_stop(int status) { throw Stopped{status}; }

class Headless : public ::testing::Test {
 protected:
  void start(const std::string& script) {
    d = std::make_unique<HeadlessDisplay>(script);
    d->set_stop(&throw_stop);
    log = std::tmpfile();
    d->set_log(log);
    testing::reset_common(c, *d);
    SCR_WC(c);
    ASSERT_NE(c.window, 0u);
  }
  void TearDown() override {
    if (log) std::fclose(log);
  }
  // Pump passes in wait mode until an event; the exit status when the
  // script stops the program.
  EventArea next() {
    for (int i = 0; i < 500; ++i) {
      EventArea a = area;
      a.wait_mode = kWaitBlock;
      SCR_AMP(c, a);
      if (a.key.status != 'N') return a;
    }
    ADD_FAILURE() << "no event in 500 passes";
    return {};
  }
  int run_to_stop() {
    try {
      for (int i = 0; i < 1000; ++i) {
        EventArea a = area;
        a.wait_mode = kWaitBlock;
        SCR_AMP(c, a);
        if (a.key.status != 'N') events.push_back(a);
      }
    } catch (const Stopped& s) {
      return s.status;
    }
    return -1;
  }
  std::string logged() {
    std::fflush(log);
    std::rewind(log);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, log)) out += buf;
    return out;
  }
  void write(int row, int col, const std::string& text, std::uint8_t attr) {
    write_text(c, row, col, text, attr);
  }

  std::unique_ptr<HeadlessDisplay> d;
  std::FILE* log = nullptr;
  ScrCommon c;
  EventArea area;
  std::vector<EventArea> events;
};

TEST_F(Headless, KeysAndTypingGoThroughTheKeyboardTranslation) {
  start(
      "# keys\n"
      "key F1\n"
      "key shift+F1\n"
      "key shift+tab\n"
      "key KPEnter\n"
      "key ctrl+alt+End\n"
      "key ctrl+b\n"
      "key alt+x\n"
      "type Hé 1\n"
      "key Insert   # a comment begins a word\n"
      "type  a#b  # the text keeps its leading blank and the # inside a word\n");
  c.alt_key_handling = '1';
  EXPECT_EQ(run_to_stop(), 97);
  std::vector<std::pair<int, int>> got;  // (character, extended)
  for (const EventArea& a : events) got.emplace_back(a.key.character, a.key.extended);
  std::vector<std::pair<int, int>> want = {
      {0, 59},   {0, 84},  {0, 15},  {13, 0}, {0, 117}, {2, 0},   {0, 45},  {'H', 0},
      {0x82, 0}, {' ', 0}, {'1', 0}, {0, 82}, {' ', 0}, {'a', 0}, {'#', 0}, {'b', 0}};
  EXPECT_EQ(got, want);
  EXPECT_EQ(events[3].key.scan, 224);
  EXPECT_EQ(c.insert_flag, 'Y');
}

TEST_F(Headless, WaitAdvancesTheVirtualClockInTimerSteps) {
  start("wait 1\nwait 0.5\n");
  std::uint64_t t0 = d->tick_ms();
  int timers = 0;
  try {
    for (int i = 0; i < 100; ++i) {
      EventArea a;
      a.wait_mode = kWaitBlock;
      SCR_AMP(c, a);
      Message m;
      if (d->peek(m, c.window, wm::kTimer, wm::kTimer, false)) ++timers;
    }
  } catch (const Stopped& s) {
    EXPECT_EQ(s.status, 97);
  }
  EXPECT_EQ(d->tick_ms() - t0, 1500u);
  EXPECT_EQ(timers, 6);  // one timer message per 250 ms of virtual time
}

TEST_F(Headless, MouseCommandsGiveCellEvents) {
  start("click 3 5\ndblclick 4 6 right\npress 10 10\nmove 10 11\nrelease 10 11\n");
  area.mouse.mb2_double_func = 22;
  EXPECT_EQ(run_to_stop(), 97);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].mouse_row, 3);
  EXPECT_EQ(events[0].mouse_col, 5);
  EXPECT_EQ(events[0].key.extended, 15);
  EXPECT_EQ(events[1].key.extended, 22);  // right double click
  EXPECT_EQ(events[1].mouse_row, 4);
  EXPECT_EQ(events[2].key.extended, 15);  // press
  EXPECT_EQ(events[3].mouse_col, 11);     // drag to the next cell
  EXPECT_EQ(events[3].key.extended, 0);
}

TEST_F(Headless, CloseWithAnswerYesQuits) {
  start("close\nanswer yes\n");
  EventArea a = next();
  EXPECT_EQ(a.key.status, 'Q');
  EXPECT_NE(logged().find("BOX 0 Close | Do you really want to quit?"), std::string::npos);
  // Without an answer the question is answered No.
  start("close\nkey F3\n");
  a = next();
  EXPECT_EQ(a.key.extended, 61);
}

TEST_F(Headless, PasteDropAndMenuCommands) {
  start("paste héllo world\ndrop /tmp/one /tmp/two\nmenu 9009\nmenu 2\n");
  c.current_field_length = 10;
  c.paste_room = 3;
  c.drops.accepting = true;
  c.drops.key_code = 999;
  d->accept_drops(c.window, true);
  c.about_text = "About text";
  c.key_items = {{0, 59}, {0, 60}};
  EXPECT_EQ(run_to_stop(), 97);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].key.character, 'h');
  EXPECT_EQ(events[1].key.character, 0x82);
  EXPECT_EQ(events[2].key.character, 'l');
  EXPECT_EQ(events[2].key.scan, 252);
  EXPECT_EQ(events[3].key.extended, 999);
  EXPECT_EQ(events[3].key.scan, 253);
  EXPECT_EQ(events[3].drop_count, 2);
  EXPECT_EQ(events[4].key.extended, 60);
  EXPECT_EQ(events[4].key.scan, 254);
  EXPECT_NE(logged().find("BOX 2 About... | About text\n"), std::string::npos);
}

TEST_F(Headless, ExpectAndDumpShowTheScreen) {
  std::string file = ::testing::TempDir() + "/headless_dump.txt";
  // The text of an expectation starts after the one blank behind the
  // column: its leading blanks are checked too.
  start("expect 2 3 Hello\nexpect 2 1   Hello  # comment\ndump " + file + "\nexpect 2 2 Hello\n");
  write(2, 3, "Hello", 0x1E);
  c.caret_row = 2;
  c.caret_column = 4;
  compute_caret(c);
  d->set_caret_pos(c.caret_x, c.caret_y);
  EXPECT_EQ(run_to_stop(), 98);
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 2u + 25 + 1 + 25);
  EXPECT_EQ(lines[0], "SCREEN 25x80 CURSOR 2 4");
  EXPECT_EQ(lines[1], "STATUS ");
  EXPECT_EQ(lines[3].substr(0, 8), "  Hello ");
  EXPECT_EQ(lines[27], "ATTR");
  EXPECT_EQ(lines[29].substr(0, 16), "07071E1E1E1E1E07");
}

TEST_F(Headless, BadLinesAreDroppedAndTheLoopGoesOn) {
  start("frobnicate\nkey F13\nkey shift+\nclick x 1\nwait soon\nexpect 1\nanswer maybe\nkey F2\n");
  EventArea a = next();
  EXPECT_EQ(a.key.extended, 60);
  std::string out = logged();
  EXPECT_NE(out.find("line 1 not understood, ignored: frobnicate"), std::string::npos);
  EXPECT_NE(out.find("line 7 not understood"), std::string::npos);
  EXPECT_EQ(d->cell_char(1, 1), ' ');
}

TEST_F(Headless, StatusTextsAndBoxesAreLogged) {
  start("");
  MbRequest q;
  q.kind = 1;
  q.text = "Field is required";
  SCR_MB(q, c);
  q.kind = 5;
  q.text = "Table lost";
  q.caller = "CELLVIEW";
  SCR_MB(q, c);
  std::string out = logged();
  EXPECT_NE(out.find("STATUS Field is required\n"), std::string::npos);
  EXPECT_NE(out.find("BOX 5 Korvexan Internal Error! | CELLVIEW / Table lost / Contact "
                     "application developer/programmer!\n"),
            std::string::npos);
  EXPECT_NE(d->dump_text().find("STATUS Field is required\n"), std::string::npos);
  // A title in the code page shows as UTF-8, like the text.
  q.kind = 2;
  q.title = "Caf\x82";  // CP437 e-acute
  q.text = "Men\x81";   // CP437 u-umlaut
  SCR_MB(q, c);
  EXPECT_NE(logged().find("BOX 2 Caf\u00e9 | Men\u00fc\n"), std::string::npos);
}

}  // namespace
}  // namespace kv::term
