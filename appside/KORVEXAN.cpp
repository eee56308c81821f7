// KORVEXAN: the entry every application calls.  On the initialisation call
// it gathers the mask table from EDITMASK and the 300 messages from SCRMSG,
// so that an application customises both by linking modules of its own, and
// hands them to CELLVIEW with the stub constants.  Every other call goes to
// CELLVIEW unchanged.

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <libcob.h>
#include <string>

#include "appside/appside.h"
#include "runtime/interface/cellview.h"
#include "runtime/utilities/bytes.h"

namespace kv::app {

// Byte 1: the application compiler's sign convention, "G" for GnuCOBOL
// (trailing sign, "p"-"y" for negative digits).  Bytes 7 to 18 are the
// character-class bounds the runtime's text comparisons have always used.
const std::uint8_t kStubConstants[kStubSize] = {'G', ' ', ' ', ' ', ' ', ' ', '0', '!', '0', ')',
                                                '1', ' ', '0', '1', '0', '9', '1', '0', ' ', ' '};

namespace {

using Entry = int (*)(std::uint8_t*, std::uint8_t*);

constexpr int kMaxMasks = 255;
constexpr int kMaskSize = 82;
constexpr int kMessages = 300;
constexpr int kMessageSize = 80;

// The areas handed to CELLVIEW on the initialisation call; they live for
// the process, as the runtime copies them only once per call.
std::uint8_t g_masks[3 + kMaxMasks * kMaskSize];
std::uint8_t g_messages[kMessages * kMessageSize];
std::uint8_t g_stub[kStubSize];

// A module of `name` on COB_LIBRARY_PATH (a `cobc -m` module).  Only looked
// for inside a COBOL run unit, where libcob is initialised to run it.
Entry from_cob_library_path(const char* name) {
  if (!cob_is_initialized()) return nullptr;
  const char* path = std::getenv("COB_LIBRARY_PATH");
  if (!path || !*path) return nullptr;
  std::string dirs(path);
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      std::string file = dir + "/" + name + ".so";
      if (void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_GLOBAL)) {
        if (void* sym = dlsym(h, name)) return reinterpret_cast<Entry>(sym);
      }
    }
    start = end + 1;
  }
  return nullptr;
}

// The module that answers for a replaceable name: one the application
// linked in (it interposes on our weak default), else one on
// COB_LIBRARY_PATH, else the default.
Entry resolve(const char* name, Entry linked, Entry fallback) {
  if (linked != fallback) return linked;
  if (Entry e = from_cob_library_path(name)) return e;
  return fallback;
}

// A COBOL module reads its argument count from libcob; a call from here is
// a call with two arguments.
int call2(Entry e, std::uint8_t* a, std::uint8_t* b) {
  if (cob_is_initialized()) cob_get_global_ptr()->cob_call_params = 2;
  return e(a, b);
}

void gather_masks() {
  static Entry editmask = resolve("EDITMASK", &EDITMASK, &kv_default_EDITMASK);
  std::uint8_t* records = g_masks + 3;
  int count = kMaxMasks;
  for (int n = 1; n <= kMaxMasks; ++n) {
    std::uint8_t numb[3];
    std::string digits = zero_padded(n, 3);
    std::memcpy(numb, digits.data(), 3);
    std::uint8_t* slot = records + (n - 1) * kMaskSize;
    call2(editmask, numb, slot);
    // EDITMASK answers mask 1 for numbers beyond its table: the first
    // repeat of mask 1 ends the table.
    if (n >= 2 && std::memcmp(slot, records, kMaskSize) == 0) {
      count = n - 1;
      break;
    }
  }
  std::string c = zero_padded(count, 3);
  std::memcpy(g_masks, c.data(), 3);
}

void gather_messages() {
  static Entry scrmsg = resolve("SCRMSG", &SCRMSG, &kv_default_SCRMSG);
  for (int n = 1; n <= kMessages; ++n) {
    std::uint8_t number[2];
    put_s16(number, static_cast<std::int16_t>(n));
    call2(scrmsg, number, g_messages + (n - 1) * kMessageSize);
  }
}

}  // namespace
}  // namespace kv::app

extern "C" int KORVEXAN(void* a1, void* a2, void* a3, void* a4) {
  auto* first = static_cast<std::uint8_t*>(a1);
  if (first && first[0] == 0xFF && first[1] == 0xFF) {
    using namespace kv::app;
    gather_masks();
    gather_messages();
    std::memcpy(g_stub, kStubConstants, kStubSize);
    return CELLVIEW(a1, g_stub, g_masks, g_messages);
  }
  return CELLVIEW(a1, a2, a3, a4);
}
