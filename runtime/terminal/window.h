// The main window (modules SCR_WC and SCR_WP): registration, creation,
// placement and sizing of the one window that shows the cell screen, its
// status bar, the window procedure and what the menu commands do.  All of
// it is plain logic over the display interface.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/terminal/keys.h"
#include "runtime/terminal/scr_common.h"

namespace kv::term {

// SCR_WC.  First call: create, place and show the window.  Every later
// call: unregister the window class (close-down).
void SCR_WC(ScrCommon& c);

// SCR_WP: the window procedure of the main window's class.
std::intptr_t SCR_WP(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                     std::intptr_t lparam);

// The display whose windows the window procedures serve (set when a window
// is created).
Display* proc_display();
void set_proc_display(Display* d);

// The name under which a show command is logged.
const char* show_command_name(int show_command);

// Window position from the settings-file origin and the work area: x
// beyond the work area's right edge becomes right - 10; y beyond its
// bottom becomes bottom - caption height, otherwise y is raised to at
// least minus the caption height and taken from the work area's top.
Point window_position(const ScrCommon& c);

// Full client size: columns x cell width, rows x cell height plus the
// status bar.
int full_client_width(const ScrCommon& c);
int full_client_height(const ScrCommon& c);
// WM_GETMINMAXINFO.
void min_max_info(ScrCommon& c, MinMaxInfo& mm);
// WM_SIZE "restored": which scroll bars show and their ranges.
void scroll_bookkeeping(ScrCommon& c, int cx, int cy);
// WM_SIZE "maximised".
void maximise(ScrCommon& c);
// WM_VSCROLL / WM_HSCROLL.
void scroll(ScrCommon& c, Bar bar, int request, int thumb);
// WM-USER-NEWFONT.
void new_font(ScrCommon& c);
// The status bar's four parts from the full client width.
void set_status_parts(ScrCommon& c);
// Part 2-4 indicators, written only when a state changed.
void update_indicators(ScrCommon& c);
// WM_CLOSE: "Do you really want to quit?"; Yes posts WM-USER-QUIT.
void close_confirmation(ScrCommon& c);
// WM-USER-COPY: Copy and Paste enabled or grayed.
void update_edit_menu(ScrCommon& c);

// Menu commands 9002-9009 (a grayed command is ignored).  Key-menu items
// (other numbers) fill `event` as the key typed, scan byte 254.
void menu_command(ScrCommon& c, int command, KeyEvent& event);
// Copy the published field image to the clipboard; paste clipboard text
// as typed characters.
void copy_field(ScrCommon& c);
void paste_clipboard(ScrCommon& c);

}  // namespace kv::term
