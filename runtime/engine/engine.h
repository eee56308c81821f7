// What one panel call does: the engine's entry from CELLVIEW.
#pragma once

#include <cstdint>

namespace kv::engine {

// Runs one panel call on the application's four areas.  Returns when the
// dialogue ends; fatal panel errors abort the process.
void panel_call(std::uint8_t* panel, std::uint8_t* pass_to_exit, std::uint8_t* work_s,
                std::uint8_t* work_d);

// Tests the kept option tables before a panel call: a tag that is gone
// switches its feature off silently; unreadable storage switches it off
// with a warning box.
void check_kept_tables();

}  // namespace kv::engine
