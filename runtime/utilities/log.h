// The event log KORVEXAN.LOG: 227-character lines with a five-digit line
// number, the caller's 35-character identification (blank when it repeats
// the previous line's) and 185 characters of text.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Appends one 221-character caller line (identification, separator, text).
// Shorter lines are padded, longer ones cut.
void log_write(std::string_view line221);

// The directory and full name of the log file: $KORVEXAN_LOGDIR, else the
// current directory.
std::string log_directory();
std::string log_file_name();

// Forgets the first-call state (tests start a fresh log this way).
void log_reset_for_tests();

}  // namespace kv
