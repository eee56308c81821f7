#include "runtime/engine/timeouts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/engine/options.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "support/engine_fixture.h"

namespace {

using kv::u8;
using kv::engine::add_centiseconds;
using kv::engine::check_timeouts;
using kv::engine::ClockTime;
using kv::engine::deadline_passed;
using kv::engine::Key;
using kv::engine::options;
namespace off = kv::engine::exit_off;

ClockTime at(int h, int m, int s, int c = 0) {
  return {static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(m),
          static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(c)};
}

TEST(ClockTest, AddingCarriesAndWrapsHours) {
  struct Case {
    ClockTime t;
    long centis;
    ClockTime want;
  } cases[] = {
      {at(10, 0, 0, 50), 150, at(10, 0, 2, 0)},      {at(10, 59, 59, 99), 1, at(11, 0, 0, 0)},
      {at(23, 59, 59, 99), 1, at(0, 0, 0, 0)},       {at(23, 0, 0), 3 * 3600 * 100, at(2, 0, 0)},
      {at(0, 0, 0, 0), -1, at(23, 59, 59, 99)},      {at(12, 0, 0), 30 * 100, at(12, 0, 30)},
      {ClockTime::never(), 100, ClockTime::never()},
  };
  for (const Case& c : cases) EXPECT_EQ(add_centiseconds(c.t, c.centis), c.want);
}

TEST(ClockTest, DeadlinePassedRule) {
  struct Case {
    ClockTime deadline, now;
    bool passed;
  } cases[] = {
      {at(10, 0, 0), at(10, 0, 0), false},  // equal is not later
      {at(10, 0, 0), at(10, 0, 0, 1), true},
      {at(10, 0, 0), at(9, 59, 59, 99), false},
      {at(10, 30, 0), at(11, 0, 0), true},
      {at(23, 59, 59), at(0, 0, 1), true},  // over midnight
      {at(23, 0, 0), at(0, 59, 0), true},
      {at(1, 0, 0), at(12, 59, 0), true},    // 11 hours behind
      {at(1, 0, 0), at(13, 0, 0), false},    // 12 hours behind: tomorrow's
      {at(0, 0, 10), at(23, 59, 0), false},  // set just after midnight
      {ClockTime::never(), at(23, 59, 59, 99), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(deadline_passed(c.deadline, c.now), c.passed)
        << c.deadline.hour << ":" << c.deadline.minute << " at " << c.now.hour << ":"
        << c.now.minute;
}

// The fake clock the tests drive.
long g_centis = 0;  // since 10:00:00.00
kv::TimeOfDay fake_clock() {
  long t = 10L * 3600 * 100 + g_centis;
  return {static_cast<int>(t / 360000), static_cast<int>(t / 6000 % 60),
          static_cast<int>(t / 100 % 60), static_cast<int>(t % 100)};
}

int g_exit_calls = 0;
std::int16_t g_seen_interval = 0;
void (*g_exit_answer)(u8*) = nullptr;
int timeout_exit(u8* b, u8*, u8*) {
  ++g_exit_calls;
  g_seen_interval = kv::get_s16(b + off::kInterval);
  if (g_exit_answer) g_exit_answer(b);
  return 0;
}

std::vector<std::string> g_boxes;
int capture_box(int, std::string_view, std::string_view text, std::string_view) {
  g_boxes.emplace_back(text);
  return 1;
}

class TimeoutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kv::test::install_messages();
    kv::engine::set_clock(&fake_clock);
    kv::engine::reset_timeouts();
    kv::engine::reset_exits();
    kv::engine::register_exit("TOEXIT", &timeout_exit);
    options().timeouts.fill(0);
    options().timeout_exit.fill(0);
    g_centis = 0;
    g_exit_calls = 0;
    g_exit_answer = nullptr;
    g_boxes.clear();
  }
  void TearDown() override {
    kv::engine::set_clock(nullptr);
    kv::engine::register_exit("TOEXIT", nullptr);
    kv::set_box_hook(nullptr);
    options().timeouts.fill(0);
    options().timeout_exit.fill(0);
    kv::engine::reset_timeouts();
  }

  // Function 12 as an application fills it.
  void set_timeouts(bool countdown, int w, int t, Key timeout_key, int r, Key repeat_key) {
    u8* b = options().timeouts.data();
    b[0] = 'Y';
    b[1] = countdown ? 'Y' : 'N';
    kv::put_s16(b + 2, static_cast<std::int16_t>(w));
    kv::put_s16(b + 4, static_cast<std::int16_t>(t));
    kv::put_u16(b + 6, timeout_key.character);
    kv::put_u16(b + 8, timeout_key.extended);
    kv::put_s16(b + 10, static_cast<std::int16_t>(r));
    kv::put_u16(b + 12, repeat_key.character);
    kv::put_u16(b + 14, repeat_key.extended);
    kv::engine::timeouts_changed();
  }
  // Function 13.
  void set_timeout_exit(const char* name, int tenths) {
    u8* b = options().timeout_exit.data();
    b[0] = 'Y';
    kv::put_padded(b + 1, 8, name);
    kv::put_s16(b + 9, static_cast<std::int16_t>(tenths));
    kv::engine::timeout_exit_changed();
  }

  // Checks every quarter second (the window timer's pace) up to `seconds`,
  // recording what each check produced and when.
  struct Seen {
    long centis;
    bool key;
    Key k;
    std::vector<std::string> messages;
  };
  std::vector<Seen> run_for(int seconds) {
    std::vector<Seen> seen;
    long end = g_centis + seconds * 100L;
    while (g_centis < end) {
      g_centis += 25;
      auto c = check_timeouts({}, panel_.record.data(), nullptr);
      if (c.has_key || !c.messages.empty())
        seen.push_back({g_centis, c.has_key, c.key, c.messages});
    }
    return seen;
  }

  kv::test::Panel panel_{{kv::test::Field{}}};
};

TEST_F(TimeoutsTest, CountdownThenTimeoutKey) {
  set_timeouts(true, 10, 30, {13, 0}, 0, {0, 0});
  kv::engine::start_call_timeouts();
  auto seen = run_for(31);
  const std::string tail = " seconds until timeout occurs." + std::string(48, ' ');
  std::vector<std::pair<long, std::string>> want = {
      {2025, "10"}, {2250, "08"}, {2475, "06"}, {2700, "04"}, {2925, "02"}};
  ASSERT_EQ(seen.size(), want.size() + 1);
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(seen[i].centis, want[i].first);
    ASSERT_EQ(seen[i].messages.size(), 1u);
    EXPECT_EQ(seen[i].messages[0], want[i].second + tail);
    EXPECT_EQ(seen[i].messages[0].size(), 80u);
    EXPECT_FALSE(seen[i].key);
  }
  // The time-out key at the first check after 30 seconds, from source X'01';
  // the countdown starts again from W.
  EXPECT_EQ(seen.back().centis, 3025);
  EXPECT_EQ(seen.back().k, (Key{13, 0, 0x01}));
  EXPECT_TRUE(seen.back().messages.empty());
  EXPECT_EQ(kv::engine::timeout_state().remaining, 10);
  EXPECT_EQ(kv::engine::timeout_state().warning, add_centiseconds(at(10, 0, 30, 25), 2000));
}

TEST_F(TimeoutsTest, RepeatingKeyEveryIntervalAndTheTimeoutKeyReplacesIt) {
  set_timeouts(false, 0, 0, {0, 0}, 5, {0, 63});
  kv::engine::start_call_timeouts();
  auto seen = run_for(16);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].centis, 525);
  EXPECT_EQ(seen[1].centis, 1050);
  EXPECT_EQ(seen[2].centis, 1575);
  for (const Seen& s : seen) EXPECT_EQ(s.k, (Key{0, 63, 0x01}));

  set_timeouts(false, 0, 10, {0, 68}, 10, {0, 63});
  g_centis = 0;
  kv::engine::start_call_timeouts();
  seen = run_for(11);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].k, (Key{0, 68, 0x01}));
}

TEST_F(TimeoutsTest, SwitchingTimeoutsOffMakesEveryDeadlineNever) {
  set_timeouts(true, 5, 10, {13, 0}, 3, {0, 63});
  kv::engine::start_call_timeouts();
  options().timeouts[0] = 'N';
  kv::engine::timeouts_changed();
  const auto& s = kv::engine::timeout_state();
  EXPECT_TRUE(s.warning.is_never());
  EXPECT_TRUE(s.timeout.is_never());
  EXPECT_TRUE(s.repeat.is_never());
  EXPECT_TRUE(run_for(20).empty());
}

TEST_F(TimeoutsTest, TimeoutExitWithIntervalZeroIsCalledAtEveryCheck) {
  set_timeout_exit("TOEXIT", 0);
  kv::engine::start_call_timeouts();
  for (int i = 0; i < 3; ++i) check_timeouts({}, panel_.record.data(), nullptr);
  EXPECT_EQ(g_exit_calls, 3);
}

TEST_F(TimeoutsTest, TimeoutExitDeliversAKeyAMessageAndTheNextInterval) {
  g_centis = 100;
  set_timeout_exit("TOEXIT", 20);  // first call 2 seconds after function 13
  g_exit_answer = [](u8* b) {
    kv::put_u16(b + off::kExtended, 59);  // F1, without a source of its own
    kv::put_s16(b + off::kInterval, 10);
    kv::put_s16(b + off::kMessage, 33);
  };
  g_centis = 200;
  kv::engine::start_call_timeouts();  // a new call does not move the exit's deadline
  auto seen = run_for(3);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].centis, 325);
  EXPECT_EQ(g_seen_interval, 10);  // the interval it returned the first time
  EXPECT_EQ(seen[0].k, (Key{0, 59, 0xFB}));
  ASSERT_EQ(seen[0].messages.size(), 1u);
  EXPECT_EQ(seen[0].messages[0].substr(0, 29), "seconds until timeout occurs.");
  EXPECT_EQ(seen[1].centis, 450);  // one second after the first call
  EXPECT_EQ(g_exit_calls, 2);
}

TEST_F(TimeoutsTest, AMissingTimeoutExitShowsItsBoxAndDeliversNothing) {
  kv::set_box_hook(&capture_box);
  set_timeout_exit("NOTTHERE", 0);
  auto c = check_timeouts({}, panel_.record.data(), nullptr);
  EXPECT_FALSE(c.has_key);
  EXPECT_TRUE(c.messages.empty());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "User Exit DLL LoadLibrary failed!");
}

}  // namespace
