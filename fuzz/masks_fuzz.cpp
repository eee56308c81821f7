// Fuzzes SCRMASK over the whole request: mask record, display length,
// direction, mode, sign convention, country and both buffers.  The buffers
// are exact-size heap blocks, so a read or write outside them is caught by
// AddressSanitizer; the conversion's own promises are checked below.
//
// Input layout (missing bytes read as spaces):
//   0       direction        1  mode              2  country choice
//   3-4     display length (signed, little-endian, deliberately unclamped)
//   5       convention: bit 7 set = raw fields from bytes 6-14, else stub byte
//   6       compiler / stub byte 1
//   7-8     below/above negative   9-10 negative bias
//   11-12   below/above positive   13-14 positive bias
//   15      sign processing
//   16-97   mask record (82)
//   98-257  value buffer (160)     258-417 display buffer (160)

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/masks/scrmask.h"

namespace {

using kv::mask::CountryValues;
using kv::mask::kBufferSize;
using kv::mask::kMaskRecordSize;

constexpr std::size_t kHeader = 16;
constexpr std::size_t kTotal = kHeader + kMaskRecordSize + 2 * kBufferSize;

void require(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t in[kTotal];
  std::memset(in, ' ', sizeof in);
  std::memcpy(in, data, size < kTotal ? size : kTotal);

  static const char kDirections[] = {'D', 'd', 'U'};
  static const char kModes[] = {' ', 'H', '4', '5'};
  static const CountryValues kCountries[] = {
      {'.', ',', '$', '/', ':', 0},
      {',', '.', '$', '.', ':', 1},
      {'.', ',', 0x9C, '-', ':', 2},
      {',', ' ', 'E', '/', '.', 1},
  };
  // Mostly the meaningful values, sometimes any byte.
  char direction = (in[0] & 0x80) ? static_cast<char>(in[0]) : kDirections[in[0] % 3];
  char mode = (in[1] & 0x80) ? static_cast<char>(in[1]) : kModes[in[1] % 4];
  kv::mask::pin_country(kCountries[in[2] % 4]);

  auto request = std::make_unique<kv::mask::MaskRequest>();
  kv::mask::MaskRequest& r = *request;
  if (in[5] & 0x80) {
    r.compiler = static_cast<char>(in[6]);
    r.below_negative = in[7];
    r.above_negative = in[8];
    r.negative_bias = static_cast<std::int16_t>(in[9] | in[10] << 8);
    r.below_positive = in[11];
    r.above_positive = in[12];
    r.positive_bias = static_cast<std::int16_t>(in[13] | in[14] << 8);
    r.sign_processing = static_cast<char>(in[15]);
  } else {
    std::uint8_t stub[20] = {};
    stub[0] = in[6];
    kv::mask::set_sign_convention(r, stub);
  }
  r.display_length = static_cast<std::int16_t>(in[3] | in[4] << 8);
  r.direction = direction;
  r.mode = mode;
  std::memcpy(r.mask_record.data(), in + kHeader, kMaskRecordSize);

  std::unique_ptr<std::uint8_t[]> value(new std::uint8_t[kBufferSize]);
  std::unique_ptr<std::uint8_t[]> display(new std::uint8_t[kBufferSize]);
  std::memcpy(value.get(), in + kHeader + kMaskRecordSize, kBufferSize);
  std::memcpy(display.get(), in + kHeader + kMaskRecordSize + kBufferSize, kBufferSize);
  std::uint8_t value_before[kBufferSize], display_before[kBufferSize];
  std::memcpy(value_before, value.get(), kBufferSize);
  std::memcpy(display_before, display.get(), kBufferSize);
  const std::array<std::uint8_t, kMaskRecordSize> record_before = r.mask_record;

  kv::mask::SCRMASK(r, value.get(), display.get(), nullptr);

  require(r.return_code == 0 || r.return_code == 20 || r.return_code == 24 || r.return_code == 31);
  require(r.data_length >= 0 && r.data_length <= 80);
  require((r.mask_length >= 0 && r.mask_length <= 80) || r.mask_length == 12);
  require(r.mask_record == record_before);
  int width = r.display_length < 0 ? 0 : (r.display_length > 160 ? 160 : r.display_length);
  if (direction == 'U') {
    // Reads the display, writes the value only.
    require(std::memcmp(display.get(), display_before, kBufferSize) == 0);
  } else {
    // Writes the display's first display-length bytes only.
    require(std::memcmp(value.get(), value_before, kBufferSize) == 0);
    require(std::memcmp(display.get() + width, display_before + width,
                        static_cast<std::size_t>(kBufferSize - width)) == 0);
  }
  return 0;
}
