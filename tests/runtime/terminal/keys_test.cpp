// Key translation through the pump: key-down codes with the modifier
// order, system keys under both Alt-key handlings, characters, the close
// key, and the key menus built from key-label lines.

#include "runtime/terminal/keys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/terminal/module_trace.h"
#include "runtime/terminal/pump.h"
#include "runtime/utilities/log.h"
#include "runtime/utilities/modules.h"
#include "tests/runtime/terminal/support/window_fixture.h"

namespace kv::term {
namespace {

using testing::WindowTest;

class Keys : public WindowTest {
 protected:
  // Runs pump passes until the queue is empty; returns the events that
  // carried a key (or a quit).
  std::vector<KeyEvent> drain() {
    std::vector<KeyEvent> out;
    for (int i = 0; i < 20 && fake.has_pending_work(); ++i) {
      EventArea a;
      a.wait_mode = kWaitRead;
      SCR_AMP(c, a);
      if (a.key.status != 'N') out.push_back(a.key);
    }
    return out;
  }
  std::vector<KeyEvent> press(int vkey, int scan, bool ext, int ch, std::uint32_t keys) {
    fake.post_key(c.window, vkey, scan, ext, ch, keys);
    return drain();
  }
};

TEST_F(Keys, KeyDownCodesFollowTheModifierOrder) {
  struct Case {
    const char* what;
    char alt_handling;
    int vk, scan;
    bool ext;
    int ch;
    std::uint32_t keys;
    int want_ext;  // -1: no event at all
    int want_char;
  };
  const Case cases[] = {
      {"F1", '0', vk::kF1, 59, false, -1, 0, 59, 0},
      {"Shift+F1", '0', vk::kF1, 59, false, -1, kf_shift, 84, 0},
      {"Ctrl+Shift+F1", '0', vk::kF1, 59, false, -1, kf_shift | kf_ctrl, 84, 0},
      {"Ctrl+F12", '0', vk::kF12, 88, false, -1, kf_ctrl, 138, 0},
      {"Ctrl+Alt+End", '0', vk::kEnd, 79, true, -1, kf_ctrl | kf_alt, 117, 0},
      {"Shift+End (Shift not tested)", '0', vk::kEnd, 79, true, -1, kf_shift, 79, 0},
      {"Ctrl+PgDn", '0', vk::kNext, 81, true, -1, kf_ctrl, 118, 0},
      {"Shift+Tab", '0', vk::kTab, 15, false, 9, kf_shift, 15, 0},
      {"Tab", '0', vk::kTab, 15, false, 9, 0, 0, 9},
      {"Alt+X Windows", '0', vk::kA + 23, 45, false, 'x', kf_alt, -1, 0},
      {"Alt+X DOS", '1', vk::kA + 23, 45, false, 'x', kf_alt, 45, 0},
      {"Alt+1 DOS", '1', vk::k0 + 1, 2, false, '1', kf_alt, 120, 0},
      {"Alt+0 DOS", '1', vk::k0, 11, false, '0', kf_alt, 129, 0},
      {"Alt+minus DOS", '1', vk::kOemMinus, 12, false, '-', kf_alt, 130, 0},
      {"Alt+equals DOS", '1', vk::kOemPlus, 13, false, '=', kf_alt, 131, 0},
      {"Alt+F1 DOS", '1', vk::kF1, 59, false, -1, kf_alt, 104, 0},
      {"F10 Windows", '0', vk::kF10, 68, false, -1, 0, -1, 0},
      {"F10 DOS", '1', vk::kF10, 68, false, -1, 0, 68, 0},
      {"Ctrl+A", '0', vk::kA, 30, false, 1, kf_ctrl, 0, 1},
      {"Ctrl+C", '0', vk::kA + 2, 46, false, 3, kf_ctrl, -1, 0},
      {"Ctrl+V", '0', vk::kA + 21, 47, false, 22, kf_ctrl, -1, 0},
      {"numeric keypad 5", '0', vk::kNumpad0 + 5, 76, false, '5', 0, 0, '5'},
  };
  create();
  for (const Case& k : cases) {
    c.alt_key_handling = k.alt_handling;
    std::vector<KeyEvent> ev = press(k.vk, k.scan, k.ext, k.ch, k.keys);
    if (k.want_ext < 0) {
      EXPECT_TRUE(ev.empty()) << k.what;
      continue;
    }
    ASSERT_EQ(ev.size(), 1u) << k.what;
    EXPECT_EQ(ev[0].status, 'Y') << k.what;
    EXPECT_EQ(ev[0].extended, k.want_ext) << k.what;
    EXPECT_EQ(ev[0].character, k.want_char) << k.what;
    EXPECT_EQ(ev[0].scan, k.scan) << k.what;
  }
}

TEST_F(Keys, CharactersEnterAndTheCodePage) {
  create();
  // The keypad Enter carries the extended flag: scan byte 224.
  auto kp = press(vk::kReturn, 28, true, 13, 0);
  ASSERT_EQ(kp.size(), 1u);
  EXPECT_EQ(kp[0].character, 13);
  EXPECT_EQ(kp[0].scan, 224);
  auto main_enter = press(vk::kReturn, 28, false, 13, 0);
  ASSERT_EQ(main_enter.size(), 1u);
  EXPECT_EQ(main_enter[0].scan, 28);
  // A typed e-acute arrives as the code page's byte (CP437 0x82); a
  // character the code page lacks arrives as "?".
  auto e = press(0, 0, false, 0xE9, 0);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].character, 0x82);
  EXPECT_EQ(e[0].extended, 0);
  auto han = press(0, 0, false, 0x4E2D, 0);
  ASSERT_EQ(han.size(), 1u);
  EXPECT_EQ(han[0].character, '?');
}

TEST_F(Keys, InsertFlipsTheInsertFlagAndTheIndicator) {
  create();
  c.insert_flag = 'N';
  auto ev = press(vk::kInsert, 82, true, -1, 0);
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].extended, 82);
  EXPECT_EQ(c.insert_flag, 'Y');
  EXPECT_EQ(fake.status_text(1), "INS");
  EXPECT_TRUE(fake.status_raised(1));
  press(vk::kInsert, 82, true, -1, kf_ctrl);  // Ctrl+Insert: 146, no flip
  EXPECT_EQ(c.insert_flag, 'Y');
  press(vk::kInsert, 82, true, -1, 0);
  EXPECT_EQ(c.insert_flag, 'N');
  EXPECT_EQ(fake.status_text(1), "OVR ");
  EXPECT_FALSE(fake.status_raised(1));
}

TEST_F(Keys, TheCloseKeyAsksInsteadOfReachingTheEngine) {
  c.global_close_value = 107;  // Alt+F4
  c.alt_key_handling = '1';
  create();
  fake.answers = {kIdNo, kIdYes};
  auto ev = press(vk::kF1 + 3, 62, false, -1, kf_alt);
  EXPECT_TRUE(ev.empty());
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].title, "Close");
  EXPECT_EQ(fake.boxes[0].text, "Do you really want to quit?");
  EXPECT_EQ(fake.boxes[0].style, mb::kYesNo | mb::kIconQuestion | mb::kDefButton2);
  // Yes: the next pass reports the quit.
  ev = press(vk::kF1 + 3, 62, false, -1, kf_alt);
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].status, 'Q');
  EXPECT_EQ(ev[0].scan, 254);
  EXPECT_NE(c.window, 0u);  // the window stays
  // The panel's own close value works the same way.
  c.global_close_value = 0;
  c.panel_close_value = 61;
  fake.answers = {kIdNo};
  EXPECT_TRUE(press(vk::kF1 + 2, 61, false, -1, 0).empty());
  EXPECT_EQ(fake.boxes.size(), 3u);
}

TEST(KeyVocabulary, NinetyNineDistinctKeysWithTheirNames) {
  std::set<std::string> codes;
  std::set<int> extended;
  for (const VocabularyEntry& e : kVocabulary) {
    EXPECT_EQ(std::string(e.code).size(), 4u);
    codes.insert(e.code);
    extended.insert(e.extended);
  }
  EXPECT_EQ(codes.size(), 99u);
  EXPECT_EQ(extended.size(), 99u);
  EXPECT_STREQ(find_key_code("CCR ")->name, "Ctrl+Right");
  EXPECT_STREQ(find_key_code("PGDN")->name, "Page-Down");
  EXPECT_EQ(find_key_code("AF4 ")->extended, 107);
  EXPECT_EQ(find_key_code("END ")->extended, 79);
  EXPECT_EQ(find_key_code("XYZ "), nullptr);
}

std::vector<std::string> popup_titles(const MenuBar& bar) {
  std::vector<std::string> t;
  for (const MenuPopup& p : bar.popups) t.push_back(p.title);
  return t;
}

TEST_F(Keys, KeyMenusFromTheFiveLabelLines) {
  create();
  std::string l1 = "AF4=Quit";
  std::string l2 = "CPGD=Next page  XX=unknown";
  std::string l5 = "F1=Help  F3=Exit  ENTER=Go on";
  SCR_MP({l1, l2, "", "", l5}, c);
  const MenuBar* bar = fake.menu_of(c.window);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(popup_titles(*bar),
            (std::vector<std::string>{"&File", "&Edit", "&View", "F&unction keys", "&Alt-keys",
                                      "&Ctrl-keys", "&Help"}));
  const MenuPopup& fkeys = bar->popups[3];
  ASSERT_EQ(fkeys.items.size(), 3u);
  EXPECT_EQ(fkeys.items[0].text, "Help\tF1");
  EXPECT_EQ(fkeys.items[0].command, 1);
  EXPECT_EQ(fkeys.items[1].text, "Exit\tF3");
  EXPECT_EQ(fkeys.items[2].text, "Go on\tEnter");
  EXPECT_EQ(bar->popups[4].items[0].text, "Quit\tAlt+F4");
  EXPECT_EQ(bar->popups[5].items.size(), 1u);  // XX is not a key
  EXPECT_EQ(bar->popups[5].items[0].text, "Next page\tCtrl+PgDn");
  // Fixed items: Print Screen always grayed, Exit grayed without a close
  // value, Copy and Paste grayed while no field is current.
  EXPECT_TRUE(bar->find(cmd::kPrintScreen)->grayed);
  EXPECT_TRUE(bar->find(cmd::kExit)->grayed);
  EXPECT_TRUE(bar->find(cmd::kCopy)->grayed);
  EXPECT_FALSE(bar->find(cmd::kFonts)->grayed);

  // Choosing an item returns its key with scan byte 254.
  fake.post_input(c.window, wm::kCommand, 2, 0, 0);
  auto ev = drain();
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].extended, 61);
  EXPECT_EQ(ev[0].scan, 254);
  fake.post_input(c.window, wm::kCommand, 3, 0, 0);
  ev = drain();
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].character, 13);
  EXPECT_EQ(ev[0].extended, 0);
  // Print Screen is never carried out, whatever asks for it.
  fake.post_input(c.window, wm::kCommand, cmd::kPrintScreen, 0, 0);
  EXPECT_TRUE(drain().empty());
}

TEST_F(Keys, SystemKeysOnlyMenuHasNoKeyPopupsAndCloseFollowsTheCloseKeys) {
  c.menu_option = '1';
  create();
  SCR_MP({"AF4=Quit", "", "", "", "F1=Help"}, c);
  EXPECT_EQ(popup_titles(*fake.menu_of(c.window)),
            (std::vector<std::string>{"&File", "&Edit", "&View", "&Help"}));
  EXPECT_FALSE(fake.close_enabled(c.window));
  c.panel_close_value = 107;
  SCR_MP({"", "", "", "", ""}, c);
  EXPECT_TRUE(fake.close_enabled(c.window));
  EXPECT_FALSE(fake.menu_of(c.window)->find(cmd::kExit)->grayed);
}

}  // namespace
}  // namespace kv::term

namespace kv::term {
namespace {

TEST_F(Keys, DecodedKeysAreTracedWhenThePumpTraces) {
  std::string dir = ::testing::TempDir() + "/keytrace";
  std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
  setenv("KORVEXAN_LOGDIR", dir.c_str(), 1);
  kv::log_reset_for_tests();
  create();
  kv::modules().set_trace(amp_module().index(), 'L');
  press(vk::kF1, 59, false, -1, kf_shift);
  press(vk::kHome, 71, true, -1, 0);
  kv::modules().set_trace(amp_module().index(), ' ');
  press(vk::kEnd, 79, true, -1, 0);
  std::ifstream in(kv::log_file_name());
  std::stringstream all;
  all << in.rdbuf();
  std::string log = all.str();
  EXPECT_NE(
      log.find(kv::trace_line(amp_module().id(), "Decoded Key:", "Shift", "Shift+F1").substr(36)),
      std::string::npos);
  EXPECT_NE(log.find("No Shift"), std::string::npos);
  EXPECT_EQ(log.find("End"), std::string::npos);  // tracing was off again
}

}  // namespace
}  // namespace kv::term
