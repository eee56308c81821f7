#include "runtime/terminal/backends/qt/qt_display.h"

#include <QtWidgets/qdrawutil.h>
#include <dlfcn.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "runtime/terminal/backends/qt/qt_keys.h"
#include "runtime/utilities/codepage.h"

namespace kv::term::qtd {

// ---- the widgets -------------------------------------------------------------

// What widgets and queued calls hold of the display: cleared when the
// display shuts down, so that a widget outliving it does nothing.
using DisplayHandle = std::shared_ptr<QtDisplay*>;

// The top-level widget of one window.  Its geometry is the outer rectangle
// the logic sees (less the caption's pixel, see phantom()).
class FrameWidget : public QWidget {
 public:
  FrameWidget(DisplayHandle d, WindowId id) : QWidget(nullptr), d_(std::move(d)), id_(id) {}

 protected:
  void closeEvent(QCloseEvent* e) override {
    // The window procedure decides: a confirmation, never a plain close.
    e->ignore();
    if (QtDisplay* d = *d_) d->on_close(id_);
  }
  void resizeEvent(QResizeEvent*) override {
    if (QtDisplay* d = *d_) d->on_frame_geometry(id_);
  }
  void moveEvent(QMoveEvent*) override {
    if (QtDisplay* d = *d_) d->on_frame_geometry(id_);
  }
  void changeEvent(QEvent* e) override {
    if (QtDisplay* d = *d_) {
      if (e->type() == QEvent::ActivationChange) d->on_activation(id_, isActiveWindow());
      if (e->type() == QEvent::WindowStateChange) d->on_window_state(id_);
    }
    QWidget::changeEvent(e);
  }
  void dragEnterEvent(QDragEnterEvent* e) override {
    QtDisplay* d = *d_;
    if (!d || !d->on_drag_enter(id_, e)) e->ignore();
  }
  void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
  void dropEvent(QDropEvent* e) override {
    if (QtDisplay* d = *d_) d->on_drop(id_, e);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (QtDisplay* d = *d_) d->on_key(id_, e, true);
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    if (QtDisplay* d = *d_) d->on_key(id_, e, false);
  }

 private:
  DisplayHandle d_;
  WindowId id_;
};

// The client area: the off-screen image of the cells, the caret on top.
// It takes every key, Tab and Alt+letter included: what they mean is the
// window logic's business.
class CellView : public QWidget {
 public:
  CellView(DisplayHandle d, WindowId id, QWidget* parent)
      : QWidget(parent), d_(std::move(d)), id_(id) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled, false);
  }

 protected:
  bool event(QEvent* e) override {
    // Keys are not shortcuts here: Alt+letter reaches the logic, which
    // opens a menu itself when the Alt-key handling asks for it.
    if (e->type() == QEvent::ShortcutOverride) {
      e->accept();
      return true;
    }
    return QWidget::event(e);
  }
  bool focusNextPrevChild(bool) override { return false; }
  void paintEvent(QPaintEvent* e) override {
    if (QtDisplay* d = *d_) d->paint_view(id_, this, e->region());
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (QtDisplay* d = *d_) d->on_key(id_, e, true);
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    if (QtDisplay* d = *d_) d->on_key(id_, e, false);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (std::uint32_t m =
            message_of(e->button(), wm::kLButtonDown, wm::kRButtonDown, wm::kMButtonDown))
      mouse(e, m);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (std::uint32_t m = message_of(e->button(), wm::kLButtonUp, wm::kRButtonUp, wm::kMButtonUp))
      mouse(e, m);
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (std::uint32_t m =
            message_of(e->button(), wm::kLButtonDblClk, wm::kRButtonDblClk, wm::kMButtonDblClk))
      mouse(e, m);
  }
  void mouseMoveEvent(QMouseEvent* e) override { mouse(e, wm::kMouseMove); }
  void wheelEvent(QWheelEvent* e) override {
    if (QtDisplay* d = *d_) d->on_wheel(id_, e);
  }

 private:
  void mouse(QMouseEvent* e, std::uint32_t message) {
    if (QtDisplay* d = *d_) d->on_mouse(id_, e, message);
  }
  static std::uint32_t message_of(Qt::MouseButton b, std::uint32_t left, std::uint32_t right,
                                  std::uint32_t middle) {
    switch (b) {
      case Qt::LeftButton:
        return left;
      case Qt::RightButton:
        return right;
      case Qt::MiddleButton:
        return middle;
      default:
        return 0;
    }
  }
  DisplayHandle d_;
  WindowId id_;
};

// The status bar: parts ending at given right edges (-1: the window's
// right edge), each with a text, raised or flat.
class StatusStrip : public QWidget {
 public:
  explicit StatusStrip(QWidget* parent) : QWidget(parent) {
    texts_.resize(4);
    raised_.resize(4, false);
  }
  void set_parts(const std::vector<int>& edges) {
    edges_ = edges;
    if (texts_.size() < edges.size()) {
      texts_.resize(edges.size());
      raised_.resize(edges.size(), false);
    }
    update();
  }
  void set_text(int part, const QString& text, bool raised) {
    if (part < 0) return;
    auto p = static_cast<std::size_t>(part);
    if (p >= texts_.size()) {
      texts_.resize(p + 1);
      raised_.resize(p + 1, false);
    }
    texts_[p] = text;
    raised_[p] = raised;
    update();
  }
  // The pixel rectangle of a part (0-based), for drawing and tests.
  QRect part_rect(int part) const {
    int left = 0;
    for (int i = 0; i <= part && static_cast<std::size_t>(i) < edges_.size(); ++i) {
      int right =
          edges_[static_cast<std::size_t>(i)] < 0 ? width() : edges_[static_cast<std::size_t>(i)];
      right = std::min(right, width());
      if (i == part) return QRect(left, 1, std::max(right - left - 2, 0), height() - 2);
      left = right;
    }
    return {};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    std::size_t parts = edges_.empty() ? 1 : edges_.size();
    for (std::size_t i = 0; i < parts; ++i) {
      QRect r = edges_.empty() ? rect().adjusted(0, 1, -2, -1) : part_rect(static_cast<int>(i));
      if (r.isEmpty()) continue;
      qDrawShadePanel(&p, r, palette(), !raised_[i], 1);
      p.setPen(palette().color(QPalette::WindowText));
      p.drawText(r.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, texts_[i]);
    }
  }

 private:
  std::vector<int> edges_;
  std::vector<QString> texts_;
  std::vector<bool> raised_;
};

// One window of the logic on the widgets.
struct QtWindow {
  WindowId id = 0;
  FrameWidget* frame = nullptr;  // owns the children below
  CellView* view = nullptr;
  QMenuBar* bar = nullptr;
  QScrollBar* hbar = nullptr;
  QScrollBar* vbar = nullptr;
  StatusStrip* status = nullptr;
  Handle status_handle = 0;
  std::uint32_t style = 0;
  bool has_menu = false;
  MenuBar shape;  // the menu bar as shown
  std::map<int, QAction*> actions;
  std::vector<QMenu*> popups;
  int range[2] = {0, 0};  // indexed by Bar: horizontal 0, vertical 1
  int pos[2] = {0, 0};
  QImage image;  // the client area as the logic painted it
  std::unique_ptr<QPainter> painter;
  Rect painting;
  Rect last_paint;
  int paints = 0;
  int cell_height = 16;
  bool drew_text = false;
  bool accepts_drops = false;
  bool size_check_pending = false;
};

// A font as created for the logic: the Qt font, its cell, and the
// horizontal stretch that makes every character advance exactly one cell
// (so that block and line characters meet their neighbours).
struct FontEntry {
  QFont font;
  double x_scale = 1.0;  // stretches the face's advance to the whole cell
  int cell_width = 8;
  int cell_height = 16;
  int ascent = 12;
};

namespace {

constexpr std::uint32_t kLockBits = kf_caps | kf_num | kf_scroll | kf_insert;
// X11 modifier masks in a key event's native state.
constexpr quint32 kX11LockMask = 0x02;
constexpr quint32 kX11NumMask = 0x10;

std::atomic<std::uint64_t> g_first_paint_ns{0};

std::uint64_t realtime_ns() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count());
}

QRect qrect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }
// The pixel under a pointer position: with a fractional scale factor the
// position has a fraction, and the cell it lies in is the one it is past
// the start of (rounding would name the next cell in the last half pixel).
QPoint pixel_of(const QPointF& p) {
  return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}
QColor qcolor(Rgb c) { return QColor(c.red, c.green, c.blue); }

void ensure_application() {
  if (QCoreApplication::instance()) return;
  // Qt sets the process locale from the environment; the runtime keeps the
  // one the application had (its country information and libcob's
  // conversions depend on it).
  const char* was = std::setlocale(LC_ALL, nullptr);
  std::string saved = was ? was : "C";
  static int argc = 1;
  static char name[] = "korvexan";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the process
  std::setlocale(LC_ALL, saved.c_str());
  QApplication::setQuitOnLastWindowClosed(false);
}

// The code page's glyphs as UTF-16 (every one is in the basic plane).
const std::array<char16_t, 256>& glyph_table() {
  static std::array<char16_t, 256> table{};
  static int built_for = -1;
  int cp = static_cast<int>(kv::code_page());
  if (built_for != cp) {
    for (int b = 0; b < 256; ++b)
      table[static_cast<std::size_t>(b)] =
          static_cast<char16_t>(kv::glyph(static_cast<std::uint8_t>(b)));
    built_for = cp;
  }
  return table;
}

// Text of a box or a caption: line breaks stay line breaks.
QString box_text(std::string_view bytes) {
  const auto& t = glyph_table();
  QString s;
  s.reserve(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<std::uint8_t>(bytes[i]);
    if (b == '\r') {
      s += QLatin1Char('\n');
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else if (b == '\n' || b == '\t') {
      s += QLatin1Char(static_cast<char>(b));
    } else if (b == 0) {
      break;
    } else {
      s += QChar(t[b]);
    }
  }
  return s;
}

std::string key_of(const LogicalFont& f) {
  return f.face + "|" + std::to_string(f.height) + "|" + std::to_string(f.weight) + "|" +
         std::to_string(f.italic) + std::to_string(f.underline) + std::to_string(f.strikeout);
}

Qt::CursorShape cursor_of(Handle pointer) {
  switch (static_cast<int>(pointer)) {
    case pointer::kIBeam:
      return Qt::IBeamCursor;
    case pointer::kWait:
      return Qt::WaitCursor;
    case pointer::kCross:
      return Qt::CrossCursor;
    default:
      return Qt::ArrowCursor;
  }
}

// ---- line and block characters ----------------------------------------------
//
// The panels' boxes are drawn with the code page's line and block
// characters; a font's outlines of them rarely fill the cell to the pixel,
// so they are drawn here as rectangles that meet their neighbours exactly.

// Arms of a line character: left, right, up, down; 0 none, 1 single, 2 double.
struct Arms {
  char16_t ch;
  std::uint8_t l, r, u, d;
};
constexpr Arms kLineChars[] = {
    {0x2500, 1, 1, 0, 0}, {0x2502, 0, 0, 1, 1}, {0x250C, 0, 1, 0, 1}, {0x2510, 1, 0, 0, 1},
    {0x2514, 0, 1, 1, 0}, {0x2518, 1, 0, 1, 0}, {0x251C, 0, 1, 1, 1}, {0x2524, 1, 0, 1, 1},
    {0x252C, 1, 1, 0, 1}, {0x2534, 1, 1, 1, 0}, {0x253C, 1, 1, 1, 1}, {0x2550, 2, 2, 0, 0},
    {0x2551, 0, 0, 2, 2}, {0x2552, 0, 2, 0, 1}, {0x2553, 0, 1, 0, 2}, {0x2554, 0, 2, 0, 2},
    {0x2555, 2, 0, 0, 1}, {0x2556, 1, 0, 0, 2}, {0x2557, 2, 0, 0, 2}, {0x2558, 0, 2, 1, 0},
    {0x2559, 0, 1, 2, 0}, {0x255A, 0, 2, 2, 0}, {0x255B, 2, 0, 1, 0}, {0x255C, 1, 0, 2, 0},
    {0x255D, 2, 0, 2, 0}, {0x255E, 0, 2, 1, 1}, {0x255F, 0, 1, 2, 2}, {0x2560, 0, 2, 2, 2},
    {0x2561, 2, 0, 1, 1}, {0x2562, 1, 0, 2, 2}, {0x2563, 2, 0, 2, 2}, {0x2564, 2, 2, 0, 1},
    {0x2565, 1, 1, 0, 2}, {0x2566, 2, 2, 0, 2}, {0x2567, 2, 2, 1, 0}, {0x2568, 1, 1, 2, 0},
    {0x2569, 2, 2, 2, 0}, {0x256A, 2, 2, 1, 1}, {0x256B, 1, 1, 2, 2}, {0x256C, 2, 2, 2, 2},
};

const Arms* line_arms(char16_t ch) {
  if (ch < 0x2500 || ch > 0x256C) return nullptr;
  for (const Arms& a : kLineChars)
    if (a.ch == ch) return &a;
  return nullptr;
}

bool is_drawn_here(char16_t ch) {
  return line_arms(ch) || ch == 0x2580 || ch == 0x2584 || ch == 0x2588 || ch == 0x258C ||
         ch == 0x2590 || (ch >= 0x2591 && ch <= 0x2593);
}

QColor mix(QColor fg, QColor bg, int percent) {
  auto m = [&](int a, int b) { return (a * percent + b * (100 - percent)) / 100; };
  return QColor(m(fg.red(), bg.red()), m(fg.green(), bg.green()), m(fg.blue(), bg.blue()));
}

// Draws a line or block character into its cell.
void draw_cell_shape(QPainter& p, char16_t ch, const QRect& cell, QColor fg, QColor bg) {
  int x = cell.x(), y = cell.y(), cw = cell.width(), chh = cell.height();
  switch (ch) {
    case 0x2588:
      p.fillRect(cell, fg);
      return;
    case 0x2580:
      p.fillRect(x, y, cw, chh / 2, fg);
      return;
    case 0x2584:
      p.fillRect(x, y + chh / 2, cw, chh - chh / 2, fg);
      return;
    case 0x258C:
      p.fillRect(x, y, cw / 2, chh, fg);
      return;
    case 0x2590:
      p.fillRect(x + cw / 2, y, cw - cw / 2, chh, fg);
      return;
    case 0x2591:
      p.fillRect(cell, mix(fg, bg, 25));
      return;
    case 0x2592:
      p.fillRect(cell, mix(fg, bg, 50));
      return;
    case 0x2593:
      p.fillRect(cell, mix(fg, bg, 75));
      return;
    default:
      break;
  }
  const Arms* a = line_arms(ch);
  if (!a) return;
  int lw = std::max(1, chh / 16);
  int d = lw;  // a double line: two lines `d` each side of the centre
  int cx = x + (cw - lw) / 2, cy = y + (chh - lw) / 2;
  int right = x + cw, bottom = y + chh;
  auto hline = [&](int from, int to, int row) {  // to is inclusive of the line width
    if (to > from) p.fillRect(from, row, to - from, lw, fg);
  };
  auto vline = [&](int from, int to, int col) {
    if (to > from) p.fillRect(col, from, lw, to - from, fg);
  };
  bool u2 = a->u == 2, d2 = a->d == 2, l2 = a->l == 2, r2 = a->r == 2;
  bool vsingle = a->u == 1 || a->d == 1, hsingle = a->l == 1 || a->r == 1;
  // Where a horizontal arm meets the vertical ones (and the other way
  // round): at the nearer line of a double, the far one's outer corner,
  // or the single line's centre.
  auto h_start = [&](bool upper) {  // x where a right arm's line starts
    if (u2 && d2) return cx + d;
    if (upper ? u2 : d2) return cx + d;
    if (upper ? d2 : u2) return cx - d;
    return cx;
  };
  auto h_end = [&](bool upper) {  // x (exclusive) where a left arm's line ends
    if (u2 && d2) return cx - d + lw;
    if (upper ? u2 : d2) return cx - d + lw;
    if (upper ? d2 : u2) return cx + d + lw;
    return cx + lw;
  };
  auto v_start = [&](bool left) {  // y where a down arm's line starts
    if (l2 && r2) return cy + d;
    if (left ? l2 : r2) return cy + d;
    if (left ? r2 : l2) return cy - d;
    return cy;
  };
  auto v_end = [&](bool left) {  // y (exclusive) where an up arm's line ends
    if (l2 && r2) return cy - d + lw;
    if (left ? l2 : r2) return cy - d + lw;
    if (left ? r2 : l2) return cy + d + lw;
    return cy + lw;
  };
  // Single arms against double perpendiculars meet the far line.
  auto single_h_start = [&]() { return (u2 && d2) ? cx + d : (u2 || d2) ? cx - d : cx; };
  auto single_h_end = [&]() { return ((u2 && d2) ? cx - d : (u2 || d2) ? cx + d : cx) + lw; };
  auto single_v_start = [&]() { return (l2 && r2) ? cy + d : (l2 || r2) ? cy - d : cy; };
  auto single_v_end = [&]() { return ((l2 && r2) ? cy - d : (l2 || r2) ? cy + d : cy) + lw; };
  if (a->r == 1) hline(single_h_start(), right, cy);
  if (a->l == 1) hline(x, single_h_end(), cy);
  if (a->d == 1) vline(single_v_start(), bottom, cx);
  if (a->u == 1) vline(y, single_v_end(), cx);
  if (r2) {
    hline(vsingle && !u2 && !d2 ? cx : h_start(true), right, cy - d);
    hline(vsingle && !u2 && !d2 ? cx : h_start(false), right, cy + d);
  }
  if (l2) {
    hline(x, vsingle && !u2 && !d2 ? cx + lw : h_end(true), cy - d);
    hline(x, vsingle && !u2 && !d2 ? cx + lw : h_end(false), cy + d);
  }
  if (d2) {
    vline(hsingle && !l2 && !r2 ? cy : v_start(true), bottom, cx - d);
    vline(hsingle && !l2 && !r2 ? cy : v_start(false), bottom, cx + d);
  }
  if (u2) {
    vline(y, hsingle && !l2 && !r2 ? cy + lw : v_end(true), cx - d);
    vline(y, hsingle && !l2 && !r2 ? cy + lw : v_end(false), cx + d);
  }
}

}  // namespace

// ---- construction -------------------------------------------------------------

QtDisplay::QtDisplay() {
  ensure_application();
  {
    QMenuBar probe;
    probe.addMenu(QStringLiteral("&File"));
    menu_bar_height_ = std::max(probe.sizeHint().height(), 1);
  }
  scroll_extent_ = std::max(QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent), 2);
  status_height_ = QFontMetrics(QApplication::font()).height() + 8;
  // The outer rectangle is the widget's geometry: no frame; the caption
  // counts 1 pixel (the logic takes 1 off) and the menu bar its height
  // (the logic adds 1); scroll bars their extent (the logic adds 1).
  metrics_ = {};
  metrics_.caption_height = 1;
  metrics_.menu_height = menu_bar_height_ - 1;
  metrics_.vscroll_width = scroll_extent_ - 1;
  metrics_.hscroll_height = scroll_extent_ - 1;
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect a = s->availableGeometry();
    work_area_ = {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()};
  }
  cell_metrics_ = text_metrics(stock_font());
}

QtDisplay::~QtDisplay() { shutdown(); }

void QtDisplay::shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  *self_ = nullptr;  // the widgets hear nothing more from here on
  // This may run at process exit from a signal handler that interrupted Qt
  // (libcob ends the program from its SIGTERM handler): a call into the
  // window system now could wait for ever on a lock the interrupted code
  // holds.  So nothing is closed or freed here: the widgets and fonts stay
  // to the end of the process, and the window system drops them with the
  // connection.  Windows closed in the ordinary way (function 15) were
  // destroyed then.
  struct Kept {
    std::map<WindowId, std::unique_ptr<QtWindow>> windows;
    std::map<Handle, QWidget*> message_windows;
    std::map<Handle, std::shared_ptr<FontEntry>> fonts, cache;
    Kept* earlier = nullptr;
  };
  // Deliberately never freed, but still held: a plain pointer that no
  // destructor clears, so that a leak checker at exit sees it kept.
  static Kept* kept_last = nullptr;
  auto* kept = new Kept;
  kept->earlier = kept_last;
  kept_last = kept;
  kept->windows.swap(windows_);
  kept->message_windows.swap(message_windows_);
  kept->fonts.swap(fonts_);
  for (auto& [key, f] : font_cache_) kept->cache[kept->cache.size()] = f;
  font_cache_.clear();
}

namespace {

// The connection that proved the X server reachable stays open until Qt
// has its own: an X server with no client left resets itself, and Qt's
// connection would be refused while it does.
struct XProbe {
  void* connection = nullptr;
  void (*disconnect)(void*) = nullptr;
  void release() {
    if (connection && disconnect) disconnect(connection);
    connection = nullptr;
  }
};
XProbe& x_probe() {
  static XProbe p;
  return p;
}

}  // namespace

std::unique_ptr<Display> make_qt_display() {
  if (!qt_platform_available()) return nullptr;
  auto d = std::make_unique<QtDisplay>();
  x_probe().release();
  return d;
}

bool qt_platform_available() {
  if (QCoreApplication::instance()) return true;
  auto env = [](const char* n) {
    const char* v = std::getenv(n);
    return std::string(v ? v : "");
  };
  std::string platform = env("QT_QPA_PLATFORM");
  platform = platform.substr(0, platform.find_first_of(":;"));
  if (platform == "offscreen" || platform == "minimal" || platform == "vnc" ||
      platform == "linuxfb" || platform == "eglfs")
    return true;
  bool wayland = !env("WAYLAND_DISPLAY").empty();
  if (platform.rfind("wayland", 0) == 0) return wayland;
  if (!platform.empty() && platform != "xcb") return true;  // Qt's to judge
  if (env("DISPLAY").empty()) return platform.empty() && wayland;
  // Qt ends the process when the X server cannot be reached; ask first.
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  if (!connect || !has_error || !disconnect) return false;
  void* c = connect(nullptr, nullptr);
  bool ok = c && has_error(c) == 0;
  x_probe().release();
  if (ok) {
    x_probe().connection = c;
    x_probe().disconnect = disconnect;
  } else if (c) {
    disconnect(c);
  }
  return ok || (platform.empty() && wayland);
}

// ---- windows --------------------------------------------------------------------

QtWindow* QtDisplay::qwin(WindowId window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

QtWindow& QtDisplay::ensure_qwin(WindowId window) {
  if (QtWindow* q = qwin(window)) return *q;
  auto q = std::make_unique<QtWindow>();
  q->id = window;
  q->frame = new FrameWidget(self_, window);
  q->frame->setMinimumSize(1, 1);
  q->view = new CellView(self_, window, q->frame);
  q->frame->setFocusProxy(q->view);
  q->bar = new QMenuBar(q->frame);
  q->bar->setNativeMenuBar(false);
  q->bar->hide();
  q->hbar = new QScrollBar(Qt::Horizontal, q->frame);
  q->vbar = new QScrollBar(Qt::Vertical, q->frame);
  q->hbar->hide();
  q->vbar->hide();
  q->hbar->setSingleStep(1);
  q->vbar->setSingleStep(1);
  QObject::connect(q->hbar, &QScrollBar::actionTriggered, q->frame, [self = self_, window](int a) {
    if (QtDisplay* d = *self) d->on_scroll_action(window, Bar::Horizontal, a);
  });
  QObject::connect(q->vbar, &QScrollBar::actionTriggered, q->frame, [self = self_, window](int a) {
    if (QtDisplay* d = *self) d->on_scroll_action(window, Bar::Vertical, a);
  });
  q->view->setCursor(Qt::ArrowCursor);
  QtWindow& ref = *q;
  windows_[window] = std::move(q);
  return ref;
}

int QtDisplay::phantom(const QtWindow& q) const {
  // The logic's nonclient height (caption 1 + menu height - 1) against the
  // widget's (the menu bar's height).
  int logic = ((q.style & style::kCaption) ? 1 : 0) + (q.has_menu ? menu_bar_height_ - 1 : 0);
  int widget = q.has_menu ? menu_bar_height_ : 0;
  return logic - widget;
}

void QtDisplay::layout(QtWindow& q) {
  int w = q.frame->width(), h = q.frame->height();
  int top = q.has_menu ? menu_bar_height_ : 0;
  if (q.has_menu) {
    q.bar->setGeometry(0, 0, w, menu_bar_height_);
    q.bar->show();
  } else {
    q.bar->hide();
  }
  bool vb = q.range[1] != 0, hb = q.range[0] != 0;
  int ext = scroll_extent_;
  int client_w = std::max(w - (vb ? ext : 0), 0);
  int client_h = std::max(h - top - (hb ? ext : 0), 0);
  int status_h = q.status ? std::min(status_height_, client_h) : 0;
  int view_h = std::max(client_h - status_h, 0);
  q.view->setGeometry(0, top, client_w, view_h);
  q.vbar->setGeometry(client_w, top, ext, view_h);
  q.vbar->setVisible(vb);
  q.hbar->setGeometry(0, top + view_h, client_w, ext);
  q.hbar->setVisible(hb);
  if (q.status) q.status->setGeometry(0, top + view_h + (hb ? ext : 0), w, status_h);
  if (q.status) {
    q.vbar->setPageStep(std::max(view_h, 1));
    q.hbar->setPageStep(std::max(client_w, 1));
  } else {
    q.vbar->setPageStep(10);
    q.hbar->setPageStep(10);
  }
  // The image covers the client rectangle; a new size repaints it all, as
  // a window class with horizontal and vertical redraw does.
  QSize want(client_w, client_h);
  if (q.image.size() != want && !q.painter && client_w > 0 && client_h > 0) {
    QImage n(want, QImage::Format_RGB32);
    n.fill(q.status ? Qt::black : Qt::white);
    if (!q.image.isNull()) {
      QPainter p(&n);
      p.drawImage(0, 0, q.image);
    }
    q.image = std::move(n);
    BasicDisplay::invalidate(q.id, nullptr);
  }
}

void QtDisplay::refresh_limits(WindowId window) {
  QtWindow* q = qwin(window);
  if (!q) return;
  MinMaxInfo mm;
  mm.max_track_size = {-1, -1};
  send(window, wm::kGetMinMaxInfo, 0, reinterpret_cast<std::intptr_t>(&mm));
  if (mm.max_track_size.x > 0 && mm.max_track_size.y > 0)
    q->frame->setMaximumSize(mm.max_track_size.x, std::max(mm.max_track_size.y - phantom(*q), 1));
  else
    q->frame->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void QtDisplay::apply_geometry(WindowId window) {
  QtWindow* q = qwin(window);
  if (!q || shut_down_) return;
  bool was = applying_;
  applying_ = true;
  refresh_limits(window);
  Rect o = BasicDisplay::window_rect(window);
  QRect want(o.left, o.top, std::max(o.width(), 1), std::max(o.height() - phantom(*q), 1));
  if (q->frame->geometry() != want && !q->frame->isMaximized()) q->frame->setGeometry(want);
  layout(*q);
  applying_ = was;
}

WindowId QtDisplay::create_window(const CreateParams& params) {
  WindowId id = BasicDisplay::create_window(params);
  if (!id) return 0;
  QtWindow& q = ensure_qwin(id);
  q.style = params.style;
  q.frame->setWindowTitle(box_text(params.title));
  const MenuBar* menu = menu_of(id);
  if (menu && !q.has_menu) build_menu(q, menu);
  apply_geometry(id);
  // The size notification of the creation may have come before the
  // widgets knew the scroll bars; send the client size as it is now.
  Rect c = client_rect(id);
  send(id, wm::kSize, size_kind::kRestored, make_point_param(c.width(), c.height()));
  return id;
}

bool QtDisplay::destroy_window(WindowId window) {
  bool ok = BasicDisplay::destroy_window(window);
  auto it = windows_.find(window);
  if (it != windows_.end()) {
    QtWindow& q = *it->second;
    q.painter.reset();
    q.frame->hide();
    if (processing_)
      q.frame->deleteLater();
    else
      delete q.frame;
    windows_.erase(it);
  }
  for (auto s = status_bars_.begin(); s != status_bars_.end();)
    s = s->second == window ? status_bars_.erase(s) : std::next(s);
  if (caret_window_ == window) caret_window_ = 0;
  return ok;
}

void QtDisplay::set_title(WindowId window, std::string_view title) {
  BasicDisplay::set_title(window, title);
  if (QtWindow* q = qwin(window)) q->frame->setWindowTitle(box_text(title));
}

Rect QtDisplay::client_rect(WindowId window) {
  Rect r = BasicDisplay::client_rect(window);
  if (QtWindow* q = qwin(window)) {
    // Scroll bars sit outside the client area, as the window system's do.
    if (q->range[1] != 0) r.right = std::max(r.right - scroll_extent_, 0);
    if (q->range[0] != 0) r.bottom = std::max(r.bottom - scroll_extent_, 0);
  }
  return r;
}

bool QtDisplay::move_window(WindowId window, int x, int y, int width, int height, bool repaint) {
  bool ok = BasicDisplay::move_window(window, x, y, width, height, repaint);
  if (ok) apply_geometry(window);
  return ok;
}

void QtDisplay::maximise_by_rules(WindowId window, bool notify) {
  QtWindow* q = qwin(window);
  if (!q) return;
  // A window maximised by its own rules shows the whole screen of cells:
  // its scroll bars go before it is sized, or the size would leave room
  // for them.
  for (int b = 0; b < 2; ++b) {
    q->range[b] = 0;
    q->pos[b] = 0;
  }
  layout(*q);
  if (notify) {
    Rect c = client_rect(window);
    send(window, wm::kSize, size_kind::kMaximized, make_point_param(c.width(), c.height()));
  }
  // The limits follow the size the window had before; sized once more,
  // it takes the limits of its new size.
  Rect r = BasicDisplay::window_rect(window);
  move_window(window, r.left, r.top, r.width(), r.height(), true);
}

void QtDisplay::show_window(WindowId window, int show_command) {
  QtWindow* q = qwin(window);
  bool own_maximise = q && show_command == show::kShowMaximized && !(q->style & style::kMaximize);
  if (own_maximise) {
    for (int b = 0; b < 2; ++b) q->range[b] = q->pos[b] = 0;
    layout(*q);
  }
  BasicDisplay::show_window(window, show_command);
  q = qwin(window);
  if (!q) return;
  if (own_maximise) maximise_by_rules(window, false);
  apply_geometry(window);
  switch (show_command) {
    case show::kHide:
      q->frame->hide();
      return;
    case show::kShowMinimized:
    case show::kMinimize:
    case show::kShowMinNoActive:
      q->frame->showMinimized();
      return;
    case show::kShowMaximized:
      // The main window maximises by its own rules (the logic has placed
      // it); other windows take the screen.
      if (q->style & style::kMaximize)
        q->frame->showMaximized();
      else
        q->frame->show();
      break;
    case show::kShowNoActivate:
    case show::kShowNa:
      q->frame->setAttribute(Qt::WA_ShowWithoutActivating);
      q->frame->show();
      return;
    default:
      q->frame->show();
      break;
  }
  q->frame->raise();
  q->frame->activateWindow();
  q->view->setFocus();
}

void QtDisplay::set_scroll(WindowId window, Bar bar, int range, int position) {
  BasicDisplay::set_scroll(window, bar, range, position);
  QtWindow* q = qwin(window);
  if (!q) return;
  int b = static_cast<int>(bar);
  bool was = q->range[b] != 0;
  q->range[b] = std::max(range, 0);
  q->pos[b] = position;
  QScrollBar* sb = b ? q->vbar : q->hbar;
  {
    QSignalBlocker block(sb);
    sb->setRange(0, q->range[b]);
    sb->setValue(position);
  }
  if (was == (q->range[b] != 0)) return;
  // A bar that appears or goes changes the client area: the window
  // procedure hears of the new size, as it does from the window system,
  // once the change it is making (often both bars) is complete.
  layout(*q);
  refresh_limits(window);
  if (q->size_check_pending) return;
  q->size_check_pending = true;
  QMetaObject::invokeMethod(
      q->frame,
      [self = self_, window]() {
        QtDisplay* d = *self;
        QtWindow* w = d ? d->qwin(window) : nullptr;
        if (!w) return;
        w->size_check_pending = false;
        Rect c = d->client_rect(window);
        d->send(window, wm::kSize, size_kind::kRestored, make_point_param(c.width(), c.height()));
      },
      Qt::QueuedConnection);
}

// ---- painting ---------------------------------------------------------------------

Rect QtDisplay::begin_paint(WindowId window) {
  Rect r = BasicDisplay::begin_paint(window);
  QtWindow* q = qwin(window);
  if (!q || q->image.isNull() || q->painter) return r;
  q->painter = std::make_unique<QPainter>(&q->image);
  q->painter->setClipRect(qrect(r));
  q->painting = r;
  return r;
}

void QtDisplay::device_draw(WindowId window, int x, int y, std::string_view bytes, Handle font,
                            Rgb foreground, Rgb background) {
  QtWindow* q = qwin(window);
  if (!q || !q->painter || bytes.empty()) return;
  FontEntry* fe = font_entry(font);
  if (!fe) return;
  QPainter& p = *q->painter;
  int n = static_cast<int>(bytes.size());
  p.fillRect(QRect(x, y, n * fe->cell_width, fe->cell_height), qcolor(background));
  q->cell_height = fe->cell_height;
  if (bytes.find_first_not_of(' ') == std::string_view::npos) return;
  q->drew_text = true;
  const auto& table = glyph_table();
  QString s(n, Qt::Uninitialized);
  QChar* out = s.data();
  bool shapes = false;
  for (int i = 0; i < n; ++i) {
    char16_t g = table[static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)])];
    if (is_drawn_here(g)) {
      shapes = true;
      g = u' ';
    }
    out[i] = QChar(g);
  }
  QColor fg = qcolor(foreground), bg = qcolor(background);
  if (!s.trimmed().isEmpty()) {
    p.setFont(fe->font);
    p.setPen(fg);
    if (fe->x_scale == 1.0) {
      p.drawText(QPointF(x, y + fe->ascent), s);
    } else {
      p.save();
      p.translate(x, y + fe->ascent);
      p.scale(fe->x_scale, 1.0);
      p.drawText(QPointF(0, 0), s);
      p.restore();
    }
  }
  if (!shapes) return;
  for (int i = 0; i < n; ++i) {
    char16_t g = table[static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)])];
    if (is_drawn_here(g))
      draw_cell_shape(p, g, QRect(x + i * fe->cell_width, y, fe->cell_width, fe->cell_height), fg,
                      bg);
  }
}

void QtDisplay::end_paint(WindowId window) {
  BasicDisplay::end_paint(window);
  QtWindow* q = qwin(window);
  if (!q || !q->painter) return;
  q->painter->end();
  q->painter.reset();
  q->last_paint = q->painting;
  ++q->paints;
  q->view->update(qrect(q->painting));
}

void QtDisplay::update_window(WindowId window) {
  QtWindow* q = qwin(window);
  int before = q ? q->paints : 0;
  BasicDisplay::update_window(window);
  q = qwin(window);
  // An immediate update reaches the screen now, not at the next pass.
  if (q && q->paints != before && q->view->isVisible()) q->view->repaint(qrect(q->last_paint));
}

void QtDisplay::paint_view(WindowId window, QWidget* view, const QRegion& region) {
  QtWindow* q = qwin(window);
  if (!q) return;
  QPainter p(view);
  for (const QRect& r : region) {
    p.fillRect(r, q->status ? Qt::black : Qt::white);
    if (!q->image.isNull()) p.drawImage(r.topLeft(), q->image, r);
  }
  if (window == caret_window_ && caret_visible()) {
    Point at = caret_pos();
    QRect c(at.x, at.y, std::max(caret_w_, 1), std::max(caret_h_, 1));
    // A solid caret inverts what it covers, as the window system's does.
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.fillRect(c, Qt::white);
  }
  if (q->status && q->drew_text && g_first_paint_ns.load() == 0) {
    std::uint64_t now = realtime_ns();
    g_first_paint_ns = now;
    if (const char* f = std::getenv("KORVEXAN_FIRST_PAINT_FILE"); f && *f) {
      if (std::FILE* out = std::fopen(f, "w")) {
        std::fprintf(out, "%llu\n", static_cast<unsigned long long>(now));
        std::fclose(out);
      }
    }
  }
}

std::uint64_t QtDisplay::first_paint_ns() { return g_first_paint_ns.load(); }

// ---- fonts --------------------------------------------------------------------------

std::shared_ptr<FontEntry> QtDisplay::make_font(const LogicalFont& lf) {
  auto e = std::make_shared<FontEntry>();
  QFont f(lf.face.empty() ? QStringLiteral("Monospace") : QString::fromUtf8(lf.face.c_str()));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferFullHinting);
  if (lf.weight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp(lf.weight, 1, 1000)));
  f.setItalic(lf.italic != 0);
  f.setUnderline(lf.underline != 0);
  f.setStrikeOut(lf.strikeout != 0);
  // A negative height is the character height, a positive one the cell
  // height, 0 the default.
  int px = lf.height < 0 ? -lf.height : lf.height > 0 ? lf.height : 16;
  px = std::clamp(px, 4, 200);
  f.setPixelSize(px);
  if (!QFontInfo(f).fixedPitch()) {
    // The screen is a grid of cells: a proportional face is replaced by
    // the system's fixed one.
    QFont g = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    g.setPixelSize(px);
    g.setWeight(f.weight());
    g.setItalic(f.italic());
    g.setUnderline(f.underline());
    g.setStrikeOut(f.strikeOut());
    g.setKerning(false);
    g.setHintingPreference(QFont::PreferFullHinting);
    f = g;
  }
  if (lf.height > 0) {
    while (px > 4 && QFontMetrics(f).height() > lf.height) f.setPixelSize(--px);
  }
  QFontMetricsF mf(f);
  double advance = mf.horizontalAdvance(QLatin1Char('M'));
  int cw = std::max(1, static_cast<int>(std::lround(advance)));
  e->x_scale = advance > 0 ? cw / advance : 1.0;
  QFontMetrics m(f);
  e->font = f;
  e->cell_width = cw;
  e->cell_height = std::max(m.height(), 1);
  e->ascent = m.ascent();
  return e;
}

Handle QtDisplay::create_font(const LogicalFont& font) {
  std::string key = key_of(font);
  auto it = font_cache_.find(key);
  std::shared_ptr<FontEntry> e;
  if (it != font_cache_.end()) {
    e = it->second;
  } else {
    e = make_font(font);
    font_cache_[key] = e;
  }
  Handle h = next_font_++;
  fonts_[h] = e;
  return h;
}

FontEntry* QtDisplay::font_entry(Handle font) {
  auto it = fonts_.find(font);
  if (it != fonts_.end()) return it->second.get();
  // An unknown handle paints with the stock font.
  it = fonts_.find(stock_font());
  return it == fonts_.end() ? nullptr : it->second.get();
}

TextMetrics QtDisplay::text_metrics(Handle font) {
  FontEntry* e = font_entry(font);
  if (!e) return {16, 8, 8};
  // Fixed pitch: the widest character is one cell too.
  return {e->cell_height, e->cell_width, e->cell_width};
}

void QtDisplay::delete_font(Handle font) {
  if (font != stock_font_) fonts_.erase(font);
}

Handle QtDisplay::stock_font() {
  if (!stock_font_) {
    LogicalFont lf;
    lf.height = -13;
    lf.face = "Monospace";
    stock_font_ = create_font(lf);
  }
  return stock_font_;
}

bool QtDisplay::choose_font(WindowId owner, LogicalFont& font, std::uint32_t& error) {
  error = 0;
  QtWindow* q = qwin(owner);
  std::shared_ptr<FontEntry> initial = make_font(font);
  QFont start = initial->font;
  bool ok = false;
  QFont chosen =
      QFontDialog::getFont(&ok, start, q ? q->frame : nullptr, QStringLiteral("Font"),
                           QFontDialog::MonospacedFonts | QFontDialog::DontUseNativeDialog);
  if (!ok) return false;
  int px = chosen.pixelSize();
  if (px <= 0) {
    double dpi = 96.0;
    if (QScreen* s = QGuiApplication::primaryScreen()) dpi = s->logicalDotsPerInchY();
    px = static_cast<int>(std::lround(chosen.pointSizeF() * dpi / 72.0));
  }
  LogicalFont lf = font;
  lf.face = chosen.family().toStdString().substr(0, 32);
  lf.height = -std::max(px, 1);
  lf.width = 0;
  lf.weight = chosen.weight();
  lf.italic = chosen.italic() ? 1 : 0;
  lf.underline = chosen.underline() ? 1 : 0;
  lf.strikeout = chosen.strikeOut() ? 1 : 0;
  lf.pitch_family = 0x31;  // fixed pitch, modern family
  font = lf;
  return true;
}

// ---- caret and pointer -------------------------------------------------------------

void QtDisplay::update_caret_area() {
  Rect now;
  if (caret_window_ && caret_visible()) {
    Point p = caret_pos();
    now = {p.x, p.y, p.x + std::max(caret_w_, 1), p.y + std::max(caret_h_, 1)};
  }
  if (now == caret_drawn_) return;
  for (auto& [id, q] : windows_) {
    if (!caret_drawn_.empty()) q->view->update(qrect(caret_drawn_));
    if (!now.empty() && id == caret_window_) q->view->update(qrect(now));
  }
  caret_drawn_ = now;
}

void QtDisplay::create_caret(WindowId window, int width, int height) {
  BasicDisplay::create_caret(window, width, height);
  caret_window_ = window;
  caret_w_ = width;
  caret_h_ = height;
  update_caret_area();
}
void QtDisplay::destroy_caret() {
  BasicDisplay::destroy_caret();
  caret_window_ = 0;
  update_caret_area();
}
void QtDisplay::show_caret(WindowId window) {
  BasicDisplay::show_caret(window);
  update_caret_area();
}
void QtDisplay::hide_caret(WindowId window) {
  BasicDisplay::hide_caret(window);
  update_caret_area();
}
void QtDisplay::set_caret_pos(int x, int y) {
  BasicDisplay::set_caret_pos(x, y);
  update_caret_area();
}

void QtDisplay::set_pointer(Handle pointer) {
  BasicDisplay::set_pointer(pointer);
  for (auto& [id, q] : windows_)
    if (q->status) q->view->setCursor(cursor_of(pointer));
}

// ---- menus and status bar -------------------------------------------------------------

void QtDisplay::build_menu(QtWindow& q, const MenuBar* menu) {
  q.has_menu = menu != nullptr;
  if (!menu) {
    q.bar->clear();
    for (QMenu* m : q.popups) delete m;
    q.popups.clear();
    q.actions.clear();
    q.shape = {};
    return;
  }
  // The same items with other states (Copy and Paste, check marks) only
  // change their states; a new set of items is built anew.
  bool same = menu->popups.size() == q.shape.popups.size();
  for (std::size_t i = 0; same && i < menu->popups.size(); ++i) {
    const MenuPopup& a = menu->popups[i];
    const MenuPopup& b = q.shape.popups[i];
    same = a.title == b.title && a.items.size() == b.items.size();
    for (std::size_t j = 0; same && j < a.items.size(); ++j)
      same = a.items[j].text == b.items[j].text && a.items[j].command == b.items[j].command;
  }
  if (same) {
    for (std::size_t i = 0; i < menu->popups.size(); ++i) {
      const MenuPopup& p = menu->popups[i];
      for (std::size_t j = 0; j < p.items.size(); ++j) {
        const MenuItem& it = p.items[j];
        QAction* a = q.popups[i]->actions().value(static_cast<qsizetype>(j));
        if (!a) continue;
        a->setEnabled(!it.grayed);
        a->setCheckable(it.checked || a->isCheckable());
        a->setChecked(it.checked);
      }
    }
    q.shape = *menu;
    return;
  }
  q.bar->clear();
  for (QMenu* m : q.popups) delete m;
  q.popups.clear();
  q.actions.clear();
  WindowId w = q.id;
  for (const MenuPopup& p : menu->popups) {
    auto* m = new QMenu(box_text(p.title), q.bar);
    q.bar->addMenu(m);
    q.popups.push_back(m);
    for (const MenuItem& it : p.items) {
      if (it.command == 0 && it.text.empty()) {
        m->addSeparator();
        continue;
      }
      // "E&xit\tAlt+F4": the text after the tab is shown at the right.
      QAction* a = m->addAction(box_text(it.text));
      a->setEnabled(!it.grayed);
      if (it.checked) {
        a->setCheckable(true);
        a->setChecked(true);
      }
      int command = it.command;
      QObject::connect(a, &QAction::triggered, q.frame, [self = self_, w, command]() {
        if (QtDisplay* d = *self) d->on_command(w, command);
      });
      q.actions[command] = a;
    }
  }
  q.shape = *menu;
}

void QtDisplay::set_menu(WindowId window, const MenuBar* menu) {
  BasicDisplay::set_menu(window, menu);
  if (!is_window(window)) return;
  QtWindow& q = ensure_qwin(window);
  bool had = q.has_menu;
  build_menu(q, menu);
  if (had != q.has_menu) apply_geometry(window);
}

bool QtDisplay::open_menu(QtWindow& q, int index) {
  if (!q.has_menu) return false;
  QList<QAction*> acts = q.bar->actions();
  if (index < 0 || index >= acts.size()) return false;
  q.bar->setActiveAction(acts[index]);
  return true;
}

Handle QtDisplay::create_status_bar(WindowId window) {
  Handle h = BasicDisplay::create_status_bar(window);
  if (!is_window(window)) return h;
  QtWindow& q = ensure_qwin(window);
  if (!q.status) q.status = new StatusStrip(q.frame);
  q.status_handle = h;
  status_bars_[h] = window;
  q.status->show();
  layout(q);
  return h;
}

void QtDisplay::set_status_parts(Handle bar, const std::vector<int>& right_edges) {
  BasicDisplay::set_status_parts(bar, right_edges);
  auto it = status_bars_.find(bar);
  if (it == status_bars_.end()) return;
  if (QtWindow* q = qwin(it->second); q && q->status) q->status->set_parts(right_edges);
}

void QtDisplay::set_status_text(Handle bar, int part, std::string_view text, bool raised) {
  BasicDisplay::set_status_text(bar, part, text, raised);
  auto it = status_bars_.find(bar);
  if (it == status_bars_.end()) return;
  if (QtWindow* q = qwin(it->second); q && q->status)
    q->status->set_text(part, box_text(text), raised);
}

// ---- message boxes ---------------------------------------------------------------------

int QtDisplay::message_box(WindowId owner, int, std::string_view title, std::string_view text,
                           unsigned style) {
  QtWindow* q = qwin(owner);
  QMessageBox box(q ? q->frame : nullptr);
  switch (style & mb::kIconMask) {
    case mb::kIconStop:
      box.setIcon(QMessageBox::Critical);
      break;
    case mb::kIconQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case mb::kIconExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case mb::kIconInformation:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  box.setWindowTitle(box_text(title));
  box.setText(box_text(text));
  bool yes_no = (style & mb::kButtonMask) == mb::kYesNo;
  if (yes_no) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton((style & mb::kDefButton2) ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  int r = box.exec();
  if (yes_no) return r == QMessageBox::Yes ? kIdYes : kIdNo;
  return kIdOk;
}

Handle QtDisplay::create_message_window(std::string_view caption, std::string_view text) {
  Handle h = BasicDisplay::create_message_window(caption, text);
  auto* w = new QWidget(nullptr, Qt::Tool);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setWindowTitle(box_text(caption));
  auto* label = new QLabel(box_text(text), w);
  // A frame of 220 x 28 dialog units holding one line of text.
  QFontMetrics fm(w->font());
  int du_x = std::max(fm.averageCharWidth() / 4, 1), du_y = std::max(fm.height() / 8, 1);
  w->resize(220 * du_x, 28 * du_y);
  label->setGeometry(10 * du_x, 5 * du_y, 200 * du_x, 26 * du_y - 5 * du_y);
  w->show();
  message_windows_[h] = w;
  return h;
}

void QtDisplay::destroy_message_window(Handle window) {
  BasicDisplay::destroy_message_window(window);
  auto it = message_windows_.find(window);
  if (it == message_windows_.end()) return;
  it->second->hide();
  if (processing_)
    it->second->deleteLater();
  else
    delete it->second;
  message_windows_.erase(it);
}

// ---- clipboard and drops ---------------------------------------------------------------

std::string QtDisplay::bytes_of(const QString& text) const {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (char32_t c : text.toUcs4()) {
    int b = kv::byte_for(c);
    out += static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}

bool QtDisplay::clipboard_set_text(WindowId owner, std::string_view bytes) {
  BasicDisplay::clipboard_set_text(owner, bytes);
  QClipboard* cb = QGuiApplication::clipboard();
  if (!cb) return false;
  const auto& t = glyph_table();
  QString s;
  for (char ch : bytes) s += QChar(t[static_cast<std::uint8_t>(ch)]);
  cb->setText(s);
  return true;
}

bool QtDisplay::clipboard_has_text() {
  QClipboard* cb = QGuiApplication::clipboard();
  const QMimeData* m = cb ? cb->mimeData() : nullptr;
  return m && m->hasText();
}

std::optional<std::string> QtDisplay::clipboard_text() {
  if (!clipboard_has_text()) return std::nullopt;
  return bytes_of(QGuiApplication::clipboard()->text());
}

void QtDisplay::accept_drops(WindowId window, bool accept) {
  BasicDisplay::accept_drops(window, accept);
  if (QtWindow* q = qwin(window)) {
    q->accepts_drops = accept;
    q->frame->setAcceptDrops(accept);
  }
}

bool QtDisplay::on_drag_enter(WindowId window, QDragEnterEvent* e) {
  QtWindow* q = qwin(window);
  if (!q || !q->accepts_drops || !e->mimeData()->hasUrls()) return false;
  for (const QUrl& u : e->mimeData()->urls()) {
    if (u.isLocalFile()) {
      e->acceptProposedAction();
      return true;
    }
  }
  return false;
}

void QtDisplay::on_drop(WindowId window, QDropEvent* e) {
  QtWindow* q = qwin(window);
  if (!q || !q->accepts_drops) return;
  std::vector<std::string> files;
  for (const QUrl& u : e->mimeData()->urls())
    if (u.isLocalFile()) files.push_back(QFile::encodeName(u.toLocalFile()).toStdString());
  if (files.empty()) return;
  QPoint at = pixel_of(q->view->mapFrom(q->frame, e->position()));
  if (post_drop(window, files, {at.x(), at.y()})) e->acceptProposedAction();
}

// ---- sound --------------------------------------------------------------------------------

void QtDisplay::beep() { QApplication::beep(); }
void QtDisplay::tone(int, int) { QApplication::beep(); }

// ---- input ----------------------------------------------------------------------------------

std::uint32_t QtDisplay::modifier_keys(unsigned m) const {
  std::uint32_t keys = 0;
  if (m & Qt::ShiftModifier) keys |= kf_shift;
  if (m & Qt::ControlModifier) keys |= kf_ctrl;
  if (m & Qt::AltModifier) keys |= kf_alt;
  return keys;
}

std::uint32_t QtDisplay::lock_keys() {
  std::uint32_t keys = 0;
  if (caps_) keys |= kf_caps;
  if (num_) keys |= kf_num;
  if (scroll_lock_) keys |= kf_scroll;
  if (insert_) keys |= kf_insert;
  return keys;
}

void QtDisplay::on_key(WindowId window, QKeyEvent* e, bool press) {
  int k = e->key();
  bool keypad = (e->modifiers() & Qt::KeypadModifier) != 0;
  KeyCode code;
  bool known = key_code(k, keypad, code);
  // On the X server and on Wayland the key's position is known: the number
  // row is the digits whatever the layout types on it.
  static const bool xkb_positions = QGuiApplication::platformName() == QLatin1String("xcb") ||
                                    QGuiApplication::platformName().startsWith("wayland");
  if (xkb_positions && !keypad && number_row_key(e->nativeScanCode(), code)) known = true;
  std::uint32_t mods = modifier_keys(e->modifiers());
  // A modifier's own event: its state as it is after the event.
  auto set = [&](std::uint32_t bit) { mods = press ? (mods | bit) : (mods & ~bit); };
  if (code.virtual_key == vk::kShift) set(kf_shift);
  if (code.virtual_key == vk::kControl) set(kf_ctrl);
  if (code.virtual_key == vk::kMenu) set(kf_alt);
  // The X server reports the lock states with every key; elsewhere they
  // are followed from the lock keys themselves.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    quint32 native = e->nativeModifiers();
    caps_ = (native & kX11LockMask) != 0;
    num_ = (native & kX11NumMask) != 0;
  }
  if (press && !e->isAutoRepeat()) {
    if (code.virtual_key == vk::kCapital) caps_ = !caps_;
    if (code.virtual_key == vk::kNumLock) num_ = !num_;
    if (code.virtual_key == vk::kScroll) scroll_lock_ = !scroll_lock_;
    if (code.virtual_key == vk::kInsert && !(mods & (kf_ctrl | kf_alt))) insert_ = !insert_;
  }
  std::uint32_t keys = mods | lock_keys();
  device_keys_ = keys;
  QString text = e->text();
  std::u16string_view t(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
  if (!known) {
    // A character without a key of its own (a dead-key result, a symbol
    // of another layout) arrives as typed.
    if (!press || text.isEmpty()) return;
    KeyCode none;
    int ch = key_character(none, k, t, (mods & kf_shift) != 0, (mods & kf_ctrl) != 0,
                           (mods & kf_alt) != 0, caps_);
    if (ch >= 0x20) post_key(window, 0, 0, false, ch, keys);
    return;
  }
  if (press) {
    int ch = key_character(code, k, t, (mods & kf_shift) != 0, (mods & kf_ctrl) != 0,
                           (mods & kf_alt) != 0, caps_);
    post_key(window, code.virtual_key, code.scan, code.extended, ch, keys);
    return;
  }
  if (e->isAutoRepeat()) return;
  bool sys = (keys & kf_alt) || code.virtual_key == vk::kMenu || code.virtual_key == vk::kF10;
  post_input(window, sys ? wm::kSysKeyUp : wm::kKeyUp,
             static_cast<std::uintptr_t>(code.virtual_key),
             make_key_param(code.scan, code.extended, (keys & kf_alt) != 0, true), keys);
}

void QtDisplay::on_mouse(WindowId window, QMouseEvent* e, std::uint32_t message) {
  QPoint p = pixel_of(e->position());
  std::uint32_t keys = modifier_keys(e->modifiers()) | lock_keys();
  if (message == wm::kMouseMove) {
    std::uintptr_t held = 0;
    if (e->buttons() & Qt::LeftButton) held |= mouse_keys::kLButton;
    if (e->buttons() & Qt::RightButton) held |= mouse_keys::kRButton;
    if (e->buttons() & Qt::MiddleButton) held |= mouse_keys::kMButton;
    if (keys & kf_shift) held |= mouse_keys::kShift;
    if (keys & kf_ctrl) held |= mouse_keys::kControl;
    post_input(window, message, held, make_point_param(p.x(), p.y()), keys);
    return;
  }
  post_mouse(window, message, p.x(), p.y(), keys);
}

void QtDisplay::on_wheel(WindowId window, QWheelEvent* e) {
  QtWindow* q = qwin(window);
  if (!q) return;
  int notches = e->angleDelta().y() / 120;
  if (notches == 0 || q->range[1] == 0) return;
  // Three rows a notch, as a thumb position for the window procedure.
  int target = std::clamp(q->pos[1] - notches * 3 * q->cell_height, 0, q->range[1]);
  post_input(window, wm::kVScroll,
             (static_cast<std::uintptr_t>(target & 0xFFFF) << 16) |
                 static_cast<std::uintptr_t>(scroll_request::kThumbPosition),
             0, device_keys_ & kLockBits);
}

void QtDisplay::on_scroll_action(WindowId window, Bar bar, int action) {
  QtWindow* q = qwin(window);
  if (!q) return;
  int request;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      request = scroll_request::kLineDown;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      request = scroll_request::kLineUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      request = scroll_request::kPageDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      request = scroll_request::kPageUp;
      break;
    case QAbstractSlider::SliderMove:
      request = scroll_request::kThumbTrack;
      break;
    case QAbstractSlider::SliderToMinimum:
      request = scroll_request::kTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      request = scroll_request::kBottom;
      break;
    default:
      return;
  }
  int b = static_cast<int>(bar);
  QScrollBar* sb = b ? q->vbar : q->hbar;
  int thumb = sb->sliderPosition();
  // The bar keeps its position until the window procedure sets it (a
  // dragged thumb follows the pointer meanwhile).
  if (request != scroll_request::kThumbTrack) sb->setSliderPosition(q->pos[b]);
  post_input(
      window, bar == Bar::Vertical ? wm::kVScroll : wm::kHScroll,
      (static_cast<std::uintptr_t>(thumb & 0xFFFF) << 16) | static_cast<std::uintptr_t>(request), 0,
      device_keys_ & kLockBits);
}

void QtDisplay::on_command(WindowId window, int command) {
  post_input(window, wm::kCommand, static_cast<std::uintptr_t>(command), 0,
             device_keys_ & kLockBits);
}

void QtDisplay::on_close(WindowId window) {
  post_input(window, wm::kSysCommand, sys_command::kClose, 0, device_keys_ & kLockBits);
}

void QtDisplay::on_activation(WindowId window, bool active) {
  if (shut_down_) return;
  post({window, active ? wm::kSetFocus : wm::kKillFocus, 0, 0, 0, -1});
}

void QtDisplay::on_window_state(WindowId window) {
  QtWindow* q = qwin(window);
  if (!q || applying_) return;
  Rect c = client_rect(window);
  std::intptr_t size = make_point_param(c.width(), c.height());
  if (q->frame->isMinimized())
    send(window, wm::kSize, size_kind::kMinimized, size);
  else if (q->frame->isMaximized() && !(q->style & style::kMaximize))
    maximise_by_rules(window, true);
  else if (q->frame->isMaximized())
    send(window, wm::kSize, size_kind::kMaximized, size);
}

void QtDisplay::on_frame_geometry(WindowId window) {
  QtWindow* q = qwin(window);
  if (!q || applying_ || shut_down_ || q->frame->isMinimized()) return;
  QRect g = q->frame->geometry();
  Rect want{g.x(), g.y(), g.x() + g.width(), g.y() + g.height() + phantom(*q)};
  if (want == BasicDisplay::window_rect(window)) {
    layout(*q);
    return;
  }
  // The user moved or sized the window: the logic hears of it and may trim
  // it to the screen of cells.
  move_window(window, want.left, want.top, want.width(), want.height(), false);
}

// ---- the queue -------------------------------------------------------------------------------

void QtDisplay::process_events() {
  if (processing_ || shut_down_) return;
  processing_ = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  processing_ = false;
}

bool QtDisplay::peek(Message& out, WindowId window, std::uint32_t first, std::uint32_t last,
                     bool remove) {
  process_events();
  return BasicDisplay::peek(out, window, first, last, remove);
}

void QtDisplay::device_wait(std::uint64_t deadline_ms) {
  if (shut_down_) {
    // Nothing arrives any more; wait out the deadline without spinning.
    std::uint64_t now = tick_ms();
    std::uint64_t ms = deadline_ms > now ? std::min<std::uint64_t>(deadline_ms - now, 250) : 250;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  QTimer wake;
  wake.setSingleShot(true);
  if (deadline_ms != 0) {
    std::uint64_t now = tick_ms();
    std::uint64_t left = deadline_ms > now ? deadline_ms - now : 0;
    wake.start(static_cast<int>(std::min<std::uint64_t>(left, 1u << 30)));
  }
  // A wait inside a Qt event (a modal loop's handler) is a nested wait, as
  // the window system's modal loops allow.
  bool was = processing_;
  processing_ = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  processing_ = was;
}

std::intptr_t QtDisplay::default_proc(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                                      std::intptr_t lparam) {
  QtWindow* q = qwin(window);
  switch (message) {
    case wm::kSysKeyDown: {
      bool alt = (static_cast<std::uint32_t>(lparam) >> 29) & 1u;
      if (static_cast<int>(wparam) == vk::kF1 + 3 && alt) {
        send(window, wm::kSysCommand, sys_command::kClose, 0);
        return 0;
      }
      // F10 opens the menu bar.
      if (static_cast<int>(wparam) == vk::kF10 && q) open_menu(*q, 0);
      return 0;
    }
    case wm::kSysChar: {
      // Alt+letter opens the popup whose title marks that letter.
      if (!q || !q->has_menu) return 0;
      int ch = std::tolower(static_cast<int>(wparam & 0xFF));
      for (std::size_t i = 0; i < q->shape.popups.size(); ++i) {
        const std::string& t = q->shape.popups[i].title;
        for (std::size_t j = 0; j + 1 < t.size(); ++j) {
          if (t[j] != '&') continue;
          if (t[j + 1] == '&') {
            ++j;
            continue;
          }
          if (std::tolower(static_cast<unsigned char>(t[j + 1])) == ch) {
            open_menu(*q, static_cast<int>(i));
            return 0;
          }
          break;
        }
      }
      return 0;
    }
    default:
      return BasicDisplay::default_proc(window, message, wparam, lparam);
  }
}

// ---- for tests ----------------------------------------------------------------------------------

QWidget* QtDisplay::frame(WindowId window) const {
  QtWindow* q = qwin(window);
  return q ? q->frame : nullptr;
}
QWidget* QtDisplay::cell_view(WindowId window) const {
  QtWindow* q = qwin(window);
  return q ? q->view : nullptr;
}
QMenuBar* QtDisplay::menu_bar(WindowId window) const {
  QtWindow* q = qwin(window);
  return q ? q->bar : nullptr;
}
QScrollBar* QtDisplay::scroll_bar(WindowId window, Bar bar) const {
  QtWindow* q = qwin(window);
  return q ? (bar == Bar::Vertical ? q->vbar : q->hbar) : nullptr;
}
QWidget* QtDisplay::status_widget(WindowId window) const {
  QtWindow* q = qwin(window);
  return q ? q->status : nullptr;
}
Rect QtDisplay::last_paint(WindowId window) const {
  QtWindow* q = qwin(window);
  return q ? q->last_paint : Rect{};
}
int QtDisplay::paint_count(WindowId window) const {
  QtWindow* q = qwin(window);
  return q ? q->paints : 0;
}

}  // namespace kv::term::qtd
