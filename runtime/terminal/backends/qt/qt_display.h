// The desktop window display: Qt 6 Widgets under the window logic.  Each
// window the logic creates is a top-level widget with a menu bar, the
// client area (a cell view painted from an off-screen image, with scroll
// bars that take room from it as the window system's do) and, for the main
// window, a four-part status bar.  The bookkeeping (queue, timers, key
// states, placement) is the shared one of BasicDisplay; this class carries
// it onto the widgets and turns Qt's input into the window messages the
// logic expects.
//
// The runtime owns the thread and the loop: Qt events are processed only
// when the logic looks at its queue (peek) or waits for input
// (wait_message); nothing here runs a Qt event loop of its own except the
// modal boxes and dialogs, as the window system's modal loops do.
//
// Pixels.  The outer rectangle the logic sees is the widget's geometry
// (the desktop's frame is not ours to measure), so frame widths are 0, the
// caption counts 1 pixel and the menu bar its height.  Scroll bars are
// outside the client rectangle.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/terminal/basic_display.h"

class QWidget;
class QMenuBar;
class QScrollBar;
class QImage;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QDropEvent;
class QDragEnterEvent;
class QString;
class QRegion;

namespace kv::term::qtd {

class FrameWidget;
class CellView;
class StatusStrip;
struct QtWindow;
struct FontEntry;

class QtDisplay : public BasicDisplay {
 public:
  // Creates the QApplication when the process has none.
  QtDisplay();
  ~QtDisplay() override;

  std::string name() const override { return "qt"; }

  // ---- BasicDisplay device ------------------------------------------------
  void device_wait(std::uint64_t deadline_ms) override;
  void device_draw(WindowId window, int x, int y, std::string_view bytes, Handle font,
                   Rgb foreground, Rgb background) override;

  // ---- Display operations carried onto the widgets ------------------------
  WindowId create_window(const CreateParams& params) override;
  bool destroy_window(WindowId window) override;
  void set_title(WindowId window, std::string_view title) override;
  Rect client_rect(WindowId window) override;
  bool move_window(WindowId window, int x, int y, int width, int height, bool repaint) override;
  void show_window(WindowId window, int show_command) override;
  void set_scroll(WindowId window, Bar bar, int range, int position) override;
  void update_window(WindowId window) override;
  Rect begin_paint(WindowId window) override;
  void end_paint(WindowId window) override;

  Handle create_font(const LogicalFont& font) override;
  TextMetrics text_metrics(Handle font) override;
  void delete_font(Handle font) override;
  Handle stock_font() override;
  bool choose_font(WindowId owner, LogicalFont& font, std::uint32_t& error) override;

  void create_caret(WindowId window, int width, int height) override;
  void destroy_caret() override;
  void show_caret(WindowId window) override;
  void hide_caret(WindowId window) override;
  void set_caret_pos(int x, int y) override;
  void set_pointer(Handle pointer) override;

  void set_menu(WindowId window, const MenuBar* menu) override;
  Handle create_status_bar(WindowId window) override;
  void set_status_parts(Handle bar, const std::vector<int>& right_edges) override;
  void set_status_text(Handle bar, int part, std::string_view text, bool raised) override;

  int message_box(WindowId owner, int kind, std::string_view title, std::string_view text,
                  unsigned style) override;
  Handle create_message_window(std::string_view caption, std::string_view text) override;
  void destroy_message_window(Handle window) override;

  bool clipboard_set_text(WindowId owner, std::string_view bytes) override;
  bool clipboard_has_text() override;
  std::optional<std::string> clipboard_text() override;

  void accept_drops(WindowId window, bool accept) override;

  void beep() override;
  void tone(int frequency, int duration_ms) override;

  bool peek(Message& out, WindowId window, std::uint32_t first, std::uint32_t last,
            bool remove) override;
  std::intptr_t default_proc(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;

  void shutdown() override;

  // ---- from the widgets ---------------------------------------------------
  void on_key(WindowId window, QKeyEvent* event, bool press);
  void on_mouse(WindowId window, QMouseEvent* event, std::uint32_t message);
  void on_wheel(WindowId window, QWheelEvent* event);
  void on_close(WindowId window);
  void on_command(WindowId window, int command);
  void on_activation(WindowId window, bool active);
  void on_window_state(WindowId window);
  void on_frame_geometry(WindowId window);
  bool on_drag_enter(WindowId window, QDragEnterEvent* event);
  void on_drop(WindowId window, QDropEvent* event);
  void on_scroll_action(WindowId window, Bar bar, int action);
  // The cell view's paint: the off-screen image and the caret.
  void paint_view(WindowId window, QWidget* view, const QRegion& region);

  // ---- for tests and benchmarks -------------------------------------------
  QWidget* frame(WindowId window) const;
  QWidget* cell_view(WindowId window) const;
  QMenuBar* menu_bar(WindowId window) const;
  QScrollBar* scroll_bar(WindowId window, Bar bar) const;
  QWidget* status_widget(WindowId window) const;
  // The last rectangle painted by the logic into a window, and how many
  // paints it has had.
  Rect last_paint(WindowId window) const;
  int paint_count(WindowId window) const;
  // Size of the menu bar, the scroll bars and the status bar in pixels.
  int menu_bar_height() const { return menu_bar_height_; }
  int scroll_bar_extent() const { return scroll_extent_; }
  int status_bar_pixels() const { return status_height_; }
  // Process Qt's pending events once (what a peek does first).
  void process_events();
  // Wall-clock time (nanoseconds since the epoch) at which the main
  // window first showed painted text, 0 until then.  The same value goes
  // to the file named by KORVEXAN_FIRST_PAINT_FILE, for timing start-up.
  static std::uint64_t first_paint_ns();

 private:
  QtWindow* qwin(WindowId window) const;
  QtWindow& ensure_qwin(WindowId window);
  int phantom(const QtWindow& q) const;
  void layout(QtWindow& q);
  void apply_geometry(WindowId window);
  void refresh_limits(WindowId window);
  void maximise_by_rules(WindowId window, bool notify);
  void build_menu(QtWindow& q, const MenuBar* menu);
  void update_caret_area();
  bool open_menu(QtWindow& q, int index);
  std::uint32_t modifier_keys(unsigned qt_modifiers) const;
  std::uint32_t lock_keys();
  FontEntry* font_entry(Handle font);
  std::shared_ptr<FontEntry> make_font(const LogicalFont& lf);
  std::string bytes_of(const QString& text) const;

  // Handed to widgets and queued calls; cleared at shut-down.
  std::shared_ptr<QtDisplay*> self_ = std::make_shared<QtDisplay*>(this);
  std::map<WindowId, std::unique_ptr<QtWindow>> windows_;
  std::map<Handle, std::shared_ptr<FontEntry>> fonts_;
  std::map<std::string, std::shared_ptr<FontEntry>> font_cache_;
  Handle next_font_ = 0x40000000;
  Handle stock_font_ = 0;
  std::map<Handle, QWidget*> message_windows_;
  std::map<Handle, WindowId> status_bars_;
  int menu_bar_height_ = 0, scroll_extent_ = 0;
  // Caret: window, size and shown state as last drawn.
  WindowId caret_window_ = 0;
  int caret_w_ = 0, caret_h_ = 0;
  Rect caret_drawn_;
  // Key state the device reports (locks tracked from key events when the
  // window system cannot be asked).
  bool caps_ = false, num_ = false, scroll_lock_ = false, insert_ = false;
  bool applying_ = false;    // geometry being carried onto a widget
  bool processing_ = false;  // inside process_events
  bool shut_down_ = false;
};

// The Qt display, or null when no Qt platform can be reached here.
std::unique_ptr<Display> make_qt_display();
// Whether a Qt platform can be opened (offscreen, a reachable X server or
// a Wayland socket), checked without letting Qt abort the process.
bool qt_platform_available();

}  // namespace kv::term::qtd
