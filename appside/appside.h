// The application-side entries, as C functions that COBOL programs CALL
// (every argument by reference).
#pragma once

#include <cstdint>

#include "runtime/utilities/export.h"

extern "C" {
// KORVEXAN: the application's one runtime entry; forwards to CELLVIEW and,
// on the initialisation call, gathers masks and messages first.
KV_EXPORT int KORVEXAN(void* a1, void* a2, void* a3, void* a4);

// EDITMASK USING MASK-NUMB PIC 999, MASK-OUT PIC X(82).
KV_EXPORT int EDITMASK(std::uint8_t* mask_numb, std::uint8_t* mask_out);
// SCRMSG USING message number (S9(4) COMP-5), text (X(80)).
KV_EXPORT int SCRMSG(std::uint8_t* number16, std::uint8_t* text80);

// The defaults behind the two replaceable names.
int kv_default_EDITMASK(std::uint8_t* mask_numb, std::uint8_t* mask_out);
int kv_default_SCRMSG(std::uint8_t* number16, std::uint8_t* text80);
}

namespace kv::app {
// Number of masks in the default table.
inline constexpr int kDefaultMaskCount = 104;
// Size of the stub-constant block handed over on the initialisation call.
inline constexpr int kStubSize = 20;
// The stub constants: byte 1 names the application compiler's sign
// convention ("G": GnuCOBOL), bytes 7 to 18 the character-class bounds.
extern const std::uint8_t kStubConstants[kStubSize];
}  // namespace kv::app
