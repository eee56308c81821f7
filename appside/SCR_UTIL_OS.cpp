// SCR_UTIL, operating-system services: the application-side wrappers of
// the runtime's SKR_ file, command-line, directory, program-start and
// settings-file entries.  Each passes its arguments on unchanged.
//
// The runtime reads every text argument as a 255-character field and
// writes the command line as one.  A COBOL caller that passes a shorter
// item would have the storage behind it read (a file name picking up the
// next item's bytes) or overwritten; the wrappers learn the declared size
// of such an item from libcob and hand the runtime a full-size copy
// instead: file-service texts padded with spaces (which the runtime trims),
// settings texts padded with X'00' (where such a text ends), and only the
// item's own bytes of an output copied back.  Buffers whose size the caller
// states (directory, profile value) are also kept within the item.

#include <algorithm>
#include <cstddef>
#include <cstring>

// libcob's header needs size_t declared before it.
#include <libcob.h>

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/os_services.h"

namespace {

constexpr int kField = kv::os::kTextField;

// The declared size of argument `n` (1-based) of the current COBOL call,
// or -1 when not called from COBOL or not known.
int declared_size(int n) {
  if (!cob_is_initialized() || cob_get_num_params() < n) return -1;
  int size = cob_get_param_size(n);
  return size > 0 ? size : -1;
}

// A text argument as the runtime will read it: the caller's own field when
// it holds 255 characters (or its size is unknown), else a padded copy.
class TextArg {
 public:
  TextArg(const std::uint8_t* p, int n, std::uint8_t pad) : p_(p) {
    int size = p ? declared_size(n) : -1;
    if (size > 0 && size < kField) {
      std::memset(copy_, pad, sizeof copy_);
      std::memcpy(copy_, p, static_cast<std::size_t>(size));
      p_ = copy_;
    }
  }
  TextArg(const TextArg&) = delete;
  TextArg& operator=(const TextArg&) = delete;
  const std::uint8_t* get() const { return p_; }

 private:
  const std::uint8_t* p_;
  std::uint8_t copy_[kField]{};
};

TextArg file_arg(const std::uint8_t* p, int n) { return TextArg(p, n, ' '); }
TextArg profile_arg(const std::uint8_t* p, int n) { return TextArg(p, n, 0); }

// A stated buffer size kept within the declared size of that buffer.
void bounded_size(const std::uint8_t* size32, int buffer_param, std::uint8_t* out4) {
  std::int32_t size = size32 ? kv::get_s32(size32) : 0;
  int declared = declared_size(buffer_param);
  if (declared > 0 && size > declared) size = declared;
  kv::put_s32(out4, size);
}

}  // namespace

extern "C" {

KV_EXPORT int SCR_COPYFILE(const std::uint8_t* existing, const std::uint8_t* target,
                           const std::uint8_t* fail_if_exists, std::uint8_t* result) {
  TextArg a = file_arg(existing, 1), b = file_arg(target, 2);
  return SKR_COPYFILE(a.get(), b.get(), fail_if_exists, result);
}

KV_EXPORT int SCR_DELETEFILE(const std::uint8_t* name, std::uint8_t* result) {
  TextArg a = file_arg(name, 1);
  return SKR_DELETEFILE(a.get(), result);
}

KV_EXPORT int SCR_MOVEFILE(const std::uint8_t* existing, const std::uint8_t* target,
                           std::uint8_t* result) {
  TextArg a = file_arg(existing, 1), b = file_arg(target, 2);
  return SKR_MOVEFILE(a.get(), b.get(), result);
}

KV_EXPORT int SCR_GETCOMMANDLINE(std::uint8_t* line) {
  int size = line ? declared_size(1) : -1;
  if (size < 0 || size >= kField) return SKR_GETCOMMANDLINE(line);
  std::uint8_t full[kField];
  int rc = SKR_GETCOMMANDLINE(full);
  std::memcpy(line, full, static_cast<std::size_t>(size));
  return rc;
}

KV_EXPORT int SCR_GETWINDOWSDIRECTORY(std::uint8_t* buffer, const std::uint8_t* size,
                                      std::uint8_t* result) {
  std::uint8_t bounded[4];
  bounded_size(size, 1, bounded);
  return SKR_GETWINDOWSDIRECTORY(buffer, bounded, result);
}

KV_EXPORT int SCR_WINEXEC(const std::uint8_t* command, std::int32_t show, std::uint8_t* result) {
  TextArg a = file_arg(command, 1);
  return SKR_WINEXEC(a.get(), show, result);
}

KV_EXPORT int SCR_WRITEPRIVATEPROFILESECTION(const std::uint8_t* section, const std::uint8_t* text,
                                             const std::uint8_t* file, std::uint8_t* result) {
  TextArg s = profile_arg(section, 1), t = profile_arg(text, 2), f = profile_arg(file, 3);
  return SKR_WRITEPRIVATEPROFILESECTION(s.get(), t.get(), f.get(), result);
}

KV_EXPORT int SCR_WRITEPRIVATEPROFILESTRING(const std::uint8_t* section, const std::uint8_t* key,
                                            const std::uint8_t* value, const std::uint8_t* file,
                                            std::uint8_t* result) {
  TextArg s = profile_arg(section, 1), k = profile_arg(key, 2), v = profile_arg(value, 3),
          f = profile_arg(file, 4);
  return SKR_WRITEPRIVATEPROFILESTRING(s.get(), k.get(), v.get(), f.get(), result);
}

KV_EXPORT int SCR_GETPRIVATEPROFILESTRING(const std::uint8_t* section, const std::uint8_t* key,
                                          const std::uint8_t* fallback, std::uint8_t* value,
                                          const std::uint8_t* size, const std::uint8_t* file,
                                          std::uint8_t* result) {
  TextArg s = profile_arg(section, 1), k = profile_arg(key, 2), d = profile_arg(fallback, 3),
          f = profile_arg(file, 6);
  std::uint8_t bounded[4];
  bounded_size(size, 4, bounded);
  return SKR_GETPRIVATEPROFILESTRING(s.get(), k.get(), d.get(), value, bounded, f.get(), result);
}

KV_EXPORT int SCR_GETPRIVATEPROFILEINT(const std::uint8_t* section, const std::uint8_t* key,
                                       const std::uint8_t* fallback, const std::uint8_t* file,
                                       std::uint8_t* result) {
  TextArg s = profile_arg(section, 1), k = profile_arg(key, 2), f = profile_arg(file, 4);
  return SKR_GETPRIVATEPROFILEINT(s.get(), k.get(), fallback, f.get(), result);
}

}  // extern "C"
