#include "runtime/engine/validation.h"

#include <algorithm>
#include <cstring>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/tables.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

namespace {

using kv::mask::kBufferSize;
using kv::mask::kMaskRecordSize;
using kv::mask::MaskRequest;

std::array<std::uint8_t, kMaskRecordSize> make_default(bool with_sign) {
  std::array<std::uint8_t, kMaskRecordSize> m;
  m.fill(' ');
  m[0] = 'N';
  m[1] = '0';
  std::size_t p = 2;
  for (int i = 0; i < 20; ++i) m[p++] = '9';
  if (with_sign) m[p++] = '-';
  m[p] = kv::mask::kMaskEnd;
  return m;
}

bool is_digit(std::uint8_t c) { return c >= '0' && c <= '9'; }
bool is_ascii_letter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_selector_or_output(std::uint8_t type) {
  return type == 'P' || type == 'S' || type == 'R' || type == 'X';
}
bool is_numeric_type(std::uint8_t type) {
  return type == '1' || type == '2' || type == '3' || type == '5';
}

// An abort during a panel call leaves its reason in PANEL-DISPLAY-OPTION.
[[noreturn]] void abort_in_panel(PanelRecord rec, int reason) {
  if (!rec.data()) abort_panel(reason, "N/A     ");
  rec.set_display_option(static_cast<std::uint16_t>(reason));
  abort_panel(reason, std::string(rec.name()), static_cast<char>(rec.base_color()));
}

// The value of a field's zoned digits: the last character may carry the
// sign in the convention of `conv` (a negative digit between its bounds).
std::int64_t zoned_value(const std::uint8_t* p, int n, const MaskRequest& conv) {
  std::int64_t v = 0;
  bool negative = false;
  int digits = 0;
  for (int i = 0; i < n && digits < kv::mask::kMaxDigits; ++i) {
    std::uint8_t c = p[i];
    if (is_digit(c)) {
      v = v * 10 + (c - '0');
      ++digits;
    } else if (i == n - 1 && c > conv.below_negative && c < conv.above_negative) {
      int d = c + conv.negative_bias;
      if (d >= 0 && d <= 9) {
        v = v * 10 + d;
        negative = true;
      }
    }
  }
  return negative ? -v : v;
}

std::int64_t digits_value(const std::uint8_t* p, int n) {
  std::int64_t v = 0;
  for (int i = 0; i < n; ++i)
    if (is_digit(p[i])) v = v * 10 + (p[i] - '0');
  return v;
}

bool all_equal(const std::uint8_t* p, int n, std::uint8_t c) {
  for (int i = 0; i < n; ++i)
    if (p[i] != c) return false;
  return true;
}

// Two digits at p as a number; -1 when they are not both digits.
int two_digits(const std::uint8_t* p) {
  if (!is_digit(p[0]) || !is_digit(p[1])) return -1;
  return (p[0] - '0') * 10 + (p[1] - '0');
}

bool valid_date(int month, int day, int year2) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || year2 < 0) return false;
  if (month == 2) return day <= (year2 % 4 == 0 ? 29 : 28);
  if (month == 4 || month == 6 || month == 9 || month == 11) return day <= 30;
  return true;
}

// Value-list items.
struct Alternative {
  std::string low, high;  // a single value has no high bound
  bool range = false;
};

std::vector<Alternative> parse_list(std::string_view list, std::uint8_t sep, std::uint8_t range) {
  std::vector<std::string> items;
  std::vector<bool> ends_in_range;
  std::size_t i = 0;
  while (i < list.size()) {
    std::size_t j = i;
    while (j < list.size() && static_cast<std::uint8_t>(list[j]) != sep &&
           static_cast<std::uint8_t>(list[j]) != range)
      ++j;
    items.emplace_back(list.substr(i, std::min<std::size_t>(j - i, 40)));
    ends_in_range.push_back(j < list.size() && static_cast<std::uint8_t>(list[j]) == range &&
                            range != sep);
    i = j + 1;
  }
  std::vector<Alternative> out;
  for (std::size_t k = 0; k < items.size(); ++k) {
    Alternative a;
    a.low = items[k];
    if (ends_in_range[k] && k + 1 < items.size()) {
      a.range = true;
      a.high = items[++k];
    }
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace

// ------------------------------------------------------------ masks

const std::array<std::uint8_t, kMaskRecordSize>& default_mask(std::uint8_t type) {
  static const auto kSigned = make_default(true);
  static const auto kUnsigned = make_default(false);
  return (type == '2' || type == '3') ? kSigned : kUnsigned;
}

bool is_formatted(const FieldDescriptor& d) {
  return d.mask > 0 || (d.type >= '1' && d.type <= '5') || d.type == 'H' || d.blank_if_zero();
}

const std::uint8_t* field_mask(const FieldDescriptor& d, const Tables& t) {
  if (d.mask == 0) return default_mask(d.type).data();
  if (const std::uint8_t* m = t.mask(d.mask)) return m;
  if (const std::uint8_t* m = t.mask(1)) return m;
  return default_mask(d.type).data();
}

MaskRequest field_request(const FieldDescriptor& d, int display_length, char direction,
                          const Tables& t) {
  MaskRequest r =
      kv::mask::make_request(field_mask(d, t), display_length, direction, t.stub.data());
  if (d.type == '4' || d.type == '5')
    r.mode = static_cast<char>(d.type);
  else if (d.type == 'H')
    r.mode = 'H';
  return r;
}

void date_to_country_order(std::uint8_t* p, int length, int order) {
  if ((length != 6 && length != 8) || order == 2) return;
  int y = length - 4;
  std::uint8_t out[8];
  const std::uint8_t* yy = p;
  const std::uint8_t* mm = p + y;
  const std::uint8_t* dd = p + y + 2;
  const std::uint8_t* first = order == 0 ? mm : dd;
  const std::uint8_t* second = order == 0 ? dd : mm;
  std::memcpy(out, first, 2);
  std::memcpy(out + 2, second, 2);
  std::memcpy(out + 4, yy, static_cast<std::size_t>(y));
  std::memcpy(p, out, static_cast<std::size_t>(length));
}

void date_from_country_order(std::uint8_t* p, int length, int order) {
  if ((length != 6 && length != 8) || order == 2) return;
  int y = length - 4;
  std::uint8_t out[8];
  const std::uint8_t* mm = order == 0 ? p : p + 2;
  const std::uint8_t* dd = order == 0 ? p + 2 : p;
  std::memcpy(out, p + 4, static_cast<std::size_t>(y));
  std::memcpy(out + y, mm, 2);
  std::memcpy(out + y + 2, dd, 2);
  std::memcpy(p, out, static_cast<std::size_t>(length));
}

// ------------------------------------------------------------ keystroke check

int check_keystroke(std::uint8_t type, std::uint8_t field_option, int position, std::uint8_t& ch) {
  if (option_protects(field_option)) return kMsgNoData;
  const auto& cv = kv::mask::country_values();
  auto upper = [&] { kv::upcase(&ch, 1); };
  auto lower = [&] { kv::lowcase(&ch, 1); };
  switch (type) {
    case '1':
      return is_digit(ch) || ch == '+' || ch == '-' ? 0 : kMsgNumeric;
    case '2':
    case '3':
      upper();
      return is_digit(ch) || ch == '+' || ch == '-' || ch == cv.decimal || ch == cv.thousands ||
                     ch == cv.currency || ch == 'D' || ch == 'C' || ch == 'B' || ch == 'R'
                 ? 0
                 : kMsgNumeric;
    case '4':
    case '5':
      return is_digit(ch) || ch == cv.date_sep || ch == '-' || ch == '/' ? 0 : kMsgNumeric;
    case 'A':
    case 'B':
    case 'C':
      if (type == 'A') upper();
      if (type == 'B') lower();
      return is_ascii_letter(ch) || ch == ' ' || is_digit(ch) ? 0 : kMsgAlphanumeric;
    case 'D':
    case 'E':
    case 'F':
      if (type == 'D') upper();
      if (type == 'E') lower();
      return is_ascii_letter(ch) || ch == ' ' ? 0 : kMsgAlphabetic;
    case 'G':
      upper();
      return 0;
    case 'H':
      upper();
      return is_digit(ch) || (ch >= 'A' && ch <= 'F') ? 0 : kMsgHex;
    case 'I':
      if (position == 0) upper();
      return 0;
    case 'P':
    case 'S':
    case 'X':
      return kMsgNoData;
    default:  // " ", "R" and types this runtime does not know take any character
      return 0;
  }
}

// ------------------------------------------------------------ field check

FieldCheckResult check_field(FieldCheck& f, const CheckContext& cx) {
  const Tables& t = cx.tables ? *cx.tables : tables();
  const FieldDescriptor& d = f.descriptor;
  const auto& cv = kv::mask::country_values();
  const std::uint8_t type = d.type;
  const bool prot = option_protects(f.field_option);
  // A protected field has Must Valid, Required and its validation values
  // switched off.
  const bool required = d.required() && !prot;
  const bool has_values = d.has_validation() && !prot;
  const bool formatted = is_formatted(d);
  const int dl = std::clamp(f.display_length, 0, kBufferSize);
  // The check works on at most a buffer's worth of the field's data, also
  // when a damaged descriptor states a longer field.
  int len = std::clamp(static_cast<int>(d.length), 0, kBufferSize);

  FieldCheckResult res;
  auto fail = [&](int message, std::string text) {
    res.passed = false;
    res.message = message;
    res.text = text.empty() ? t.message(message) : std::move(text);
    res.set_paint = true;
    res.paint = (d.must_valid() || d.required()) && !prot ? 'v' : 0x00;
    return res;
  };
  auto pass_with = [&](std::uint8_t paint) {
    res.set_paint = true;
    res.paint = paint;
    return res;
  };

  // 1. Conversion back.
  MaskRequest conv;
  bool converted = false;
  if ((formatted || has_values || required) && !is_selector_or_output(type) && !prot) {
    std::uint8_t* img = f.edit_image;
    if (cx.empty_fill != 0)
      for (int i = 0; i < dl; ++i)
        if (img[i] == cx.empty_fill) img[i] = ' ';
    if (formatted && type == '3' && dl > 0 && std::find(img, img + dl, cv.decimal) == img + dl) {
      // Calculator entry: the digits and sign letters close up to the left
      // and a number typed without a decimal separator means whole units.
      int k = 0;
      for (int i = 0; i < dl; ++i) {
        std::uint8_t c = img[i];
        if (is_digit(c) || c == '+' || c == '-' || c == 'D' || c == 'C' || c == 'B' || c == 'R')
          img[k++] = c;
      }
      std::memset(img + k, ' ', static_cast<std::size_t>(dl - k));
      if (!is_digit(img[dl - 1])) img[dl - 1] = cv.decimal;
    }
    if (formatted) {
      std::uint8_t value[kBufferSize];
      std::uint8_t display[kBufferSize];
      std::memset(value, ' ', sizeof value);
      std::memset(display, ' ', sizeof display);
      std::memcpy(display, img, static_cast<std::size_t>(dl));
      conv = field_request(d, dl, 'U', t);
      kv::mask::SCRMASK(conv, value, display, nullptr);
      if (conv.return_code == kv::mask::kRcOverflow) return fail(kMsgOverflow, {});
      if (conv.return_code > 0) abort_in_panel(cx.panel, conv.return_code);
      std::uint8_t kind = conv.mask_record[0];
      if (kind == 'N' || kind == 'D' || conv.mode == 'H') len = conv.data_length;
      len = std::clamp(len, 0, kBufferSize);
      std::memcpy(f.data, value, static_cast<std::size_t>(len));
      if (type == '5') date_from_country_order(f.data, len, cv.date_order);
      converted = true;
    } else {
      std::memcpy(f.data, img, static_cast<std::size_t>(std::min(len, dl)));
    }
  }
  res.data_length = len;

  // 2. Dates.
  if (type == '4' || type == '5') {
    int n = (type == '5' && len == 8) ? 8 : 6;
    const std::uint8_t* v = f.data;
    bool empty = all_equal(v, n, 0x00) || all_equal(v, n, ' ') || all_equal(v, n, '0');
    if (!empty || required) {
      int month, day, year;
      if (type == '4') {
        const std::uint8_t* a = v;
        const std::uint8_t* b = v + 2;
        const std::uint8_t* c = v + 4;
        switch (cv.date_order) {
          case 1:
            day = two_digits(a), month = two_digits(b), year = two_digits(c);
            break;
          case 2:
            year = two_digits(a), month = two_digits(b), day = two_digits(c);
            break;
          default:
            month = two_digits(a), day = two_digits(b), year = two_digits(c);
            break;
        }
      } else {
        year = two_digits(v + n - 6);
        month = two_digits(v + n - 4);
        day = two_digits(v + n - 2);
      }
      if (!valid_date(month, day, year)) return fail(kMsgDate, {});
      res.set_paint = true;
      res.paint = 'V';
    }
    if (type == '4') return res;
  }

  // 3. Required: blank, or a first non-blank character below a space.
  if (required) {
    const std::uint8_t* v = f.data;
    int i = 0;
    while (i < len && v[i] == ' ') ++i;
    if (i == len || v[i] < ' ') return fail(kMsgRequired, {});
    return pass_with(0x00);
  }

  // 4. Validation values.
  if (!has_values) return res;
  auto rec = cx.work_d.find_validation(d.row, d.col, cx.cursor);
  if (!rec) abort_in_panel(cx.panel, cx.panel.data() && cx.panel.code_set() == 'F' ? 16 : 4);
  log("Validation Data String", "", rec->values);

  const bool numeric = is_numeric_type(type);
  // An item as the user would have typed it, through the field's mask.
  auto convert_item = [&](const std::string& item, MaskRequest& req, std::uint8_t* value) {
    std::uint8_t display[kBufferSize];
    std::memset(display, ' ', sizeof display);
    std::size_t n = std::min<std::size_t>(item.size(), static_cast<std::size_t>(dl));
    std::memcpy(display, item.data(), n);
    if ((type == '2' || type == '3') &&
        item.find(static_cast<char>(cv.decimal)) == std::string::npos) {
      std::size_t last = n;
      while (last > 0 && display[last - 1] == ' ') --last;
      if (last < static_cast<std::size_t>(dl)) display[last] = cv.decimal;
    }
    std::memset(value, ' ', kBufferSize);
    req = field_request(d, dl, 'U', t);
    kv::mask::SCRMASK(req, value, display, nullptr);
    if (req.return_code > 0) abort_in_panel(cx.panel, 4);
  };
  auto item_number = [&](const std::string& item) -> std::int64_t {
    MaskRequest req;
    std::uint8_t value[kBufferSize];
    convert_item(item, req, value);
    if (type != '5') return req.numeric_value;
    int n = std::clamp<int>(req.data_length, 0, kBufferSize);
    date_from_country_order(value, n, cv.date_order);
    return digits_value(value, n);
  };
  auto item_text = [&](const std::string& item) -> std::string {
    if (!formatted) return padded(item, 40);
    MaskRequest req;
    std::uint8_t value[kBufferSize];
    convert_item(item, req, value);
    std::uint8_t kind = req.mask_record[0];
    int n = (kind == 'N' || kind == 'D' || req.mode == 'H') ? req.data_length : d.length;
    n = std::clamp(n, 0, 40);
    return padded(
        std::string_view(reinterpret_cast<const char*>(value), static_cast<std::size_t>(n)), 40);
  };

  std::int64_t number = 0;
  std::string text;
  if (numeric) {
    if (type == '5')
      number = digits_value(f.data, len);
    else
      number =
          converted ? conv.numeric_value : zoned_value(f.data, len, field_request(d, dl, 'U', t));
  } else {
    text = padded(std::string_view(reinterpret_cast<const char*>(f.data),
                                   static_cast<std::size_t>(std::clamp(len, 0, 40))),
                  40);
  }

  bool matched = false;
  for (const Alternative& a : parse_list(rec->values, rec->separator, rec->range)) {
    bool ok;
    // Both bounds of a range are converted, whatever the first one says.
    if (numeric) {
      std::int64_t low = item_number(a.low);
      std::int64_t high = a.range ? item_number(a.high) : low;
      ok = a.range ? (low <= number && number <= high) : number == low;
    } else {
      std::string low = item_text(a.low);
      std::string high = a.range ? item_text(a.high) : low;
      ok = a.range ? (std::memcmp(low.data(), text.data(), 40) <= 0 &&
                      std::memcmp(text.data(), high.data(), 40) <= 0)
                   : std::memcmp(low.data(), text.data(), 40) == 0;
    }
    const char* action = a.range ? (numeric ? "Entry/range (num):" : "Entry/range (text):")
                                 : (numeric ? "Entry/valid (number):" : "Entry/valid (text):");
    std::string shown = a.range ? a.low + static_cast<char>(rec->range) + a.high : a.low;
    log(action, shown, ok ? "Passed" : "Failed");
    if (ok) {
      matched = true;
      break;
    }
  }
  if (matched) return pass_with('V');
  std::string must_be = t.message(kMsgMustBe).substr(0, 10) + padded(rec->values, 70);
  return fail(kMsgMustBe, must_be);
}

// ------------------------------------------------------------ images and return

int field_value_image(const FieldDescriptor& d, const std::uint8_t* data, const Tables& t,
                      const PanelRecord& panel, std::uint8_t* image) {
  const int len = std::min<int>(d.length, kBufferSize);
  if (!is_formatted(d)) {
    std::memcpy(image, data, static_cast<std::size_t>(len));
    return len;
  }
  std::uint8_t value[kBufferSize];
  std::memset(value, ' ', sizeof value);
  std::memcpy(value, data, static_cast<std::size_t>(len));
  std::memset(image, ' ', kBufferSize);
  MaskRequest r = field_request(d, len, d.blank_if_zero() ? 'd' : 'D', t);
  kv::mask::SCRMASK(r, value, image, nullptr);
  if (r.return_code > 0) abort_in_panel(panel, r.return_code);
  if (d.type == '5') date_to_country_order(image, len, kv::mask::country_values().date_order);
  return len;
}

ReturnCheck check_before_return(const CheckContext& cx, bool validation_pending,
                                const std::function<int(int, std::uint8_t*)>& image_of) {
  ReturnCheck out;
  PanelRecord rec = cx.panel;
  for (int n : cx.work_d.tab_ring()) {
    if (rec.field_paint(n) == 'E') rec.set_field_paint(n, 0x00);
    if (!validation_pending || rec.field_paint(n) != 'v') continue;
    std::uint8_t image[kBufferSize];
    std::memset(image, ' ', sizeof image);
    FieldCheck f;
    f.number = n;
    f.descriptor = cx.work_d.descriptor(n);
    f.field_option = rec.field_option(n);
    f.edit_image = image;
    f.display_length = std::clamp(image_of(n, image), 0, kBufferSize);
    // The check works on a copy of the field's data: a date shorter than
    // its six digits or a mask with more digits than the field must not
    // reach past the field in the application's record.
    std::uint8_t* data = rec.data_at(f.descriptor.data_offset);
    const std::size_t data_len = std::min<std::size_t>(f.descriptor.length, kBufferSize);
    std::uint8_t scratch[kBufferSize];
    std::memset(scratch, ' ', sizeof scratch);
    std::memcpy(scratch, data, data_len);
    f.data = scratch;
    FieldCheckResult r = check_field(f, cx);
    std::memcpy(data, scratch, data_len);
    if (r.set_paint) rec.set_field_paint(n, r.paint);
    if (!r.passed) {
      out.failed_field = n;
      out.result = std::move(r);
      return out;
    }
  }
  return out;
}

}  // namespace kv::engine
