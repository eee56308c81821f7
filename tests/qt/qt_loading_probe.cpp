// Chooses the process's display the way every program of the runtime does
// and tells which one it got and whether any Qt library is mapped into the
// process: "<display> qt-loaded" or "<display> no-qt".

#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/terminal/display.h"

int main() {
  std::string name = kv::term::display().name();
  std::ifstream maps("/proc/self/maps");
  std::string line;
  bool qt = false;
  while (std::getline(maps, line))
    if (line.find("libQt6") != std::string::npos ||
        line.find("libcellview_qt") != std::string::npos)
      qt = true;
  std::printf("%s %s\n", name.c_str(), qt ? "qt-loaded" : "no-qt");
  return 0;
}
