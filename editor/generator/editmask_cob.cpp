#include "editor/generator/editmask_cob.h"

#include <algorithm>
#include <cstdio>

#include "runtime/utilities/bytes.h"

namespace kv::editor::gen {

namespace {

const char* const kPart1[] = {
    "       IDENTIFICATION DIVISION.",
    "       PROGRAM-ID. EDITMASK.",
    "      *  Created by Korvexan 2.4 panel editor.",
    "      *  NOTE:  Korvexan calls this program to get mask data at",
    "      *         runtime.  You must compile this program and",
    "      *         replace the EDITMASK.OBJ that we provide in",
    "      *         the KORVEXAN.LIB object library, with this",
    "      *         version.  See the Korvexan manual for details.",
    "       ENVIRONMENT DIVISION.",
    "       CONFIGURATION SECTION.",
    "       SOURCE-COMPUTER. IBM-PC.",
    "       OBJECT-COMPUTER. IBM-PC.",
    "       DATA DIVISION.",
    "       WORKING-STORAGE SECTION.",
    "       01  EDITMASK-STORAGE.",
    "      *     >>>>>>>>>>>>> DEFAULT MASK <<<<<<<<<<<<<<<",
};

std::string three(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%03d", n);
  return buf;
}

// "05  M-nnn PIC X(32) VALUE '...'." at column 12.  A mask holding the
// apostrophe is delimited by the quotation mark; one holding both has its
// apostrophes doubled and its literal on the next line, where the longer
// text still ends before column 73.
void mask_line(std::vector<std::string>& out, int n, std::string_view text32) {
  std::string head = "           05  M-" + three(n) + " PIC X(32) VALUE";
  bool apos = text32.find('\'') != std::string_view::npos;
  bool quot = text32.find('"') != std::string_view::npos;
  if (!apos || !quot) {
    char q = apos ? '"' : '\'';
    out.push_back(head + " " + q + std::string(text32) + q + ".");
    return;
  }
  std::string lit = "'";
  for (char c : text32) {
    lit += c;
    if (c == '\'') lit += c;
  }
  out.push_back(head);
  out.push_back("           " + lit + "'.");
}

}  // namespace

std::vector<std::string> editmask_lines(const masklib::MaskLibrary& masks, int* count) {
  std::vector<std::string> out(std::begin(kPart1), std::end(kPart1));
  std::string dflt = "N 999999999999999999999-";
  dflt += static_cast<char>(masklib::kMaskEnd);
  dflt += "  ";
  out.push_back("           05  M-001 PIC X(32) VALUE '" + dflt + "'.");
  // Masks 2 to the library's count.  The library answers a number beyond
  // its last mask with mask 1, but a mask that merely repeats mask 1 is
  // still a mask of its own: ending there would drop it and every mask
  // after it, and fields using them would show the default mask.
  int written = 1;
  const int last = std::min(masks.count(), kMaxGeneratedMasks);
  for (int n = 2; n <= last; ++n) {
    masklib::MaskRecord m = masks.mask(n);
    mask_line(out, n, std::string_view(reinterpret_cast<const char*>(m.data()), 32));
    written = n;
  }
  std::string nnn = three(written);
  const char* const kPart2[] = {
      "       01 EDIT-MASK-TABLE REDEFINES EDITMASK-STORAGE.",
      "         05 EDIT-MASK-ENTRY OCCURS {n}.",
      "           10  EDIT-NUMERIC-OR-CHARACTER PIC X.",
      "           10  EDIT-FILL-CHARACTER       PIC X.",
      "           10  EDIT-MASK-STRING          PIC X(30).",
      "       01  EDIT-MASK-MAX                 PIC 999 VALUE {n}.",
      "       LINKAGE SECTION.",
      "       01  MASK-NUMB                     PIC 999.",
      "       01  MASK-OUT                      PIC X(82).",
      "       PROCEDURE DIVISION USING MASK-NUMB MASK-OUT.",
      "       GET-MASK.",
      "           IF MASK-NUMB NUMERIC AND MASK-NUMB > 0",
      "                 AND MASK-NUMB NOT > EDIT-MASK-MAX",
      "             MOVE EDIT-MASK-ENTRY (MASK-NUMB) TO MASK-OUT",
      "               ELSE",
      "             MOVE EDIT-MASK-ENTRY (1) TO MASK-OUT.",
      "           GOBACK.",
  };
  for (const char* l : kPart2) {
    std::string s = l;
    auto p = s.find("{n}");
    if (p != std::string::npos) s.replace(p, 3, nnn);
    out.push_back(s);
  }
  if (count) *count = written;
  return out;
}

std::string editmask_text(const masklib::MaskLibrary& masks, int* count) {
  std::string text;
  for (const std::string& l : editmask_lines(masks, count)) {
    text += kv::trim_right(l);
    text += '\n';
  }
  return text;
}

}  // namespace kv::editor::gen
