#include "runtime/terminal/cell_screen.h"

#include <algorithm>
#include <cstring>

#include "runtime/terminal/colours.h"
#include "runtime/terminal/message_box.h"
#include "runtime/terminal/module_trace.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"

namespace kv::term {

namespace {

constexpr int kPlane = ScrCommon::buffer_rows * ScrCommon::buffer_columns;

void invalidate(ScrCommon& c, Rect r) {
  r.left -= c.hscroll;
  r.right -= c.hscroll;
  r.top -= c.vscroll;
  r.bottom -= c.vscroll;
  if (c.display && c.window) c.display->invalidate(c.window, &r);
}

// Copies text into the planes from a 0-based cell index on, dropping what
// would run past the last cell.
void put_cells(ScrCommon& c, int index, const std::uint8_t* text, int count, std::uint8_t attr) {
  for (int i = 0; i < count; ++i) {
    int at = index + i;
    if (at < 0) continue;
    if (at >= kPlane) break;
    c.chars[static_cast<std::size_t>(at)] = text[i];
    c.attrs[static_cast<std::size_t>(at)] = attr;
  }
}

void write_cells(VioRequest& q, const std::uint8_t* text, ScrCommon& c) {
  int row = q.row, col = q.column, len = q.length;
  // A write that starts outside the planes or has no text changes nothing;
  // the rest is cut at the last cell instead of running past the planes.
  if (!text || len <= 0 || row < 1 || row > ScrCommon::buffer_rows || col < 1 ||
      col > ScrCommon::buffer_columns)
    return;
  int cw = c.metrics.avg_width, ch = c.metrics.height;
  int end = col + len;
  int start = (row - 1) * 80 + (col - 1);
  Rect r;
  if (end <= 81) {
    put_cells(c, start, text, len, q.write_attribute);
    r = {(col - 1) * cw, (row - 1) * ch, end * cw, (row + 1) * ch};
  } else {
    int columns = (q.columns >= 1 && q.columns <= 80) ? q.columns : 80;
    int first = std::max(0, std::min(columns - col + 1, len));
    put_cells(c, start, text, first, q.write_attribute);
    put_cells(c, row * 80, text + first, len - first, q.write_attribute);
    r = {0, (row - 1) * ch, 80 * cw, (row + 2) * ch};
  }
  invalidate(c, r);
  if (q.update_now == 1 && c.display && c.window) c.display->update_window(c.window);
}

void clear_screen(VioRequest& q, ScrCommon& c) {
  c.chars.fill(' ');
  c.attrs.fill(q.clear_attribute);
  c.background = background_of(q.clear_attribute);
  invalidate(c, {0, 0, ScrCommon::buffer_columns * c.metrics.avg_width,
                 ScrCommon::buffer_rows * c.metrics.height});
}

void screen_save(VioRequest& q, std::uint8_t* area, ScrCommon& c) {
  if (!area) return;
  int rows = std::abs(q.last_row + 1);
  int cols = std::abs(static_cast<int>(q.columns));
  // A save area holds at most the 50 rows of the planes.
  rows = std::min(rows, static_cast<int>(ScrCommon::buffer_rows));
  put_u16(area, static_cast<std::uint16_t>(rows));
  put_u16(area + 2, static_cast<std::uint16_t>(cols));
  vio_module()("Screen Save", "Rows", num(rows));
  vio_module()("Screen Save", "Cols", num(cols));
  for (int r = 0; r < rows; ++r) std::memcpy(area + 20 + r * 80, c.chars.data() + r * 80, 80);
  for (int r = 0; r < rows; ++r)
    std::memcpy(area + 20 + rows * 80 + r * 80, c.attrs.data() + r * 80, 80);
}

void screen_restore(VioRequest& q, std::uint8_t* area, ScrCommon& c) {
  if (!area) return;
  int rows = get_s16(area);
  int cols = get_s16(area + 2);
  // A header that no save could have written would copy from outside the
  // area; it is refused.
  if (rows < 1 || rows > ScrCommon::buffer_rows) return;
  vio_module()("Screen Restore", "Rows", num(rows));
  vio_module()("Screen Restore", "Cols", num(cols));
  for (int r = 0; r < rows; ++r) {
    std::memcpy(c.chars.data() + r * 80, area + 20 + r * 80, 80);
    std::memcpy(c.attrs.data() + r * 80, area + 20 + rows * 80 + r * 80, 80);
  }
  q.last_row = static_cast<std::int16_t>(rows - 1);
  q.columns = static_cast<std::int16_t>(cols);
  c.screen_rows = static_cast<std::int16_t>(rows);
  c.screen_columns = static_cast<std::int16_t>(cols);
  if (c.display && c.window) c.display->invalidate(c.window, nullptr);
}

void caret_on_off(VioRequest& q, ScrCommon& c) {
  if (c.caret_enabled != 'Y') {
    c.carets_shown = 0;
    return;
  }
  Display* d = c.display;
  if (q.caret_on == 0) {
    if (c.carets_shown > 0) {
      --c.carets_shown;
      if (d && c.window) d->hide_caret(c.window);
    }
    return;
  }
  if (c.carets_shown != 0) return;
  c.carets_shown = 1;
  compute_caret(c);
  if (d && c.window) {
    d->create_caret(c.window, c.caret_width, c.caret_height);
    d->set_caret_pos(c.caret_x - c.hscroll, c.caret_y - c.vscroll);
    d->show_caret(c.window);
  }
}

void set_caret(VioRequest& q, ScrCommon& c) {
  c.caret_row = q.caret_row;
  c.caret_column = q.caret_column;
  compute_caret(c);
  if (c.display) c.display->set_caret_pos(c.caret_x - c.hscroll, c.caret_y - c.vscroll);
}

void force_paint(VioRequest& q, ScrCommon& c) {
  TraceModule& t = vio_module();
  t("Force Paint");
  Display* d = c.display;
  if (!d || !c.window) return;
  Rect r = d->window_rect(c.window);
  c.last_window_rect = r;
  t("GetWindowRect", "hWnd", num(static_cast<long>(c.window)));
  bool ok = d->move_window(c.window, r.left, r.top, r.width(), r.height(), true);
  t("MoveWindow", "hWnd", ok ? "1" : "0");
  Rect cr = d->client_rect(c.window);
  t("GetClientRect", "hWnd", num(cr.width()) + "," + num(cr.height()));
  d->post({c.window, wm::kSize, size_kind::kRestored,
           make_point_param(cr.width() % 10000, cr.height() % 10000), 0, -1});
  t("PostMessage (SIZE)", "hWnd", "1");
  d->set_menu(c.window, c.menu_built ? &c.menu : nullptr);
  t("SetMenu", "hMenu/RC", "1");
  if (q.update_now == 1) {
    d->update_window(c.window);
    t("UpdateWindow", "hWnd", "1");
  }
}

}  // namespace

void compute_caret(ScrCommon& c) {
  c.caret_width = c.metrics.avg_width / 4;
  c.caret_height = c.metrics.height;
  c.caret_y = c.caret_row * c.metrics.height - c.caret_height;
  c.caret_x = (c.caret_column - 1) * c.metrics.max_width;
}

void SCR_VIO(VioRequest& q, std::uint8_t* data, ScrCommon& c) {
  vio_module().index();
  switch (q.function) {
    case 0:
    case 2:
    case 4:
    case 8:
    case 9:
    case 12:
    case 16:
      return;
    case vio::kGrow:
      if (c.display && c.window)
        c.display->move_window(c.window, c.last_window_rect.left, c.last_window_rect.top, 9999,
                               9999, false);
      return;
    case vio::kCaretOnOff:
      caret_on_off(q, c);
      return;
    case vio::kSetPointer:
      if (c.display) {
        c.pointer_handle = c.display->load_pointer(q.pointer_id);
        c.display->set_pointer(c.pointer_handle);
      }
      return;
    case vio::kSave:
      screen_save(q, data, c);
      return;
    case vio::kRestore:
      screen_restore(q, data, c);
      return;
    case vio::kWrite:
      write_cells(q, data, c);
      return;
    case vio::kClear:
      clear_screen(q, c);
      return;
    case vio::kForcePaint:
      force_paint(q, c);
      return;
    case vio::kSetCaret:
      set_caret(q, c);
      return;
    case vio::kDestroy:
      if (c.window && c.display) c.display->destroy_window(c.window);
      c.window = 0;
      return;
    default:
      scr_mb(c, kBoxInternal, "", "Fell through computed GO TO!", vio_module().id());
      return;
  }
}

void paint_cells(ScrCommon& c, WindowId window, const Rect& p) {
  Display* d = c.display;
  if (!d) return;
  int cw = std::max(c.metrics.avg_width, 1), ch = std::max(c.metrics.height, 1);
  Handle font = d->create_font(c.font);
  c.font_handle = font;
  d->hide_caret(window);
  int first_row = (c.vscroll + p.top) / ch + 1;
  int last_row = (c.vscroll + p.bottom) / ch + 1;
  int first_col = (c.hscroll + p.left) / cw + 1;
  int last_col = (c.hscroll + p.right) / cw + 1;
  first_row = std::max(first_row, 1);
  first_col = std::max(first_col, 1);
  int y = (first_row - 1) * ch - c.vscroll;
  int x0 = (first_col - 1) * cw - c.hscroll;
  // A rectangle wholly right of the planes' last column has no cells to
  // draw (its first cell would lie past the row).
  if (first_col > ScrCommon::buffer_columns) last_row = 0;
  for (int row = first_row; row <= last_row && row <= ScrCommon::buffer_rows; ++row) {
    int base = (row - 1) * 80;
    int x = x0;
    int run_start = first_col;
    std::uint8_t attr = c.attrs[static_cast<std::size_t>(base + first_col - 1)];
    auto output = [&](int from, int to_exclusive) {
      int n = to_exclusive - from;
      if (n <= 0) return;
      std::string_view text(reinterpret_cast<const char*>(c.chars.data()) + base + from - 1,
                            static_cast<std::size_t>(n));
      d->draw_text(window, x, y, text, font, foreground_of(attr), background_of(attr));
      x += n * cw;
    };
    int col = first_col + 1;
    for (; col <= last_col && col <= ScrCommon::buffer_columns; ++col) {
      std::uint8_t a = c.attrs[static_cast<std::size_t>(base + col - 1)];
      if (a != attr) {
        output(run_start, col);
        run_start = col;
        attr = a;
      }
    }
    output(run_start, col);
    y += ch;
  }
  d->delete_font(font);
  d->set_caret_pos(c.caret_x - c.hscroll, c.caret_y - c.vscroll);
  d->show_caret(window);
}

void write_text(ScrCommon& c, int row, int col, std::string_view text, std::uint8_t attr,
                bool update_now) {
  VioRequest q;
  q.function = vio::kWrite;
  q.row = static_cast<std::int16_t>(row);
  q.column = static_cast<std::int16_t>(col);
  q.length = static_cast<std::int16_t>(text.size());
  q.columns = c.screen_columns;
  q.write_attribute = attr;
  q.window = c.window;
  q.update_now = update_now ? 1 : 0;
  SCR_VIO(q, reinterpret_cast<std::uint8_t*>(const_cast<char*>(text.data())), c);
}

void move_caret(ScrCommon& c, int row, int col) {
  VioRequest q;
  q.function = vio::kSetCaret;
  q.caret_row = row;
  q.caret_column = col;
  q.window = c.window;
  SCR_VIO(q, nullptr, c);
}

}  // namespace kv::term
