#include "runtime/engine/messages.h"

#include "runtime/engine/tables.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/platform.h"

namespace kv::engine {

void error_beep(const PanelRecord& panel) {
  if (!panel.data()) return;
  int frequency = panel.error_freq();
  int duration = panel.error_time();
  if (frequency > 37 && frequency < 10000 && duration > 0 && duration < 1000 &&
      kv::platform_hooks().tone)
    kv::platform_hooks().tone(frequency, duration);
}

void show_message(const PanelRecord& panel, std::string_view text80) {
  error_beep(panel);
  show_box(kBoxStatus, "", padded(text80, 80) + std::string(172, ' '));
}

std::string runtime_message(int n) { return tables().message(n); }

std::string application_message(const PanelRecord& panel, int n) {
  if (n == 1 && panel.data()) return std::string(panel.menu_msg());
  return tables().message(n + 100);
}

}  // namespace kv::engine
