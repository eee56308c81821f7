#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <cstdlib>

#include "runtime/terminal/colours.h"
#include "runtime/terminal/debug_window.h"
#include "tests/qt/support/qt_fixture.h"

namespace kv::term::qtd::testing {
namespace {

// ---- the cell screen -----------------------------------------------------------

// Every colour number paints its table colour: a space shows the
// background, a full block (CP437 X'DB') the foreground.
TEST_F(QtWindowTest, CellsPaintTheExactColourTables) {
  create();
  for (int n = 0; n < 16; ++n) {
    write(2, 1 + n * 2, " \xDB", static_cast<std::uint8_t>(n * 16 + (15 - n)));
  }
  settle();
  QImage img = view_image();
  for (int n = 0; n < 16; ++n) {
    Rgb bg = kBackgroundColours[static_cast<std::size_t>(n)];
    Rgb fg = kForegroundColours[static_cast<std::size_t>(15 - n)];
    int mid_x = c.metrics.avg_width / 2, mid_y = c.metrics.height / 2;
    EXPECT_TRUE(same_colour(at_cell(img, 2, 1 + n * 2, mid_x, mid_y), bg.red, bg.green, bg.blue))
        << "background " << n;
    EXPECT_TRUE(same_colour(at_cell(img, 2, 2 + n * 2, mid_x, mid_y), fg.red, fg.green, fg.blue))
        << "foreground " << 15 - n;
  }
}

TEST_F(QtWindowTest, ColourFiveDiffersAsForegroundAndBackground) {
  create();
  write(3, 10, "\xDB", 0x05);  // foreground 5 on black
  write(3, 12, " ", 0x50);     // background 5
  settle();
  QImage img = view_image();
  int mx = c.metrics.avg_width / 2, my = c.metrics.height / 2;
  EXPECT_TRUE(same_colour(at_cell(img, 3, 10, mx, my), 128, 0, 255));
  EXPECT_TRUE(same_colour(at_cell(img, 3, 12, mx, my), 128, 0, 128));
}

// The cell is the font's: every character advances exactly one cell, so a
// run of blocks fills its cells edge to edge and the next cell is untouched.
TEST_F(QtWindowTest, GlyphsStayInsideTheirCells) {
  create();
  write(5, 1, std::string(40, '\xDB'), 0x0F);
  settle();
  QImage img = view_image();
  int w = c.metrics.avg_width;
  EXPECT_TRUE(same_colour(at_cell(img, 5, 40, w - 1, c.metrics.height / 2), 255, 255, 255));
  EXPECT_TRUE(same_colour(at_cell(img, 5, 41, 0, c.metrics.height / 2), 0, 0, 0));
  EXPECT_GT(c.metrics.avg_width, 4);
  EXPECT_GT(c.metrics.height, 8);
}

// Box lines meet their neighbours: every pixel row that the double line
// "═" paints runs unbroken through the cell edges, and the vertical "║"
// runs unbroken from the top of its cell to the bottom.
TEST_F(QtWindowTest, BoxLinesJoinWithoutGaps) {
  create();
  write(6, 10, "\xC9\xCD\xCD\xCD\xBB", 0x1F);  // ╔═══╗
  write(7, 10, "\xBA   \xBA", 0x1F);           // ║   ║
  write(8, 10, "\xC8\xCD\xCD\xCD\xBC", 0x1F);  // ╚═══╝
  write(9, 10, "\xDA\xC4\xC4\xBF", 0x1F);      // ┌──┐
  settle();
  QImage img = view_image();
  int cw = c.metrics.avg_width, ch = c.metrics.height;
  auto white = [&](int x, int y) { return img.pixelColor(x, y) == QColor(255, 255, 255); };
  for (int row : {6, 9}) {
    int top = (row - 1) * ch, left = 10 * cw;  // the second cell of the row
    int lines = 0;
    for (int y = top; y < top + ch; ++y) {
      if (!white(left + cw / 2, y)) continue;
      ++lines;
      for (int x = left; x < left + 2 * cw; ++x)
        EXPECT_TRUE(white(x, y)) << row << " " << x << "," << y;
    }
    EXPECT_EQ(lines, row == 6 ? 2 : 1) << "row " << row;
  }
  int top = 6 * ch, left = 9 * cw;  // the cell of the first ║
  int columns = 0;
  for (int x = left; x < left + cw; ++x) {
    if (!white(x, top + ch / 2)) continue;
    ++columns;
    for (int y = top; y < top + ch; ++y) EXPECT_TRUE(white(x, y)) << x << "," << y;
  }
  EXPECT_EQ(columns, 2);
}

// The caret is a quarter cell wide at the left of its cell and inverts
// what it covers; the rest of the cell keeps its colours.
TEST_F(QtWindowTest, CaretIsAQuarterCellAtTheLeft) {
  create();
  write(4, 1, std::string(20, ' '), 0x10);  // blue background
  caret(4, 7);
  settle();
  QImage img = view_image();
  int quarter = c.metrics.avg_width / 4;
  ASSERT_GT(quarter, 0);
  int my = c.metrics.height / 2;
  EXPECT_TRUE(same_colour(at_cell(img, 4, 7, 0, my), 255, 255, 127));  // inverted 0,0,128
  EXPECT_TRUE(same_colour(at_cell(img, 4, 7, quarter - 1, my), 255, 255, 127));
  EXPECT_TRUE(same_colour(at_cell(img, 4, 7, quarter, my), 0, 0, 128));
  EXPECT_TRUE(same_colour(at_cell(img, 4, 6, quarter - 1, my), 0, 0, 128));
  // Moving the caret repaints where it was.
  caret(4, 9);
  settle();
  img = view_image();
  EXPECT_TRUE(same_colour(at_cell(img, 4, 7, 0, my), 0, 0, 128));
  EXPECT_TRUE(same_colour(at_cell(img, 4, 9, 0, my), 255, 255, 127));
}

// A write invalidates its rows and columns only; the pump's pass paints
// that rectangle, not the window.
TEST_F(QtWindowTest, DeferredWritePaintsOnlyItsRectangleAtTheNextPass) {
  create();
  int before = d->paint_count(c.window);
  write(10, 20, "HELLO", 0x1E);
  QImage img = view_image();
  int mx = c.metrics.avg_width / 2, my = c.metrics.height / 2;
  // Not painted yet: the window still shows black.
  EXPECT_TRUE(same_colour(at_cell(img, 10, 20, mx, my), 0, 0, 0));
  EXPECT_EQ(d->paint_count(c.window), before);
  settle();
  EXPECT_EQ(d->paint_count(c.window), before + 1);
  int cw = c.metrics.avg_width, ch = c.metrics.height;
  EXPECT_EQ(d->last_paint(c.window), (Rect{19 * cw, 9 * ch, 25 * cw, 11 * ch}));
  img = view_image();
  EXPECT_TRUE(same_colour(at_cell(img, 10, 24, 0, 1), 0, 0, 128));
}

TEST_F(QtWindowTest, ImmediateWriteIsOnTheScreenWithoutAPass) {
  create();
  write(12, 1, "NOW", 0x4F, true);
  // No pump pass: the repaint happened inside the write.
  QImage img = d->cell_view(c.window)->grab().toImage();
  EXPECT_TRUE(same_colour(at_cell(img, 12, 1, 0, 0), 128, 0, 0));
}

// ---- the window ------------------------------------------------------------------

// The window is no larger than the screen of cells: its client area holds
// 25 x 80 cells and the status bar, and the widget cannot grow beyond.
TEST_F(QtWindowTest, WindowIsBoundToTheScreenOfCells) {
  create();
  Rect client = d->client_rect(c.window);
  int full_w = 80 * c.metrics.avg_width;
  int full_h = 25 * c.metrics.height + d->status_bar_pixels();
  QWidget* f = d->frame(c.window);
  // The offscreen screen (800 x 600) holds the whole window.
  EXPECT_EQ(client.width(), full_w);
  EXPECT_EQ(client.height(), full_h);
  EXPECT_FALSE(d->scroll_bar(c.window, Bar::Vertical)->isVisible());
  EXPECT_LE(f->maximumWidth(), full_w + d->scroll_bar_extent());
  EXPECT_LE(f->maximumHeight(), full_h + d->menu_bar_height() + d->scroll_bar_extent());
}

// A client 10 pixels narrower than the cells shows a horizontal scroll bar;
// the bar takes room from the client, so the vertical one follows; back at
// full size both go.
TEST_F(QtWindowTest, NarrowerWindowGetsScrollBarsAndLosesThemAgain) {
  create();
  Rect o = d->window_rect(c.window);
  d->move_window(c.window, o.left, o.top, o.width() - 10, o.height(), true);
  settle();
  QScrollBar* h = d->scroll_bar(c.window, Bar::Horizontal);
  QScrollBar* v = d->scroll_bar(c.window, Bar::Vertical);
  EXPECT_TRUE(h->isVisible());
  EXPECT_EQ(h->maximum(), c.hscroll_range);
  EXPECT_GE(c.hscroll_range, 10);
  EXPECT_TRUE(v->isVisible());
  EXPECT_EQ(v->maximum(), c.vscroll_range);
  // Scrolled fully right and down, the last cell is in view.
  d->move_window(c.window, o.left, o.top, o.width(), o.height(), true);
  settle();
  EXPECT_EQ(c.hscroll_range, 0);
  EXPECT_EQ(c.vscroll_range, 0);
  EXPECT_FALSE(h->isVisible());
  EXPECT_FALSE(v->isVisible());
}

// Scrolling through the bar: a page down moves the cells up by five rows
// and the view shows the rows below.
TEST_F(QtWindowTest, ScrollBarPagesThroughTheCells) {
  create();
  for (int r = 1; r <= 25; ++r) write(r, 1, "X", static_cast<std::uint8_t>((r % 7 + 1) * 16));
  Rect o = d->window_rect(c.window);
  d->move_window(c.window, o.left, o.top, o.width(), o.height() - 6 * c.metrics.height, true);
  settle();
  ASSERT_GT(c.vscroll_range, 0);
  QScrollBar* v = d->scroll_bar(c.window, Bar::Vertical);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  settle();
  ASSERT_EQ(c.vscroll, 5 * c.metrics.height);  // the range holds six rows
  EXPECT_EQ(v->value(), c.vscroll);
  QImage img = view_image();
  // Row 6 now sits where row 1 was.
  Rgb want = kBackgroundColours[static_cast<std::size_t>(((6 % 7) + 1))];
  EXPECT_TRUE(same_colour(img.pixelColor(1, 1), want.red, want.green, want.blue));
}

// The user sizing the window reaches the logic; growing past the cells is
// trimmed back.
TEST_F(QtWindowTest, UserResizeIsTrimmedToTheCells) {
  create();
  Rect before = d->window_rect(c.window);
  QWidget* f = d->frame(c.window);
  f->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  f->resize(before.width() + 200, f->height() + 200);
  settle();
  Rect after = d->window_rect(c.window);
  EXPECT_EQ(after.width(), before.width());
  EXPECT_EQ(after.height(), before.height());
  EXPECT_EQ(f->width(), before.width());
  // A smaller size is kept: the window's rectangle (whose right minus left
  // is written to the settings file at close-down) is the widget's.
  f->resize(before.width() - 50, f->height() - 40);
  settle();
  after = d->window_rect(c.window);
  EXPECT_EQ(after.right - after.left, f->width());
  EXPECT_EQ(after.width(), before.width() - 50);
  EXPECT_EQ(after.height(), before.height() - 40);
  // A move is kept as the window's position.
  f->setGeometry(before.left + 7, before.top + 5, f->width(), f->height());
  settle();
  EXPECT_EQ(d->window_rect(c.window).left, before.left + 7);
  EXPECT_EQ(d->window_rect(c.window).top, before.top + 5);
}

// The settings file's origin places the widget; show state 3 maximises by
// the window's own rules: at the maximised origin, as large as the cells.
TEST_F(QtWindowTest, SettingsPlaceTheWindowAndMaximiseBindsItToTheCells) {
  c.window_x_origin = 30;
  c.window_y_origin = 20;
  c.window_width = 400;
  c.window_height = 300;
  create();
  QWidget* f = d->frame(c.window);
  EXPECT_EQ(f->geometry().topLeft(), QPoint(30, 20));
  EXPECT_EQ(f->width(), 400);
  EXPECT_TRUE(d->scroll_bar(c.window, Bar::Horizontal)->isVisible());
  c.window_x_origin_max = 5;
  c.window_y_origin_max = 6;
  d->show_window(c.window, show::kShowMaximized);
  settle();
  Rect r = d->window_rect(c.window);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 6);
  EXPECT_EQ(d->client_rect(c.window).width(), 80 * c.metrics.avg_width);
  EXPECT_EQ(f->geometry().topLeft(), QPoint(5, 6));
  EXPECT_EQ(c.hscroll_range, 0);
}

// A waiting pass blocks while nothing arrives and returns for the window's
// 250 ms timer, so that the engine can check its time-outs: among a few
// waiting passes on a quiet queue, one sleeps most of a timer interval (and
// none hangs).
TEST_F(QtWindowTest, WaitingPassSleepsUntilTheTimer) {
  create();
  bool slept = false;
  for (int i = 0; i < 5 && !slept; ++i) {
    EventArea a;
    a.wait_mode = kWaitBlock;
    std::uint64_t before = d->tick_ms();
    SCR_AMP(c, a);
    EXPECT_EQ(a.key.status, 'N');
    slept = d->tick_ms() - before >= 200;
  }
  EXPECT_TRUE(slept);
}

// ---- status bar ----------------------------------------------------------------

TEST_F(QtWindowTest, StatusBarHasFourPartsWithRaisedAndFlatIndicators) {
  create();
  c.insert_flag = 'Y';
  settle();
  EXPECT_EQ(d->status_text(1), "INS");
  EXPECT_TRUE(d->status_raised(1));
  EXPECT_EQ(d->status_text(2), "Caps");
  EXPECT_FALSE(d->status_raised(2));
  EXPECT_EQ(d->status_text(3), "Num");
  QWidget* s = d->status_widget(c.window);
  ASSERT_NE(s, nullptr);
  QImage img = s->grab().toImage();
  // Part boundaries at W/8, W/8 + W/6, ... of the full client width.
  int w = 80 * c.metrics.avg_width;
  int p1 = w / 8, p2 = p1 + w / 6, p3 = p2 + w / 6;
  // A raised part is light at its top-left edge and dark at its bottom-
  // right; a flat one the other way round.
  QColor raised_tl = img.pixelColor(p1 + 1, 1), raised_br = img.pixelColor(p2 - 3, s->height() - 2);
  QColor flat_tl = img.pixelColor(p2 + 1, 1), flat_br = img.pixelColor(p3 - 3, s->height() - 2);
  EXPECT_GT(raised_tl.lightness(), raised_br.lightness());
  EXPECT_LT(flat_tl.lightness(), flat_br.lightness());
  // Kind 1 status messages go to the first part.
  d->set_status_text(c.status_bar, 0, "Field is required", false);
  EXPECT_EQ(d->status_text(0), "Field is required");
}

// ---- menus ------------------------------------------------------------------------

QMenu* popup_titled(QMenuBar* bar, const QString& title) {
  for (QAction* a : bar->actions())
    if (a->text() == title) return a->menu();
  return nullptr;
}

QAction* item_starting(QMenu* m, const QString& text) {
  for (QAction* a : m->actions())
    if (a->text().startsWith(text)) return a;
  return nullptr;
}

TEST_F(QtWindowTest, MenuBarHasTheFixedMenusAndExitIsGrayedWithoutACloseValue) {
  create();
  QMenuBar* bar = d->menu_bar(c.window);
  ASSERT_TRUE(bar->isVisible());
  QStringList titles;
  for (QAction* a : bar->actions()) titles << a->text();
  ASSERT_GE(titles.size(), 4);
  EXPECT_EQ(titles.front(), "&File");
  EXPECT_EQ(titles[1], "&Edit");
  EXPECT_EQ(titles[2], "&View");
  EXPECT_EQ(titles.back(), "&Help");
  QMenu* file = popup_titled(bar, "&File");
  ASSERT_NE(file, nullptr);
  QAction* exit = item_starting(file, "E&xit");
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), "E&xit\tAlt+F4");
  EXPECT_FALSE(exit->isEnabled());
  EXPECT_FALSE(item_starting(file, "&Print Screen")->isEnabled());
  QMenu* view = popup_titled(bar, "&View");
  EXPECT_TRUE(item_starting(view, "&Fonts...")->isEnabled());
}

// Every item of the menu bar sends its own command number to the window;
// a key item, chosen, reaches the engine as its key with scan byte 254.
TEST_F(QtWindowTest, MenuItemsSendTheirCommandNumbers) {
  c.global_close_value = 107;
  create();
  SCR_MP({"", "", "", "", "F1=Help  F3=Exit  PGDN=More"}, c);
  settle();
  QMenuBar* bar = d->menu_bar(c.window);
  struct Case {
    const char* popup;
    const char* item;
    int command;
  } cases[] = {
      {"&File", "&Open", 9001},      {"&File", "&Print Screen", 9003},
      {"&File", "E&xit", 9002},      {"&Edit", "&Copy", 9004},
      {"&Edit", "&Paste", 9005},     {"&View", "&Fonts...", 9006},
      {"F&unction keys", "Help", 1}, {"F&unction keys", "Exit", 2},
      {"F&unction keys", "More", 3}, {"&Help", "&Debugger", 9007},
      {"&Help", "&About...", 9009},
  };
  EXPECT_TRUE(item_starting(popup_titled(bar, "&File"), "E&xit")->isEnabled());
  EXPECT_FALSE(item_starting(popup_titled(bar, "&File"), "&Print Screen")->isEnabled());
  for (const Case& k : cases) {
    QMenu* m = popup_titled(bar, k.popup);
    ASSERT_NE(m, nullptr) << k.popup;
    QAction* a = item_starting(m, k.item);
    ASSERT_NE(a, nullptr) << k.item;
    a->setEnabled(true);  // grayed items too: which number each one carries
    a->trigger();
    Message msg;
    ASSERT_TRUE(d->peek(msg, c.window, wm::kCommand, wm::kCommand, true)) << k.item;
    EXPECT_EQ(static_cast<int>(msg.wparam & 0xFFFF), k.command) << k.item;
  }
  EXPECT_EQ(item_starting(popup_titled(bar, "F&unction keys"), "More")->text(), "More\tPage-Down");
  item_starting(popup_titled(bar, "F&unction keys"), "Exit")->trigger();
  KeyEvent e = next_event();
  EXPECT_EQ(e.status, 'Y');
  EXPECT_EQ(e.extended, 61);
  EXPECT_EQ(e.scan, kScanQuitOrMenu);
}

// Copy is enabled when the cursor is in a field; Paste also needs text on
// the clipboard.  Copy puts the field's image on the clipboard.
TEST_F(QtWindowTest, EditMenuFollowsTheFieldAndTheClipboard) {
  create();
  QApplication::clipboard()->clear();
  QMenu* edit = popup_titled(d->menu_bar(c.window), "&Edit");
  ASSERT_NE(edit, nullptr);
  EXPECT_FALSE(item_starting(edit, "&Copy")->isEnabled());
  c.current_field_length = 6;
  c.field_image = "ABC123";
  d->post({c.window, wm::kUserCopy, 0, 0, 0, -1});
  settle();
  EXPECT_TRUE(item_starting(edit, "&Copy")->isEnabled());
  EXPECT_FALSE(item_starting(edit, "&Paste")->isEnabled());
  item_starting(edit, "&Copy")->trigger();
  settle();
  EXPECT_EQ(QApplication::clipboard()->text(), "ABC123");
  EXPECT_TRUE(item_starting(edit, "&Paste")->isEnabled());
}

// Pasted text arrives as typed characters (scan byte 252), converted to
// the code page, cut at the room left in the field.
TEST_F(QtWindowTest, PasteFeedsClipboardTextAsTypedCharacters) {
  create();
  c.current_field_length = 10;
  c.paste_room = 3;
  QApplication::clipboard()->setText(QString::fromUtf8("\u00e9ab-rest"));
  d->post_input(c.window, wm::kCommand, 9005, 0, 0);
  std::string got;
  for (int i = 0; i < 10; ++i) {
    KeyEvent e = next_event(5);
    if (e.status != 'Y') break;
    EXPECT_EQ(e.scan, kScanPaste);
    got += static_cast<char>(e.character);
  }
  EXPECT_EQ(got,
            "\x82"
            "ab");  // e-acute is X'82' in CP437
}

// ---- keys -------------------------------------------------------------------------

// Each key gives exactly one event for the engine (a key that types a
// character and has no code gives the character; Shift+Tab only its code),
// with the scan byte of the key (224 for the keypad's Enter).
TEST_F(QtWindowTest, KeysReachTheEngineAsKeyEvents) {
  create();
  c.alt_key_handling = '1';  // "DOS": Alt with a key is a key for the panel
  QWidget* v = d->cell_view(c.window);
  const auto shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier,
             none = Qt::NoModifier, keypad = Qt::KeypadModifier;
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* text;
    int character, extended, scan;
  } cases[] = {
      {Qt::Key_A, none, "a", 'a', 0, 30},
      {Qt::Key_A, shift, "A", 'A', 0, 30},
      {Qt::Key_D, ctrl, "\x04", 4, 0, 32},
      {Qt::Key_X, alt, "x", 0, 45, 45},
      {Qt::Key_1, alt, "1", 0, 120, 2},
      {Qt::Key_Minus, alt, "-", 0, 130, 12},
      {Qt::Key_Equal, alt, "=", 0, 131, 13},
      {Qt::Key_F1, none, "", 0, 59, 59},
      {Qt::Key_F1, shift, "", 0, 84, 59},
      {Qt::Key_F1, shift | ctrl, "", 0, 84, 59},
      {Qt::Key_F10, none, "", 0, 68, 68},
      {Qt::Key_F10, alt, "", 0, 113, 68},
      {Qt::Key_F12, ctrl, "", 0, 138, 88},
      {Qt::Key_Home, none, "", 0, 71, 71},
      {Qt::Key_End, ctrl | alt, "", 0, 117, 79},
      {Qt::Key_Right, ctrl, "", 0, 116, 77},
      {Qt::Key_PageDown, ctrl, "", 0, 118, 81},
      {Qt::Key_PageUp, ctrl, "", 0, 132, 73},
      {Qt::Key_Delete, none, "\x7f", 0, 83, 83},
      {Qt::Key_Return, none, "\r", 13, 0, 28},
      {Qt::Key_Enter, keypad, "\r", 13, 0, kScanKeypadEnter},
      {Qt::Key_Tab, none, "\t", 9, 0, 15},
      {Qt::Key_Backtab, shift, "", 0, 15, 15},
      {Qt::Key_5, keypad, "5", '5', 0, 76},
  };
  for (const Case& k : cases) {
    key(v, k.key, k.mods, QString::fromLatin1(k.text));
    KeyEvent e = next_event();
    EXPECT_EQ(e.status, 'Y') << "key " << std::hex << k.key;
    EXPECT_EQ(e.character, k.character) << "key " << std::hex << k.key;
    EXPECT_EQ(e.extended, k.extended) << "key " << std::hex << k.key;
    EXPECT_EQ(e.scan, k.scan) << "key " << std::hex << k.key;
    EXPECT_EQ(next_event(3).status, 'N') << "a second event from key " << std::hex << k.key;
  }
}

// Alt+letter opens the menu whose title marks the letter when the Alt-key
// handling is "Windows"; with "DOS" it is a key for the panel.
TEST_F(QtWindowTest, AltLetterOpensMenusOnlyWithWindowsAltHandling) {
  create();
  QWidget* v = d->cell_view(c.window);
  c.alt_key_handling = '0';
  key(v, Qt::Key_E, Qt::AltModifier, "e");
  settle();
  QWidget* popup = QApplication::activePopupWidget();
  ASSERT_NE(popup, nullptr);
  auto* menu = qobject_cast<QMenu*>(popup);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "&Edit");
  menu->close();
  settle();
  c.alt_key_handling = '1';
  key(v, Qt::Key_E, Qt::AltModifier, "e");
  KeyEvent e = next_event();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(e.status, 'Y');
  EXPECT_EQ(e.extended, 18);  // Alt+E
}

// F10 opens the first menu under "Windows" Alt-key handling.
TEST_F(QtWindowTest, F10OpensTheFileMenu) {
  create();
  c.alt_key_handling = '0';
  key(d->cell_view(c.window), Qt::Key_F10, Qt::NoModifier, "");
  settle();
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title(), "&File");
  menu->close();
}

// Caps Lock and Num Lock pressed in the window switch their indicators
// (raised when on).
TEST_F(QtWindowTest, LockKeysSwitchTheIndicators) {
  create();
  QWidget* v = d->cell_view(c.window);
  key(v, Qt::Key_CapsLock, Qt::NoModifier, "");
  key(v, Qt::Key_NumLock, Qt::NoModifier, "");
  settle();
  EXPECT_EQ(d->status_text(2), "CAPS");
  EXPECT_TRUE(d->status_raised(2));
  EXPECT_EQ(d->status_text(3), "NUM");
  EXPECT_TRUE(d->status_raised(3));
  key(v, Qt::Key_CapsLock, Qt::NoModifier, "");
  settle();
  EXPECT_EQ(d->status_text(2), "Caps");
  EXPECT_FALSE(d->status_raised(2));
}

// Holding Alt, Ctrl or Shift alone is seen by the engine's key-state reads
// while held (the floppy menu lines follow it), and released again.
TEST_F(QtWindowTest, HeldModifiersAreTheKeyStateWhileHeld) {
  create();
  c.alt_key_handling = '1';
  QWidget* v = d->cell_view(c.window);
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifier mod;
    int vk;
  } cases[] = {{Qt::Key_Alt, Qt::AltModifier, vk::kMenu},
               {Qt::Key_Control, Qt::ControlModifier, vk::kControl},
               {Qt::Key_Shift, Qt::ShiftModifier, vk::kShift}};
  for (const Case& k : cases) {
    QTest::keyPress(v, k.key, k.mod);
    settle();
    EXPECT_TRUE(d->key_state(k.vk) & kKeyDown) << k.vk;
    QTest::keyRelease(v, k.key, Qt::NoModifier);
    settle();
    EXPECT_FALSE(d->key_state(k.vk) & kKeyDown) << k.vk;
  }
}

// ---- closing -------------------------------------------------------------------

// The close box asks "Do you really want to quit?"; No keeps the window and
// reports nothing, Yes makes the next pass report the quit.
TEST_F(QtWindowTest, CloseBoxAsksAndYesReportsTheQuit) {
  create();
  QString asked;
  on_next_modal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    asked = box->windowTitle() + "|" + box->text();
    // A question with No as the default: Enter does not quit.
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    box->button(QMessageBox::No)->click();
  });
  d->frame(c.window)->close();
  KeyEvent e = next_event(10);
  EXPECT_EQ(asked, "Close|Do you really want to quit?");
  EXPECT_EQ(e.status, 'N');
  EXPECT_TRUE(d->frame(c.window)->isVisible());
  on_next_modal(
      [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
  d->frame(c.window)->close();
  e = next_event(10);
  EXPECT_EQ(e.status, 'Q');
  EXPECT_EQ(e.scan, kScanQuitOrMenu);
}

// The user closes the window while the engine waits for input: the wait
// ends at once, the question is asked, and Yes ends the dialogue.
TEST_F(QtWindowTest, ClosingWhileThePanelWaitsAsksAndQuits) {
  create();
  QTimer::singleShot(20, d->frame(c.window), [this]() { d->frame(c.window)->close(); });
  on_next_modal(
      [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
  KeyEvent e;
  for (int i = 0; i < 10 && e.status != 'Q'; ++i) {
    EventArea a;
    a.wait_mode = kWaitBlock;
    SCR_AMP(c, a);
    e = a.key;
  }
  EXPECT_EQ(e.status, 'Q');
  EXPECT_TRUE(d->is_window(c.window));
}

TEST_F(QtWindowTest, AltF4AsksTheSameQuestion) {
  create();
  c.alt_key_handling = '0';
  QString asked;
  on_next_modal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    asked = box->text();
    box->button(QMessageBox::Yes)->click();
  });
  QTest::keyClick(d->cell_view(c.window), Qt::Key_F4, Qt::AltModifier);
  KeyEvent e = next_event(10);
  EXPECT_EQ(asked, "Do you really want to quit?");
  EXPECT_EQ(e.status, 'Q');
}

// "&About..." shows the initialisation block's About title and text.
TEST_F(QtWindowTest, AboutShowsTheApplicationsText) {
  c.about_title = "About the demo";
  c.about_text = "A panel runtime for COBOL";
  create();
  QString shown;
  on_next_modal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    shown = box->windowTitle() + "|" + box->text();
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->accept();
  });
  d->post_input(c.window, wm::kCommand, 9009, 0, 0);
  settle();
  EXPECT_EQ(shown, "About the demo|A panel runtime for COBOL");
}

// ---- fonts -----------------------------------------------------------------------

// "&Fonts..." offers fixed-pitch fonts; the choice becomes the screen font
// (OEM character set) and the window takes the new cell size.
TEST_F(QtWindowTest, FontDialogChangesTheCellAndTheWindow) {
  create();
  TextMetrics old = c.metrics;
  Rect old_rect = d->window_rect(c.window);
  bool monospaced_only = false;
  on_next_modal([&](QWidget* w) {
    auto* dlg = qobject_cast<QFontDialog*>(w);
    ASSERT_NE(dlg, nullptr);
    monospaced_only = dlg->testOption(QFontDialog::MonospacedFonts);
    QFont f = dlg->currentFont();
    f.setPixelSize(12);
    dlg->setCurrentFont(f);
    dlg->accept();
  });
  d->post_input(c.window, wm::kCommand, 9006, 0, 0);
  settle();
  EXPECT_TRUE(monospaced_only);
  EXPECT_EQ(c.font.charset, kOemCharset);
  EXPECT_EQ(c.font.height, -12);
  EXPECT_LT(c.metrics.height, old.height);
  EXPECT_LT(c.metrics.avg_width, old.avg_width);
  Rect now = d->window_rect(c.window);
  EXPECT_LT(now.width(), old_rect.width());
  EXPECT_EQ(d->client_rect(c.window).width(), 80 * c.metrics.avg_width);
  // Cancelling the dialog changes neither the font nor the window.
  LogicalFont kept = c.font;
  on_next_modal([&](QWidget* w) { qobject_cast<QFontDialog*>(w)->reject(); });
  d->post_input(c.window, wm::kCommand, 9006, 0, 0);
  settle();
  EXPECT_EQ(c.font.height, kept.height);
  EXPECT_EQ(c.font.face, kept.face);
  EXPECT_EQ(d->window_rect(c.window), now);
}

// ---- the debugging window ----------------------------------------------------------

TEST_F(QtWindowTest, DebuggerOpensItsOwnWindowAndClosesAfterConfirmation) {
  create();
  d->post_input(c.window, wm::kCommand, 9007, 0, 0);
  settle();
  ASSERT_NE(c.debug_window, 0u);
  QWidget* dbg = d->frame(c.debug_window);
  ASSERT_NE(dbg, nullptr);
  EXPECT_TRUE(dbg->isVisible());
  EXPECT_EQ(dbg->windowTitle(), "Korvexan/Windows Debugging Window");
  QStringList titles;
  for (QAction* a : d->menu_bar(c.debug_window)->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"&Options", "&Help"}));
  EXPECT_EQ(c.debug.lines[0].substr(0, 26), "Korvexan Debugger enabled!");
  // The list is painted in the window (line 1 under the heading).
  QImage img = d->cell_view(c.debug_window)->grab().toImage();
  int dark = 0;
  for (int x = 0; x < 200; ++x)
    if (img.pixelColor(x, d->text_metrics(d->stock_font()).height * 3 / 2).lightness() < 128)
      ++dark;
  EXPECT_GT(dark, 5);
  // Checking "&WinProc Msgs" lists window messages numbered 0x400 and up.
  QMenu* options = popup_titled(d->menu_bar(c.debug_window), "&Options");
  item_starting(options, "&WinProc Msgs")->trigger();
  settle();
  EXPECT_TRUE(c.debug.winproc_msgs);
  EXPECT_TRUE(item_starting(options, "&WinProc Msgs")->isChecked());
  // Closing asks first.
  QString asked;
  on_next_modal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    asked = box->windowTitle() + "|" + box->text();
    box->button(QMessageBox::Yes)->click();
  });
  dbg->close();
  settle();
  EXPECT_EQ(asked, "Debugging Window Action|Close the debugging window?");
  EXPECT_EQ(c.debug_window, 0u);
}

// Closing down (the window destroyed, the class given up) and showing a
// panel again later gives a new window that paints and takes input.
TEST_F(QtWindowTest, WindowClosedDownCanBeCreatedAgain) {
  create();
  write(2, 2, "OLD", 0x1F);
  settle();
  VioRequest q;
  q.window = c.window;
  q.function = vio::kDestroy;
  SCR_VIO(q, nullptr, c);
  SCR_WC(c);
  settle();
  EXPECT_TRUE(d->windows().empty());
  c.window = 0;
  create();
  write(3, 3, "NEW", 0x2F);
  settle();
  QImage img = view_image();
  EXPECT_TRUE(same_colour(at_cell(img, 3, 3, 0, 1), 0, 128, 0));
  QTest::keyClick(d->cell_view(c.window), Qt::Key_F2);
  EXPECT_EQ(next_event().extended, 60);
}

// ---- dropped files -------------------------------------------------------------------

TEST_F(QtWindowTest, DroppedFilesReachTheEngineWhenAccepted) {
  create();
  c.drops.accepting = true;
  c.drops.key_code = 77;
  d->accept_drops(c.window, true);
  QWidget* f = d->frame(c.window);
  auto mime = std::make_unique<QMimeData>();
  mime->setUrls({QUrl::fromLocalFile("/tmp/orders one.txt"), QUrl::fromLocalFile("/tmp/b.dat")});
  QPoint at = d->cell_view(c.window)->mapTo(
      f, QPoint(3 * c.metrics.avg_width + 1, 2 * c.metrics.height + 1));
  QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(f, &drop);
  EventArea a;
  KeyEvent e = next_event(10, &a);
  EXPECT_EQ(e.status, 'Y');
  EXPECT_EQ(e.scan, kScanDrop);
  EXPECT_EQ(e.extended, 77);
  EXPECT_EQ(a.drop_count, 2);
  EXPECT_EQ(a.drop_row, 3);
  EXPECT_EQ(a.drop_col, 4);
  auto files = d->drop_files(c.drops.handle);
  EXPECT_EQ(files, (std::vector<std::string>{"/tmp/orders one.txt", "/tmp/b.dat"}));
  // A window that withdrew its registration refuses the drag.
  d->accept_drops(c.window, false);
  QDragEnterEvent refused(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  refused.setAccepted(false);
  QApplication::sendEvent(f, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

// ---- mouse ----------------------------------------------------------------------------

TEST_F(QtWindowTest, ClicksArriveAtTheirCell) {
  create();
  QWidget* v = d->cell_view(c.window);
  QPoint p(6 * c.metrics.avg_width + 2, 4 * c.metrics.height + 2);  // row 5, column 7
  QTest::mouseClick(v, Qt::LeftButton, Qt::NoModifier, p);
  EventArea a;
  KeyEvent e = next_event(10, &a);
  EXPECT_EQ(e.scan, kScanMouse);
  EXPECT_EQ(a.mouse_row, 5);
  EXPECT_EQ(a.mouse_col, 7);
  // With a fractional scale factor a position has a fraction: the last
  // fraction of a pixel still belongs to its cell.
  next_event(3);
  QPointF last(c.metrics.avg_width - 0.4, c.metrics.height - 0.4);
  QMouseEvent press(QEvent::MouseButtonPress, last, v->mapToGlobal(last), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v, &press);
  e = next_event(10, &a);
  EXPECT_EQ(e.scan, kScanMouse);
  EXPECT_EQ(a.mouse_row, 1);
  EXPECT_EQ(a.mouse_col, 1);
}

// In a window scrolled right and down, a click names the cell it shows:
// the pixel position counts from the client area's corner and the scroll
// offsets are added.
TEST_F(QtWindowTest, ClicksInAScrolledWindowArriveAtTheCellShown) {
  create();
  Rect o = d->window_rect(c.window);
  int cw = c.metrics.avg_width, ch = c.metrics.height;
  d->move_window(c.window, o.left, o.top, o.width() - 10 * cw, o.height() - 8 * ch, true);
  settle();
  ASSERT_GT(c.hscroll_range, 3 * cw);
  ASSERT_GT(c.vscroll_range, 2 * ch);
  d->scroll_bar(c.window, Bar::Horizontal)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  d->scroll_bar(c.window, Bar::Vertical)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  settle();
  ASSERT_EQ(c.hscroll, 5 * cw);
  ASSERT_EQ(c.vscroll, 1);
  QWidget* v = d->cell_view(c.window);
  struct Case {
    QPoint at;
    int row, col;
  } cases[] = {
      {{1, 1}, 1, 6},            // near the corner (QTest takes 0,0 as the centre)
      {{cw - 1, ch - 2}, 1, 6},  // the last pixel of that cell
      {{cw - 1, ch - 1}, 2, 6},  // one pixel down: the next row
      {{cw, 4 * ch + 2}, 5, 7},
  };
  for (const Case& k : cases) {
    QTest::mouseClick(v, Qt::LeftButton, Qt::NoModifier, k.at);
    EventArea a;
    KeyEvent e = next_event(10, &a);
    EXPECT_EQ(e.scan, kScanMouse);
    EXPECT_EQ(a.mouse_row, k.row) << k.at.x() << "," << k.at.y();
    EXPECT_EQ(a.mouse_col, k.col) << k.at.x() << "," << k.at.y();
    next_event(3);  // the release
  }
}

}  // namespace
}  // namespace kv::term::qtd::testing

namespace kv::term::qtd::testing {
namespace {

// A display shut down (at process exit, possibly from a signal handler)
// closes nothing; its widgets stay and anything that reaches them later
// is dropped rather than handed to the display that is gone.
TEST_F(QtWindowTest, ShutDownDisplayLeavesItsWidgetsInert) {
  create();
  QWidget* f = d->frame(c.window);
  QWidget* v = d->cell_view(c.window);
  QScrollBar* bar = d->scroll_bar(c.window, Bar::Vertical);
  d->shutdown();
  EXPECT_TRUE(f->isVisible());
  d.reset();
  QTest::keyClick(v, Qt::Key_A);
  QTest::mouseClick(v, Qt::LeftButton);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  f->resize(300, 200);
  f->close();
  v->repaint();
  QApplication::processEvents();
  EXPECT_TRUE(f->isVisible());
  f->hide();
}

}  // namespace
}  // namespace kv::term::qtd::testing
