// One panel call as a dialogue: the state the engine keeps while it paints
// the panel and runs the keystroke loop, and the operations on it.  The
// work is split by subject over painting.cpp (preparation, static data,
// fields, cursor placement), menus.cpp (key-label lines, menu row, status
// indicators), loop.cpp (events, dispatch, data characters, field moves,
// mouse) and panel_call.cpp (the return sequence and the call itself).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/engine/exits.h"
#include "runtime/engine/key.h"
#include "runtime/terminal/pump.h"
#include "runtime/utilities/panel_areas.h"

namespace kv::engine {

// What survives from one panel call to the next (besides the screen and
// the window, which the terminal keeps).
struct CallMemory {
  std::string last_panel = std::string(8, '\x01');  // matches no real name at first
  bool country_logged = false;
  int size_code = 1;  // the screen-size code last set up
  int reserved_rows = 1;
  int resume_field = 0;  // field and position remembered at the last return
  int resume_position = -1;
  bool prepared_once = false;
};
CallMemory& call_memory();
// Forgets everything kept between calls (tests, the fuzz target).
void reset_call_memory();

// The modifier bits of a shift-state byte.
struct ShiftBits {
  bool alt = false, ctrl = false, shift = false;
};

class Dialogue {
 public:
  Dialogue(std::uint8_t* panel, std::uint8_t* pass, std::uint8_t* work_s, std::uint8_t* work_d);

  // The whole call: preparation, painting, the loop, the return.
  void run();

  // ---- painting (painting.cpp)
  void prepare();
  void paint();
  void set_up_screen();
  void paint_static();
  void paint_fields();
  void place_cursor();

  // The display image of field n built from its data: formatted through
  // its mask, date order, empty fill.  Returns the displayed length.
  int build_image(int n, std::uint8_t* image160);
  // Writes field n: its image (or `image` when given) in `attr`, through
  // the predisplay exit when the field has one.
  void write_field(int n, std::uint8_t attr, const std::uint8_t* image = nullptr, int length = -1);
  // Writes `length` characters of the active field's edit image from
  // position `from` in the active field's colour (predisplay, hidden).
  void rewrite_active(int from, int length);
  // Delete and Backspace: the characters after the cursor close up.
  void close_gap_at_cursor();
  // Paints field n from its data (used when it is not the active field or
  // when a field is left).
  void paint_field(int n, std::uint8_t attr);
  // The colour of field n: PANEL-FIELD-COLOR or the descriptor's, mapped.
  std::uint8_t own_colour(int n) const;

  // ---- menus and indicators (menus.cpp)
  void prepare_menu_lines();
  void show_menu_line(bool force);
  void publish_key_menus();
  void write_indicator_position();
  void write_indicator_state(bool force);

  // ---- the loop (loop.cpp)
  void loop(bool first_event_ready, const term::EventArea* ready);
  // Returns true when the call ends.
  bool handle_event(const term::EventArea& area);
  bool dispatch_key(Key key);
  bool data_character(std::uint8_t ch, int exit_message);
  bool end_of_field();
  bool mouse_event(const term::EventArea& area);
  bool arrow_key(int code);
  void call_arrow_exit(int code);
  bool take_event(term::EventArea& area);
  // What the pump reads with every pass: the mouse settings, the active
  // field's type and place, the menu line shown.
  void prepare_event_area(term::EventArea& area) const;
  bool next_simulated_key(term::EventArea& area);
  void refresh();
  void event_state(const term::EventArea& area, bool got);
  void show_application_message();
  void set_exit(int key);
  int caret_value() const;
  // Writes cells from a field position that may lie past the end of its
  // row (a field that wraps).
  void put_cells(int row, int col, const std::uint8_t* text, int length, std::uint8_t attr);

  // Field moves: each returns false when a validation failure stopped it.
  bool leave_field(bool validate, bool hot_rule);
  bool next_field_move();
  bool previous_field_move();
  bool enter_field(int n);
  void load_field(int n);
  int enterable_along(int from, std::size_t link) const;
  int next_enterable(int from) const;
  int previous_enterable(int from) const;
  bool validate_field(int n);
  void validation_failed(int n, int message, const std::string& text);
  // Converts the active field's edit image back into its data without
  // checking it; returns the mask's code (0, or 31 on overflow).
  int convert_back_active();
  void store_active_data(int from);
  void move_cursor(int position);
  void update_caret();
  // Marks the active field changed: Must Valid and Required fields become
  // "v" (checked before the call returns), others low-value.
  void mark_modified();
  void show_text(const std::string& text80);

  // ---- the return (panel_call.cpp)
  // Runs the return sequence; false when a "v" field failed and the
  // dialogue goes on.
  bool finish();

  // ---- helpers
  FieldDescriptor descriptor(int n) const;
  bool protected_field(int n) const;
  bool input_field(int n) const;
  int field_row(int n) const;
  int field_col(int n) const;
  std::uint8_t* field_data(int n) const;
  ExitState exit_state(int row, int col, std::uint8_t attr) const;
  bool arrow_exit_named() const;
  void abort(int reason) const;

  // ---- the four areas
  PanelRecord rec;
  std::uint8_t* pass;
  WorkS ws;
  WorkD wd;
  int field_count = 0;

  // ---- per-call values
  bool ebcdic = false;
  std::uint8_t active_colour = 0, error_colour = 0, menu_colour = 0;
  char base_digit = '0';
  int rows = 25, columns = 80, reserved = 1, usable = 24;
  bool paint_all = false, has_input = false;
  int error_count = 0, first_error = 0, first_cursor = 0;
  bool same_panel = false;
  char repaint = 'Y';
  bool immediate = false;

  // ---- the active field
  int active = 0;  // 0: none
  FieldDescriptor ad;
  std::uint8_t active_option = 0;
  int arow = 0, acol = 0, alast = 0;
  std::uint8_t acolour = 0;
  bool aformatted = false;
  std::array<std::uint8_t, 160> edit{}, entry{};
  int alen = 0;
  int pos = 0;
  bool modified = false;
  std::vector<bool> clear_first_spent;

  // ---- dialogue
  bool validation_pending = false;
  Key last_key;
  std::uint8_t shift_byte = 0;
  ShiftBits shift;
  int mouse_row = 0, mouse_col = 0;
  bool skip_refresh = false;
  bool field_full_request = false;
  bool simulating = false;
  int sim_row = 0, sim_col = 0;
  WorkD::Cursor validation_cursor;
  std::int16_t exit_key = 0;
  std::uint8_t source = kSourceNone;

  // ---- menus
  std::array<std::string, 5> lines;
  bool floppy_active = false;
  std::array<bool, 4> floppy_on{};
  int shown_shift = -1;
  std::string shown_line;
  bool menu_shown = false;
  bool wait_for_release = false;
  int shown_second = -1;
  int shown_char = -1;
};

// Shift-state bits of the first byte of the keyboard shift flags.
ShiftBits shift_bits(std::uint8_t first_byte);

}  // namespace kv::engine
