// SCRMASK: the mask module.  It turns a field's internal value into the
// characters shown on the screen ("to display") and what the user typed
// back into the value ("to user"), through an 82-byte mask record:
// numeric masks (digit positions, zero suppression, floating currency,
// separators, sign symbols), character masks (data positions, insertions,
// justification), date masks and hexadecimal display.
//
// The engine fills a MaskRequest per conversion; the editor may do the
// same to show values through masks.  Nothing here depends on engine or
// terminal types: the fourth argument of SCRMASK is carried for the call
// protocol and is not read.
#pragma once

#include <array>
#include <cstdint>

namespace kv {
struct Country;
}
namespace kv::term {
struct ScrCommon;
}

namespace kv::mask {

inline constexpr int kMaskRecordSize = 82;  // kind, fill, 80 bytes of text
inline constexpr int kMaskTextSize = 80;
inline constexpr int kBufferSize = 160;         // value and display buffers
inline constexpr std::uint8_t kMaskEnd = 0xDD;  // ends the mask text
inline constexpr int kMaxDigits = 18;

// Return codes.
inline constexpr std::int16_t kRcOk = 0;
inline constexpr std::int16_t kRcDigitsLeft = 20;  // display full, significant digits unplaced
inline constexpr std::int16_t kRcMaskShort = 24;   // mask text used up before the display
inline constexpr std::int16_t kRcOverflow = 31;    // typed value does not fit the mask

// The control record of one conversion.
struct MaskRequest {
  std::int16_t return_code = 0;     // out: 0, 20, 24 or 31
  std::int16_t display_length = 0;  // in: characters on the screen, 0..160
  // out, numeric and date masks: digit positions of the mask part in use
  // (at most 18); hexadecimal display: display length / 2.
  std::int16_t data_length = 0;
  // out, numeric "to user": the value entered as an integer of data-length
  // digits (decimal places included), negative when the user made it so.
  std::int64_t numeric_value = 0;

  // The application compiler's convention for the sign in the last digit
  // of a numeric value (see set_sign_convention).
  char compiler = 'G';
  std::uint8_t below_negative = 0x6F;  // exclusive bounds of a negative last digit
  std::uint8_t above_negative = 0x7A;
  std::int16_t negative_bias = -64;  // added to such a character gives the digit
  std::uint8_t below_positive = 0;   // exclusive bounds of a positive signed digit
  std::uint8_t above_positive = 0;
  std::int16_t positive_bias = 0;
  char sign_processing = 'p';  // "E" ASCII w/EBCDIC, "p" Micro Focus, else undefined

  char direction = 'D';  // "U" to user, "D" to display, "d" to display, zero as spaces
  char mode = ' ';       // "H" hexadecimal; "4"/"5" date entry ("/" closes a group)
  // out: characters of mask text before X'DD' (at most 80); 12 for date masks
  std::int16_t mask_length = 0;
  std::array<std::uint8_t, kMaskRecordSize> mask_record{};
};

// The conversion.  `value160` and `display160` must each hold 160 bytes;
// `common` may be null.  "U" reads the display and writes the value; "D"
// and "d" read the value and write the first display-length bytes of the
// display.  Never reads or writes outside the mask record and the two
// buffers, whatever they hold.
void SCRMASK(MaskRequest& request, std::uint8_t* value160, std::uint8_t* display160,
             kv::term::ScrCommon* common);

// The number of value characters a conversion with `request` reads or
// writes, without converting anything: for numeric and date masks the
// digit positions of the mask part in use (what SCRMASK returns as the
// data length), for hexadecimal display the display length / 2, for
// character masks the display length.
int data_length(const MaskRequest& request);

// Fills the compiler fields of `request` (compiler, bounds, biases, sign
// processing) from the 20 stub constants that KORVEXAN hands over on the
// initialisation call.  Byte 1 names the convention:
//   "G" (and anything unknown, an all-zero block included): GnuCOBOL's
//       default DISPLAY sign: trailing, "p"-"y" for a negative last digit,
//       a plain digit when positive;
//   "R": negative last digit held as X'20'-X'29', shown to the application
//       as "p"-"y" (sign processing "p");
//   "M": "p"-"y" negative; a last character in overpunch form ("{", "A"-"I",
//       "}", "J"-"R") is read as such, and a negative result is written back
//       in overpunch form (sign processing "E").
// `stub20` may be null (GnuCOBOL convention).
void set_sign_convention(MaskRequest& request, const std::uint8_t* stub20);

// The country values SCRMASK works with, fetched from the process locale
// on first use and kept for the process.
struct CountryValues {
  std::uint8_t decimal = '.';
  std::uint8_t thousands = ',';
  std::uint8_t currency = '$';
  std::uint8_t date_sep = '/';
  std::uint8_t time_sep = ':';
  int date_order = 0;  // 0 month-day-year, 1 day-month-year, 2 year-month-day
};
const CountryValues& country_values();

// Replaces the kept values with those of `c` (tests, the editor, a program
// that wants fixed conventions whatever the locale).
void pin_country(const kv::Country& c);
void pin_country(const CountryValues& values);
// Forgets the kept values: the next conversion fetches them from the
// locale again.
void reset_country();

// A request for `mask_record82` at `display_length` in `direction`, with
// the sign convention of `stub20` (null: GnuCOBOL).
MaskRequest make_request(const std::uint8_t* mask_record82, int display_length, char direction,
                         const std::uint8_t* stub20 = nullptr);

namespace detail {
// Switches the x86-64 shuffle form of the numeric display on or off (it is
// on wherever the processor has SSSE3) and returns the previous setting;
// tests and benchmarks use it to exercise the portable form.
bool use_shuffle(bool allowed);
}  // namespace detail

}  // namespace kv::mask
