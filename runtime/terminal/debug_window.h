// The debugging window (modules SCR_DB and SCR_DBM): a second top-level
// window, "Korvexan/Windows Debugging Window", that lists newest first the
// short lines runtime modules send it and, on request, the window messages
// that reach it.  The list lives in SCR-COMMON and survives closing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/terminal/scr_common.h"

namespace kv::term {

// SCR_DB: "Y" opens the window (only when it is not open), "N" closes it.
void SCR_DB(char open_close, ScrCommon& c);

// SCR_DBM: adds a line.  The record's bytes 24-27 (from 1) hold on the
// first call the main window's handle, through which SCR-COMMON is found,
// and receive the debugging window's handle; bytes 28-79 hold the 52
// characters of the line.  Afterwards bytes 43-80 are spaces again, so the
// caller keeps the head of its line.  The record is at least 80 bytes.
extern "C" void SCR_DBM(std::uint8_t* record);

// Adds a line at the top of the list (the oldest of 50 is lost) and
// repaints an open window.
void debug_add_line(ScrCommon& c, std::string_view line);

// The message-name table: display class "0" shown with message lines on,
// "1" only with "&WinProc Mouse Msgs" checked, "2" never.
struct MessageName {
  char klass;
  const char* name;
  std::uint32_t number;
};
const MessageName* find_message_name(std::uint32_t number);
int message_name_count();

// Adds the line for a window message, when the classes and check marks
// allow it; the sequence number runs 1..9998 and starts again.
void debug_message_line(ScrCommon& c, std::uint32_t message, std::uintptr_t wparam,
                        std::intptr_t lparam);

// Commands of the debugging window's menu.
namespace dbg_cmd {
inline constexpr int kWinProcMsgs = 10;
inline constexpr int kWinProcMouseMsgs = 11;
inline constexpr int kCommonData = 12;
inline constexpr int kClear = 13;
inline constexpr int kAbout = 21;
}  // namespace dbg_cmd

// The debugging window's procedure.
std::intptr_t debug_window_proc(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam);

}  // namespace kv::term
