#include "runtime/engine/timeouts.h"

#include <cstring>
#include <tuple>

#include "runtime/engine/options.h"
#include "runtime/engine/tables.h"
#include "runtime/utilities/bytes.h"

namespace kv::engine {

namespace {

constexpr long kDayCentis = 24L * 60 * 60 * 100;

ClockSource g_clock = nullptr;
TimeoutState g_state;

// The function 12 block.
struct Timeouts {
  const std::uint8_t* b;
  bool on() const { return is_on(b[0]); }
  bool countdown() const { return is_on(b[1]); }
  int warning_seconds() const { return get_s16(b + 2); }
  int timeout_seconds() const { return get_s16(b + 4); }
  bool has_timeout_key() const { return get_u32(b + 6) != 0; }
  Key timeout_key() const {
    return {static_cast<std::uint8_t>(get_u16(b + 6)), get_u16(b + 8), kSourceTimeout};
  }
  int repeat_seconds() const { return get_s16(b + 10); }
  bool has_repeat_key() const { return get_u32(b + 12) != 0; }
  Key repeat_key() const {
    return {static_cast<std::uint8_t>(get_u16(b + 12)), get_u16(b + 14), kSourceTimeout};
  }
};

Timeouts block() { return Timeouts{options().timeouts.data()}; }

std::int16_t exit_interval() { return get_s16(options().timeout_exit.data() + 9); }

void restart_countdown(const Timeouts& t, ClockTime now) {
  if (t.countdown()) {
    g_state.remaining = t.warning_seconds();
    g_state.warning = add_centiseconds(now, 100L * (t.timeout_seconds() - t.warning_seconds()));
  } else {
    g_state.warning = ClockTime::never();
  }
}

// The next call of the time-out exit after `interval` tenths of a second.
void schedule_exit(std::int16_t interval, ClockTime now) {
  g_state.exit_every_check = interval <= 0;
  g_state.exit = interval > 0 ? add_centiseconds(now, 10L * interval) : ClockTime::never();
}

}  // namespace

ClockTime ClockTime::of(const kv::TimeOfDay& t) {
  return {static_cast<std::uint16_t>(t.hour), static_cast<std::uint16_t>(t.minute),
          static_cast<std::uint16_t>(t.second), static_cast<std::uint16_t>(t.centi)};
}

ClockTime add_centiseconds(ClockTime t, long centis) {
  if (t.is_never()) return t;
  long total = ((static_cast<long>(t.hour) * 60 + t.minute) * 60 + t.second) * 100 + t.centi;
  total = ((total + centis) % kDayCentis + kDayCentis) % kDayCentis;
  ClockTime r;
  r.centi = static_cast<std::uint16_t>(total % 100);
  total /= 100;
  r.second = static_cast<std::uint16_t>(total % 60);
  total /= 60;
  r.minute = static_cast<std::uint16_t>(total % 60);
  r.hour = static_cast<std::uint16_t>(total / 60);
  return r;
}

bool deadline_passed(ClockTime d, ClockTime now) {
  if (d.is_never()) return false;
  bool later = std::tie(now.hour, now.minute, now.second, now.centi) >
                   std::tie(d.hour, d.minute, d.second, d.centi) ||
               (d.hour == 23 && now.hour == 0);
  return later && static_cast<int>(now.hour) - static_cast<int>(d.hour) < 12;
}

void set_clock(ClockSource source) { g_clock = source; }

ClockTime clock_now() { return ClockTime::of(g_clock ? g_clock() : kv::time_of_day()); }

const TimeoutState& timeout_state() { return g_state; }

void reset_timeouts() {
  TimeoutState fresh;
  g_state = fresh;
}

void start_call_timeouts() {
  Timeouts t = block();
  if (!t.on()) {
    g_state.warning = g_state.timeout = g_state.repeat = ClockTime::never();
    return;
  }
  ClockTime now = clock_now();
  restart_countdown(t, now);
  g_state.timeout =
      t.has_timeout_key() ? add_centiseconds(now, 100L * t.timeout_seconds()) : ClockTime::never();
  g_state.repeat =
      t.has_repeat_key() ? add_centiseconds(now, 100L * t.repeat_seconds()) : ClockTime::never();
}

void timeouts_changed() {
  if (!block().on()) g_state.warning = g_state.timeout = g_state.repeat = ClockTime::never();
}

void timeout_exit_changed() {
  if (!options().timeout_exit_on()) {
    g_state.exit = ClockTime::never();
    g_state.exit_every_check = false;
    return;
  }
  schedule_exit(exit_interval(), clock_now());
}

TimeoutCheck check_timeouts(const ExitState& state, std::uint8_t* panel,
                            std::uint8_t* pass_to_exit) {
  TimeoutCheck out;
  ClockTime now = clock_now();

  // 1. The time-out exit.
  Options& o = options();
  if (o.timeout_exit_on() && (g_state.exit_every_check || deadline_passed(g_state.exit, now))) {
    std::int16_t configured = exit_interval();
    ExitResult r = call_exit('T', field(o.timeout_exit.data() + 1, 8), state, 0, 0, configured,
                             panel, pass_to_exit);
    // An exit that could not be called answers nothing: its block keeps
    // what earlier exits left in the fields it would have set.
    if (r.called) {
      if (r.character != 0 || r.extended != 0) {
        out.has_key = true;
        out.key = {r.character, r.extended, r.source != 0 ? r.source : kSourceExitKey};
      }
      if (r.message > 1) out.messages.push_back(tables().message(r.message));
    }
    if (configured > 0) {
      std::int16_t next = r.called ? r.interval : configured;
      put_s16(o.timeout_exit.data() + 9, next);
      schedule_exit(next, now);
    }
  }

  Timeouts t = block();
  if (t.on()) {
    // 2. The repeating key.
    if (deadline_passed(g_state.repeat, now)) {
      g_state.repeat = add_centiseconds(now, 100L * t.repeat_seconds());
      out.has_key = true;
      out.key = t.repeat_key();
    }
    // 3. The time-out key, which also starts the countdown again.
    if (deadline_passed(g_state.timeout, now)) {
      g_state.timeout = add_centiseconds(now, 100L * t.timeout_seconds());
      restart_countdown(t, now);
      out.has_key = true;
      out.key = t.timeout_key();
    }
    // 4. The countdown warning.
    if (deadline_passed(g_state.warning, now)) {
      std::string text =
          zero_padded(g_state.remaining, 2) + " " + tables().message(33).substr(0, 77);
      out.messages.push_back(text);
      if (g_state.remaining > 1) g_state.remaining -= 2;
      g_state.warning = add_centiseconds(now, 200);
    }
  }
  return out;
}

}  // namespace kv::engine
