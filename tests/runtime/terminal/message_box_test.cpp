// Message boxes of kinds 0 to 6 and the box hook.

#include "runtime/terminal/message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/log.h"
#include "tests/runtime/terminal/support/window_fixture.h"

namespace kv::term {
namespace {

using testing::WindowTest;

class Boxes : public WindowTest {};

const std::string kCaller = "SCR_TEST 1.0.001 JAN 01, 2026 10.00";

TEST_F(Boxes, ModalKindsComposeTheirTextAndCaption) {
  create();
  struct Case {
    int kind;
    std::string title, text;
    std::string want_title, want_text;
    unsigned want_style;
  };
  fake.set_last_error({2, "The system cannot find the file specified."});
  const Case cases[] = {
      {2, "", "Version 1   ", "About...", "Version 1", mb::kIconInformation},
      {2, "About Orders", "v1", "About Orders", "v1", mb::kIconInformation},
      {3, "", "Bad thing", "Korvexan Internal Error!", kCaller + "\rBad thing", mb::kIconStop},
      {4, "", "CopyFile failed!", "Korvexan Internal Error!",
       kCaller + "\rCopyFile failed!\rError code: 2 / The system cannot find the file specified.",
       mb::kIconStop},
      {5, "Lost", "Table gone", "Lost",
       kCaller + "\rTable gone\rContact application developer/programmer!", mb::kIconStop},
  };
  for (const Case& k : cases) {
    MbRequest q;
    q.kind = static_cast<std::int16_t>(k.kind);
    q.title = k.title;
    q.text = k.text;
    q.caller = kCaller;
    SCR_MB(q, c);
    ASSERT_FALSE(fake.boxes.empty());
    const testing::ShownBox& b = fake.boxes.back();
    EXPECT_EQ(b.kind, k.kind);
    EXPECT_EQ(b.title, k.want_title);
    EXPECT_EQ(b.text, k.want_text);
    EXPECT_EQ(b.style, k.want_style | mb::kOk);
    EXPECT_EQ(q.result, kIdOk);
    EXPECT_EQ(q.kind, 1);  // ready for a plain status message
    EXPECT_TRUE(q.text.empty());
    EXPECT_TRUE(q.title.empty());
  }
  // Without a system text for the error.
  fake.set_last_error({1234, ""});
  scr_mb(c, 4, "", "x", kCaller);
  EXPECT_NE(
      fake.boxes.back().text.find("Error code: 1234 / No system error message text available..."),
      std::string::npos);
  // Every composed text is cut to 255 characters.
  scr_mb(c, 3, "", std::string(400, 'y'), kCaller);
  EXPECT_EQ(fake.boxes.back().text.size(), 255u);
}

TEST_F(Boxes, StatusMessagesReplaceAndWithdraw) {
  create();
  scr_mb(c, 1, "", "Field is required   ", kCaller);
  EXPECT_EQ(fake.status_text(0), "Field is required");
  EXPECT_EQ(c.status_message, 'Y');
  scr_mb(c, 0, "", "", kCaller);
  EXPECT_EQ(fake.status_text(0), "");
  EXPECT_EQ(c.status_message, 'N');
  // Kind 0 with nothing showing changes nothing.
  fake.set_status_text(c.status_bar, 0, "other", false);
  scr_mb(c, 0, "", "", kCaller);
  EXPECT_EQ(fake.status_text(0), "other");
  // 255 spaces: an empty text, and the flag still set.
  scr_mb(c, 1, "", std::string(255, ' '), kCaller);
  EXPECT_EQ(fake.status_text(0), "");
  EXPECT_EQ(c.status_message, 'Y');
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(Boxes, WithoutAStatusBarOneModelessWindowShowsTheLatestText) {
  // No window yet: the message goes to the small modeless window.
  scr_mb(c, 1, "", "first", kCaller);
  Handle first = c.message_window;
  scr_mb(c, 1, "", "second", kCaller);
  EXPECT_NE(c.message_window, 0u);
  EXPECT_NE(c.message_window, first);
  EXPECT_EQ(fake.modeless_text(), "second");
  scr_mb(c, 0, "", "", kCaller);
  EXPECT_EQ(c.message_window, 0u);
  EXPECT_EQ(fake.modeless_text(), "");
  // It lives no longer than the runtime's window: close-down removes it.
  scr_mb(c, 1, "", "third", kCaller);
  close_down(c);
  EXPECT_EQ(c.message_window, 0u);
  EXPECT_EQ(fake.modeless_text(), "");
}

TEST(BoxTrace, KindSixWritesOneLogLine) {
  std::string dir = ::testing::TempDir() + "/boxlog";
  std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
  setenv("KORVEXAN_LOGDIR", dir.c_str(), 1);
  kv::log_reset_for_tests();
  ScrCommon c;
  testing::FakeDisplay fake;
  testing::reset_common(c, fake);
  scr_mb(c, 6, "", std::string(200, 'T'), kCaller);
  std::ifstream in(kv::log_file_name());
  std::stringstream all;
  all << in.rdbuf();
  std::string log = all.str();
  EXPECT_NE(log.find(kCaller + "|" + std::string(185, 'T')), std::string::npos);
  EXPECT_EQ(log.find(std::string(186, 'T')), std::string::npos);
  EXPECT_TRUE(fake.boxes.empty());
}

}  // namespace
}  // namespace kv::term
