#include "runtime/terminal/backends/tty/tty_display.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#if __has_include(<linux/kd.h>)
#include <linux/kd.h>
#define KV_HAVE_KDGKBLED 1
#endif

#include "runtime/terminal/backends/tty/tty_terminfo.h"
#include "runtime/terminal/colours.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/codepage.h"

// Last: ncurses' names must not turn ordinary calls into macros.
#define NCURSES_NOMACROS 1
#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace kv::term {

namespace {

constexpr int kMenuPaste = 9005;

// ---- what a signal handler needs to give the terminal back ----------------
// Filled while the screen is in use; read only by async-signal-safe code.
struct RestoreState {
  volatile sig_atomic_t active = 0;
  int in_fd = 0;
  int term_fd = -1;
  termios saved{};
  char reset[512] = {};
  std::size_t reset_len = 0;
  int saved_out = -1;  // standard output and error as they were
  int saved_err = -1;
  int hold_fd = -1;  // where their output went meanwhile
};
RestoreState g_restore;
volatile sig_atomic_t g_lost = 0;     // a signal handler gave the terminal back
volatile sig_atomic_t g_resized = 0;  // SIGWINCH or SIGCONT
int g_wake[2] = {-1, -1};             // self-pipe that wakes a waiting poll
TtyDisplay* g_display = nullptr;

// Signals after which the terminal must be usable again: those that end
// the process (a crash in the program or in a user exit included), and
// SIGTSTP, which stops it (the screen is taken again when it continues).
constexpr int kFatalSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT, SIGABRT,
                                 SIGSEGV, SIGBUS,  SIGFPE, SIGILL,  SIGTSTP};
struct sigaction g_previous[64];
bool g_handled[64] = {};

void write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

// Copies the held output to `fd` and empties the holder.  Async-signal-safe.
void replay_held(int hold, int fd) {
  if (hold < 0 || fd < 0) return;
  if (lseek(hold, 0, SEEK_SET) < 0) return;
  char buf[4096];
  for (;;) {
    ssize_t r = ::read(hold, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    write_all(fd, buf, static_cast<std::size_t>(r));
  }
  if (ftruncate(hold, 0) != 0) {
  }
  lseek(hold, 0, SEEK_SET);
}

// Where held output goes when the terminal is given back: standard output
// when it was the terminal, else standard error (output to a file went
// there directly all along).
int held_output_target() { return g_restore.saved_out >= 0 ? 1 : 2; }

// Gives the terminal back from a signal handler.  Async-signal-safe.
void restore_now() {
  if (!g_restore.active) return;
  g_restore.active = 0;
  write_all(g_restore.term_fd, g_restore.reset, g_restore.reset_len);
  tcsetattr(g_restore.in_fd, TCSANOW, &g_restore.saved);
  if (g_restore.saved_out >= 0) dup2(g_restore.saved_out, 1);
  if (g_restore.saved_err >= 0) dup2(g_restore.saved_err, 2);
  replay_held(g_restore.hold_fd, held_output_target());
}

void on_fatal_signal(int sig) {
  int saved_errno = errno;
  bool was_active = g_restore.active != 0;
  restore_now();
  if (was_active) g_lost = 1;
  // The signal goes on as it would have without us: the disposition the
  // program had, with the signal let through at once (it is blocked while
  // its handler runs).
  struct sigaction ours;
  sigaction(sig, &g_previous[sig], &ours);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  sigaction(sig, &ours, nullptr);
  errno = saved_errno;
}

void on_wake_signal(int) {
  int saved_errno = errno;
  g_resized = 1;
  if (g_wake[1] >= 0) {
    char b = 1;
    ssize_t w = ::write(g_wake[1], &b, 1);
    (void)w;
  }
  errno = saved_errno;
}

void install_signals() {
  static bool done = false;
  if (done) return;
  done = true;
  if (pipe(g_wake) == 0) {
    for (int fd : g_wake) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  for (int sig : kFatalSignals) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) != 0) continue;
    // A signal the program ignores (nohup) stays ignored.
    if (old.sa_handler == SIG_IGN) continue;
    struct sigaction sa {};
    sa.sa_handler = &on_fatal_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    if (sigaction(sig, &sa, &g_previous[sig]) == 0) g_handled[sig] = true;
  }
  for (int sig : {SIGWINCH, SIGCONT}) {
    struct sigaction sa {};
    sa.sa_handler = &on_wake_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(sig, &sa, nullptr);
  }
}

// The descriptors kept while standard output and error were held, once a
// signal handler has put them back.
void forget_saved_fds() {
  for (int* fd : {&g_restore.saved_out, &g_restore.saved_err, &g_restore.hold_fd}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void restore_at_exit() {
  if (g_display) g_display->leave();
  restore_now();
}

std::string cap(const char* name) {
  char* s = tigetstr(name);
  if (!s || s == reinterpret_cast<char*>(-1)) return {};
  return s;
}

bool same_terminal(int a, int b) {
  struct stat sa, sb;
  if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0) return false;
  return S_ISCHR(sa.st_mode) && S_ISCHR(sb.st_mode) && sa.st_rdev == sb.st_rdev;
}

bool utf8_codeset() {
  const char* cs = nl_langinfo(CODESET);
  return cs && (std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0);
}

// A glyph for terminals that cannot show it: box drawing as + - |, shades
// and blocks as #, anything else as ?.
wchar_t ascii_fallback(char32_t c) {
  if (c < 0x80) return static_cast<wchar_t>(c);
  if (c >= 0x2500 && c <= 0x257F) {
    static const char32_t horizontal[] = {0x2500, 0x2501, 0x2550, 0x2504, 0x2505,
                                          0x2508, 0x2509, 0x254C, 0x254D};
    static const char32_t vertical[] = {0x2502, 0x2503, 0x2551, 0x2506, 0x2507,
                                        0x250A, 0x250B, 0x254E, 0x254F};
    for (char32_t h : horizontal)
      if (c == h) return L'-';
    for (char32_t v : vertical)
      if (c == v) return L'|';
    return L'+';
  }
  if (c >= 0x2580 && c <= 0x259F) return L'#';
  return L'?';
}

std::uint64_t env_ms(const char* name, std::uint64_t dflt) {
  const char* v = std::getenv(name);
  if (!v || !*v) return dflt;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  if (*end != 0 || n < 0 || n > 10000) return dflt;
  return static_cast<std::uint64_t>(n);
}

}  // namespace

// ---------------------------------------------------------------------------

TtyDisplay::TtyDisplay(int in_fd, int out_fd) : in_fd_(in_fd), out_fd_(out_fd) {
  metrics_ = {};
  work_area_ = {0, 0, 1024, 768};
  cell_metrics_ = {1, 1, 1};
  status_height_ = 0;
  chars_.fill(' ');
  attrs_.fill(0x07);
  escape_delay_ms_ = static_cast<int>(env_ms("ESCDELAY", 50));
}

TtyDisplay::~TtyDisplay() {
  leave();
  if (screen_) {
    delscreen(static_cast<SCREEN*>(screen_));
    screen_ = nullptr;
  }
  if (out_file_) std::fclose(static_cast<FILE*>(out_file_));
  if (in_file_) std::fclose(static_cast<FILE*>(in_file_));
  if (own_fd_ >= 0) ::close(own_fd_);
  if (g_display == this) g_display = nullptr;
}

bool TtyDisplay::usable() {
  if (!isatty(0) || !isatty(1)) return false;
  const char* t = std::getenv("TERM");
  if (!t || !*t || std::strcmp(t, "dumb") == 0) return false;
  return tty::terminal_known(t, 1);
}

bool TtyDisplay::enter() {
  if (active_) return true;
  if (enter_failed_) return false;
  if (g_lost) {
    // A signal gave the terminal back while the program went on: start
    // over from the terminal's own state.
    g_lost = 0;
    forget_saved_fds();
    if (screen_) endwin();
  }
  std::fflush(stdout);
  std::fflush(stderr);
  termios saved{};
  if (tcgetattr(in_fd_, &saved) != 0) {
    enter_failed_ = true;
    return false;
  }
  install_signals();
  static bool exit_hook = false;
  if (!exit_hook) {
    exit_hook = true;
    std::atexit(&restore_at_exit);
  }
  g_display = this;

  // The code page is shown as Unicode: the locale's character set must be
  // UTF-8 for ncursesw to write it.  Without a locale of its own (C,
  // POSIX) the terminal is taken to be UTF-8, as nearly all are.
  const char* cur = std::setlocale(LC_CTYPE, nullptr);
  saved_locale_ = cur ? cur : "C";
  std::setlocale(LC_CTYPE, "");
  utf8_ = utf8_codeset();
  if (!utf8_) {
    const char* env = std::setlocale(LC_CTYPE, nullptr);
    bool plain = !env || std::strcmp(env, "C") == 0 || std::strcmp(env, "POSIX") == 0;
    if (plain && (std::setlocale(LC_CTYPE, "C.UTF-8") || std::setlocale(LC_CTYPE, "C.utf8") ||
                  std::setlocale(LC_CTYPE, "en_US.UTF-8")))
      utf8_ = utf8_codeset();
  }

  if (!screen_) {
    int tfd = dup(out_fd_);
    int ifd = dup(in_fd_);
    FILE* out = tfd >= 0 ? fdopen(tfd, "w") : nullptr;
    FILE* in = ifd >= 0 ? fdopen(ifd, "r") : nullptr;
    SCREEN* s = out && in ? newterm(nullptr, out, in) : nullptr;
    if (!s) {
      if (out)
        std::fclose(out);
      else if (tfd >= 0)
        close(tfd);
      if (in)
        std::fclose(in);
      else if (ifd >= 0)
        close(ifd);
      std::setlocale(LC_CTYPE, saved_locale_.c_str());
      enter_failed_ = true;
      std::fprintf(stderr, "tty display: the terminal (TERM=%s) cannot be used\n",
                   std::getenv("TERM") ? std::getenv("TERM") : "");
      return false;
    }
    screen_ = s;
    out_file_ = out;
    in_file_ = in;
    term_fd_ = tfd;
    fcntl(term_fd_, F_SETFD, FD_CLOEXEC);
    fcntl(ifd, F_SETFD, FD_CLOEXEC);
    set_term(s);
    if (has_colors()) {
      start_color();
      // Colour pair 0 is light grey on black, the screen's attribute 7.
      assume_default_colors(COLOR_WHITE, COLOR_BLACK);
      colours_ = COLORS;
    }
    decoder_.set_back_tab(cap("kcbt"));
    osc52_ = !cap("Ms").empty();
    if (tigetflag("XT") > 0) {
      title_start_ = "\x1b]2;";
      title_end_ = "\x07";
    } else if (tigetflag("hs") > 0 && !cap("tsl").empty() && !cap("fsl").empty()) {
      std::string tsl = cap("tsl");
      const char* t = tsl.find('%') == std::string::npos
                          ? tsl.c_str()
                          : tparm(tsl.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0);
      title_start_ = t ? t : "";
      title_end_ = cap("fsl");
    }
    if (const char* o = std::getenv("KORVEXAN_OSC52"); o && *o) osc52_ = *o == '1';
  } else {
    set_term(static_cast<SCREEN*>(screen_));
    reset_prog_mode();
  }
  raw();
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, TRUE);  // application keypad: the keypad's Enter is told apart
  leaveok(stdscr, FALSE);
  curs_set(0);
  cursor_on_ = 0;
  cursor_shape_ = 0;
  int rows = getmaxy(stdscr), cols = getmaxx(stdscr);
  struct winsize ws {};
  if (ioctl(term_fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0 &&
      (ws.ws_row != rows || ws.ws_col != cols))
    resize_term(ws.ws_row, ws.ws_col);

  // What gives the terminal back, also from a signal handler.
  std::string reset = "\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[?2004l";
  std::string se = cap("Se");
  reset += se.empty() ? std::string(cap("Ss").empty() ? "" : "\x1b[0 q") : se;
  reset += cap("rmkx") + cap("sgr0") + cap("cnorm") + cap("rmcup");
  g_restore.in_fd = in_fd_;
  g_restore.term_fd = term_fd_;
  g_restore.saved = saved;
  g_restore.reset_len = std::min(reset.size(), sizeof g_restore.reset);
  std::memcpy(g_restore.reset, reset.data(), g_restore.reset_len);

  // Output of the program to the same terminal is held until the terminal
  // is given back.
  g_restore.saved_out = g_restore.saved_err = g_restore.hold_fd = -1;
  bool hold_out = same_terminal(1, term_fd_), hold_err = same_terminal(2, term_fd_);
  if (hold_out || hold_err) {
    int hold = memfd_create("korvexan-held-output", MFD_CLOEXEC);
    if (hold < 0) {
      char name[] = "/tmp/korvexan-held-XXXXXX";
      hold = mkstemp(name);
      if (hold >= 0) unlink(name);
    }
    if (hold >= 0) {
      g_restore.hold_fd = hold;
      for (int fd : {1, 2}) {
        if (!(fd == 1 ? hold_out : hold_err)) continue;
        int& saved = fd == 1 ? g_restore.saved_out : g_restore.saved_err;
        saved = dup(fd);
        fcntl(saved, F_SETFD, FD_CLOEXEC);
        dup2(hold, fd);
      }
    }
  }
  g_restore.active = 1;
  active_ = true;

  // Mouse: button presses, releases and drags in SGR form; pastes
  // bracketed.
  write_raw("\x1b[?1000h\x1b[?1002h\x1b[?1006h\x1b[?2004h");
  shown_.resize(0, 0);
  shown_title_.clear();
  clearok(curscr, TRUE);
  flush();
  return true;
}

void TtyDisplay::leave() {
  if (!active_) return;
  active_ = false;
  if (g_lost || !g_restore.active) {
    // A signal handler already gave the terminal back.
    g_lost = 0;
    forget_saved_fds();
    std::setlocale(LC_CTYPE, saved_locale_.c_str());
    return;
  }
  set_term(static_cast<SCREEN*>(screen_));
  std::fflush(stdout);
  std::fflush(stderr);
  std::string off = "\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[?2004l";
  if (cursor_shape_ != 0) {
    std::string se = cap("Se");
    off += se.empty() ? "\x1b[0 q" : se;
  }
  // To the terminal itself: standard output still goes to the holder.
  write_all(term_fd_, off.data(), off.size());
  curs_set(1);
  keypad(stdscr, FALSE);
  endwin();
  tcsetattr(in_fd_, TCSANOW, &g_restore.saved);
  g_restore.active = 0;
  if (g_restore.saved_out >= 0) {
    dup2(g_restore.saved_out, 1);
    close(g_restore.saved_out);
  }
  if (g_restore.saved_err >= 0) {
    dup2(g_restore.saved_err, 2);
    close(g_restore.saved_err);
  }
  replay_held(g_restore.hold_fd, held_output_target());
  if (g_restore.hold_fd >= 0) close(g_restore.hold_fd);
  g_restore.saved_out = g_restore.saved_err = g_restore.hold_fd = -1;
  std::setlocale(LC_CTYPE, saved_locale_.c_str());
}

void TtyDisplay::shutdown() { leave(); }

void TtyDisplay::write_raw(std::string_view bytes) {
  int fd = active_ ? term_fd_ : out_fd_;
  if (fd >= 0) write_all(fd, bytes.data(), bytes.size());
}

// ---- windows and painting ---------------------------------------------------

WindowId TtyDisplay::create_window(const CreateParams& params) {
  WindowId id = BasicDisplay::create_window(params);
  if (id && !main_) {
    main_ = id;
    // A terminal that cannot be used can give the program no input: it is
    // told that the user is gone, as when the terminal goes away.
    if (!enter()) input_closed_ = true;
  }
  return id;
}

bool TtyDisplay::destroy_window(WindowId window) {
  bool ok = BasicDisplay::destroy_window(window);
  if (ok && window == main_) {
    main_ = 0;
    leave();
  }
  return ok;
}

bool TtyDisplay::move_window(WindowId window, int x, int y, int, int, bool repaint) {
  // A size from a settings file written on another display (pixels), or
  // a corrupt one, must not hide part of the panel on a terminal.
  return BasicDisplay::move_window(window, x, y, 32000, 32000, repaint);
}

void TtyDisplay::device_draw(WindowId window, int x, int y, std::string_view bytes, Handle,
                             Rgb foreground, Rgb background) {
  if (window != main_) return;  // secondary windows have no place on the terminal
  copy_drawn_run(chars_.data(), attrs_.data(), x, y, bytes, foreground, background);
}

void TtyDisplay::end_paint(WindowId window) {
  BasicDisplay::end_paint(window);
  if (window == main_) flush();
}

void TtyDisplay::create_caret(WindowId window, int width, int height) {
  BasicDisplay::create_caret(window, width, height);
  caret_width_ = width;
  caret_height_ = height;
}

void TtyDisplay::set_status_text(Handle bar, int part, std::string_view text, bool raised) {
  BasicDisplay::set_status_text(bar, part, text, raised);
  if (part == 0) fresh_message_ = text.find_first_not_of(' ') != std::string_view::npos;
}

void TtyDisplay::set_status_parts(Handle bar, const std::vector<int>& right_edges) {
  BasicDisplay::set_status_parts(bar, right_edges);
  status_edges_ = right_edges;
}

tty::Layout TtyDisplay::current_layout() {
  int rows = active_ ? getmaxy(stdscr) : 25, cols = active_ ? getmaxx(stdscr) : 80;
  int prow = 0, pcol = 0;
  if (main_) {
    Rect c = client_rect(main_);
    prow = std::clamp(c.height() / std::max(cell_metrics_.height, 1), 0, kRows);
    pcol = std::clamp(c.width() / std::max(cell_metrics_.avg_width, 1), 0, kCols);
  }
  Point caret = caret_pos();
  Point scroll = main_ ? scroll_pos(main_) : Point{};
  return tty::compute_layout(rows, cols, prow, pcol, caret.y + scroll.y, caret.x + scroll.x,
                             caret_visible());
}

short TtyDisplay::pair_for(short fg, short bg) {
  if (colours_ == 0) return 0;
  if (fg == COLOR_WHITE && bg == COLOR_BLACK) return 0;
  int key = fg * 256 + bg;
  auto it = pairs_.find(key);
  if (it != pairs_.end()) return it->second;
  if (next_pair_ >= COLOR_PAIRS || next_pair_ >= 0x7FFF) return 0;  // out of pairs: the default
  short p = next_pair_++;
  init_pair(p, fg, bg);
  pairs_[key] = p;
  return p;
}

void TtyDisplay::draw_frame() {
  bool full = shown_.rows() != frame_.rows() || shown_.cols() != frame_.cols();
  for (int r = 0; r < frame_.rows(); ++r) {
    for (int c = 0; c < frame_.cols(); ++c) {
      const tty::Cell& cell = frame_.at(r, c);
      if (!full && shown_.at(r, c) == cell) continue;
      tty::TermColour tc = tty::term_colour(cell.attr, colours_);
      attr_t a = A_NORMAL;
      if (tc.bold) a |= A_BOLD;
      if (tc.reverse) a |= A_REVERSE;
      wchar_t w[2] = {static_cast<wchar_t>(cell.ch), 0};
      if (!utf8_ || cell.ch < 0x20 || wcwidth(w[0]) != 1) w[0] = ascii_fallback(cell.ch);
      if (w[0] < 0x20) w[0] = L' ';
      cchar_t cc;
      setcchar(&cc, w, a, pair_for(tc.fg, tc.bg), nullptr);
      // The bottom right cell cannot advance the cursor; ncurses still
      // places the character.
      mvwadd_wch(stdscr, r, c, &cc);
    }
  }
  shown_ = frame_;
}

void TtyDisplay::flush() {
  if (g_lost) {
    active_ = false;
    enter();
  }
  if (!active_) return;
  set_term(static_cast<SCREEN*>(screen_));
  if (g_resized) handle_resize();
  layout_ = current_layout();
  tty::Scene s;
  s.chars = chars_.data();
  s.attrs = attrs_.data();
  s.stride = kCols;
  s.layout = layout_;
  s.menu = main_ ? menu_of(main_) : nullptr;
  s.open_popup = open_popup_;
  s.selected_item = selected_item_;
  for (int p = 0; p < 4; ++p) {
    s.status_texts[static_cast<std::size_t>(p)] = status_text(p);
    s.status_raised[static_cast<std::size_t>(p)] = status_raised(p);
  }
  s.message_over_panel = fresh_message_;
  s.modeless = modeless_text();
  s.box = box_;
  tty::compose(frame_, s);
  draw_frame();
  // The caret, where the panel shows it and nothing lies over it.
  Point caret = caret_pos();
  Point scroll = main_ ? scroll_pos(main_) : Point{};
  int crow = caret.y + scroll.y - layout_.first_row, ccol = caret.x + scroll.x - layout_.first_col;
  bool show = caret_visible() && !box_ && open_popup_ < 0 && crow >= 0 &&
              crow < layout_.view_rows && ccol >= 0 && ccol < layout_.view_cols;
  if (show) wmove(stdscr, layout_.top + crow, ccol);
  if ((show ? 1 : 0) != cursor_on_) {
    curs_set(show ? 1 : 0);
    cursor_on_ = show ? 1 : 0;
  }
  wnoutrefresh(stdscr);
  doupdate();
  // A caret narrower than a cell is a bar, a full cell a block, a flat one
  // an underline.
  if (show) {
    int cw = std::max(cell_metrics_.avg_width, 1), ch = std::max(cell_metrics_.height, 1);
    int shape = caret_width_ >= cw ? (caret_height_ < ch ? 4 : 2) : 6;
    set_cursor_shape(shape);
  }
  if (!title_start_.empty() && main_) {
    std::string title = title_of(main_);
    if (title != shown_title_) {
      shown_title_ = title;
      // Code-page bytes below X'20' are glyphs: no control character can
      // end the sequence early.
      write_raw(title_start_ + to_utf8(title) + title_end_);
    }
  }
  if (!osc_pending_.empty()) {
    write_raw(osc_pending_);
    osc_pending_.clear();
  }
}

void TtyDisplay::set_cursor_shape(int shape) {
  if (shape == cursor_shape_) return;
  std::string ss = cap("Ss");
  if (ss.empty()) return;
  const char* seq = tparm(ss.c_str(), shape, 0, 0, 0, 0, 0, 0, 0, 0);
  if (seq) write_raw(seq);
  cursor_shape_ = shape;
}

void TtyDisplay::handle_resize() {
  g_resized = 0;
  struct winsize ws {};
  if (ioctl(term_fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0)
    resize_term(ws.ws_row, ws.ws_col);
  // Everything is drawn again: the terminal may have lost or moved it.
  clearok(curscr, TRUE);
  shown_.resize(0, 0);
}

// ---- input ---------------------------------------------------------------------

std::uint32_t TtyDisplay::lock_keys() {
  std::uint32_t keys = device_keys_ & (kf_caps | kf_num | kf_scroll | kf_insert);
#ifdef KV_HAVE_KDGKBLED
  // The Linux console can tell its lock states; other terminals cannot.
  char leds = 0;
  if (ioctl(in_fd_, KDGKBLED, &leds) == 0) {
    keys &= ~(kf_caps | kf_num | kf_scroll);
    if (leds & K_CAPSLOCK) keys |= kf_caps;
    if (leds & K_NUMLOCK) keys |= kf_num;
    if (leds & K_SCROLLLOCK) keys |= kf_scroll;
  }
#endif
  return keys;
}

bool TtyDisplay::read_events(std::uint64_t deadline) {
  for (;;) {
    if (!events_.empty()) return true;
    if (g_resized && active_) flush();
    std::uint64_t now = tick_ms();
    int timeout = -1;
    if (deadline != 0)
      timeout =
          deadline > now ? static_cast<int>(std::min<std::uint64_t>(deadline - now, 60000)) : 0;
    bool waiting_rest = decoder_.pending();
    if (waiting_rest) {
      std::uint64_t delay =
          decoder_.in_paste() ? 1000 : static_cast<std::uint64_t>(escape_delay_ms_);
      std::uint64_t due = last_byte_ms_ + delay;
      int t = due > now ? static_cast<int>(due - now) : 0;
      timeout = timeout < 0 ? t : std::min(timeout, t);
    }
    pollfd fds[2] = {{input_closed_ ? -1 : in_fd_, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
    int n = poll(fds, 2, timeout);
    if (n < 0 && errno != EINTR) return false;
    if (n > 0 && (fds[1].revents & POLLIN)) {
      char buf[64];
      while (::read(g_wake[0], buf, sizeof buf) > 0) {
      }
    }
    std::vector<tty::Event> out;
    if (n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
      char buf[4096];
      ssize_t r = ::read(in_fd_, buf, sizeof buf);
      if (r > 0) {
        last_byte_ms_ = tick_ms();
        decoder_.feed(std::string_view(buf, static_cast<std::size_t>(r)), out);
      } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
        // The terminal is gone.  The user can no longer answer; the
        // program is told as if the user had confirmed quitting.
        input_closed_ = true;
        if (main_) post_input(main_, wm::kUserQuit, 0, 0, device_keys_);
        return false;
      }
    }
    if (decoder_.pending() &&
        tick_ms() >=
            last_byte_ms_ +
                (decoder_.in_paste() ? 1000 : static_cast<std::uint64_t>(escape_delay_ms_)))
      decoder_.expire(out);
    for (tty::Event& e : out) events_.push_back(std::move(e));
    if (!events_.empty()) return true;
    if (deadline != 0 && tick_ms() >= deadline) return false;
    if (input_closed_ && deadline == 0) return false;
  }
}

bool TtyDisplay::next_event(tty::Event& e) {
  if (events_.empty() && !read_events(0)) return false;
  if (events_.empty()) return false;
  e = std::move(events_.front());
  events_.pop_front();
  return true;
}

void TtyDisplay::device_wait(std::uint64_t deadline_ms) {
  flush();
  if (!active_ || input_closed_) {
    // Nothing to read: only time passes.
    std::uint64_t now = tick_ms();
    std::uint64_t wait = deadline_ms > now ? deadline_ms - now : (deadline_ms == 0 ? 250 : 0);
    // A program that goes on waiting for input that cannot come is told
    // again that the user is gone, but never faster than this.
    if (wait > 0) poll(nullptr, 0, static_cast<int>(std::min<std::uint64_t>(wait, 100)));
    if (input_closed_ && main_ && !has_pending_work())
      post_input(main_, wm::kUserQuit, 0, 0, device_keys_);
    return;
  }
  if (events_.empty()) read_events(deadline_ms);
  while (!events_.empty()) {
    tty::Event e = std::move(events_.front());
    events_.pop_front();
    handle_event(e);
  }
}

void TtyDisplay::handle_event(const tty::Event& e) {
  switch (e.kind) {
    case tty::Event::Kind::Key:
      handle_key(e.key);
      return;
    case tty::Event::Kind::Mouse:
      handle_mouse(e.mouse);
      return;
    case tty::Event::Kind::Paste:
      if (!main_) return;
      // A paste from the terminal goes the Edit menu's way: the text
      // becomes the clipboard's and is typed into the field.
      BasicDisplay::clipboard_set_text(main_, from_utf8(e.text));
      post_input(main_, wm::kCommand, kMenuPaste, 0, device_keys_);
      return;
  }
}

void TtyDisplay::handle_key(const tty::Key& k) {
  if (!main_) return;
  fresh_message_ = false;
  std::uint32_t locks = lock_keys();
  if (k.vk == vk::kInsert && !(k.keys & (kf_ctrl | kf_alt))) locks ^= kf_insert;
  device_keys_ = (device_keys_ & ~(kf_caps | kf_num | kf_scroll | kf_insert)) | locks;
  std::uint32_t keys = k.keys | locks;
  post_key(main_, k.vk, k.scan, k.extended, k.character, keys);
  // The terminal reports a key with Alt at once; Alt is released with it.
  if (k.keys & kf_alt)
    post_input(main_, wm::kSysKeyUp, vk::kMenu, make_key_param(56, false, false, true),
               keys & ~kf_alt);
}

void TtyDisplay::handle_mouse(const tty::MouseReport& m) {
  if (!main_) return;
  if (m.action == tty::MouseAction::Press) fresh_message_ = false;
  const tty::Layout& l = layout_;
  // A press on the menu bar opens its menu.
  if (m.action == tty::MouseAction::Press && m.button == 0 && l.menu_row >= 0 &&
      m.row == l.menu_row) {
    if (const MenuBar* menu = menu_of(main_)) {
      tty::MenuGeometry g = tty::menu_geometry(*menu, l.menu_row, l.cols, l.rows, -1);
      int t = tty::title_at(g, m.col);
      if (t >= 0) run_menu(t, true);
    }
    return;
  }
  bool inside = m.row >= l.top && m.row < l.top + l.view_rows && m.col >= 0 && m.col < l.view_cols;
  // Presses count only on the panel; releases and drags follow a button
  // held there wherever they happen, as with a captured mouse.
  if (!inside && m.action == tty::MouseAction::Press) return;
  if (!inside && m.action == tty::MouseAction::Motion && !mouse_.left_held()) return;
  // A click on the status bar or beside the panel is no click in the
  // window: its release is not one either.
  if (!inside && m.action == tty::MouseAction::Release && !mouse_.held(m.button)) return;
  int row = std::clamp(m.row - l.top, 0, std::max(l.view_rows - 1, 0)) + l.first_row;
  int col = std::clamp(m.col, 0, std::max(l.view_cols - 1, 0)) + l.first_col;
  tty::MouseReport r = m;
  r.row = row;
  r.col = col;
  std::uint32_t keys = m.keys | lock_keys();
  Point scroll = scroll_pos(main_);
  for (const tty::MouseMessage& mm : mouse_.report(r, tick_ms())) {
    int x = mm.col * cell_metrics_.avg_width - scroll.x;
    int y = mm.row * cell_metrics_.height - scroll.y;
    if (mm.message == wm::kMouseMove)
      post_input(main_, wm::kMouseMove, mm.held, make_point_param(x, y), keys);
    else
      post_mouse(main_, mm.message, x, y, keys);
  }
}

// ---- menus ---------------------------------------------------------------------

std::intptr_t TtyDisplay::default_proc(WindowId window, std::uint32_t message,
                                       std::uintptr_t wparam, std::intptr_t lparam) {
  switch (message) {
    case wm::kSysKeyDown: {
      int key = static_cast<int>(wparam);
      bool alt = ((static_cast<std::uint32_t>(lparam) >> 29) & 1u) != 0;
      if (key == vk::kF1 + 3 && alt) {
        // Alt+F4 closes the window, as on a desktop.
        send(window, wm::kSysCommand, sys_command::kClose, 0);
        return 0;
      }
      const MenuBar* menu = window == main_ ? menu_of(window) : nullptr;
      if (!menu || menu->popups.empty()) return 0;
      if (key == vk::kF10 && !alt) {
        run_menu(0, false);
        return 0;
      }
      if (alt && ((key >= vk::kA && key <= vk::kA + 25) || (key >= vk::k0 && key <= vk::k0 + 9))) {
        for (std::size_t p = 0; p < menu->popups.size(); ++p)
          if (tty::mnemonic(menu->popups[p].title) == static_cast<char>(key)) {
            run_menu(static_cast<int>(p), false);
            return 0;
          }
      }
      return 0;
    }
    case wm::kSysKeyUp:
    case wm::kSysChar:
      return 0;
    case wm::kSysCommand:
      if ((wparam & 0xFFF0) == sys_command::kKeyMenu) {
        const MenuBar* menu = window == main_ ? menu_of(window) : nullptr;
        if (menu && !menu->popups.empty()) run_menu(0, false);
        return 0;
      }
      return BasicDisplay::default_proc(window, message, wparam, lparam);
    default:
      return BasicDisplay::default_proc(window, message, wparam, lparam);
  }
}

void TtyDisplay::choose_item(const MenuBar& menu, int item, bool& done) {
  if (open_popup_ < 0 || item < 0) return;
  const MenuPopup& p = menu.popups[static_cast<std::size_t>(open_popup_)];
  if (static_cast<std::size_t>(item) >= p.items.size()) return;
  const MenuItem& it = p.items[static_cast<std::size_t>(item)];
  if (it.grayed || it.command == 0) return;
  post_input(main_, wm::kCommand, static_cast<std::uintptr_t>(it.command), 0, device_keys_);
  done = true;
}

bool TtyDisplay::menu_key(const tty::Key& k, const MenuBar& menu, bool& done) {
  int n = static_cast<int>(menu.popups.size());
  const MenuPopup& p = menu.popups[static_cast<std::size_t>(open_popup_)];
  switch (k.vk) {
    case vk::kLeft:
    case vk::kRight:
      open_popup_ = ((open_popup_ + (k.vk == vk::kRight ? 1 : -1)) % n + n) % n;
      selected_item_ = tty::next_item(menu.popups[static_cast<std::size_t>(open_popup_)], -1, 1);
      return true;
    case vk::kUp:
      selected_item_ = tty::next_item(p, selected_item_ < 0 ? 0 : selected_item_, -1);
      return true;
    case vk::kDown:
      selected_item_ = tty::next_item(p, selected_item_, 1);
      return true;
    case vk::kHome:
      selected_item_ = tty::next_item(p, -1, 1);
      return true;
    case vk::kEnd:
      selected_item_ = tty::next_item(p, 0, -1);
      return true;
    case vk::kReturn:
      choose_item(menu, selected_item_, done);
      return true;
    case vk::kEscape:
    case vk::kF10:
      done = true;
      return true;
    default:
      break;
  }
  if (k.character <= 0 || k.character >= 0x80) return false;
  char letter = static_cast<char>(std::toupper(k.character));
  if (!(k.keys & kf_alt)) {
    for (std::size_t i = 0; i < p.items.size(); ++i)
      if (tty::mnemonic(p.items[i].text) == letter && !p.items[i].grayed) {
        selected_item_ = static_cast<int>(i);
        choose_item(menu, selected_item_, done);
        return true;
      }
  }
  for (int i = 0; i < n; ++i)
    if (tty::mnemonic(menu.popups[static_cast<std::size_t>(i)].title) == letter) {
      open_popup_ = i;
      selected_item_ = tty::next_item(menu.popups[static_cast<std::size_t>(i)], -1, 1);
      return true;
    }
  return false;
}

void TtyDisplay::run_menu(int popup, bool by_mouse) {
  const MenuBar* mp = main_ ? menu_of(main_) : nullptr;
  if (!mp || popup < 0 || static_cast<std::size_t>(popup) >= mp->popups.size() || !active_) return;
  // The window's menu stays as it is while it is open: nothing else runs.
  MenuBar menu = *mp;
  open_popup_ = popup;
  selected_item_ =
      by_mouse ? -1 : tty::next_item(menu.popups[static_cast<std::size_t>(popup)], -1, 1);
  bool done = false;
  while (!done) {
    flush();
    tty::Event e;
    if (!next_event(e)) break;
    if (e.kind == tty::Event::Kind::Key) {
      menu_key(e.key, menu, done);
      continue;
    }
    if (e.kind != tty::Event::Kind::Mouse) continue;
    const tty::MouseReport& m = e.mouse;
    int bar = layout_.menu_row >= 0 ? layout_.menu_row : 0;
    tty::MenuGeometry g = tty::menu_geometry(menu, bar, layout_.cols, layout_.rows, open_popup_);
    int item = tty::item_at(g, menu, open_popup_, m.row, m.col);
    int title = m.row == bar ? tty::title_at(g, m.col) : -1;
    switch (m.action) {
      case tty::MouseAction::Press:
        if (title >= 0) {
          if (title == open_popup_)
            done = true;
          else {
            open_popup_ = title;
            selected_item_ = -1;
          }
        } else if (item >= 0) {
          selected_item_ = item;
        } else {
          done = true;  // a press elsewhere closes the menu and is spent
        }
        break;
      case tty::MouseAction::Motion:
        if (item >= 0)
          selected_item_ = item;
        else if (title >= 0 && title != open_popup_) {
          open_popup_ = title;
          selected_item_ = -1;
        }
        break;
      case tty::MouseAction::Release:
        if (item >= 0) {
          selected_item_ = item;
          choose_item(menu, item, done);
        }
        break;
      default:
        break;
    }
  }
  open_popup_ = -1;
  selected_item_ = -1;
  flush();
}

// ---- boxes, clipboard, sound ----------------------------------------------------

int TtyDisplay::message_box(WindowId, int kind, std::string_view title, std::string_view text,
                            unsigned style) {
  bool yes_no = (style & mb::kButtonMask) == mb::kYesNo;
  int dflt = yes_no ? ((style & mb::kDefButton2) ? kIdNo : kIdYes) : kIdOk;
  bool was_active = active_;
  if (!enter() || input_closed_) {
    // No terminal to ask on: the box is written out and its default taken.
    kv::stderr_box(kind, title, text, {});
    return yes_no ? kIdNo : kIdOk;
  }
  tty::Box box;
  box.title = std::string(title);
  box.lines = tty::box_lines(text, std::clamp(layout_.cols - 6, 10, 74));
  if (yes_no)
    box.buttons = {"Yes", "No"};
  else
    box.buttons = {"OK"};
  box.focus = yes_no && (style & mb::kDefButton2) ? 1 : 0;
  box.stop = (style & mb::kIconMask) == mb::kIconStop;
  box_ = &box;
  int result = 0;
  int pressed = -1;
  auto button_result = [&](int b) { return yes_no ? (b == 0 ? kIdYes : kIdNo) : kIdOk; };
  while (result == 0) {
    flush();
    tty::Event e;
    if (!next_event(e)) {
      result = input_closed_ ? (yes_no ? kIdNo : kIdOk) : dflt;
      break;
    }
    if (e.kind == tty::Event::Kind::Key) {
      const tty::Key& k = e.key;
      int ch = k.character > 0 && k.character < 0x80 ? std::toupper(k.character) : 0;
      if (k.vk == vk::kReturn || (k.vk == vk::kSpace && !(k.keys & kf_alt)))
        result = button_result(box.focus);
      else if (k.vk == vk::kEscape)
        result = yes_no ? kIdNo : kIdOk;
      else if (yes_no && ch == 'Y')
        result = kIdYes;
      else if (yes_no && ch == 'N')
        result = kIdNo;
      else if (!yes_no && ch == 'O')
        result = kIdOk;
      else if (yes_no && (k.vk == vk::kLeft || k.vk == vk::kRight || k.vk == vk::kTab))
        box.focus = 1 - box.focus;
      continue;
    }
    if (e.kind != tty::Event::Kind::Mouse || e.mouse.button != 0) continue;
    tty::BoxGeometry g = tty::box_geometry(box, layout_.rows, layout_.cols);
    int b = tty::button_at(g, e.mouse.row, e.mouse.col);
    if (e.mouse.action == tty::MouseAction::Press) {
      pressed = b;
      if (b >= 0) box.focus = b;
    } else if (e.mouse.action == tty::MouseAction::Release) {
      if (b >= 0 && b == pressed) result = button_result(b);
      pressed = -1;
    }
  }
  box_ = nullptr;
  flush();
  if (!was_active && !main_) leave();
  return result;
}

void TtyDisplay::set_title(WindowId window, std::string_view title) {
  BasicDisplay::set_title(window, title);
  if (active_ && window == main_) flush();
}

Handle TtyDisplay::create_message_window(std::string_view caption, std::string_view text) {
  Handle h = BasicDisplay::create_message_window(caption, text);
  if (active_)
    flush();
  else {
    std::string line = std::string(caption) + " " + to_utf8(text) + "\n";
    write_all(2, line.data(), line.size());
  }
  return h;
}

void TtyDisplay::destroy_message_window(Handle window) {
  BasicDisplay::destroy_message_window(window);
  if (active_) flush();
}

bool TtyDisplay::clipboard_set_text(WindowId owner, std::string_view bytes) {
  BasicDisplay::clipboard_set_text(owner, bytes);
  if (osc52_) {
    // The terminal's own clipboard, where it takes one; the copy above
    // serves the program's Paste either way.
    osc_pending_ = "\x1b]52;c;" + tty::base64(to_utf8(bytes)) + "\x07";
    if (active_) flush();
  }
  return true;
}

bool TtyDisplay::choose_font(WindowId, LogicalFont&, std::uint32_t& error) {
  // The terminal's font is the terminal's business: nothing to choose.
  error = 0;
  return false;
}

void TtyDisplay::beep() {
  if (active_) {
    set_term(static_cast<SCREEN*>(screen_));
    ::beep();
  } else {
    write_raw("\a");
  }
}

void TtyDisplay::tone(int, int) { beep(); }

// ---- registration ------------------------------------------------------------

std::unique_ptr<Display> make_tty_display() {
  if (TtyDisplay::usable()) return std::make_unique<TtyDisplay>();
  // Asked for by name while standard input or output goes elsewhere
  // (`./app > log`): the process's controlling terminal shows the panel.
  const char* t = std::getenv("TERM");
  bool known_type = t && *t && std::strcmp(t, "dumb") != 0;
  int fd = known_type ? ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
  if (fd >= 0 && tty::terminal_known(t, fd)) {
    auto d = std::make_unique<TtyDisplay>(fd, fd);
    d->own_fd_ = fd;
    return d;
  }
  if (fd >= 0) ::close(fd);
  std::fprintf(stderr,
               "tty display: standard input and output are not a terminal of a known type, "
               "and there is no controlling terminal of one; using headless\n");
  return nullptr;
}

namespace {
struct Registrar {
  Registrar() { register_display("tty", &make_tty_display, &TtyDisplay::usable); }
};
Registrar g_registrar;
}  // namespace

}  // namespace kv::term

// Programs that link the runtime's static layers take this object (and
// with it the registration above) in through this symbol, which the
// terminal layer's link options name.
extern "C" void kv_tty_display_anchor() {}
