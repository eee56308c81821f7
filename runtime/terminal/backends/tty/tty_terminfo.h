// Terminal descriptions, looked up apart from the terminal in use.
#pragma once

#include <string>

namespace kv::term::tty {

// Whether the terminal description of a terminal type can be found.
bool terminal_known(const char* name, int fd);
// A string capability of a terminal type's description; empty when the
// type or the capability is unknown.
std::string terminfo_string(const char* name, const char* capability);

}  // namespace kv::term::tty
