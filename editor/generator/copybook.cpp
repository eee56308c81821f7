#include "editor/generator/copybook.h"

#include <algorithm>
#include <cstdio>

#include "editor/generator/cobol_values.h"
#include "runtime/utilities/bytes.h"

namespace kv::editor::gen {

namespace {

std::string spaces(std::size_t n) { return std::string(n, ' '); }

// `text` padded with spaces to `width` (at least one space after it).
std::string pad(std::string_view text, std::size_t width) {
  std::string s(text);
  if (s.size() < width)
    s.append(width - s.size(), ' ');
  else
    s += ' ';
  return s;
}

// `line` padded to column `col` - 1, so that what follows starts at `col`.
void to_column(std::string& line, std::size_t col) {
  if (line.size() < col - 1) line.append(col - 1 - line.size(), ' ');
}

std::string hex(const u8* p, std::size_t n) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += kHex[p[i] >> 4];
    s += kHex[p[i] & 15];
  }
  return s;
}

std::string replace_all(std::string s, std::string_view from, std::string_view to) {
  for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

std::string comment(std::string_view text) { return "      *" + spaces(25) + std::string(text); }

std::string digits(int v, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, v < 0 ? 0 : v);
  return buf;
}

std::string text_at(const Bytes& h, std::size_t off, std::size_t len) {
  return std::string(reinterpret_cast<const char*>(h.data() + off), len);
}

bool all_digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

// The panel record's fixed portion, from the comment banner to the
// attribute block.  {N} is the panel name, {P} the prefix, {q} the quote.
const char* const kFixedPortion[] = {
    "       01  {N}-PANEL.",
    "           03  {P}-FIXED-PORTION.",
    "            05 {P}-HEADER-DATA.",
    "             10 {P}-NAME           PIC X(8)      VALUE {NAME}.",
    "             10 {P}-NUMB-OF-FIELDS PIC 9(4) COMP-5 VALUE {COUNT}.",
    "             10 {P}-BASE-COLOR     PIC 9           VALUE {BASE}.",
    "             10 {P}-ACTIVE-COLOR   PIC 9(4) COMP-5 VALUE {ACTIVE}.",
    "             10 {P}-ERROR-COLOR    PIC 9(4) COMP-5 VALUE {ERROR}.",
    "             10 {P}-MENU-COLOR     PIC 9(4) COMP-5 VALUE {MENU}.",
    "             10 {P}-MENU-LINE.",
    "              15 {P}-MENU-LINE-A   PIC X(40)        VALUE",
    "{MENUA}",
    "              15 {P}-MENU-LINE-B   PIC X(40)        VALUE",
    "{MENUB}",
    "             10 {P}-MENU-MSG       PIC X(80)       VALUE SPACE.",
    "             10 {P}-DISPLAY-OPTION PIC 9(4) COMP-5 VALUE 0.",
    "             10 {P}-CURSOR-FIELD   PIC 9(4) COMP-5 VALUE {HOME}.",
    "             10 {P}-OFFSET-THE-CURSOR PIC X        VALUE {q}N{q}.",
    "             10 {P}-CURSOR-OFFSET  PIC 9(4) COMP-5 VALUE 0.",
    "             10 {P}-EXIT-KEY       PIC S9(4) COMP-5.",
    "             10 {P}-REPAINT-SCREEN PIC X           VALUE {q}Y{q}.",
    "             10 {P}-SHOW-WAIT-MSG  PIC X           VALUE {q}{WAIT}{q}.",
    "             10 {P}-ARROW-EXIT-NAME PIC X(8)     VALUE {ARROW}.",
    "             10 {P}-PRE-EXIT-NAME  PIC X(8)      VALUE {PRE}.",
    "             10 {P}-POST-EXIT-NAME PIC X(8)      VALUE {POST}.",
    "             10 FILLER               PIC X      VALUE {q}C{q}.",
    "             10 {P}-BORDER-COLOR  PIC S9(4) COMP-5 VALUE {BORDER}.",
    "             10 {P}-PRESENT-FREQ  PIC S9(4) COMP-5 VALUE {PFREQ}.",
    "             10 {P}-PRESENT-TIME  PIC S9(4) COMP-5 VALUE {PTIME}.",
    "             10 {P}-ERROR-FREQ    PIC S9(4) COMP-5 VALUE {EFREQ}.",
    "             10 {P}-ERROR-TIME    PIC S9(4) COMP-5 VALUE {ETIME}.",
    "             10 {P}-CURSOR-TYPE    PIC 9           VALUE {CTYPE}.",
    "             10 {P}-INDICATORS     PIC 9           VALUE {IND}.",
    "             10 FILLER         PIC S9(4) COMP-5 VALUE 0.",
    "             10 FILLER         PIC S9(4) COMP-5 VALUE 0.",
    "             10 FILLER         PIC S9(4) COMP-5 VALUE 0.",
    "             10 {P}-SHIFT-STATES   PIC X.",
    "{OFFROW}",
    "{OFFCOL}",
    "             10 {P}-CURSOR-ROW     PIC S9(4) COMP-5.",
    "             10 {P}-CURSOR-COL     PIC S9(4) COMP-5.",
    "             10 {P}-SCAN-CODE      PIC X.",
    "             10 {P}-MOUSE-ROW PIC S9(4) COMP-5.",
    "             10 {P}-MOUSE-COL PIC S9(4) COMP-5.",
    "             10 {P}-CLOSE-KEYVALUE PIC S9(4) COMP-5 VALUE 0.",
    "             10 FILLER PIC X(69) VALUE LOW-VALUES.",
    "           03  {P}-VARIABLE-PORTION.",
};

const char* const kPassComments[] = {
    "----|The above dummy \"01\" area is used  ", "----|    by KORVEXAN to pass to user    ",
    "----|    exit. You may substitute any   ",   "----|    \"01\" level item to pass data   ",
    "----|    thru KORVEXAN to your exit.    ",   "----|    KORVEXAN does not use this data",
};
const char* const kPaintComments[] = {
    "----|Set above to \"E\" to flag errors ---",
    "----|             \"R\" to force repaint--",
    "----|             \"C\" to Position Cursor",
    "----|            else set low-value ----",
};
const char* const kColorComments[] = {
    "---- Set this to null to accept default.",   "----|   To set new color calculate b.g. ",
    "----|   (0-7)  16 + f.g. (0-15).        ",   "----|   (Add 128 to above to get blink) ",
    "----|   See \"color\" in the basic manual.",
};
const char* const kOptionComments[] = {
    "----|Set this to  P to protect field----",
    "----                                    ",
};

// A "10" entry whose one-line form would pass column 72 keeps its VALUE on
// the next line (column 21): text beyond column 72 is not COBOL.
void entry_with_value(std::vector<std::string>& out, const std::string& head,
                      const std::string& value) {
  std::string one = head + " VALUE " + value + ".";
  if (one.size() <= 72) {
    out.push_back(one);
    return;
  }
  out.push_back(head);
  out.push_back(spaces(20) + "VALUE " + value + ".");
}

// `lead` + the literal of `text` + `tail` on one line when that ends by
// column 72.  Past column 72 the compiler reads nothing, so a longer
// literal (one whose quotes had to be doubled) is written as pieces joined
// by "&", one a line, each starting where the literal started.
void literal_lines(std::vector<std::string>& out, const std::string& lead, std::string_view text,
                   char quote, std::string_view tail) {
  constexpr std::size_t kLast = 72;
  std::string prefix = lead;
  while (true) {
    std::string line = prefix + cobol_literal(text, quote) + std::string(tail);
    if (line.size() <= kLast || text.size() < 2) {
      out.push_back(line);
      return;
    }
    std::size_t take = 1;
    while (take + 1 < text.size() &&
           prefix.size() + cobol_literal(text.substr(0, take + 1), quote).size() + 2 <= kLast)
      ++take;
    out.push_back(prefix + cobol_literal(text.substr(0, take), quote) + " &");
    text.remove_prefix(take);
    prefix.assign(lead.size(), ' ');
  }
}

// The same for a literal the designer typed with its delimiter `q`:
// `body` is what stands between the delimiters, doubled quotes included,
// and is cut only between such pairs.
void typed_literal_lines(std::vector<std::string>& out, const std::string& lead,
                         std::string_view body, char q, std::string_view tail) {
  constexpr std::size_t kLast = 72;
  std::string prefix = lead;
  while (prefix.size() + body.size() + 2 + tail.size() > kLast && body.size() > 2) {
    std::size_t room = kLast > prefix.size() + 4 ? kLast - prefix.size() - 4 : 1;
    std::size_t take = std::min(std::max<std::size_t>(room, 2), body.size() - 1);
    std::size_t run = 0;
    while (run < take && body[take - 1 - run] == q) ++run;
    if (run % 2 == 1) --take;  // the first quote of a pair: keep the pair whole
    if (take == 0) break;
    out.push_back(prefix + q + std::string(body.substr(0, take)) + q + " &");
    body.remove_prefix(take);
    prefix.assign(lead.size(), ' ');
  }
  out.push_back(prefix + q + std::string(body) + q + std::string(tail));
}

std::string fitted(std::string text, std::size_t n) {
  text.resize(n, ' ');
  return text;
}

}  // namespace

std::vector<std::string> field_data_lines(const FieldLayout& f, char quote) {
  std::vector<std::string> out;
  std::string name = f.name.empty() ? "FILLER" : f.name;
  std::string pic = f.picture.empty() ? "X(" + std::to_string(f.storage_length) + ")" : f.picture;
  std::string padded_name = name;
  if (padded_name.size() < 30) padded_name.resize(30, ' ');
  std::string head = spaces(13) + "10 " + padded_name + " PIC " + pic;
  std::string v(kv::trim_right(f.value));
  ValueForm form = value_form(f.value, quote);
  if (form == ValueForm::LongQuoted && f.storage_length <= 40) form = ValueForm::Quoted;
  switch (form) {
    case ValueForm::None:
      out.push_back(head + ".");
      break;
    case ValueForm::Plain:
      if (v.size() >= 2 && (v[0] == '\'' || v[0] == '"') && v.back() == v[0] &&
          (head + " VALUE " + v + ".").size() > 72 &&
          (spaces(20) + "VALUE " + v + ".").size() > 72) {
        // A long literal in the other quote character.
        out.push_back(head);
        typed_literal_lines(out, spaces(20) + "VALUE ", std::string_view(v).substr(1, v.size() - 2),
                            v[0], ".");
        break;
      }
      entry_with_value(out, head, v);
      break;
    case ValueForm::All: {
      char q = v[4];
      std::string text = v.substr(5);
      if (text.empty() || text.back() != q) text += q;
      entry_with_value(out, head, "ALL " + std::string(1, q) + text);
      break;
    }
    case ValueForm::Quoted: {
      std::string content = quoted_content(v, quote);
      out.push_back(head);
      if (f.storage_length >= 40) {
        literal_lines(out, spaces(22) + "VALUE ", fitted(content, 40), quote, ".");
      } else {
        literal_lines(out, spaces(20) + "VALUE ",
                      fitted(content, static_cast<std::size_t>(f.storage_length)), quote, ".");
      }
      break;
    }
    case ValueForm::LongQuoted: {
      std::string content =
          fitted(quoted_content(v, quote), static_cast<std::size_t>(f.storage_length));
      int rest = f.storage_length - 40;
      out.push_back(spaces(13) + "10 " + name + ".");
      out.push_back(spaces(19) + "15 FILLER" + spaces(25) + "PIC X(40) VALUE");
      literal_lines(out, spaces(28), content.substr(0, 40), quote, ".");
      out.push_back(spaces(19) + "15 FILLER" + spaces(25) + "PIC X(" + digits(rest, 2) + ") VALUE");
      literal_lines(out, spaces(28), content.substr(40), quote, ".");
      break;
    }
  }
  return out;
}

std::vector<std::string> copybook_lines(const PanelBuild& b) {
  std::vector<std::string> out;
  const std::string q(1, b.quote);
  const std::string& N = b.name;
  const std::string& P = b.prefix;
  const Bytes& h = b.header;

  // Exit pass area.
  out.push_back("       01  " + N + "-PASS-TO-EXIT          PIC X.");
  if (b.comments)
    for (const char* c : kPassComments) out.push_back(comment(c));

  // WORK-S and WORK-D.
  out.push_back("      *$NOLIST");
  auto chunks = [&](const Bytes& bytes, std::size_t unit) {
    for (std::size_t i = 0; i < bytes.size(); i += unit)
      out.push_back("           05  FILLER PIC X(" + std::to_string(unit) + ") VALUE X" + q +
                    hex(bytes.data() + i, unit) + q + ".");
  };
  out.push_back("       01  " + N + "-WORK-S.");
  chunks(b.work_s_full(), 14);
  out.push_back("       01  " + N + "-WORK-D.");
  Bytes wd = b.work_d;
  while (wd.size() % 14 != 0) wd.push_back(0xFF);
  chunks(wd, 14);
  out.push_back("           05  FILLER PIC X VALUE HIGH-VALUE.");
  chunks(b.validations, 4);
  out.push_back("      *$LIST");

  // Panel record: banner.
  out.push_back("*PANEL*" + std::string(30, '%') + "-KORVEXAN-" + std::string(25, '%'));
  std::string l2 = "      *  Panel Name:  " + N;
  to_column(l2, 33);
  l2 += "V:2.4B";
  to_column(l2, 45);
  l2 += "Generated...:";
  to_column(l2, 59);
  std::string date = text_at(h, 188, 6);
  l2 += date.substr(0, 2) + "/" + date.substr(2, 2) + "/" + date.substr(4, 2);
  out.push_back(l2);
  out.push_back(std::string(kv::trim_right("      *  Panel Title: " + text_at(h, 13, 30))));
  out.push_back("*PANEL*" + std::string(65, '%'));

  // Fixed portion.
  auto num = [&](std::size_t off, std::size_t len, const char* dflt) {
    std::string s = text_at(h, off, len);
    return all_digits(s) ? s : std::string(dflt);
  };
  const u8* pr = b.panel_record.data();
  auto u16 = [&](std::size_t off) { return static_cast<int>(pr[off] | (pr[off + 1] << 8)); };
  std::string off_row = b.window ? "             10 {P}-OFFSET-ROW    PIC S9(4) COMP-5 VALUE 0."
                                 : "             10 FILLER    PIC XX VALUE LOW-VALUES.";
  std::string off_col = b.window ? "             10 {P}-OFFSET-COL    PIC S9(4) COMP-5 VALUE 0."
                                 : "             10 FILLER    PIC XX VALUE LOW-VALUES.";
  const int n = static_cast<int>(b.fields.size());
  for (const char* t : kFixedPortion) {
    std::string s = t;
    // The menu halves are the designer's text: written as they stand, not
    // searched for the template's placeholders.
    if (s == "{MENUA}" || s == "{MENUB}") {
      literal_lines(out, spaces(29), text_at(h, s == "{MENUA}" ? 89 : 129, 40), b.quote, ".");
      continue;
    }
    if (s == "{OFFROW}")
      s = off_row;
    else if (s == "{OFFCOL}")
      s = off_col;
    s = replace_all(s, "{NAME}", cobol_literal(N, b.quote));
    s = replace_all(s, "{COUNT}", digits(n, 3));
    s = replace_all(s, "{BASE}", std::string(1, static_cast<char>(pr[10])));
    s = replace_all(s, "{ACTIVE}", digits(u16(11), 3));
    s = replace_all(s, "{ERROR}", digits(u16(13), 3));
    s = replace_all(s, "{MENU}", digits(u16(15), 3));
    s = replace_all(s, "{HOME}", num(59, 3, "000"));
    s = replace_all(s, "{WAIT}", std::string(1, static_cast<char>(pr[187])));
    s = replace_all(s, "{ARROW}", cobol_literal(text_at(h, 65, 8), b.quote));
    s = replace_all(s, "{PRE}", cobol_literal(text_at(h, 73, 8), b.quote));
    s = replace_all(s, "{POST}", cobol_literal(text_at(h, 81, 8), b.quote));
    s = replace_all(s, "{BORDER}", num(170, 2, "00"));
    s = replace_all(s, "{PFREQ}", num(172, 4, "1000"));
    s = replace_all(s, "{PTIME}", num(176, 4, "0020"));
    s = replace_all(s, "{EFREQ}", num(180, 4, "0037"));
    s = replace_all(s, "{ETIME}", num(184, 4, "0010"));
    s = replace_all(s, "{CTYPE}", std::string(1, static_cast<char>(pr[223])));
    s = replace_all(s, "{IND}", std::string(1, static_cast<char>(pr[224])));
    s = replace_all(s, "{N}", N);
    s = replace_all(s, "{P}", P);
    s = replace_all(s, "{q}", q);
    out.push_back(s);
  }
  if (n == 0) {
    // A group with no items does not compile: a panel without fields has
    // no variable portion at all (the record ends after its 316 bytes).
    out.pop_back();
    return out;
  }

  // Variable portion: attribute block, its redefinitions, user fields.
  bool any_protected = false;
  for (const FieldLayout& f : b.fields) any_protected |= f.initially_protected();
  if (!any_protected) {
    out.push_back("            05 " + P + "-ATTRIBUTE-BLOCK PIC X(" + digits(4 * n, 4) +
                  ") VALUE LOW-VALUE.");
  } else {
    // COBOL ignores VALUE clauses under REDEFINES, so the "P" of an
    // initially protected field must be in the block itself: the block
    // becomes a group of FILLERs, same size and place.
    out.push_back("            05 " + P + "-ATTRIBUTE-BLOCK.");
    int run = 0;
    auto flush = [&] {
      if (run > 0)
        out.push_back("             10 FILLER PIC X(" + digits(4 * run, 4) + ") VALUE LOW-VALUE.");
      run = 0;
    };
    for (const FieldLayout& f : b.fields) {
      if (!f.initially_protected()) {
        ++run;
        continue;
      }
      flush();
      out.push_back("             10 FILLER PIC X(4) VALUE X" + q + "00000050" + q + ".");
    }
    flush();
  }
  if (b.named_attributes) {
    out.push_back("            05 " + P + "-NAMED-ATTRIBUTES REDEFINES");
    out.push_back(spaces(28) + P + "-ATTRIBUTE-BLOCK.");
    for (const FieldLayout& f : b.fields) {
      if (f.is_filler()) {
        out.push_back(f.initially_protected()
                          ? "             10 FILLER PIC XXXX VALUE X" + q + "00000050" + q + "."
                          : "             10 FILLER PIC XXXX.");
        continue;
      }
      out.push_back("             10 " + pad(f.name + "-P", 32) + "PIC X.");
      out.push_back("             10 " + pad(f.name + "-C", 32) + "PIC S9(4) COMP-5.");
      out.push_back("             10 " + pad(f.name + "-O", 32) +
                    (f.initially_protected() ? "PIC X VALUE " + q + "P" + q + "." : "PIC X."));
    }
  }
  out.push_back("            05 " + P + "-USER-ATTRIBUTE-TABLE REDEFINES");
  out.push_back(spaces(28) + P + "-ATTRIBUTE-BLOCK.");
  out.push_back("             10 " + P + "-ATTRIBUTE-TABLE OCCURS " + digits(n, 3));
  out.push_back(spaces(20) + "INDEXED " + N + "-IDX.");
  out.push_back("              15 " + P + "-FIELD-PAINT    PIC X.");
  if (b.comments)
    for (const char* c : kPaintComments) out.push_back(comment(c));
  out.push_back("              15 " + P + "-FIELD-COLOR    PIC 9(4) COMP-5.");
  if (b.comments)
    for (const char* c : kColorComments) out.push_back(comment(c));
  out.push_back("              15 " + P + "-FIELD-OPTION   PIC X.");
  if (b.comments)
    for (const char* c : kOptionComments) out.push_back(comment(c));
  out.push_back("            05 " + N + "-USER-FIELDS.");
  for (const FieldLayout& f : b.fields) {
    auto lines = field_data_lines(f, b.quote);
    if (!f.is_filler()) lines[0].replace(0, 6, "Fld" + digits(f.number, 3));
    out.insert(out.end(), lines.begin(), lines.end());
  }
  return out;
}

std::string copybook_text(const PanelBuild& b) {
  std::string text;
  for (const std::string& l : copybook_lines(b)) {
    text += kv::trim_right(l);
    text += '\n';
  }
  return text;
}

}  // namespace kv::editor::gen
