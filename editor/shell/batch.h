// dsgn32's batch command line: generate copybooks (one panel, all, or the
// revised ones) and EDITMASK.COB, export and import the panel text format,
// list a library.  For scripts and CI: messages on standard error, data
// (the list, an export to "-") on standard output, exit status 0 on
// success, 1 when something could not be done, 2 for a usage error.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kv::editor::shell {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs dsgn32 with `args` (without the program name).  `in` serves
// "--import -".
int run_command_line(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);

}  // namespace kv::editor::shell
