// Fuzzes a whole panel call: a panel record, WORK-S and WORK-D made from
// the input, painted on the headless display and driven by a short key
// script.  Each area is an exact-size heap block as large as it declares
// itself (the record as far as its fields' data reach, WORK-S up to its
// X'FF', WORK-D up to the end of its validation records), so that
// AddressSanitizer catches any access outside what a well-formed
// application would own.  Aborts for malformed areas are expected: they
// end the call through the abort hook instead of the process.
//
// Input layout (missing bytes read as 0):
//   0        field count (mod 13)
//   1        PANEL-REPAINT-SCREEN choice      2  base colour choice
//   3        size code / reserved rows        4  options (monochrome, fill)
//   5-6      WORK-S item bytes (mod 400)      7-8 validation bytes (mod 200)
//   then     316-byte fixed portion (selected bytes kept), field
//            descriptors (16 each), attribute entries (4 each), WORK-S
//            items, validation records, field data (256), key script.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/engine/diagnostics.h"
#include "runtime/engine/dialogue.h"
#include "runtime/engine/engine.h"
#include "runtime/engine/exits.h"
#include "runtime/engine/options.h"
#include "runtime/engine/tables.h"
#include "runtime/terminal/backends/headless/headless_display.h"
#include "runtime/terminal/terminal.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"

namespace {

struct Stop {};
void stop_display(int) { throw Stop{}; }
void stop_abort(int) { throw Stop{}; }
int quiet_box(int, std::string_view, std::string_view, std::string_view) { return 1; }

class Input {
 public:
  Input(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  std::uint8_t byte() { return pos_ < n_ ? d_[pos_++] : 0; }
  void fill(std::uint8_t* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = byte();
  }
  std::size_t left() const { return n_ - std::min(pos_, n_); }

 private:
  const std::uint8_t* d_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

std::array<std::uint8_t, 82> mask(char kind, const char* text) {
  std::array<std::uint8_t, 82> m;
  m.fill(' ');
  m[0] = static_cast<std::uint8_t>(kind);
  std::size_t n = std::strlen(text);
  std::memcpy(m.data() + 2, text, n);
  m[2 + n] = 0xDD;
  return m;
}

const char* const kKeys[] = {
    "key Tab",       "key shift+Tab", "key Enter", "key Esc",    "key Home",   "key Up",
    "key Down",      "key Left",      "key Right", "key Insert", "key Delete", "key ctrl+End",
    "key Backspace", "type a",        "type 7",    "type Zz-",   "type .",     "click 3 20",
    "click 5 2",     "click 25 3",    "key F1",    "key alt+F1", "wait 1",     "type /",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = [] {
    kv::set_box_hook(&quiet_box);
    kv::engine::set_abort_hook(&stop_abort);
    auto& t = kv::engine::tables();
    t.masks[0] = mask('N', "ZZZ,ZZ9.99-");
    t.masks[1] = mask('D', "/");
    t.masks[2] = mask('C', "XX-XX-XX");
    t.mask_count = 3;
    return true;
  }();
  (void)once;

  Input in(data, size);
  const int n = in.byte() % 13;
  static const char kRepaint[] = {'Y', 'N', 'S', 'X', 'R', 'O', 'W', 'I', 'C'};
  const char repaint = kRepaint[in.byte() % sizeof kRepaint];
  static const char kBase[] = {'0', '1', '7', '8', '9', ' '};
  const char base = kBase[in.byte() % sizeof kBase];
  const std::uint8_t geometry = in.byte();
  const std::uint8_t opts = in.byte();
  const std::size_t ws_len = (in.byte() | (in.byte() << 8)) % 400;
  const std::size_t val_len = (in.byte() | (in.byte() << 8)) % 200;

  kv::engine::Options& o = kv::engine::options();
  o = kv::engine::Options{};
  o.monochrome = opts & 1;
  o.misc[2] = (opts & 2) ? '_' : 0;
  o.misc[3] = (opts & 4) ? '.' : 0;

  // ---- WORK-D: header, descriptors, X'FF', validation records, X'FF'.
  std::vector<std::uint8_t> wd_bytes(16 + 16 * static_cast<std::size_t>(n));
  in.fill(wd_bytes.data(), wd_bytes.size());
  kv::put_u16(wd_bytes.data(), static_cast<std::uint16_t>(n));
  wd_bytes[6] = 'B';
  std::size_t data_end = 316 + 4 * static_cast<std::size_t>(n);
  for (int i = 0; i < n; ++i) {
    std::uint8_t* d = wd_bytes.data() + 16 + 16 * i;
    // Data offsets stay in a record of reasonable size; links may be
    // anything, including broken rings.
    std::uint16_t off = static_cast<std::uint16_t>(kv::get_u16(d + 5) % 300);
    kv::put_u16(d + 5, off);
    std::size_t end = 316 + (off > 0 ? off - 1 : 0) + std::max<std::size_t>(d[2], 1);
    data_end = std::max(data_end, end);
  }
  wd_bytes.push_back(0xFF);
  for (std::size_t i = 0; i < val_len; ++i) wd_bytes.push_back(in.byte());
  // The list ends with X'FF' and, as in generated panels, a X'00'; a last
  // record without its X'00' may be read up to its 70 value characters.
  wd_bytes.push_back(0xFF);
  wd_bytes.insert(wd_bytes.end(), 80, 0x00);
  auto work_d = std::make_unique<std::uint8_t[]>(wd_bytes.size());
  std::memcpy(work_d.get(), wd_bytes.data(), wd_bytes.size());

  // ---- the panel record, as large as its fields' data reach.
  std::vector<std::uint8_t> rec_bytes(std::max<std::size_t>(data_end, 317), ' ');
  in.fill(rec_bytes.data(), 316);
  std::memcpy(rec_bytes.data(), "FUZZPANL", 8);
  // PANEL-NUMB-OF-FIELDS may disagree with WORK-D's count.
  kv::put_u16(rec_bytes.data() + 8, static_cast<std::uint16_t>((opts & 32) ? n / 2 : n));
  rec_bytes[10] = static_cast<std::uint8_t>(base);
  rec_bytes[186] = static_cast<std::uint8_t>(repaint);
  rec_bytes[212] = (opts & 8) ? 0xC3 : 'C';
  // The exit names are kept blank or low-values: a named exit would be
  // looked up on the machine.
  std::memset(rec_bytes.data() + 188, (opts & 16) ? ' ' : 0, 24);
  in.fill(rec_bytes.data() + 316, rec_bytes.size() - 316);
  auto record = std::make_unique<std::uint8_t[]>(rec_bytes.size());
  std::memcpy(record.get(), rec_bytes.data(), rec_bytes.size());

  // ---- WORK-S: header, items, X'FF'.
  std::vector<std::uint8_t> ws_bytes(19, ' ');
  ws_bytes[0] = in.byte();
  ws_bytes[1] = (geometry & 0x80) ? 'A' : 'B';
  ws_bytes[2] = in.byte() % 60;
  ws_bytes[3] = 0;
  ws_bytes[4] = in.byte() % 100;
  ws_bytes[5] = 0;
  ws_bytes[6] = 20;
  ws_bytes[7] = static_cast<std::uint8_t>(geometry & 7);
  ws_bytes[8] = static_cast<std::uint8_t>((geometry >> 3) & 3);
  for (std::size_t i = 0; i < ws_len; ++i) ws_bytes.push_back(in.byte());
  // The list ends with X'FF'; an item cut short by the end of the input
  // reads what follows as its text, as far as its length byte declares.
  ws_bytes.insert(ws_bytes.end(), 260, 0xFF);
  auto work_s = std::make_unique<std::uint8_t[]>(ws_bytes.size());
  std::memcpy(work_s.get(), ws_bytes.data(), ws_bytes.size());

  // ---- a short key script from what is left.
  std::string script;
  for (int i = 0; i < 12 && in.left() > 0; ++i)
    script += std::string(kKeys[in.byte() % (sizeof kKeys / sizeof kKeys[0])]) + "\n";

  kv::engine::reset_call_memory();
  kv::term::common() = kv::term::ScrCommon{};
  auto display = std::make_unique<kv::term::HeadlessDisplay>(script);
  display->set_stop(&stop_display);
  static std::FILE* sink = std::fopen("/dev/null", "w");
  display->set_log(sink ? sink : stderr);
  kv::term::use_display(std::move(display));
  kv::term::first_call_setup();
  std::uint8_t pass[8] = {};
  try {
    kv::engine::panel_call(record.get(), pass, work_s.get(), work_d.get());
    // A call that returned leaves the record ready for the next call.
    kv::PanelRecord r(record.get());
    if (!r.is_ebcdic() && (r.repaint_screen() != 'Y' || r.display_option() != 0)) __builtin_trap();
  } catch (const Stop&) {
  }
  return 0;
}
