// EDITMASK.COB: the text written from the mask library, and the program
// cobc makes of it answering mask numbers as the runtime asks them.
#include "editor/generator/editmask_cob.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "editor/generator/support/cobol_support.h"

using namespace kv::editor;
using namespace kv::editor::gen;
using namespace kv::editor::testing;

namespace {

std::string mask_file(int count) {
  std::string text = "* my masks\n";
  for (int i = 1; i <= count; ++i) {
    text += "N ZZZ,ZZ9." + std::to_string(i) + "-";
    text += '\xDD';
    text += "\n";
  }
  return text;
}

std::string line_with(const std::vector<std::string>& lines, const std::string& needle) {
  for (const auto& l : lines)
    if (l.find(needle) != std::string::npos) return l;
  return {};
}

}  // namespace

TEST(EditmaskCobTest, CountsAndMaskLines) {
  struct Case {
    int masks_in_file;
    int written;
  } cases[] = {{0, 1}, {1, 1}, {3, 3}, {250, 250}, {260, 250}};
  for (const Case& c : cases) {
    masklib::MaskLibrary lib;
    lib.load_text(mask_file(c.masks_in_file));
    int count = 0;
    auto lines = editmask_lines(lib, &count);
    EXPECT_EQ(count, c.written) << c.masks_in_file;
    std::string nnn = (c.written < 10    ? "00"
                       : c.written < 100 ? "0"
                                         : "") +
                      std::to_string(c.written);
    EXPECT_EQ(line_with(lines, "OCCURS"), "         05 EDIT-MASK-ENTRY OCCURS " + nnn + ".");
    EXPECT_EQ(line_with(lines, "EDIT-MASK-MAX  "),
              "       01  EDIT-MASK-MAX                 PIC 999 VALUE " + nnn + ".");
    EXPECT_EQ(line_with(lines, "M-251"), "");
    for (const auto& l : lines) EXPECT_LE(l.size(), 72u);
  }
  masklib::MaskLibrary lib;
  lib.load_text(mask_file(2));
  auto lines = editmask_lines(lib);
  EXPECT_EQ(lines[0], "       IDENTIFICATION DIVISION.");
  EXPECT_EQ(line_with(lines, "M-001"),
            "           05  M-001 PIC X(32) VALUE 'N 999999999999999999999-\xDD  '.");
  EXPECT_EQ(line_with(lines, "M-002"),
            "           05  M-002 PIC X(32) VALUE 'N ZZZ,ZZ9.2-\xDD" + std::string(19, ' ') + "'.");
  EXPECT_EQ(lines.back(), "           GOBACK.");

  // A later mask equal to mask 1 is a mask like any other: it and the
  // masks after it are written.
  lib.load_text(mask_file(2) + mask_file(1) + mask_file(3));
  int count = 0;
  lines = editmask_lines(lib, &count);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(line_with(lines, "M-003"),
            "           05  M-003 PIC X(32) VALUE 'N ZZZ,ZZ9.1-\xDD" + std::string(19, ' ') + "'.");
  EXPECT_EQ(line_with(lines, "M-006"),
            "           05  M-006 PIC X(32) VALUE 'N ZZZ,ZZ9.3-\xDD" + std::string(19, ' ') + "'.");
}

TEST(EditmaskCobTest, MasksHoldingQuotesStillCompile) {
  masklib::MaskLibrary lib;
  lib.load_text(std::string("C 'X'\xDD\nC \"Q\" 'R'\xDD\n"));
  std::string dir = scratch_dir("quotes");
  write_text(dir + "/EDITMASK.cob", editmask_text(lib));
  CobolResult r = compile_and_run(dir,
                                  "       IDENTIFICATION DIVISION.\n"
                                  "       PROGRAM-ID. QMAIN.\n"
                                  "       DATA DIVISION.\n"
                                  "       WORKING-STORAGE SECTION.\n"
                                  "       01  N    PIC 999 VALUE 2.\n"
                                  "       01  OUTM PIC X(82).\n"
                                  "       PROCEDURE DIVISION.\n"
                                  "           CALL 'EDITMASK' USING N OUTM\n"
                                  "           DISPLAY OUTM(1:10)\n"
                                  "           STOP RUN.\n",
                                  {dir + "/EDITMASK.cob"});
  ASSERT_TRUE(r.compiled) << r.compile_log;
  EXPECT_EQ(r.out, "C \"Q\" 'R'\xDD\n");
  auto lines = editmask_lines(lib);
  // Both quotes: apostrophes doubled, the literal on its own line.
  auto it = std::find(lines.begin(), lines.end(), "           05  M-002 PIC X(32) VALUE");
  ASSERT_NE(it, lines.end());
  EXPECT_EQ(*(it + 1), "           'C \"Q\" ''R''\xDD" + std::string(22, ' ') + "'.");
  EXPECT_EQ(line_with(lines, "M-001"),
            "           05  M-001 PIC X(32) VALUE 'N 999999999999999999999-\xDD  '.");
}

// The compiled program: mask n for 1..max, mask 1 for 0, for a number that
// is not numeric and for one above the maximum.
TEST(EditmaskCobTest, CompiledProgramAnswersMaskNumbers) {
  masklib::MaskLibrary lib;
  lib.load_text(mask_file(3) + std::string("C 'Q'\xDD\n"));
  std::string dir = scratch_dir("editmask");
  write_text(dir + "/EDITMASK.cob", editmask_text(lib));
  std::string main =
      "       IDENTIFICATION DIVISION.\n"
      "       PROGRAM-ID. MASKMAIN.\n"
      "       DATA DIVISION.\n"
      "       WORKING-STORAGE SECTION.\n"
      "       01  N    PIC 999.\n"
      "       01  NX   REDEFINES N PIC XXX.\n"
      "       01  OUTM PIC X(82).\n"
      "       PROCEDURE DIVISION.\n"
      "           PERFORM VARYING N FROM 0 BY 1 UNTIL N > 5\n"
      "             MOVE ALL '#' TO OUTM\n"
      "             CALL 'EDITMASK' USING N OUTM\n"
      "             DISPLAY N ':' OUTM(1:32) '|' OUTM(33:1)\n"
      "           END-PERFORM\n"
      "           MOVE 'A1 ' TO NX\n"
      "           CALL 'EDITMASK' USING N OUTM\n"
      "           DISPLAY 'NX:' OUTM(1:32)\n"
      "           STOP RUN.\n";
  CobolResult r = compile_and_run(dir, main, {dir + "/EDITMASK.cob"});
  ASSERT_TRUE(r.compiled) << r.compile_log;
  ASSERT_EQ(r.status, 0);
  std::string m1 = "N 999999999999999999999-\xDD       ";
  auto pad32 = [](std::string s) {
    s.resize(32, ' ');
    return s;
  };
  std::string want = "000:" + m1 + "| \n" +                         // 0: mask 1
                     "001:" + m1 + "| \n" +                         //
                     "002:" + pad32("N ZZZ,ZZ9.2-\xDD") + "| \n" +  // library mask 2
                     "003:" + pad32("N ZZZ,ZZ9.3-\xDD") + "| \n" +  //
                     "004:" + pad32("C 'Q'\xDD") + "| \n" +         // holds a quote
                     "005:" + m1 + "| \n" +                         // above the maximum
                     "NX:" + m1 + "\n";                             // not numeric
  EXPECT_EQ(r.out, want);
}
