#include "editor/generator/cobol_values.h"

#include <cctype>

namespace kv::editor::gen {

namespace {

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

bool is_quote(char c) { return c == '\'' || c == '"'; }

// Walks a picture: calls f(symbol, count) for every symbol with its repeat.
template <class F>
bool walk_picture(std::string_view pic, F f) {
  pic = trim_right(pic);
  if (pic.empty()) return false;
  std::size_t i = 0;
  while (i < pic.size()) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(pic[i])));
    if (c == '(' || c == ')' || c == ' ') return false;
    ++i;
    long count = 1;
    if (i < pic.size() && pic[i] == '(') {
      std::size_t close = pic.find(')', i);
      if (close == std::string_view::npos || close == i + 1) return false;
      count = 0;
      for (std::size_t k = i + 1; k < close; ++k) {
        if (!std::isdigit(static_cast<unsigned char>(pic[k]))) return false;
        count = count * 10 + (pic[k] - '0');
        if (count > 100000) return false;
      }
      if (count == 0) return false;
      i = close + 1;
    }
    if (!f(c, static_cast<int>(count))) return false;
  }
  return true;
}

}  // namespace

std::optional<int> picture_size(std::string_view picture) {
  static const std::string_view kSymbols = "9AXZ*B0/,.+-CRDB$ESVP";
  int size = 0;
  bool ok = walk_picture(picture, [&](char c, int n) {
    if (kSymbols.find(c) == std::string_view::npos) return false;
    if (c != 'S' && c != 'V' && c != 'P') size += n;
    return true;
  });
  if (!ok || size == 0) return std::nullopt;
  return size;
}

std::optional<NumericPicture> numeric_picture(std::string_view picture) {
  NumericPicture np;
  bool after_v = false;
  bool ok = walk_picture(picture, [&](char c, int n) {
    switch (c) {
      case '9':
        (after_v ? np.decimal_digits : np.integer_digits) += n;
        return true;
      case 'S':
        np.is_signed = true;
        return true;
      case 'V':
        after_v = true;
        return true;
      case 'P':
        return true;
      default:
        return false;
    }
  });
  if (!ok || np.integer_digits + np.decimal_digits == 0) return std::nullopt;
  return np;
}

ValueForm value_form(std::string_view value, char quote) {
  std::string_view v = trim_right(value);
  if (v.empty()) return ValueForm::None;
  if (v.size() > 4 && upper(v.substr(0, 4)) == "ALL " && is_quote(v[4])) return ValueForm::All;
  if (v[0] != quote) return ValueForm::Plain;
  return v.size() <= 41 ? ValueForm::Quoted : ValueForm::LongQuoted;
}

std::string quoted_content(std::string_view value, char quote) {
  std::string_view v = trim_right(value);
  if (v.empty()) return {};
  char q = is_quote(v[0]) ? v[0] : quote;
  if (v[0] == q) v.remove_prefix(1);
  if (!v.empty() && v.back() == q) v.remove_suffix(1);
  return std::string(v);
}

namespace {

std::vector<std::uint8_t> numeric_bytes(std::string_view lit, const NumericPicture& np, int size) {
  bool negative = false;
  if (!lit.empty() && (lit[0] == '+' || lit[0] == '-')) {
    negative = lit[0] == '-';
    lit.remove_prefix(1);
  }
  std::size_t dot = lit.find_first_of(".,");
  std::string_view ip = lit.substr(0, dot);
  std::string_view fp = dot == std::string_view::npos ? std::string_view{} : lit.substr(dot + 1);
  std::string digits;
  for (int i = 0; i < np.integer_digits; ++i) {
    int from_right = np.integer_digits - i;
    digits += from_right <= static_cast<int>(ip.size()) ? ip[ip.size() - from_right] : '0';
  }
  for (int i = 0; i < np.decimal_digits; ++i)
    digits += i < static_cast<int>(fp.size()) ? fp[i] : '0';
  std::vector<std::uint8_t> out(digits.begin(), digits.end());
  out.resize(static_cast<std::size_t>(size), '0');
  if (negative && np.is_signed && !out.empty()) out[digits.size() - 1] += 0x40;
  return out;
}

bool is_number(std::string_view s) {
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
  bool digit = false, dot = false;
  for (char c : s) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digit = true;
    } else if ((c == '.' || c == ',') && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace

std::vector<std::uint8_t> value_bytes(std::string_view value, std::string_view picture, int size,
                                      char quote) {
  if (size < 0) size = 0;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size), ' ');
  auto np = numeric_picture(picture);
  auto fill_text = [&](std::string_view text) {
    for (std::size_t i = 0; i < out.size() && i < text.size(); ++i)
      out[i] = static_cast<std::uint8_t>(text[i]);
  };
  std::string_view v = trim_right(value);
  switch (value_form(value, quote)) {
    case ValueForm::None:
      if (np) std::fill(out.begin(), out.end(), '0');
      return out;
    case ValueForm::All: {
      std::string text = quoted_content(v.substr(4), v[4]);
      if (text.empty()) text.push_back(' ');
      for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(text[i % text.size()]);
      return out;
    }
    case ValueForm::Quoted:
    case ValueForm::LongQuoted:
      fill_text(quoted_content(v, quote));
      return out;
    case ValueForm::Plain:
      break;
  }
  if (is_quote(v[0])) {
    fill_text(quoted_content(v, v[0]));
    return out;
  }
  std::string u = upper(v);
  std::uint8_t fig = 0;
  bool figurative = true;
  if (u == "SPACE" || u == "SPACES") {
    fig = ' ';
  } else if (u == "ZERO" || u == "ZEROS" || u == "ZEROES") {
    fig = '0';
  } else if (u == "LOW-VALUE" || u == "LOW-VALUES") {
    fig = 0x00;
  } else if (u == "HIGH-VALUE" || u == "HIGH-VALUES") {
    fig = 0xFF;
  } else if (u == "QUOTE" || u == "QUOTES") {
    fig = static_cast<std::uint8_t>(quote);
  } else {
    figurative = false;
  }
  if (figurative) {
    std::fill(out.begin(), out.end(), fig);
    return out;
  }
  if (np && is_number(v)) return numeric_bytes(v, *np, size);
  fill_text(v);
  return out;
}

std::string cobol_literal(std::string_view text, char quote) {
  char q = quote;
  if (text.find(q) != std::string_view::npos) {
    char other = q == '\'' ? '"' : '\'';
    if (text.find(other) == std::string_view::npos) q = other;
  }
  std::string out(1, q);
  for (char c : text) {
    out += c;
    if (c == q) out += c;
  }
  out += q;
  return out;
}

}  // namespace kv::editor::gen
