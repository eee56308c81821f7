#include "runtime/utilities/profile.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::vector<Line> read_lines(const std::string& file, bool* exists = nullptr) {
  std::vector<Line> lines;
  std::ifstream in(file, std::ios::binary);
  if (exists) *exists = static_cast<bool>(in);
  std::string s;
  while (std::getline(in, s)) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    lines.push_back({s});
  }
  return lines;
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

// [begin, end) of a section's body lines; begin is the header line index.
struct Span {
  std::size_t header, end;
};
std::optional<Span> find_section(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto s = section_of(lines[i].text);
    if (s && iequal(*s, section)) {
      std::size_t j = i + 1;
      while (j < lines.size() && !section_of(lines[j].text)) ++j;
      return Span{i, j};
    }
  }
  return std::nullopt;
}

bool write_lines(const std::string& file, const std::vector<Line>& lines) {
  std::string tmp = file + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const Line& l : lines) out << l.text << "\n";
    out.flush();
    if (!out) {
      std::remove(tmp.c_str());
      return false;
    }
  }
  // Keep the permissions of the file being replaced.
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) ::chmod(tmp.c_str(), st.st_mode & 07777);
  if (std::rename(tmp.c_str(), file.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
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

}  // namespace

std::optional<std::string> get(const std::string& file, std::string_view section,
                               std::string_view key) {
  auto lines = read_lines(file);
  auto span = find_section(lines, section);
  if (!span) return std::nullopt;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    auto e = entry_of(lines[i].text);
    if (e && iequal(e->first, key)) return e->second;
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
  auto lines = read_lines(file);
  auto span = find_section(lines, section);
  if (!span) {
    if (!value) return true;  // nothing to delete
    if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({""});
    lines.push_back({"[" + std::string(section) + "]"});
    lines.push_back({std::string(key) + "=" + std::string(*value)});
    return write_lines(file, lines);
  }
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    auto e = entry_of(lines[i].text);
    if (e && iequal(e->first, key)) {
      if (value) lines[i].text = e->first + "=" + std::string(*value);
      else lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      return write_lines(file, lines);
    }
  }
  if (!value) return true;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertion_point(lines, *span)),
               {std::string(key) + "=" + std::string(*value)});
  return write_lines(file, lines);
}

bool write_strings(const std::string& file, std::string_view section, const Entries& entries) {
  auto lines = read_lines(file);
  for (const auto& [key, value] : entries) {
    auto span = find_section(lines, section);
    if (!span) {
      if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({""});
      lines.push_back({"[" + std::string(section) + "]"});
      lines.push_back({key + "=" + value});
      continue;
    }
    bool done = false;
    for (std::size_t i = span->header + 1; i < span->end && !done; ++i) {
      auto e = entry_of(lines[i].text);
      if (e && iequal(e->first, key)) {
        lines[i].text = e->first + "=" + value;
        done = true;
      }
    }
    if (!done)
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertion_point(lines, *span)),
                   {key + "=" + value});
  }
  return write_lines(file, lines);
}

bool write_section(const std::string& file, std::string_view section, const Entries& entries) {
  auto lines = read_lines(file);
  auto span = find_section(lines, section);
  std::vector<Line> fresh;
  for (const auto& e : entries) fresh.push_back({e.first + "=" + e.second});
  if (!span) {
    if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({""});
    lines.push_back({"[" + std::string(section) + "]"});
    lines.insert(lines.end(), fresh.begin(), fresh.end());
    return write_lines(file, lines);
  }
  // Drop the section's keys, keep its comments, put the new keys where the
  // old ones ended.
  std::vector<Line> out(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(span->header + 1));
  std::vector<Line> trailing_blank;
  for (std::size_t i = span->header + 1; i < span->end; ++i)
    if (!entry_of(lines[i].text)) {
      if (trim(lines[i].text).empty()) trailing_blank.push_back(lines[i]);
      else {
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

bool delete_section(const std::string& file, std::string_view section) {
  auto lines = read_lines(file);
  auto span = find_section(lines, section);
  if (!span) return true;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(span->header),
              lines.begin() + static_cast<std::ptrdiff_t>(span->end));
  return write_lines(file, lines);
}

}  // namespace kv::profile
