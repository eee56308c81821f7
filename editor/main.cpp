// dsgn32: the panel editor.  This build carries its batch command line
// (generate, export, import, list); see editor/shell/batch.h.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "BANNER32.h"
#include "editor/shell/batch.h"
#include "kv/build_info.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    // The product line of the main menu, as compiled from its panel.
    kv::editor::panels::BANNER32 banner;
    auto product = banner.BANNER_PRODUCT();
    std::cout << "dsgn32 ("
              << std::string_view(reinterpret_cast<const char*>(product.data()), product.size())
              << ") built " << KV_BUILD_DATE << " " << KV_BUILD_TIME << "\n";
    return 0;
  }
  return kv::editor::shell::run_command_line(args, std::cin, std::cout, std::cerr);
}
