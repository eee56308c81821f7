// Fuzzes the panel text format and what reads it.
//
// First byte even: the rest is panel text.  It is parsed; what parses is
// written out again and must parse to the very same records, and every
// panel that passes the generator's check is built into a copybook.
//
// First byte odd: the rest is cut into records (a length byte, then that
// many bytes; 13 to 200 bytes, keys made unique and kept in key order, as
// a library holds them).  Their text must parse back to exactly those
// records, byte for byte, and the panels among them go through the check
// and the build.
//
// A broken round trip aborts, so libFuzzer keeps the input.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "editor/generator/copybook.h"
#include "editor/generator/panel_build.h"
#include "editor/generator/panel_text.h"
#include "editor/library/library_records.h"
#include "editor/masklib/mask_library.h"

namespace {

using kv::editor::text::Bytes;
namespace text = kv::editor::text;
namespace gen = kv::editor::gen;
namespace lib = kv::editor::lib;

constexpr std::size_t kMaxRecord = 200;  // the library's longest record (a header)

void fail(const char* what) {
  std::fprintf(stderr, "panel text invariant broken: %s\n", what);
  std::abort();
}

// Every record of a parsed library in key order, as a library file would
// hand them out.
std::vector<Bytes> flatten(const text::ParsedLibrary& parsed) {
  std::map<Bytes, Bytes> by_key;
  auto add = [&](const Bytes& r) {
    Bytes key(r.begin(),
              r.begin() + static_cast<std::ptrdiff_t>(std::min(r.size(), lib::kKeyLength)));
    by_key[key] = r;
  };
  for (const auto& p : parsed.panels)
    for (const Bytes& r : p.records) add(r);
  for (const Bytes& r : parsed.loose) add(r);
  std::vector<Bytes> out;
  out.reserve(by_key.size());
  for (auto& [k, r] : by_key) out.push_back(std::move(r));
  return out;
}

void generate(const text::ParsedLibrary& parsed) {
  static const kv::editor::masklib::MaskLibrary masks;
  static const auto default_mask = gen::builtin_default_mask();
  for (const lib::PanelRecords& p : text::panel_records(parsed)) {
    if (gen::check_panel(p) != gen::PanelCheck::Ok) continue;
    gen::PanelBuild b = gen::build_panel(p, default_mask, masks, gen::CopybookChoices{},
                                         [](const gen::Message&) {});
    std::string copybook = gen::copybook_text(b);
    if (copybook.empty()) fail("an accepted panel gave an empty copybook");
  }
}

void round_trip(const std::vector<Bytes>& records) {
  std::string written = text::records_to_text(records);
  text::ParsedLibrary again;
  if (auto err = text::parse_text(written, again)) {
    std::fprintf(stderr, "line %d: %s\n%s\n", err->line, err->message.c_str(), written.c_str());
    fail("written text does not parse");
  }
  if (flatten(again) != records) fail("records changed on the way through text");
  if (text::records_to_text(flatten(again)) != written) fail("text changed on a second pass");
  generate(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t* p = data + 1;
  std::size_t n = size - 1;
  if ((data[0] & 1) == 0) {
    text::ParsedLibrary parsed;
    if (text::parse_text(std::string_view(reinterpret_cast<const char*>(p), n), parsed)) return 0;
    round_trip(flatten(parsed));
    return 0;
  }
  std::map<Bytes, Bytes> by_key;
  while (n > 0) {
    std::size_t len = std::min<std::size_t>(p[0], n - 1);
    Bytes r(p + 1, p + 1 + len);
    p += 1 + len;
    n -= 1 + len;
    if (r.size() < lib::kKeyLength || r.size() > kMaxRecord) continue;
    by_key[Bytes(r.begin(), r.begin() + lib::kKeyLength)] = r;
  }
  std::vector<Bytes> records;
  for (auto& [k, r] : by_key) records.push_back(std::move(r));
  round_trip(records);
  return 0;
}
