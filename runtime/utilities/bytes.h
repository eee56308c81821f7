// Byte-level access to the fixed-layout areas that cross the application
// boundary.  Everything is read and written at documented offsets through
// these helpers, never by casting to packed structures.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kv {

using u8 = std::uint8_t;

inline std::uint16_t get_u16(const u8* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::int16_t get_s16(const u8* p) {
  return static_cast<std::int16_t>(get_u16(p));
}
inline std::uint32_t get_u32(const u8* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t get_s32(const u8* p) {
  return static_cast<std::int32_t>(get_u32(p));
}
inline void put_u16(u8* p, std::uint16_t v) {
  p[0] = static_cast<u8>(v);
  p[1] = static_cast<u8>(v >> 8);
}
inline void put_s16(u8* p, std::int16_t v) { put_u16(p, static_cast<std::uint16_t>(v)); }
inline void put_u32(u8* p, std::uint32_t v) {
  p[0] = static_cast<u8>(v);
  p[1] = static_cast<u8>(v >> 8);
  p[2] = static_cast<u8>(v >> 16);
  p[3] = static_cast<u8>(v >> 24);
}
inline void put_s32(u8* p, std::int32_t v) { put_u32(p, static_cast<std::uint32_t>(v)); }

// A fixed-width character field as a string view.
inline std::string_view field(const u8* p, std::size_t n) {
  return {reinterpret_cast<const char*>(p), n};
}

// Copies text into a fixed-width field, padding with `pad` (space by default)
// and cutting what does not fit.
inline void put_padded(u8* p, std::size_t n, std::string_view text, u8 pad = ' ') {
  std::size_t k = std::min(n, text.size());
  std::memcpy(p, text.data(), k);
  std::memset(p + k, pad, n - k);
}

// A fixed-width field padded to n characters, as a std::string.
inline std::string padded(std::string_view text, std::size_t n, char pad = ' ') {
  std::string s(text.substr(0, std::min(n, text.size())));
  s.resize(n, pad);
  return s;
}

// Text of a fixed field with trailing spaces and low-values removed.
inline std::string_view trim_right(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
  return s.substr(0, n);
}

// Text up to the first X'00' (or the whole field).
inline std::string_view up_to_nul(std::string_view s) {
  auto k = s.find('\0');
  return k == std::string_view::npos ? s : s.substr(0, k);
}

// Right-aligned decimal with leading zeros, `width` digits; a negative
// number keeps its minus sign in the first position.
inline std::string zero_padded(long value, int width) {
  bool neg = value < 0;
  unsigned long v = neg ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  std::string digits(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0 && v > 0; --i) {
    digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  if (neg && width > 0) digits[0] = '-';
  return digits;
}

}  // namespace kv
