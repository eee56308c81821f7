#include "runtime/terminal/pump.h"

#include "runtime/terminal/debug_window.h"
#include "runtime/terminal/module_trace.h"
#include "runtime/terminal/window.h"
#include "runtime/utilities/data_utils.h"

namespace kv::term {

namespace {

void quit_event(KeyEvent& ev) {
  ev.status = 'Q';
  ev.scan = kScanQuitOrMenu;
  ev.character = 0;
  ev.extended = 0;
}

void drop_event(ScrCommon& c, const Message& m, EventArea& a) {
  Display& d = *c.display;
  auto drop = static_cast<Handle>(m.wparam);
  Drops& dr = c.drops;
  if (!dr.accepting) {
    d.drop_finish(drop);
    return;
  }
  // A new drop replaces one the application never released.
  if (dr.held && dr.handle != drop) d.drop_finish(dr.handle);
  dr.handle = drop;
  dr.held = true;
  dr.count = static_cast<std::int32_t>(d.drop_files(drop).size() % 10000);
  Point p;
  d.drop_point(drop, p);
  int cw = std::max(c.metrics.avg_width, 1), ch = std::max(c.metrics.height, 1);
  a.drop_row = (p.y + c.vscroll) / ch + 1;
  a.drop_col = (p.x + c.hscroll) / cw + 1;
  a.drop_count = dr.count;
  a.key.status = 'Y';
  a.key.character = 0;
  a.key.extended = static_cast<std::uint16_t>(dr.key_code);
  a.key.scan = kScanDrop;
}

// Step 6: one input message for the main window.
void handle_input(ScrCommon& c, const Message& m, EventArea& a) {
  Display& d = *c.display;
  KeyEvent& ev = a.key;
  switch (m.message) {
    case wm::kKeyDown:
      d.translate(m);
      translate_key_down(c, m, ev);
      return;
    case wm::kSysKeyDown:
      d.translate(m);
      translate_sys_key_down(c, m, ev);
      return;
    case wm::kSysKeyUp:
      translate_sys_key_up(c, m, ev);
      return;
    case wm::kChar:
      translate_char(c, m, ev);
      return;
    case wm::kSysChar:
      translate_sys_char(c, m, ev);
      return;
    case wm::kCommand:
      menu_command(c, static_cast<int>(m.wparam & 0xFFFF), ev);
      return;
    case wm::kDropFiles:
      drop_event(c, m, a);
      return;
    default:
      break;
  }
  if (m.message >= wm::kMouseMove && m.message <= wm::kMButtonDblClk) {
    handle_mouse(c, m, a);
    return;
  }
  d.dispatch(m);
}

}  // namespace

void SCR_AMP(ScrCommon& c, EventArea& a) {
  amp_module().index();
  Display* dp = c.display;
  KeyEvent& ev = a.key;
  if (!dp) {
    ev.status = 'N';
    return;
  }
  Display& d = *dp;
  Message m;
  bool quit = false;
  // 1. Window management.
  while (d.peek(m, 0, 0x0000, 0x00FF, true)) {
    if (m.message == wm::kUserQuit)
      quit = true;
    else
      d.dispatch(m);
  }
  // 2. The range between input and the private messages.
  while (d.peek(m, 0, 0x0310, 0x0400, true)) d.dispatch(m);
  // 3. Nothing yet.
  ev.status = 'N';
  ev.scan = 0;
  if (quit) quit_event(ev);
  if (a.wait_mode != kWaitNone && !quit) {
    // 4. The runtime's private messages, or the next pasted character.
    bool found = d.peek(m, 0, 0x0400, 0xFFFFFFFFu, true);
    if (!found && c.pasting) {
      ev.status = 'Y';
      ev.character = static_cast<std::uint8_t>(c.paste_buffer[c.paste_next++]);
      ev.extended = 0;
      ev.scan = kScanPaste;
      if (c.paste_next >= c.paste_buffer.size()) {
        c.pasting = false;
        c.paste_buffer.clear();
        c.paste_next = 0;
      }
    } else {
      // 5. One input message.
      if (!found) found = d.peek(m, 0, 0x0100, 0x030F, true);
      // 6. Handle it.
      if (found) {
        if (m.window == c.window && c.window != 0) {
          if (m.message == wm::kUserQuit)
            quit_event(ev);
          else
            handle_input(c, m, a);
        } else if (m.window != 0 && m.window == c.debug_window && m.message == wm::kUserQuit) {
          SCR_DB('N', c);
        } else {
          d.dispatch(m);
        }
      } else if (a.wait_mode == kWaitBlock) {
        d.wait_message();
      }
    }
    // 7. A close key is not returned: the window asks to confirm instead.
    if (ev.status == 'Y' && is_close_key(c, ev.extended)) {
      ev.extended = 0;
      ev.status = 'N';
      if (c.window) d.send(c.window, wm::kClose, 0, 0);
    }
  }
  // 8. Status bar indicators.
  update_indicators(c);
}

}  // namespace kv::term
