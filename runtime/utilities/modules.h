// The module table: every runtime module records its identification here
// on its first call and reads the environment variable named after itself
// for its trace switch.  Trace lines are formed and appended to the event
// log only when the module's switch is "L".
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kv {

class ModuleTable {
 public:
  static constexpr int kEntries = 25;
  static constexpr int kIdWidth = 35;

  // Records a module (idempotent by name) and returns its index.  The first
  // registration reads the environment variable named after the module: a
  // value beginning "LOG" in any case switches its trace on.  Returns -1 when
  // the table is full; such a module traces nothing.
  int register_module(std::string_view name, std::string_view version,
                      std::string_view revision);
  int find(std::string_view name) const;

  // 35 characters: name (9), version (4), revision (3), space, build date
  // (12), space, build time (5).
  std::string identification(int index) const;

  char trace(int index) const;
  void set_trace(int index, char value);
  void set_all_traces(char value);
  int size() const { return count_; }

  // The 36-byte entry as kept in the common area (identification + X'00').
  const std::array<char, 36>& entry(int index) const { return entries_[index]; }

 private:
  std::array<std::array<char, 36>, kEntries> entries_{};
  std::array<char, kEntries> trace_{};
  int count_ = 0;
};

// The process's module table (part of the runtime common area).
ModuleTable& modules();

// True when the environment variable `name` is set and its first three
// characters, upper-cased, equal `prefix`.
bool env_starts_with(const char* name, std::string_view prefix);

// A 221-character trace line: identification, "|", action (25), object (22)
// and value, each blank-padded or cut.  A longer action runs on into an
// empty object field, and on through the value field when that is empty.
std::string trace_line(std::string_view id35, std::string_view action,
                       std::string_view object, std::string_view value);

// Appends a trace line for module `index` when its switch is "L".
void trace(int index, std::string_view action, std::string_view object = {},
           std::string_view value = {});

// Convenience: a number as decimal text for trace values.
std::string num(long value);

}  // namespace kv
