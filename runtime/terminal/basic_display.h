// The bookkeeping every display shares: window classes and windows, outer
// and client rectangles with the min/max trimming, the message queue with
// pending paints and coalesced timers, key states stamped on input
// messages, menus as data, status-bar parts, clipboard text, held file
// drops and the caret.  A backend derives from it and supplies only the
// device: drawing, message boxes, font choice and waiting for input (which
// it turns into post_key / post_mouse / post_input / post_drop calls).
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "runtime/terminal/display.h"

namespace kv::term {

class KV_EXPORT BasicDisplay : public Display {
 public:
  BasicDisplay();
  ~BasicDisplay() override;

  // ---- what backends implement ------------------------------------------
  // Block until the device has input (and post it), or until `deadline_ms`
  // of tick_ms() passes (0: no deadline).  Called by wait_message() only
  // when nothing is queued, due or pending.
  virtual void device_wait(std::uint64_t deadline_ms) = 0;
  // Draw a run of cells / pixels (inside WM_PAINT).
  virtual void device_draw(WindowId window, int x, int y, std::string_view bytes, Handle font,
                           Rgb foreground, Rgb background) = 0;

  // ---- Display, implemented here ----------------------------------------
  Handle module_instance() override { return 1; }
  std::optional<int> startup_show_state() override { return std::nullopt; }
  SystemMetrics system_metrics() override { return metrics_; }
  Rect work_area() override { return work_area_; }
  SystemError last_error() override { return last_error_; }
  std::uint64_t tick_ms() override;

  bool register_class(const WindowClass& cls) override;
  bool unregister_class(std::string_view name) override;
  WindowId create_window(const CreateParams& params) override;
  bool destroy_window(WindowId window) override;
  bool is_window(WindowId window) override;
  void set_window_data(WindowId window, void* data) override;
  void* window_data(WindowId window) override;
  void set_title(WindowId window, std::string_view title) override;

  Rect window_rect(WindowId window) override;
  Rect client_rect(WindowId window) override;
  bool move_window(WindowId window, int x, int y, int width, int height, bool repaint) override;
  bool set_placement(WindowId window, const Placement& placement) override;
  bool get_placement(WindowId window, Placement& placement) override;
  void show_window(WindowId window, int show_command) override;
  void set_scroll(WindowId window, Bar bar, int range, int position) override;

  void invalidate(WindowId window, const Rect* rect) override;
  void update_window(WindowId window) override;
  void scroll_window(WindowId window, int dx, int dy) override;
  Rect begin_paint(WindowId window) override;
  void draw_text(WindowId window, int x, int y, std::string_view bytes, Handle font, Rgb foreground,
                 Rgb background) override;
  void end_paint(WindowId window) override;

  Handle create_font(const LogicalFont& font) override;
  TextMetrics text_metrics(Handle font) override;
  void delete_font(Handle font) override;
  Handle stock_font() override { return 1; }
  bool choose_font(WindowId owner, LogicalFont& font, std::uint32_t& error) override;

  void create_caret(WindowId window, int width, int height) override;
  void destroy_caret() override;
  void show_caret(WindowId window) override;
  void hide_caret(WindowId window) override;
  void set_caret_pos(int x, int y) override;
  Handle load_pointer(int id) override;
  void set_pointer(Handle pointer) override { pointer_ = pointer; }
  void show_pointer(bool show) override { pointer_shown_ = show; }
  void set_capture(WindowId window) override { capture_ = window; }
  void release_capture() override { capture_ = 0; }

  void set_menu(WindowId window, const MenuBar* menu) override;
  void set_close_enabled(WindowId window, bool enabled) override;
  Handle create_status_bar(WindowId window) override;
  void set_status_parts(Handle bar, const std::vector<int>& right_edges) override;
  void set_status_text(Handle bar, int part, std::string_view text, bool raised) override;
  int status_bar_height(Handle) override { return status_height_; }
  void size_status_bar(Handle) override {}

  Handle create_message_window(std::string_view caption, std::string_view text) override;
  void destroy_message_window(Handle window) override;

  bool clipboard_set_text(WindowId owner, std::string_view bytes) override;
  bool clipboard_has_text() override;
  std::optional<std::string> clipboard_text() override;

  void accept_drops(WindowId window, bool accept) override;
  std::vector<std::string> drop_files(Handle drop) override;
  bool drop_point(Handle drop, Point& point) override;
  void drop_finish(Handle drop) override;

  std::int16_t key_state(int virtual_key) override;
  void beep() override {}
  void tone(int, int) override {}
  void set_timer(WindowId window, int id, int interval_ms) override;
  void kill_timer(WindowId window, int id) override;

  void post(const Message& message) override;
  bool peek(Message& out, WindowId window, std::uint32_t first, std::uint32_t last,
            bool remove) override;
  void wait_message() override;
  void translate(const Message& message) override;
  std::intptr_t dispatch(const Message& message) override;
  std::intptr_t send(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam) override;
  std::intptr_t default_proc(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;

  // ---- helpers for backends -----------------------------------------------
  // Posts a key as the window system would: WM_KEYDOWN (WM_SYSKEYDOWN with
  // Alt or for F10) carrying the virtual key, scan code and extended flag,
  // with `character` (-1: none) for translate(); `keys` are kf_* bits.
  void post_key(WindowId window, int virtual_key, int scan, bool extended, int character,
                std::uint32_t keys);
  // Posts a typed character without a key (pasted or composed input).
  void post_char(WindowId window, int character, std::uint32_t keys);
  // Posts a mouse message at a client position; buttons/keys go into the
  // word parameter as the window system encodes them.
  void post_mouse(WindowId window, std::uint32_t message, int x, int y, std::uint32_t keys);
  // Any other input message (WM_COMMAND from a menu, WM_CLOSE, ...).
  void post_input(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                  std::intptr_t lparam, std::uint32_t keys);
  // Files dropped on a window that accepts drops: keeps them under a new
  // drop handle and posts WM_DROPFILES.  False when the window does not
  // accept drops.
  bool post_drop(WindowId window, const std::vector<std::string>& files, Point at);

  // The window the backend shows (the first top-level window created and
  // not yet destroyed, else 0) and the debugging-type second window.
  WindowId main_window() const;
  std::vector<WindowId> windows() const;
  const MenuBar* menu_of(WindowId window) const;
  std::string title_of(WindowId window) const;
  bool close_enabled(WindowId window) const;
  // Status bar part texts (0-based part), for drawing.
  std::string status_text(int part) const;
  bool status_raised(int part) const;
  Point caret_pos() const { return caret_pos_; }
  bool caret_visible() const { return caret_shown_ > 0 && caret_window_ != 0; }
  Point scroll_pos(WindowId window) const;
  // The time of the next due timer (0: none).
  std::uint64_t next_timer_due() const;
  bool has_pending_work() const;
  // The current message box answer for yes/no boxes that the backend
  // cannot ask (headless).
  std::string modeless_text() const { return modeless_text_; }

 protected:
  // The clock: real by default; headless replaces it with a virtual one.
  virtual std::uint64_t device_clock_ms();
  SystemMetrics metrics_;
  Rect work_area_{0, 0, 1024, 768};
  SystemError last_error_;
  int status_height_ = 0;
  TextMetrics cell_metrics_;       // what text_metrics() returns for every font
  std::uint32_t device_keys_ = 0;  // key state at the latest device event

 private:
  struct Window {
    std::string class_name;
    WindowProc proc = nullptr;
    std::string title;
    std::uint32_t style = 0;
    Rect outer;
    void* data = nullptr;
    bool has_menu = false;
    MenuBar menu;
    bool close_enabled = true;
    Rect invalid;
    bool painting = false;
    int show = 0;
    Placement placement;
    int range[2] = {0, 0}, pos[2] = {0, 0};
    bool accepts_drops = false;
    bool destroyed = false;
  };
  struct Timer {
    WindowId window;
    int id;
    int interval;
    std::uint64_t due;
  };
  struct Drop {
    std::vector<std::string> files;
    Point at;
    bool in_client = true;
  };
  Window* find(WindowId w);
  const Window* find(WindowId w) const;
  int nonclient_height(const Window& w) const;
  void stamp(Message& m, std::uint32_t keys);
  bool take_timer(Message& out, WindowId window, bool remove);
  bool take_paint(Message& out, WindowId window, bool remove);

  std::map<std::string, WindowClass> classes_;
  std::map<WindowId, Window> windows_;
  WindowId next_window_ = 0x100;
  std::deque<Message> queue_;
  std::vector<Timer> timers_;
  std::uint32_t current_keys_ = 0;
  std::map<Handle, Drop> drops_;
  Handle next_handle_ = 0x1000;
  std::optional<std::string> clipboard_;
  std::vector<std::string> status_texts_ = std::vector<std::string>(4);
  std::vector<bool> status_raised_ = std::vector<bool>(4, false);
  std::vector<int> status_parts_;
  std::string modeless_text_;
  Handle modeless_ = 0;
  WindowId caret_window_ = 0;
  int caret_shown_ = 0;
  Point caret_pos_;
  Handle pointer_ = 0;
  bool pointer_shown_ = true;
  WindowId capture_ = 0;
  std::uint64_t clock_origin_ = 0;
};

}  // namespace kv::term
