#include "runtime/utilities/os_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "kv/build_info.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/log.h"
#include "runtime/utilities/modules.h"
#include "runtime/utilities/profile.h"

namespace kv::os {

namespace {

int module() {
  static int index = [] {
    int i = modules().register_module("SCR_WXXX", KV_VERSION, KV_REVISION);
    trace(i, "Program started");
    return i;
  }();
  return index;
}

bool tracing() { return modules().trace(module()) == 'L'; }

// The line a failed service adds to the trace: "Failed!", the system's
// error number and its message.
void trace_failure(int error) {
  std::string text = error_text(error);
  if (text.empty()) text = "FormatMessage returned: Unspecified Windows error.";
  trace(module(), "Failed!", "", "Error code: " + num(error) + " / " + text);
}

void store(std::uint8_t* result32, std::int32_t value) {
  if (result32) put_s32(result32, value);
}

std::string shown(const std::optional<std::string>& s) { return s ? *s : "(omitted)"; }

// The settings-file name of a profile service.  A COBOL field that holds
// the name without an X'00' after it brings its padding along; trailing
// blanks are no part of a file name here, as they were not where these
// programs come from, so the file is the one the caller named.
std::string settings_file(const std::uint8_t* field255) {
  std::string name = profile_text(field255);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::optional<std::string> optional_text(const std::uint8_t* field) {
  if (!field) return std::nullopt;
  return profile_text(field);
}

// The section text of WRITEPRIVATEPROFILESECTION: entries ended by X'00',
// the list by a second X'00' (or the end of the 256-byte buffer).
std::vector<std::string> section_lines(const std::uint8_t* text255) {
  char buf[256];
  std::memcpy(buf, text255, 255);
  buf[255] = 0;
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < 255 && buf[i] != 0) {
    std::size_t start = i;
    while (i < 255 && buf[i] != 0) ++i;
    lines.emplace_back(buf + start, i - start);
    ++i;
  }
  return lines;
}

std::string trim_blanks(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

// A whole number as the profile services read it: optional sign, then
// "0x" and hexadecimal digits or decimal digits, up to the first other
// character; 0 when there are none.  Kept within 32 bits.
std::int32_t parse_int(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  int base = 10;
  if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  long long v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d = c >= '0' && c <= '9'                 ? c - '0'
            : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
    if (d < 0 || d >= base) break;
    v = v * base + d;
    if (v > 0x7FFFFFFFLL + 1) v = 0x7FFFFFFFLL + 1;
  }
  if (neg) v = -v;
  if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
  return static_cast<std::int32_t>(v);
}

// Copies `text` into a caller buffer of `size` bytes the way the profile
// read does: at most size-1 characters and X'00'; returns the count.
std::int32_t give_text(std::uint8_t* out, std::int32_t size, std::string_view text) {
  if (!out || size <= 0) return 0;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = 0;
  return static_cast<std::int32_t>(n);
}

// A list of names each ended by X'00', the whole by a second X'00'; a list
// that does not fit is cut after whole bytes and still double-ended.
std::int32_t give_list(std::uint8_t* out, std::int32_t size,
                       const std::vector<std::string>& names) {
  if (!out || size <= 0) return 0;
  std::string all;
  for (const auto& n : names) all += n + '\0';
  if (size < 2) {
    out[0] = 0;
    return 0;
  }
  if (all.size() + 1 <= static_cast<std::size_t>(size)) {
    std::memcpy(out, all.data(), all.size());
    out[all.size()] = 0;
    if (all.empty() && size >= 2) out[1] = 0;
    return static_cast<std::int32_t>(all.size());
  }
  std::size_t n = static_cast<std::size_t>(size - 2);
  std::memcpy(out, all.data(), n);
  out[n] = 0;
  out[n + 1] = 0;
  return static_cast<std::int32_t>(n);
}

bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Splits a command line into words; double quotes group blanks into a
// word and are removed.
std::vector<std::string> words_of(std::string_view command) {
  std::vector<std::string> words;
  std::string cur;
  bool in_word = false, quoted = false;
  for (char c : command) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(cur);
      cur.clear();
      in_word = false;
    } else {
      cur += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(cur);
  return words;
}

}  // namespace

std::string file_text(const std::uint8_t* field255) {
  char buf[256];
  std::memcpy(buf, field255, 255);
  buf[255] = 0;
  for (int i = 254; i > 0 && (buf[i] == ' ' || buf[i] == 0); --i) buf[i] = 0;
  return std::string(buf);
}

std::string profile_text(const std::uint8_t* field255) {
  char buf[256];
  std::memcpy(buf, field255, 255);
  buf[255] = 0;
  return std::string(buf);
}

std::string error_text(int error) {
  // The C library makes up "Unknown error N" for a number it has no
  // message for; that is no text, and the caller says so in its own words.
  if (!::strerrordesc_np(error)) return {};
  char buf[256];
  const char* t = ::strerror_r(error, buf, sizeof buf);
  std::string s = t ? t : "";
  if (s.size() > 135) s.resize(135);
  return s;
}

Outcome copy_file(const std::string& from, const std::string& to, bool fail_if_exists) {
  // Without O_NONBLOCK, opening a named pipe would wait for a writer
  // forever; only regular files are copied anyway.
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return {false, errno};
  struct stat st {};
  int not_copied = ::fstat(in, &st) != 0  ? errno
                   : S_ISDIR(st.st_mode)  ? EISDIR
                   : !S_ISREG(st.st_mode) ? EINVAL
                                          : 0;
  if (not_copied) {
    ::close(in);
    return {false, not_copied};
  }
  struct stat target {};
  if (::stat(to.c_str(), &target) == 0) {
    if (fail_if_exists) {
      ::close(in);
      return {false, EEXIST};
    }
    if (S_ISDIR(target.st_mode)) {
      ::close(in);
      return {false, EISDIR};
    }
  }
  // The copy is made beside the target and renamed over it, so the target
  // is never left half written, and copying a file onto itself cannot
  // truncate it first.
  std::string tmp = to + ".XXXXXX";
  int out = ::mkstemp(tmp.data());
  if (out < 0) {
    int e = errno;
    ::close(in);
    return {false, e};
  }
  char buf[65536];
  int error = 0;
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) break;
    if (!write_all(out, buf, static_cast<std::size_t>(n))) {
      error = errno;
      break;
    }
  }
  ::close(in);
  if (!error && ::fchmod(out, st.st_mode & 07777) != 0) error = errno;
  if (!error && ::fsync(out) != 0) error = errno;
  if (::close(out) != 0 && !error) error = errno;
  if (!error) {
    if (fail_if_exists) {
      // link() refuses an existing name atomically.
      if (::link(tmp.c_str(), to.c_str()) != 0) error = errno;
    } else if (std::rename(tmp.c_str(), to.c_str()) != 0) {
      error = errno;
    }
  }
  ::unlink(tmp.c_str());
  return {error == 0, error};
}

Outcome delete_file(const std::string& name) {
  if (::unlink(name.c_str()) == 0) return {true, 0};
  return {false, errno};
}

Outcome move_file(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return {true, 0};
  int e = errno;
  if (e == EINVAL || e == ENOSYS) {
    // A file system without the no-replace rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return {false, EEXIST};
    if (std::rename(from.c_str(), to.c_str()) == 0) return {true, 0};
    return {false, errno};
  }
  if (e == EXDEV) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return {false, errno};
    if (!S_ISREG(st.st_mode)) return {false, EXDEV};
    Outcome c = copy_file(from, to, true);
    if (!c.ok) return c;
    if (::unlink(from.c_str()) != 0) {
      int u = errno;
      ::unlink(to.c_str());
      return {false, u};
    }
    return {true, 0};
  }
  return {false, e};
}

std::string command_line() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string line;
  std::size_t i = 0;
  while (i < raw.size()) {
    std::size_t end = raw.find('\0', i);
    if (end == std::string::npos) end = raw.size();
    std::string word = raw.substr(i, end - i);
    if (!line.empty()) line += ' ';
    if (word.empty() || word.find_first_of(" \t") != std::string::npos)
      line += '"' + word + '"';
    else
      line += word;
    i = end + 1;
  }
  return line;
}

std::string system_directory() { return log_directory(); }

int start_program(std::string_view command) {
  std::vector<std::string> words = words_of(command);
  if (words.empty()) return 2;
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return 0;
  int null_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(report[0]);
    ::close(report[1]);
    if (null_fd >= 0) ::close(null_fd);
    return 0;
  }
  if (pid == 0) {
    // A go-between whose child is the program: the go-between ends at
    // once, so the program is nobody's child here and leaves no zombie.
    pid_t grandchild = ::fork();
    if (grandchild < 0) {
      int e = errno;
      (void)!::write(report[1], &e, sizeof e);
      ::_exit(1);
    }
    if (grandchild > 0) ::_exit(0);
    ::setsid();
    if (null_fd >= 0) {
      ::dup2(null_fd, 0);
      ::dup2(null_fd, 1);
      ::dup2(null_fd, 2);
    }
    ::execvp(argv[0], argv.data());
    int e = errno;
    (void)!::write(report[1], &e, sizeof e);
    ::_exit(127);
  }
  ::close(report[1]);
  if (null_fd >= 0) ::close(null_fd);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  int e = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &e, sizeof e);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  if (n != static_cast<ssize_t>(sizeof e)) return 33;  // exec closed the pipe: started
  switch (e) {
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EACCES:
    case EPERM:
      return 5;
    case ENOEXEC:
      return 11;
    default:
      return 0;
  }
}

}  // namespace kv::os

using kv::get_s32;
using kv::os::module;
using kv::os::store;
using kv::os::trace_failure;
using kv::os::tracing;

extern "C" {

int SXR_COPYFILE(const kv_u8* existing, const kv_u8* target, const kv_u8* fail_if_exists32,
                 kv_u8* result32) {
  module();
  if (!existing || !target) {
    store(result32, 0);
    return 0;
  }
  std::string from = kv::os::file_text(existing), to = kv::os::file_text(target);
  bool fail = fail_if_exists32 && get_s32(fail_if_exists32) != 0;
  if (tracing()) kv::trace(module(), "CopyFile", "", from + " to " + to);
  kv::os::Outcome r = kv::os::copy_file(from, to, fail);
  if (!r.ok && tracing()) trace_failure(r.error);
  store(result32, r.ok ? 1 : 0);
  return 0;
}

int SXR_DELETEFILE(const kv_u8* name, kv_u8* result32) {
  module();
  if (!name) {
    store(result32, 0);
    return 0;
  }
  std::string file = kv::os::file_text(name);
  if (tracing()) kv::trace(module(), "DeleteFile", "", file);
  kv::os::Outcome r = kv::os::delete_file(file);
  if (!r.ok && tracing()) trace_failure(r.error);
  store(result32, r.ok ? 1 : 0);
  return 0;
}

int SXR_MOVEFILE(const kv_u8* existing, const kv_u8* target, kv_u8* result32) {
  module();
  if (!existing || !target) {
    store(result32, 0);
    return 0;
  }
  std::string from = kv::os::file_text(existing), to = kv::os::file_text(target);
  if (tracing()) kv::trace(module(), "MoveFile", "", from + " to " + to);
  kv::os::Outcome r = kv::os::move_file(from, to);
  if (!r.ok && tracing()) trace_failure(r.error);
  store(result32, r.ok ? 1 : 0);
  return 0;
}

int SXR_GETCOMMANDLINE(kv_u8* line255) {
  module();
  if (!line255) return 0;
  std::string line = kv::os::command_line();
  if (tracing()) kv::trace(module(), "GetCommandLine", "", line);
  kv::put_padded(line255, 255, line);
  return 0;
}

int SXR_GETWINDOWSDIRECTORY(kv_u8* buffer, const kv_u8* size32, kv_u8* result32) {
  module();
  std::string dir = kv::os::system_directory();
  std::int32_t size = size32 ? get_s32(size32) : 0;
  std::int32_t result;
  if (dir.empty()) {
    result = 0;
  } else if (buffer && size > static_cast<std::int32_t>(dir.size())) {
    std::memcpy(buffer, dir.data(), dir.size());
    buffer[dir.size()] = 0;
    result = static_cast<std::int32_t>(dir.size());
  } else {
    // Too small a buffer stays untouched; the result tells the size needed.
    result = static_cast<std::int32_t>(dir.size() + 1);
  }
  if (tracing()) {
    kv::trace(module(), "GetWindowsDirectory", "", dir);
    if (result == 0) trace_failure(ENOENT);
  }
  store(result32, result);
  return 0;
}

int SXR_WINEXEC(const kv_u8* command, std::int32_t show, kv_u8* result32) {
  module();
  std::string cmd = command ? kv::os::file_text(command) : std::string();
  if (tracing()) kv::trace(module(), "WinExec", "Show " + kv::num(show), cmd);
  int r = kv::os::start_program(cmd);
  if (tracing() && r <= 31) kv::trace(module(), "Failed!", "Result " + kv::num(r));
  store(result32, r);
  return 0;
}

int SXR_WRITEPRIVATEPROFILESECTION(const kv_u8* section, const kv_u8* text, const kv_u8* file,
                                   kv_u8* result32) {
  module();
  if (!section || !file) {
    store(result32, 0);
    return 0;
  }
  std::string sec = kv::os::profile_text(section), name = kv::os::settings_file(file);
  std::vector<std::string> lines = text ? kv::os::section_lines(text) : std::vector<std::string>{};
  if (tracing()) {
    std::string joined;
    for (const auto& l : lines) joined += (joined.empty() ? "" : "; ") + l;
    kv::trace(module(), "WritePrivateProfileSection", "", name + " [" + sec + "] " + joined);
  }
  bool ok = text ? kv::profile::write_section_lines(name, sec, lines)
                 : kv::profile::delete_section(name, sec);
  store(result32, ok ? 1 : 0);
  return 0;
}

int SXR_WRITEPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key, const kv_u8* value,
                                  const kv_u8* file, kv_u8* result32) {
  module();
  if (!section || !file) {
    store(result32, 0);
    return 0;
  }
  std::string sec = kv::os::profile_text(section), name = kv::os::settings_file(file);
  std::optional<std::string> k = kv::os::optional_text(key), v = kv::os::optional_text(value);
  if (tracing())
    kv::trace(module(), "WritePrivateProfileString", "",
              name + " [" + sec + "] " + kv::os::shown(k) + " = " + kv::os::shown(v));
  bool ok;
  if (!k)
    ok = kv::profile::delete_section(name, sec);
  else if (v)
    ok = kv::profile::write_string(name, sec, *k, *v);
  else
    ok = kv::profile::write_string(name, sec, *k, std::nullopt);
  store(result32, ok ? 1 : 0);
  return 0;
}

int SXR_GETPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key, const kv_u8* fallback,
                                kv_u8* value, const kv_u8* size32, const kv_u8* file,
                                kv_u8* result32) {
  module();
  std::int32_t size = size32 ? get_s32(size32) : 0;
  std::string name = file ? kv::os::settings_file(file) : std::string();
  std::optional<std::string> sec = kv::os::optional_text(section), k = kv::os::optional_text(key);
  std::int32_t result;
  std::string got;
  if (!sec) {
    result = kv::os::give_list(value, size, kv::profile::section_names(name));
    got = "(section names)";
  } else if (!k) {
    std::vector<std::string> keys;
    for (const auto& e : kv::profile::section_entries(name, *sec)) keys.push_back(e.first);
    result = kv::os::give_list(value, size, keys);
    got = "(key names)";
  } else {
    std::optional<std::string> v = file ? kv::profile::get(name, *sec, *k) : std::nullopt;
    // A default has its trailing blanks removed, as a value read from the
    // file has.
    got = v ? *v : kv::os::trim_blanks(fallback ? kv::os::profile_text(fallback) : "");
    result = kv::os::give_text(value, size, got);
  }
  if (tracing())
    kv::trace(module(), "GetPrivateProfileString", "",
              name + " [" + kv::os::shown(sec) + "] " + kv::os::shown(k) + " = " + got);
  store(result32, result);
  return 0;
}

int SXR_GETPRIVATEPROFILEINT(const kv_u8* section, const kv_u8* key, const kv_u8* fallback32,
                             const kv_u8* file, kv_u8* result32) {
  module();
  std::int32_t def = fallback32 ? get_s32(fallback32) : 0;
  std::int32_t result = def;
  std::string name = file ? kv::os::settings_file(file) : std::string();
  std::string sec = section ? kv::os::profile_text(section) : std::string();
  std::string k = key ? kv::os::profile_text(key) : std::string();
  if (section && key && file) {
    std::optional<std::string> v = kv::profile::get(name, sec, k);
    if (v && !v->empty()) result = kv::os::parse_int(*v);
  }
  if (tracing())
    kv::trace(module(), "GetPrivateProfileInt", "",
              name + " [" + sec + "] " + k + " = " + kv::num(result));
  store(result32, result);
  return 0;
}

int SKR_COPYFILE(const kv_u8* existing, const kv_u8* target, const kv_u8* fail_if_exists32,
                 kv_u8* result32) {
  return SXR_COPYFILE(existing, target, fail_if_exists32, result32);
}
int SKR_DELETEFILE(const kv_u8* name, kv_u8* result32) { return SXR_DELETEFILE(name, result32); }
int SKR_MOVEFILE(const kv_u8* existing, const kv_u8* target, kv_u8* result32) {
  return SXR_MOVEFILE(existing, target, result32);
}
int SKR_GETCOMMANDLINE(kv_u8* line255) { return SXR_GETCOMMANDLINE(line255); }
int SKR_GETWINDOWSDIRECTORY(kv_u8* buffer, const kv_u8* size32, kv_u8* result32) {
  return SXR_GETWINDOWSDIRECTORY(buffer, size32, result32);
}
int SKR_WINEXEC(const kv_u8* command, std::int32_t show, kv_u8* result32) {
  return SXR_WINEXEC(command, show, result32);
}
int SKR_WRITEPRIVATEPROFILESECTION(const kv_u8* section, const kv_u8* text, const kv_u8* file,
                                   kv_u8* result32) {
  return SXR_WRITEPRIVATEPROFILESECTION(section, text, file, result32);
}
int SKR_WRITEPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key, const kv_u8* value,
                                  const kv_u8* file, kv_u8* result32) {
  return SXR_WRITEPRIVATEPROFILESTRING(section, key, value, file, result32);
}
int SKR_GETPRIVATEPROFILESTRING(const kv_u8* section, const kv_u8* key, const kv_u8* fallback,
                                kv_u8* value, const kv_u8* size32, const kv_u8* file,
                                kv_u8* result32) {
  return SXR_GETPRIVATEPROFILESTRING(section, key, fallback, value, size32, file, result32);
}
int SKR_GETPRIVATEPROFILEINT(const kv_u8* section, const kv_u8* key, const kv_u8* fallback32,
                             const kv_u8* file, kv_u8* result32) {
  return SXR_GETPRIVATEPROFILEINT(section, key, fallback32, file, result32);
}

}  // extern "C"
