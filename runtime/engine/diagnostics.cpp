#include "runtime/engine/diagnostics.h"

#include <cstdio>
#include <cstdlib>

#include "kv/build_info.h"
#include "runtime/engine/tables.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/modules.h"

namespace kv::engine {

namespace {
char g_switch = ' ';
std::string g_last_exit(8, ' ');
AbortHook g_abort_hook = nullptr;
}  // namespace

void set_abort_hook(AbortHook hook) { g_abort_hook = hook; }

int engine_module() {
  static int index = modules().register_module("CELLVIEW", KV_VERSION, KV_REVISION);
  return index;
}

char trace_switch() { return g_switch; }

void refresh_trace_switch() { g_switch = modules().trace(engine_module()); }

void log(std::string_view action, std::string_view object, std::string_view value) {
  if (g_switch != 'L') return;
  kv::trace(engine_module(), action, object, value);
}

void warning_box(int kind, std::string_view text) {
  if (kind != kBoxDeveloper || g_switch == 'L' || g_switch == 'P')
    show_box(kind, modules().identification(engine_module()), text,
             modules().identification(engine_module()));
  log(text);
}

void set_last_exit_name(std::string_view name8) { g_last_exit = padded(name8, 8); }

std::string abort_title(int reason, std::string_view panel_name) {
  return std::string("KORVEXAN ") + KV_REVISION + " (" + KV_BUILD_TIME_LONG + KV_BUILD_DATE +
         ") aborted in panel " + padded(panel_name, 8) + " Reason = " + zero_padded(reason, 4);
}

std::string abort_text(int reason, char base_color) {
  if (reason == 0) return {};
  // The text ends at its first X'00'; the blanks that pad it to 80 are not shown.
  std::string msg(trim_right(up_to_nul(tables().message(reason))));
  if (reason == 1 || reason == 34) return std::string(1, base_color) + msg;
  if (reason == 2 || reason == 5 || reason == 11) return g_last_exit + msg;
  return msg;
}

void abort_panel(int reason, std::string_view panel_name, char base_color) {
  std::string title = abort_title(reason, panel_name);
  std::string text = abort_text(reason, base_color);
  show_box(kBoxInternal, title, text, modules().identification(engine_module()));
  // The explanation goes in the value field, where it is not cut to the
  // object's 22 characters.
  log("Korvexan Internal Error!", "", text);
  log("Korvexan Terminating...");
  // Standard error always carries the explanation, whatever the display.
  std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
  if (g_abort_hook) g_abort_hook(reason);
  std::exit(kAbortExitStatus);
}

}  // namespace kv::engine
