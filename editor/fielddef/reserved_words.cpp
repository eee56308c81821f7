#include "editor/fielddef/reserved_words.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kv::editor::fielddef {

namespace {

// The words in the order they have always been kept.  The last entry, 15
// bytes X'96', closed the table as a high sentinel; it stays a member so
// that the table keeps its 458 entries.
// clang-format off
constexpr std::array<std::string_view, kReservedWordCount> kWords = {
    "ACCEPT", "ACCESS", "ACTUAL", "ADD", "ADVANCING", "AFTER", "ALL", "ALPHABET", "ALPHABETIC",
    "ALPHANUMERIC", "ALSO", "ALTER", "ALTERNATE", "AND", "ANY", "APPLY", "ARE", "AREA", "AREAS",
    "ASCENDING", "ASSIGN", "AT", "AUTHOR", "BASIS", "BEFORE", "BEGINNING", "BINARY", "BIT",
    "BITS", "BLANK", "BLOCK", "BOOLEAN", "BOTTOM", "BY", "CALL", "CANCEL", "CBL", "CD", "CF",
    "CH", "CHANGED", "CHARACTER", "CHARACTERS", "CLOCK-UNITS", "CLOSE", "COBOL", "CODE",
    "CODE-SET", "COLLATING", "COLUMN", "COMMA", "COMMIT", "COMMON", "COMMUNICATION", "COMP",
    "COMP-1", "COMP-2", "COMP-3", "COMP-4", "COMPUTATIONAL", "COMPUTATIONAL-1", "COMPUTATIONAL-2",
    "COMPUTATIONAL-3", "COMPUTATIONAL-4", "COMPUTE", "CONFIGURATION", "CONNECT", "CONSOLE",
    "CONVERTING", "COPY", "CORE-INDEX", "CORR", "CORRESPONDING", "COUNT", "CSP", "CURRENCY",
    "CURRENT", "CURRENT-DATE", "C01", "C02", "C03", "C04", "C05", "C06", "C07", "C08", "C09",
    "C10", "C11", "C12", "DATE", "DATE-COMPILED", "DATE-WRITTEN", "DAY", "DAY-OF-WEEK", "DE",
    "DEBUG", "DEBUG-CONTENTS", "DEBUG-ITEM", "DEBUG-LINE", "DEBUG-NAME", "DEBUG-SUB-1",
    "DEBUG-SUB-2", "DEBUG-SUB-3", "DEBUGGING", "DECIMAL-POINT", "DESCENDING", "DESTINATION",
    "DETAIL", "DISABLE", "DISCONNECT", "DIS", "DISPLAY", "DISPLAY-ST", "DIVIDE", "DIVISION",
    "DOWN", "DUPLICATE", "DUPLICATES", "DYNAMIC", "EGI", "EJECT", "ELSE", "EMI", "EMPTY",
    "ENABLE", "END", "END-ADD", "END-COMPUTE", "END-DELETE", "END-DIVIDE", "END-EVALUATE",
    "END-IF", "END-MULTIPLY", "END-REWRITE", "END-OF-PAGE", "END-PERFORM", "END-SEARCH",
    "END-START", "END-STRING", "END-SUBTRACT", "END-UNSTRING", "END-WRITE", "ENDING", "ENTER",
    "ENTRY", "ENVIRONMENT", "EOP", "EQUAL", "EQUALS", "ERASE", "ERROR", "ESI", "EVALUATE",
    "EVERY", "EXAMINE", "EXCEEDS", "EXCEPTION", "EXHIBIT", "EXIT", "EXOR", "EXTEND", "EXTERNAL",
    "FALSE", "FD", "FILE", "FILE-CONTROL", "FILELIMIT", "FILE-LIMITS", "FINAL", "FIND", "FINISH",
    "FIRST", "FOOTING", "FOR", "FREE", "FROM", "FUNCTION", "GENERATE", "GET", "GIVING", "GLOBAL",
    "GO", "GREATER", "GROUP", "HEADING", "HIGH-VALUE", "HIGH-VALUES", "I-O", "I-O-CONTROL", "ID",
    "IDENTIFICATION", "IF", "IN", "INDEX", "INDEXED", "INDICATE", "INITIAL", "INITIALIZE",
    "INITIATE", "INPUT", "INPUT-OUTPUT", "INSERT", "INSPECT", "INSTALLATION", "INTO", "INVALID",
    "IS", "JUST", "JUSTIFIED", "KEEP", "KEY", "LABEL", "LAST", "LD", "LEADING", "LEAVE", "LEFT",
    "LENGTH", "LESS", "LIMIT", "LIMITS", "LINAGE", "LINAGE-COUNTER", "LINE", "LINE-COUNTER",
    "LINES", "LINKAGE", "LOCALLY", "LOCK", "LOW-VALUE", "LOW-VALUES", "MEMBER", "MEMORY", "MERGE",
    "MESSAGE", "MODE", "MODIFY", "MODULES", "MORE-LABELS", "MOVE", "MULTIPLE", "MULTIPLY",
    "NAMED", "NATIVE", "NEGATIVE", "NEXT", "NO", "NOMINAL", "NOT", "NOTE", "NULL", "NUMBER",
    "NUMERIC", "NUMERIC-EDITED", "OBJECT-COMPUTER", "OCCURS", "OF", "OFF", "OMITTED", "OPEN",
    "OPTIONAL", "OR", "ORDER", "ORGANIZATION", "OTHERWISE", "OUTPUT", "OVERFLOW", "OWNER",
    "PACKED-DECIMAL", "PADDING", "PAGE", "PAGE-COUNTER", "PASSWORD", "PERFORM", "PF", "PH", "PIC",
    "PICTURE", "PLUS", "POINTER", "POSITION", "POSITIONING", "POSITIVE", "PRINTING", "PRIOR",
    "PROCEDURE", "PROCEDURES", "PROCEED", "PROCESSING", "PROGRAM", "PROGRAM-ID", "PROTECTED",
    "PURGE", "QUEUE", "QUOTE", "QUOTES", "RANDOM", "RD", "READ", "READY", "REALM", "REALMS",
    "RECIEVE", "RECONNECT", "RECORD", "REDEFINES", "REEL", "REFERENCE", "REFERENCES", "RELATIVE",
    "RELEASE", "RELOAD", "REMAINDER", "REMARKS", "REMOVAL", "RENAMES", "REORG-CRITERIA",
    "REPEATED", "REPLACE", "REPLACING", "REPORT", "REPORTING", "REPORTS", "REREAD", "RERUN",
    "RESERVE", "RESET", "RETAINING", "RETRIEVAL", "RETURN", "RETURN-CODE", "REVERSED", "REWIND",
    "REWRITE", "RF", "RH", "RIGHT", "ROLLBACK", "ROUNDED", "RUN", "SAME", "SD", "SEARCH",
    "SECTION", "SECURITY", "SEEK", "SEGMENT", "SEGMENT-LIMIT", "SELECT", "SELECTIVE", "SEND",
    "SENTENCE", "SEPARATE", "SEQUENCE", "SEQUENTIAL", "SET", "SETS", "SIGN", "SIZE", "SKIP-1",
    "SKIP-2", "SKIP-3", "SORT", "SORT-CORE-SIZE", "SORT-FILE-SIZE", "SORT-MERGE", "SORT-MESSAGE",
    "SORT-MODE-SIZE", "SORT-RETURN", "SOURCE", "SOURCE-COMPUTER", "SPACE", "SPACES",
    "SPECIAL-NAMES", "STANDARD", "STANDARD-1", "STANDARD-2", "START", "STATUS", "STOP", "STORE",
    "STRING", "SUB-QUEUE-1", "SUB-QUEUE-2", "SUB-QUEUE-3", "SUB-SCHEMA", "SUBTRACT", "SUM",
    "SUPPRESS", "SYMBOLIC", "SYNC", "SYNCHRONIZED", "SYSIN", "SYSOUT", "SYSPUNCH", "S01", "S02",
    "TABLE", "TALLY", "TALLYING", "TAPE", "TENANT", "TERMINAL", "TERMINATE", "TEST", "TEXT",
    "THAN", "THEN", "THROUGH", "THRU", "TIME", "TIME-OF-DAY", "TO", "TOTALED", "TOTALING",
    "TRACE", "TRACK-AREA", "TRACK-LIMIT", "TRACKS", "TRAILING", "TRANSFORM", "TRUE", "TYPE",
    "UNEQUAL", "UNIT", "UNSTRING", "UNTIL", "UP", "UPDATE", "UPON", "UPPSI-0", "UPPSI-1",
    "UPPSI-2", "UPPSI-3", "UPPSI-4", "UPPSI-5", "UPPSI-6", "UPPSI-7", "USAGE", "USAGE-MODE",
    "USE", "USING", "VALUE", "VALUES", "VARYING", "WHEN", "WHEN-COMPILED", "WITH", "WITHIN",
    "WORDS", "WORKING-STORAGE", "WRITE", "WRITE-ONLY", "ZERO", "ZEROES", "ZEROS",
    "\x96\x96\x96\x96\x96\x96\x96\x96\x96\x96\x96\x96\x96\x96\x96",
};
// clang-format on

// The same words in byte order, for binary search.
const std::array<std::string_view, kReservedWordCount>& sorted_words() {
  static const auto sorted = [] {
    auto s = kWords;
    std::sort(s.begin(), s.end());
    return s;
  }();
  return sorted;
}

}  // namespace

std::span<const std::string_view> reserved_words() { return kWords; }

bool is_reserved_word(std::string_view name) {
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.remove_suffix(1);
  if (name.empty() || name.size() > kReservedWordWidth) return false;
  // COBOL reads its words in either case, so a lower-case spelling would
  // break the copybook just the same.
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const auto& words = sorted_words();
  return std::binary_search(words.begin(), words.end(), std::string_view(upper));
}

std::string reserved_word_message(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return "\"" + std::string(name) + "\" is a COBOL reserved word!!";
}

}  // namespace kv::editor::fielddef
