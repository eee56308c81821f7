// The default mask table.  EDITMASK is a weak definition: an application
// that links a module of its own under that name (a generated EDITMASK.COB)
// replaces it, in a static link as well as through the dynamic linker.

#include <cstring>

#include "appside/appside.h"

namespace {
#include "appside/default_masks.inc"

// A mask number is valid when it is three digits "001" to "104".
int mask_index(const std::uint8_t* numb) {
  for (int i = 0; i < 3; ++i)
    if (numb[i] < '0' || numb[i] > '9') return 1;
  int n = (numb[0] - '0') * 100 + (numb[1] - '0') * 10 + (numb[2] - '0');
  return (n >= 1 && n <= kv::app::kDefaultMaskCount) ? n : 1;
}
}  // namespace

extern "C" {

int kv_default_EDITMASK(std::uint8_t* mask_numb, std::uint8_t* mask_out) {
  int n = mask_index(mask_numb);
  std::memcpy(mask_out, kDefaultMasks[n - 1], 25);
  std::memset(mask_out + 25, ' ', 82 - 25);
  return 0;
}

// A weak alias: a definition of EDITMASK in the application takes its place,
// and comparing addresses tells KORVEXAN whether that happened.
int EDITMASK(std::uint8_t* mask_numb, std::uint8_t* mask_out) __attribute__((weak, alias("kv_default_EDITMASK"), visibility("default")));

}  // extern "C"
