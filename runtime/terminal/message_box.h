// Message boxes (module SCR_MB): every runtime module that has to tell the
// user something outside the panel hands a request to this module, which
// chooses the presentation by kind: 0 withdraw the status message, 1 a
// status or warning message (status bar, or a small modeless window when
// there is no status bar), 2 the About box, 3 internal error, 4 system error
// (with the platform's last error), 5 internal error asking to call the
// developer, 6 a trace line only.  It never stops the application.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/terminal/scr_common.h"

namespace kv::term {

// MB-REQUEST.
struct MbRequest {
  std::int32_t style = 0;   // set by SCR_MB for the modal kinds
  std::int32_t result = 0;  // out: the button pressed
  std::string title;        // blank: the kind's default caption
  std::string text;
  std::int16_t kind = 1;
  std::string caller;  // the caller's 35-character identification
};

// SCR_MB.  On return the title and text are blank again and the kind is 1.
void SCR_MB(MbRequest& request, ScrCommon& c);

// Convenience: one request; returns the box result.
int scr_mb(ScrCommon& c, int kind, std::string_view title, std::string_view text,
           std::string_view caller);

// The routine installed as the process's box hook (kv::set_box_hook) once a
// display is chosen: show_box() of every layer goes through SCR_MB.
int box_hook(int kind, std::string_view title, std::string_view text, std::string_view caller_id);

// The text a kind 4 box shows for a last error.
std::string system_error_text(std::string_view caller, std::string_view text,
                              const SystemError& error);

}  // namespace kv::term
