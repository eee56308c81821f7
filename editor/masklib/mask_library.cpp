#include "editor/masklib/mask_library.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "editor/library/settings.h"
#include "kv/build_info.h"
#include "runtime/masks/scrmask.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/modules.h"

namespace kv::editor::masklib {

namespace {

constexpr std::size_t kMarkerWindow = 99;  // where a line's X'DD' must be
constexpr std::size_t kTextBeforeEnd = kMaskRecord - 1;

bool is_justification(std::uint8_t c) {
  return c == 'L' || c == 'l' || c == 'C' || c == 'c' || c == 'R' || c == 'r';
}

struct Loaded {
  MaskLibrary library;
  bool loaded = false;
};
Loaded& loaded() {
  static Loaded l;
  return l;
}

// The index of the record's last non-blank byte (its X'DD'), or -1.
int end_of(const MaskRecord& m) {
  for (int i = static_cast<int>(kMaskRecord) - 1; i >= 0; --i)
    if (m[static_cast<std::size_t>(i)] != ' ') return i;
  return -1;
}

int edmaskl_module() {
  static int index = kv::modules().register_module("EDMASKL", KV_VERSION, KV_REVISION);
  return index;
}

}  // namespace

std::optional<MaskRecord> mask_line(std::string_view line) {
  if (line.empty()) return std::nullopt;
  std::uint8_t kind = static_cast<std::uint8_t>(line[0]);
  std::string_view window = line.substr(0, std::min(line.size(), kMarkerWindow));
  std::size_t end = window.find(static_cast<char>(kMaskEnd));
  bool marked = end != std::string_view::npos && end >= 1;
  bool justified =
      kind == 'C' && line.size() >= 2 && is_justification(static_cast<std::uint8_t>(line[1]));
  if (!((kind == 'N' || kind == 'C' || kind == 'D') && marked) && !justified) return std::nullopt;
  MaskRecord r;
  r.fill(' ');
  if (marked) {
    std::size_t n = std::min(end, kTextBeforeEnd);
    std::memcpy(r.data(), line.data(), n);
    r[n] = kMaskEnd;
  } else {
    std::memcpy(r.data(), line.data(), std::min(line.size(), kTextBeforeEnd));
    r[kTextBeforeEnd] = kMaskEnd;
  }
  return r;
}

void MaskLibrary::load_text(std::string_view text) {
  masks_.clear();
  unmarked_.clear();
  std::size_t i = 0;
  int number = 0;
  while (i < text.size() && masks_.size() < static_cast<std::size_t>(kMaxMasks)) {
    std::size_t nl = text.find('\n', i);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(i, nl - i);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (auto m = mask_line(line))
      masks_.push_back(*m);
    else if (!line.empty() && (line[0] == 'N' || line[0] == 'C' || line[0] == 'D'))
      unmarked_.push_back(number);
    i = nl + 1;
  }
}

bool MaskLibrary::load(const std::string& path) {
  masks_.clear();
  unmarked_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream s;
  s << in.rdbuf();
  load_text(s.str());
  return true;
}

MaskRecord MaskLibrary::mask(int n) const {
  MaskRecord r;
  if (masks_.empty()) {
    r.fill(' ');
    return r;
  }
  if (n < 1 || n > count()) n = 1;
  return masks_[static_cast<std::size_t>(n - 1)];
}

const MaskLibrary& mask_library() {
  Loaded& l = loaded();
  if (!l.loaded) {
    l.library.load(kv::editor::mask_directory_path() + kMaskFileName);
    l.loaded = true;
  }
  return l.library;
}

void reset_mask_library() { loaded() = Loaded{}; }

MaskedLength masked_length(const MaskRecord& mask, int positions) {
  MaskedLength out;
  if (positions < 0) positions = 0;
  int end = end_of(mask);
  if (end < 2 || mask[static_cast<std::size_t>(end)] != kMaskEnd) {
    // No mask (an empty library) or no terminator: nothing to measure.
    out.display_length = positions;
    out.return_code = 24;
    return out;
  }
  std::uint8_t kind = mask[0];
  std::string text(reinterpret_cast<const char*>(mask.data()) + 2,
                   static_cast<std::size_t>(end - 2));
  const kv::mask::CountryValues& cv = kv::mask::country_values();

  if (kind == 'D') {
    std::uint8_t first = mask[2];
    char sep = static_cast<char>(first > ' ' ? first : cv.date_sep);
    bool day_or_month_first = cv.date_order == 0 || cv.date_order == 1;
    text = day_or_month_first && positions > 6 ? std::string("99") + sep + "99" + sep + "9999"
                                               : std::string("9999") + sep + "99" + sep + "99";
    kind = 'N';
  }

  if (kind == 'N') {
    const char currency = static_cast<char>(cv.currency);
    const char decimal = static_cast<char>(cv.decimal);
    int digits = 0, i = static_cast<int>(text.size()) - 1;
    bool currency_walked = false;
    int stopped = 0;
    while (digits < positions) {
      if (i < 0) {
        out.return_code = 24;
        break;
      }
      char c = text[static_cast<std::size_t>(i)];
      ++out.display_length;
      if (c == '9' || c == 'Z' || c == currency) ++digits;
      if (c == currency) currency_walked = true;
      stopped = i--;
    }
    if (out.return_code == 0) {
      if (currency_walked || (!text.empty() && text[0] == currency)) ++out.display_length;
      if (stopped > 0 && text[static_cast<std::size_t>(stopped - 1)] == decimal)
        ++out.display_length;
    }
    return out;
  }

  if (kind == 'C') {
    bool blank = text.find_first_not_of(' ') == std::string::npos;
    if (is_justification(mask[1]) && blank) {
      // Justified text: every position is a data position.
      out.display_length = positions;
      return out;
    }
    int data = 0;
    std::size_t i = 0;
    while (data < positions) {
      if (i >= text.size()) {
        // The terminator came first: the mask holds fewer positions.
        out.return_code = 24;
        break;
      }
      ++out.display_length;
      if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') {
        i += 2;
      } else {
        if (text[i] == ' ') ++data;
        ++i;
      }
    }
    return out;
  }

  out.display_length = positions;
  out.return_code = 24;
  return out;
}

}  // namespace kv::editor::masklib

using namespace kv::editor::masklib;

extern "C" {

int DSGNMASK(const std::uint8_t* number3, std::uint8_t* record82) {
  auto n = std::string_view(reinterpret_cast<const char*>(number3), 3);
  int number = 1;
  if (std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; }))
    number = (n[0] - '0') * 100 + (n[1] - '0') * 10 + (n[2] - '0');
  MaskRecord m = mask_library().mask(number);
  std::memcpy(record82, m.data(), kMaskRecord);
  return 0;
}

int EDMASKL(const std::uint8_t* /*control*/, const std::uint8_t* mask16,
            const std::uint8_t* /*text*/, const std::uint8_t* length16,
            const std::uint8_t* /*text2*/, std::uint8_t* display16) {
  int number = kv::get_s16(mask16);
  int positions = kv::get_s16(length16);
  if (number == kHexMask) {
    kv::put_s16(display16, static_cast<std::int16_t>(2 * std::max(positions, 0)));
    return 0;
  }
  MaskRecord m = mask_library().mask(number);
  int module = edmaskl_module();
  if (kv::modules().trace(module) == 'L') {
    int end = end_of(m);
    std::string content(reinterpret_cast<const char*>(m.data()),
                        static_cast<std::size_t>(std::max(end, 0)));
    kv::trace(module, "Mask number/Content: " + kv::zero_padded(number, 3), "", content);
    kv::trace(module, "Mask terminator: ", "",
              end >= 0 && m[static_cast<std::size_t>(end)] == kMaskEnd
                  ? "X'DD' at " + kv::num(end + 1)
                  : "none");
  }
  MaskedLength r = masked_length(m, positions);
  kv::put_s16(display16, static_cast<std::int16_t>(r.display_length));
  return r.return_code;
}

int DSGNMASKD(std::uint8_t* control, const std::uint8_t* input, std::uint8_t* output) {
  int out_length = kv::get_s16(control);
  int in_length = std::max<int>(kv::get_s16(control + 2), 0);
  char mode = static_cast<char>(control[4]);
  char function = static_cast<char>(control[5]);
  const std::uint8_t* mask = control + 6;

  if (function == 'H') {
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < in_length; ++i) {
      output[2 * i] = static_cast<std::uint8_t>(kHex[input[i] >> 4]);
      output[2 * i + 1] = static_cast<std::uint8_t>(kHex[input[i] & 15]);
    }
    kv::put_s16(control, static_cast<std::int16_t>(2 * in_length));
    return 0;
  }

  constexpr int kBuf = kv::mask::kBufferSize;
  int n = std::min(in_length, kBuf);
  MaskRecord record;
  std::memcpy(record.data(), mask, kMaskRecord);
  int width = out_length;
  if (width <= 0 || width > kBuf) width = masked_length(record, n).display_length;
  width = std::clamp(width, 1, kBuf);
  char direction = mode == 'U' ? 'U' : 'D';
  std::uint8_t value[kBuf], display[kBuf];
  std::memset(display, ' ', sizeof display);

  kv::mask::MaskRequest r = kv::mask::make_request(record.data(), width, direction);
  if (direction == 'U' && (function == '4' || function == '5')) r.mode = function;
  bool numeric = record[0] == 'N' || record[0] == 'D';
  if (direction == 'D') {
    // Numeric values are data-length digits: the input's digits go at the
    // right-hand end of that length.
    int digits = kv::mask::data_length(r);
    if (numeric && digits > 0) {
      std::memset(value, '0', sizeof value);
      int take = std::min(n, digits);
      std::memcpy(value + (digits - take), input + (n - take), static_cast<std::size_t>(take));
    } else {
      std::memset(value, ' ', sizeof value);
      std::memcpy(value, input, static_cast<std::size_t>(n));
    }
    std::memset(display, ' ', sizeof display);
    kv::mask::SCRMASK(r, value, display, nullptr);
    std::memcpy(output, display, static_cast<std::size_t>(width));
    kv::put_s16(control + 2, static_cast<std::int16_t>(width));
  } else {
    std::memset(value, ' ', sizeof value);
    std::memcpy(display, input, static_cast<std::size_t>(std::min(n, width)));
    kv::mask::SCRMASK(r, value, display, nullptr);
    int produced = numeric ? r.data_length : width;
    std::memcpy(output, value, static_cast<std::size_t>(produced));
    kv::put_s16(control + 2, static_cast<std::int16_t>(produced));
  }
  return r.return_code;
}

}  // extern "C"
