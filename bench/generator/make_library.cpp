// Writes a panel library for the generator benchmark: N panels (default
// 1000) of F fields each (default 40), with a painted image (title, boxes,
// labels in three colours) and a value list on every fifth field.
//   bench_generator_library LIBRARY [PANELS [FIELDS]]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor/library/library_records.h"

using namespace kv::editor;
using namespace kv::editor::lib;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s LIBRARY [PANELS [FIELDS]]\n", argv[0]);
    return 2;
  }
  int panels = argc > 2 ? std::atoi(argv[2]) : 1000;
  int fields = argc > 3 ? std::atoi(argv[3]) : 40;
  if (fields > 46) fields = 46;  // two columns of 23 rows
  RecordFile f;
  if (!f.open(argv[1], OpenMode::Output).ok()) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  f.begin();
  for (int p = 0; p < panels; ++p) {
    char name[16];
    std::snprintf(name, sizeof name, "P%07d", p % 10000000);
    auto h = new_header(name);
    HeaderView hv(h);
    hv.set_title("Benchmark panel");
    hv.set_complete('Y');
    hv.set_field_count(fields);
    hv.set_base_colour("107");
    hv.set_menu_left("F1=Help  F3=Exit  F5=Save");
    f.write(h);
    std::uint8_t colour[25][80], text[25][80];
    for (int r = 0; r < 25; ++r)
      for (int c = 0; c < 80; ++c) {
        colour[r][c] = 0x17;
        text[r][c] = r == 24 ? 0x00 : ' ';
      }
    auto put = [&](int r, int c, const std::string& s, std::uint8_t a) {
      for (std::size_t i = 0; i < s.size() && c + static_cast<int>(i) <= 80; ++i) {
        text[r - 1][c - 1 + static_cast<int>(i)] = static_cast<std::uint8_t>(s[i]);
        colour[r - 1][c - 1 + static_cast<int>(i)] = a;
      }
    };
    put(1, 1, "  Benchmark panel " + std::string(name) + std::string(55, ' '), 0x1E);
    put(2, 1, std::string(80, '\xCD'), 0x1B);
    for (int i = 0; i < fields; ++i) {
      int r = 3 + i % 23, c = i < 23 ? 2 : 42;
      put(r, c, "Label " + std::to_string(i + 1) + ":", 0x17);
    }
    for (int r = 1; r <= 25; ++r) f.write(make_image_line(name, kColourLine, r, colour[r - 1]));
    for (int r = 1; r <= 25; ++r) f.write(make_image_line(name, kTextLine, r, text[r - 1]));
    for (int i = 0; i < fields; ++i) {
      int r = 3 + i % 23, c = i < 23 ? 14 : 54;
      auto fr = make_field(name, r, c);
      FieldView v(fr);
      v.set_length(20);
      v.set_attribute(0x70);
      v.set_type(i % 3 == 0 ? '1' : ' ');
      v.set_data_name("FIELD-" + std::to_string(i + 1));
      v.set_picture(i % 3 == 0 ? "9(20)" : "X(20)");
      if (i % 5 == 0) v.set_option2(0x80);
      if (i % 4 == 0) v.set_value_text("'initial value'");
      f.write(fr);
    }
    for (int i = 0; i < fields; i += 5) {
      int r = 3 + i % 23, c = i < 23 ? 14 : 54;
      auto vr = make_validation(name, r, c);
      ValidationView v(vr);
      v.set_separator(',');
      v.set_range_indicator('-');
      v.set_values("A,B,C,X-Z");
      f.write(vr);
    }
  }
  f.commit();
  f.close();
  std::printf("%s: %d panels of %d fields\n", argv[1], panels, fields);
  return 0;
}
