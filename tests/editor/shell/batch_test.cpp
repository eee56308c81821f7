// dsgn32's batch command line: usage errors, settings-file defaults, and
// export/import through standard output and input.
#include "editor/shell/batch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/library/library_records.h"

namespace fs = std::filesystem;
using namespace kv::editor;
using namespace kv::editor::shell;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome dsgn32(std::vector<std::string> args, const std::string& input = {}) {
  std::istringstream in(input);
  std::ostringstream out, err;
  int st = run_command_line(args, in, out, err);
  return {st, out.str(), err.str()};
}

std::string scratch(const std::string& tag) {
  fs::path p = fs::temp_directory_path() / ("kvbatch-" + tag + "-" + std::to_string(::getpid()));
  fs::remove_all(p);
  fs::create_directories(p);
  return p.string();
}

void make_library(const std::string& path) {
  RecordFile f;
  ASSERT_TRUE(f.open(path, OpenMode::Output).ok());
  for (const char* name : {"FIRST", "SECOND"}) {
    auto h = lib::new_header(name);
    lib::HeaderView v(h);
    v.set_title(std::string("Panel ") + name);
    v.set_complete('Y');
    v.set_save_date("071526");
    ASSERT_TRUE(f.write(h).ok());
    std::vector<std::uint8_t> cells(80, ' ');
    for (char kind : {lib::kColourLine, lib::kTextLine})
      for (int row = 1; row <= 25; ++row) {
        std::fill(cells.begin(), cells.end(),
                  kind == lib::kColourLine ? 0x07 : (row == 25 ? 0x00 : ' '));
        ASSERT_TRUE(f.write(lib::make_image_line(name, kind, row, cells)).ok());
      }
  }
}

}  // namespace

TEST(BatchTest, UsageErrorsAndTheMissingInteractiveEditor) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{}, kExitUsage, "the interactive editor is not available in this build"},
      {{"--bogus"}, kExitUsage, "unknown argument '--bogus'"},
      {{"--all", "--list"}, kExitUsage, "give one command at a time"},
      {{"--generate"}, kExitUsage, "--generate needs a panel name"},
      {{"--generate", "TOOLONGNAME"}, kExitUsage, "a panel name has 1 to 8 characters"},
      {{"--list", "--prefix", "X"}, kExitUsage, "--prefix takes Y, N or D"},
      {{"--list", "--panel", "A"}, kExitUsage, "--panel goes with --export"},
      {{"--list", "--library", "/nonexistent/L.PNL"},
       kExitFailed,
       "library /nonexistent/L.PNL not found"},
      // A file that cannot be read, or a directory, is never an empty import.
      {{"--import", "/nonexistent/P.TXT", "--library", "/nonexistent/L.PNL"},
       kExitFailed,
       "cannot read /nonexistent/P.TXT: No such file or directory"},
      {{"--import", "/", "--library", "/nonexistent/L.PNL"},
       kExitFailed,
       "cannot read /: Is a directory"},
  };
  for (const Case& c : cases) {
    Outcome r = dsgn32(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  Outcome help = dsgn32({"--help"});
  EXPECT_EQ(help.status, kExitOk);
  EXPECT_NE(help.out.find("--generate PANEL"), std::string::npos);
}

TEST(BatchTest, SettingsFileNamesTheLibraryAndDirectories) {
  std::string dir = scratch("settings");
  fs::create_directories(dir + "/lib");
  fs::create_directories(dir + "/cob");
  make_library(dir + "/lib/MY.PNL");
  std::ofstream(dir + "/DSGN.INI")
      << "[Panel Editor]\nSourceLibraryName=MY.PNL\nSourceLibraryDirectory=" << dir
      << "/lib\nMaskDirectory=\nPanelCopybookDirectory=" << dir << "/cob\n";
  Outcome list = dsgn32({"--list", "--settings", dir + "/DSGN.INI"});
  ASSERT_EQ(list.status, kExitOk) << list.err;
  EXPECT_EQ(list.out,
            "PANEL     FIELDS COMPLETE COPYBOOK SAVED    TITLE\n"
            "FIRST          0 yes      old      07/15/26  Panel FIRST\n"
            "SECOND         0 yes      old      07/15/26  Panel SECOND\n");
  Outcome gen = dsgn32({"--generate", "SECOND", "--settings", dir + "/DSGN.INI", "--quiet"});
  ASSERT_EQ(gen.status, kExitOk) << gen.err;
  EXPECT_TRUE(fs::exists(dir + "/cob/SECOND.COB"));
  EXPECT_FALSE(fs::exists(dir + "/cob/FIRST.COB"));
}

TEST(BatchTest, ExportToStandardOutputImportFromStandardInput) {
  std::string dir = scratch("pipe");
  make_library(dir + "/A.PNL");
  Outcome ex = dsgn32({"--export", "-", "--library", dir + "/A.PNL", "--panel", "SECOND"});
  ASSERT_EQ(ex.status, kExitOk) << ex.err;
  EXPECT_NE(ex.out.find("panel \"SECOND\""), std::string::npos);
  EXPECT_EQ(ex.out.find("panel \"FIRST\""), std::string::npos);

  Outcome im = dsgn32({"--import", "-", "--library", dir + "/B.PNL"}, ex.out);
  ASSERT_EQ(im.status, kExitOk) << im.err;
  Outcome list = dsgn32({"--list", "--library", dir + "/B.PNL"});
  EXPECT_NE(list.out.find("SECOND "), std::string::npos);
  EXPECT_EQ(list.out.find("FIRST "), std::string::npos);

  // Malformed text: the line is named and the library is left alone.
  std::string bad = ex.out;
  bad.replace(bad.find("  title"), 7, "  titel");
  Outcome refused = dsgn32({"--import", "-", "--library", dir + "/B.PNL"}, bad);
  EXPECT_EQ(refused.status, kExitFailed);
  EXPECT_NE(refused.err.find("<stdin>:"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find(": unknown key \"titel\""), std::string::npos) << refused.err;

  Outcome missing = dsgn32({"--export", "-", "--library", dir + "/A.PNL", "--panel", "NOPE"});
  EXPECT_EQ(missing.status, kExitFailed);
  EXPECT_NE(missing.err.find("Panel NOPE not found...."), std::string::npos);
}

// A mask library line that begins like a mask but has no X'DD' is named in
// a warning, so that masks are not renumbered unnoticed; --quiet omits it.
TEST(BatchTest, EditmaskWarnsOfMaskLinesWithoutTheEndMarker) {
  std::string dir = scratch("editmask");
  std::ofstream(dir + "/EDITMASK.SEQ", std::ios::binary)
      << "N 999\xDD\nN*ZZ9.99-\xE2\x96\x8C\nC (   )\xDD\n";
  Outcome em = dsgn32({"--editmask", "--masks", dir, "--out", dir});
  ASSERT_EQ(em.status, kExitOk) << em.err;
  EXPECT_NE(em.err.find("dsgn32: warning: " + dir +
                        "/EDITMASK.SEQ line 2 begins like a mask but has no end marker"),
            std::string::npos)
      << em.err;
  EXPECT_EQ(em.err.find("line 1 "), std::string::npos) << em.err;
  EXPECT_EQ(em.err.find("line 3 "), std::string::npos) << em.err;
  Outcome quiet = dsgn32({"--editmask", "--masks", dir, "--out", dir, "--quiet"});
  ASSERT_EQ(quiet.status, kExitOk) << quiet.err;
  EXPECT_EQ(quiet.err, "");
}
