#include "runtime/utilities/data_utils.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <langinfo.h>
#include <locale.h>
#include <string_view>
#include <sys/uio.h>
#include <unistd.h>

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/codepage.h"
#include "runtime/utilities/log.h"
#include "runtime/utilities/platform.h"

namespace kv {

namespace {
#include "runtime/utilities/ebcdic_tables.inc"

// The screen byte for the first character of a locale string (UTF-8 in a
// UTF-8 locale).  0 when there is none or it has no glyph.
char first_char_byte(const char* s) {
  if (!s || !*s) return 0;
  std::string_view sv(s);
  std::size_t pos = 0;
  char32_t c = next_utf8(sv, pos);
  if (c == 0xA0 || c == 0x202F) return ' ';  // no-break spaces group as a space
  int b = byte_for(c);
  if (b > 0) return static_cast<char>(b);
  return static_cast<unsigned char>(s[0]) < 0x80 ? s[0] : 0;
}

// Date order and separator from a strftime date format.
void date_format_facts(std::string_view fmt, int* order, char* sep) {
  std::string expanded;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size()) {
      char k = fmt[i + 1];
      if (k == 'E' || k == 'O') {  // modifiers: skip to the conversion
        if (i + 2 < fmt.size()) k = fmt[i + 2], ++i;
      }
      if (k == 'D') expanded += "%m/%d/%y";
      else if (k == 'F') expanded += "%Y-%m-%d";
      else expanded += std::string("%") + k;
      ++i;
    } else {
      expanded += fmt[i];
    }
  }
  int pd = -1, pm = -1, py = -1;
  char found_sep = 0;
  for (std::size_t i = 0; i + 1 < expanded.size(); ++i) {
    if (expanded[i] != '%') {
      if (!found_sep && (pd >= 0 || pm >= 0 || py >= 0)) found_sep = expanded[i];
      continue;
    }
    char k = expanded[i + 1];
    int pos = static_cast<int>(i);
    if ((k == 'd' || k == 'e') && pd < 0) pd = pos;
    if ((k == 'm' || k == 'b' || k == 'B' || k == 'h') && pm < 0) pm = pos;
    if ((k == 'y' || k == 'Y' || k == 'C') && py < 0) py = pos;
    ++i;
  }
  if (pd >= 0 && pm >= 0 && py >= 0) {
    if (py < pm && py < pd) *order = 2;
    else if (pd < pm) *order = 1;
    else *order = 0;
  }
  if (found_sep && found_sep != ' ') *sep = found_sep;
}

char time_separator(std::string_view fmt) {
  for (std::size_t i = 0; i + 1 < fmt.size(); ++i) {
    if (fmt[i] == '%') {
      char k = fmt[i + 1];
      if (k == 'T' || k == 'R' || k == 'r') return ':';
      ++i;
      continue;
    }
    return fmt[i];
  }
  return ':';
}

}  // namespace

Country country_from_locale() {
  Country c;
  locale_t loc = newlocale(LC_NUMERIC_MASK | LC_MONETARY_MASK | LC_TIME_MASK | LC_CTYPE_MASK |
                               LC_TELEPHONE_MASK | LC_ADDRESS_MASK,
                           "", static_cast<locale_t>(nullptr));
  if (!loc) return c;
  const char* currency = nl_langinfo_l(CRNCYSTR, loc);
  const char* thousands = nl_langinfo_l(THOUSEP, loc);
  const char* mon_thousands = nl_langinfo_l(MON_THOUSANDS_SEP, loc);
  bool has_monetary = currency && currency[0] && currency[1];
  bool has_grouping = (thousands && *thousands) || (mon_thousands && *mon_thousands);
  if (has_monetary || has_grouping) {
    // CRNCYSTR begins with the position of the symbol: '-' before, '+' after.
    if (has_monetary) {
      char sym = first_char_byte(currency + 1);
      if (sym) c.currency = sym;
      c.currency_format = currency[0] == '+' ? '1' : '0';
    }
    const char* tsep = (thousands && *thousands) ? thousands : mon_thousands;
    char t = first_char_byte(tsep);
    if (t) c.thousands = t;
    char d = first_char_byte(nl_langinfo_l(RADIXCHAR, loc));
    if (d) c.decimal = d;
    date_format_facts(nl_langinfo_l(D_FMT, loc), &c.date_order, &c.date_sep);
    c.time_sep = time_separator(nl_langinfo_l(T_FMT, loc));
    std::string_view tfmt = nl_langinfo_l(T_FMT, loc);
    c.time_format = (tfmt.find("%H") != std::string_view::npos ||
                     tfmt.find("%T") != std::string_view::npos || tfmt.find("%R") != std::string_view::npos)
                        ? 1
                        : 0;
    c.list_sep = c.decimal == ',' ? ';' : ',';
    const char* fd = nl_langinfo_l(__FRAC_DIGITS, loc);
    if (fd && static_cast<unsigned char>(*fd) <= 9) c.currency_digits = static_cast<unsigned char>(*fd);
  }
#ifdef _NL_TELEPHONE_INT_PREFIX
  const char* prefix = nl_langinfo_l(_NL_TELEPHONE_INT_PREFIX, loc);
  if (prefix && *prefix) {
    std::string_view p(prefix);
    if (p.size() > 6) p = p.substr(p.size() - 6);
    c.code = std::atoi(std::string(p).c_str());
  }
#endif
#ifdef _NL_ADDRESS_COUNTRY_NAME
  const char* name = nl_langinfo_l(_NL_ADDRESS_COUNTRY_NAME, loc);
  if (name && *name) c.name = from_utf8(name).substr(0, 30);
#endif
  freelocale(loc);
  return c;
}

void fill_country_record(const Country& c, std::uint8_t* r) {
  std::memset(r, 0, 34);
  put_u16(r, static_cast<std::uint16_t>(c.date_order));
  r[2] = static_cast<std::uint8_t>(c.currency);
  r[7] = static_cast<std::uint8_t>(c.thousands == static_cast<char>(0xA0) ? ' ' : c.thousands);
  r[9] = static_cast<std::uint8_t>(c.decimal);
  r[11] = static_cast<std::uint8_t>(c.date_sep);
  r[13] = static_cast<std::uint8_t>(c.time_sep);
}

void ascii_to_ebcdic(std::uint8_t* text, int length, char sign) {
  if (length <= 0) return;
  std::uint8_t last = text[length - 1];
  for (int i = 0; i < length; ++i) text[i] = kAsciiToEbcdic[text[i]];
  if (sign == 'Y') {
    if (last >= '0' && last <= '9') text[length - 1] = static_cast<std::uint8_t>(0xC0 + (last - '0'));
    else if (last >= 0x20 && last <= 0x29) text[length - 1] = static_cast<std::uint8_t>(0xD0 + (last - 0x20));
  }
}

void ebcdic_to_ascii(std::uint8_t* text, int length, char sign) {
  if (length <= 0) return;
  std::uint8_t last = text[length - 1];
  for (int i = 0; i < length; ++i) text[i] = kEbcdicToAscii[text[i]];
  if (sign == 'Y') {
    if (last >= 0xC0 && last <= 0xC9) text[length - 1] = static_cast<std::uint8_t>('0' + (last - 0xC0));
    else if (last >= 0xD0 && last <= 0xD9) text[length - 1] = static_cast<std::uint8_t>(0x20 + (last - 0xD0));
  }
}

bool storage_readable(const void* address, std::size_t length) {
  if (length == 0) return true;
  if (address == nullptr) return false;
  // Reading our own memory through the kernel reports an unmapped or
  // protected range as EFAULT instead of faulting.
  static char sink[4096];
  std::size_t done = 0;
  while (done < length) {
    std::size_t n = std::min(sizeof sink, length - done);
    iovec local{sink, n};
    iovec remote{const_cast<char*>(static_cast<const char*>(address)) + done, n};
    ssize_t r = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (r < 0) {
      if (errno != ENOSYS && errno != EPERM) return false;
      // Without process_vm_readv, a write of the range into a pipe does the
      // same test.
      int fds[2];
      if (pipe(fds) != 0) return false;
      ssize_t w = write(fds[1], static_cast<const char*>(address) + done, n);
      close(fds[0]);
      close(fds[1]);
      if (w < 0) return false;
      r = w;
    }
    if (r == 0) return false;
    done += static_cast<std::size_t>(r);
  }
  return true;
}

TimeOfDay time_of_day() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return {tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms / 10)};
}

std::uint16_t shift_flags() {
  auto& hooks = platform_hooks();
  static const StateKey order[8] = {StateKey::Insert, StateKey::CapsLock, StateKey::NumLock,
                                    StateKey::ScrollLock, StateKey::Alt, StateKey::Ctrl,
                                    StateKey::Shift, StateKey::Shift};
  int result = 0;
  for (int i = 0; i < 8; ++i) {
    std::int16_t reading = hooks.key_state ? hooks.key_state(order[i]) : 0;
    // Alt, Ctrl and Shift report "down" in the top bit; halving moves it
    // out of the low byte's test so only their toggle history counts.
    if (i >= 4) reading = static_cast<std::int16_t>(reading / 2);
    result = result * 2 + ((reading & 0xFF) != 0 ? 1 : 0);
  }
  return static_cast<std::uint16_t>(result);
}

void upcase(std::uint8_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = upper_byte(text[i]);
}
void lowcase(std::uint8_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = lower_byte(text[i]);
}

PlatformHooks& platform_hooks() {
  static PlatformHooks hooks;
  return hooks;
}

}  // namespace kv

using kv::get_s16;
using kv::get_u32;

extern "C" {

int SXR_BIBY(std::uint8_t* byte, std::uint8_t* bits) {
  unsigned value = 0;
  for (int i = 0; i < 8; ++i) value = value * 2 + (bits[i] != 0 ? 1 : 0);
  *byte = static_cast<std::uint8_t>(value);
  return 0;
}

int SXR_BYBI(std::uint8_t* byte, std::uint8_t* bits) {
  unsigned value = *byte;
  std::memset(bits, 0, 8);
  for (int i = 7; i >= 0; --i) {
    bits[i] = static_cast<std::uint8_t>(value % 2);
    value /= 2;
  }
  return 0;
}

int SXR_BEEP(void*, void*) {
  if (kv::platform_hooks().beep) kv::platform_hooks().beep();
  return 0;
}

int SXR_CASU(std::uint8_t* text, std::uint8_t* length16) {
  int n = get_s16(length16);
  kv::upcase(text, static_cast<std::size_t>(n < 0 ? -n : n));
  return 0;
}

int SXR_CASL(std::uint8_t* text, std::uint8_t* length16) {
  int n = get_s16(length16);
  kv::lowcase(text, static_cast<std::size_t>(n < 0 ? -n : n));
  return 0;
}

int SXR_SHFT(std::uint8_t* flags16) {
  kv::put_u16(flags16, kv::shift_flags());
  return 0;
}

int SXR_CDI(std::uint8_t* code16, std::uint8_t* record34, std::uint8_t* name30) {
  kv::Country c = kv::country_from_locale();
  kv::put_u16(code16, static_cast<std::uint16_t>(c.code));
  kv::fill_country_record(c, record34);
  if (name30) kv::put_padded(name30, 30, c.name);
  return 0;
}

int SXR_ENVG(const std::uint8_t* name, std::uint8_t* value121) {
  // The name ends at X'00'; a name without one is cut at 255 characters
  // rather than read past its field.
  char buf[256];
  std::size_t n = 0;
  while (n < 255 && name[n] != 0) {
    buf[n] = static_cast<char>(name[n]);
    ++n;
  }
  buf[n] = 0;
  std::string trimmed(kv::trim_right(std::string_view(buf, n)));
  const char* v = trimmed.empty() ? nullptr : std::getenv(trimmed.c_str());
  kv::put_padded(value121, 121, v ? v : "");
  return 0;
}

int SXR_LOG(std::uint8_t* line221) {
  kv::log_write(kv::field(line221, 221));
  std::memset(line221, ' ', 221);
  return 0;
}

int SXR_ANDT(const std::uint8_t* a32, const std::uint8_t* b32, std::uint8_t* result) {
  std::uint32_t a = get_u32(a32), b = get_u32(b32);
  *result = (a & b) == b ? '1' : '0';
  return 0;
}

int SCR_ASEB(std::uint8_t* text, const std::uint8_t* length16, const std::uint8_t* sign) {
  kv::ascii_to_ebcdic(text, get_s16(length16), static_cast<char>(*sign));
  return 0;
}

int SCR_EBAS(std::uint8_t* text, const std::uint8_t* length16, const std::uint8_t* sign) {
  kv::ebcdic_to_ascii(text, get_s16(length16), static_cast<char>(*sign));
  return 0;
}

int SXR_LSL(void* const* address, std::uint8_t* length16) {
  std::uint16_t n = kv::get_u16(length16);
  if (!kv::storage_readable(*address, n)) kv::put_u16(length16, 0);
  return 0;
}

int SXR_TAN(std::uint8_t* result, const std::uint8_t* character) {
  *result = kv::is_letter(*character) ? 'A' : kv::is_alnum(*character) ? 'N' : '0';
  return 0;
}

int SXR_TOD(std::uint8_t* record8) {
  kv::TimeOfDay t = kv::time_of_day();
  kv::put_u16(record8, static_cast<std::uint16_t>(t.hour));
  kv::put_u16(record8 + 2, static_cast<std::uint16_t>(t.minute));
  kv::put_u16(record8 + 4, static_cast<std::uint16_t>(t.second));
  kv::put_u16(record8 + 6, static_cast<std::uint16_t>(t.centi));
  return 0;
}

int SXR_YLD() { return 0; }

int SKR_BIBY(std::uint8_t* byte, std::uint8_t* bits) { return SXR_BIBY(byte, bits); }
int SKR_BYBI(std::uint8_t* byte, std::uint8_t* bits) { return SXR_BYBI(byte, bits); }
int SKR_BEEP(void* a, void* b) { return SXR_BEEP(a, b); }
int SKR_CASU(std::uint8_t* t, std::uint8_t* l) { return SXR_CASU(t, l); }
int SKR_CASL(std::uint8_t* t, std::uint8_t* l) { return SXR_CASL(t, l); }
int SKR_SHFT(std::uint8_t* f) { return SXR_SHFT(f); }
int SKR_CDI(std::uint8_t* code16, std::uint8_t* record34) {
  return SXR_CDI(code16, record34, nullptr);
}
int SKR_ENVG(const std::uint8_t* name, std::uint8_t* value121) { return SXR_ENVG(name, value121); }
int SKR_LOG(std::uint8_t* line221) { return SXR_LOG(line221); }

}  // extern "C"
