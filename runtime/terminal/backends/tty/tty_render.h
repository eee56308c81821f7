// What the tty display shows, as a grid of terminal cells: the panel's
// cells (code page shown as Unicode), the menu bar above them and the
// status bar below them when the terminal has the rows, an open menu and
// a message box as overlays.  The grid is composed here without touching
// the terminal; the display then writes only the cells that changed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/terminal/display.h"

namespace kv::term::tty {

struct Cell {
  char32_t ch = U' ';
  std::uint8_t attr = 0x07;  // background * 16 + foreground, colour numbers 0-15
  bool operator==(const Cell&) const = default;
};

class Frame {
 public:
  Frame() = default;
  Frame(int rows, int cols) { resize(rows, cols); }
  void resize(int rows, int cols);
  int rows() const { return rows_; }
  int cols() const { return cols_; }
  Cell& at(int row, int col) { return cells_[static_cast<std::size_t>(row * cols_ + col)]; }
  const Cell& at(int row, int col) const {
    return cells_[static_cast<std::size_t>(row * cols_ + col)];
  }
  void fill(int row, int col, int width, Cell c);
  // Code-page bytes at (row, col), clipped to the frame and to `max_width`
  // cells (-1: the frame's edge); returns the cells written.
  int put(int row, int col, std::string_view bytes, std::uint8_t attr, int max_width = -1);
  bool operator==(const Frame&) const = default;

 private:
  int rows_ = 0, cols_ = 0;
  std::vector<Cell> cells_;
};

// Where things go on a terminal of rows x cols showing a panel client area
// of panel_rows x panel_cols cells.  The menu bar and the status bar get
// rows of their own when the terminal has two rows more than the panel;
// with one row more, the status bar alone; a terminal smaller than the
// panel shows the part around the caret and keeps its last row for a
// status line that says so.
struct Layout {
  int rows = 0, cols = 0;
  int panel_rows = 0, panel_cols = 0;
  int menu_row = -1;    // terminal row of the menu bar; -1 none
  int status_row = -1;  // terminal row of the status bar; -1 none
  int top = 0;          // terminal row of the first panel row shown
  int view_rows = 0, view_cols = 0;
  int first_row = 0, first_col = 0;  // first panel row / column shown, from 0
  bool too_small = false;
  bool operator==(const Layout&) const = default;
};
Layout compute_layout(int rows, int cols, int panel_rows, int panel_cols, int caret_row,
                      int caret_col, bool caret_visible);
// The status line's note on a terminal smaller than the panel.
std::string small_note(const Layout& l);

// A colour number (0-15) as a terminal colour: the 16 colours of the
// terminal (ANSI order) when it has them; with 8 colours the bright
// foregrounds become bold and the bright backgrounds their normal colour;
// without colours, light backgrounds become reverse video.
struct TermColour {
  short fg = 7, bg = 0;
  bool bold = false, reverse = false;
  bool operator==(const TermColour&) const = default;
};
TermColour term_colour(std::uint8_t attr, int colours);

// The text of a menu title or item without its "&", and its mnemonic
// (upper case; 0 when none).
std::string menu_label(std::string_view text);
char mnemonic(std::string_view text);

// Where the menu bar's titles and an open popup lie.
struct MenuGeometry {
  std::vector<std::pair<int, int>> titles;  // (start column, width)
  int popup_left = 0, popup_top = 0, popup_width = 0, popup_height = 0;
};
MenuGeometry menu_geometry(const MenuBar& menu, int row, int cols, int rows, int open_popup);
// The popup title at a column of the menu row, -1 none.
int title_at(const MenuGeometry& g, int col);
// The item of the open popup at a terminal cell, -1 none.
int item_at(const MenuGeometry& g, const MenuBar& menu, int open_popup, int row, int col);
// The next item of a popup from `from` in direction `step` that is not a
// separator; -1 when the popup has none.
int next_item(const MenuPopup& popup, int from, int step);

// A message box laid over the screen.
struct Box {
  std::string title;               // code-page bytes
  std::vector<std::string> lines;  // code-page bytes
  std::vector<std::string> buttons;
  int focus = 0;
  bool stop = false;  // the stop icon: a red caption
};
struct BoxGeometry {
  int top = 0, left = 0, width = 0, height = 0;
  int button_row = 0;
  std::vector<std::pair<int, int>> buttons;  // (start column, width)
};
// Splits a box text at its line breaks ("\r", "\n", "\r\n") and wraps
// lines wider than `width`.
std::vector<std::string> box_lines(std::string_view text, int width);
BoxGeometry box_geometry(const Box& box, int rows, int cols);
int button_at(const BoxGeometry& g, int row, int col);

// Everything that is composed into the frame.
struct Scene {
  const std::uint8_t* chars = nullptr;  // panel planes as the display holds them
  const std::uint8_t* attrs = nullptr;
  int stride = 80;
  Layout layout;
  const MenuBar* menu = nullptr;
  int open_popup = -1, selected_item = -1;
  std::array<std::string, 4> status_texts;
  std::array<bool, 4> status_raised{};
  // The status bar's message was set since the last key or click: without
  // a status row it is shown over the panel's last row.
  bool message_over_panel = false;
  std::string modeless;  // the modeless message window's text; empty none
  const Box* box = nullptr;
};
void compose(Frame& f, const Scene& s);

// Colours of the bars and boxes.
inline constexpr std::uint8_t kBarAttr = 0x70, kMnemonicAttr = 0x74, kSelectedAttr = 0x1F,
                              kGrayedAttr = 0x78, kRaisedAttr = 0x30, kFlatAttr = 0x78,
                              kStopCaptionAttr = 0x4F;

}  // namespace kv::term::tty
