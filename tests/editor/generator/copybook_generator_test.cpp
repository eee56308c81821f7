// Generating from a library: choosing panels, refusing the ones that
// cannot be generated, marking headers, and never leaving a half-written
// copybook behind.
#include "editor/generator/copybook_generator.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "editor/generator/support/cobol_support.h"
#include "editor/generator/support/panel_fixture.h"

namespace fs = std::filesystem;
using namespace kv::editor;
using namespace kv::editor::gen;
using namespace kv::editor::testing;

namespace {

class GeneratorRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    out_ = dir_ + "/out/";
    fs::create_directories(out_);
    ASSERT_TRUE(lib_.open(dir_ + "/TEST.PNL", OpenMode::Output).ok());
    lib_.close();
    ASSERT_TRUE(lib_.open(dir_ + "/TEST.PNL", OpenMode::InputOutput).ok());
    PanelFixture good("GOOD");
    FieldSpec f;
    f.row = 2;
    f.column = 2;
    f.length = 4;
    f.picture = "X(4)";
    f.name = "G-FIELD";
    good.field(f);
    good.store(lib_);
    PanelFixture inc("INCOMP");
    inc.header().set_complete('N');
    inc.store(lib_);
    // A panel whose image stops after the colour lines.
    PanelFixture cut("CUT");
    auto r = cut.records();
    r.images.resize(25);
    ASSERT_TRUE(lib::replace_panel(lib_, r).ok());
    PanelFixture other("ZLAST");
    other.store(lib_);
  }

  RunSummary run(Quantity q, std::string_view name = {}, bool fall_back = true) {
    messages_.clear();
    GeneratorSetup s;
    s.copybook_directory = out_;
    s.fall_back_to_current_directory = fall_back;
    s.sink = [this](const Message& m) { messages_.push_back(m); };
    CopybookGenerator g(lib_, s);
    return g.run(q, name);
  }
  bool said(const std::string& text) const {
    for (auto& m : messages_)
      if (m.text == text) return true;
    return false;
  }
  char current(const std::string& name) {
    lib::PanelRecords r;
    lib::read_panel(lib_, name, r);
    return lib::HeaderView(r.header).copybook_current();
  }
  std::vector<std::string> files() const {
    std::vector<std::string> f;
    for (auto& e : fs::directory_iterator(out_)) f.push_back(e.path().filename().string());
    std::sort(f.begin(), f.end());
    return f;
  }

  std::string dir_, out_;
  RecordFile lib_;
  std::vector<Message> messages_;
};

}  // namespace

TEST_F(GeneratorRunTest, AllGeneratesWhatCanBeAndReportsTheRest) {
  RunSummary s = run(Quantity::All);
  EXPECT_EQ(s.generated, 2);
  EXPECT_EQ(s.failed, (std::vector<std::string>{"CUT", "INCOMP"}));
  EXPECT_EQ(files(), (std::vector<std::string>{"GOOD.COB", "ZLAST.COB"}));
  EXPECT_TRUE(said("GOOD SUCCESSFULLY GENERATED!"));
  EXPECT_TRUE(said("Premature EOF on CUT!"));
  EXPECT_TRUE(said("Panel INCOMP is marked incomplete"));
  EXPECT_TRUE(said("and may not be generated till corrected!"));
  EXPECT_EQ(current("GOOD"), 'Y');
  EXPECT_EQ(current("INCOMP"), 'N');

  // Revised: the second walk finds every generated panel up to date.
  s = run(Quantity::Revised);
  EXPECT_EQ(s.generated, 0);
  EXPECT_EQ(s.up_to_date, 2);
  EXPECT_FALSE(said("GOOD SUCCESSFULLY GENERATED!"));
}

TEST_F(GeneratorRunTest, SingleMissingPanelAndMissingDirectory) {
  RunSummary s = run(Quantity::Single, "NOPE");
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(said("Panel NOPE not found...."));
  EXPECT_TRUE(files().empty());

  // A copybook directory that cannot take the file: the name alone is
  // tried in the current directory, and only when that fails too is the
  // drive reported.
  struct CwdGuard {
    fs::path old = fs::current_path();
    ~CwdGuard() { fs::current_path(old); }
  } guard;
  out_ = dir_ + "/no-such-dir/";
  fs::create_directories(dir_ + "/gone");
  fs::current_path(dir_ + "/gone");
  fs::remove(dir_ + "/gone");
  s = run(Quantity::Single, "GOOD");
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(said("Drive not ready, or disk full/protected... STATUS: 35"));
  EXPECT_EQ(current("GOOD"), 'N');

  fs::create_directories(dir_ + "/here");
  fs::current_path(dir_ + "/here");
  s = run(Quantity::Single, "GOOD");
  EXPECT_TRUE(s.ok());
  EXPECT_TRUE(fs::exists(dir_ + "/here/GOOD.COB"));
  bool told = false;
  for (auto& m : messages_)
    told |= m.warning &&
            m.text.find("GOOD.COB written in the current directory instead") != std::string::npos;
  EXPECT_TRUE(told);
  EXPECT_EQ(current("GOOD"), 'Y');

  // A batch run does not fall back: its output stays where it was asked
  // for, and the failure is reported.
  fs::remove(dir_ + "/here/GOOD.COB");
  s = run(Quantity::Single, "GOOD", false);
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(said("Drive not ready, or disk full/protected... STATUS: 35"));
  EXPECT_FALSE(fs::exists(dir_ + "/here/GOOD.COB"));
}

// A write that fails half way (the file-size limit stands in for a full
// disk) leaves the previous copybook as it was and no temporary file.
TEST_F(GeneratorRunTest, AFailedWriteLeavesNoHalfCopybook) {
  ASSERT_EQ(run(Quantity::Single, "GOOD").generated, 1);
  std::string before = read_text(out_ + "GOOD.COB");
  ASSERT_GT(before.size(), 2000u);
  // Make the panel's copybook differ, so that a partial write would show.
  lib::PanelRecords r;
  lib::read_panel(lib_, "GOOD", r);
  lib::HeaderView(r.header).set_title("A new title");
  ASSERT_TRUE(lib::replace_panel(lib_, r).ok());

  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  RunSummary s = run(Quantity::Single, "GOOD");
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(said("Drive not ready, or disk full/protected... STATUS: 34"));
  EXPECT_EQ(read_text(out_ + "GOOD.COB"), before);
  EXPECT_EQ(files(), std::vector<std::string>{"GOOD.COB"});
}

TEST(EditmaskFileTest, WrittenAndReported) {
  std::string dir = scratch_dir("editmask-file") + "/";
  masklib::MaskLibrary masks;
  std::vector<std::string> msgs;
  auto sink = [&](const Message& m) { msgs.push_back(m.text); };
  EXPECT_TRUE(write_editmask(dir, masks, sink));
  EXPECT_NE(read_text(dir + "EDITMASK.COB").find("OCCURS 001."), std::string::npos);
  EXPECT_EQ(msgs.front(), "Generating EDITMASK.COB for Korvexan runtime masks!");
  EXPECT_EQ(msgs.back(), "File is: " + dir + "EDITMASK.COB");
  msgs.clear();
  EXPECT_FALSE(write_editmask(dir + "missing/", masks, sink));
  // The failed open is the only step reported.
  ASSERT_EQ(msgs.size(), 3u);
  EXPECT_EQ(msgs[0], "Generating EDITMASK.COB for Korvexan runtime masks!");
  EXPECT_EQ(msgs[1], "Error creating EDITMASK.COB, RC=35 cannot continue!");
}
