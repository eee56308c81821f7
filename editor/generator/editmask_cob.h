// EDITMASK.COB: the COBOL source of an EDITMASK program that carries the
// built-in default mask as M-001 and the mask library's masks 2, 3, ... as
// M-002 onward, so that an application compiled with it gets the masks its
// panels were designed with.
#pragma once

#include <string>
#include <vector>

#include "editor/generator/panel_build.h"
#include "editor/masklib/mask_library.h"

namespace kv::editor::gen {

inline constexpr int kMaxGeneratedMasks = 250;

// The program's lines; `count` receives the number of masks written
// (default included).
std::vector<std::string> editmask_lines(const masklib::MaskLibrary& masks, int* count = nullptr);
std::string editmask_text(const masklib::MaskLibrary& masks, int* count = nullptr);

}  // namespace kv::editor::gen
