// SCR_UTIL: the application-side wrappers of the runtime's exported data
// utilities.  Each passes its arguments on unchanged; five also answer to
// the BRASKO- names, under the symbols GnuCOBOL calls for those literals
// (a hyphen becomes "__").

#include <cstring>
#include <libcob.h>

#include "runtime/utilities/data_utils.h"


extern "C" {

KV_EXPORT int SCR_BIBY(std::uint8_t* byte, std::uint8_t* bits) { return SKR_BIBY(byte, bits); }
KV_EXPORT int BRASKO__BITS__TO__BYTE(std::uint8_t* byte, std::uint8_t* bits) {
  return SKR_BIBY(byte, bits);
}
KV_EXPORT int SCR_BYBI(std::uint8_t* byte, std::uint8_t* bits) { return SKR_BYBI(byte, bits); }
KV_EXPORT int BRASKO__BYTE__TO__BITS(std::uint8_t* byte, std::uint8_t* bits) {
  return SKR_BYBI(byte, bits);
}
KV_EXPORT int SCR_BEEP(void* a, void* b) { return SKR_BEEP(a, b); }
KV_EXPORT int BRASKO__SOUND(void* a, void* b) { return SKR_BEEP(a, b); }
KV_EXPORT int SCR_CASU(std::uint8_t* text, std::uint8_t* length) { return SKR_CASU(text, length); }
KV_EXPORT int BRASKO__UP__CASE(std::uint8_t* text, std::uint8_t* length) {
  return SKR_CASU(text, length);
}
KV_EXPORT int SCR_CASL(std::uint8_t* text, std::uint8_t* length) { return SKR_CASL(text, length); }
KV_EXPORT int BRASKO__LOW__CASE(std::uint8_t* text, std::uint8_t* length) {
  return SKR_CASL(text, length);
}
KV_EXPORT int SCR_SHFT(std::uint8_t* flags) { return SKR_SHFT(flags); }
KV_EXPORT int SCR_CDI(std::uint8_t* code, std::uint8_t* record) { return SKR_CDI(code, record); }
KV_EXPORT int SCR_LOG(std::uint8_t* line) { return SKR_LOG(line); }

// The runtime fills a 121-character value area.  A COBOL caller that passes
// a shorter item gets only as many characters as its item holds, instead of
// having the storage behind it overwritten.
KV_EXPORT int SCR_ENVG(const std::uint8_t* name, std::uint8_t* value) {
  int size = 121;
  if (cob_is_initialized() && cob_get_num_params() >= 2) {
    int declared = cob_get_param_size(2);
    if (declared > 0 && declared < size) size = declared;
  }
  if (size == 121) return SKR_ENVG(name, value);
  std::uint8_t full[121];
  int rc = SKR_ENVG(name, full);
  std::memcpy(value, full, static_cast<std::size_t>(size));
  return rc;
}

}  // extern "C"
