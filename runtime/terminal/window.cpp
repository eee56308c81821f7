#include "runtime/terminal/window.h"

#include <algorithm>
#include <cstdio>

#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/debug_window.h"
#include "runtime/terminal/message_box.h"
#include "runtime/terminal/module_trace.h"
#include "runtime/utilities/boxes.h"

namespace kv::term {

namespace {

// The display of a window being created, for messages that arrive before
// WM_CREATE has linked the window to SCR-COMMON.
Display* g_creating = nullptr;
Display* g_proc_display = nullptr;

ScrCommon* common_of(Display* d, WindowId w) {
  return d ? static_cast<ScrCommon*>(d->window_data(w)) : nullptr;
}

void system_box(ScrCommon& c, const char* text) {
  scr_mb(c, kBoxSystem, "", text, wc_module().id());
}
void internal_box(ScrCommon& c, const char* text) {
  scr_mb(c, kBoxInternal, "", text, wc_module().id());
}

}  // namespace

Display* proc_display() { return g_proc_display; }
void set_proc_display(Display* d) { g_proc_display = d; }

const char* show_command_name(int v) {
  switch (v) {
    case 0:
      return "SW-HIDE (Set to NORMAL)";
    case 1:
      return "SW-SHOWNORMAL";
    case 2:
      return "SW-SHOWMINIMIZED";
    case 3:
      return "SW-SHOWMAXIMIZED";
    case 4:
      return "SW-SHOWNOACTIVATE";
    case 5:
      return "SW-SHOW";
    case 6:
      return "SW-MINIMIZE";
    case 7:
      return "SW-SHOWMINNOACTIVE";
    case 8:
      return "SW-SHOWNA";
    case 9:
      return "SW-RESTORE";
    case 10:
      return "SW-SHOWDEFAULT";
    default:
      return "Unknown CMD-SHOW value";
  }
}

Point window_position(const ScrCommon& c) {
  const Rect& wa = c.work_area;
  int x = c.window_x_origin;
  if (x > wa.right) x = wa.right - 10;
  int y;
  if (c.window_y_origin > wa.bottom) {
    y = wa.bottom - c.caption_height;
  } else {
    int origin = std::max(c.window_y_origin, -c.caption_height);
    y = wa.top + origin;
  }
  return {x, y};
}

int full_client_width(const ScrCommon& c) { return c.screen_columns * c.metrics.avg_width; }
int full_client_height(const ScrCommon& c) {
  return c.screen_rows * c.metrics.height + c.status_bar_height;
}

void set_status_parts(ScrCommon& c) {
  if (!c.display || !c.status_bar) return;
  int w = full_client_width(c) - c.work_area.left;
  int p1 = w / 8;
  int p2 = p1 + w / 6;
  int p3 = p2 + w / 6;
  c.display->set_status_parts(c.status_bar, {p1, p2, p3, -1});
  c.status_bar_height = c.display->status_bar_height(c.status_bar);
}

void SCR_WC(ScrCommon& c) {
  TraceModule& t = wc_module();
  t.index();
  Display* d = c.display;
  if (!d) return;
  set_proc_display(d);
  if (c.wc_called) {
    // Close-down: the class goes; a later need of the window starts over.
    if (c.class_registered && !d->unregister_class(c.class_name))
      t("UnregisterClass", c.class_name, "failed");
    c.class_registered = false;
    c.wc_called = false;
    return;
  }
  c.wc_called = true;

  // 1. Module instance.
  c.module_instance = d->module_instance();
  if (!c.module_instance) system_box(c, "GetModuleHandleA failed!");
  if (!c.module_instance) {
    system_box(c, "Initialization failed (hInstance=0)!");
    return;
  }
  // 2. Start-up show state.
  if (std::optional<int> s = d->startup_show_state()) {
    c.show_command = *s;
    t("USESHOWWINDOW", "TRUE", num(*s));
  } else {
    t("USESHOWWINDOW", "FALSE", num(c.show_command));
  }
  t("CMD-SHOW", show_command_name(c.show_command), num(c.show_command));
  if (c.show_command == show::kHide) c.show_command = show::kShowNormal;
  // 3. Style.
  std::uint32_t st =
      style::kCaption | style::kThickFrame | style::kMaximizeBox | style::kMinimizeBox;
  if (c.system_menu_option == '0') st |= style::kSysMenu;
  // 4. Menu height (1 is added also without a window menu).
  SystemMetrics sm = d->system_metrics();
  c.menu_height = (c.menu_option == '2' ? 0 : sm.menu_height) + 1;
  // 5. Class "Korvexan001".."Korvexan255".
  WindowClass cls;
  cls.proc = &SCR_WP;
  cls.double_clicks = true;
  cls.instance = c.module_instance;
  c.class_registered = false;
  for (int n = 1; n <= 255; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "Korvexan%03d", n);
    cls.name = name;
    if (d->register_class(cls)) {
      c.class_name = name;
      c.class_registered = true;
      break;
    }
  }
  if (!c.class_registered) internal_box(c, "RegisterClass failed!");
  t("RegisterClass", c.class_name);
  // 6. System metrics.
  c.frame_width = sm.frame_width;
  c.frame_height = sm.frame_height;
  c.border_width = sm.border_width;
  c.border_height = sm.border_height;
  c.caption_height = sm.caption_height - 1;
  c.vscroll_width = sm.vscroll_width + 1;
  c.hscroll_height = sm.hscroll_height + 1;
  c.frame_width_extra = 2 * c.frame_width;
  c.frame_height_extra = 2 * c.frame_height + c.caption_height + c.menu_height;
  // 7. Font and cell size.
  Handle font = d->create_font(c.creation_font);
  if (!font) internal_box(c, "CreateFontIndirect failed!");
  c.font = c.creation_font;
  c.metrics = d->text_metrics(font);
  if (font) d->delete_font(font);
  // 8. Work area and full sizes.
  c.work_area = d->work_area();
  c.full_client_height = c.screen_rows * c.metrics.height;
  c.full_outer_height = c.full_client_height + c.frame_height_extra;
  c.full_client_width = c.screen_columns * c.metrics.avg_width;
  c.full_outer_width = c.full_client_width + c.frame_width_extra;
  // 9. Position.
  Point at = window_position(c);
  c.window_x = at.x;
  c.window_y = at.y;
  // 10. Create.
  if (!c.menu_built) SCR_MP({"", "", "", "", ""}, c);
  CreateParams p;
  p.class_name = c.class_name;
  p.title = c.window_title;
  p.style = st;
  p.x = at.x;
  p.y = at.y;
  p.width = c.window_width;
  p.height = c.window_height;
  p.menu = c.menu_option == '2' ? nullptr : &c.menu;
  p.instance = c.module_instance;
  p.param = &c;
  g_creating = d;
  WindowId w = c.class_registered ? d->create_window(p) : 0;
  g_creating = nullptr;
  c.window = w;
  if (!w) {
    internal_box(c, "CreateWindowEx failed!");
    return;
  }
  t("CreateWindowEx", "hWnd", num(static_cast<long>(w)));
  // 11. Status bar parts.
  set_status_parts(c);
  // 12. Placement.
  Placement pl;
  pl.length = 44;
  pl.flags = 0;
  pl.show_command = c.show_command;
  pl.min_position = {-1, -1};
  pl.max_position = {c.window_x_origin_max, c.window_y_origin_max};
  pl.normal = {at.x, at.y, at.x + c.window_width, at.y + c.window_height};
  c.placement = pl;
  if (!d->set_placement(w, pl)) system_box(c, "SetWindowPlacement failed!");
  // 13. Show.
  d->show_window(w, pl.show_command);
  if (c.system_menu_option == '0') {
    c.close_item_enabled = c.panel_close_value > 0 || c.global_close_value > 0;
    d->set_close_enabled(w, c.close_item_enabled);
  }
  d->post({w, wm::kUserCopy, 0, 0, 0, -1});
}

void min_max_info(ScrCommon& c, MinMaxInfo& mm) {
  int fw = full_client_width(c), fh = full_client_height(c);
  c.full_client_width = fw;
  c.full_client_height = fh;
  mm.max_size = {fw + c.frame_width_extra, fh + c.frame_height_extra};
  mm.max_track_size = mm.max_size;
  if (c.current_width < fw) mm.max_track_size.y += c.hscroll_height - 1;
  if (c.current_height < fh) mm.max_track_size.x += c.vscroll_width - 1;
}

namespace {

void set_bars(ScrCommon& c) {
  if (!c.display || !c.window) return;
  c.display->set_scroll(c.window, Bar::Vertical, c.vscroll_range, c.vscroll);
  c.display->set_scroll(c.window, Bar::Horizontal, c.hscroll_range, c.hscroll);
}

void remove_bars(ScrCommon& c) {
  if (c.vscroll_range != 0) {
    c.vscroll_range = 0;
    c.vscroll = 0;
  }
  if (c.hscroll_range != 0) {
    c.hscroll_range = 0;
    c.hscroll = 0;
  }
  set_bars(c);
}

}  // namespace

void scroll_bookkeeping(ScrCommon& c, int cx, int cy) {
  int fw = full_client_width(c), fh = full_client_height(c);
  if (cy >= fh && cx >= fw) {
    remove_bars(c);
    return;
  }
  int cx2 = cx, cy2 = cy;
  if (c.vscroll_range != 0 && cx < fw) cx2 = cx + c.vscroll_width;
  if (c.hscroll_range != 0 && cy < fh) cy2 = cy + c.hscroll_height;
  if (cy2 >= fh && cx2 >= fw) {
    remove_bars(c);
    return;
  }
  c.vscroll_range = std::max(fh - cy, 0);
  c.hscroll_range = std::max(fw - cx, 0);
  c.vscroll = std::max(std::min(c.vscroll, c.vscroll_range), 0);
  c.hscroll = std::max(std::min(c.hscroll, c.hscroll_range), 0);
  set_bars(c);
}

void maximise(ScrCommon& c) {
  c.vscroll_range = c.vscroll = c.hscroll_range = c.hscroll = 0;
  if (c.display && c.window)
    c.display->move_window(c.window, c.window_x_origin_max, c.window_y_origin_max, 32000, 32000,
                           true);
  set_bars(c);
}

void scroll(ScrCommon& c, Bar bar, int request, int thumb) {
  bool vertical = bar == Bar::Vertical;
  std::int32_t& pos = vertical ? c.vscroll : c.hscroll;
  std::int32_t range = vertical ? c.vscroll_range : c.hscroll_range;
  std::int32_t& step_field = vertical ? c.vscroll_step : c.hscroll_step;
  int page = 5 * (vertical ? c.metrics.height : c.metrics.avg_width);
  int step;
  switch (request) {
    case scroll_request::kLineUp:
      step = -1;
      break;
    case scroll_request::kLineDown:
      step = 1;
      break;
    case scroll_request::kPageUp:
      step = -page;
      break;
    case scroll_request::kPageDown:
      step = page;
      break;
    case scroll_request::kThumbPosition:
    case scroll_request::kThumbTrack:
      step = thumb - pos;
      break;
    default:
      step = 0;
      break;
  }
  step_field = step;
  int next = pos + step;
  int amount = 0;
  if (next == range) {
    amount = -step;
    pos = range;
  } else if (next < 0) {
    if (pos > 0) {
      amount = pos;
      pos = 0;
    }
  } else if (next > range) {
    if (pos < range) {
      amount = pos - range;
      pos = range;
    }
  } else {
    pos = next;
    amount = -step;
  }
  Display* d = c.display;
  if (!d || !c.window) return;
  d->set_scroll(c.window, bar, range, pos);
  if (amount != 0) {
    if (vertical)
      d->scroll_window(c.window, 0, amount);
    else
      d->scroll_window(c.window, amount, 0);
    d->update_window(c.window);
    d->set_caret_pos(c.caret_x - c.hscroll, c.caret_y - c.vscroll);
  }
}

void new_font(ScrCommon& c) {
  Display* d = c.display;
  if (!d) return;
  Handle f = d->create_font(c.font);
  c.metrics = d->text_metrics(f);
  if (f) d->delete_font(f);
  compute_caret(c);
  if (!c.window) return;
  d->set_caret_pos(c.caret_x - c.hscroll, c.caret_y - c.vscroll);
  Rect r = d->window_rect(c.window);
  d->invalidate(c.window, nullptr);
  // The window is asked to grow and the maximum tracking size trims it to
  // the new cell size.  (Its right and bottom edges as the size would not
  // grow a window that stands at the screen's origin.)
  d->move_window(c.window, r.left, r.top, std::max(r.right, 32000), std::max(r.bottom, 32000),
                 true);
}

void update_indicators(ScrCommon& c) {
  Display* d = c.display;
  if (!d || !c.window || !c.status_bar) return;
  int ins = c.insert_flag == 'Y' ? 1 : 0;
  int caps = (d->key_state(vk::kCapital) & kKeyToggled) ? 1 : 0;
  int numl = (d->key_state(vk::kNumLock) & kKeyToggled) ? 1 : 0;
  if (ins != c.shown_insert) {
    c.shown_insert = ins;
    d->set_status_text(c.status_bar, 1, ins ? "INS" : "OVR ", ins != 0);
  }
  if (caps != c.shown_caps) {
    c.shown_caps = caps;
    d->set_status_text(c.status_bar, 2, caps ? "CAPS" : "Caps", caps != 0);
  }
  if (numl != c.shown_num) {
    c.shown_num = numl;
    d->set_status_text(c.status_bar, 3, numl ? "NUM" : "Num", numl != 0);
  }
}

void close_confirmation(ScrCommon& c) {
  Display* d = c.display;
  if (!d) return;
  int answer = d->message_box(c.window, 0, "Close", "Do you really want to quit?",
                              mb::kYesNo | mb::kIconQuestion | mb::kDefButton2);
  if (answer == kIdYes) {
    d->post({c.window, wm::kUserQuit, 0, 0, 0, -1});
    wp_module()("WM_CLOSE", "IDYES (Quit)");
  } else {
    wp_module()("WM_CLOSE", "IDNO (Ignore)");
  }
}

void update_edit_menu(ScrCommon& c) {
  Display* d = c.display;
  if (!d) return;
  bool copy = c.current_field_length > 0;
  bool paste = copy && d->clipboard_has_text();
  bool changed = c.menu.set_grayed(cmd::kCopy, !copy);
  changed = c.menu.set_grayed(cmd::kPaste, !paste) || changed;
  c.copy_enabled = copy;
  c.paste_enabled = paste;
  if (changed && c.window && c.menu_option != '2') d->set_menu(c.window, &c.menu);
}

void copy_field(ScrCommon& c) {
  Display* d = c.display;
  if (!d || c.current_field_length <= 0) return;
  std::string image = c.field_image.substr(
      0, std::min<std::size_t>(c.field_image.size(),
                               static_cast<std::size_t>(c.current_field_length)));
  image.resize(static_cast<std::size_t>(c.current_field_length), ' ');
  if (!d->clipboard_set_text(c.window, image)) return;
  if (c.window) d->send(c.window, wm::kUserCopy, 0, 0);
}

void paste_clipboard(ScrCommon& c) {
  Display* d = c.display;
  if (!d || c.current_field_length <= 0 || !d->clipboard_has_text()) return;
  std::optional<std::string> text = d->clipboard_text();
  if (!text) return;
  std::string t = text->substr(0, text->find('\0'));
  // One field takes one line: a line break would arrive as Enter and end
  // the dialogue, so pasting stops before it.
  std::size_t br = t.find_first_of("\r\n");
  if (br != std::string::npos) t.resize(br);
  int room = c.paste_room > 0 ? c.paste_room : 0;
  if (t.size() > static_cast<std::size_t>(room)) t.resize(static_cast<std::size_t>(room));
  c.paste_buffer = t;
  c.paste_next = 0;
  c.pasting = !t.empty();
}

void menu_command(ScrCommon& c, int command, KeyEvent& ev) {
  Display* d = c.display;
  if (!d) return;
  if (command >= 9000) {
    // A grayed item is not carried out.  Copy and Paste test their own
    // conditions when chosen, since the field under the cursor may have
    // changed since the Edit menu was last brought up to date.
    if (const MenuItem* item = c.menu.find(command);
        item && item->grayed && command != cmd::kCopy && command != cmd::kPaste)
      return;
    switch (command) {
      case cmd::kExit:
        d->send(c.window, wm::kClose, 0, 0);
        return;
      case cmd::kPrintScreen:
        return;  // always grayed
      case cmd::kCopy:
        copy_field(c);
        return;
      case cmd::kPaste:
        paste_clipboard(c);
        return;
      case cmd::kFonts: {
        LogicalFont lf = c.font;
        std::uint32_t error = 0;
        if (d->choose_font(c.window, lf, error)) {
          lf.charset = kOemCharset;
          c.font = lf;
          d->post({c.window, wm::kUserNewFont, 0, 0, 0, -1});
        } else if (error != 0) {
          scr_mb(c, kBoxSystem, "",
                 "ChooseFontA failed! CommDlgExtendedError= " + std::to_string(error),
                 wp_module().id());
        }
        return;
      }
      case cmd::kDebugger:
        if (!c.debug_window) SCR_DB('Y', c);
        return;
      case cmd::kAbout:
        scr_mb(c, kBoxAbout, c.about_title, c.about_text, wp_module().id());
        return;
      default:
        break;
    }
  }
  if (command < 1 || static_cast<std::size_t>(command) > c.key_items.size()) return;
  const ScrCommon::KeyMenuItem& k = c.key_items[static_cast<std::size_t>(command - 1)];
  ev.status = 'Y';
  ev.character = static_cast<std::uint16_t>(k.character);
  ev.extended = static_cast<std::uint16_t>(k.extended);
  ev.scan = kScanQuitOrMenu;
}

std::intptr_t SCR_WP(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam) {
  Display* d = g_creating;
  ScrCommon* cp = nullptr;
  if (message == wm::kCreate) {
    auto* p = reinterpret_cast<const CreateParams*>(lparam);
    cp = static_cast<ScrCommon*>(p->param);
    d = cp->display;
    d->set_window_data(window, cp);
    cp->window = window;
    wp_module()("WM_CREATE", "Shared data");
    d->set_timer(window, kMainTimerId, kMainTimerMs);
    cp->status_bar = d->create_status_bar(window);
    cp->shown_insert = cp->shown_caps = cp->shown_num = -1;
    d->get_placement(window, cp->placement);
    return 0;
  }
  if (!d) d = proc_display();
  cp = common_of(d, window);
  if (!cp) return d ? d->default_proc(window, message, wparam, lparam) : 0;
  ScrCommon& c = *cp;
  switch (message) {
    case wm::kGetMinMaxInfo:
      min_max_info(c, *reinterpret_cast<MinMaxInfo*>(lparam));
      return 0;
    case wm::kWindowPosChanging: {
      auto* pos = reinterpret_cast<WindowPos*>(lparam);
      c.current_width = pos->width;
      c.current_height = pos->height;
      return d->default_proc(window, message, wparam, lparam);
    }
    case wm::kSize: {
      if (c.status_bar) d->size_status_bar(c.status_bar);
      int cx = point_x(lparam) & 0xFFFF, cy = point_y(lparam) & 0xFFFF;
      if (wparam == size_kind::kRestored)
        scroll_bookkeeping(c, cx, cy);
      else if (wparam == size_kind::kMaximized)
        maximise(c);
      else
        return d->default_proc(window, message, wparam, lparam);
      return 0;
    }
    case wm::kSysCommand: {
      std::uintptr_t kind = wparam & 0xFFF0;
      if (kind == sys_command::kKeyMenu || kind == sys_command::kNextWindow ||
          kind == sys_command::kPrevWindow)
        wp_module()("WM_SYSCOMMAND", "", num(static_cast<long>(kind)));
      return d->default_proc(window, message, wparam, lparam);
    }
    case wm::kVScroll:
    case wm::kHScroll:
      scroll(c, message == wm::kVScroll ? Bar::Vertical : Bar::Horizontal,
             static_cast<int>(wparam & 0xFFFF), static_cast<int>((wparam >> 16) & 0xFFFF));
      return 0;
    case wm::kMouseActivate:
      // A click that activates the window is not also taken as a click in
      // the panel; on the frame it activates as usual.
      return (lparam & 0xFFFF) == kHitClient ? kMouseActivateAndEat : kMouseActivate;
    case wm::kSetFocus:
      if (c.caret_enabled == 'Y') {
        d->create_caret(window, c.caret_width, c.caret_height);
        d->show_caret(window);
        d->set_caret_pos(c.caret_x - c.hscroll, c.caret_y - c.vscroll);
      }
      d->show_pointer(true);
      return 0;
    case wm::kKillFocus:
      d->hide_caret(window);
      d->destroy_caret();
      d->show_pointer(false);
      return 0;
    case wm::kClose:
      close_confirmation(c);
      return 0;
    case wm::kNcHitTest: {
      std::intptr_t hit = d->default_proc(window, message, wparam, lparam);
      if (hit == kHitClient && c.pointer_handle) d->set_pointer(c.pointer_handle);
      return hit;
    }
    case wm::kDestroy:
      d->kill_timer(window, kMainTimerId);
      d->post({0, wm::kQuit, 0, 0, 0, -1});
      return 0;
    case wm::kPaint: {
      Rect r = d->begin_paint(window);
      paint_cells(c, window, r);
      d->end_paint(window);
      return 0;
    }
    case wm::kEraseBackground:
      return 0;
    case wm::kUserNewFont:
      new_font(c);
      return 0;
    case wm::kUserCopy:
      update_edit_menu(c);
      return 0;
    default:
      return d->default_proc(window, message, wparam, lparam);
  }
}

}  // namespace kv::term
