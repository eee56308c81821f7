// The engine's event log, its warning boxes and the abort: a fatal panel
// error is explained in a message box and on standard error, logged, and
// ends the process.
#pragma once

#include <string>
#include <string_view>

namespace kv::engine {

// Index of the engine (CELLVIEW) in the module table; it registers first.
int engine_module();

// The engine's switch for this call: "L" log, "P" boxes only.
char trace_switch();
// Copies the module-table entry into the engine's switch (start of a call).
void refresh_trace_switch();

// Appends an engine trace line when the switch is "L".
void log(std::string_view action, std::string_view object = {}, std::string_view value = {});

// A warning box titled with the engine's identification.  Kind 5 boxes
// show only while the switch is "L" or "P"; every text is logged.
void warning_box(int kind, std::string_view text);

// Name of the user exit last named, for abort texts of reasons 2, 5, 11.
void set_last_exit_name(std::string_view name8);

// Ends the process after explaining the reason: title and text in a kind 3
// box, on standard error and in the log.  `panel_name` is the 8-character
// panel name ("N/A" and five spaces for function calls), `base_color` the
// panel's base-colour digit for reasons 1 and 34.
[[noreturn]] void abort_panel(int reason, std::string_view panel_name, char base_color = ' ');

// The abort's title and text (exposed for tests).
std::string abort_title(int reason, std::string_view panel_name);
std::string abort_text(int reason, char base_color);

// Called by abort_panel() after the explanation and before the process
// ends; a hook that does not return (throws) keeps the process alive.  For
// harnesses that feed malformed panels on purpose (the fuzz target).
using AbortHook = void (*)(int reason);
void set_abort_hook(AbortHook hook);

// Process exit status of an abort.
inline constexpr int kAbortExitStatus = 16;

}  // namespace kv::engine
