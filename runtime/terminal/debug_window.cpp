#include "runtime/terminal/debug_window.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "kv/build_info.h"
#include "runtime/terminal/message_box.h"
#include "runtime/terminal/module_trace.h"
#include "runtime/terminal/window.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"

namespace kv::term {

namespace {

constexpr const char* kTitle = "Korvexan/Windows Debugging Window";
constexpr const char* kClassName = "Messages";

constexpr MessageName kNames[] = {
    {'0', "WM_NULL", 0x0000},
    {'0', "WM_CREATE", 0x0001},
    {'0', "WM_DESTROY", 0x0002},
    {'0', "WM_MOVE", 0x0003},
    {'0', "WM_SIZE", 0x0005},
    {'0', "WM_ACTIVATE", 0x0006},
    {'0', "WM_SETFOCUS", 0x0007},
    {'0', "WM_KILLFOCUS", 0x0008},
    {'0', "WM_ENABLE", 0x000A},
    {'0', "WM_SETREDRAW", 0x000B},
    {'0', "WM_SETTEXT", 0x000C},
    {'0', "WM_GETTEXT", 0x000D},
    {'0', "WM_GETTEXTLENGTH", 0x000E},
    {'0', "WM_PAINT", 0x000F},
    {'0', "WM_CLOSE", 0x0010},
    {'0', "WM_QUERYENDSESSION", 0x0011},
    {'0', "WM_QUIT", 0x0012},
    {'0', "WM_QUERYOPEN", 0x0013},
    {'0', "WM_ERASEBKGND", 0x0014},
    {'0', "WM_SYSCOLORCHANGE", 0x0015},
    {'0', "WM_ENDSESSION", 0x0016},
    {'0', "WM_SHOWWINDOW", 0x0018},
    {'0', "WM_WININICHANGE", 0x001A},
    {'0', "WM_DEVMODECHANGE", 0x001B},
    {'0', "WM_ACTIVATEAPP", 0x001C},
    {'0', "WM_FONTCHANGE", 0x001D},
    {'0', "WM_TIMECHANGE", 0x001E},
    {'0', "WM_CANCELMODE", 0x001F},
    {'1', "WM_SETCURSOR", 0x0020},
    {'0', "WM_MOUSEACTIVATE", 0x0021},
    {'0', "WM_CHILDACTIVATE", 0x0022},
    {'0', "WM_QUEUESYNC", 0x0023},
    {'0', "WM_GETMINMAXINFO", 0x0024},
    {'0', "WM_PAINTICON", 0x0026},
    {'0', "WM_ICONERASEBKGND", 0x0027},
    {'0', "WM_NEXTDLGCTL", 0x0028},
    {'0', "WM_SPOOLERSTATUS", 0x002A},
    {'0', "WM_DRAWITEM", 0x002B},
    {'0', "WM_MEASUREITEM", 0x002C},
    {'0', "WM_DELETEITEM", 0x002D},
    {'0', "WM_VKEYTOITEM", 0x002E},
    {'0', "WM_CHARTOITEM", 0x002F},
    {'0', "WM_SETFONT", 0x0030},
    {'0', "WM_GETFONT", 0x0031},
    {'0', "WM_SETHOTKEY", 0x0032},
    {'0', "WM_GETHOTKEY", 0x0033},
    {'0', "WM_QUERYDRAGICON", 0x0037},
    {'0', "WM_COMPAREITEM", 0x0039},
    {'0', "WM_COMPACTING", 0x0041},
    {'0', "WM_COMMNOTIFY", 0x0044},
    {'0', "WM_WINDOWPOSCHANGING", 0x0046},
    {'0', "WM_WINDOWPOSCHANGED", 0x0047},
    {'0', "WM_POWER", 0x0048},
    {'0', "WM_COPYDATA", 0x004A},
    {'0', "WM_CANCELJOURNAL", 0x004B},
    {'0', "WM_NOTIFY", 0x004E},
    {'0', "WM_INPUTLANGCHANGERQ", 0x0050},
    {'0', "WM_INPUTLANGCHANGE", 0x0051},
    {'0', "WM_TCARD", 0x0052},
    {'0', "WM_HELP", 0x0053},
    {'0', "WM_USERCHANGED", 0x0054},
    {'0', "WM_NOTIFYFORMAT", 0x0055},
    {'0', "WM_CONTEXTMENU", 0x007B},
    {'0', "WM_STYLECHANGING", 0x007C},
    {'0', "WM_STYLECHANGED", 0x007D},
    {'0', "WM_DISPLAYCHANGE", 0x007E},
    {'0', "WM_GETICON", 0x007F},
    {'0', "WM_SETICON", 0x0080},
    {'0', "WM_NCCREATE", 0x0081},
    {'0', "WM_NCDESTROY", 0x0082},
    {'0', "WM_NCCALCSIZE", 0x0083},
    {'1', "WM_NCHITTEST", 0x0084},
    {'0', "WM_NCPAINT", 0x0085},
    {'0', "WM_NCACTIVATE", 0x0086},
    {'0', "WM_GETDLGCODE", 0x0087},
    {'1', "WM_NCMOUSEMOVE", 0x00A0},
    {'1', "WM_NCLBUTTONDOWN", 0x00A1},
    {'1', "WM_NCLBUTTONUP", 0x00A2},
    {'1', "WM_NCLBUTTONDBLCLK", 0x00A3},
    {'1', "WM_NCRBUTTONDOWN", 0x00A4},
    {'1', "WM_NCRBUTTONUP", 0x00A5},
    {'1', "WM_NCRBUTTONDBLCLK", 0x00A6},
    {'1', "WM_NCMBUTTONDOWN", 0x00A7},
    {'1', "WM_NCMBUTTONUP", 0x00A8},
    {'1', "WM_NCMBUTTONDBLCLK", 0x00A9},
    {'0', "WM_KEYDOWN", 0x0100},
    {'0', "WM_KEYUP", 0x0101},
    {'0', "WM_CHAR", 0x0102},
    {'0', "WM_DEADCHAR", 0x0103},
    {'0', "WM_SYSKEYDOWN", 0x0104},
    {'0', "WM_SYSKEYUP", 0x0105},
    {'0', "WM_SYSCHAR", 0x0106},
    {'0', "WM_SYSDEADCHAR", 0x0107},
    {'0', "WM_KEYLAST", 0x0108},
    {'0', "WM_INITDIALOG", 0x0110},
    {'0', "WM_COMMAND", 0x0111},
    {'0', "WM_SYSCOMMAND", 0x0112},
    {'2', "WM_TIMER", 0x0113},
    {'0', "WM_HSCROLL", 0x0114},
    {'0', "WM_VSCROLL", 0x0115},
    {'0', "WM_INITMENU", 0x0116},
    {'0', "WM_INITMENUPOPUP", 0x0117},
    {'2', "WM_OTHER (Timer?)", 0x0118},
    {'0', "WM_MENUSELECT", 0x011F},
    {'0', "WM_MENUCHAR", 0x0120},
    {'1', "WM_ENTERIDLE", 0x0121},
    {'0', "WM_CTLCOLORMSGBOX", 0x0132},
    {'0', "WM_CTLCOLOREDIT", 0x0133},
    {'0', "WM_CTLCOLORLISTBOX", 0x0134},
    {'0', "WM_CTLCOLORBTN", 0x0135},
    {'0', "WM_CTLCOLORDLG", 0x0136},
    {'0', "WM_CTLCOLORSCROLLBAR", 0x0137},
    {'0', "WM_CTLCOLORSTATIC", 0x0138},
    {'1', "WM_MOUSEMOVE", 0x0200},
    {'1', "WM_LBUTTONDOWN", 0x0201},
    {'1', "WM_LBUTTONUP", 0x0202},
    {'1', "WM_LBUTTONDBLCLK", 0x0203},
    {'1', "WM_RBUTTONDOWN", 0x0204},
    {'1', "WM_RBUTTONUP", 0x0205},
    {'1', "WM_RBUTTONDBLCLK", 0x0206},
    {'1', "WM_MBUTTONDOWN", 0x0207},
    {'1', "WM_MBUTTONUP", 0x0208},
    {'1', "WM_MBUTTONDBLCLK", 0x0209},
    {'0', "WM_PARENTNOTIFY", 0x0210},
    {'0', "WM_ENTERMENULOOP", 0x0211},
    {'0', "WM_EXITMENULOOP", 0x0212},
    {'0', "WM_ENTERSIZEMOVE", 0x0231},
    {'0', "WM_EXITSIZEMOVE", 0x0232},
    {'0', "WM_DROPFILES", 0x0233},
    {'0', "WM_CUT", 0x0300},
    {'0', "WM_COPY", 0x0301},
    {'0', "WM_PASTE", 0x0302},
    {'0', "WM_CLEAR", 0x0303},
    {'0', "WM_UNDO", 0x0304},
    {'0', "WM_RENDERFORMAT", 0x0305},
    {'0', "WM_RENDERALLFORMATS", 0x0306},
    {'0', "WM_DESTROYCLIPBOARD", 0x0307},
    {'0', "WM_DRAWCLIPBOARD", 0x0308},
    {'0', "WM_PAINTCLIPBOARD", 0x0309},
    {'0', "WM_QUERYNEWPALETTE", 0x030F},
    {'0', "WM_PALETTEISCHANGING", 0x0310},
    {'0', "WM_PALETTECHANGED", 0x0311},
    {'0', "WM_USER", 0x0400},
    {'0', "WM-USER-QUIT", 0x0501},
    {'0', "WM-USER-NEWFONT", 0x0510},
    {'0', "WM-CHOOSEFONT-GETLOG", 0x0511},
    {'0', "WM-CHOOSEFONT-APPLY", 0x0512},
    {'0', "WM-CHOOSEFONT-SETLOG", 0x0513},
    {'0', "WM-CHOOSEFONT-SETFLA", 0x0514},
};

// Scroll positions of the list (in character cells).
struct ListScroll {
  int row = 0, col = 0;
};
ListScroll g_scroll;

MenuBar debug_menu(const DebugList& l) {
  MenuBar bar;
  bar.popups.push_back(
      {"&Options",
       {{"&WinProc Msgs", dbg_cmd::kWinProcMsgs, false, l.winproc_msgs},
        {"&WinProc Mouse Msgs", dbg_cmd::kWinProcMouseMsgs, false, l.winproc_mouse_msgs},
        {"Common &Data", dbg_cmd::kCommonData, false, l.common_data},
        {"&Clear Messages", dbg_cmd::kClear, false, false}}});
  bar.popups.push_back({"&Help", {{"&About", dbg_cmd::kAbout, false, false}}});
  return bar;
}

void put_field(std::string& line, int column, const std::string& text, int width) {
  std::string t = text.substr(0, static_cast<std::size_t>(width));
  line.replace(static_cast<std::size_t>(column - 1), t.size(), t);
}

void repaint(ScrCommon& c) {
  if (c.debug_window && c.display) {
    c.display->invalidate(c.debug_window, nullptr);
    c.display->update_window(c.debug_window);
  }
}

void paint(ScrCommon& c, WindowId w) {
  Display& d = *c.display;
  Rect r = d.begin_paint(w);
  Handle font = d.stock_font();
  TextMetrics m = d.text_metrics(font);
  int ch = std::max(m.height, 1), cw = std::max(m.avg_width, 1);
  int first = std::max(r.top / ch, 0);
  int last = std::min(r.bottom / ch, DebugList::kRowCount - 1 - g_scroll.row);
  for (int row = first; row <= last; ++row) {
    int index = row + g_scroll.row;
    std::string text = index == 0 ? std::string(DebugList::kHeading)
                                  : c.debug.lines[static_cast<std::size_t>(index - 1)];
    if (static_cast<std::size_t>(g_scroll.col) < text.size())
      text = text.substr(static_cast<std::size_t>(g_scroll.col));
    else
      text.clear();
    d.draw_text(w, 0, row * ch, text, font, {0, 0, 0}, {255, 255, 255});
  }
  (void)cw;
  d.end_paint(w);
}

}  // namespace

int message_name_count() { return static_cast<int>(std::size(kNames)); }

const MessageName* find_message_name(std::uint32_t number) {
  int lo = 0, hi = message_name_count() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    if (kNames[mid].number == number) return &kNames[mid];
    if (kNames[mid].number < number)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return nullptr;
}

void debug_add_line(ScrCommon& c, std::string_view line) {
  auto& lines = c.debug.lines;
  for (std::size_t i = lines.size() - 1; i > 0; --i) lines[i] = lines[i - 1];
  lines[0] = padded(line.substr(0, DebugList::kLineWidth), DebugList::kLineWidth);
  repaint(c);
}

void debug_message_line(ScrCommon& c, std::uint32_t message, std::uintptr_t wparam,
                        std::intptr_t lparam) {
  const MessageName* n = find_message_name(message);
  // Messages missing from the table are listed as "WM-OTHER" with class 0.
  char klass = n ? n->klass : '0';
  if (klass == '2') return;
  if (klass == '1' && !c.debug.winproc_mouse_msgs) return;
  c.debug.sequence = c.debug.sequence >= 9998 ? 1 : c.debug.sequence + 1;
  std::string line(DebugList::kLineWidth, ' ');
  auto l = static_cast<std::uint32_t>(lparam);
  put_field(line, 1, std::to_string(c.debug.sequence), 4);
  put_field(line, 6, std::to_string(message), 4);
  put_field(line, 11, n ? n->name : "WM-OTHER", 20);
  put_field(line, 32, std::to_string(wparam), 4);
  put_field(line, 37, std::to_string(l), 5);
  put_field(line, 43, std::to_string(l >> 16), 5);
  put_field(line, 49, std::to_string(l & 0xFFFF), 4);
  debug_add_line(c, line);
}

void SCR_DB(char open_close, ScrCommon& c) {
  TraceModule& t = db_module();
  t.index();
  Display* d = c.display;
  if (!d) return;
  set_proc_display(d);
  if (open_close == 'Y') {
    if (c.debug_window) return;
    WindowClass cls;
    cls.name = kClassName;
    cls.proc = &debug_window_proc;
    cls.instance = c.module_instance;
    if (!d->register_class(cls)) {
      scr_mb(c, kBoxInternal, "", "RegisterClass failed!", t.id());
      return;
    }
    CreateParams p;
    p.class_name = kClassName;
    p.title = kTitle;
    p.style = style::kCaption | style::kSysMenu | style::kThickFrame | style::kMinimizeBox |
              style::kMaximizeBox | style::kMaximize;
    p.x = 0;
    p.y = 0;
    p.width = 1000;
    p.height = 1000;
    p.instance = c.module_instance;
    p.param = &c;
    WindowId w = d->create_window(p);
    c.debug_window = w;
    if (!w) {
      scr_mb(c, kBoxInternal, "", "CreateWindowEx failed!", t.id());
      d->unregister_class(kClassName);
      return;
    }
    d->set_window_data(w, &c);
    d->show_window(w, show::kShowMaximized);
    debug_add_line(c, "Korvexan Debugger enabled!");
    return;
  }
  if (!c.debug_window) return;
  if (!d->destroy_window(c.debug_window))
    scr_mb(c, kBoxInternal, "", "DestroyWindow for Debugging Window failed!", t.id());
  if (!d->unregister_class(kClassName))
    scr_mb(c, kBoxInternal, "", "UnregisterClass for Debugging Window", t.id());
  c.debug_window = 0;
}

std::intptr_t debug_window_proc(WindowId w, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam) {
  Display* d = proc_display();
  if (!d) return 0;
  ScrCommon* cp = static_cast<ScrCommon*>(d->window_data(w));
  if (message == wm::kCreate) {
    cp = static_cast<ScrCommon*>(reinterpret_cast<const CreateParams*>(lparam)->param);
    d->set_window_data(w, cp);
    MenuBar bar = debug_menu(cp->debug);
    d->set_menu(w, &bar);
    g_scroll = {};
    return 0;
  }
  if (!cp) return d->default_proc(w, message, wparam, lparam);
  ScrCommon& c = *cp;
  DebugList& l = c.debug;
  switch (message) {
    case wm::kCommand: {
      int command = static_cast<int>(wparam & 0xFFFF);
      switch (command) {
        case dbg_cmd::kWinProcMsgs:
          l.winproc_msgs = !l.winproc_msgs;
          break;
        case dbg_cmd::kWinProcMouseMsgs:
          l.winproc_mouse_msgs = !l.winproc_mouse_msgs;
          break;
        case dbg_cmd::kCommonData:
          l.common_data = !l.common_data;
          break;
        case dbg_cmd::kClear:
          l.sequence = 0;
          l.lines.fill(std::string(DebugList::kLineWidth, ' '));
          d->invalidate(w, nullptr);
          d->update_window(w);
          return 0;
        case dbg_cmd::kAbout:
          d->message_box(w, kBoxAbout, kTitle,
                         std::string("V0.30 ") + KV_BUILD_TIME + " " + KV_BUILD_DATE,
                         mb::kIconInformation | mb::kOk);
          return 0;
        default:
          return d->default_proc(w, message, wparam, lparam);
      }
      MenuBar bar = debug_menu(l);
      d->set_menu(w, &bar);
      return 0;
    }
    case wm::kClose:
      if (d->message_box(w, 0, "Debugging Window Action", "Close the debugging window?",
                         mb::kYesNo | mb::kIconQuestion) == kIdYes)
        d->post({w, wm::kUserQuit, 0, 0, 0, -1});
      return 0;
    case wm::kPaint:
      paint(c, w);
      return 0;
    case wm::kSize: {
      TextMetrics m = d->text_metrics(d->stock_font());
      int rows = (point_y(lparam) & 0xFFFF) / std::max(m.height, 1);
      int cols = (point_x(lparam) & 0xFFFF) / std::max(m.avg_width, 1);
      int vr = std::max(DebugList::kRowCount - rows, 0);
      int hr = std::max(DebugList::kLineWidth - cols, 0);
      g_scroll.row = std::min(g_scroll.row, vr);
      g_scroll.col = std::min(g_scroll.col, hr);
      d->set_scroll(w, Bar::Vertical, vr, g_scroll.row);
      d->set_scroll(w, Bar::Horizontal, hr, g_scroll.col);
      return 0;
    }
    case wm::kVScroll:
    case wm::kHScroll: {
      bool v = message == wm::kVScroll;
      int& pos = v ? g_scroll.row : g_scroll.col;
      int range = v ? DebugList::kRowCount - 1 : DebugList::kLineWidth - 1;
      int req = static_cast<int>(wparam & 0xFFFF);
      int next = pos;
      if (req == scroll_request::kLineUp)
        next -= 1;
      else if (req == scroll_request::kLineDown)
        next += 1;
      else if (req == scroll_request::kPageUp)
        next -= 10;
      else if (req == scroll_request::kPageDown)
        next += 10;
      else if (req == scroll_request::kThumbPosition || req == scroll_request::kThumbTrack)
        next = static_cast<int>((wparam >> 16) & 0xFFFF);
      pos = std::clamp(next, 0, range);
      d->set_scroll(w, v ? Bar::Vertical : Bar::Horizontal, range, pos);
      d->invalidate(w, nullptr);
      return 0;
    }
    default:
      if (message >= wm::kUser && (l.winproc_msgs || l.winproc_mouse_msgs)) {
        debug_message_line(c, message - wm::kUser, wparam, lparam);
        return 0;
      }
      return d->default_proc(w, message, wparam, lparam);
  }
}

extern "C" void SCR_DBM(std::uint8_t* record) {
  static ScrCommon* found = nullptr;
  dbm_module().index();
  if (!record) return;
  if (!found) {
    auto handle = static_cast<WindowId>(get_u32(record + 23));
    Display* d = proc_display();
    if (handle && d) found = static_cast<ScrCommon*>(d->window_data(handle));
  }
  if (found) {
    debug_add_line(*found, std::string_view(reinterpret_cast<const char*>(record + 27), 52));
    put_u32(record + 23, static_cast<std::uint32_t>(found->debug_window));
  }
  std::memset(record + 42, ' ', 38);
}

}  // namespace kv::term
