#include "editor/generator/panel_text.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/codepage.h"

namespace kv::editor::text {

namespace {

using lib::kColumns;

constexpr std::string_view kSymbols =
    ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789#$%&*+=?@!/<>()[]{}";

struct KeyField {
  const char* key;
  std::size_t off, width;
};

const KeyField kHeaderFields[] = {
    {"title", 13, 30},
    {"spec-marker", 43, 1},
    {"field-count", 44, 3},
    {"base-colour", 47, 3},
    {"active-colour", 50, 3},
    {"error-colour", 53, 3},
    {"menu-colour", 56, 3},
    {"home-field", 59, 3},
    {"complete", 62, 1},
    {"window", 63, 1},
    {"reserved", 64, 1},
    {"arrow-exit", 65, 8},
    {"predisplay-exit", 73, 8},
    {"postkey-exit", 81, 8},
    {"menu-left", 89, 40},
    {"menu-right", 129, 40},
    {"transparent", 169, 1},
    {"border-colour", 170, 2},
    {"present-frequency", 172, 4},
    {"present-duration", 176, 4},
    {"error-frequency", 180, 4},
    {"error-duration", 184, 4},
    {"saved", 188, 6},
    {"cursor-type", 194, 1},
    {"copybook-current", 195, 1},
    {"quote", 196, 1},
    {"version", 197, 1},
    {"indicator", 198, 1},
};
const KeyField kFieldFields[] = {
    {"length", 13, 2}, {"colour", 15, 3},   {"type", 20, 1},   {"name", 21, 30},
    {"mask", 51, 3},   {"picture", 59, 18}, {"value", 77, 82},
};
const KeyField kValidationFields[] = {
    {"separator", 14, 1},
    {"range", 15, 1},
    {"values", 16, 70},
};

const char* const kOptionNames[3][8] = {
    // byte 1, bit 7 .. bit 0
    {"Caret Off", "editor bit", "Caret 1/2", "Caret 3/4", "Predisplay", "Post key", "bit 1",
     "Hot Field"},
    {"Validation values", "Hot Modify", "Clear 1st.", "Clear Buff", "No Autoskip", "Beep Full",
     "Return (left/right)", "Must Valid"},
    {"Required", "bit 6", "Return (up/down)", "Blank if 0", "bit 3", "bit 2", "bit 1",
     "Initially Protected"},
};

char hexdig(int v) { return "0123456789ABCDEF"[v & 15]; }
std::string hex2(std::uint8_t b) { return {hexdig(b >> 4), hexdig(b)}; }
std::string hex(const Bytes& b) {
  std::string s;
  for (auto c : b) s += hex2(c);
  return s;
}

// One byte as text: printable ASCII as itself, code-page letters and
// graphics as their Unicode glyph, anything else as \xHH.
void put_byte(std::string& out, std::uint8_t b, bool quoted) {
  if (b == '\\') {
    out += "\\\\";
  } else if (quoted && b == '"') {
    out += "\\\"";
  } else if (b >= 0x20 && b < 0x7F) {
    out += static_cast<char>(b);
  } else if (b >= 0x80 && kv::byte_for(kv::glyph(b)) == b) {
    kv::append_utf8(out, kv::glyph(b));
  } else {
    out += "\\x" + hex2(b);
  }
}

std::string quoted(const std::uint8_t* p, std::size_t n) {
  while (n > 0 && p[n - 1] == ' ') --n;
  std::string s = "\"";
  for (std::size_t i = 0; i < n; ++i) put_byte(s, p[i], true);
  return s + "\"";
}

std::string two(int v) {
  return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

bool digits_at(const Bytes& r, std::size_t off, std::size_t n) {
  for (std::size_t i = off; i < off + n; ++i)
    if (r[i] < '0' || r[i] > '9') return false;
  return true;
}
int number_at(const Bytes& r, std::size_t off, std::size_t n) {
  int v = 0;
  for (std::size_t i = off; i < off + n; ++i) v = v * 10 + (r[i] - '0');
  return v;
}

bool is_header(const Bytes& r) {
  return r.size() == lib::kHeaderLength && r[8] == ' ' && r[9] == ' ' && r[10] == ' ' &&
         r[11] == ' ' && r[12] == ' ';
}
bool is_image(const Bytes& r) {
  if (r.size() != lib::kImageLineLength || r[8] != '$' || (r[9] != 'C' && r[9] != 'T') ||
      r[12] != ' ' || !digits_at(r, 10, 2))
    return false;
  int row = number_at(r, 10, 2);
  return row >= 1 && row <= 99;
}
bool is_field(const Bytes& r) {
  return r.size() == lib::kFieldLength && r[8] == '&' && digits_at(r, 9, 4);
}
bool is_validation(const Bytes& r) {
  return r.size() == lib::kValidationLength && r[8] == 'V' && digits_at(r, 9, 4) && r[13] == ' ';
}

std::string name_of(const Bytes& r) {
  std::string n(8, ' ');
  for (std::size_t i = 0; i < 8 && i < r.size(); ++i) n[i] = static_cast<char>(r[i]);
  return n;
}

void emit_panel(std::string& out, const std::vector<Bytes>& recs) {
  const Bytes& h = recs.front();
  out += "\npanel " + quoted(h.data(), 8) + "\nheader\n";
  for (const KeyField& k : kHeaderFields) {
    std::string key = k.key;
    key.resize(19, ' ');
    out += "  " + key + quoted(h.data() + k.off, k.width) + "\n";
  }
  out += "  flags              " + hex2(h[199]) + "\n";

  std::vector<const Bytes*> colours, texts, others;
  for (std::size_t i = 1; i < recs.size(); ++i) {
    const Bytes& r = recs[i];
    if (is_image(r)) (r[9] == 'C' ? colours : texts).push_back(&r);
  }
  // Colour rows as a map: one symbol per attribute, the panel's static
  // colour first, then the others as they first appear.
  if (!colours.empty()) {
    std::vector<std::uint8_t> order;
    auto base =
        lib::attribute_of_triple(std::string(reinterpret_cast<const char*>(h.data() + 47), 3));
    std::set<std::uint8_t> seen;
    for (const Bytes* r : colours)
      for (int c = 0; c < kColumns; ++c) seen.insert((*r)[13 + static_cast<std::size_t>(c)]);
    if (base && seen.count(*base)) order.push_back(*base);
    for (const Bytes* r : colours)
      for (int c = 0; c < kColumns; ++c) {
        std::uint8_t a = (*r)[13 + static_cast<std::size_t>(c)];
        if (std::find(order.begin(), order.end(), a) == order.end()) order.push_back(a);
      }
    bool as_map = order.size() <= kSymbols.size();
    out += "colours\n";
    if (as_map) {
      for (std::size_t i = 0; i < order.size(); ++i) {
        std::uint8_t a = order[i];
        out += "  legend " + std::string(1, kSymbols[i]) + " " + hex2(a) + "\n";
      }
    }
    for (const Bytes* r : colours) {
      out += "  " + std::string(r->begin() + 10, r->begin() + 12);
      if (as_map) {
        out += " |";
        for (int c = 0; c < kColumns; ++c) {
          std::uint8_t a = (*r)[13 + static_cast<std::size_t>(c)];
          out += kSymbols[static_cast<std::size_t>(std::find(order.begin(), order.end(), a) -
                                                   order.begin())];
        }
        out += "|\n";
      } else {
        out += " hex " + hex(Bytes(r->begin() + 13, r->end())) + "\n";
      }
    }
  }
  if (!texts.empty()) {
    out += "text\n";
    for (const Bytes* r : texts) {
      out += "  " + std::string(r->begin() + 10, r->begin() + 12);
      if (std::all_of(r->begin() + 13, r->end(), [](std::uint8_t b) { return b == 0; })) {
        out += " nul\n";
        continue;
      }
      out += " |";
      for (int c = 0; c < kColumns; ++c)
        put_byte(out, (*r)[13 + static_cast<std::size_t>(c)], false);
      out += "|\n";
    }
  }
  for (std::size_t i = 1; i < recs.size(); ++i) {
    const Bytes& r = recs[i];
    if (is_image(r)) continue;
    if (is_field(r)) {
      out += "field " + std::string(r.begin() + 9, r.begin() + 11) + " " +
             std::string(r.begin() + 11, r.begin() + 13) + "\n";
      std::string names;
      const std::uint8_t opts[3] = {r[18], r[19], r[58]};
      for (int b = 0; b < 3; ++b)
        for (int bit = 7; bit >= 0; --bit)
          if (opts[b] & (1 << bit))
            names += (names.empty() ? "" : ", ") + std::string(kOptionNames[b][7 - bit]);
      for (const KeyField& k : kFieldFields) {
        std::string key = k.key;
        key.resize(9, ' ');
        out += "  " + key + quoted(r.data() + k.off, k.width) + "\n";
      }
      if (!names.empty()) out += "  # " + names + "\n";
      out += "  options  " + hex2(r[18]) + " " + hex2(r[19]) + " " + hex2(r[58]) + "\n";
      out += "  tab      " + std::to_string(kv::get_u16(r.data() + 54)) + "\n";
      out += "  sort     " + std::to_string(kv::get_u16(r.data() + 56)) + "\n";
    } else if (is_validation(r)) {
      out += "validation " + std::string(r.begin() + 9, r.begin() + 11) + " " +
             std::string(r.begin() + 11, r.begin() + 13) + "\n";
      for (const KeyField& k : kValidationFields) {
        std::string key = k.key;
        key.resize(10, ' ');
        out += "  " + key + quoted(r.data() + k.off, k.width) + "\n";
      }
    } else {
      out += "record " + hex(r) + "\n";
    }
  }
  out += "end\n";
}

std::string format_records(const std::vector<Bytes>& records) {
  std::string out =
      "# Panel library text (dsgn32 --export); edit with care, import with dsgn32 --import.\n";
  out += std::string("codepage ") + (kv::code_page() == kv::CodePage::Cp850 ? "850" : "437") + "\n";
  std::size_t i = 0;
  while (i < records.size()) {
    const Bytes& r = records[i];
    if (!is_header(r)) {
      out += "record " + hex(r) + "\n";
      ++i;
      continue;
    }
    std::string name = name_of(r);
    std::vector<Bytes> block{r};
    ++i;
    while (i < records.size() && name_of(records[i]) == name && records[i].size() >= 9 &&
           !is_header(records[i]))
      block.push_back(records[i++]);
    emit_panel(out, block);
  }
  return out;
}

}  // namespace

std::string records_to_text(const std::vector<Bytes>& records) { return format_records(records); }

FileStatus export_library(RecordFile& library, const std::vector<std::string>& names,
                          std::string& out, std::vector<std::string>* missing) {
  std::vector<Bytes> records;
  Bytes rec;
  if (names.empty()) {
    Bytes zero(1, 0x00);
    FileStatus s = library.start(zero);
    if (s == FileStatus("23")) {
      out = format_records(records);
      return "00";
    }
    if (!s.ok()) return s;
    for (;;) {
      s = library.read_next(rec);
      if (s == FileStatus("10")) break;
      if (!s.ok()) return s;
      records.push_back(rec);
    }
  } else {
    for (const std::string& n : names) {
      std::string padded = lib::padded_name(n);
      auto key = lib::header_key(padded);
      FileStatus s = library.read(key, rec);
      if (s == FileStatus("23")) {
        if (missing) missing->push_back(n);
        continue;
      }
      if (!s.ok()) return s;
      records.push_back(rec);
      for (;;) {
        s = library.read_next(rec);
        if (s == FileStatus("10")) break;
        if (!s.ok()) return s;
        if (name_of(rec) != padded) break;
        records.push_back(rec);
      }
    }
  }
  out = format_records(records);
  return "00";
}

// ------------------------------------------------------------------ parsing

namespace {

class Parser {
 public:
  Parser(std::string_view text, ParsedLibrary& out) : text_(text), out_(out) {}

  std::optional<ParseError> run() {
    std::size_t pos = 0;
    while (pos <= text_.size() && !error_) {
      std::size_t eol = text_.find('\n', pos);
      if (eol == std::string_view::npos) eol = text_.size();
      std::string_view line = text_.substr(pos, eol - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++line_no_;
      handle(line);
      if (eol == text_.size()) break;
      pos = eol + 1;
    }
    if (!error_ && in_panel_)
      fail("panel " + std::string(kv::trim_right(panel_.name)) + " has no \"end\"");
    if (!error_) {
      std::set<Bytes> keys;
      auto check = [&](const Bytes& r) {
        Bytes k(r.begin(), r.begin() + static_cast<long>(std::min<std::size_t>(13, r.size())));
        if (!keys.insert(k).second) return false;
        return true;
      };
      for (auto& p : out_.panels)
        for (auto& r : p.records)
          if (!check(r))
            return ParseError{
                0, "two records have the key \"" + std::string(r.begin(), r.begin() + 13) + "\""};
      for (auto& r : out_.loose)
        if (!check(r))
          return ParseError{
              0, "two records have the key \"" + std::string(r.begin(), r.begin() + 13) + "\""};
    }
    return error_;
  }

 private:
  enum class Section { None, Header, Colours, Text, Field, Validation };

  void fail(std::string msg) {
    if (!error_) error_ = ParseError{line_no_, std::move(msg)};
  }

  static std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }
  static std::string_view word(std::string_view& s) {
    s = trim(s);
    std::size_t e = 0;
    while (e < s.size() && s[e] != ' ' && s[e] != '\t') ++e;
    std::string_view w = s.substr(0, e);
    s = trim(s.substr(e));
    return w;
  }

  // Decodes one character of text at `pos` into a byte.
  bool decode_char(std::string_view s, std::size_t& pos, std::uint8_t& b) {
    unsigned char c = static_cast<unsigned char>(s[pos]);
    if (c == '\\') {
      if (pos + 1 >= s.size()) return fail("a \\ at the end of the line"), false;
      char e = s[pos + 1];
      if (e == '\\' || e == '"') {
        b = static_cast<std::uint8_t>(e);
        pos += 2;
        return true;
      }
      if (e == 'x' && pos + 3 < s.size() + 0 &&
          std::isxdigit(static_cast<unsigned char>(s[pos + 2])) &&
          std::isxdigit(static_cast<unsigned char>(s[pos + 3]))) {
        b = static_cast<std::uint8_t>(std::stoi(std::string(s.substr(pos + 2, 2)), nullptr, 16));
        pos += 4;
        return true;
      }
      return fail("unknown escape \\" + std::string(1, e) + " (use \\\\, \\\" or \\xHH)"), false;
    }
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F)
        return fail("a control character in the text (write it as \\xHH)"), false;
      b = c;
      ++pos;
      return true;
    }
    char32_t u = kv::next_utf8(s, pos);
    int v = kv::byte_for(u);
    if (u == 0xFFFD || v < 0) return fail("a character that the code page does not have"), false;
    b = static_cast<std::uint8_t>(v);
    return true;
  }

  // A quoted value of at most `width` bytes, padded with spaces.
  bool quoted_value(std::string_view s, std::size_t width, std::uint8_t* dst) {
    s = trim(s);
    if (s.size() < 2 || s.front() != '"' || s.back() != '"')
      return fail("a value in double quotes was expected"), false;
    std::size_t pos = 1, end = s.size() - 1, n = 0;
    std::memset(dst, ' ', width);
    while (pos < end) {
      if (s[pos] == '"') return fail("a \" inside a value must be written \\\""), false;
      std::uint8_t b;
      if (!decode_char(s.substr(0, end), pos, b)) return false;
      if (n >= width)
        return fail("the value is longer than " + std::to_string(width) + " characters"), false;
      dst[n++] = b;
    }
    return true;
  }

  bool hex_bytes(std::string_view s, Bytes& out) {
    s = trim(s);
    if (s.size() % 2 != 0) return fail("an odd number of hexadecimal digits"), false;
    out.clear();
    for (std::size_t i = 0; i < s.size(); i += 2) {
      if (!std::isxdigit(static_cast<unsigned char>(s[i])) ||
          !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
        return fail("hexadecimal digits were expected"), false;
      out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(s.substr(i, 2)), nullptr, 16)));
    }
    return true;
  }

  std::optional<int> row_number(std::string_view w) {
    if (w.size() != 2 || !std::isdigit(static_cast<unsigned char>(w[0])) ||
        !std::isdigit(static_cast<unsigned char>(w[1])))
      return std::nullopt;
    return (w[0] - '0') * 10 + (w[1] - '0');
  }

  // "|" 80 cells "|": the cells decoded by `cell`.
  template <class F>
  bool row_cells(std::string_view s, F cell, std::uint8_t* dst) {
    s = trim(s);
    if (s.size() < 2 || s.front() != '|' || s.back() != '|')
      return fail("a row between | and | was expected"), false;
    std::string_view inner = s.substr(1, s.size() - 2);
    std::size_t pos = 0;
    for (int c = 0; c < kColumns; ++c) {
      if (pos >= inner.size())
        return fail("the row has " + std::to_string(c) + " cells, not 80"), false;
      if (!cell(inner, pos, dst[c])) return false;
    }
    if (pos != inner.size()) return fail("the row has more than 80 cells"), false;
    return true;
  }

  void finish_block() {
    if (section_ == Section::Header || section_ == Section::Field ||
        section_ == Section::Validation) {
      const KeyField* fields;
      std::size_t count;
      std::vector<std::string> extra;
      if (section_ == Section::Header) {
        fields = kHeaderFields, count = std::size(kHeaderFields), extra = {"flags"};
      } else if (section_ == Section::Field) {
        fields = kFieldFields, count = std::size(kFieldFields), extra = {"options", "tab", "sort"};
      } else {
        fields = kValidationFields, count = std::size(kValidationFields);
      }
      for (std::size_t i = 0; i < count; ++i)
        if (!seen_.count(fields[i].key))
          return fail_at(block_line_, std::string("the block lacks \"") + fields[i].key + "\"");
      for (auto& e : extra)
        if (!seen_.count(e)) return fail_at(block_line_, "the block lacks \"" + e + "\"");
      if (section_ == Section::Header) {
        if (have_header_) return fail_at(block_line_, "a second header for the panel");
        have_header_ = true;
      }
      panel_.records.push_back(block_);
    }
    section_ = Section::None;
    seen_.clear();
  }
  void fail_at(int line, std::string msg) {
    if (!error_) error_ = ParseError{line, std::move(msg)};
  }

  void start_block(Section s, std::size_t size, char kind) {
    finish_block();
    section_ = s;
    block_line_ = line_no_;
    block_.assign(size, ' ');
    std::memcpy(block_.data(), panel_.name.data(), 8);
    block_[8] = static_cast<std::uint8_t>(kind);
  }

  void key_line(std::string_view key, std::string_view rest, const KeyField* fields,
                std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
      if (key == fields[i].key) {
        if (!seen_.insert(std::string(key)).second)
          return fail("\"" + std::string(key) + "\" given twice");
        quoted_value(rest, fields[i].width, block_.data() + fields[i].off);
        return;
      }
    if (section_ == Section::Header && key == "flags") {
      Bytes b;
      if (!seen_.insert("flags").second) return fail("\"flags\" given twice");
      if (hex_bytes(rest, b) && b.size() != 1) fail("flags is one byte in hexadecimal");
      if (!error_) block_[199] = b[0];
      return;
    }
    if (section_ == Section::Field && key == "options") {
      if (!seen_.insert("options").second) return fail("\"options\" given twice");
      std::uint8_t o[3];
      for (int i = 0; i < 3; ++i) {
        std::string_view w = word(rest);
        Bytes b;
        if (!hex_bytes(w, b) || b.size() != 1)
          return fail("options are three bytes in hexadecimal");
        o[i] = b[0];
      }
      if (!rest.empty()) return fail("options are three bytes in hexadecimal");
      block_[18] = o[0], block_[19] = o[1], block_[58] = o[2];
      return;
    }
    if (section_ == Section::Field && (key == "tab" || key == "sort")) {
      if (!seen_.insert(std::string(key)).second)
        return fail("\"" + std::string(key) + "\" given twice");
      std::string_view w = trim(rest);
      if (w.empty() || w.size() > 5 ||
          !std::all_of(w.begin(), w.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          std::stoi(std::string(w)) > 65535)
        return fail(std::string(key) + " is a number from 0 to 65535");
      kv::put_u16(block_.data() + (key == "tab" ? 54 : 56),
                  static_cast<std::uint16_t>(std::stoi(std::string(w))));
      return;
    }
    fail("unknown key \"" + std::string(key) + "\"");
  }

  void image_row(std::string_view w, std::string_view rest, char kind) {
    auto row = row_number(w);
    if (!row || *row < 1) return fail("a row number 01-99 was expected");
    Bytes r(lib::kImageLineLength, ' ');
    std::memcpy(r.data(), panel_.name.data(), 8);
    r[8] = '$';
    r[9] = static_cast<std::uint8_t>(kind);
    r[10] = static_cast<std::uint8_t>(w[0]);
    r[11] = static_cast<std::uint8_t>(w[1]);
    std::uint8_t* cells = r.data() + 13;
    std::string_view t = trim(rest);
    if (kind == 'T') {
      if (t == "nul") {
        std::memset(cells, 0, kColumns);
      } else if (!row_cells(
                     t,
                     [&](std::string_view s, std::size_t& p, std::uint8_t& b) {
                       return decode_char(s, p, b);
                     },
                     cells)) {
        return;
      }
    } else {
      std::string_view tt = t;
      if (word(tt) == "hex") {
        Bytes b;
        if (!hex_bytes(tt, b)) return;
        if (b.size() != static_cast<std::size_t>(kColumns))
          return fail("a colour row holds 80 bytes");
        std::memcpy(cells, b.data(), b.size());
      } else if (!row_cells(
                     t,
                     [&](std::string_view s, std::size_t& p, std::uint8_t& b) {
                       auto it = legend_.find(s[p]);
                       if (it == legend_.end())
                         return fail(std::string("symbol ") + s[p] + " is not in the legend"),
                                false;
                       b = it->second;
                       ++p;
                       return true;
                     },
                     cells)) {
        return;
      }
    }
    panel_.records.push_back(std::move(r));
  }

  void handle(std::string_view raw) {
    std::string_view line = trim(raw);
    if (line.empty() || line.front() == '#') return;
    std::string_view rest = line;
    std::string_view w = word(rest);
    if (!in_panel_) {
      if (w == "codepage") {
        if (rest == "437")
          kv::set_code_page(kv::CodePage::Cp437);
        else if (rest == "850")
          kv::set_code_page(kv::CodePage::Cp850);
        else
          fail("code page 437 or 850 was expected");
      } else if (w == "record") {
        Bytes b;
        if (!hex_bytes(rest, b)) return;
        if (b.size() < 13 || b.size() > lib::kMaxRecord)
          return fail("a record holds 13 to 200 bytes");
        out_.loose.push_back(std::move(b));
      } else if (w == "panel") {
        std::uint8_t name[8];
        if (!quoted_value(rest, 8, name)) return;
        in_panel_ = true;
        have_header_ = false;
        panel_ = ParsedPanel{};
        panel_.name.assign(reinterpret_cast<char*>(name), 8);
        legend_.clear();
        section_ = Section::None;
      } else {
        fail("\"panel\", \"record\" or \"codepage\" was expected, not \"" + std::string(w) + "\"");
      }
      return;
    }
    if (w == "end") {
      finish_block();
      if (error_) return;
      if (!have_header_)
        return fail("panel " + std::string(kv::trim_right(panel_.name)) + " has no header");
      std::sort(panel_.records.begin(), panel_.records.end(), [](const Bytes& a, const Bytes& b) {
        return std::lexicographical_compare(a.begin(), a.begin() + 13, b.begin(), b.begin() + 13);
      });
      out_.panels.push_back(std::move(panel_));
      in_panel_ = false;
      return;
    }
    if (w == "header") return start_block(Section::Header, lib::kHeaderLength, ' ');
    if (w == "colours") return finish_block(), void(section_ = Section::Colours);
    if (w == "text") return finish_block(), void(section_ = Section::Text);
    if (w == "field" || w == "validation") {
      std::string_view r = rest;
      auto row = row_number(word(r));
      auto col = row_number(word(r));
      if (!row || !col || !r.empty())
        return fail(std::string(w) + " needs a row and a column of two digits");
      if (w == "field")
        start_block(Section::Field, lib::kFieldLength, '&');
      else
        start_block(Section::Validation, lib::kValidationLength, 'V');
      std::string pos = two(*row) + two(*col);
      std::memcpy(block_.data() + 9, pos.data(), 4);
      if (w == "field") {
        block_[18] = block_[19] = block_[58] = 0;
        kv::put_u16(block_.data() + 54, 0);
        kv::put_u16(block_.data() + 56, 0);
      }
      return;
    }
    if (w == "record") {
      finish_block();
      Bytes b;
      if (!hex_bytes(rest, b)) return;
      if (b.size() < 13 || b.size() > lib::kMaxRecord)
        return fail("a record holds 13 to 200 bytes");
      panel_.records.push_back(std::move(b));
      return;
    }
    switch (section_) {
      case Section::Header:
        return key_line(w, rest, kHeaderFields, std::size(kHeaderFields));
      case Section::Field:
        return key_line(w, rest, kFieldFields, std::size(kFieldFields));
      case Section::Validation:
        return key_line(w, rest, kValidationFields, std::size(kValidationFields));
      case Section::Colours:
        if (w == "legend") {
          std::string_view sym = word(rest);
          Bytes b;
          if (sym.size() != 1 || sym == "|") return fail("a legend symbol is one character");
          if (!hex_bytes(rest, b) || b.size() != 1)
            return fail("a legend gives one attribute byte in hexadecimal");
          legend_[sym[0]] = b[0];
          return;
        }
        return image_row(w, rest, 'C');
      case Section::Text:
        return image_row(w, rest, 'T');
      case Section::None:
        return fail("\"" + std::string(w) + "\" outside a block");
    }
  }

  std::string_view text_;
  ParsedLibrary& out_;
  int line_no_ = 0;
  std::optional<ParseError> error_;
  bool in_panel_ = false;
  bool have_header_ = false;
  ParsedPanel panel_;
  Section section_ = Section::None;
  int block_line_ = 0;
  Bytes block_;
  std::set<std::string> seen_;
  std::map<char, std::uint8_t> legend_;
};

}  // namespace

std::optional<ParseError> parse_text(std::string_view text, ParsedLibrary& out) {
  ParsedLibrary parsed;
  kv::CodePage saved = kv::code_page();
  auto err = Parser(text, parsed).run();
  kv::set_code_page(saved);
  if (err) return err;
  out = std::move(parsed);
  return std::nullopt;
}

FileStatus import_parsed(RecordFile& library, const ParsedLibrary& parsed, std::string* detail) {
  FileStatus s = library.begin();
  if (!s.ok()) return s;
  auto abort = [&](FileStatus st, std::string what) {
    library.rollback();
    if (detail) *detail = std::move(what);
    return st;
  };
  for (const ParsedPanel& p : parsed.panels) {
    s = lib::delete_panel(library, p.name);
    if (!s.ok()) return abort(s, "deleting panel " + std::string(kv::trim_right(p.name)));
    for (const Bytes& r : p.records) {
      s = library.write(r);
      if (!s.ok()) return abort(s, "writing panel " + std::string(kv::trim_right(p.name)));
    }
  }
  for (const Bytes& r : parsed.loose) {
    Bytes old;
    s = library.read(std::span<const std::uint8_t>(r.data(), 13), old);
    s = s.ok() ? library.rewrite(r) : library.write(r);
    if (!s.ok()) return abort(s, "writing record " + std::string(r.begin(), r.begin() + 13));
  }
  s = library.commit();
  if (!s.ok()) return abort(s, "committing the import");
  return "00";
}

std::vector<lib::PanelRecords> panel_records(const ParsedLibrary& parsed) {
  std::vector<lib::PanelRecords> out;
  for (const ParsedPanel& p : parsed.panels) {
    lib::PanelRecords r;
    for (const Bytes& rec : p.records) {
      switch (lib::record_kind(rec)) {
        case lib::kHeaderKind:
          r.header = rec;
          break;
        case lib::kImageKind:
          r.images.push_back(rec);
          break;
        case lib::kFieldKind:
          r.fields.push_back(rec);
          break;
        case lib::kValidationKind:
          r.validations.push_back(rec);
          break;
        default:
          break;
      }
    }
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace kv::editor::text
