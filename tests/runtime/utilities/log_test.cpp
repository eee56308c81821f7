#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/data_utils.h"
#include "runtime/utilities/log.h"
#include "runtime/utilities/modules.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_boxes;
int record_box(int kind, std::string_view title, std::string_view text, std::string_view) {
  g_boxes.push_back(std::to_string(kind) + "|" + std::string(title) + "|" + std::string(text));
  return 1;
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvlog" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("KORVEXAN_LOGDIR", dir_.c_str(), 1);
    kv::log_reset_for_tests();
    g_boxes.clear();
    kv::set_box_hook(record_box);
  }
  void TearDown() override {
    kv::set_box_hook(nullptr);
    unsetenv("KORVEXAN_LOGDIR");
    fs::remove_all(dir_);
  }
  std::vector<std::string> lines() {
    std::ifstream in(dir_ / "KORVEXAN.LOG");
    std::vector<std::string> out;
    for (std::string s; std::getline(in, s);) out.push_back(s);
    return out;
  }
  fs::path dir_;
};

TEST_F(LogTest, NewFileHeaderNumbersAndRepeatedIdentification) {
  std::string a = kv::trace_line("MODULEA  1.0.001 DEC 11, 2026 13.16", "Action one", "Obj", "v1");
  std::string b = kv::trace_line("MODULEA  1.0.001 DEC 11, 2026 13.16", "Action two", "", "v2");
  std::string c = kv::trace_line("MODULEB  1.0.001 DEC 11, 2026 13.16", "Other", "", "");
  kv::log_write(a);
  kv::log_write(b);
  kv::log_write(c);
  auto l = lines();
  ASSERT_EQ(l.size(), 5u);
  for (const auto& s : l) EXPECT_EQ(s.size(), 227u);
  EXPECT_EQ(l[0].substr(0, 25), "00001 Event logging file ");
  EXPECT_NE(l[0].find("|Created new file..."), std::string::npos);
  EXPECT_EQ(l[1].substr(0, 16), "00002 SCR_LOG  1");
  EXPECT_EQ(l[2].substr(0, 41), "00003 MODULEA  1.0.001 DEC 11, 2026 13.16");
  EXPECT_EQ(l[2].substr(41, 1), "|");
  EXPECT_EQ(l[2].substr(42, 10), "Action one");
  // The same identification again is written as spaces.
  EXPECT_EQ(l[3].substr(0, 41), "00004 " + std::string(35, ' '));
  EXPECT_EQ(l[3].substr(42, 10), "Action two");
  EXPECT_EQ(l[4].substr(6, 7), "MODULEB");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("Event logging is enabled!"), std::string::npos);
}

TEST_F(LogTest, ExistingFileIsAppendedWithAStarLine) {
  { std::ofstream(dir_ / "KORVEXAN.LOG") << "old line\n"; }
  std::uint8_t line[221];
  kv::put_padded(line, 221, "CALLER                             |some text");
  SKR_LOG(line);
  // The caller's line is cleared after writing.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(line), 221), std::string(221, ' '));
  auto l = lines();
  ASSERT_EQ(l.size(), 5u);
  EXPECT_EQ(l[0], "old line");
  EXPECT_EQ(l[1], std::string(227, '*'));
  EXPECT_NE(l[2].find("|Appending to existing file..."), std::string::npos);
  EXPECT_EQ(l[4].substr(0, 12), "00003 CALLER");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("data will be APPENDED to the existing file:"), std::string::npos);
}

TEST_F(LogTest, UnwritableDirectoryShowsTheFileStatusAndRetries) {
  setenv("KORVEXAN_LOGDIR", (dir_ / "missing").c_str(), 1);
  std::uint8_t line[221];
  kv::put_padded(line, 221, "X");
  SKR_LOG(line);
  // Only the failure is reported: no notice that logging is enabled.
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("Cannot LOG:  OPEN failed on LOG file RC=35"), std::string::npos);
  EXPECT_EQ(line[0], ' ');
  // Once the directory exists the next call succeeds and announces the file.
  fs::create_directories(dir_ / "missing");
  kv::put_padded(line, 221, "Y");
  SKR_LOG(line);
  EXPECT_TRUE(fs::exists(dir_ / "missing" / "KORVEXAN.LOG"));
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_NE(g_boxes[1].find("Event logging is enabled!"), std::string::npos);
}

TEST(TraceLine, FieldsArePaddedAndCut) {
  std::string l = kv::trace_line("ID", "an action that is far too long", "object", "value");
  ASSERT_EQ(l.size(), 221u);
  EXPECT_EQ(l.substr(0, 36), kv::padded("ID", 35) + "|");
  EXPECT_EQ(l.substr(36, 25), "an action that is far too");
  EXPECT_EQ(l.substr(61, 22), kv::padded("object", 22));
  EXPECT_EQ(l.substr(83, 5), "value");

  // A long action runs on into an empty object field, and through the value
  // field too when there is no value: a warning's whole text is logged.
  const std::string warning = "Required/Validation Bypass storage was CANCELled!";
  l = kv::trace_line("ID", warning, "", "");
  ASSERT_EQ(l.size(), 221u);
  EXPECT_EQ(l.substr(36, warning.size() + 1), warning + " ");
  l = kv::trace_line("ID", warning, "", "v");
  EXPECT_EQ(l.substr(36, 48), warning.substr(0, 47) + "v");
}

TEST(Modules, RegistrationIsIdempotentAndReadsTheEnvironment) {
  setenv("KVTESTMOD", "log please", 1);
  kv::ModuleTable t;
  int i = t.register_module("KVTESTMOD", "1.0.", "007");
  EXPECT_EQ(t.register_module("KVTESTMOD", "9.9.", "999"), i);
  EXPECT_EQ(t.trace(i), 'L');
  std::string id = t.identification(i);
  ASSERT_EQ(id.size(), 35u);
  EXPECT_EQ(id.substr(0, 17), "KVTESTMOD1.0.007 ");
  setenv("KVOTHER", "xLOG", 1);
  EXPECT_NE(t.trace(t.register_module("KVOTHER", "1.0.", "001")), 'L');
  unsetenv("KVTESTMOD");
  unsetenv("KVOTHER");
}

}  // namespace
