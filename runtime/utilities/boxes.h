// The message-box seam of the lowest layer.  Utilities and the engine show
// boxes (the event log's first-call notice, warnings, aborts) through this
// hook; the terminal layer installs the real message-box routine for the
// chosen display.  Until then boxes go to standard error in the form the
// headless display uses, so nothing is ever shown silently.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Box kinds of the message-box routine.
enum BoxKind : int {
  kBoxWithdraw = 0,
  kBoxStatus = 1,
  kBoxAbout = 2,
  kBoxInternal = 3,
  kBoxSystem = 4,
  kBoxDeveloper = 5,
  kBoxTrace = 6,
};

// Shows a box; returns the box result (the button pressed; 1 for OK).
using BoxHook = int (*)(int kind, std::string_view title, std::string_view text,
                        std::string_view caller_id);
void set_box_hook(BoxHook hook);
// The hook installed (null: the standard-error default).
BoxHook get_box_hook();
int show_box(int kind, std::string_view title, std::string_view text,
             std::string_view caller_id = {});

// The reason a kind 4 box reports after its text ("Error code: N / text"),
// for a failure outside the display (a user exit that does not load).  Set
// just before show_box(); the next show_box() consumes it, so it never
// reaches a later box.  Without it the box reports the display's last error.
struct SystemFailure {
  std::uint32_t code = 0;
  std::string text;
};
void set_system_failure(std::uint32_t code, std::string text);
std::optional<SystemFailure> pending_system_failure();

// The default rendering: "BOX <kind> <title> | <text>" on standard error,
// line breaks shown as " / ".  Exposed for backends that render the same way.
int stderr_box(int kind, std::string_view title, std::string_view text, std::string_view caller_id);
std::string one_line(std::string_view text);
// The caption of a kind when the request's title is blank.
std::string default_caption(int kind);
// The text a box of `kind` shows: kinds 3 to 5 put the caller's
// identification first; kind 5 adds the request to call the developer.
std::string compose_text(int kind, std::string_view text, std::string_view caller_id);

}  // namespace kv
