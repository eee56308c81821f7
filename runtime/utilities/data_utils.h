// The data utilities of the runtime (module SCR_XXXX): bit packing, case
// conversion, beep, shift flags, country information, environment,
// ASCII/EBCDIC conversion, readability test, time of day.  The C entries
// with SKR_ names are exported to applications; the SXR_ and SCR_ entries
// are for the runtime's own modules.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/utilities/export.h"

namespace kv {

// Country information as the runtime keeps it.
struct Country {
  int code = 0;                 // telephone-style country code, 0 if unknown
  std::string name = "Unspecified";
  int date_order = 0;           // 0 month-day-year, 1 day-month-year, 2 year-month-day
  char currency = '$';
  char thousands = ',';
  char decimal = '.';
  char date_sep = '/';
  char time_sep = ':';
  char list_sep = ',';
  char currency_format = '0';  // position of the symbol: 0 before, 1 after
  int currency_digits = 2;
  int time_format = 0;          // 0 twelve-hour, 1 twenty-four-hour
};

// The user's country settings from the process locale (LC_NUMERIC,
// LC_MONETARY, LC_TIME); the United States values where the locale has no
// monetary or grouping data (C and POSIX).
Country country_from_locale();

// Fills the 34-byte country-information record from `c`.
void fill_country_record(const Country& c, std::uint8_t* record34);

// ASCII/EBCDIC conversion of `length` bytes in place; `sign` 'Y' treats the
// last byte as a trailing signed digit.
void ascii_to_ebcdic(std::uint8_t* text, int length, char sign);
void ebcdic_to_ascii(std::uint8_t* text, int length, char sign);

// True when `length` bytes at `address` can be read (never faults).
bool storage_readable(const void* address, std::size_t length);

// Local time as hour, minute, second, centiseconds.
struct TimeOfDay {
  int hour, minute, second, centi;
};
TimeOfDay time_of_day();

// The shift-flag word of the keyboard state (Insert, Caps, Num, Scroll,
// Alt, Ctrl, Shift, Shift from high to low).
std::uint16_t shift_flags();

// Upper- or lower-cases `length` screen bytes in place.
void upcase(std::uint8_t* text, std::size_t length);
void lowcase(std::uint8_t* text, std::size_t length);

}  // namespace kv

// Internal entries of the runtime's modules.
extern "C" {
int SXR_BIBY(std::uint8_t* byte, std::uint8_t* bits);
int SXR_BYBI(std::uint8_t* byte, std::uint8_t* bits);
int SXR_BEEP(void*, void*);
int SXR_CASU(std::uint8_t* text, std::uint8_t* length16);
int SXR_CASL(std::uint8_t* text, std::uint8_t* length16);
int SXR_SHFT(std::uint8_t* flags16);
int SXR_CDI(std::uint8_t* code16, std::uint8_t* record34, std::uint8_t* name30);
int SXR_ENVG(const std::uint8_t* name, std::uint8_t* value121);
int SXR_LOG(std::uint8_t* line221);
int SXR_ANDT(const std::uint8_t* a32, const std::uint8_t* b32, std::uint8_t* result);
int SCR_ASEB(std::uint8_t* text, const std::uint8_t* length16, const std::uint8_t* sign);
int SCR_EBAS(std::uint8_t* text, const std::uint8_t* length16, const std::uint8_t* sign);
int SXR_LSL(void* const* address, std::uint8_t* length16);
int SXR_TAN(std::uint8_t* result, const std::uint8_t* character);
int SXR_TOD(std::uint8_t* record8);
int SXR_YLD();

KV_EXPORT int SKR_BIBY(std::uint8_t* byte, std::uint8_t* bits);
KV_EXPORT int SKR_BYBI(std::uint8_t* byte, std::uint8_t* bits);
KV_EXPORT int SKR_BEEP(void*, void*);
KV_EXPORT int SKR_CASU(std::uint8_t* text, std::uint8_t* length16);
KV_EXPORT int SKR_CASL(std::uint8_t* text, std::uint8_t* length16);
KV_EXPORT int SKR_SHFT(std::uint8_t* flags16);
KV_EXPORT int SKR_CDI(std::uint8_t* code16, std::uint8_t* record34);
KV_EXPORT int SKR_ENVG(const std::uint8_t* name, std::uint8_t* value121);
KV_EXPORT int SKR_LOG(std::uint8_t* line221);
}
