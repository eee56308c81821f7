#include "editor/generator/panel_build.h"

#include <algorithm>
#include <cstring>

#include "editor/generator/cobol_values.h"

namespace {
// The runtime's built-in mask table: what an application that links the
// default EDITMASK gets for masks its mask library does not define.
#include "appside/default_masks.inc"
}  // namespace
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/panel_areas.h"

namespace kv::editor::gen {

namespace {

using lib::FieldView;
using lib::HeaderView;
using lib::ImageLineView;
using lib::ValidationView;

std::string until_space(std::string_view s) {
  auto p = s.find(' ');
  return std::string(p == std::string_view::npos ? s : s.substr(0, p));
}

std::string trimmed(std::string_view s) { return std::string(kv::trim_right(s)); }

bool all_digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The screen image as rows of 80 characters and 80 attributes.
struct Image {
  std::vector<std::array<u8, 80>> text, colour;
};

// Image lines by kind; false when a row is missing or out of order.
bool read_image(const std::vector<lib::Bytes>& lines, Image& img) {
  for (const auto& l : lines) {
    if (l.size() != lib::kImageLineLength) return false;
    lib::Bytes copy = l;
    ImageLineView v(copy);
    auto row = v.row();
    auto& rows = v.line_kind() == lib::kColourLine ? img.colour : img.text;
    if (v.line_kind() != lib::kColourLine && v.line_kind() != lib::kTextLine) return false;
    if (!row || *row != static_cast<int>(rows.size()) + 1) return false;
    std::array<u8, 80> cells;
    std::memcpy(cells.data(), v.cells().data(), 80);
    rows.push_back(cells);
  }
  return !img.text.empty() && img.text.size() == img.colour.size() &&
         img.text.size() <= static_cast<std::size_t>(lib::kMaxRows);
}

}  // namespace

bool FieldLayout::is_filler() const { return name == "FILLER" || name.empty(); }

namespace {
Bytes padded_to(const Bytes& in, std::size_t unit) {
  Bytes b = in;
  while (b.size() % unit != 0) b.push_back(0xFF);
  return b;
}
}  // namespace

Bytes PanelBuild::work_s_full() const { return padded_to(work_s, 14); }

Bytes PanelBuild::work_d_full() const {
  Bytes b = padded_to(work_d, 14);
  b.push_back(0xFF);
  b.insert(b.end(), validations.begin(), validations.end());
  return b;
}

std::optional<int> colour_value(std::string_view bff) {
  if (bff.size() != 3 || bff[0] < '0' || bff[0] > '7' || !all_digits(bff.substr(1)))
    return std::nullopt;
  int b = bff[0] - '0';
  int ff = (bff[1] - '0') * 10 + (bff[2] - '0');
  if (ff > 31) return std::nullopt;
  return b * 16 + ff + (ff >= 16 ? 112 : 0);
}

masklib::MaskRecord builtin_default_mask() {
  masklib::MaskRecord m;
  m.fill(' ');
  const char* text = "N 999999999999999999999-";
  std::size_t n = std::strlen(text);
  std::memcpy(m.data(), text, n);
  m[n] = masklib::kMaskEnd;
  return m;
}

PanelCheck check_panel(const lib::PanelRecords& r) {
  if (r.header.empty()) return PanelCheck::NotFound;
  // A name that begins with a space leaves nothing to name the copybook
  // and its data items after.
  if (r.header.size() != lib::kHeaderLength || r.header[0] == ' ') return PanelCheck::Damaged;
  lib::Bytes h = r.header;
  if (HeaderView(h).complete() != 'Y') return PanelCheck::Incomplete;
  Image img;
  if (!read_image(r.images, img)) return PanelCheck::CutShort;
  for (const auto& f : r.fields) {
    if (f.size() != lib::kFieldLength) return PanelCheck::Damaged;
    lib::Bytes copy = f;
    FieldView v(copy);
    if (!v.digits_valid()) return PanelCheck::Damaged;
    int row = *v.row(), col = *v.column(), len = *v.length();
    if (row < 1 || row > lib::kMaxRows || col < 1 || col > lib::kColumns || len < 1)
      return PanelCheck::Damaged;
  }
  for (const auto& val : r.validations) {
    if (val.size() != lib::kValidationLength) return PanelCheck::Damaged;
    lib::Bytes copy = val;
    ValidationView v(copy);
    if (!v.row() || !v.column()) return PanelCheck::Damaged;
  }
  return PanelCheck::Ok;
}

std::vector<std::string> check_messages(PanelCheck check, std::string_view name) {
  std::string n = until_space(name);
  switch (check) {
    case PanelCheck::Ok:
      return {};
    case PanelCheck::NotFound:
      return {"Panel " + n + " not found...."};
    case PanelCheck::CutShort:
      return {"Premature EOF on " + n + "!"};
    case PanelCheck::Incomplete:
      return {"Panel " + n + " is marked incomplete", "and may not be generated till corrected!"};
    case PanelCheck::Damaged:
      return {"Panel " + n + " has a damaged record", "and may not be generated till corrected!"};
  }
  return {};
}

namespace {

// Storage length of a field from its display length, as the runtime sizes
// it: a masked field holds what its mask takes back from the display (the
// data length DSGNMASKD reports when converting display text to a value),
// a hexadecimal field half its display length, any other its length.
int rule_storage_length(const FieldLayout& f, const masklib::MaskRecord& default_mask,
                        const masklib::MaskLibrary& masks) {
  bool masked = f.mask >= 1 && f.mask <= 253;
  bool default_type = f.mask == 0 && (f.type == '2' || f.type == '3');
  if (masked || default_type) {
    masklib::MaskRecord m;
    if (default_type || f.mask == 1) {
      m = default_mask;
    } else if (f.mask <= masks.count()) {
      m = masks.mask(f.mask);
    } else if (f.mask <= static_cast<int>(std::size(kDefaultMasks))) {
      m.fill(' ');
      std::memcpy(m.data(), kDefaultMasks[f.mask - 1], sizeof kDefaultMasks[0]);
    } else {
      m = default_mask;
    }
    u8 control[6 + masklib::kMaskRecord];
    kv::put_s16(control, static_cast<std::int16_t>(f.display_length));
    kv::put_s16(control + 2, static_cast<std::int16_t>(f.display_length));
    control[4] = 'U';
    control[5] = static_cast<u8>(f.type);
    std::memcpy(control + 6, m.data(), m.size());
    std::vector<u8> input(static_cast<std::size_t>(std::max(f.display_length, 1)), ' ');
    std::vector<u8> output(256, ' ');
    DSGNMASKD(control, input.data(), output.data());
    int n = kv::get_s16(control + 2);
    return n > 0 ? n : f.display_length;
  }
  if (f.type == 'H') return f.display_length / 2;
  return f.display_length;
}

void put_digit_field(u8* p, std::string_view digits, std::uint16_t fallback) {
  kv::put_s16(p, all_digits(digits) ? static_cast<std::int16_t>(std::stoi(std::string(digits)))
                                    : static_cast<std::int16_t>(fallback));
}

// The static items of the image (see the header comment of build_work_s).
class StaticEncoder {
 public:
  StaticEncoder(const Image& img, u8 static_attr, bool window, u8 marker)
      : img_(img), static_attr_(static_attr), window_(window), marker_(marker) {
    cells_ = static_cast<int>(img.text.size()) * 80;
  }

  // Items appended to `out`; the highest row and column encoded.
  void encode(Bytes& out, int& max_row, int& max_col) {
    int i = 0;
    while (i < cells_) {
      u8 ch = cell(i), at = attr(i);
      if (ch == 0x00) {
        close(out);
        ++i;
        continue;
      }
      if (open_ && at != item_attr_) close(out);
      bool own_space = ch == ' ' && (window_ || at != static_attr_);
      if (ch == ' ' && !own_space && !open_) {
        ++i;
        continue;
      }
      int need = own_space ? 13 : 4;
      if (repeats(i, need)) {
        close(out);
        int copies = 1;
        while (copies < 174 && i + copies < cells_ && cell(i + copies) == ch &&
               attr(i + copies) == at)
          ++copies;
        out.push_back(static_cast<u8>(80 + copies));
        out.push_back(static_cast<u8>(i / 80 + 1));
        out.push_back(static_cast<u8>(i % 80 + 1));
        out.push_back(at);
        out.push_back(ch);
        for (int k = 0; k < copies; ++k) mark(i + k, max_row, max_col);
        i += copies;
        continue;
      }
      if (!open_) {
        open_ = true;
        item_start_ = i;
        item_attr_ = at;
        text_.clear();
      }
      text_.push_back(ch);
      mark(i, max_row, max_col);
      ++i;
      if (text_.size() == 80) close(out);
    }
    close(out);
    out.push_back(0xFF);
  }

 private:
  u8 cell(int i) const {
    u8 c = img_.text[static_cast<std::size_t>(i / 80)][static_cast<std::size_t>(i % 80)];
    // In a window panel the transparent marker lets the screen beneath
    // show through: it is painted no more than X'00' is.
    if (window_ && c == marker_) return 0x00;
    return c;
  }
  u8 attr(int i) const {
    return img_.colour[static_cast<std::size_t>(i / 80)][static_cast<std::size_t>(i % 80)];
  }
  bool repeats(int i, int n) const {
    if (i + n >= cells_) return false;
    for (int k = 1; k <= n; ++k)
      if (cell(i + k) != cell(i) || attr(i + k) != attr(i)) return false;
    return true;
  }
  void mark(int i, int& max_row, int& max_col) {
    max_row = std::max(max_row, i / 80 + 1);
    max_col = std::max(max_col, i % 80 + 1);
  }
  void close(Bytes& out) {
    if (!open_) return;
    out.push_back(static_cast<u8>(text_.size()));
    out.push_back(static_cast<u8>(item_start_ / 80 + 1));
    out.push_back(static_cast<u8>(item_start_ % 80 + 1));
    out.push_back(item_attr_);
    out.insert(out.end(), text_.begin(), text_.end());
    open_ = false;
  }

  const Image& img_;
  u8 static_attr_;
  bool window_;
  u8 marker_;
  int cells_ = 0;
  bool open_ = false;
  int item_start_ = 0;
  u8 item_attr_ = 0;
  Bytes text_;
};

}  // namespace

PanelBuild build_panel(const lib::PanelRecords& records, const masklib::MaskRecord& default_mask,
                       const masklib::MaskLibrary& masks, const CopybookChoices& choices,
                       const MessageSink& sink) {
  auto say = [&](std::string text, bool error = false, bool warning = false) {
    if (sink) sink(Message{std::move(text), error, warning});
  };
  PanelBuild b;
  lib::Bytes hdr = records.header;
  HeaderView h(hdr);
  b.name = until_space(h.name());
  b.quote = h.quote() == '"' ? '"' : '\'';
  b.window = h.window_panel() == 'Y';
  u8 flags = h.copybook_flags();
  auto choose = [](char c, bool dflt) { return c == 'Y' ? true : c == 'N' ? false : dflt; };
  b.named_attributes = choose(choices.named_attributes, flags & HeaderView::kNamedAttributes);
  b.comments = choose(choices.comments, !(flags & HeaderView::kNoComments));
  bool prefix_name = choose(choices.prefix, flags & HeaderView::kNamePrefix);
  b.prefix = prefix_name ? b.name : "PANEL";
  b.header_field_count = h.field_count().value_or(0);

  Image img;
  read_image(records.images, img);
  b.rows = static_cast<int>(img.text.size());
  u8 static_attr = h.base_attribute().value_or(0x07);

  // ---- WORK-S
  say("Generating static image ...");
  Bytes ws(19, ' ');
  ws[0] = static_attr;
  ws[1] = 'B';
  ws[6] = 20;
  ws[7] = b.rows <= 25 ? 1 : b.rows <= 43 ? 3 : 4;
  ws[8] = 1;
  int max_row = 0, max_col = 0;
  StaticEncoder(img, static_attr, b.window, static_cast<u8>(h.transparent()))
      .encode(ws, max_row, max_col);
  int win_h = b.window ? max_row : 0, win_w = b.window ? max_col : 0;
  kv::put_u16(ws.data() + 2, static_cast<std::uint16_t>(win_h));
  kv::put_u16(ws.data() + 4, static_cast<std::uint16_t>(win_w));
  b.work_s = std::move(ws);

  // ---- fields
  say("Generating data field specifications ...");
  struct Def {
    FieldLayout f;
    std::uint16_t sort = 0;
    int position = 0;  // in row and column order
    std::optional<int> custom_tab;
  };
  std::vector<Def> defs;
  for (const auto& rec : records.fields) {
    lib::Bytes copy = rec;
    FieldView v(copy);
    Def d;
    d.f.row = *v.row();
    d.f.column = *v.column();
    d.f.display_length = *v.length();
    d.f.attribute = v.attribute().value_or(static_attr);
    d.f.type = v.type();
    d.f.name = trimmed(v.data_name());
    d.f.picture = until_space(v.picture());
    d.f.value = v.value_text();
    d.f.mask = v.mask().value_or(0);
    d.f.option1 = v.option1();
    d.f.option2 = v.option2();
    d.f.option3 = v.option3();
    d.sort = v.sort_word();
    d.custom_tab = v.custom_tab();
    d.position = static_cast<int>(defs.size()) + 1;
    defs.push_back(std::move(d));
  }
  std::stable_sort(defs.begin(), defs.end(), [](const Def& a, const Def& x) {
    if (a.sort != x.sort) return a.sort < x.sort;
    if (a.f.row != x.f.row) return a.f.row < x.f.row;
    return a.f.column < x.f.column;
  });
  const int n = static_cast<int>(defs.size());
  if (n != b.header_field_count) {
    b.field_count_mismatch = true;
    say("Field count mismatch.  Check this panel!!", true);
  }
  bool custom = false;
  bool forced = false;
  int offset = 4 * n + 1;
  for (int i = 0; i < n; ++i) {
    FieldLayout& f = defs[static_cast<std::size_t>(i)].f;
    f.number = i + 1;
    int rule = rule_storage_length(f, default_mask, masks);
    auto pic = picture_size(f.picture);
    // The copybook lays the user fields out by their pictures, so the data
    // offsets must follow the pictures too, or every later field's data
    // would be read from its neighbour's bytes.
    f.storage_length = pic ? *pic : rule;
    std::string field_name =
        "Field " + (f.name.empty() ? std::string("at ") + std::to_string(f.row) + "/" +
                                         std::to_string(f.column)
                                   : f.name);
    if (pic && *pic != rule)
      say(field_name + ": PIC holds " + std::to_string(*pic) + " bytes, its display needs " +
              std::to_string(rule) + "; the PIC is used",
          false, true);
    // A picture that reached the library without the field form's checks
    // (panel text, an old library) is copied into the copybook as it
    // stands, where cobc refuses it; say so here, by field.
    if (!pic && !f.picture.empty())
      say(field_name + ": PIC " + f.picture + " is not a COBOL picture; cobc will refuse it", false,
          true);
    if (f.storage_length < 1) f.storage_length = 1;
    f.data_offset = offset;
    offset += f.storage_length;
    if (f.mask < 1 || f.mask > 253) f.mask = 0;
    const Def& d = defs[static_cast<std::size_t>(i)];
    if (d.custom_tab) custom = true;
    f.tab = d.custom_tab ? *d.custom_tab : d.position;
    if (f.initially_protected() && !forced) {
      forced = true;
      b.named_attributes = true;
      say("FORCING Named Attributes ON for INITIAL-PROTECT field(s)!");
    }
  }
  if (custom) say("Applying customized tabbing order ...");
  std::vector<int> order(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int x) {
    return defs[static_cast<std::size_t>(a)].f.tab < defs[static_cast<std::size_t>(x)].f.tab;
  });
  for (int k = 0; k < n; ++k) {
    FieldLayout& f = defs[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])].f;
    f.previous = order[static_cast<std::size_t>((k + n - 1) % n)] + 1;
    f.next = order[static_cast<std::size_t>((k + 1) % n)] + 1;
  }
  for (auto& d : defs) b.fields.push_back(std::move(d.f));

  // ---- WORK-D
  int home = h.home_field().value_or(1);
  Bytes wd(16, ' ');
  kv::put_u16(wd.data(), static_cast<std::uint16_t>(n));
  kv::put_u16(wd.data() + 2, static_cast<std::uint16_t>(win_h));
  kv::put_u16(wd.data() + 4, static_cast<std::uint16_t>(win_w));
  wd[6] = 'B';
  kv::put_u16(wd.data() + 7, static_cast<std::uint16_t>(home > n ? n : home));
  for (const FieldLayout& f : b.fields) {
    u8 d[16];
    d[0] = static_cast<u8>(f.row);
    d[1] = static_cast<u8>(f.column);
    d[2] = static_cast<u8>(f.display_length);
    d[3] = f.attribute;
    d[4] = static_cast<u8>(f.type);
    kv::put_u16(d + 5, static_cast<std::uint16_t>(f.data_offset));
    d[7] = static_cast<u8>(f.mask);
    d[8] = f.option1;
    d[9] = f.option2;
    d[10] = f.option3;
    d[11] = 0;
    kv::put_u16(d + 12, static_cast<std::uint16_t>(f.previous));
    kv::put_u16(d + 14, static_cast<std::uint16_t>(f.next));
    wd.insert(wd.end(), d, d + 16);
  }
  b.work_d = std::move(wd);

  // ---- validation records
  Bytes vl;
  std::size_t total = 0;
  for (const auto& rec : records.validations) {
    lib::Bytes copy = rec;
    ValidationView v(copy);
    Bytes r;
    r.push_back(static_cast<u8>(*v.row()));
    r.push_back(static_cast<u8>(*v.column()));
    r.push_back(static_cast<u8>(v.separator()));
    r.push_back(static_cast<u8>(v.range_indicator()));
    std::string values = trimmed(v.values());
    r.insert(r.end(), values.begin(), values.end());
    r.push_back(0x00);
    total += r.size();
    if (vl.size() + r.size() + 1 <= kValidationLimit) {
      vl.insert(vl.end(), r.begin(), r.end());
    } else {
      say("Validation values at row " + std::to_string(*v.row()) + " column " +
              std::to_string(*v.column()) + " do not fit in 236 bytes: dropped",
          true);
    }
  }
  if (vl.empty()) vl.push_back(0x00);
  do {
    vl.push_back(0xFF);
  } while (vl.size() % 4 != 0);
  b.validations = std::move(vl);
  b.validation_blocks = 1 + static_cast<int>(total / kValidationLimit);
  b.storage_estimate = 16 + 16 * n + static_cast<int>(kValidationLimit) * b.validation_blocks;
  b.too_large = b.storage_estimate > kStorageLimit;

  // ---- panel record
  auto digits_of = [&](std::size_t off, std::size_t len) {
    return std::string(reinterpret_cast<const char*>(hdr.data() + off), len);
  };
  Bytes pr(panel_off::kFixedSize, 0);
  std::memcpy(pr.data(), hdr.data(), 8);
  kv::put_u16(pr.data() + panel_off::kNumbOfFields, static_cast<std::uint16_t>(n));
  pr[panel_off::kBaseColor] = b.window ? '8' : hdr[47];
  kv::put_u16(pr.data() + panel_off::kActiveColor,
              static_cast<std::uint16_t>(colour_value(h.active_colour()).value_or(0)));
  kv::put_u16(pr.data() + panel_off::kErrorColor,
              static_cast<std::uint16_t>(colour_value(h.error_colour()).value_or(0)));
  kv::put_u16(pr.data() + panel_off::kMenuColor,
              static_cast<std::uint16_t>(colour_value(h.menu_colour()).value_or(0)));
  std::memcpy(pr.data() + panel_off::kMenuLineA, hdr.data() + 89, 80);
  std::memset(pr.data() + panel_off::kMenuMsg, ' ', 80);
  put_digit_field(pr.data() + panel_off::kCursorField, digits_of(59, 3), 0);
  pr[panel_off::kOffsetTheCursor] = 'N';
  pr[panel_off::kRepaintScreen] = 'Y';
  pr[panel_off::kShowWaitMsg] = (flags & HeaderView::kNoWaitMessage) ? 'N' : 'Y';
  std::memcpy(pr.data() + panel_off::kArrowExitName, hdr.data() + 65, 24);
  pr[panel_off::kCodeSet] = 'C';
  put_digit_field(pr.data() + panel_off::kBorderColor, digits_of(170, 2), 0);
  put_digit_field(pr.data() + panel_off::kPresentFreq, digits_of(172, 4), 1000);
  put_digit_field(pr.data() + panel_off::kPresentTime, digits_of(176, 4), 20);
  put_digit_field(pr.data() + panel_off::kErrorFreq, digits_of(180, 4), 37);
  put_digit_field(pr.data() + panel_off::kErrorTime, digits_of(184, 4), 10);
  char ct = h.cursor_type();
  pr[panel_off::kCursorType] =
      (h.version() != 'A' || ct < '0' || ct > '3') ? '1' : static_cast<u8>(ct);
  char ind = h.indicator();
  pr[panel_off::kIndicators] = (ind >= '0' && ind <= '9') ? static_cast<u8>(ind) : '0';
  pr[panel_off::kShiftStates] = ' ';
  pr[panel_off::kScanCode] = ' ';
  for (const FieldLayout& f : b.fields) {
    u8 entry[4] = {0, 0, 0, 0};
    if (b.named_attributes && f.initially_protected()) entry[3] = 'P';
    pr.insert(pr.end(), entry, entry + 4);
  }
  for (const FieldLayout& f : b.fields) {
    Bytes v = value_bytes(f.value, f.picture, f.storage_length, b.quote);
    pr.insert(pr.end(), v.begin(), v.end());
  }
  b.panel_record = std::move(pr);

  // The header as the library keeps it once the copybook is written.
  h.set_field_count(n);
  h.set_copybook_current('Y');
  h.set_version('B');
  b.header = std::move(hdr);
  return b;
}

}  // namespace kv::editor::gen
