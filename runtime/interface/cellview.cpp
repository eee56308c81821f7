// The runtime entry: first-call set-up, and the split of every call into
// initialisation call, function call or panel call.

#include "runtime/interface/cellview.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/engine.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/modules.h"
#include "runtime/utilities/panel_areas.h"

namespace kv::iface {

EntryState& entry_state() {
  static EntryState s;
  return s;
}

namespace {

void first_call() {
  term::first_call_setup();
  int me = engine::engine_module();
  // The event-logging switch: "LOG" this module, "ALL" every module,
  // "PRO" boxes without a log.
  if (env_starts_with("CELLVIEW", "LOG")) modules().set_trace(me, 'L');
  else if (env_starts_with("CELLVIEW", "ALL")) modules().set_all_traces('L');
  else if (env_starts_with("CELLVIEW", "PRO")) modules().set_trace(me, 'P');
  engine::refresh_trace_switch();
  engine::log("First time logic", "Event logging");

  const char* letters = std::getenv("IBMC");
  if (!letters) letters = std::getenv("KORVEXAN");
  if (letters) {
    std::uint8_t buf[15];
    std::memset(buf, ' ', sizeof buf);
    std::size_t n = std::min<std::size_t>(10, std::strlen(letters));
    std::memcpy(buf, letters, n);
    engine::log("Korvexan options", "Environmentals", field(buf, 10));
    apply_option_letters(buf, 15);
  }
  entry_state().first_call_pending = false;
}

void panel_before_initialisation(const std::uint8_t* panel) {
  engine::log("Invalid panel display:", "Not initialized for Windows!");
  show_box(kBoxInternal, "",
           "You attempted to display a panel before calling\n"
           "Korvexan to initialize it for Windows!",
           modules().identification(engine::engine_module()));
  PanelRecord rec(const_cast<std::uint8_t*>(panel));
  rec.set_display_option(0);
  engine::abort_panel(0, rec.name());
}

}  // namespace

}  // namespace kv::iface

extern "C" int CELLVIEW(void* a1, void* a2, void* a3, void* a4) {
  using namespace kv;
  auto* first = static_cast<std::uint8_t*>(a1);
  iface::EntryState& st = iface::entry_state();
  if (st.first_call_pending) iface::first_call();
  engine::refresh_trace_switch();

  if (!first) {
    // An omitted argument 1 names no call at all: explained like an
    // unknown function number rather than read through a null address.
    engine::log("Invalid Function Call");
    engine::abort_panel(32, "N/A     ");
  }
  if (first[0] == 0xFF && first[1] == 0xFF) {
    iface::initialisation_call(first, static_cast<const std::uint8_t*>(a2),
                               static_cast<const std::uint8_t*>(a3),
                               static_cast<const std::uint8_t*>(a4));
  } else if (first[1] == 0x00) {
    iface::function_call(get_u16(first), static_cast<std::uint8_t*>(a2));
  } else {
    if (!st.initialised) iface::panel_before_initialisation(first);
    engine::check_kept_tables();
    engine::panel_call(first, static_cast<std::uint8_t*>(a2), static_cast<std::uint8_t*>(a3),
                       static_cast<std::uint8_t*>(a4));
  }
  return 0;
}
