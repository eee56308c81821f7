// Time-outs of a panel call: the time-out key after T seconds, the
// repeating key every R seconds, the countdown warning in the last W
// seconds and the time-out user exit ("T"), all measured on an injectable
// clock of hours, minutes, seconds and centiseconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/engine/exits.h"
#include "runtime/engine/key.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

// A time of day; a deadline is such a record, "never" is all X'FF'.
struct ClockTime {
  std::uint16_t hour = 0xFFFF, minute = 0xFFFF, second = 0xFFFF, centi = 0xFFFF;

  static ClockTime never() { return {}; }
  static ClockTime of(const kv::TimeOfDay& t);
  bool is_never() const {
    return hour == 0xFFFF && minute == 0xFFFF && second == 0xFFFF && centi == 0xFFFF;
  }
  bool operator==(const ClockTime&) const = default;
};

// `t` plus `centis` (may be negative) with carries; hours wrap past 23 to
// 0.  "never" stays never.
ClockTime add_centiseconds(ClockTime t, long centis);

// A deadline has passed when `now` is later, field by field, or the
// deadline's hour is 23 and now's is 0; and only while now's hour minus the
// deadline's is below 12 (a deadline further behind belongs to the next
// day).  "never" never passes.
bool deadline_passed(ClockTime deadline, ClockTime now);

// The clock: kv::time_of_day() unless another source is set (the headless
// display's virtual clock, tests).  nullptr restores the default.
using ClockSource = kv::TimeOfDay (*)();
void set_clock(ClockSource source);
ClockTime clock_now();

// The deadlines as they stand.
struct TimeoutState {
  ClockTime warning, timeout, repeat;  // countdown, time-out key, repeating key
  int remaining = 0;                   // countdown seconds still to show
  ClockTime exit;                      // next call of the time-out exit
  bool exit_every_check = false;       // time-out exit with an interval of 0 or less
};
const TimeoutState& timeout_state();

// At the start of every panel call (function 12 deadlines).
void start_call_timeouts();
// After function 12 stored its block: off makes every deadline never.
void timeouts_changed();
// After function 13 stored its block: the time-out exit's deadline, which
// runs across calls.
void timeout_exit_changed();

struct TimeoutCheck {
  bool has_key = false;
  Key key;  // the event that replaces a pump pass
  // Texts (80 characters) to show after the checks with the error beep:
  // a message requested by the time-out exit and the countdown text.
  std::vector<std::string> messages;
};

// The checks before every wait for an event, in order: the time-out exit,
// the repeating key, the time-out key (replacing a repeating key of the
// same check) and the countdown.  `state` is what the time-out exit is
// told of the dialogue.
TimeoutCheck check_timeouts(const ExitState& state, std::uint8_t* panel,
                            std::uint8_t* pass_to_exit);

// Clears every deadline (tests).
void reset_timeouts();

}  // namespace kv::engine
