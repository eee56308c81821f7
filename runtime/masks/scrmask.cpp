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

// On x86-64 the numeric display of fields up to 32 characters is built
// with SSSE3 byte shuffles when the processor has them; everywhere else
// (and for longer fields) the portable word composition below does it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KV_MASK_SHUFFLE 1
#include <immintrin.h>
#endif

// The fields here are a few dozen bytes: plain loops beat the string
// instructions GCC would otherwise turn them into (their start-up cost is
// most of a conversion).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-loop-distribute-patterns")
#endif

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

bool tracing(int index) {
  static const kv::ModuleTable& table = kv::modules();
  return index >= 0 && table.trace(index) == 'L';
}

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

void fill(u8* p, u8 v, int n) {
  for (int i = 0; i < n; ++i) p[i] = v;
}

bool same_prefix(const u8* a, const u8* b, int n) {
  if (n < 8) {
    for (int i = 0; i < n; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  std::uint64_t diff = 0;
  auto word_diff = [&](int at) {
    std::uint64_t x, y;
    std::memcpy(&x, a + at, 8);
    std::memcpy(&y, b + at, 8);
    return x ^ y;
  };
  for (int i = 0; i + 8 < n; i += 8) diff |= word_diff(i);
  return (diff | word_diff(n - 8)) == 0;
}

int text_length(const u8* text) {
  const void* end = std::memchr(text, kMaskEnd, kMaskTextSize);
  return end ? static_cast<int>(static_cast<const u8*>(end) - text) : kMaskTextSize;
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

// A numeric mask at one display length, worked out once: what each display
// position (from the right) does.  Plans are kept in a small cache keyed
// on everything they depend on (mask text, display length, the country's
// symbols), so a field painted again and again is not analysed again; a
// changed mask record simply misses the cache.
// The display is composed in 64-bit words, eight positions each.
constexpr int kWords = kBufferSize / 8;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kZeros = kOnes * '0';

enum Op : u8 {
  kOpCopy,       // an insertion character, shown as it stands
  kOpThousands,  // the thousands separator (shown as it stands)
  kOpPoint,      // the decimal separator
  kOpNine,
  kOpZed,
  kOpCurrency,
  kOpPair,       // "&&": one space
  kOpMinus,      // "-": "-" when negative
  kOpNegative,   // "C", "R": shown when negative
  kOpPlus,       // "+": "+" when not negative
  kOpPositive,   // "D", "B": shown when not negative
  kOpPlusMinus,  // X'F1': "+" or "-"
};

struct Step {
  u8 op;
  u8 ch;
  bool suppressible;   // a "Z" or currency position left of the decimal separator
  u8 separator_right;  // 1 when the position just right of it is the thousands separator
};

struct Plan {
  // key: the mask text up to its X'DD', display length, fill character, symbols
  bool used = false;
  int width = 0;
  u8 text[kMaskTextSize];
  Symbols symbols{};
  int tlen = 0;  // characters before X'DD'
  // what it gives
  InUse u;
  int steps = 0;               // display positions the mask covers, from the right
  bool mask_short = false;     // the mask text runs out before the display
  bool trailing_walk = false;  // "Z" decimals that may need closing up
  Step step[kBufferSize];

  // The display as template words per sign (insertions, sign symbols,
  // blanks), and the digit positions as pieces: each piece puts a slice
  // of the value's digit string (as characters, "0" to the left of the
  // value) into the bytes `mask` of display word `word`.
  std::uint64_t tmpl[2][kWords];
  struct Piece {
    std::uint64_t mask;
    // The slice is (ext[lo] >> shr) | (ext[hi] << shl), where ext holds a
    // word of "0"s, the three words of the digit string and a zero word.
    u8 word, lo, hi, shr, shl;
  };
  Piece piece[2 * kBufferSize];
  int pieces = 0;
  int end_digit = 0;  // work index (0-17) of the next digit after the last position
  // For each index of the value's first significant digit (0-18, 18: the
  // value is 0), the step where zero suppression starts, or -1.
  std::int16_t suppress_at[kMaxDigits + 1];

  // The shuffle form (x86-64): for each index of the first significant
  // digit (0-18) and each sign, the finished display with zero bytes where
  // digits go, the mask of those bytes and the return code; per half of
  // the display, the shuffle that takes each position's digit from the
  // digit string (index 15 holds "0" for positions left of the value).
  bool shuffle = false;
  u8 fill = ' ';
  alignas(16) u8 sh_index[2][16];
  alignas(16) u8 sh_tail[2][16];  // the last 8 display bytes, gathered from both halves
  alignas(16) u8 sh_base[kMaxDigits + 1][2][2][16];
  alignas(16) u8 sh_digits[kMaxDigits + 1][2][16];
  std::int16_t sh_rc[kMaxDigits + 1];
};

bool same_symbols(const Symbols& a, const Symbols& b) {
  return a.decimal == b.decimal && a.thousands == b.thousands && a.currency == b.currency &&
         a.date == b.date && a.date_sep == b.date_sep;
}

// Works out, for every first significant digit and sign, what the
// display holds apart from the digits themselves: the same rules as
// numeric_to_display applies value by value.
void build_shuffle_form(Plan& plan, const int* source, int none) {
  plan.shuffle = false;
#ifdef KV_MASK_SHUFFLE
  const int width = plan.width;
  const int dl = plan.u.data_length;
  if (width < 8 || width > 32 || dl < 1 || dl > 15 || plan.trailing_walk) return;
  std::memset(plan.sh_index, 0x80, sizeof plan.sh_index);
  for (int p = 0; p < width; ++p)
    if (source[p] != none)
      plan.sh_index[p / 16][p % 16] = static_cast<u8>(source[p] < 0 ? 15 : source[p]);
  std::memset(plan.sh_tail, 0x80, sizeof plan.sh_tail);
  for (int b = 0; b < 8; ++b) {
    const int p = width - 8 + b;
    plan.sh_tail[p / 16][b] = static_cast<u8>(p % 16);
  }
  const Symbols& s = plan.symbols;
  for (int f = 0; f <= kMaxDigits; ++f) {
    for (int neg = 0; neg < 2; ++neg) {
      u8 base[32], digit[32];
      std::memset(base, ' ', sizeof base);
      std::memset(digit, 0, sizeof digit);
      const u8* t = reinterpret_cast<const u8*>(plan.tmpl[neg]);
      for (int p = 0; p < width; ++p) {
        base[p] = t[p];
        digit[p] = source[p] != none ? 0xFF : 0;
      }
      const int ks = plan.suppress_at[f];
      std::int16_t rc = kRcOk;
      if (ks >= 0) {
        const int ps = width - 1 - ks;
        const int sep = plan.step[ks].separator_right;
        for (int p = 0; p <= ps + sep; ++p) {
          if (p <= ps) base[p] = plan.fill;
          digit[p] = 0;
        }
        if (plan.step[ks].op == kOpZed) {
          base[ps + sep] = plan.fill;
          if (plan.u.own_currency) base[0] = s.currency;
        } else {
          base[ps + sep] = s.currency;
        }
      } else if (plan.mask_short) {
        rc = kRcMaskShort;
      } else if (plan.end_digit >= f) {
        rc = kRcDigitsLeft;
      } else if (plan.step[width - 1].op == kOpThousands) {
        base[0] = plan.fill;
      }
      for (int p = 0; p < 32; ++p) {
        plan.sh_base[f][neg][p / 16][p % 16] = digit[p] ? 0 : base[p];
        if (neg == 0) plan.sh_digits[f][p / 16][p % 16] = digit[p];
      }
      plan.sh_rc[f] = rc;
    }
  }
  plan.shuffle = true;
#else
  (void)plan;
  (void)source;
  (void)none;
#endif
}

void build_plan(Plan& plan, const u8* text80, int width, const Symbols& s, u8 fill_char) {
  plan.used = true;
  plan.width = width;
  plan.fill = fill_char;
  std::memcpy(plan.text, text80, kMaskTextSize);
  plan.symbols = s;
  const u8* text = plan.text;
  const int tlen = text_length(text);
  plan.tlen = tlen;
  const InUse u = analyse(text, tlen, width, s);
  plan.u = u;
  int m = tlen - 1;
  int k = 0;
  int rightmost_digit = -1;
  for (; m >= 0 && k < width; ++k) {
    Step& st = plan.step[k];
    st = Step{kOpCopy, text[m], false, 0};
    if (pair_at(text, m)) {
      st.op = kOpPair;
      m -= 2;
      continue;
    }
    const u8 c = text[m];
    if (c == '9' || c == 'Z' || c == s.currency) {
      st.op = c == '9' ? kOpNine : (c == 'Z' ? kOpZed : kOpCurrency);
      st.suppressible = c != '9' && (u.decimals == 0 || u.point < 0 || m < u.point);
      if (rightmost_digit < 0) rightmost_digit = k;
    } else if (s.is_decimal(c)) {
      st.op = kOpPoint;
    } else if (m >= tlen - 2 && c == '-') {
      st.op = kOpMinus;
    } else if (m >= tlen - 2 && (c == 'C' || c == 'R')) {
      st.op = kOpNegative;
    } else if (m >= tlen - 2 && c == '+') {
      st.op = kOpPlus;
    } else if (m >= tlen - 2 && (c == 'D' || c == 'B')) {
      st.op = kOpPositive;
    } else if (m >= tlen - 2 && c == 0xF1) {
      st.op = kOpPlusMinus;
    } else if (s.is_thousands(c)) {
      st.op = kOpThousands;
    }
    --m;
  }
  plan.steps = k;
  plan.mask_short = k < width;
  for (int i = 1; i < k; ++i) plan.step[i].separator_right = plan.step[i - 1].op == kOpThousands;
  plan.trailing_walk =
      u.decimals > 0 && rightmost_digit >= 0 && plan.step[rightmost_digit].op != kOpNine;

  u8 tmpl[2][kBufferSize];
  std::memset(tmpl, ' ', sizeof tmpl);
  int source[kBufferSize];  // digit-string index per display position; kNone for no digit
  constexpr int kNone = -1000;
  std::fill(source, source + kBufferSize, kNone);
  const int string_base = kMaxDigits - u.data_length;  // work index of the value's first digit
  int g = kMaxDigits - 1;
  for (int i = 0; i < plan.steps; ++i) {
    const Step& st = plan.step[i];
    const int pos = width - 1 - i;
    u8 positive = st.ch, negative = st.ch;
    switch (st.op) {
      case kOpNine:
      case kOpZed:
      case kOpCurrency:
        positive = negative = '0';
        source[pos] = g - string_base;
        --g;
        break;
      case kOpPair:
        positive = negative = ' ';
        break;
      case kOpMinus:
        positive = ' ';
        negative = '-';
        break;
      case kOpNegative:
        positive = ' ';
        break;
      case kOpPlus:
        positive = '+';
        negative = ' ';
        break;
      case kOpPositive:
        negative = ' ';
        break;
      case kOpPlusMinus:
        positive = '+';
        negative = '-';
        break;
      default:
        break;
    }
    tmpl[0][pos] = positive;
    tmpl[1][pos] = negative;
  }
  std::memcpy(plan.tmpl, tmpl, sizeof tmpl);
  // Runs of positions whose digits are consecutive in the string, cut at
  // word boundaries.
  plan.pieces = 0;
  for (int pos = 0; pos < width;) {
    if (source[pos] == kNone) {
      ++pos;
      continue;
    }
    const int word = pos / 8;
    int end = pos + 1;
    while (end < width && end < 8 * (word + 1) && source[end] == source[pos] + (end - pos)) ++end;
    std::uint64_t mask = 0;
    for (int q = pos; q < end; ++q) mask |= std::uint64_t{0xFF} << (8 * (q - 8 * word));
    // The digit-string index of the byte that lands at the word's start.
    const int o = source[pos] - (pos - 8 * word);
    const int q = o >= 0 ? o / 8 : -((7 - o) / 8);
    const int rem = o - 8 * q;
    auto ext_index = [](int qi) { return qi < 0 ? 0 : (qi < 3 ? qi + 1 : 4); };
    plan.piece[plan.pieces++] = {mask,
                                 static_cast<u8>(word),
                                 static_cast<u8>(ext_index(q)),
                                 static_cast<u8>(rem ? ext_index(q + 1) : 4),
                                 static_cast<u8>(8 * rem),
                                 static_cast<u8>(rem ? 64 - 8 * rem : 0)};
    pos = end;
  }
  plan.end_digit = g;
  for (int f = 0; f <= kMaxDigits; ++f) {
    plan.suppress_at[f] = -1;
    int gi = kMaxDigits - 1;
    for (int i = 0; i < plan.steps; ++i) {
      const Step& st = plan.step[i];
      if (st.op != kOpNine && st.op != kOpZed && st.op != kOpCurrency) continue;
      if (st.suppressible && gi < f) {
        plan.suppress_at[f] = static_cast<std::int16_t>(i);
        break;
      }
      --gi;
    }
  }
  build_shuffle_form(plan, source, kNone);
}

// The plans kept; `last` is the one used last, tried first.  A plan is
// never moved or freed while the process runs.
struct PlanCache {
  static constexpr int kPlans = 8;
  Plan plans[kPlans];
  int last = 0;
  int next = 0;
};

PlanCache& plan_cache() {
  static PlanCache cache;
  return cache;
}

// The text after X'DD' does not matter: compare up to the terminator.
inline bool plan_matches(const Plan& p, const u8* text80, int width, const Symbols& s,
                         u8 fill_char) {
  return p.used && p.width == width && p.fill == fill_char && same_symbols(p.symbols, s) &&
         same_prefix(p.text, text80, p.tlen < kMaskTextSize ? p.tlen + 1 : kMaskTextSize);
}

__attribute__((noinline)) const Plan& find_plan(const u8* text80, int width, const Symbols& s,
                                                u8 fill_char) {
  PlanCache& c = plan_cache();
  for (int i = 0; i < PlanCache::kPlans; ++i) {
    if (plan_matches(c.plans[i], text80, width, s, fill_char)) {
      c.last = i;
      return c.plans[i];
    }
  }
  c.last = c.next;
  c.next = (c.next + 1) % PlanCache::kPlans;
  build_plan(c.plans[c.last], text80, width, s, fill_char);
  return c.plans[c.last];
}

// The plan for a mask text, display length, fill and symbols: most calls
// repeat the last one.
inline const Plan& plan_for(const u8* text80, int width, const Symbols& s, u8 fill_char) {
  static PlanCache& c = plan_cache();
  const Plan& p = c.plans[c.last];
  if (plan_matches(p, text80, width, s, fill_char)) return p;
  return find_plan(text80, width, s, fill_char);
}

struct NumericOut {
  std::int16_t rc = 0;
  int data_length = 0;
};

bool g_shuffle_allowed = true;

#ifdef KV_MASK_SHUFFLE
bool has_ssse3() {
  static const bool yes = __builtin_cpu_supports("ssse3");
  return yes;
}

// Bytes 0..n-1 set, for n = 0..16.
struct PrefixMasks {
  alignas(16) u8 m[17][16];
  constexpr PrefixMasks() : m{} {
    for (int n = 0; n <= 16; ++n)
      for (int b = 0; b < 16; ++b) m[n][b] = b < n ? 0xFF : 0;
  }
};
constexpr PrefixMasks kPrefix;

__attribute__((target("ssse3"))) NumericOut display_by_shuffle(MaskRequest& r, const Plan& plan,
                                                               const u8* value, u8* display,
                                                               int trace_index) {
  NumericOut out;
  const int width = plan.width;
  const int dl = plan.u.data_length;  // 1..15
  out.data_length = dl;
  auto vec = [](const u8* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); };

  // The digit string: bytes that are not digits, and everything from the
  // sign character on, become "0" (value bytes 0-15 lie inside the
  // 160-byte buffer).
  const __m128i zeros = _mm_set1_epi8('0');
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value));
  const __m128i d = _mm_sub_epi8(x, zeros);
  __m128i keep = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
  keep = _mm_and_si128(keep, vec(kPrefix.m[dl - 1]));
  __m128i digits = _mm_or_si128(_mm_and_si128(keep, x), _mm_andnot_si128(keep, zeros));
  // The last digit, from the character that carries the sign.
  const u8 c = normalise_last(r, value[dl - 1]);
  bool negative = c > r.below_negative && c < r.above_negative;
  const bool positive = !negative && c > r.below_positive && c < r.above_positive;
  const int last = biased_digit(c, negative ? r.negative_bias : (positive ? r.positive_bias : 0));
  if (trace_index >= 0 && (negative || positive))
    kv::trace(trace_index, negative ? "Negative digit!" : " Positive digit!", "", chr(c));
  const __m128i at_last = _mm_andnot_si128(vec(kPrefix.m[dl - 1]), vec(kPrefix.m[dl]));
  digits = _mm_or_si128(_mm_andnot_si128(at_last, digits),
                        _mm_and_si128(at_last, _mm_set1_epi8(static_cast<char>('0' + last))));
  // Work index of the leftmost significant digit (18: the value is 0).
  const unsigned nonzero =
      ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(digits, zeros))) & ((1u << dl) - 1);
  const int first_nonzero = nonzero ? kMaxDigits - dl + __builtin_ctz(nonzero) : kMaxDigits;
  if (first_nonzero == kMaxDigits) negative = false;  // -0 is shown as 0
  if (r.direction == 'd' && first_nonzero == kMaxDigits) {
    fill(display, ' ', width);
    return out;
  }

  const int neg = negative ? 1 : 0;
  const __m128i h0 = _mm_or_si128(_mm_and_si128(_mm_shuffle_epi8(digits, vec(plan.sh_index[0])),
                                                vec(plan.sh_digits[first_nonzero][0])),
                                  vec(plan.sh_base[first_nonzero][neg][0]));
  const __m128i h1 = _mm_or_si128(_mm_and_si128(_mm_shuffle_epi8(digits, vec(plan.sh_index[1])),
                                                vec(plan.sh_digits[first_nonzero][1])),
                                  vec(plan.sh_base[first_nonzero][neg][1]));
  // Out: the first 8 or 16 bytes, the third 8 for long fields, and the
  // last 8 gathered from both halves; nothing past the display length.
  if (width >= 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(display), h0);
  else
    _mm_storel_epi64(reinterpret_cast<__m128i*>(display), h0);
  if (width >= 24) _mm_storel_epi64(reinterpret_cast<__m128i*>(display + 16), h1);
  const __m128i tail = _mm_or_si128(_mm_shuffle_epi8(h0, vec(plan.sh_tail[0])),
                                    _mm_shuffle_epi8(h1, vec(plan.sh_tail[1])));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(display + width - 8), tail);
  out.rc = plan.sh_rc[first_nonzero];
  return out;
}
#endif

NumericOut display_by_words(MaskRequest& r, const Plan& plan, u8 fill_char, const u8* value,
                            u8* display, int trace_index);

NumericOut numeric_to_display(MaskRequest& r, const Plan& plan, u8 fill_char, const u8* value,
                              u8* display, int trace_index) {
#ifdef KV_MASK_SHUFFLE
  if (plan.shuffle && g_shuffle_allowed && has_ssse3()) {
#ifdef KV_FUZZ_BUILD
    // The fuzz build checks the shuffle form against the word composition.
    u8 check[kBufferSize];
    std::memcpy(check, display, kBufferSize);
    const NumericOut want = display_by_words(r, plan, fill_char, value, check, -1);
    const NumericOut got = display_by_shuffle(r, plan, value, display, trace_index);
    if (got.rc != want.rc || std::memcmp(check, display, kBufferSize) != 0) __builtin_trap();
    return got;
#else
    return display_by_shuffle(r, plan, value, display, trace_index);
#endif
  }
#endif
  return display_by_words(r, plan, fill_char, value, display, trace_index);
}

NumericOut display_by_words(MaskRequest& r, const Plan& plan, u8 fill_char, const u8* value,
                            u8* display, int trace_index) {
  NumericOut out;
  const InUse& u = plan.u;
  const Symbols& s = plan.symbols;
  const int width = plan.width;
  out.data_length = u.data_length;
  const int dl = u.data_length;

  // The value's digit string as characters in three words (value bytes
  // 0-23, inside the 160-byte buffer): a byte that is not a digit becomes
  // "0", the last digit is the one its sign character carries.
  std::uint64_t str[3];
  for (int w = 0; w < 3; ++w) {
    std::uint64_t x;
    std::memcpy(&x, value + 8 * w, 8);
    const std::uint64_t y = x ^ kZeros;
    const std::uint64_t high = (((y & (kOnes * 0x0F)) + kOnes * 0x06) | y) & (kOnes * 0xF0);
    const std::uint64_t bad = ((high | high >> 1 | high >> 2 | high >> 3) >> 4) & kOnes;
    const std::uint64_t keep = ~(bad * 0xFF);
    str[w] = (x & keep) | (kZeros & ~keep);
  }
  bool negative = false;
  int first_nonzero = kMaxDigits;  // work index (0-17) of the leftmost significant digit
  if (dl > 0) {
    const u8 c = normalise_last(r, value[dl - 1]);
    negative = c > r.below_negative && c < r.above_negative;
    const bool positive = !negative && c > r.below_positive && c < r.above_positive;
    const int d = biased_digit(c, negative ? r.negative_bias : (positive ? r.positive_bias : 0));
    const int at = dl - 1;
    const int shift = 8 * (at % 8);
    str[at / 8] = (str[at / 8] & ~(std::uint64_t{0xFF} << shift)) |
                  (static_cast<std::uint64_t>('0' + d) << shift);
    if (trace_index >= 0 && (negative || positive))
      kv::trace(trace_index, negative ? "Negative digit!" : " Positive digit!", "", chr(c));
    // Bytes beyond the value are not digits of it.
    std::uint64_t z[3];
    for (int w = 0; w < 3; ++w) {
      const int valid = std::clamp(dl - 8 * w, 0, 8);
      const std::uint64_t m =
          valid == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * valid)) - 1;
      z[w] = (str[w] ^ kZeros) & m;
    }
    const int bit = z[0]   ? __builtin_ctzll(z[0])
                    : z[1] ? 64 + __builtin_ctzll(z[1])
                    : z[2] ? 128 + __builtin_ctzll(z[2])
                           : -1;
    if (bit >= 0) first_nonzero = kMaxDigits - dl + bit / 8;
  }
  if (first_nonzero == kMaxDigits) negative = false;  // -0 is shown as 0
  if (r.direction == 'd' && first_nonzero == kMaxDigits) {
    fill(display, ' ', width);
    return out;
  }

  const std::uint64_t ext[5] = {kZeros, str[0], str[1], str[2], 0};

  // The template, the digits over it, and fill left of where zero
  // suppression starts: no data-dependent branches, since the suppression
  // point varies from value to value.
  const int ks = plan.suppress_at[first_nonzero];
  const int ps = ks >= 0 ? width - 1 - ks : -1;  // display index where suppression starts
  const int words = (width + 7) / 8;
  std::uint64_t out_word[kWords];
  const std::uint64_t* tmpl = plan.tmpl[negative ? 1 : 0];
  for (int j = 0; j < words; ++j) out_word[j] = tmpl[j];
  for (int i = 0; i < plan.pieces; ++i) {
    const Plan::Piece& pc = plan.piece[i];
    const std::uint64_t slice = (ext[pc.lo] >> pc.shr) | (ext[pc.hi] << pc.shl);
    out_word[pc.word] = (out_word[pc.word] & ~pc.mask) | (slice & pc.mask);
  }
  const std::uint64_t fill_word = kOnes * fill_char;
  for (int j = 0; j < words; ++j) {
    const int n = std::clamp(ps - 8 * j, 0, 8);
    const std::uint64_t m = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
    out_word[j] = (out_word[j] & ~m) | (fill_word & m);
  }
  // Out to the display: whole words, the last one overlapping the one
  // before, so nothing past the display length is touched.
  const int full = width / 8, rem = width % 8;
  for (int j = 0; j < full; ++j) std::memcpy(display + 8 * j, &out_word[j], 8);
  if (rem) {
    if (full > 0) {
      const std::uint64_t last =
          (out_word[full - 1] >> (8 * rem)) | (out_word[full] << (8 * (8 - rem)));
      std::memcpy(display + width - 8, &last, 8);
    } else {
      for (int i = 0; i < rem; ++i) display[i] = static_cast<u8>(out_word[0] >> (8 * i));
    }
  }
#ifdef KV_FUZZ_BUILD
  // The fuzz build checks the word composition against the plain
  // per-position rule.
  {
    u8 digit_string[24];
    std::memcpy(digit_string, str, sizeof digit_string);
    int g = kMaxDigits - 1;
    u8 want[kBufferSize];
    std::memset(want, ' ', sizeof want);
    const u8* t = reinterpret_cast<const u8*>(tmpl);
    for (int p = 0; p < width; ++p) want[p] = t[p];
    for (int k = 0; k < plan.steps; ++k) {
      const u8 op = plan.step[k].op;
      if (op == kOpNine || op == kOpZed || op == kOpCurrency) {
        const int i = g - (kMaxDigits - dl);
        want[width - 1 - k] = i < 0 ? '0' : digit_string[i];
        --g;
      }
    }
    for (int p = 0; p < width; ++p)
      if (display[p] != (p < ps ? fill_char : want[p])) __builtin_trap();
  }
#endif

  if (ks >= 0) {
    // At a "Z" the position becomes fill (and a thousands separator just
    // right of it); at a currency position the symbol goes there, or onto
    // that separator.
    const int sep = plan.step[ks].separator_right;
    if (plan.step[ks].op == kOpZed) {
      display[ps] = fill_char;
      display[ps + sep] = fill_char;
      if (u.own_currency) display[0] = s.currency;
    } else {
      display[ps] = fill_char;
      display[ps + sep] = s.currency;
    }
  } else if (plan.mask_short) {
    out.rc = kRcMaskShort;
  } else if (plan.end_digit >= first_nonzero) {
    out.rc = kRcDigitsLeft;
  } else if (width > 0 && plan.step[width - 1].op == kOpThousands) {
    // A separator at the left edge with nothing significant before it.
    display[0] = fill_char;
  }

  // Close up behind the last significant decimal: zeros in "Z" decimal
  // positions and the characters that follow them go.
  if (plan.trailing_walk) {
    u8 op[kBufferSize];
    std::memset(op, kOpCopy, static_cast<std::size_t>(width));
    for (int k = 0; k < plan.steps; ++k) op[width - 1 - k] = plan.step[k].op;
    auto digit_op = [](u8 o) { return o == kOpNine || o == kOpZed || o == kOpCurrency; };
    int q = width - 1;
    while (q >= 0 && !digit_op(op[q])) --q;
    while (q >= 0) {
      if (op[q] == kOpNine || op[q] == kOpPoint) break;
      if ((op[q] == kOpZed || op[q] == kOpCurrency) && display[q] != '0') break;
      std::memmove(display + q, display + q + 1, static_cast<std::size_t>(width - q - 1));
      std::memmove(op + q, op + q + 1, static_cast<std::size_t>(width - q - 1));
      display[width - 1] = ' ';
      op[width - 1] = kOpCopy;
      --q;
    }
  }
  return out;
}

NumericOut numeric_to_user(MaskRequest& r, const Plan& plan, const CountryValues& cv,
                           const u8* display, u8* value, int trace_index) {
  NumericOut out;
  const InUse& u = plan.u;
  const Symbols& s = plan.symbols;
  const u8* text = plan.text;
  const int tlen = plan.tlen;
  const int width = plan.width;
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
    if (trace_index >= 0) kv::trace(trace_index, "Setting Sign Bit", "", chr(value[dl - 1]));
  }
  return out;
}

// ------------------------------------------------------------ character

bool is_justify(u8 c) {
  return c == 'L' || c == 'l' || c == 'C' || c == 'c' || c == 'R' || c == 'r';
}

void character_to_display(const u8* text, int tlen, u8 code, const u8* value, u8* display,
                          int width) {
  fill(display, ' ', width);
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
  // The mask is walked from its start whatever the justification: only
  // the display begins further right, so a right-justified field longer
  // than the mask text still shows its value.
  int m = 0, p = start;
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
  fill(value, ' ', width);
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
  fill(display, ' ', width);
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

namespace detail {
bool use_shuffle(bool allowed) {
  const bool before = g_shuffle_allowed;
  g_shuffle_allowed = allowed;
  return before;
}
}  // namespace detail

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

namespace {

// The date picture for a "D" mask at `width`: the separator from the mask,
// or the country's; 99/99/9999 for month or day first and more than 8
// positions, else 9999/99/99 (its right-hand end serves shorter fields).
void date_picture(const u8* text, int width, const CountryValues& cv, u8* picture80, Symbols& s) {
  const u8 first = text[0];
  const u8 sep = (first != kMaskEnd && first > ' ') ? first : cv.date_sep;
  const bool day_or_month_first = cv.date_order == 0 || cv.date_order == 1;
  static constexpr char kShort[] = "99s99s9999";
  static constexpr char kLong[] = "9999s99s99";
  const char* pic = (day_or_month_first && width > 8) ? kShort : kLong;
  std::memset(picture80, ' ', kMaskTextSize);
  for (int i = 0; i < 10; ++i) picture80[i] = pic[i] == 's' ? sep : static_cast<u8>(pic[i]);
  picture80[10] = kMaskEnd;
  s.date = true;
  s.date_sep = sep;
}

}  // namespace

int data_length(const MaskRequest& r) {
  const int width = std::clamp<int>(r.display_length, 0, kBufferSize);
  if (r.mode == 'H') return width / 2;
  const u8 type = r.mask_record[0];
  if (type != 'N' && type != 'D') return width;
  const CountryValues& cv = country_values();
  Symbols s{cv.decimal, cv.thousands, cv.currency};
  const u8* text = r.mask_record.data() + 2;
  u8 picture[kMaskTextSize];
  u8 fill_char = r.mask_record[1];
  if (type == 'D') {
    date_picture(text, width, cv, picture, s);
    text = picture;
    fill_char = ' ';
  }
  return plan_for(text, width, s, fill_char).u.data_length;
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
  const int traced = trace_on ? index : -1;

  if (trace_on) {
    std::string action = "Enter (";
    action += r.direction;
    action += ")";
    kv::trace(index, action,
              "Mask " + chr(type) + chr(fill) + std::string(as_text(text, text_length(text))),
              to_user ? as_text(display, width) : as_text(value, width));
  }

  Symbols s{cv.decimal, cv.thousands, cv.currency};
  if (r.mode == 'H') {
    r.mask_length = static_cast<std::int16_t>(text_length(text));
    r.data_length = static_cast<std::int16_t>(width / 2);
    if (to_user)
      r.return_code = hex_to_user(display, width, value);
    else
      hex_to_display(value, display, width);
  } else if (type == 'N' || type == 'D') {
    u8 picture[kMaskTextSize];
    u8 numeric_fill = fill;
    if (type == 'D') {
      date_picture(text, width, cv, picture, s);
      text = picture;
      numeric_fill = ' ';
    }
    const Plan& plan = plan_for(text, width, s, numeric_fill);
    r.mask_length = static_cast<std::int16_t>(type == 'D' ? 12 : plan.tlen);
    NumericOut o = to_user ? numeric_to_user(r, plan, cv, display, value, traced)
                           : numeric_to_display(r, plan, numeric_fill, value, display, traced);
    r.data_length = static_cast<std::int16_t>(o.data_length);
    r.return_code = o.rc;
  } else {
    const int tlen = text_length(text);
    r.mask_length = static_cast<std::int16_t>(tlen);
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
