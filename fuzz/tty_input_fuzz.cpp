// Fuzzes the terminal input decoder with whatever bytes a terminal (or a
// line noise, or a hostile paste) could send.  Besides staying inside its
// buffers, the decoder must not depend on how the bytes were split by the
// reads that delivered them: the events of the whole input fed at once
// must equal those of the same input fed in the pieces the fuzzer chose.
//
// Input: byte 0 chooses the back-tab setting and how to cut the rest into
// pieces (piece lengths come from a small generator seeded by bytes 0-1).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "runtime/terminal/backends/tty/tty_input.h"

namespace {

using kv::term::tty::Decoder;
using kv::term::tty::Event;

bool same(const Event& a, const Event& b) {
  return a.kind == b.kind && a.key == b.key && a.mouse == b.mouse && a.text == b.text;
}

std::vector<Event> decode(std::string_view bytes, bool back_tab, std::uint32_t seed, bool whole) {
  Decoder d;
  if (back_tab) d.set_back_tab("\x1b\t");
  std::vector<Event> out;
  if (whole) {
    d.feed(bytes, out);
  } else {
    std::size_t at = 0;
    while (at < bytes.size()) {
      seed = seed * 1103515245u + 12345u;
      std::size_t n = 1 + (seed >> 16) % 7;  // pieces of 1 to 7 bytes
      if (n > bytes.size() - at) n = bytes.size() - at;
      d.feed(bytes.substr(at, n), out);
      at += n;
    }
  }
  d.expire(out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  bool back_tab = data[0] & 1;
  std::uint32_t seed = data[0] | (static_cast<std::uint32_t>(data[1]) << 8);
  std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  std::vector<Event> whole = decode(bytes, back_tab, seed, true);
  std::vector<Event> pieces = decode(bytes, back_tab, seed, false);
  bool equal = whole.size() == pieces.size();
  for (std::size_t i = 0; equal && i < whole.size(); ++i) equal = same(whole[i], pieces[i]);
  if (!equal) {
    std::fprintf(stderr, "decoder events depend on how the input was split: %zu vs %zu events\n",
                 whole.size(), pieces.size());
    std::abort();
  }
  return 0;
}
