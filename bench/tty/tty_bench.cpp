// What the tty display writes to a terminal: a child process shows an
// 80 x 25 screen through the window logic on a pseudo-terminal; this
// process reads the terminal's side and counts the bytes of each step.
//
//   bench_tty [iterations] [TERM]
//
// Steps: a full repaint (every cell of the 80 x 25 screen changes, in
// several colours) and a one-field change (ten cells of an input field get
// new text and the caret goes back to the start of the field).  Time is the child's
// own time for the step: the cell writes, the pump pass that paints and
// the terminal writes, not the reading here.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/terminal/backends/tty/tty_display.h"
#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/terminal.h"

using namespace kv::term;

namespace {

// The child ends each step with a marker in the terminal stream itself,
// "ESC ] 9999 ; step ; nanoseconds BEL", so that the bytes between two
// markers are exactly those of one step.  Steps: 0 start, 1 full repaint,
// 2 field change.
constexpr const char* kMarker = "\x1b]9999;";

void write_cells(int row, int col, const std::string& text, std::uint8_t attr) {
  write_text(common(), row, col, text, attr);
}

void set_caret(int row, int col) {
  move_caret(common(), row, col);
}

[[noreturn]] void child(int iterations) {
  // The terminal, for the markers: the display holds back what the program
  // itself writes to standard output while the screen is in use.
  int marker_fd = dup(1);
  auto display = std::make_unique<TtyDisplay>();
  TtyDisplay* tty = display.get();
  use_display(std::move(display));
  ScrCommon& c = common();
  c.screen_rows = 25;
  ensure_window();
  VioRequest on;
  on.function = vio::kCaretOnOff;
  on.caret_on = 1;
  on.window = c.window;
  SCR_VIO(on, nullptr, c);
  yield();
  tty->flush();
  auto mark = [&](int step, long long nanos) {
    std::string m = kMarker + std::to_string(step) + ";" + std::to_string(nanos) + "\x07";
    if (write(marker_fd, m.data(), m.size()) != static_cast<ssize_t>(m.size())) _exit(3);
  };
  mark(0, 0);
  using clock = std::chrono::steady_clock;
  for (int i = 0; i < iterations; ++i) {
    // Full repaint: every row new text, colours changing along the row.
    auto t0 = clock::now();
    for (int row = 1; row <= 25; ++row) {
      for (int part = 0; part < 4; ++part) {
        std::string text(20, static_cast<char>('A' + (row + part + i) % 26));
        text[0] = static_cast<char>(0xB3);  // a CP437 line
        auto attr = static_cast<std::uint8_t>(((row + part + i) % 8) * 16 + 15 - (part + i) % 8);
        write_cells(row, 1 + part * 20, text, attr);
      }
    }
    set_caret(10, 21);
    yield();
    tty->flush();
    mark(1, std::chrono::duration_cast<std::chrono::nanoseconds>(clock::now() - t0).count());

    // One field: ten cells of row 10 from column 21, then the caret.
    t0 = clock::now();
    write_cells(10, 21, i % 2 ? "Smith     " : "Johnson   ", 0x70);
    set_caret(10, 21);  // back to the field's start: the cursor must move
    yield();
    tty->flush();
    mark(2, std::chrono::duration_cast<std::chrono::nanoseconds>(clock::now() - t0).count());
  }
  close_down();
  _exit(0);
}

struct Stats {
  std::vector<long long> bytes, nanos;
  void print(const char* what) const {
    if (bytes.empty()) return;
    auto avg = [](const std::vector<long long>& v) {
      long long s = 0;
      for (long long x : v) s += x;
      return static_cast<double>(s) / static_cast<double>(v.size());
    };
    std::vector<long long> t = nanos;
    std::sort(t.begin(), t.end());
    std::printf(
        "%-34s bytes avg %8.1f  min %6lld  max %6lld   time median %8.1f us  max %8.1f us\n", what,
        avg(bytes), *std::min_element(bytes.begin(), bytes.end()),
        *std::max_element(bytes.begin(), bytes.end()),
        static_cast<double>(t[t.size() / 2]) / 1000.0, static_cast<double>(t.back()) / 1000.0);
  }
};

}  // namespace

int main(int argc, char** argv) {
  int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const char* term = argc > 2 ? argv[2] : "xterm-256color";
  setenv("TERM", term, 1);
  unsetenv("LINES");
  unsetenv("COLUMNS");
  int master = -1;
  winsize ws{27, 80, 0, 0};
  pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) {
    std::perror("forkpty");
    return 2;
  }
  if (pid == 0) child(iterations);
  // Read everything the child writes until it ends.
  std::string stream;
  char buf[65536];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      stream.append(buf, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EOF or EIO: the child's side is closed
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Stats full, field;
  std::string last_field;
  std::size_t from = std::string::npos;
  for (std::size_t at = stream.find(kMarker); at != std::string::npos;
       at = stream.find(kMarker, at + 1)) {
    std::size_t end = stream.find('\x07', at);
    if (end == std::string::npos) break;
    int step = 0;
    long long nanos = 0;
    std::sscanf(stream.c_str() + at + std::strlen(kMarker), "%d;%lld", &step, &nanos);
    if (from != std::string::npos) {
      auto bytes = static_cast<long long>(at - from);
      if (step == 1) full.bytes.push_back(bytes), full.nanos.push_back(nanos);
      if (step == 2) {
        field.bytes.push_back(bytes), field.nanos.push_back(nanos);
        last_field = stream.substr(from, at - from);
      }
    }
    from = end + 1;
  }
  std::printf("tty display on a pseudo-terminal, TERM=%s, 80x27, %d iterations\n", term,
              iterations);
  full.print("full 80x25 repaint");
  field.print("one-field change (10 cells+caret)");
  std::string shown;
  for (char ch : last_field) {
    if (ch == '\x1b')
      shown += "\\e";
    else
      shown += ch;
  }
  std::printf("last one-field change as written: %s\n", shown.c_str());
  long long worst =
      field.bytes.empty() ? -1 : *std::max_element(field.bytes.begin(), field.bytes.end());
  std::printf("target: a one-field change writes at most 64 bytes: %s (max %lld)\n",
              worst >= 0 && worst <= 64 ? "met" : "NOT met", worst);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && !field.bytes.empty() ? 0 : 1;
}
