#include "runtime/utilities/modules.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "kv/build_info.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/log.h"

namespace kv {

int ModuleTable::find(std::string_view name) const {
  std::string key = padded(name, 9);
  for (int i = 0; i < count_; ++i)
    if (std::memcmp(entries_[i].data(), key.data(), 9) == 0) return i;
  return -1;
}

int ModuleTable::register_module(std::string_view name, std::string_view version,
                                 std::string_view revision) {
  int found = find(name);
  if (found >= 0) return found;
  if (count_ >= kEntries) return -1;
  int i = count_++;
  std::string id = padded(name, 9) + padded(version, 4) + padded(revision, 3) + " " +
                   padded(KV_BUILD_DATE, 12) + " " + padded(KV_BUILD_TIME, 5);
  std::memcpy(entries_[i].data(), id.data(), 35);
  entries_[i][35] = '\0';
  std::string env(trim_right(name));
  if (env_starts_with(env.c_str(), "LOG")) trace_[i] = 'L';
  return i;
}

std::string ModuleTable::identification(int index) const {
  if (index < 0 || index >= count_) return std::string(35, ' ');
  return std::string(entries_[index].data(), 35);
}

char ModuleTable::trace(int index) const {
  if (index < 0 || index >= kEntries) return ' ';
  return trace_[index];
}

void ModuleTable::set_trace(int index, char value) {
  if (index >= 0 && index < kEntries) trace_[index] = value;
}

void ModuleTable::set_all_traces(char value) { trace_.fill(value); }

ModuleTable& modules() {
  static ModuleTable table;
  return table;
}

bool env_starts_with(const char* name, std::string_view prefix) {
  const char* v = std::getenv(name);
  if (!v) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (v[i] == '\0') return false;
    if (std::toupper(static_cast<unsigned char>(v[i])) != prefix[i]) return false;
  }
  return true;
}

std::string trace_line(std::string_view id35, std::string_view action,
                       std::string_view object, std::string_view value) {
  // An action text longer than its field runs on into an empty object
  // field rather than being cut, and on through the value field when that
  // is empty too (a warning's whole text is its action).
  std::string head;
  if (object.empty() && action.size() > 25)
    head = value.empty() ? std::string(action) : padded(action, 47);
  else
    head = padded(action, 25) + padded(object, 22);
  std::string line = padded(id35, 35) + "|" + head + std::string(value);
  line.resize(221, ' ');
  return line;
}

void trace(int index, std::string_view action, std::string_view object,
           std::string_view value) {
  if (modules().trace(index) != 'L') return;
  std::string line = trace_line(modules().identification(index), action, object, value);
  log_write(line);
}

std::string num(long value) { return std::to_string(value); }

}  // namespace kv
