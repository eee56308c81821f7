// MASKTEST: lets a COBOL test program run the mask conversion directly,
// with the stub constants it would hand the runtime through KORVEXAN, so
// that items written by cobc-compiled code are checked byte for byte.
//   CALL "MASKTEST" USING mask record X(82), display length S9(4) COMP-5,
//        direction X, value X(160), display X(160), return code S9(4) COMP-5,
//        stub constants X(20).

#include <cstdint>

#include "runtime/masks/scrmask.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/export.h"

KV_EXTERN_C_EXPORT int MASKTEST(std::uint8_t* mask82, std::uint8_t* width16,
                                std::uint8_t* direction, std::uint8_t* value160,
                                std::uint8_t* display160, std::uint8_t* rc16,
                                std::uint8_t* stub20) {
  static bool pinned = false;
  if (!pinned) {
    kv::mask::pin_country(kv::Country{});  // "$" "," "." "/", month-day-year
    pinned = true;
  }
  kv::mask::MaskRequest r =
      kv::mask::make_request(mask82, kv::get_s16(width16), static_cast<char>(*direction), stub20);
  kv::mask::SCRMASK(r, value160, display160, nullptr);
  kv::put_s16(rc16, r.return_code);
  return 0;
}
