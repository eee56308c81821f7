// The processing every event of the keystroke loop goes through before it
// is acted on: the global postkeystroke exit ("P"), the active field's
// postkeystroke exit ("K"), key redefinition and the bailout keys.
#pragma once

#include <cstdint>

#include "runtime/engine/exits.h"
#include "runtime/engine/key.h"

namespace kv::engine {

struct PerKeyInput {
  Key key;
  std::uint8_t* panel = nullptr;         // the panel record (exits read and may change it)
  std::uint8_t* pass_to_exit = nullptr;  // PASS-TO-EXIT of the call
  bool field_post_key = false;           // an active field with the Post key option
  std::uint8_t active_type = 0;          // the active field's type; 0 without one
  ExitState exit_state;                  // dialogue state reported to the exits
};

struct PerKeyResult {
  Key key;                  // the key after exits and redefinition
  bool field_full = false;  // an exit asked that the field count as full after this key
  // An exit asked to finish the field at once (or asked for field-full on
  // the Right arrow): the key is skipped and the end-of-field handling runs.
  bool finish_now = false;
  // Message requested by an exit (offset 17): 1 the text of PANEL-MENU-MSG,
  // n above 1 message n + 100; it rejects the key when that is a data
  // character.  0 for none.
  int message = 0;
  // The key is in the bailout table: validation-pending is cleared, so "v"
  // fields are not checked on return or on a mouse walk.
  bool bailout = false;
};

// Runs the four steps in order on `in.key`.  Exits run only while they are
// on; key redefinition while its table is on (and not in "S"/"R" fields
// while miscellaneous option 7 is on); bailout keys while their table
// passes its tag check (a lost table is switched off with its warning).
PerKeyResult per_key(const PerKeyInput& in);

// Key redefinition alone: the first entry whose from-values equal the key
// replaces them by its to-values; a new key that is Backspace, Tab, Enter
// or Esc as a character gets the keyboard source byte of that key (14, 15,
// 28, 1).  Returns whether an entry matched.
bool redefine_key(Key& key, std::uint8_t active_type);

// Whether `key` is in the bailout table (checked and switched off when lost).
bool is_bailout_key(const Key& key);

// Whether the bailout table holds the entry 1000 that lets hot-field
// returns (exit keys 1001-2047) skip the checks too.
bool bailout_covers_hot_fields();

}  // namespace kv::engine
