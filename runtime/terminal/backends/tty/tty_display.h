// The tty display: the window logic's one window shown on the terminal
// through ncursesw.  One pixel is one cell.  The panel's cells are drawn
// with the code page shown as Unicode in the terminal's 16 colours (bright
// backgrounds included); the menu bar and the four status-bar parts take
// the rows above and below the panel when the terminal has them (without
// a row of its own, a new message lies over the panel's last row until the
// next key or click); open
// menus and message boxes are overlays with modal loops of their own.
// Only cells that changed are written.
//
// Input is read raw and decoded here (tty_input.h): keys become the
// window system's key-down messages (virtual key, scan code, modifiers) so
// that the window logic translates them exactly as a PC keyboard's; xterm
// mouse reports become button messages with double clicks from timing; a
// bracketed paste becomes the Edit menu's Paste.
//
// The terminal is taken when the main window is created and given back
// when it is destroyed, at exit (aborts included), and on SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGABRT and the crash signals SIGSEGV, SIGBUS, SIGFPE
// and SIGILL (restored, then the signal goes on); on
// SIGTSTP it is given back while the process is stopped and taken again
// when it continues.  While
// the screen is in use, whatever the program writes to standard output or
// standard error on the same terminal is held and written out after the
// terminal is restored, so that it neither garbles the screen nor is lost.
//
// Environment: ESCDELAY (milliseconds to wait for the rest of an escape
// sequence, default 50); KORVEXAN_OSC52=0|1 (clipboard writes through the
// terminal; default: when the terminal description has "Ms").
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/terminal/backends/tty/tty_input.h"
#include "runtime/terminal/backends/tty/tty_render.h"
#include "runtime/terminal/basic_display.h"

namespace kv::term {

class KV_EXPORT TtyDisplay : public BasicDisplay {
 public:
  static constexpr int kRows = 50, kCols = 80;

  // The terminal on `in_fd` / `out_fd` (standard input and output).
  explicit TtyDisplay(int in_fd = 0, int out_fd = 1);
  ~TtyDisplay() override;

  // Standard input and output are terminals of a known type.
  static bool usable();

  std::string name() const override { return "tty"; }
  bool geometry_in_pixels() const override { return false; }
  void device_wait(std::uint64_t deadline_ms) override;
  void device_draw(WindowId window, int x, int y, std::string_view bytes, Handle font,
                   Rgb foreground, Rgb background) override;

  WindowId create_window(const CreateParams& params) override;
  bool destroy_window(WindowId window) override;
  // The terminal shows the panel as far as it fits, whatever size the
  // window is asked to take: the window always takes the largest size its
  // procedure allows (the whole screen of cells).
  bool move_window(WindowId window, int x, int y, int width, int height, bool repaint) override;
  void end_paint(WindowId window) override;
  void create_caret(WindowId window, int width, int height) override;
  void set_status_parts(Handle bar, const std::vector<int>& right_edges) override;
  void set_status_text(Handle bar, int part, std::string_view text, bool raised) override;
  int message_box(WindowId owner, int kind, std::string_view title, std::string_view text,
                  unsigned style) override;
  Handle create_message_window(std::string_view caption, std::string_view text) override;
  void destroy_message_window(Handle window) override;
  bool clipboard_set_text(WindowId owner, std::string_view bytes) override;
  // The main window's title becomes the terminal's title where the
  // terminal has one (xterm's title sequence, or a status line).
  void set_title(WindowId window, std::string_view title) override;
  bool choose_font(WindowId owner, LogicalFont& font, std::uint32_t& error) override;
  std::intptr_t default_proc(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;
  void beep() override;
  void tone(int frequency, int duration_ms) override;
  void shutdown() override;

  // The screen is in use (from the main window's creation to its end).
  bool active() const { return active_; }
  // Writes what changed to the terminal now.
  void flush();
  // Takes the terminal (false when it cannot be used) / gives it back.
  bool enter();
  void leave();
  // The layout of the last composed screen.
  const tty::Layout& layout() const { return layout_; }

 private:
  bool read_events(std::uint64_t deadline_ms);
  bool next_event(tty::Event& e);
  void handle_event(const tty::Event& e);
  void handle_key(const tty::Key& k);
  void handle_mouse(const tty::MouseReport& m);
  void handle_resize();
  void run_menu(int popup, bool by_mouse);
  bool menu_key(const tty::Key& k, const MenuBar& menu, bool& done);
  void choose_item(const MenuBar& menu, int item, bool& done);
  tty::Layout current_layout();
  void draw_frame();
  short pair_for(short fg, short bg);
  std::uint32_t lock_keys();
  void write_raw(std::string_view bytes);
  void set_cursor_shape(int shape);

  friend std::unique_ptr<Display> make_tty_display();
  int in_fd_, out_fd_;
  int own_fd_ = -1;         // the controlling terminal opened for us, closed at the end
  int term_fd_ = -1;        // the terminal, for ncurses and our own sequences
  void* screen_ = nullptr;  // ncurses SCREEN
  void* out_file_ = nullptr;
  void* in_file_ = nullptr;
  bool active_ = false;
  bool enter_failed_ = false;
  bool input_closed_ = false;
  bool utf8_ = true;
  std::string saved_locale_;
  int colours_ = 0;
  std::map<int, short> pairs_;
  short next_pair_ = 1;
  int cursor_on_ = -1;
  int cursor_shape_ = 0;  // the shape asked for with DECSCUSR; 0 the terminal's own
  int caret_width_ = 0, caret_height_ = 0;
  bool osc52_ = false;
  std::string title_start_, title_end_;  // empty: the terminal has no title
  std::string shown_title_;

  std::array<std::uint8_t, kRows * kCols> chars_{};
  std::array<std::uint8_t, kRows * kCols> attrs_{};
  WindowId main_ = 0;
  std::vector<int> status_edges_;
  bool fresh_message_ = false;  // a message set since the last key or click

  tty::Decoder decoder_;
  tty::MouseTracker mouse_;
  std::deque<tty::Event> events_;
  std::uint64_t last_byte_ms_ = 0;
  int escape_delay_ms_ = 50;

  tty::Layout layout_;
  tty::Frame frame_, shown_;
  int open_popup_ = -1, selected_item_ = -1;
  const tty::Box* box_ = nullptr;
  std::string osc_pending_;
};

std::unique_ptr<Display> make_tty_display();

}  // namespace kv::term
