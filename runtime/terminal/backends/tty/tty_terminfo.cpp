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

}  // namespace kv::term::tty
