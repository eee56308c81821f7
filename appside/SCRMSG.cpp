// The default message table.  SCRMSG is a weak definition, replaced by an
// application's own module of that name.

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "appside/appside.h"
#include "runtime/utilities/bytes.h"

namespace {
#include "appside/message_area.inc"

// Start of every string that follows an X'00' before the closing X'FF'.
// Entry k is the text of message k; the number of entries is the number
// of X'00' bytes, so message n exists when 1 <= n < entries.
const std::vector<std::size_t>& index() {
  static const std::vector<std::size_t> idx = [] {
    std::vector<std::size_t> v;
    for (std::size_t i = 0; i < sizeof kMessageArea && kMessageArea[i] != 0xFF; ++i)
      if (kMessageArea[i] == 0) v.push_back(i + 1);
    return v;
  }();
  return idx;
}
}  // namespace

extern "C" {

int kv_default_SCRMSG(std::uint8_t* number16, std::uint8_t* text80) {
  int n = kv::get_s16(number16);
  const auto& idx = index();
  if (n >= 1 && static_cast<std::size_t>(n) < idx.size()) {
    const char* s = reinterpret_cast<const char*>(kMessageArea + idx[static_cast<std::size_t>(n - 1)]);
    kv::put_padded(text80, 80, std::string_view(s, std::strlen(s)));
    return 0;
  }
  // Applications number their messages from 101; they see their own number.
  int shown = n >= 101 ? n - 100 : n;
  std::string text = "Message number " + kv::zero_padded(shown, 4) +
                     " was requested but is not defined in SCRMSG.";
  text.push_back('\0');
  kv::put_padded(text80, 80, text);
  return 0;
}

// A weak alias: a definition of SCRMSG in the application takes its place,
// and comparing addresses tells KORVEXAN whether that happened.
int SCRMSG(std::uint8_t* number16, std::uint8_t* text80) __attribute__((weak, alias("kv_default_SCRMSG"), visibility("default")));

}  // extern "C"
