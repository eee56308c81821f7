#include "runtime/engine/per_key.h"

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/options.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/panel_areas.h"

namespace kv::engine {

namespace {

constexpr int kHotFieldEntry = 1000;

// The entries of a kept table (count at offset 4, entries from offset 6),
// or nullptr when the table is off.  Entries that cannot be read switch
// the table off with its warning, as a lost table does.
const std::uint8_t* entries(KeptTable& t, int entry_size, const char* lost_text, int& count) {
  count = 0;
  if (!t.on || !t.address) return nullptr;
  int n = get_s16(t.address + 4);
  if (n <= 0) return nullptr;
  if (!storage_readable(t.address, 6 + static_cast<std::size_t>(n) * entry_size)) {
    t.on = false;
    warning_box(kBoxDeveloper, lost_text);
    return nullptr;
  }
  count = n;
  return t.address + 6;
}

// A postkeystroke exit's answer applied to the key.
void take_exit_answer(const ExitResult& r, PerKeyResult& out) {
  if (r.character > 0) {
    out.key.character = r.character;
    out.key.extended = 0;
  } else {
    out.key.character = 0;
    out.key.extended = r.extended;
  }
  if (r.field_full) out.field_full = true;
  if (r.finish_now) out.finish_now = true;
  if (r.message > 0) out.message = r.message;
}

}  // namespace

bool redefine_key(Key& key, std::uint8_t active_type) {
  Options& o = options();
  if (o.no_redefinition_in_selectors() && (active_type == 'S' || active_type == 'R')) return false;
  if (!check_key_redefinition()) return false;
  int count = 0;
  const std::uint8_t* e =
      entries(o.key_redefinition, 8, "Key Redefinition storage was CANCELled!", count);
  for (int i = 0; i < count; ++i, e += 8) {
    if (get_u16(e) != key.character || get_u16(e + 2) != key.extended) continue;
    key.character = static_cast<std::uint8_t>(get_u16(e + 4));
    key.extended = get_u16(e + 6);
    if (key.extended == 0) {
      switch (key.character) {
        case 8:
          key.source = 14;
          break;
        case 9:
          key.source = 15;
          break;
        case 13:
          key.source = 28;
          break;
        case 27:
          key.source = 1;
          break;
        default:
          break;
      }
    }
    return true;
  }
  return false;
}

bool is_bailout_key(const Key& key) {
  if (!check_bailout()) return false;
  int count = 0;
  const std::uint8_t* e =
      entries(options().bailout, 4, "Required/Validation Bypass storage was CANCELled!", count);
  for (int i = 0; i < count; ++i, e += 4)
    if (get_u16(e) == key.character && get_u16(e + 2) == key.extended) return true;
  return false;
}

bool bailout_covers_hot_fields() {
  if (!check_bailout()) return false;
  int count = 0;
  const std::uint8_t* e =
      entries(options().bailout, 4, "Required/Validation Bypass storage was CANCELled!", count);
  for (int i = 0; i < count; ++i, e += 4)
    if (get_s16(e) == kHotFieldEntry) return true;
  return false;
}

PerKeyResult per_key(const PerKeyInput& in) {
  PerKeyResult out;
  out.key = in.key;
  Options& o = options();
  if (o.global_postkey_on()) {
    std::string_view name = field(o.global_postkey.data() + 1, 8);
    take_exit_answer(call_exit('P', name, in.exit_state, out.key.character, out.key.extended, 0,
                               in.panel, in.pass_to_exit),
                     out);
  }
  if (in.field_post_key && in.panel) {
    std::string_view name = PanelRecord(in.panel).post_exit_name();
    take_exit_answer(call_exit('K', name, in.exit_state, out.key.character, out.key.extended, 0,
                               in.panel, in.pass_to_exit),
                     out);
  }
  redefine_key(out.key, in.active_type);
  // Field-full together with the Right arrow finishes the field at once.
  if (out.field_full && out.key.character == 0 && out.key.extended == 77) out.finish_now = true;
  out.bailout = is_bailout_key(out.key);
  return out;
}

}  // namespace kv::engine
