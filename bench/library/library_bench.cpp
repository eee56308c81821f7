// Writes a library of 10,000 panels x 60 records, one transaction per
// panel as saving does, then scans it in key order, and prints both times.
//
//   bench_library [directory] [panels]
//
// The library is made in `directory` (default: the system temporary
// directory) and removed afterwards.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "editor/library/library_records.h"

namespace fs = std::filesystem;
using namespace kv::editor;
using namespace kv::editor::lib;

namespace {

// One panel: a header, 25 colour and 25 text lines, 5 fields and 4
// validations: 60 records.
PanelRecords make_panel(const std::string& name, int generation) {
  PanelRecords p;
  auto h = new_header(name);
  HeaderView(h).set_title("Benchmark panel generation " + std::to_string(generation));
  p.header.assign(h.begin(), h.end());
  std::array<std::uint8_t, 80> cells;
  for (char kind : {kColourLine, kTextLine})
    for (int row = 1; row <= 25; ++row) {
      cells.fill(kind == kColourLine ? 0x17 : static_cast<std::uint8_t>('A' + row % 26));
      auto line = make_image_line(name, kind, row, cells);
      p.images.emplace_back(line.begin(), line.end());
    }
  for (int i = 0; i < 5; ++i) {
    auto f = make_field(name, 3 + i * 2, 20);
    FieldView v(f);
    v.set_length(30);
    v.set_attribute(0x1E);
    v.set_data_name("FIELD-" + std::to_string(i));
    v.set_picture("X(30)");
    p.fields.emplace_back(f.begin(), f.end());
    if (i < 4) {
      auto val = make_validation(name, 3 + i * 2, 20);
      ValidationView(val).set_values("A,B,C");
      p.validations.emplace_back(val.begin(), val.end());
    }
  }
  return p;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  int panels = argc > 2 ? std::atoi(argv[2]) : 10000;
  fs::path path = dir / ("bench-" + std::to_string(::getpid()) + ".PNL");

  RecordFile file(library_file_options());
  if (!file.open(path.string(), OpenMode::Output).ok() || !file.close().ok() ||
      !file.open(path.string(), OpenMode::InputOutput).ok()) {
    std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), file.detail().c_str());
    return 1;
  }
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < panels; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "P%07d", i % 10000000);
    FileStatus s = replace_panel(file, make_panel(name, 1));
    if (!s.ok()) {
      std::fprintf(stderr, "panel %d: status %.2s %s\n", i, s.text().data(), file.detail().c_str());
      return 1;
    }
  }
  double write_time = seconds_since(t0);
  file.close();

  if (!file.open(path.string(), OpenMode::Input).ok()) return 1;
  t0 = std::chrono::steady_clock::now();
  long records = 0, bytes = 0;
  RecordFile::Bytes r;
  FileStatus s = file.start(RecordFile::Bytes{});
  while (s.ok() && (s = file.read_next(r)).ok()) {
    ++records;
    bytes += static_cast<long>(r.size());
  }
  double scan_time = seconds_since(t0);
  file.close();

  std::printf("write: %d panels x 60 records, one transaction each: %.2f s\n", panels, write_time);
  std::printf("scan:  %ld records (%ld bytes) in key order: %.2f s\n", records, bytes, scan_time);
  std::printf("file:  %.1f MB\n", static_cast<double>(fs::file_size(path)) / 1e6);
  fs::remove(path);
  return records == static_cast<long>(panels) * 60 ? 0 : 1;
}
