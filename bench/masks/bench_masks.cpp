// Formats 1,000,000 values through mask 3 and mask 6 at display length 14
// and converts the displayed texts back, timing each direction.  The
// values come from the same generator as mask_bench.cob, so that both
// sides edit the same numbers.  Output: one line per measurement,
//   <mask> <direction> <ns per value> <million values per second>
// best of five runs.  KV_BENCH_PORTABLE=1 measures the portable display
// form instead of the x86-64 shuffle form.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/masks/scrmask.h"
#include "runtime/utilities/data_utils.h"

namespace {

using kv::mask::MaskRequest;
using u8 = std::uint8_t;

constexpr int kDistinct = 1000;
constexpr int kRounds = 1000;  // kDistinct * kRounds = 1,000,000 values
constexpr int kRuns = 5;
constexpr int kWidth = 14;

std::array<u8, 82> record(const char* text) {
  std::array<u8, 82> r;
  r.fill(' ');
  r[0] = 'N';
  std::size_t n = std::strlen(text);
  std::memcpy(r.data() + 2, text, n);
  r[2 + n] = 0xDD;
  return r;
}

// Values in cents: 1 to 8 digits, either sign, from a 31-bit LCG.
std::vector<long long> values() {
  std::vector<long long> v;
  unsigned long long s = 20261211;
  auto next = [&] { return s = (s * 1103515245ULL + 12345ULL) % 2147483648ULL; };
  for (int i = 0; i < kDistinct; ++i) {
    int digits = 1 + static_cast<int>(next() % 8);
    long long p = 1;
    for (int d = 0; d < digits; ++d) p *= 10;
    long long x = static_cast<long long>(next() % static_cast<unsigned long long>(p));
    if ((next() / 65536) % 2) x = -x;
    v.push_back(x);
  }
  return v;
}

// The zoned value of `dl` digits with GnuCOBOL's trailing sign.
std::array<u8, 160> zoned(long long x, int dl) {
  std::array<u8, 160> b;
  b.fill(' ');
  unsigned long long a =
      x < 0 ? static_cast<unsigned long long>(-x) : static_cast<unsigned long long>(x);
  for (int i = dl - 1; i >= 0; --i) {
    b[static_cast<std::size_t>(i)] = static_cast<u8>('0' + a % 10);
    a /= 10;
  }
  if (x < 0) b[static_cast<std::size_t>(dl - 1)] += 'p' - '0';
  return b;
}

template <typename F>
double best_ns(F&& body) {
  double best = 1e300;
  for (int run = 0; run < kRuns; ++run) {
    auto t0 = std::chrono::steady_clock::now();
    body();
    auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::nano>(t1 - t0).count());
  }
  return best / (kDistinct * kRounds);
}

int measure(const char* name, const char* text, const std::vector<long long>& vals) {
  const u8 stub[20] = {'G'};
  auto rec = record(text);
  MaskRequest display_req = kv::mask::make_request(rec.data(), kWidth, 'D', stub);
  MaskRequest user_req = kv::mask::make_request(rec.data(), kWidth, 'U', stub);

  // Data length of the mask part in use, from one conversion.
  std::array<u8, 160> scratch_v, scratch_d;
  scratch_v.fill('0');
  kv::mask::SCRMASK(display_req, scratch_v.data(), scratch_d.data(), nullptr);
  const int dl = display_req.data_length;

  std::vector<std::array<u8, 160>> zoned_values, displays(kDistinct);
  for (long long x : vals) zoned_values.push_back(zoned(x, dl));
  for (int i = 0; i < kDistinct; ++i) {
    MaskRequest r = display_req;
    kv::mask::SCRMASK(r, zoned_values[static_cast<std::size_t>(i)].data(),
                      displays[static_cast<std::size_t>(i)].data(), nullptr);
    if (r.return_code != 0) {
      std::fprintf(stderr, "%s: value %lld gives return code %d\n", name,
                   vals[static_cast<std::size_t>(i)], r.return_code);
      return 1;
    }
  }

  unsigned sink = 0;
  std::array<u8, 160> out;
  double to_display = best_ns([&] {
    for (int round = 0; round < kRounds; ++round)
      for (int i = 0; i < kDistinct; ++i) {
        MaskRequest& r = display_req;
        kv::mask::SCRMASK(r, zoned_values[static_cast<std::size_t>(i)].data(), out.data(), nullptr);
        sink += out[kWidth - 2];
      }
  });
  double to_user = best_ns([&] {
    for (int round = 0; round < kRounds; ++round)
      for (int i = 0; i < kDistinct; ++i) {
        MaskRequest& r = user_req;
        kv::mask::SCRMASK(r, out.data(), displays[static_cast<std::size_t>(i)].data(), nullptr);
        sink += out[static_cast<std::size_t>(dl - 1)];
      }
  });
  // The values must come back as they went in.
  for (int i = 0; i < kDistinct; ++i) {
    MaskRequest r = user_req;
    kv::mask::SCRMASK(r, out.data(), displays[static_cast<std::size_t>(i)].data(), nullptr);
    if (r.return_code != 0 ||
        std::memcmp(out.data(), zoned_values[static_cast<std::size_t>(i)].data(),
                    static_cast<std::size_t>(dl)) != 0) {
      std::fprintf(stderr, "%s: value %lld does not come back\n", name,
                   vals[static_cast<std::size_t>(i)]);
      return 1;
    }
  }
  std::printf("%s display %.1f %.2f\n", name, to_display, 1000.0 / to_display);
  std::printf("%s user %.1f %.2f\n", name, to_user, 1000.0 / to_user);
  std::fprintf(stderr, "(checksum %u)\n", sink);
  return 0;
}

}  // namespace

int main() {
  kv::mask::pin_country(kv::Country{});  // "$" "," "." whatever the locale
  // KV_BENCH_PORTABLE=1 measures the portable form of the numeric display
  // instead of the x86-64 shuffle form.
  if (const char* p = std::getenv("KV_BENCH_PORTABLE"); p && *p == '1')
    kv::mask::detail::use_shuffle(false);
  auto vals = values();
  int rc = measure("mask3", "ZZZ,ZZZ,ZZZ,ZZ9.99-", vals);
  rc |= measure("mask6", "$$$,$$$,$$$,$$9.99CR", vals);
  return rc;
}
