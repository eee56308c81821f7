#include "runtime/terminal/terminal.h"

#include "runtime/terminal/cell_screen.h"
#include "runtime/terminal/debug_window.h"
#include "runtime/terminal/message_box.h"
#include "runtime/terminal/pump.h"
#include "runtime/terminal/window.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/platform.h"

namespace kv::term {

ScrCommon& common() {
  static ScrCommon c;
  return c;
}

namespace {

std::int16_t hook_key_state(StateKey key) {
  ScrCommon& c = common();
  if (!c.display) return 0;
  switch (key) {
    case StateKey::Insert:
      return c.display->key_state(vk::kInsert);
    case StateKey::CapsLock:
      return c.display->key_state(vk::kCapital);
    case StateKey::NumLock:
      return c.display->key_state(vk::kNumLock);
    case StateKey::ScrollLock:
      return c.display->key_state(vk::kScroll);
    case StateKey::Alt:
      return c.display->key_state(vk::kMenu);
    case StateKey::Ctrl:
      return c.display->key_state(vk::kControl);
    case StateKey::Shift:
      return c.display->key_state(vk::kShift);
  }
  return 0;
}

void hook_beep() {
  if (Display* d = common().display) d->beep();
}

void hook_tone(int frequency, int duration) {
  if (Display* d = common().display) d->tone(frequency, duration);
}

void install_hooks(ScrCommon& c, Display& d) {
  c.display = &d;
  set_proc_display(&d);
  // A hook that the program installed itself (a test, an embedding
  // program) stays in place.
  if (!kv::get_box_hook()) kv::set_box_hook(&box_hook);
  PlatformHooks& h = platform_hooks();
  h.key_state = &hook_key_state;
  h.beep = &hook_beep;
  h.tone = &hook_tone;
}

bool g_planes_set = false;

}  // namespace

void first_call_setup() {
  ScrCommon& c = common();
  if (!g_planes_set) {
    g_planes_set = true;
    c.chars.fill(' ');
    c.attrs.fill(0x07);
  }
  if (!c.display) install_hooks(c, display());
}

void use_display(std::unique_ptr<Display> d) {
  ScrCommon& c = common();
  Display* raw = d.get();
  set_display(std::move(d));
  if (raw)
    install_hooks(c, *raw);
  else
    c.display = nullptr;
}

bool has_window() { return common().window != 0; }

std::uint64_t tick_ms() {
  ScrCommon& c = common();
  if (!c.display) first_call_setup();
  return c.display->tick_ms();
}

void ensure_window() {
  ScrCommon& c = common();
  if (!c.display) first_call_setup();
  if (!c.window && !c.wc_called) SCR_WC(c);
}

void screen_save(std::uint8_t* area) {
  ScrCommon& c = common();
  VioRequest q;
  q.function = vio::kSave;
  q.columns = c.screen_columns;
  q.last_row = static_cast<std::int16_t>(c.screen_rows - 1);
  q.window = c.window;
  SCR_VIO(q, area, c);
}

void screen_restore(std::uint8_t* area) {
  ScrCommon& c = common();
  VioRequest q;
  q.function = vio::kRestore;
  q.window = c.window;
  SCR_VIO(q, area, c);
}

void close_down() { close_down(common()); }

void close_down(ScrCommon& c) {
  VioRequest q;
  q.function = vio::kDestroy;
  q.window = c.window;
  SCR_VIO(q, nullptr, c);
  // Closed as the user would close it, so that its class goes too and the
  // debugger opens again on a window created later.
  if (c.debug_window) SCR_DB('N', c);
  if (c.wc_called) SCR_WC(c);
  c.status_bar = 0;
  // The modeless status window lives no longer than the main window.
  if (c.message_window && c.display) c.display->destroy_message_window(c.message_window);
  c.message_window = 0;
  c.status_message = 'N';
}

void yield() {
  ScrCommon& c = common();
  if (!c.display) return;
  EventArea a;
  a.wait_mode = kWaitNone;
  SCR_AMP(c, a);
}

WindowRect window_rect() {
  ScrCommon& c = common();
  if (!c.display || !c.window) return {};
  return c.display->window_rect(c.window);
}

Drops& drops() { return common().drops; }

void drops_register(bool on) {
  ScrCommon& c = common();
  if (c.display && c.window) c.display->accept_drops(c.window, on);
}

std::string drop_file(int index) {
  ScrCommon& c = common();
  if (!c.display || !c.drops.held || index < 1) return {};
  std::vector<std::string> files = c.display->drop_files(c.drops.handle);
  if (static_cast<std::size_t>(index) > files.size()) return {};
  return files[static_cast<std::size_t>(index - 1)];
}

void drop_release() {
  ScrCommon& c = common();
  if (c.display && c.drops.handle) c.display->drop_finish(c.drops.handle);
  c.drops.handle = 0;
  c.drops.held = false;
}

}  // namespace kv::term
