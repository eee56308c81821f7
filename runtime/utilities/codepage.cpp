#include "runtime/utilities/codepage.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace kv {

namespace {

#include "runtime/utilities/codepage_tables.inc"

struct Tables {
  const char32_t* glyphs;
  std::array<std::uint8_t, 256> upper{};
  std::array<std::uint8_t, 256> lower{};
  std::array<std::uint8_t, 256> klass{};  // bit 0 letter, bit 1 alphanumeric
};

CodePage g_cp = [] {
  const char* v = std::getenv("KORVEXAN_CODEPAGE");
  return (v && std::strcmp(v, "850") == 0) ? CodePage::Cp850 : CodePage::Cp437;
}();

locale_t utf8_locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

int reverse_lookup(const char32_t* glyphs, char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  for (int b = 0x80; b < 256; ++b)
    if (glyphs[b] == c) return b;
  for (int b = 1; b < 0x20; ++b)
    if (glyphs[b] == c) return b;
  if (glyphs[0x7F] == c) return 0x7F;
  return -1;
}

Tables build(const char32_t* glyphs) {
  Tables t;
  t.glyphs = glyphs;
  locale_t loc = utf8_locale();
  for (int b = 0; b < 256; ++b) {
    t.upper[b] = t.lower[b] = static_cast<std::uint8_t>(b);
    if (b < 0x20 || b == 0x7F) continue;  // graphic symbols, not letters
    char32_t g = glyphs[b];
    wint_t wc = static_cast<wint_t>(g);
    bool alpha, alnum;
    wint_t up, low;
    if (loc) {
      alpha = iswalpha_l(wc, loc);
      alnum = iswalnum_l(wc, loc);
      up = towupper_l(wc, loc);
      low = towlower_l(wc, loc);
    } else {
      alpha = b < 0x80 && std::isalpha(b);
      alnum = b < 0x80 && std::isalnum(b);
      up = b < 0x80 ? static_cast<wint_t>(std::toupper(b)) : wc;
      low = b < 0x80 ? static_cast<wint_t>(std::tolower(b)) : wc;
    }
    t.klass[b] = static_cast<std::uint8_t>((alpha ? 1 : 0) | (alnum ? 2 : 0));
    int u = reverse_lookup(glyphs, static_cast<char32_t>(up));
    int l = reverse_lookup(glyphs, static_cast<char32_t>(low));
    if (u >= 0x20) t.upper[b] = static_cast<std::uint8_t>(u);
    if (l >= 0x20) t.lower[b] = static_cast<std::uint8_t>(l);
  }
  return t;
}

const Tables& tables() {
  static const Tables t437 = build(kCp437);
  static const Tables t850 = build(kCp850);
  return g_cp == CodePage::Cp850 ? t850 : t437;
}

}  // namespace

CodePage code_page() { return g_cp; }
void set_code_page(CodePage cp) { g_cp = cp; }

char32_t glyph(std::uint8_t byte) { return tables().glyphs[byte]; }

int byte_for(char32_t c) { return reverse_lookup(tables().glyphs, c); }

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) append_utf8(out, glyph(static_cast<std::uint8_t>(ch)));
  return out;
}

char32_t next_utf8(std::string_view s, std::size_t& pos) {
  unsigned char c = static_cast<unsigned char>(s[pos]);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra < 0) {
    ++pos;
    return 0xFFFD;
  }
  char32_t v = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
  for (int k = 1; k <= extra; ++k) {
    std::size_t i = pos + static_cast<std::size_t>(k);
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      pos = i;
      return 0xFFFD;
    }
    v = (v << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  }
  pos += static_cast<std::size_t>(extra) + 1;
  return v;
}

std::string from_utf8(std::string_view utf8, char missing) {
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t c = next_utf8(utf8, pos);
    int b = byte_for(c);
    out += b < 0 ? missing : static_cast<char>(b);
  }
  return out;
}

std::uint8_t upper_byte(std::uint8_t b) { return tables().upper[b]; }
std::uint8_t lower_byte(std::uint8_t b) { return tables().lower[b]; }
bool is_letter(std::uint8_t b) { return tables().klass[b] & 1; }
bool is_alnum(std::uint8_t b) { return tables().klass[b] & 2; }

}  // namespace kv
