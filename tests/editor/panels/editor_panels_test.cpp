// The editor's own screens compiled at build time: the C++ areas equal the
// bytes that cobc gives the COBOL copybook made from the same text source,
// and the named accessors reach the fields.
#include <gtest/gtest.h>

#include <string_view>

#include "BANNER32.h"
#include "editor/generator/support/cobol_support.h"
#include "runtime/utilities/panel_areas.h"

using kv::editor::panels::BANNER32;
using namespace kv::editor::testing;

namespace {
std::string text(std::span<std::uint8_t> s) { return std::string(s.begin(), s.end()); }
}  // namespace

TEST(EditorPanelsTest, Banner32AreasEqualTheCompiledCopybook) {
  std::string dir = scratch_dir("banner32");
  write_text(dir + "/BANNER32.COB", read_text(std::string(KV_BUILD_DIR) + "/generated/panels/BANNER32.COB"));
  CobolResult r = compile_and_run(dir, area_dump_program("BANNER32.COB", "BANNER32"));
  ASSERT_TRUE(r.compiled) << r.compile_log;
  ASSERT_EQ(r.status, 0);
  BANNER32 b;
  std::string want = hex_of({b.panel.begin(), b.panel.end()}) + " \n" +
                     hex_of({b.work_s.begin(), b.work_s.end()}) + " \n" +
                     hex_of({b.work_d.begin(), b.work_d.end()}) + " \n";
  EXPECT_EQ(r.out, want);
}

TEST(EditorPanelsTest, Banner32FieldsAndAccessors) {
  BANNER32 b;
  EXPECT_EQ(text(b.BANNER_PRODUCT()), "Korvexan 2.4");
  EXPECT_EQ(text(b.BANNER_BITS()), "32");
  EXPECT_EQ(text(b.BANNER_LIBRARY()), std::string(12, ' '));
  kv::PanelRecord rec(b.panel.data());
  EXPECT_EQ(rec.name(), "BANNER32");
  EXPECT_EQ(rec.numb_of_fields(), BANNER32::kFieldCount);
  EXPECT_EQ(rec.menu_line().substr(0, 56), "F1=Editor  F2=Copybooks  F3=Library_Manager  F4=Options ");
  kv::WorkD d(b.work_d.data(), b.work_d.size());
  auto lib = d.descriptor(BANNER32::BANNER_LIBRARY_number);
  EXPECT_EQ(lib.row, 21);
  EXPECT_EQ(lib.col, 43);
  EXPECT_EQ(lib.length, 12);
  EXPECT_EQ(rec.data_at(lib.data_offset), b.BANNER_LIBRARY().data());
  // The accessor writes where the runtime reads.
  std::copy_n("MYLIB.PNL   ", 12, b.BANNER_LIBRARY().begin());
  EXPECT_EQ(std::string_view(reinterpret_cast<char*>(rec.data_at(lib.data_offset)), 12), "MYLIB.PNL   ");
  b.reset();
  EXPECT_EQ(text(b.BANNER_LIBRARY()), std::string(12, ' '));
}
