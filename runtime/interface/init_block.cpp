#include "runtime/interface/init_block.h"

#include "runtime/interface/cellview.h"
#include "runtime/utilities/bytes.h"

namespace kv::iface {

namespace o = init_off;

void put_font(std::uint8_t* b, const term::LogicalFont& f) {
  put_s16(b + o::kFontHeight, static_cast<std::int16_t>(f.height % 10000));
  put_s16(b + o::kFontWidth, static_cast<std::int16_t>(f.width % 10000));
  put_s16(b + o::kFontEscapement, static_cast<std::int16_t>(f.escapement % 10000));
  put_s16(b + o::kFontOrientation, static_cast<std::int16_t>(f.orientation % 10000));
  put_s16(b + o::kFontWeight, static_cast<std::int16_t>(f.weight % 10000));
  b[o::kFontItalic] = f.italic;
  b[o::kFontUnderline] = f.underline;
  b[o::kFontStrikeout] = f.strikeout;
  b[o::kFontCharSet] = f.charset;
  b[o::kFontOutPrecision] = f.out_precision;
  b[o::kFontClipPrecision] = f.clip_precision;
  b[o::kFontQuality] = f.quality;
  b[o::kFontPitchFamily] = f.pitch_family;
  put_padded(b + o::kFontFace, 32, f.face, 0);
}

term::LogicalFont font_of_block(const std::uint8_t* b) {
  term::LogicalFont f;
  f.height = get_s16(b + o::kFontHeight);
  f.width = get_s16(b + o::kFontWidth);
  f.escapement = get_s16(b + o::kFontEscapement);
  f.orientation = get_s16(b + o::kFontOrientation);
  f.weight = get_s16(b + o::kFontWeight);
  f.italic = b[o::kFontItalic];
  f.underline = b[o::kFontUnderline];
  f.strikeout = b[o::kFontStrikeout];
  f.charset = b[o::kFontCharSet];
  f.out_precision = b[o::kFontOutPrecision];
  f.clip_precision = b[o::kFontClipPrecision];
  f.quality = b[o::kFontQuality];
  f.pitch_family = b[o::kFontPitchFamily];
  f.face = std::string(up_to_nul(trim_right(field(b + o::kFontFace, 32))));
  return f;
}

}  // namespace kv::iface
