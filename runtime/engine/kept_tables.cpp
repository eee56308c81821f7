#include <cstring>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/engine.h"
#include "runtime/engine/options.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/data_utils.h"

namespace kv::engine {

bool check_kept_table(KeptTable& t, const char* tag, const char* lost_text) {
  if (!t.on) return false;
  if (!storage_readable(t.address, 4)) {
    t.on = false;
    warning_box(kBoxDeveloper, lost_text);
    return false;
  }
  if (std::memcmp(t.address, tag, 4) != 0) t.on = false;
  return t.on;
}

bool check_alternate_colors() {
  static const char* const kLost = "Alternate Color storage was CANCELled!";
  KeptTable& t = options().alternate_colors;
  if (!check_kept_table(t, "COLO", kLost)) return false;
  // Every attribute of the call is looked up in the table after this test:
  // all 256 entries must still be there, not only the tag.
  if (!storage_readable(t.address, 4 + 2 * 256)) {
    t.on = false;
    warning_box(kBoxDeveloper, kLost);
    return false;
  }
  return true;
}
bool check_key_redefinition() {
  return check_kept_table(options().key_redefinition, "KEYD",
                          "Key Redefinition storage was CANCELled!");
}
bool check_bailout() {
  return check_kept_table(options().bailout, "BAIL",
                          "Required/Validation Bypass storage was CANCELled!");
}

void check_kept_tables() {
  Options& o = options();
  check_alternate_colors();
  check_key_redefinition();
  check_kept_table(o.floppy_menus, "MENU", "Floppy Menu storage was CANCELled or corrupted!");
  check_bailout();
}

}  // namespace kv::engine
