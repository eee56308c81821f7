// The display interface: the platform operations that the window logic
// (cell screen, window procedure, message pump, keys, mouse, message boxes,
// debugging window) needs of a window system.  All behaviour lives in that
// logic; a display only carries each operation out on its device.  Three
// displays implement it: headless (virtual clock, input script, screen
// dumps), tty (ncursesw) and qt (a separate shared object loaded only when
// chosen).
//
// Units.  Positions and sizes are "pixels" of the display.  A character
// display may make a pixel one cell (text metrics 1 x 1, zero-sized frames
// and scroll bars); the logic computes everything from the metrics it reads
// here.  Rectangles are (left, top, right, bottom) with right and bottom
// exclusive.
//
// Handles.  Windows, fonts, pointers, status bars, modeless message
// windows and file drops are opaque non-zero numbers chosen by the display;
// 0 is "none" / "failed".
//
// Messages.  Input reaches the logic as messages with the window system's
// own numbers (messages.h) through a queue that the display keeps:
// the display posts key, character, mouse, timer, command, close, size and
// drop messages; the logic removes them by number range (peek), dispatches
// them to the window procedure of their window, and posts its own private
// messages.  Messages that the window system delivers synchronously (create,
// size, min/max info, paint on update, close requested by the frame) are
// sent straight to the window procedure with send().
//
// Threads.  Everything runs on the application's one thread; a display may
// read its device from a helper thread but must hand input over through the
// queue and call window procedures only from the calling thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/terminal/messages.h"
#include "runtime/utilities/export.h"

namespace kv::term {

using Handle = std::uintptr_t;
using WindowId = Handle;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool operator==(const Rect&) const = default;
};

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// A colour value: red, green, blue.
struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

// The logical-font record, as far as this runtime uses it.  Face names are
// up to 32 characters.
struct LogicalFont {
  std::int32_t height = 16, width = 8, escapement = 0, orientation = 0, weight = 400;
  std::uint8_t italic = 0, underline = 0, strikeout = 0, charset = 255 /* OEM */, out_precision = 0,
               clip_precision = 0, quality = 0, pitch_family = 1 /* fixed */;
  std::string face = "Monospace";
  bool operator==(const LogicalFont&) const = default;
};
inline constexpr std::uint8_t kOemCharset = 255;

// Text metrics of a font: height = cell height, average width = cell
// width, maximum width = the caret's column step.
struct TextMetrics {
  int height = 1;
  int avg_width = 1;
  int max_width = 1;
  bool operator==(const TextMetrics&) const = default;
};

// System metrics as the window logic reads them (before its own
// adjustments: caption minus 1, scroll bars plus 1, menu plus 1).
struct SystemMetrics {
  int frame_width = 0, frame_height = 0;
  int border_width = 0, border_height = 0;
  int caption_height = 0;
  int menu_height = 0;
  int vscroll_width = 0;   // width of a vertical scroll bar
  int hscroll_height = 0;  // height of a horizontal scroll bar
};

// One queued message.  `key_flags` is the keyboard state at the moment the
// message was generated (kf_* bits below); the display makes it the
// current key state when the logic removes the message, so that key
// states read while handling a message are those of that message.
struct Message {
  WindowId window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
  // Keyboard state stamped by the display on input messages (kf_* bits,
  // with kf_stamped set); 0 on messages the logic posts.
  std::uint32_t key_flags = 0;
  // For key-down messages: the character the key produces (Unicode; the
  // logic converts it to the code page), or -1 for none.  translate()
  // queues it as WM_CHAR / WM_SYSCHAR.
  std::int32_t character = -1;
};
inline constexpr std::uint32_t kf_shift = 0x01, kf_ctrl = 0x02, kf_alt = 0x04, kf_caps = 0x08,
                               kf_num = 0x10, kf_scroll = 0x20, kf_insert = 0x40,
                               kf_stamped = 0x80000000u;

// The window procedure of a window class.
using WindowProc = std::intptr_t (*)(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam);

struct WindowClass {
  std::string name;
  WindowProc proc = nullptr;
  bool double_clicks = false;  // deliver double-click messages
  Handle instance = 0;
};

// Window styles the logic asks for.
namespace style {
inline constexpr std::uint32_t kCaption = 0x00C00000;
inline constexpr std::uint32_t kSysMenu = 0x00080000;
inline constexpr std::uint32_t kThickFrame = 0x00040000;
inline constexpr std::uint32_t kMinimizeBox = 0x00020000;
inline constexpr std::uint32_t kMaximizeBox = 0x00010000;
inline constexpr std::uint32_t kMaximize = 0x01000000;
inline constexpr std::uint32_t kVScroll = 0x00200000;
inline constexpr std::uint32_t kHScroll = 0x00100000;
}  // namespace style

// Scroll bars.
enum class Bar { Horizontal = 0, Vertical = 1 };

// A menu bar as data.  Items with command 0 and empty text are separators.
// Texts mark their mnemonic with "&" and may hold a tab followed by the
// accelerator shown at the right ("E&xit\tAlt+F4").
struct MenuItem {
  std::string text;
  int command = 0;
  bool grayed = false;
  bool checked = false;
};
struct MenuPopup {
  std::string title;
  std::vector<MenuItem> items;
};
struct MenuBar {
  std::vector<MenuPopup> popups;
  // Sets the grayed state of a command; true when it changed.
  bool set_grayed(int command, bool grayed);
  bool set_checked(int command, bool checked);
  const MenuItem* find(int command) const;
};

// The creation parameter block that WM_CREATE carries by address in its
// long parameter.
struct CreateParams {
  std::string class_name;
  std::string title;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  const MenuBar* menu = nullptr;  // attached at creation (may be null)
  Handle instance = 0;
  void* param = nullptr;  // handed to WM_CREATE
};

// The WM_GETMINMAXINFO record, passed by address in the long parameter.
struct MinMaxInfo {
  Point max_size;
  Point max_position;
  Point min_track_size;
  Point max_track_size;
};

// The WM_WINDOWPOSCHANGING / CHANGED record, by address.
struct WindowPos {
  int x = 0, y = 0, width = 0, height = 0;
};

// The window placement record (length 44 on the window system).
struct Placement {
  std::uint32_t length = 44;
  std::uint32_t flags = 0;
  int show_command = 1;
  Point min_position{-1, -1};
  Point max_position;
  Rect normal;
};

// The last error of a failed platform call: number and the system's text
// for it (empty when it has none).
struct SystemError {
  std::uint32_t code = 0;
  std::string text;
};

class KV_EXPORT Display {
 public:
  virtual ~Display() = default;

  // The display's name: "headless", "tty" or "qt".
  virtual std::string name() const = 0;
  // Window positions and sizes are a desktop's pixels.  A display that
  // counts in cells (a terminal, headless) does not write them to the
  // settings file, where a desktop window would take them for pixels.
  virtual bool geometry_in_pixels() const { return true; }

  // ---- process and system ----------------------------------------------
  // The module instance used to register classes (0: none).
  virtual Handle module_instance() = 0;
  // The show state the process was started with, when the environment gave
  // one (a desktop launcher); nullopt otherwise.
  virtual std::optional<int> startup_show_state() = 0;
  virtual SystemMetrics system_metrics() = 0;
  // The desktop work area (screen less task bars), in pixels.
  virtual Rect work_area() = 0;
  virtual SystemError last_error() = 0;
  // Milliseconds since an arbitrary start; virtual in headless.  Time-outs
  // and timers are measured on this clock.
  virtual std::uint64_t tick_ms() = 0;

  // ---- window classes and windows ---------------------------------------
  // Registration fails (false) when the name is already registered.
  virtual bool register_class(const WindowClass& cls) = 0;
  virtual bool unregister_class(std::string_view name) = 0;
  // Creates a top-level window: sends WM_GETMINMAXINFO (size trimmed to the
  // maximum tracking size), WM_CREATE (long parameter: &params) and, after
  // creation, WM_SIZE.  Returns 0 on failure.
  virtual WindowId create_window(const CreateParams& params) = 0;
  // Sends WM_DESTROY, then forgets the window.  False when it is unknown.
  virtual bool destroy_window(WindowId window) = 0;
  virtual bool is_window(WindowId window) = 0;
  // The window's extra data (one address).
  virtual void set_window_data(WindowId window, void* data) = 0;
  virtual void* window_data(WindowId window) = 0;
  virtual void set_title(WindowId window, std::string_view title) = 0;

  // ---- placement and size -----------------------------------------------
  // Outer rectangle in screen pixels; client rectangle from (0, 0).
  virtual Rect window_rect(WindowId window) = 0;
  virtual Rect client_rect(WindowId window) = 0;
  // Moves and sizes the window (sends WM_GETMINMAXINFO and trims to the
  // maximum tracking size, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED and,
  // when the client size changed, WM_SIZE).  `repaint` invalidates it.
  virtual bool move_window(WindowId window, int x, int y, int width, int height, bool repaint) = 0;
  virtual bool set_placement(WindowId window, const Placement& placement) = 0;
  virtual bool get_placement(WindowId window, Placement& placement) = 0;
  virtual void show_window(WindowId window, int show_command) = 0;
  virtual void set_scroll(WindowId window, Bar bar, int range, int position) = 0;

  // ---- painting ------------------------------------------------------------
  // Adds a rectangle (null: the whole client area) to the invalid region;
  // a WM_PAINT is then pending for the window.
  virtual void invalidate(WindowId window, const Rect* rect) = 0;
  // Sends WM_PAINT now when the window has an invalid region.
  virtual void update_window(WindowId window) = 0;
  // Scrolls the client area by (dx, dy) pixels; uncovered parts become
  // invalid.
  virtual void scroll_window(WindowId window, int dx, int dy) = 0;
  // Inside WM_PAINT: begin_paint gives the invalid rectangle and validates
  // it; draw_text draws a run of single-byte code-page characters at a
  // pixel position with the given font and colours; end_paint finishes.
  virtual Rect begin_paint(WindowId window) = 0;
  virtual void draw_text(WindowId window, int x, int y, std::string_view bytes, Handle font,
                         Rgb foreground, Rgb background) = 0;
  virtual void end_paint(WindowId window) = 0;

  // ---- fonts ----------------------------------------------------------------
  virtual Handle create_font(const LogicalFont& font) = 0;
  virtual TextMetrics text_metrics(Handle font) = 0;
  virtual void delete_font(Handle font) = 0;
  // A fixed font of the system for secondary windows (the debugging list).
  virtual Handle stock_font() = 0;
  // The font dialog (fixed-pitch screen fonts, with Apply), initialised
  // from `font`.  True when the user confirmed (font then holds the
  // choice); false on cancel, with `error` non-zero when the dialog failed.
  virtual bool choose_font(WindowId owner, LogicalFont& font, std::uint32_t& error) = 0;

  // ---- caret and pointer ------------------------------------------------
  virtual void create_caret(WindowId window, int width, int height) = 0;
  virtual void destroy_caret() = 0;
  virtual void show_caret(WindowId window) = 0;
  virtual void hide_caret(WindowId window) = 0;
  virtual void set_caret_pos(int x, int y) = 0;
  // Loads a system pointer by identifier (messages.h, pointer::) and
  // returns its handle; set_pointer makes it current.
  virtual Handle load_pointer(int id) = 0;
  virtual void set_pointer(Handle pointer) = 0;
  virtual void show_pointer(bool show) = 0;
  virtual void set_capture(WindowId window) = 0;
  virtual void release_capture() = 0;

  // ---- menus and status bar ---------------------------------------------
  // Attaches a menu bar (a copy is kept; null removes it) and redraws it.
  virtual void set_menu(WindowId window, const MenuBar* menu) = 0;
  // Enables or grays the Close item of the window's system menu.
  virtual void set_close_enabled(WindowId window, bool enabled) = 0;
  // A status bar of `parts.size()` parts along the bottom of the client
  // area; `parts` are the right edges (-1: to the window's right edge).
  virtual Handle create_status_bar(WindowId window) = 0;
  virtual void set_status_parts(Handle bar, const std::vector<int>& right_edges) = 0;
  // Text of part `part` (0-based), raised or flat.
  virtual void set_status_text(Handle bar, int part, std::string_view text, bool raised) = 0;
  virtual int status_bar_height(Handle bar) = 0;
  // Fits the status bar to a new client width.
  virtual void size_status_bar(Handle bar) = 0;

  // ---- message boxes ----------------------------------------------------
  // A modal box (mb:: style bits); returns the button pressed (kIdOk,
  // kIdYes, kIdNo).  Texts are code-page bytes; "\r" breaks lines.  `kind`
  // is the message-box routine's kind (2 About, 3 internal error, 4 system
  // error, 5 call the developer) or 0 for the runtime's own question boxes
  // (close confirmations); displays that log boxes show it.
  virtual int message_box(WindowId owner, int kind, std::string_view title, std::string_view text,
                          unsigned style) = 0;
  // A small modeless window with a caption and one line of text, shown
  // without taking the focus from the main window.
  virtual Handle create_message_window(std::string_view caption, std::string_view text) = 0;
  virtual void destroy_message_window(Handle window) = 0;

  // ---- clipboard ----------------------------------------------------------
  // Plain text as code-page bytes (converted at the display's edge).
  virtual bool clipboard_set_text(WindowId owner, std::string_view bytes) = 0;
  virtual bool clipboard_has_text() = 0;
  virtual std::optional<std::string> clipboard_text() = 0;

  // ---- dropped files ------------------------------------------------------
  // Register (true) or withdraw the window as a target of dropped files;
  // drops then arrive as WM_DROPFILES with the drop handle in the word
  // parameter.
  virtual void accept_drops(WindowId window, bool accept) = 0;
  virtual std::vector<std::string> drop_files(Handle drop) = 0;
  // Client position of the drop; false when it fell outside the client area.
  virtual bool drop_point(Handle drop, Point& point) = 0;
  virtual void drop_finish(Handle drop) = 0;

  // ---- keyboard, sound, timers ------------------------------------------
  // Key state of a virtual key (vk::), as kKeyDown | kKeyToggled bits.
  virtual std::int16_t key_state(int virtual_key) = 0;
  virtual void beep() = 0;
  virtual void tone(int frequency, int duration_ms) = 0;
  virtual void set_timer(WindowId window, int id, int interval_ms) = 0;
  virtual void kill_timer(WindowId window, int id) = 0;

  // ---- message queue ------------------------------------------------------
  virtual void post(const Message& message) = 0;
  // Looks at the first queued message for `window` (0: any) whose number is
  // within [first, last]; removes it when `remove`.  A pending paint is
  // reported as WM_PAINT and a due timer as WM_TIMER, after other messages
  // of the range, as the window system does.
  virtual bool peek(Message& out, WindowId window, std::uint32_t first, std::uint32_t last,
                    bool remove) = 0;
  // Blocks until a message is queued (reads the device / the input script).
  virtual void wait_message() = 0;
  // Key-down messages that produce characters queue the character message
  // (WM_CHAR / WM_SYSCHAR) behind them.
  virtual void translate(const Message& message) = 0;
  // Calls the window procedure of the message's window.
  virtual std::intptr_t dispatch(const Message& message) = 0;
  virtual std::intptr_t send(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) = 0;
  // The window system's default processing of a message (closing destroys
  // the window, Alt and F10 activate the menu bar, ...).
  virtual std::intptr_t default_proc(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) = 0;

  // Called once at process exit (screen dumps, terminal restore).
  virtual void shutdown() {}
};

// ---- choosing the display ---------------------------------------------------

using DisplayFactory = std::unique_ptr<Display> (*)();
// Whether a display can run here (a terminal on stdin/stdout, ...).
using DisplayUsable = bool (*)();

// Registers a built-in display (tty registers itself from its own folder).
KV_EXPORT void register_display(const char* name, DisplayFactory factory, DisplayUsable usable);

// The display of the process, chosen on first use: KORVEXAN_DISPLAY =
// headless | tty | qt; else tty when standard input and output are
// terminals, else qt when DISPLAY or WAYLAND_DISPLAY is set and the Qt
// shared object loads, else headless.  A named display that cannot be had
// falls back to headless.
KV_EXPORT Display& display();
// True once display() has chosen.
KV_EXPORT bool display_chosen();
// Replaces the display (tests); the previous one is shut down.
KV_EXPORT void set_display(std::unique_ptr<Display> d);

// The Qt display is a separate shared object, libcellview_qt.so, loaded
// with dlopen only when chosen.  It exports one C function of this name and
// type; `abi` is kDisplayAbi, and a mismatch must return null.  Ownership
// of the returned display passes to the runtime (deleted through its
// virtual destructor).
inline constexpr int kDisplayAbi = 2;
inline constexpr const char* kQtLibrary = "libcellview_qt.so";
inline constexpr const char* kQtFactorySymbol = "kv_create_qt_display";
extern "C" {
using QtDisplayFactory = Display* (*)(int abi);
}

}  // namespace kv::term
