#include "runtime/utilities/log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "kv/build_info.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"

namespace kv {

namespace {

struct LogState {
  bool started = false;
  long line_number = 1;
  std::string previous_id;
  std::string file;
};

LogState& state() {
  static LogState s;
  return s;
}

std::string status_of_errno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return "35";
    case EACCES:
    case EPERM:
    case EROFS: return "37";
    default: return "30";
  }
}

std::string number5(long n) { return zero_padded(n % 100000, 5); }

bool append_raw(const std::string& file, const std::string& text, int* err) {
  std::FILE* f = std::fopen(file.c_str(), "ab");
  if (!f) {
    *err = errno;
    return false;
  }
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return true;
}

void first_call(LogState& s) {
  s.file = log_file_name();
  struct stat st {};
  bool exists = ::stat(s.file.c_str(), &st) == 0;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d %02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
  std::string head;
  if (exists) {
    show_box(kBoxAbout, "Korvexan Event Logging Initialization",
             "The log file already exists; \ndata will be APPENDED to the existing file:\n" +
                 s.file);
    head = std::string(227, '*') + "\n";
    head += padded(number5(s.line_number) + " Event logging file   " + stamp +
                       "|Appending to existing file...",
                   227) +
            "\n";
  } else {
    head = padded(number5(s.line_number) + " Event logging file   " + stamp +
                      "|Created new file...",
                  227) +
           "\n";
  }
  s.line_number++;
  std::string version = std::string(" SCR_LOG  ") + "1.1." + KV_REVISION + " " +
                        padded(KV_BUILD_DATE, 12) + " " + padded(KV_BUILD_TIME, 5);
  // The word size of this build, as the version line has always reported it.
  std::string bits = sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)";
  head += padded(number5(s.line_number) + version + "|" + bits, 227) + "\n";
  int err = 0;
  if (append_raw(s.file, head, &err)) {
    s.line_number++;
    s.started = true;
    // A new file is announced once it exists: a directory that cannot take
    // it gets only the failure box below, not a notice that logging is on.
    if (!exists)
      show_box(kBoxAbout, "Korvexan Event Logging Initialization",
               "Event logging is enabled!\nThe file name and location are:\n" + s.file);
  } else {
    show_box(kBoxStatus, "", "Cannot LOG:  OPEN failed on LOG file RC=" + status_of_errno(err));
    s.line_number = 1;
  }
}

}  // namespace

std::string log_directory() {
  const char* d = std::getenv("KORVEXAN_LOGDIR");
  if (d && *d) return d;
  char buf[4096];
  if (::getcwd(buf, sizeof buf)) return buf;
  return ".";
}

std::string log_file_name() { return log_directory() + "/KORVEXAN.LOG"; }

void log_write(std::string_view line221) {
  LogState& s = state();
  if (!s.started) {
    first_call(s);
    if (!s.started) return;
  }
  std::string line = padded(line221, 221);
  std::string id = line.substr(0, 35);
  std::string shown_id = (id == s.previous_id) ? std::string(35, ' ') : id;
  std::string out = number5(s.line_number) + " " + shown_id + line.substr(35, 1) +
                    line.substr(36, 185) + "\n";
  int err = 0;
  if (!append_raw(s.file, out, &err)) {
    show_box(kBoxStatus, "", "Cannot LOG:  OPEN failed on LOG file RC=" + status_of_errno(err));
    return;
  }
  s.previous_id = id;
  s.line_number++;
}

void log_reset_for_tests() { state() = LogState{}; }

}  // namespace kv
