#include "runtime/utilities/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
namespace p = kv::profile;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvprof" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "app.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  void put(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
  std::string text() {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int files_in_dir() {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir_)) ++n;
    return n;
  }
  fs::path dir_;
  std::string file_;
};

const char* kFixture =
    "; settings of the order program\r\n"
    "[Korvexan]\r\n"
    "WindowWidth = 640\r\n"
    "FontFacename=\"Lucida Console\"\r\n"
    "\r\n"
    "[ Panel Editor ]\n"
    "# library\n"
    "SourceLibraryName=MYLIB.PNL\n"
    "  MaskDirectory  =  /srv/masks  \n"
    "Empty=\n"
    "NoEqualsLine\n"
    "\n"
    "[Other]\n"
    "SourceLibraryName=OTHER.PNL\n";

TEST_F(ProfileTest, ReadsWithoutRegardToCaseBlanksOrQuotes) {
  put(kFixture);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> want;
  } cases[] = {
      {"Korvexan", "WindowWidth", "640"},
      {"KORVEXAN", "windowwidth", "640"},
      {"Korvexan", "FontFacename", "Lucida Console"},
      {"panel editor", "SOURCELIBRARYNAME", "MYLIB.PNL"},
      {"  Panel Editor  ", " MaskDirectory ", "/srv/masks"},
      {"Panel Editor", "Empty", ""},
      {"Panel Editor", "NoEqualsLine", std::nullopt},
      {"Panel Editor", "WindowWidth", std::nullopt},  // other section's key
      {"Other", "SourceLibraryName", "OTHER.PNL"},
      {"Missing", "SourceLibraryName", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(p::get(file_, c.section, c.key), c.want) << c.section << "/" << c.key;
  EXPECT_EQ(p::get((dir_ / "none.ini").string(), "Korvexan", "WindowWidth"), std::nullopt);
  EXPECT_EQ(p::get(dir_.string(), "Korvexan", "WindowWidth"), std::nullopt);  // a directory
  EXPECT_EQ(p::section_names(file_),
            (std::vector<std::string>{"Korvexan", "Panel Editor", "Other"}));
}

TEST_F(ProfileTest, IntegersWithDefaults) {
  put("[s]\na=42\nb=-7x\nc=abc\nd=\n");
  EXPECT_EQ(p::get_int(file_, "s", "a", 9), 42);
  EXPECT_EQ(p::get_int(file_, "s", "b", 9), -7);
  EXPECT_EQ(p::get_int(file_, "s", "c", 9), 9);
  EXPECT_EQ(p::get_int(file_, "s", "d", 9), 9);
  EXPECT_EQ(p::get_int(file_, "s", "missing", 9), 9);
}

TEST_F(ProfileTest, KeyWriteKeepsEverythingElse) {
  put(kFixture);
  // Existing key: replaced in place, its spelling kept.
  ASSERT_TRUE(p::write_string(file_, "panel editor", "sourcelibraryname", "NEW.PNL"));
  // New key: at the end of its section, before the blank separator line.
  ASSERT_TRUE(p::write_string(file_, "Korvexan", "FontHeight", "16"));
  // Deleted key.
  ASSERT_TRUE(p::write_string(file_, "Panel Editor", "Empty", std::nullopt));
  EXPECT_EQ(text(),
            "; settings of the order program\n"
            "[Korvexan]\n"
            "WindowWidth = 640\n"
            "FontFacename=\"Lucida Console\"\n"
            "FontHeight=16\n"
            "\n"
            "[ Panel Editor ]\n"
            "# library\n"
            "SourceLibraryName=NEW.PNL\n"
            "  MaskDirectory  =  /srv/masks  \n"
            "NoEqualsLine\n"
            "\n"
            "[Other]\n"
            "SourceLibraryName=OTHER.PNL\n");
  EXPECT_EQ(files_in_dir(), 1) << "no temporary file is left behind";
}

TEST_F(ProfileTest, NewFileAndSection) {
  ASSERT_TRUE(p::write_string(file_, "Panel Editor", "SourceLibraryName", "A.PNL"));
  ASSERT_TRUE(p::write_strings(file_, "Korvexan", {{"X", "1"}, {"Y", "2"}}));
  EXPECT_EQ(text(), "[Panel Editor]\nSourceLibraryName=A.PNL\n\n[Korvexan]\nX=1\nY=2\n");
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "a new settings file is not private";
}

TEST_F(ProfileTest, SectionReplaceKeepsCommentsAndOtherSections) {
  put(kFixture);
  ASSERT_TRUE(
      p::write_section(file_, "PANEL EDITOR",
                       {{"SourceLibraryName", "B.PNL"}, {"SourceLibraryDirectory", "/srv/lib"}}));
  EXPECT_EQ(p::section_entries(file_, "Panel Editor"),
            (p::Entries{{"SourceLibraryName", "B.PNL"}, {"SourceLibraryDirectory", "/srv/lib"}}));
  std::string t = text();
  EXPECT_NE(t.find("# library\n"), std::string::npos);
  EXPECT_NE(t.find("NoEqualsLine\n"), std::string::npos);
  EXPECT_EQ(p::get(file_, "Other", "SourceLibraryName"), "OTHER.PNL");
  EXPECT_EQ(p::get(file_, "Korvexan", "WindowWidth"), "640");

  ASSERT_TRUE(p::write_section_lines(file_, "Other", {"a=1", "plain text", "[Sneaky]", "b=2"}));
  EXPECT_EQ(p::section_entries(file_, "Other"), (p::Entries{{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(p::section_names(file_),
            (std::vector<std::string>{"Korvexan", "Panel Editor", "Other"}));
}

TEST_F(ProfileTest, UnsafeNamesAreRefusedAndValuesStayOnOneLine) {
  put("[s]\nk=v\n");
  EXPECT_FALSE(p::write_string(file_, "s", "a=b", "1"));
  EXPECT_FALSE(p::write_string(file_, "s", "[t]", "1"));
  EXPECT_FALSE(p::write_string(file_, "s", "", "1"));
  EXPECT_FALSE(p::write_string(file_, "s]x", "k", "1"));
  EXPECT_FALSE(p::write_string(file_, "s\nt", "k", "1"));
  EXPECT_EQ(text(), "[s]\nk=v\n");
  ASSERT_TRUE(p::write_string(file_, "s", "k", "line1\n[evil]\nx=1"));
  EXPECT_EQ(text(), "[s]\nk=line1\n");
}

TEST_F(ProfileTest, ReplacementKeepsModeAndSymbolicLink) {
  fs::create_directories(dir_ / "real");
  std::string target = (dir_ / "real" / "app.ini").string();
  std::ofstream(target) << "[s]\nk=old\n";
  ::chmod(target.c_str(), 0640);
  fs::create_symlink(target, file_);
  ASSERT_TRUE(p::write_string(file_, "s", "k", "new"));
  EXPECT_TRUE(fs::is_symlink(file_));
  EXPECT_EQ(p::get(target, "s", "k"), "new");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ProfileTest, FileThatCannotBeReadIsNotRewritten) {
  // A settings file the user cannot read (say, left behind by a run as
  // another user) in a directory the user can write: every write must fail
  // rather than replace the file by one holding only the new keys.
  put("[Korvexan]\nWindowWidth=640\n[Panel Editor]\nMaskDirectory=/srv/masks\n");
  ::chmod(dir_.c_str(), 0777);
  ::chmod(file_.c_str(), 0200);
  std::string fresh = (dir_ / "new.ini").string();
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // Root reads any file: the writes run as an ordinary user.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    int wrong = 0;
    if (p::write_string(file_, "Panel Editor", "SourceLibraryName", "A.PNL")) wrong |= 1;
    if (p::write_strings(file_, "Korvexan", {{"X", "1"}})) wrong |= 2;
    if (p::write_section(file_, "Panel Editor", {{"SourceLibraryName", "A.PNL"}})) wrong |= 4;
    if (p::delete_section(file_, "Korvexan")) wrong |= 8;
    // The directory itself takes a new file, so the refusals above are
    // the unreadable file's.
    if (!p::write_string(fresh, "s", "k", "v")) wrong |= 16;
    ::_exit(wrong);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "bits: 1-8 a write went through, 16 no new file";
  ::chmod(file_.c_str(), 0600);
  EXPECT_EQ(text(), "[Korvexan]\nWindowWidth=640\n[Panel Editor]\nMaskDirectory=/srv/masks\n");
  EXPECT_EQ(files_in_dir(), 2) << "the old file and the new one, no temporary file";
}

TEST_F(ProfileTest, UnwritablePlaceFailsAndChangesNothing) {
  EXPECT_FALSE(p::write_string((dir_ / "no" / "such" / "dir.ini").string(), "s", "k", "v"));
  EXPECT_FALSE(p::write_string(dir_.string(), "s", "k", "v"));  // a directory
  EXPECT_EQ(files_in_dir(), 0);
}

}  // namespace
