#include <cstring>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/engine.h"
#include "runtime/engine/options.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

namespace {
void check(KeptTable& t, const char* tag, const char* lost_text) {
  if (!t.on) return;
  if (!storage_readable(t.address, 4)) {
    t.on = false;
    warning_box(kBoxDeveloper, lost_text);
    return;
  }
  if (std::memcmp(t.address, tag, 4) != 0) t.on = false;
}
}  // namespace

void check_kept_tables() {
  Options& o = options();
  check(o.alternate_colors, "COLO", "Alternate Color storage was CANCELled!");
  check(o.key_redefinition, "KEYD", "Key Redefinition storage was CANCELled!");
  check(o.floppy_menus, "MENU", "Floppy Menu storage was CANCELled or corrupted!");
  check(o.bailout, "BAIL", "Required/Validation Bypass storage was CANCELled!");
}

}  // namespace kv::engine
