// The mask library EDITMASK.SEQ and the editor's use of masks:
// DSGNMASK answers "mask n" from the library, EDMASKL measures how wide a
// masked field is on the screen, DSGNMASKD shows a value through a mask
// (or bytes as hexadecimal text).
//
// The file is line-sequential text in the mask directory.  A line is a mask
// line when it starts with "N", "C" or "D" and holds the end marker X'DD'
// within its first 99 characters, or when it starts with "C" and one of
// "LlCcRr" (a justification mask, which needs no marker).  Other lines
// (comments, blank lines) are skipped.  Mask lines are numbered from 1 in
// file order; at most 250 are kept.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::editor::masklib {

inline constexpr std::size_t kMaskRecord = 82;
inline constexpr int kMaxMasks = 250;
inline constexpr std::uint8_t kMaskEnd = 0xDD;
inline constexpr const char* kMaskFileName = "EDITMASK.SEQ";
// EDMASKL's mask number for hexadecimal display.
inline constexpr int kHexMask = 254;

using MaskRecord = std::array<std::uint8_t, kMaskRecord>;

class MaskLibrary {
 public:
  // Reads `path`; false (and an empty table) when it cannot be opened.
  bool load(const std::string& path);
  void load_text(std::string_view text);
  int count() const { return static_cast<int>(masks_.size()); }
  // Mask n; mask 1 for a number outside 1..count; spaces when empty.
  MaskRecord mask(int n) const;
  // Line numbers (from 1) of the lines read that begin with "N", "C" or "D"
  // but are no mask line, for want of the X'DD' end marker: most often a
  // mask whose marker was written as a character of another code.
  const std::vector<int>& unmarked_lines() const { return unmarked_; }

 private:
  std::vector<MaskRecord> masks_;
  std::vector<int> unmarked_;
};

// A mask line of the file as its 82-byte record, or nullopt for a line
// that is not a mask line.  The record holds the line up to its X'DD'
// (at most 81 characters), the X'DD', then spaces; a justification line
// without a marker is kept to 81 characters padded with spaces (its data
// positions) and then ended with X'DD'.
std::optional<MaskRecord> mask_line(std::string_view line);

// The library DSGNMASK uses: loaded on first use from the mask directory
// of the stored settings.  reset_mask_library() makes the next use load
// again (after the settings changed).
const MaskLibrary& mask_library();
void reset_mask_library();

// The display length of a field of `positions` positions shown through
// `mask`, and whether the mask can hold them (return code 0, or 24).
struct MaskedLength {
  int display_length = 0;
  int return_code = 0;
};
MaskedLength masked_length(const MaskRecord& mask, int positions);

}  // namespace kv::editor::masklib

extern "C" {
// DSGNMASK USING mask number 9(3), mask record X(82).
int DSGNMASK(const std::uint8_t* number3, std::uint8_t* record82);
// EDMASKL USING control X, mask number (16-bit), text, field length
// (16-bit), text, display length (16-bit, out).  Returns 0 or 24.
int EDMASKL(const std::uint8_t* control, const std::uint8_t* mask16, const std::uint8_t* text,
            const std::uint8_t* length16, const std::uint8_t* text2, std::uint8_t* display16);
// DSGNMASKD USING control block, input, output.  The control block: output
// length (16-bit), input length (16-bit), mode letter, function letter,
// mask record (82).  Function "H": the input bytes as upper-case
// hexadecimal text (output length := 2 x input length).  Any other function
// letter is a field type: the input is shown through the mask as the
// runtime shows it, at the output length (or, when that is 0, at the
// mask's display length for input-length positions); mode "U" converts the
// other way, display text to value.  The length produced goes into the
// input-length slot.  Returns the conversion's return code.
int DSGNMASKD(std::uint8_t* control, const std::uint8_t* input, std::uint8_t* output);
}
