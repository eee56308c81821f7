#include "runtime/terminal/drag_drop.h"

#include <cstring>

#include "runtime/terminal/terminal.h"
#include "runtime/utilities/bytes.h"

namespace {

kv::term::Display* current_display() { return kv::term::common().display; }

kv::term::Handle handle_of(const std::uint8_t* p) {
  return p ? static_cast<kv::term::Handle>(kv::get_u32(p)) : 0;
}

}  // namespace

extern "C" {

int SXR_DRAGACCEPTFILES(const std::uint8_t* window4, const std::uint8_t* flag4) {
  kv::term::Display* d = current_display();
  if (d && window4 && flag4) d->accept_drops(handle_of(window4), kv::get_u32(flag4) != 0);
  return 0;
}

int SXR_DRAGQUERYPOINT(const std::uint8_t* drop4, std::uint8_t* point8, std::uint8_t* result4) {
  kv::term::Display* d = current_display();
  kv::term::Point p;
  bool inside = d && drop4 && d->drop_point(handle_of(drop4), p);
  if (point8) {
    kv::put_u32(point8, static_cast<std::uint32_t>(p.x));
    kv::put_u32(point8 + 4, static_cast<std::uint32_t>(p.y));
  }
  if (result4) kv::put_u32(result4, inside ? 1u : 0u);
  return 0;
}

int SXR_DRAGQUERYFILE(const std::uint8_t* drop4, const std::uint8_t* index4, std::uint8_t* buffer,
                      const std::uint8_t* size4, std::uint8_t* result4) {
  kv::term::Display* d = current_display();
  std::uint32_t result = 0;
  if (d && drop4 && index4) {
    std::vector<std::string> files = d->drop_files(handle_of(drop4));
    std::uint32_t index = kv::get_u32(index4);
    if (index == 0xFFFFFFFFu) {
      result = static_cast<std::uint32_t>(files.size());
    } else if (index < files.size() && buffer && size4) {
      std::int32_t size = kv::get_s32(size4);
      if (size > 0) {
        const std::string& name = files[index];
        std::size_t n = std::min<std::size_t>(name.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, name.data(), n);
        buffer[n] = 0;
        result = static_cast<std::uint32_t>(n);
      }
    }
  }
  if (result4) kv::put_u32(result4, result);
  return 0;
}

int SXR_DRAGFINISH(const std::uint8_t* drop4) {
  kv::term::Display* d = current_display();
  if (d && drop4) {
    kv::term::Handle h = handle_of(drop4);
    d->drop_finish(h);
    kv::term::Drops& dr = kv::term::drops();
    if (dr.handle == h) {
      dr.handle = 0;
      dr.held = false;
    }
  }
  return 0;
}

int SKR_DRAGACCEPTFILES(const std::uint8_t* w, const std::uint8_t* f) {
  return SXR_DRAGACCEPTFILES(w, f);
}
int SKR_DRAGQUERYPOINT(const std::uint8_t* d, std::uint8_t* p, std::uint8_t* r) {
  return SXR_DRAGQUERYPOINT(d, p, r);
}
int SKR_DRAGQUERYFILE(const std::uint8_t* d, const std::uint8_t* i, std::uint8_t* b,
                      const std::uint8_t* s, std::uint8_t* r) {
  return SXR_DRAGQUERYFILE(d, i, b, s, r);
}
int SKR_DRAGFINISH(const std::uint8_t* d) { return SXR_DRAGFINISH(d); }
}
