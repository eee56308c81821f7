#include "editor/generator/support/cobol_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace kv::editor::testing {

std::string scratch_dir(const std::string& tag) {
  fs::path p = fs::temp_directory_path() / ("kvgen-" + tag + "-" + std::to_string(::getpid()));
  fs::remove_all(p);
  fs::create_directories(p);
  return p.string();
}

void write_text(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

std::string read_text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

namespace {
int run_shell(const std::string& cmd, std::string& out) {
  out.clear();
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int st = ::pclose(p);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
}  // namespace

CobolResult compile_and_run(const std::string& dir, const std::string& program,
                            const std::vector<std::string>& modules) {
  CobolResult r;
  write_text(dir + "/MAIN.cob", program);
  // The sanitizer runtime of the test program must not reach cobc.
  std::string cmd = "cd '" + dir + "' && env -u LD_PRELOAD cobc -x -Wall -o main -I . MAIN.cob";
  for (const auto& m : modules) cmd += " '" + m + "'";
  cmd += " 2>&1";
  int st = run_shell(cmd, r.compile_log);
  r.compiled = st == 0;
  if (!r.compiled) return r;
  r.status = run_shell("cd '" + dir + "' && env -u LD_PRELOAD ./main", r.out);
  return r;
}

std::string area_dump_program(const std::string& copybook, const std::string& panel) {
  std::string s =
      "       IDENTIFICATION DIVISION.\n"
      "       PROGRAM-ID. DUMPER.\n"
      "       DATA DIVISION.\n"
      "       WORKING-STORAGE SECTION.\n"
      "       COPY \"" +
      copybook +
      "\".\n"
      "       01  HEXD PIC X(16) VALUE \"0123456789ABCDEF\".\n"
      "       01  I    PIC 9(6) COMP-5.\n"
      "       01  B    PIC 9(4) COMP-5.\n"
      "       01  HI   PIC 9(4) COMP-5.\n"
      "       01  LO   PIC 9(4) COMP-5.\n"
      "       01  L    PIC 9(6) COMP-5.\n"
      "       PROCEDURE DIVISION.\n";
  for (const char* area : {"-PANEL", "-WORK-S", "-WORK-D"}) {
    std::string a = panel + area;
    s += "           MOVE FUNCTION LENGTH(" + a +
         ") TO L\n"
         "           PERFORM VARYING I FROM 1 BY 1 UNTIL I > L\n"
         "             COMPUTE B = FUNCTION ORD(" +
         a +
         "(I:1)) - 1\n"
         "             DIVIDE B BY 16 GIVING HI REMAINDER LO\n"
         "             DISPLAY HEXD(HI + 1:1) HEXD(LO + 1:1) WITH NO ADVANCING\n"
         "           END-PERFORM\n"
         "           DISPLAY \" \"\n";
  }
  s += "           STOP RUN.\n";
  return s;
}

std::string hex_of(const std::vector<unsigned char>& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char b : bytes) {
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

}  // namespace kv::editor::testing
