#include "editor/shell/editor_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace kv::editor;
using namespace kv::editor::shell;

namespace {

class EditorSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvini" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "DSGN.INI").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string text() {
    std::ifstream in(file_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
  std::string file_;
};

TEST_F(EditorSettingsTest, MissingKeysKeepWhatTheFieldsHad) {
  EditorSettings current{"OLD.PNL", "/old", "", "/old/cpy"};
  // No file, and a file without the section: nothing changes.
  EXPECT_EQ(read_settings_file(file_, current).library_name, "OLD.PNL");
  std::ofstream(file_) << "[Korvexan]\nWindowWidth=640\n";
  EditorSettings s = read_settings_file(file_, current);
  EXPECT_EQ(s.library_directory, "/old");
  EXPECT_EQ(s.copybook_directory, "/old/cpy");

  std::ofstream(file_, std::ios::app) << "[panel editor]\nsourcelibraryname = MyLib.pnl\n"
                                      << "SourceLibraryDirectory=/home/dev/My Panels\n";
  s = read_settings_file(file_, current);
  EXPECT_EQ(s.library_name, "MyLib.pnl") << "case is kept";
  EXPECT_EQ(s.library_directory, "/home/dev/My Panels");
  EXPECT_EQ(s.mask_directory, "");
  EXPECT_EQ(s.copybook_directory, "/old/cpy");
}

TEST_F(EditorSettingsTest, WriteReplacesTheSectionInKeyOrder) {
  std::ofstream(file_) << "; editor settings\n[Panel Editor]\n; mine\nMaskDirectory=/x\nOld=1\n\n"
                       << "[Korvexan]\nWindowWidth=640\n";
  ASSERT_TRUE(write_settings_file(file_, {"LIB.PNL  ", "/srv/lib", "", "/srv/cpy"}));
  EXPECT_EQ(text(),
            "; editor settings\n[Panel Editor]\n; mine\n"
            "SourceLibraryName=LIB.PNL\nSourceLibraryDirectory=/srv/lib\nMaskDirectory=\n"
            "PanelCopybookDirectory=/srv/cpy\n\n[Korvexan]\nWindowWidth=640\n");
  EditorSettings back = read_settings_file(file_, {});
  EXPECT_EQ(back.library_name, "LIB.PNL");
  EXPECT_EQ(back.copybook_directory, "/srv/cpy");
  EXPECT_FALSE(write_settings_file((dir_ / "no" / "DSGN.INI").string(), back));
}

TEST(SettingsHelpersTest, CommandTailAndSeparators) {
  struct Tail {
    const char* tail;
    const char* file;
  } tails[] = {{"", "DSGN.INI"},
               {"   ", "DSGN.INI"},
               {"ORDERS.INI", "ORDERS.INI"},
               {"  /etc/dsgn/ORDERS.INI  extra", "/etc/dsgn/ORDERS.INI"},
               {"\"/home/dev/My Settings.ini\"", "/home/dev/My Settings.ini"}};
  for (const Tail& t : tails) EXPECT_EQ(settings_file_name(t.tail), t.file) << t.tail;
  struct Dir {
    const char* in;
    const char* out;
  } dirs[] = {{"/srv/lib/", "/srv/lib"},
              {"/srv/lib// ", "/srv/lib"},
              {"/", "/"},
              {"/srv/lib", "/srv/lib"},
              {"", ""},
              {"My Dir/", "My Dir"}};
  for (const Dir& d : dirs) EXPECT_EQ(without_trailing_separators(d.in), d.out) << d.in;
}

}  // namespace
