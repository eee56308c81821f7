// Messages shown during a dialogue: the error beep of the panel and the
// 80-character text in a status box.
#pragma once

#include <string>
#include <string_view>

#include "runtime/utilities/panel_areas.h"

namespace kv::engine {

// The panel's error beep: PANEL-ERROR-FREQ when 37 < frequency < 10000 and
// PANEL-ERROR-TIME when 0 < duration < 1000, through the display's tone.
void error_beep(const PanelRecord& panel);

// Shows an 80-character text (cut or padded) with the error beep: a kind 1
// box whose text is followed by 172 spaces.
void show_message(const PanelRecord& panel, std::string_view text80);

// Message `n` of the runtime's table, as 80 characters.
std::string runtime_message(int n);

// An application message: 1 is the text of PANEL-MENU-MSG, n above 1 is
// message n + 100 of the table.
std::string application_message(const PanelRecord& panel, int n);

}  // namespace kv::engine
