// Compiling and running small COBOL programs with cobc from the
// generator's tests: generated copybooks must compile, and the storage
// they define must hold the bytes the generator computed.
#pragma once

#include <string>
#include <vector>

namespace kv::editor::testing {

struct CobolResult {
  bool compiled = false;
  std::string compile_log;
  int status = -1;
  std::string out;
};

// A fresh scratch directory for one test.
std::string scratch_dir(const std::string& tag);
void write_text(const std::string& path, const std::string& text);
std::string read_text(const std::string& path);

// Compiles `program` (a COBOL source text, written as MAIN.cob in `dir`)
// with the copybooks of `dir`, plus `modules` as separate sources, then
// runs it in `dir`.
CobolResult compile_and_run(const std::string& dir, const std::string& program,
                            const std::vector<std::string>& modules = {});

// A program that COPYs `copybook` and prints, one line each, the
// hexadecimal bytes of <panel>-PANEL, <panel>-WORK-S and <panel>-WORK-D.
std::string area_dump_program(const std::string& copybook, const std::string& panel);

std::string hex_of(const std::vector<unsigned char>& bytes);

}  // namespace kv::editor::testing
