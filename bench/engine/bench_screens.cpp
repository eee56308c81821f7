// The benchmark screen into a pseudo-terminal, two ways: through the panel
// engine and the tty display (a panel call with repaint "X" and every
// field flagged, values changing each time), and through a GnuCOBOL
// program that DISPLAYs an equivalent SCREEN SECTION.  Each runs in a
// child on the pseudo-terminal's slave side (80 x 25, TERM xterm-256color)
// while this process reads and counts what reaches the master side.
// Prints, for one screen and for many: time per screen and bytes written
// per screen.
//   bench_screens <screen_bench_cobol> [screens, default 1000]

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/engine/bench_panel.h"
#include "runtime/engine/engine.h"
#include "runtime/terminal/backends/tty/tty_display.h"
#include "runtime/terminal/terminal.h"

namespace {

struct Result {
  double ns_total = 0;
  long bytes = 0;
  bool ok = false;
};

// In the child: `screens` panel calls on the tty display; the elapsed
// nanoseconds go to `report_fd`.
[[noreturn]] void run_tty(int screens, int report_fd) {
  kvb::install_bench_masks();
  auto display = std::make_unique<kv::term::TtyDisplay>(0, 1);
  kv::term::use_display(std::move(display));
  kv::term::first_call_setup();
  kvb::BenchPanel p = kvb::make_bench_panel('X');
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < screens; ++i) {
    p.set_values(i + 1);
    p.flag_all();
    p.record[186] = 'X';
    kv::engine::panel_call(p.record.data(), p.pass, p.work_s.data(), p.work_d.data());
  }
  auto t1 = std::chrono::steady_clock::now();
  long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count();
  kv::term::close_down();
  std::string line = "tty " + std::to_string(screens) + " " + std::to_string(ns) + "\n";
  if (write(report_fd, line.data(), line.size()) < 0) _exit(3);
  std::exit(0);  // the display gives the terminal back on the way out
}

Result run(bool cobol, const char* cobol_program, int screens) {
  int report[2];
  if (pipe(report) != 0) return {};
  winsize ws{};
  ws.ws_row = 25;
  ws.ws_col = 80;
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) return {};
  if (pid == 0) {
    close(report[0]);
    setenv("TERM", "xterm-256color", 1);
    setenv("KORVEXAN_DISPLAY", "tty", 1);
    if (cobol) {
      setenv("KVB_SCREENS", std::to_string(screens).c_str(), 1);
      // GnuCOBOL waits for a key at the end of a program that DISPLAYed a
      // screen and ACCEPTed nothing; the benchmark does not.
      setenv("COB_EXIT_WAIT", "false", 1);
      dup2(report[1], 2);
      execl(cobol_program, cobol_program, static_cast<char*>(nullptr));
      _exit(127);
    }
    run_tty(screens, report[1]);
  }
  close(report[1]);
  Result r;
  char buf[65536];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      r.bytes += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EIO once the child has closed the slave side
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  std::string text;
  ssize_t n;
  while ((n = read(report[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
  close(report[0]);
  // The last line of the report: "<who> <screens> <nanoseconds>".
  auto pos = text.rfind(' ');
  if (pos != std::string::npos && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    r.ns_total = std::strtod(text.c_str() + pos + 1, nullptr);
    r.ok = true;
  } else {
    std::fprintf(stderr, "bench_screens: %s run failed (status %d): %s\n", cobol ? "cobol" : "tty",
                 status, text.c_str());
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_screens <screen_bench_cobol> [screens]\n");
    return 2;
  }
  int many = argc > 2 ? std::atoi(argv[2]) : 1000;
  std::printf("%-28s %8s %14s %14s\n", "path", "screens", "us/screen", "bytes/screen");
  for (int screens : {1, many}) {
    for (bool cobol : {false, true}) {
      // Best of three runs of each: a busy machine slows neither side unfairly.
      Result best;
      for (int round = 0; round < 3; ++round) {
        Result r = run(cobol, argv[1], screens);
        if (r.ok && (!best.ok || r.ns_total < best.ns_total)) best = r;
      }
      if (!best.ok) return 1;
      std::printf("%-28s %8d %14.1f %14.1f\n",
                  cobol ? "GnuCOBOL SCREEN SECTION" : "panel engine, tty display", screens,
                  best.ns_total / 1000.0 / screens, static_cast<double>(best.bytes) / screens);
    }
  }
  return 0;
}
