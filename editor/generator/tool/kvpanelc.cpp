// kvpanelc: compiles panel text sources at build time, into COBOL
// copybooks (--cobol DIR) and into C++ areas with named field accessors
// (--cpp DIR), with the generator that dsgn32 uses.
//
//   kvpanelc [--cobol DIR] [--cpp DIR] [--masks FILE] SOURCE...
//
// Every panel of every source is written; a panel that cannot be
// generated, or a source that does not parse, fails the build.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "editor/generator/copybook.h"
#include "editor/generator/copybook_generator.h"
#include "editor/generator/cpp_panel.h"
#include "editor/generator/panel_build.h"
#include "editor/generator/panel_text.h"

using namespace kv::editor;

namespace {

bool write(const std::string& path, const std::string& text) {
  std::string detail;
  if (!gen::write_file_replacing(path, text, &detail).ok()) {
    std::cerr << "kvpanelc: " << detail << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string cobol_dir, cpp_dir, masks_file;
  std::vector<std::string> sources;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if ((a == "--cobol" || a == "--cpp" || a == "--masks") && i + 1 < argc) {
      (a == "--cobol" ? cobol_dir : a == "--cpp" ? cpp_dir : masks_file) = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      std::cerr << "usage: kvpanelc [--cobol DIR] [--cpp DIR] [--masks FILE] SOURCE...\n";
      return 2;
    } else {
      sources.push_back(a);
    }
  }
  masklib::MaskLibrary masks;
  if (!masks_file.empty() && !masks.load(masks_file)) {
    std::cerr << "kvpanelc: cannot read " << masks_file << "\n";
    return 1;
  }
  int failures = 0;
  for (const std::string& src : sources) {
    std::ifstream in(src, std::ios::binary);
    if (!in) {
      std::cerr << "kvpanelc: cannot read " << src << "\n";
      return 1;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    text::ParsedLibrary parsed;
    if (auto e = text::parse_text(ss.str(), parsed)) {
      std::cerr << src << ":" << e->line << ": " << e->message << "\n";
      return 1;
    }
    for (const lib::PanelRecords& r : text::panel_records(parsed)) {
      auto check = gen::check_panel(r);
      std::string name(reinterpret_cast<const char*>(r.header.data()), 8);
      if (check != gen::PanelCheck::Ok) {
        for (auto& m : gen::check_messages(check, name)) std::cerr << src << ": " << m << "\n";
        ++failures;
        continue;
      }
      bool bad = false;
      gen::PanelBuild b =
          gen::build_panel(r, gen::builtin_default_mask(), masks, {}, [&](const gen::Message& m) {
            if (m.error) {
              std::cerr << src << ": " << m.text << "\n";
              bad = true;
            } else if (m.warning) {
              std::cerr << src << ": warning: " << m.text << "\n";
            }
          });
      if (bad || b.too_large) {
        ++failures;
        continue;
      }
      if (!cobol_dir.empty() && !write(cobol_dir + "/" + b.name + ".COB", gen::copybook_text(b)))
        return 1;
      if (!cpp_dir.empty()) {
        gen::CppSource c = gen::cpp_panel(
            b, src.substr(src.rfind('/') == std::string::npos ? 0 : src.rfind('/') + 1));
        if (!write(cpp_dir + "/" + b.name + ".h", c.header) ||
            !write(cpp_dir + "/" + b.name + ".cpp", c.source))
          return 1;
      }
    }
  }
  return failures == 0 ? 0 : 1;
}
