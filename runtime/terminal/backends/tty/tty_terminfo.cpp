// The terminal description check, apart from the rest of the display:
// <term.h> defines a macro for every capability name (lines, columns,
// buttons, ...), which must not reach ordinary code.
#include "runtime/terminal/backends/tty/tty_terminfo.h"

#define NCURSES_NOMACROS 1
#include <curses.h>
#include <term.h>

namespace kv::term::tty {

bool terminal_known(const char* name, int fd) {
  if (!name || !*name) return false;
  TERMINAL* previous = cur_term;
  int err = 0;
  bool ok = setupterm(name, fd, &err) == OK && err == 1;
  if (ok && cur_term != previous) del_curterm(cur_term);
  set_curterm(previous);
  return ok;
}

std::string terminfo_string(const char* name, const char* capability) {
  if (!name || !*name) return {};
  TERMINAL* previous = cur_term;
  int err = 0;
  std::string value;
  if (setupterm(name, -1, &err) == OK && err == 1) {
    char* s = tigetstr(capability);
    if (s && s != reinterpret_cast<char*>(-1)) value = s;
    if (cur_term != previous) del_curterm(cur_term);
  }
  set_curterm(previous);
  return value;
}

}  // namespace kv::term::tty
