// Whether the terminal description of a terminal type can be found.
#pragma once

namespace kv::term::tty {

bool terminal_known(const char* name, int fd);

}  // namespace kv::term::tty
