// CELLVIEW: the runtime's exported entry, four addresses.  The first two
// bytes of argument 1 tell the call apart: X'FFFF' the initialisation call,
// a second byte of X'00' a function call (number 0-19), anything else a
// panel call.
#pragma once

#include <cstdint>

#include "runtime/utilities/export.h"

extern "C" KV_EXPORT int CELLVIEW(void* a1, void* a2, void* a3, void* a4);

namespace kv::iface {

// Offsets of the initialisation block (also filled by function 17).
namespace init_off {
inline constexpr int kSettingsFile = 2;     // 255
inline constexpr int kWindowHandle = 257;   // 4
inline constexpr int kSecondHandle = 261;   // 4
inline constexpr int kWindowTitle = 265;    // 255
inline constexpr int kAboutTitle = 520;     // 255
inline constexpr int kAboutText = 775;      // 255
inline constexpr int kFontHeight = 1030;
inline constexpr int kFontWidth = 1032;
inline constexpr int kFontEscapement = 1034;
inline constexpr int kFontOrientation = 1036;
inline constexpr int kFontWeight = 1038;
inline constexpr int kFontItalic = 1040;
inline constexpr int kFontUnderline = 1041;
inline constexpr int kFontStrikeout = 1042;
inline constexpr int kFontCharSet = 1043;
inline constexpr int kFontOutPrecision = 1044;
inline constexpr int kFontClipPrecision = 1045;
inline constexpr int kFontQuality = 1046;
inline constexpr int kFontPitchFamily = 1047;
inline constexpr int kFontFace = 1048;      // 32
inline constexpr int kMenuOption = 1112;
inline constexpr int kAltKey = 1113;
inline constexpr int kSystemMenu = 1114;
inline constexpr int kGlobalClose = 1115;
inline constexpr int kStatusNum = 1117;
inline constexpr int kStatusCaps = 1118;
inline constexpr int kStatusInsert = 1119;
inline constexpr int kWindowX = 1120;
inline constexpr int kWindowY = 1122;
inline constexpr int kWindowWidth = 1124;
inline constexpr int kWindowHeight = 1126;
inline constexpr int kMultipleInstances = 1177;
inline constexpr int kMb1DoubleChar = 1178;
inline constexpr int kMb1DoubleFunc = 1180;
inline constexpr int kMb1Selector = 1182;
inline constexpr int kMouseArrowKeys = 1183;
inline constexpr int kMenuMissedChar = 1184;
inline constexpr int kMenuMissedFunc = 1186;
inline constexpr int kNewFieldOption = 1188;
inline constexpr int kMissedFieldChar = 1189;
inline constexpr int kMissedFieldFunc = 1191;
inline constexpr int kMb2DoubleChar = 1193;
inline constexpr int kMb2DoubleFunc = 1195;
inline constexpr int kMb2ReleaseChar = 1197;
inline constexpr int kMb2ReleaseFunc = 1199;
inline constexpr int kSize = 1201;
}  // namespace init_off

// Process state of the entry.
struct EntryState {
  bool first_call_pending = true;  // set again by function 2
  bool initialised = false;        // after the first initialisation call
  bool options_copied = false;     // option bytes and settings read once
  bool stub_seen = false;
};
EntryState& entry_state();

void initialisation_call(std::uint8_t* block, const std::uint8_t* stub, const std::uint8_t* masks,
                         const std::uint8_t* messages);
void function_call(int number, std::uint8_t* block);
void apply_option_letters(const std::uint8_t* letters, int count);

}  // namespace kv::iface
