// The screen code page.  Panels, masks and messages are single bytes of
// CP437 (default) or CP850; Unicode appears only at the edges (terminal,
// window, clipboard, headless scripts and dumps).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

enum class CodePage { Cp437, Cp850 };

// The code page in use: CP850 when KORVEXAN_CODEPAGE is "850", else CP437.
CodePage code_page();
void set_code_page(CodePage cp);

// The glyph of a byte (bytes below X'20' are the font's graphic symbols).
char32_t glyph(std::uint8_t byte);
// The byte for a typed or pasted Unicode character: ASCII maps to itself
// (control characters included); -1 when the code page has no such glyph.
int byte_for(char32_t c);

void append_utf8(std::string& out, char32_t c);
// Screen bytes shown as UTF-8.
std::string to_utf8(std::string_view bytes);
// UTF-8 text as screen bytes; characters without a glyph become `missing`.
std::string from_utf8(std::string_view utf8, char missing = '?');
// Decodes one UTF-8 character at `pos`, advancing it; invalid bytes give U+FFFD.
char32_t next_utf8(std::string_view s, std::size_t& pos);

// Locale-aware case mapping and classification of screen bytes.
std::uint8_t upper_byte(std::uint8_t b);
std::uint8_t lower_byte(std::uint8_t b);
bool is_letter(std::uint8_t b);
bool is_alnum(std::uint8_t b);

}  // namespace kv
