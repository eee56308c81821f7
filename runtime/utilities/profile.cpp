#include "runtime/utilities/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kv::profile {

namespace {

struct Line {
  std::string text;  // as read, without its line end
};

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

bool iequal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The lines of a settings file; none when it is missing.  `readable` turns
// false when the file is there but cannot be read whole.
std::vector<Line> read_lines(const std::string& file, bool* readable = nullptr) {
  std::vector<Line> lines;
  struct stat st {};
  bool exists = ::stat(file.c_str(), &st) == 0;
  // A directory opens as a stream on Linux but holds no settings.
  if (exists && S_ISDIR(st.st_mode)) return lines;
  std::ifstream in(file, std::ios::binary);
  std::string s;
  while (std::getline(in, s)) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    lines.push_back({s});
  }
  if (readable) *readable = !exists || (in.is_open() && !in.bad());
  return lines;
}

// The lines a write starts from.  A file that is there but cannot be read
// is not written: its rewrite would hold only the new keys, and every other
// setting in it would be lost.
bool lines_to_rewrite(const std::string& file, std::vector<Line>& lines) {
  bool readable = true;
  lines = read_lines(file, &readable);
  return readable;
}

// "[name]" → name; nullopt for other lines.
std::optional<std::string> section_of(const std::string& line) {
  std::string t = trim(line);
  if (t.size() >= 2 && t.front() == '[') {
    auto close = t.find(']');
    if (close != std::string::npos) return trim(std::string_view(t).substr(1, close - 1));
  }
  return std::nullopt;
}

bool is_comment(const std::string& line) {
  std::string t = trim(line);
  return t.empty() || t[0] == ';' || t[0] == '#';
}

// key and value of a "key=value" line.
std::optional<std::pair<std::string, std::string>> entry_of(const std::string& line) {
  if (is_comment(line) || section_of(line)) return std::nullopt;
  auto eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  std::string key = trim(std::string_view(line).substr(0, eq));
  std::string value = trim(std::string_view(line).substr(eq + 1));
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\'')))
    value = value.substr(1, value.size() - 2);
  return std::make_pair(key, value);
}

bool has_line_break(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// Names that would change the file's structure if written as they stand
// are refused rather than written.
bool safe_section(std::string_view section) {
  std::string t = trim(section);
  return !t.empty() && !has_line_break(t) && t.find(']') == std::string::npos;
}
bool safe_key(std::string_view key) {
  std::string t = trim(key);
  return !t.empty() && !has_line_break(t) && t.find('=') == std::string::npos && t[0] != '[' &&
         t[0] != ';' && t[0] != '#';
}
std::string one_line(std::string_view value) {
  auto k = value.find_first_of("\r\n");
  return std::string(k == std::string_view::npos ? value : value.substr(0, k));
}

// [begin, end) of a section's body lines; begin is the header line index.
struct Span {
  std::size_t header, end;
};
std::optional<Span> find_section(const std::vector<Line>& lines, std::string_view section) {
  std::string wanted = trim(section);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto s = section_of(lines[i].text);
    if (s && iequal(*s, wanted)) {
      std::size_t j = i + 1;
      while (j < lines.size() && !section_of(lines[j].text)) ++j;
      return Span{i, j};
    }
  }
  return std::nullopt;
}

// The file that a write really replaces: the target of a symbolic link
// (so that the link survives), else the name itself.
std::string write_target(const std::string& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(file.c_str(), nullptr);
    if (real) {
      std::string r(real);
      std::free(real);
      return r;
    }
  }
  return file;
}

std::string directory_of(const std::string& file) {
  auto slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return file.substr(0, slash);
}

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool write_lines(const std::string& name, const std::vector<Line>& lines) {
  std::string file = write_target(name);
  struct stat st {};
  bool exists = ::stat(file.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return false;
  std::string tmp = file + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  std::string text;
  for (const Line& l : lines) text += l.text + "\n";
  // Keep the permissions of the file being replaced; a new file gets the
  // usual ones (mkstemp makes it private).
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = write_all(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || std::rename(tmp.c_str(), file.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the directory.
  int dir = ::open(directory_of(file).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// Index just after the last non-blank line of a section body, so new keys
// go before the blank lines that separate it from the next section.
std::size_t insertion_point(const std::vector<Line>& lines, const Span& span) {
  std::size_t k = span.end;
  while (k > span.header + 1 && trim(lines[k - 1].text).empty()) --k;
  return k;
}

void append_section(std::vector<Line>& lines, std::string_view section) {
  if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({""});
  lines.push_back({"[" + trim(section) + "]"});
}

// Sets one key in `lines` (no file access).
void set_key(std::vector<Line>& lines, std::string_view section, std::string_view key,
             const std::string& value) {
  std::string k = trim(key);
  auto span = find_section(lines, section);
  if (!span) {
    append_section(lines, section);
    lines.push_back({k + "=" + value});
    return;
  }
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    auto e = entry_of(lines[i].text);
    if (e && iequal(e->first, k)) {
      lines[i].text = e->first + "=" + value;
      return;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertion_point(lines, *span)),
               {k + "=" + value});
}

bool replace_section(const std::string& file, std::string_view section,
                     const std::vector<Line>& fresh) {
  std::vector<Line> lines;
  if (!lines_to_rewrite(file, lines)) return false;
  auto span = find_section(lines, section);
  if (!span) {
    append_section(lines, section);
    lines.insert(lines.end(), fresh.begin(), fresh.end());
    return write_lines(file, lines);
  }
  // Drop the section's keys, keep its comments, put the new keys where the
  // old ones ended.
  std::vector<Line> out(lines.begin(),
                        lines.begin() + static_cast<std::ptrdiff_t>(span->header + 1));
  std::vector<Line> trailing_blank;
  for (std::size_t i = span->header + 1; i < span->end; ++i)
    if (!entry_of(lines[i].text)) {
      if (trim(lines[i].text).empty()) {
        trailing_blank.push_back(lines[i]);
      } else {
        out.insert(out.end(), trailing_blank.begin(), trailing_blank.end());
        trailing_blank.clear();
        out.push_back(lines[i]);
      }
    }
  out.insert(out.end(), fresh.begin(), fresh.end());
  out.insert(out.end(), trailing_blank.begin(), trailing_blank.end());
  out.insert(out.end(), lines.begin() + static_cast<std::ptrdiff_t>(span->end), lines.end());
  return write_lines(file, out);
}

}  // namespace

std::optional<std::string> get(const std::string& file, std::string_view section,
                               std::string_view key) {
  auto lines = read_lines(file);
  auto span = find_section(lines, section);
  if (!span) return std::nullopt;
  std::string k = trim(key);
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    auto e = entry_of(lines[i].text);
    if (e && iequal(e->first, k)) return e->second;
  }
  return std::nullopt;
}

std::string get_string(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view fallback) {
  auto v = get(file, section, key);
  return v ? *v : std::string(fallback);
}

long get_int(const std::string& file, std::string_view section, std::string_view key,
             long fallback) {
  auto v = get(file, section, key);
  if (!v) return fallback;
  const std::string& s = *v;
  std::size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return fallback;
  long value = 0;
  // Digits beyond what a long holds are dropped from the left, so a huge
  // value still reduces sensibly when the caller takes it modulo 10000.
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
    value = (value % 100000000000000L) * 10 + (s[i] - '0');
  return neg ? -value : value;
}

std::vector<std::string> section_names(const std::string& file) {
  std::vector<std::string> names;
  for (const Line& l : read_lines(file))
    if (auto s = section_of(l.text)) names.push_back(*s);
  return names;
}

Entries section_entries(const std::string& file, std::string_view section) {
  Entries out;
  auto lines = read_lines(file);
  auto span = find_section(lines, section);
  if (!span) return out;
  for (std::size_t i = span->header + 1; i < span->end; ++i)
    if (auto e = entry_of(lines[i].text)) out.push_back(*e);
  return out;
}

bool write_string(const std::string& file, std::string_view section, std::string_view key,
                  std::optional<std::string_view> value) {
  if (!safe_section(section) || !safe_key(key)) return false;
  std::vector<Line> lines;
  if (!lines_to_rewrite(file, lines)) return false;
  if (value) {
    set_key(lines, section, key, one_line(*value));
    return write_lines(file, lines);
  }
  auto span = find_section(lines, section);
  if (!span) return true;  // nothing to delete
  std::string k = trim(key);
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    auto e = entry_of(lines[i].text);
    if (e && iequal(e->first, k)) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      return write_lines(file, lines);
    }
  }
  return true;
}

bool write_strings(const std::string& file, std::string_view section, const Entries& entries) {
  if (!safe_section(section)) return false;
  for (const auto& e : entries)
    if (!safe_key(e.first)) return false;
  std::vector<Line> lines;
  if (!lines_to_rewrite(file, lines)) return false;
  for (const auto& [key, value] : entries) set_key(lines, section, key, one_line(value));
  return write_lines(file, lines);
}

bool write_section(const std::string& file, std::string_view section, const Entries& entries) {
  if (!safe_section(section)) return false;
  std::vector<Line> fresh;
  for (const auto& e : entries) {
    if (!safe_key(e.first)) return false;
    fresh.push_back({trim(e.first) + "=" + one_line(e.second)});
  }
  return replace_section(file, section, fresh);
}

bool write_section_lines(const std::string& file, std::string_view section,
                         const std::vector<std::string>& lines) {
  if (!safe_section(section)) return false;
  std::vector<Line> fresh;
  for (const std::string& l : lines) {
    std::string t = one_line(l);
    // A line that would open another section would take the rest of the
    // new body with it.
    if (trim(t).empty() || section_of(t)) continue;
    fresh.push_back({t});
  }
  return replace_section(file, section, fresh);
}

bool delete_section(const std::string& file, std::string_view section) {
  std::vector<Line> lines;
  if (!lines_to_rewrite(file, lines)) return false;
  auto span = find_section(lines, section);
  if (!span) return true;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(span->header),
              lines.begin() + static_cast<std::ptrdiff_t>(span->end));
  return write_lines(file, lines);
}

}  // namespace kv::profile
