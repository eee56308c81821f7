// Runtime options set by function calls and the environment: the option
// letters, the kept option tables, miscellaneous option bytes, time-outs,
// the time-out exit and the global postkeystroke exit.  They last for the
// whole process.
#pragma once

#include <array>
#include <cstdint>

namespace kv::engine {

// An application table the runtime keeps by address, with the tag it
// wrote into the table's first four bytes.
struct KeptTable {
  std::uint8_t* address = nullptr;
  bool on = false;
};

struct Options {
  // Option letters (function 2 / environment).
  bool monochrome = false;
  int full_beep_frequency = 0;  // field-full beep ("T" sets 9999/9999)
  int full_beep_duration = 0;

  // Kept tables: alternate colours (1), key redefinition (6), floppy menus
  // (8), bailout keys (11).
  KeptTable alternate_colors, key_redefinition, floppy_menus, bailout;

  // Miscellaneous option bytes 1-15 (index 0 unused), parking row, paste
  // room count and the unused byte of the function 10 block.
  std::array<std::uint8_t, 16> misc{};
  std::int16_t parking_row = 0;
  std::int16_t paste_room = 0;
  std::uint8_t misc_offset17 = 0;

  // Function 12, 13 and 14 blocks as stored.
  std::array<std::uint8_t, 16> timeouts{};
  std::array<std::uint8_t, 11> timeout_exit{};
  std::array<std::uint8_t, 9> global_postkey{};

  // Function 16: the 70-byte mouse settings block.
  std::array<std::uint8_t, 70> mouse{};
  bool mouse_set = false;

  // The empty-field fill character (option byte 2) and the one of
  // protected and output fields (option byte 3); X'00' means none.
  std::uint8_t empty_fill() const { return misc[2]; }
  std::uint8_t protected_fill() const { return misc[3]; }
  // Option byte 7: key redefinition stays off in selector fields.
  bool no_redefinition_in_selectors() const { return misc[7] == 'Y' || misc[7] == 0xE8; }

  bool timeouts_on() const { return timeouts[0] == 'Y' || timeouts[0] == 0xE8; }
  bool timeout_exit_on() const { return timeout_exit[0] == 'Y'; }
  bool global_postkey_on() const { return global_postkey[0] == 'Y'; }
};

Options& options();

// Tests a kept table before use: a tag that is gone switches the feature
// off silently; storage that can no longer be read switches it off with
// the warning box `lost_text`.  Returns whether the feature is still on.
bool check_kept_table(KeptTable& table, const char* tag, const char* lost_text);
bool check_alternate_colors();
bool check_key_redefinition();
bool check_bailout();

// True for "Y" or its EBCDIC form X'E8'.
inline bool is_on(std::uint8_t flag) { return flag == 'Y' || flag == 0xE8; }

}  // namespace kv::engine
