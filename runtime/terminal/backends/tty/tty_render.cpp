#include "runtime/terminal/backends/tty/tty_render.h"

#include <algorithm>
#include <cctype>

#include "runtime/utilities/codepage.h"

namespace kv::term::tty {

namespace {

// Box-drawing characters of the overlays.
constexpr char32_t kH = U'─', kV = U'│', kTL = U'┌', kTR = U'┐', kBL = U'└', kBR = U'┘', kLT = U'├',
                   kRT = U'┤';

void frame_box(Frame& f, int top, int left, int height, int width, std::uint8_t attr) {
  if (height < 2 || width < 2) return;
  int bottom = top + height - 1, right = left + width - 1;
  for (int r = top; r <= bottom; ++r) {
    if (r < 0 || r >= f.rows()) continue;
    for (int c = left; c <= right; ++c) {
      if (c < 0 || c >= f.cols()) continue;
      char32_t ch = U' ';
      bool edge_r = r == top || r == bottom, edge_c = c == left || c == right;
      if (edge_r && edge_c)
        ch = r == top ? (c == left ? kTL : kTR) : (c == left ? kBL : kBR);
      else if (edge_r)
        ch = kH;
      else if (edge_c)
        ch = kV;
      f.at(r, c) = {ch, attr};
    }
  }
}

std::pair<std::string, std::string> split_tab(std::string_view text) {
  std::size_t tab = text.find('\t');
  if (tab == std::string_view::npos) return {menu_label(text), {}};
  return {menu_label(text.substr(0, tab)), std::string(text.substr(tab + 1))};
}

int popup_width(const MenuPopup& p) {
  int label = 0, accel = 0;
  for (const MenuItem& i : p.items) {
    auto [l, a] = split_tab(i.text);
    label = std::max(label, static_cast<int>(l.size()));
    accel = std::max(accel, static_cast<int>(a.size()));
  }
  // Border, check mark column, label, gap, accelerator, space, border.
  return 1 + 1 + label + (accel > 0 ? 2 + accel : 0) + 1 + 1;
}

void draw_menu_bar(Frame& f, const MenuBar& menu, int row, int open_popup) {
  if (row < 0 || row >= f.rows()) return;
  f.fill(row, 0, f.cols(), {U' ', kBarAttr});
  MenuGeometry g = menu_geometry(menu, row, f.cols(), f.rows(), -1);
  for (std::size_t p = 0; p < menu.popups.size() && p < g.titles.size(); ++p) {
    auto [start, width] = g.titles[p];
    bool open = static_cast<int>(p) == open_popup;
    std::uint8_t attr = open ? kSelectedAttr : kBarAttr;
    f.fill(row, start, width, {U' ', attr});
    std::string label = menu_label(menu.popups[p].title);
    f.put(row, start + 1, label, attr);
    // The mnemonic letter is marked on the closed titles.
    std::size_t amp = menu.popups[p].title.find('&');
    if (!open && amp != std::string::npos && amp + 1 < menu.popups[p].title.size()) {
      int c = start + 1 + static_cast<int>(amp);
      if (c < f.cols()) f.at(row, c).attr = kMnemonicAttr;
    }
  }
}

void draw_popup(Frame& f, const MenuBar& menu, int bar_row, int open_popup, int selected) {
  if (open_popup < 0 || static_cast<std::size_t>(open_popup) >= menu.popups.size()) return;
  const MenuPopup& p = menu.popups[static_cast<std::size_t>(open_popup)];
  MenuGeometry g = menu_geometry(menu, bar_row, f.cols(), f.rows(), open_popup);
  frame_box(f, g.popup_top, g.popup_left, g.popup_height, g.popup_width, kBarAttr);
  int inner = g.popup_width - 2;
  for (std::size_t i = 0; i < p.items.size(); ++i) {
    int r = g.popup_top + 1 + static_cast<int>(i);
    if (r >= f.rows() - 0 || r >= g.popup_top + g.popup_height - 1) break;
    const MenuItem& it = p.items[i];
    if (it.command == 0 && it.text.empty()) {
      f.fill(r, g.popup_left, g.popup_width, {kH, kBarAttr});
      if (g.popup_left < f.cols()) f.at(r, g.popup_left).ch = kLT;
      int rc = g.popup_left + g.popup_width - 1;
      if (rc < f.cols()) f.at(r, rc).ch = kRT;
      continue;
    }
    std::uint8_t attr = static_cast<int>(i) == selected ? kSelectedAttr
                        : it.grayed                     ? kGrayedAttr
                                                        : kBarAttr;
    f.fill(r, g.popup_left + 1, inner, {U' ', attr});
    if (it.checked && g.popup_left + 1 < f.cols()) f.at(r, g.popup_left + 1).ch = U'√';
    auto [label, accel] = split_tab(it.text);
    f.put(r, g.popup_left + 2, label, attr, inner - 1);
    if (!accel.empty()) {
      int c = g.popup_left + 1 + inner - 1 - static_cast<int>(accel.size());
      f.put(r, c, accel, attr);
    }
  }
}

void draw_status(Frame& f, const Scene& s) {
  const Layout& l = s.layout;
  int row = l.status_row;
  // Without a row of its own, a message just shown lies over the panel's
  // last row until the next key or click.
  if (row < 0 && s.message_over_panel && !s.status_texts[0].empty() && l.view_rows > 0)
    row = l.top + l.view_rows - 1;
  if (row < 0 || row >= f.rows()) return;
  f.fill(row, 0, f.cols(), {U' ', kBarAttr});
  // The three indicators keep six columns each at the right; the first
  // part, the runtime's messages, has the rest of the row.
  static constexpr int kIndicator = 6;
  int indicators = f.cols() >= 40 ? 3 * kIndicator : 0;
  int first_width = f.cols() - indicators;
  std::string text = s.status_texts[0];
  if (l.too_small) text = small_note(l) + (text.empty() ? "" : "  " + text);
  f.put(row, 1, text, kBarAttr, std::max(first_width - 2, 0));
  if (indicators == 0) return;
  for (int p = 1; p <= 3; ++p) {
    int start = first_width + (p - 1) * kIndicator;
    std::uint8_t attr = s.status_raised[static_cast<std::size_t>(p)] ? kRaisedAttr : kFlatAttr;
    f.at(row, start).ch = kV;
    f.fill(row, start + 1, kIndicator - 1, {U' ', attr});
    f.put(row, start + 1, s.status_texts[static_cast<std::size_t>(p)], attr, kIndicator - 1);
  }
}

void draw_modeless(Frame& f, std::string_view text) {
  static constexpr std::string_view kCaption = "Warning/Status message:";
  int width = std::min(
      f.cols(), std::max(static_cast<int>(text.size()), static_cast<int>(kCaption.size())) + 4);
  if (width < 4 || f.rows() < 4) return;
  int left = (f.cols() - width) / 2;
  frame_box(f, 0, left, 4, width, kBarAttr);
  f.put(0, left + 2, kCaption, kBarAttr, width - 4);
  f.put(1, left + 2, text, kBarAttr, width - 4);
  f.fill(2, left + 1, width - 2, {U' ', kBarAttr});
}

void draw_box(Frame& f, const Box& box) {
  BoxGeometry g = box_geometry(box, f.rows(), f.cols());
  frame_box(f, g.top, g.left, g.height, g.width, kBarAttr);
  std::uint8_t caption = box.stop ? kStopCaptionAttr : kSelectedAttr;
  f.fill(g.top, g.left, g.width, {U' ', caption});
  int title_width = std::min(static_cast<int>(box.title.size()), std::max(g.width - 2, 0));
  f.put(g.top, g.left + (g.width - title_width) / 2, box.title, caption, title_width);
  for (std::size_t i = 0; i < box.lines.size(); ++i) {
    int r = g.top + 2 + static_cast<int>(i);
    if (r >= g.button_row - 1) break;
    f.put(r, g.left + 2, box.lines[i], kBarAttr, g.width - 4);
  }
  for (std::size_t b = 0; b < box.buttons.size() && b < g.buttons.size(); ++b) {
    auto [start, width] = g.buttons[b];
    std::uint8_t attr = static_cast<int>(b) == box.focus ? kSelectedAttr : kBarAttr;
    f.put(g.button_row, start, "[ " + box.buttons[b] + " ]", attr, width);
  }
}

}  // namespace

void Frame::resize(int rows, int cols) {
  rows_ = std::max(rows, 0);
  cols_ = std::max(cols, 0);
  cells_.assign(static_cast<std::size_t>(rows_ * cols_), Cell{});
}

void Frame::fill(int row, int col, int width, Cell c) {
  if (row < 0 || row >= rows_) return;
  for (int i = std::max(col, 0); i < col + width && i < cols_; ++i) at(row, i) = c;
}

int Frame::put(int row, int col, std::string_view bytes, std::uint8_t attr, int max_width) {
  if (row < 0 || row >= rows_) return 0;
  int n = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (max_width >= 0 && n >= max_width) break;
    int c = col + static_cast<int>(i);
    if (c >= cols_) break;
    ++n;
    if (c < 0) continue;
    at(row, c) = {glyph(static_cast<std::uint8_t>(bytes[i])), attr};
  }
  return n;
}

Layout compute_layout(int rows, int cols, int panel_rows, int panel_cols, int caret_row,
                      int caret_col, bool caret_visible) {
  Layout l;
  l.rows = std::max(rows, 0);
  l.cols = std::max(cols, 0);
  l.panel_rows = std::max(panel_rows, 0);
  l.panel_cols = std::max(panel_cols, 0);
  if (l.rows >= l.panel_rows + 2) {
    l.menu_row = 0;
    l.top = 1;
    l.status_row = l.panel_rows + 1;
  } else if (l.rows == l.panel_rows + 1) {
    // One row to spare goes to the status bar: the runtime's messages
    // matter more than a menu bar that F10 and Alt still open.
    l.status_row = l.panel_rows;
  }
  l.too_small = l.rows < l.panel_rows || l.cols < l.panel_cols;
  if (l.too_small && l.status_row < 0 && l.rows >= 2) l.status_row = l.rows - 1;
  int room = l.status_row >= 0 && l.status_row < l.top + l.panel_rows ? l.status_row - l.top
                                                                      : l.rows - l.top;
  l.view_rows = std::clamp(std::min(room, l.panel_rows), 0, l.panel_rows);
  l.view_cols = std::min(l.cols, l.panel_cols);
  // A terminal that cannot show the whole panel follows the caret.
  if (caret_visible) {
    if (l.view_rows > 0 && caret_row >= l.view_rows) l.first_row = caret_row - l.view_rows + 1;
    if (l.view_cols > 0 && caret_col >= l.view_cols) l.first_col = caret_col - l.view_cols + 1;
    l.first_row = std::clamp(l.first_row, 0, std::max(l.panel_rows - l.view_rows, 0));
    l.first_col = std::clamp(l.first_col, 0, std::max(l.panel_cols - l.view_cols, 0));
  }
  return l;
}

std::string small_note(const Layout& l) {
  return "Terminal " + std::to_string(l.rows) + "x" + std::to_string(l.cols) + " < screen " +
         std::to_string(l.panel_rows) + "x" + std::to_string(l.panel_cols);
}

TermColour term_colour(std::uint8_t attr, int colours) {
  // Colour numbers in the order of the attribute byte (blue is 1, red 4)
  // against the terminal's order (red is 1, blue 4).
  static constexpr short kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  int fg = attr & 0x0F, bg = attr >> 4;
  TermColour t;
  if (colours >= 16) {
    t.fg = static_cast<short>(kAnsi[fg & 7] + (fg & 8));
    t.bg = static_cast<short>(kAnsi[bg & 7] + (bg & 8));
    return t;
  }
  if (colours >= 8) {
    t.fg = kAnsi[fg & 7];
    t.bg = kAnsi[bg & 7];
    t.bold = (fg & 8) != 0;
    // Dark grey (bright black) on black would vanish without bold.
    return t;
  }
  t.fg = 7;
  t.bg = 0;
  t.bold = (fg & 8) != 0;
  t.reverse = bg == 7 || bg >= 9;
  return t;
}

std::string menu_label(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

char mnemonic(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

MenuGeometry menu_geometry(const MenuBar& menu, int row, int cols, int rows, int open_popup) {
  MenuGeometry g;
  int col = 1;
  for (const MenuPopup& p : menu.popups) {
    int w = static_cast<int>(menu_label(p.title).size()) + 2;
    g.titles.emplace_back(col, w);
    col += w;
  }
  if (open_popup >= 0 && static_cast<std::size_t>(open_popup) < menu.popups.size()) {
    const MenuPopup& p = menu.popups[static_cast<std::size_t>(open_popup)];
    g.popup_width = std::min(popup_width(p), std::max(cols, 0));
    g.popup_height = std::min(static_cast<int>(p.items.size()) + 2, std::max(rows - row - 1, 0));
    g.popup_top = row + 1;
    g.popup_left = g.titles[static_cast<std::size_t>(open_popup)].first;
    if (g.popup_left + g.popup_width > cols) g.popup_left = std::max(cols - g.popup_width, 0);
  }
  return g;
}

int title_at(const MenuGeometry& g, int col) {
  for (std::size_t i = 0; i < g.titles.size(); ++i)
    if (col >= g.titles[i].first && col < g.titles[i].first + g.titles[i].second)
      return static_cast<int>(i);
  return -1;
}

int item_at(const MenuGeometry& g, const MenuBar& menu, int open_popup, int row, int col) {
  if (open_popup < 0 || static_cast<std::size_t>(open_popup) >= menu.popups.size()) return -1;
  if (col <= g.popup_left || col >= g.popup_left + g.popup_width - 1) return -1;
  int i = row - g.popup_top - 1;
  if (i < 0 || row >= g.popup_top + g.popup_height - 1) return -1;
  const MenuPopup& p = menu.popups[static_cast<std::size_t>(open_popup)];
  if (static_cast<std::size_t>(i) >= p.items.size()) return -1;
  const MenuItem& it = p.items[static_cast<std::size_t>(i)];
  if (it.command == 0 && it.text.empty()) return -1;
  return i;
}

int next_item(const MenuPopup& popup, int from, int step) {
  int n = static_cast<int>(popup.items.size());
  if (n == 0) return -1;
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = ((i + step) % n + n) % n;
    const MenuItem& it = popup.items[static_cast<std::size_t>(i)];
    if (!(it.command == 0 && it.text.empty())) return i;
  }
  return -1;
}

std::vector<std::string> box_lines(std::string_view text, int width) {
  width = std::max(width, 1);
  std::vector<std::string> raw;
  std::string cur;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      raw.push_back(cur);
      cur.clear();
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      continue;
    }
    cur += ch;
  }
  raw.push_back(cur);
  // Trailing blanks and empty last lines are the record's padding.
  for (std::string& l : raw)
    while (!l.empty() && (l.back() == ' ' || l.back() == '\0')) l.pop_back();
  while (raw.size() > 1 && raw.back().empty()) raw.pop_back();
  std::vector<std::string> out;
  for (const std::string& l : raw) {
    std::string rest = l;
    while (static_cast<int>(rest.size()) > width) {
      std::size_t cut = rest.rfind(' ', static_cast<std::size_t>(width));
      if (cut == std::string::npos || cut == 0) cut = static_cast<std::size_t>(width);
      out.push_back(rest.substr(0, cut));
      rest = rest.substr(cut);
      if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    }
    out.push_back(rest);
  }
  return out;
}

BoxGeometry box_geometry(const Box& box, int rows, int cols) {
  BoxGeometry g;
  int buttons_width = 0;
  for (const std::string& b : box.buttons) buttons_width += static_cast<int>(b.size()) + 4 + 2;
  buttons_width = std::max(buttons_width - 2, 0);
  int text = 0;
  for (const std::string& l : box.lines) text = std::max(text, static_cast<int>(l.size()));
  int want = std::max({text, static_cast<int>(box.title.size()), buttons_width}) + 4;
  g.width = std::clamp(want, std::min(12, cols), std::max(cols, 0));
  // Caption, a blank, the lines, a blank, the buttons, the bottom edge.
  g.height = std::min(static_cast<int>(box.lines.size()) + 5, std::max(rows, 0));
  g.top = std::max((rows - g.height) / 2, 0);
  g.left = std::max((cols - g.width) / 2, 0);
  g.button_row = g.top + g.height - 2;
  int col = g.left + std::max((g.width - buttons_width) / 2, 0);
  for (const std::string& b : box.buttons) {
    int w = static_cast<int>(b.size()) + 4;
    g.buttons.emplace_back(col, w);
    col += w + 2;
  }
  return g;
}

int button_at(const BoxGeometry& g, int row, int col) {
  if (row != g.button_row) return -1;
  for (std::size_t i = 0; i < g.buttons.size(); ++i)
    if (col >= g.buttons[i].first && col < g.buttons[i].first + g.buttons[i].second)
      return static_cast<int>(i);
  return -1;
}

void compose(Frame& f, const Scene& s) {
  const Layout& l = s.layout;
  f.resize(l.rows, l.cols);
  if (s.chars && s.attrs) {
    for (int r = 0; r < l.view_rows; ++r) {
      int pr = l.first_row + r, tr = l.top + r;
      if (tr < 0 || tr >= l.rows) continue;
      for (int c = 0; c < l.view_cols; ++c) {
        int pc = l.first_col + c;
        std::size_t i = static_cast<std::size_t>(pr * s.stride + pc);
        f.at(tr, c) = {glyph(s.chars[i]), s.attrs[i]};
      }
    }
  }
  if (s.menu && l.menu_row >= 0) draw_menu_bar(f, *s.menu, l.menu_row, s.open_popup);
  draw_status(f, s);
  if (s.menu && s.open_popup >= 0) {
    // Without a row of its own the bar is laid over the panel's first row
    // while a menu is open.
    int bar = l.menu_row >= 0 ? l.menu_row : 0;
    if (l.menu_row < 0) draw_menu_bar(f, *s.menu, bar, s.open_popup);
    draw_popup(f, *s.menu, bar, s.open_popup, s.selected_item);
  }
  if (!s.modeless.empty()) draw_modeless(f, s.modeless);
  if (s.box) draw_box(f, *s.box);
}

}  // namespace kv::term::tty
