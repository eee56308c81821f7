// A panel as C++ source, for the editor's own screens: the four areas as
// constant arrays with a class that holds the application's copies, and
// named accessors for the fields (a data name's hyphens become
// underscores).  The bytes are those of the COBOL copybook of the same
// panel: both come from one PanelBuild.
#pragma once

#include <string>

#include "editor/generator/panel_build.h"

namespace kv::editor::gen {

struct CppSource {
  std::string header;  // <name>.h
  std::string source;  // <name>.cpp
};

// `origin` names the text source in the generated files' first comment.
CppSource cpp_panel(const PanelBuild& b, const std::string& origin);

// A data name as a C++ identifier: hyphens become underscores.
std::string cpp_identifier(const std::string& cobol_name);

}  // namespace kv::editor::gen
