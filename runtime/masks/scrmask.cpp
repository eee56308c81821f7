// SCRMASK: conversion of field values to their displayed form and back.
//
// Every loop below is bounded by the 80-byte mask text, the 160-byte
// buffers or the 18-digit work area, whatever the request says: a display
// length outside 0..160 is clamped and a mask text without its X'DD'
// terminator is taken as all 80 bytes.  The hot paths use fixed arrays on
// the stack and allocate nothing unless the trace is on.

#include "runtime/masks/scrmask.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/modules.h"

namespace kv::mask {

namespace {

using u8 = std::uint8_t;

// ---------------------------------------------------------------- state

struct Kept {
  CountryValues values;
  bool fetched = false;
  bool announced = false;  // country and compiler values traced
};

Kept& kept() {
  static Kept k;
  return k;
}

CountryValues from_country(const kv::Country& c) {
  CountryValues v;
  auto byte = [](char ch, u8 fallback) {
    u8 b = static_cast<u8>(ch);
    if (b == 0xA0) return static_cast<u8>(' ');  // no-break space
    return b ? b : fallback;
  };
  v.decimal = byte(c.decimal, '.');
  v.thousands = byte(c.thousands, ',');
  v.currency = byte(c.currency, '$');
  v.date_sep = byte(c.date_sep, '/');
  v.time_sep = byte(c.time_sep, ':');
  v.date_order = (c.date_order >= 0 && c.date_order <= 2) ? c.date_order : 0;
  return v;
}

int module_index() {
  static const int index = kv::modules().register_module("SCRMASK", "1.0.", "001");
  return index;
}

bool tracing(int index) { return index >= 0 && kv::modules().trace(index) == 'L'; }

std::string chr(u8 c) { return std::string(1, static_cast<char>(c)); }

std::string_view as_text(const u8* p, int n) {
  return {reinterpret_cast<const char*>(p), static_cast<std::size_t>(std::max(n, 0))};
}

void announce(int index, const MaskRequest& r, const CountryValues& cv) {
  Kept& k = kept();
  if (k.announced) return;
  k.announced = true;
  if (!tracing(index)) return;
  static const char* const kOrders[] = {"MMDDYY", "DDMMYY", "YYMMDD"};
  kv::trace(index, "Country information", "Decimal  Sep", chr(cv.decimal));
  kv::trace(index, "Country information", "Thousand Sep", chr(cv.thousands));
  // The alternates are the separators a value from the other convention
  // would carry; they are logged for comparison only.
  kv::trace(index, "Country information", "Alt Decimal", chr(cv.thousands));
  kv::trace(index, "Country information", "Alt Thousand", chr(cv.decimal));
  kv::trace(index, "Country information", "Currency Symbol", chr(cv.currency));
  kv::trace(index, "Country information", "Date Sep", chr(cv.date_sep));
  kv::trace(index, "Country information", "Date Format", kOrders[cv.date_order]);
  kv::trace(index, "Country information", "Time Sep", chr(cv.time_sep));
  std::string sp = r.sign_processing == 'E'   ? "ASCII w/EBCDIC"
                   : r.sign_processing == 'p' ? "Micro Focus"
                                              : "Undefined";
  kv::trace(index, "Compiler information", "Compiler", chr(static_cast<u8>(r.compiler)));
  kv::trace(index, "Compiler information", "Negative Bias", kv::num(r.negative_bias));
  kv::trace(index, "Compiler information", "Below negative", kv::num(r.below_negative));
  kv::trace(index, "Compiler information", "Above negative", kv::num(r.above_negative));
  kv::trace(index, "Compiler information", "Positive Bias", kv::num(r.positive_bias));
  kv::trace(index, "Compiler information", "Below positive", kv::num(r.below_positive));
  kv::trace(index, "Compiler information", "Above positive", kv::num(r.above_positive));
  kv::trace(index, "Compiler information", "Sign processing", sp);
}

// ------------------------------------------------------- sign convention

// Pairs of normalised character and overpunch character.
constexpr std::string_view kOverpunch = "0{1A2B3C4D5E6F7G8H9Ip}qJrKsLtMuNvOwPxQyR";

bool is_digit(u8 c) { return c >= '0' && c <= '9'; }

// The last character of a value, normalised to the request's convention.
u8 normalise_last(const MaskRequest& r, u8 c) {
  if (r.compiler == 'R' && r.sign_processing == 'p') {
    if (c >= 'p' && c <= 'y') return static_cast<u8>(0x20 + (c - 'p'));
  } else if (r.compiler == 'M') {
    if (c < 0x6A || c > 0x79) {
      for (std::size_t i = 1; i < kOverpunch.size(); i += 2)
        if (static_cast<u8>(kOverpunch[i]) == c) return static_cast<u8>(kOverpunch[i - 1]);
    }
  }
  return c;
}

// The character that carries digit `d` of a negative value.
u8 negative_char(const MaskRequest& r, int d) {
  u8 c = static_cast<u8>('0' + d - r.negative_bias);
  if (r.compiler == 'R' && r.sign_processing == 'p') {
    if (c >= 0x20 && c <= 0x29) c = static_cast<u8>('p' + (c - 0x20));
  }
  if (r.compiler == 'M' || r.sign_processing == 'E') {
    if (c >= 'p' && c <= 'y')
      c = static_cast<u8>(kOverpunch[static_cast<std::size_t>(2 * (10 + c - 'p') + 1)]);
  }
  return c;
}

// A digit from a character plus a bias: the result is a digit character
// (or, for a bias that yields the number itself, 0-9); anything else
// counts as 0 rather than spreading garbage into the display.
int biased_digit(u8 c, int bias) {
  int v = c + bias;
  if (v >= '0' && v <= '9') return v - '0';
  if (v >= 0 && v <= 9) return v;
  return 0;
}

// ------------------------------------------------------------ mask text

int text_length(const u8* text) {
  for (int i = 0; i < kMaskTextSize; ++i)
    if (text[i] == kMaskEnd) return i;
  return kMaskTextSize;
}

// What the right-hand end of a numeric mask, as much as fits the display,
// holds.
struct InUse {
  int start = 0;              // text index of the leftmost character taken
  int data_length = 0;        // digits of the value
  int decimals = 0;           // decimal places in use
  int point = -1;             // text index of the decimal separator in use, -1 none
  bool own_currency = false;  // the text begins with the currency symbol
};

struct Symbols {
  u8 decimal, thousands, currency;
  bool date = false;  // a date picture: separators are plain insertions
  u8 date_sep = 0;    // the separator of a date picture
  bool digit_pos(u8 c) const { return c == '9' || c == 'Z' || c == currency; }
  bool is_decimal(u8 c) const { return !date && c == decimal; }
  bool is_thousands(u8 c) const { return !date && c == thousands; }
};

bool pair_at(const u8* text, int m) { return m > 0 && text[m] == '&' && text[m - 1] == '&'; }

InUse analyse(const u8* text, int tlen, int display, const Symbols& s) {
  InUse u;
  int m = tlen - 1;
  int taken = 0;
  int digits = 0;
  bool currency = false;
  int rightmost_point = -1;
  while (m >= 0 && taken < display) {
    if (pair_at(text, m)) {
      m -= 2;
    } else {
      u8 c = text[m];
      if (s.digit_pos(c)) {
        ++digits;
        if (c == s.currency) currency = true;
      } else if (s.is_decimal(c) && rightmost_point < 0) {
        rightmost_point = m;
      }
      --m;
    }
    ++taken;
  }
  u.start = m + 1;
  u.own_currency = tlen > 0 && text[0] == s.currency;
  int dl = digits;
  if (u.start < tlen && s.is_thousands(text[u.start])) ++dl;
  if (currency || u.own_currency) --dl;
  u.data_length = std::clamp(dl, 0, kMaxDigits);
  if (rightmost_point >= 0) {
    u.point = rightmost_point;
    for (int i = rightmost_point + 1; i < tlen; ++i)
      if (s.digit_pos(text[i])) ++u.decimals;
  } else if (u.start > 0 && s.is_decimal(text[u.start - 1])) {
    u.point = u.start - 1;
    u.decimals = digits;
  }
  u.decimals = std::min(u.decimals, u.data_length);
  return u;
}

// ------------------------------------------------------------ numeric

enum Kind : u8 { kOther, kNine, kZed, kCurrency, kPoint, kThousands };

struct NumericOut {
  std::int16_t rc = 0;
  int data_length = 0;
};

NumericOut numeric_to_display(MaskRequest& r, const u8* text, int tlen, u8 fill, const Symbols& s,
                              const u8* value, u8* display, int width, int trace_index) {
  NumericOut out;
  InUse u = analyse(text, tlen, width, s);
  out.data_length = u.data_length;
  const int dl = u.data_length;

  // The value's digits, right-aligned in the work area.
  u8 work[kMaxDigits];
  std::memset(work, 0, sizeof work);
  bool negative = false;
  for (int k = 0; k < dl; ++k) {
    u8 c = value[k];
    int d = is_digit(c) ? c - '0' : 0;
    if (k == dl - 1) {
      c = normalise_last(r, c);
      if (c > r.below_negative && c < r.above_negative) {
        negative = true;
        d = biased_digit(c, r.negative_bias);
        if (tracing(trace_index)) kv::trace(trace_index, "Negative digit!", "", chr(c));
      } else if (c > r.below_positive && c < r.above_positive) {
        d = biased_digit(c, r.positive_bias);
        if (tracing(trace_index)) kv::trace(trace_index, " Positive digit!", "", chr(c));
      } else {
        d = is_digit(c) ? c - '0' : 0;
      }
    }
    work[kMaxDigits - dl + k] = static_cast<u8>(d);
  }
  int first_nonzero = kMaxDigits;  // index of the value's leftmost significant digit
  for (int i = 0; i < kMaxDigits; ++i)
    if (work[i]) {
      first_nonzero = i;
      break;
    }
  if (first_nonzero == kMaxDigits) negative = false;  // -0 is shown as 0

  std::memset(display, ' ', static_cast<std::size_t>(width));
  if (r.direction == 'd' && first_nonzero == kMaxDigits) return out;

  u8 kind[kBufferSize];
  std::memset(kind, kOther, sizeof kind);
  int m = tlen - 1;
  int p = width - 1;
  int g = kMaxDigits - 1;  // next digit of the work area; beyond it the value is 0
  bool suppressed = false;
  bool suppressed_at_z = false;
  auto digit_at = [&](int i) { return i >= 0 ? work[i] : 0; };
  auto zeros_from = [&](int i) { return i < first_nonzero; };
  auto left_of_point = [&](int mi) { return u.decimals == 0 || u.point < 0 || mi < u.point; };

  while (m >= 0 && p >= 0) {
    u8 c = text[m];
    if (pair_at(text, m)) {
      display[p] = ' ';
      m -= 2;
      --p;
      continue;
    }
    if (c == '9') {
      display[p] = static_cast<u8>('0' + digit_at(g));
      kind[p] = kNine;
      --g;
    } else if (c == 'Z' || c == s.currency) {
      int d = digit_at(g);
      if (d == 0 && zeros_from(g) && left_of_point(m)) {
        suppressed = true;
        for (int q = 0; q < p; ++q) display[q] = fill;
        if (c == 'Z') {
          suppressed_at_z = true;
          display[p] = fill;
          if (p + 1 < width && kind[p + 1] == kThousands) display[p + 1] = fill;
        } else {
          display[p] = s.currency;
          if (p + 1 < width && kind[p + 1] == kThousands) {
            display[p + 1] = s.currency;
            display[p] = fill;
          }
        }
        break;
      }
      display[p] = static_cast<u8>('0' + d);
      kind[p] = c == 'Z' ? kZed : kCurrency;
      --g;
    } else if (s.is_decimal(c)) {
      display[p] = c;
      kind[p] = kPoint;
    } else if (m >= tlen - 2 && (c == '-' || c == 'C' || c == 'R' || c == '+' || c == 'D' ||
                                 c == 'B' || c == 0xF1)) {
      switch (c) {
        case '-':
          display[p] = negative ? '-' : ' ';
          break;
        case 'C':
        case 'R':
          display[p] = negative ? c : ' ';
          break;
        case '+':
          display[p] = negative ? ' ' : '+';
          break;
        case 'D':
        case 'B':
          display[p] = negative ? ' ' : c;
          break;
        default:
          display[p] = negative ? '-' : '+';
          break;
      }
    } else {
      display[p] = c;
      if (s.is_thousands(c)) kind[p] = kThousands;
    }
    --m;
    --p;
  }

  if (suppressed_at_z && u.own_currency) display[0] = s.currency;
  if (!suppressed) {
    if (p >= 0) {
      out.rc = kRcMaskShort;
    } else if (!zeros_from(g)) {
      out.rc = kRcDigitsLeft;
    } else if (kind[0] == kThousands) {
      // A separator at the left edge with nothing significant before it.
      display[0] = fill;
    }
  }

  // Close up behind the last significant decimal: zeros in "Z" decimal
  // positions and the characters that follow them go.
  if (u.decimals > 0) {
    int q = width - 1;
    while (q >= 0 && kind[q] != kNine && kind[q] != kZed && kind[q] != kCurrency) --q;
    auto remove = [&](int at) {
      std::memmove(display + at, display + at + 1, static_cast<std::size_t>(width - at - 1));
      std::memmove(kind + at, kind + at + 1, static_cast<std::size_t>(width - at - 1));
      display[width - 1] = ' ';
      kind[width - 1] = kOther;
    };
    while (q >= 0) {
      if (kind[q] == kNine || kind[q] == kPoint) break;
      if (kind[q] == kZed || kind[q] == kCurrency) {
        if (display[q] != '0') break;
      }
      remove(q);
      --q;
    }
  }
  return out;
}

NumericOut numeric_to_user(MaskRequest& r, const u8* text, int tlen, const Symbols& s,
                           const CountryValues& cv, const u8* display, int width, u8* value,
                           int trace_index) {
  NumericOut out;
  InUse u = analyse(text, tlen, width, s);
  out.data_length = u.data_length;
  const int dl = u.data_length;
  const bool groups = r.mode == '4' || r.mode == '5';
  auto closes_group = [&](u8 c) {
    return c == '/' || (c == cv.date_sep && !is_digit(c)) || (s.date && c == s.date_sep);
  };

  // Digits as collected, rightmost first; zeros for "/" groups included.
  // Each display character adds at most one digit, and the groups together
  // at most one zero per mask character (every zero moves the walk one
  // place left), so the bound holds whatever the display holds.
  u8 dig[kBufferSize + kMaskTextSize];
  int n = 0;
  int positions = 0;
  int before_point = -1;  // digits collected when the decimal separator was met
  bool negative = false;
  constexpr int kCap = static_cast<int>(sizeof dig);
  for (int i = width - 1; i >= 0; --i) {
    u8 c = display[i];
    if (is_digit(c)) {
      if (n < kCap) dig[n++] = static_cast<u8>(c - '0');
      ++positions;
    } else if (groups && closes_group(c)) {
      if (n <= dl) {
        for (int mi = tlen - 1 - positions; mi >= 0 && !closes_group(text[mi]); --mi) {
          if (n < kCap) dig[n++] = 0;
          ++positions;
        }
      }
      ++positions;
    } else if (c == '-') {
      bool between = i > 0 && i + 1 < width && is_digit(display[i - 1]) && is_digit(display[i + 1]);
      if (!between) negative = true;
    } else if ((c == 'R' || c == 'r') && i > 0 &&
               (display[i - 1] == 'C' || display[i - 1] == 'c')) {
      negative = true;
    } else if (s.is_decimal(c) && before_point < 0) {
      before_point = n;
    }
  }

  // Align the decimals: extra ones are dropped, missing ones are zeros.
  int drop = 0, pad = 0;
  if (before_point >= 0) {
    if (before_point > u.decimals)
      drop = before_point - u.decimals;
    else
      pad = u.decimals - before_point;
  }
  // Digit j of the result, counted from the right.
  auto result = [&](int j) -> int {
    if (j < pad) return 0;
    int k = j - pad + drop;
    return k < n ? dig[k] : 0;
  };
  int total = n - drop + pad;
  for (int j = dl; j < total; ++j) {
    if (result(j) != 0) {
      out.rc = kRcOverflow;
      return out;
    }
  }

  std::int64_t v = 0;
  for (int j = dl - 1; j >= 0; --j) v = v * 10 + result(j);
  if (v == 0) negative = false;
  for (int j = 0; j < dl; ++j) value[dl - 1 - j] = static_cast<u8>('0' + result(j));
  r.numeric_value = negative ? -v : v;
  if (negative && dl > 0) {
    value[dl - 1] = negative_char(r, result(0));
    if (tracing(trace_index)) kv::trace(trace_index, "Setting Sign Bit", "", chr(value[dl - 1]));
  }
  return out;
}

// ------------------------------------------------------------ character

bool is_justify(u8 c) {
  return c == 'L' || c == 'l' || c == 'C' || c == 'c' || c == 'R' || c == 'r';
}

void character_to_display(const u8* text, int tlen, u8 code, const u8* value, u8* display,
                          int width) {
  std::memset(display, ' ', static_cast<std::size_t>(width));
  int vi = 0, vend = width, start = 0;
  if (is_justify(code)) {
    while (vi < vend && (value[vi] == ' ' || value[vi] == 0)) ++vi;
    while (vend > vi && (value[vend - 1] == ' ' || value[vend - 1] == 0)) --vend;
    int blanks = vi + (width - vend);
    if (code == 'C' || code == 'c')
      start = blanks / 2;
    else if (code == 'R' || code == 'r')
      start = blanks;
    vend = width;
  }
  int m = start, p = start;
  while (m < tlen && p < width) {
    if (m + 1 < tlen && text[m] == '&' && text[m + 1] == '&') {
      display[p++] = ' ';
      m += 2;
      continue;
    }
    if (text[m] == ' ') {
      if (vi >= vend) break;
      display[p++] = value[vi++];
    } else {
      display[p++] = text[m];
    }
    ++m;
  }
}

void character_to_user(const u8* text, int tlen, u8 code, const u8* display, int width, u8* value) {
  std::memset(value, ' ', static_cast<std::size_t>(width));
  int from = 0, to = width, vi = 0;
  if (is_justify(code)) {
    while (from < to && (display[from] == ' ' || display[from] == 0)) ++from;
    while (to > from && (display[to - 1] == ' ' || display[to - 1] == 0)) --to;
    int blanks = from + (width - to);
    if (code == 'c')
      vi = blanks / 2;
    else if (code == 'r')
      vi = blanks;
  }
  int m = is_justify(code) ? 0 : from;
  for (int i = from; i < to && vi < width; ++i) {
    u8 c = display[i];
    if (m + 1 < tlen && text[m] == '&' && text[m + 1] == '&') {
      if (c != ' ') value[vi++] = c;
      m += 2;
      continue;
    }
    u8 mc = m < tlen ? text[m] : ' ';
    if (mc != ' ' && (c == mc || c == ' ')) {
      // an insertion, or a blank where one stands: dropped, so that the
      // data positions after it keep their places in the value
    } else if (c != ' ') {
      value[vi++] = c;
    } else {
      ++vi;
    }
    ++m;
  }
}

// ------------------------------------------------------------ hexadecimal

void hex_to_display(const u8* value, u8* display, int width) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::memset(display, ' ', static_cast<std::size_t>(width));
  for (int i = 0; i < width / 2; ++i) {
    display[2 * i] = static_cast<u8>(kHex[value[i] >> 4]);
    display[2 * i + 1] = static_cast<u8>(kHex[value[i] & 0x0F]);
  }
}

int nibble(u8 c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c == ' ' || c == 0) return 0;
  return -1;
}

std::int16_t hex_to_user(const u8* display, int width, u8* value) {
  const int bytes = width / 2;
  u8 out[kBufferSize / 2];
  for (int i = 0; i < bytes; ++i) {
    int hi = nibble(display[2 * i]), lo = nibble(display[2 * i + 1]);
    if (hi < 0 || lo < 0) return kRcOverflow;  // leave the value as it was
    out[i] = static_cast<u8>(hi << 4 | lo);
  }
  std::memcpy(value, out, static_cast<std::size_t>(bytes));
  return kRcOk;
}

}  // namespace

// ------------------------------------------------------------ public API

const CountryValues& country_values() {
  Kept& k = kept();
  if (!k.fetched) {
    k.values = from_country(kv::country_from_locale());
    k.fetched = true;
  }
  return k.values;
}

void pin_country(const kv::Country& c) { pin_country(from_country(c)); }

void pin_country(const CountryValues& values) {
  Kept& k = kept();
  k.values = values;
  k.fetched = true;
  k.announced = false;
}

void reset_country() {
  Kept& k = kept();
  k.fetched = false;
  k.announced = false;
}

void set_sign_convention(MaskRequest& r, const std::uint8_t* stub20) {
  char kind = stub20 ? static_cast<char>(stub20[0]) : 'G';
  r.below_positive = 0;
  r.above_positive = 0;
  r.positive_bias = 0;
  switch (kind) {
    case 'R':
      r.compiler = 'R';
      r.below_negative = 0x1F;
      r.above_negative = 0x2A;
      r.negative_bias = 0x10;
      r.sign_processing = 'p';
      break;
    case 'M':
      r.compiler = 'M';
      r.below_negative = 'p' - 1;
      r.above_negative = 'y' + 1;
      r.negative_bias = '0' - 'p';
      r.sign_processing = 'E';
      break;
    default:
      r.compiler = 'G';
      r.below_negative = 'p' - 1;
      r.above_negative = 'y' + 1;
      r.negative_bias = '0' - 'p';
      r.sign_processing = 'p';
      break;
  }
}

MaskRequest make_request(const std::uint8_t* mask_record82, int display_length, char direction,
                         const std::uint8_t* stub20) {
  MaskRequest r;
  set_sign_convention(r, stub20);
  r.display_length = static_cast<std::int16_t>(std::clamp(display_length, 0, kBufferSize));
  r.direction = direction;
  if (mask_record82) std::memcpy(r.mask_record.data(), mask_record82, kMaskRecordSize);
  return r;
}

void SCRMASK(MaskRequest& r, std::uint8_t* value, std::uint8_t* display, kv::term::ScrCommon*) {
  const int index = module_index();
  const CountryValues& cv = country_values();
  const bool trace_on = tracing(index);
  if (trace_on)
    announce(index, r, cv);
  else
    kept().announced = true;

  r.return_code = kRcOk;
  const int width = std::clamp<int>(r.display_length, 0, kBufferSize);
  const bool to_user = r.direction == 'U';
  const u8 type = r.mask_record[0];
  const u8 fill = r.mask_record[1];
  const u8* text = r.mask_record.data() + 2;
  int tlen = text_length(text);
  r.mask_length = static_cast<std::int16_t>(tlen);

  if (trace_on) {
    std::string action = "Enter (";
    action += r.direction;
    action += ")";
    kv::trace(index, action, "Mask " + chr(type) + chr(fill) + std::string(as_text(text, tlen)),
              to_user ? as_text(display, width) : as_text(value, width));
  }

  Symbols s{cv.decimal, cv.thousands, cv.currency};
  if (r.mode == 'H') {
    r.data_length = static_cast<std::int16_t>(width / 2);
    if (to_user)
      r.return_code = hex_to_user(display, width, value);
    else
      hex_to_display(value, display, width);
  } else if (type == 'N' || type == 'D') {
    u8 picture[10];
    u8 numeric_fill = fill;
    if (type == 'D') {
      // The date picture: the separator from the mask, or the country's.
      u8 sep = (tlen > 0 && text[0] > ' ') ? text[0] : cv.date_sep;
      bool day_or_month_first = cv.date_order == 0 || cv.date_order == 1;
      static constexpr char kShort[] = "99s99s9999";
      static constexpr char kLong[] = "9999s99s99";
      const char* pic = (day_or_month_first && width > 8) ? kShort : kLong;
      for (int i = 0; i < 10; ++i) picture[i] = pic[i] == 's' ? sep : static_cast<u8>(pic[i]);
      text = picture;
      tlen = 10;
      r.mask_length = 12;
      numeric_fill = ' ';
      s.date = true;
      s.date_sep = sep;
    }
    NumericOut o =
        to_user ? numeric_to_user(r, text, tlen, s, cv, display, width, value, index)
                : numeric_to_display(r, text, tlen, numeric_fill, s, value, display, width, index);
    r.data_length = static_cast<std::int16_t>(o.data_length);
    r.return_code = o.rc;
  } else {
    if (to_user)
      character_to_user(text, tlen, fill, display, width, value);
    else
      character_to_display(text, tlen, fill, value, display, width);
  }

  if (trace_on) {
    kv::trace(index, to_user ? "To User" : "To Display", "",
              to_user ? as_text(value, width) : as_text(display, width));
    kv::trace(index, "Returning (" + kv::num(r.return_code) + ")", "");
  }
}

}  // namespace kv::mask
