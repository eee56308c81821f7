#include "runtime/engine/tables.h"

#include "runtime/engine/options.h"
#include "runtime/utilities/bytes.h"

namespace kv::engine {

std::string Tables::message(int n) const {
  if (n >= 1 && n <= kMessages) {
    const auto& m = messages[static_cast<std::size_t>(n - 1)];
    return std::string(m.data(), kMessageSize);
  }
  int shown = n >= 101 ? n - 100 : n;
  std::string text = "Message number " + zero_padded(shown, 4) +
                     " was requested but is not defined in SCRMSG.";
  text.push_back('\0');
  return padded(text, kMessageSize);
}

Tables& tables() {
  static Tables t;
  return t;
}

Options& options() {
  static Options o;
  return o;
}

}  // namespace kv::engine
