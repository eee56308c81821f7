#include "runtime/utilities/os_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "runtime/utilities/bytes.h"
#include "runtime/utilities/log.h"
#include "runtime/utilities/modules.h"

namespace fs = std::filesystem;

namespace {

// A 255-character text field: `text` then `pad`.
struct Field {
  explicit Field(std::string_view text, std::uint8_t pad = ' ') {
    std::memset(bytes, pad, sizeof bytes);
    std::memcpy(bytes, text.data(), std::min(text.size(), sizeof bytes));
  }
  // A profile text: ended by X'00', the rest spaces (as COBOL would hold it).
  static Field z(std::string_view text) {
    Field f(text);
    if (text.size() < 255) f.bytes[text.size()] = 0;
    return f;
  }
  std::uint8_t bytes[255];
};

struct Num {
  explicit Num(std::int32_t v = -99) { kv::put_s32(b, v); }
  std::int32_t get() const { return kv::get_s32(b); }
  std::uint8_t b[4];
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class OsServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvos" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("KORVEXAN_LOGDIR", dir_.c_str(), 1);
    kv::log_reset_for_tests();
  }
  void TearDown() override {
    set_tracing(' ');
    unsetenv("KORVEXAN_LOGDIR");
    fs::remove_all(dir_);
  }
  static void set_tracing(char c) {
    Num r;
    SKR_DELETEFILE(Field("").bytes, r.b);  // makes sure the module is registered
    kv::modules().set_trace(kv::modules().find("SCR_WXXX"), c);
  }
  std::string path(const char* name) { return (dir_ / name).string(); }
  void put(const char* name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  fs::path dir_;
};

TEST(OsTextTest, FileTextsLoseTrailingBlanksButNeverCharacterOne) {
  struct Case {
    std::string field;
    std::string want;
  } cases[] = {
      {"ABCDEFGH", "ABCDEFGH"},                        // 8 characters and 247 spaces
      {"", " "},                                       // 255 spaces: character 1 stays
      {std::string("A B\0  ", 6), "A B"},              // trailing X'00' and blanks
      {std::string("AB\0CD", 5), "AB"},                // the system sees up to X'00'
      {std::string(255, 'x'), std::string(255, 'x')},  // a full field is passed whole
  };
  for (const Case& c : cases) EXPECT_EQ(kv::os::file_text(Field(c.field).bytes), c.want);
  EXPECT_EQ(kv::os::profile_text(Field("Panel Editor  ").bytes),
            "Panel Editor" + std::string(243, ' '))
      << "profile texts are not trimmed";
  EXPECT_EQ(kv::os::profile_text(Field::z("Panel Editor").bytes), "Panel Editor");
  // A number the system has no message for gives no text (the trace then
  // says so in its own words) rather than a made-up one.
  EXPECT_EQ(kv::os::error_text(ENOENT), "No such file or directory");
  EXPECT_EQ(kv::os::error_text(99999), "");
}

TEST_F(OsServicesTest, CopyFile) {
  put("a.txt", "alpha");
  put("b.txt", "beta");
  Num r;
  // Flag set and the target exists: refused, target unchanged.
  Num fail(1);
  SKR_COPYFILE(Field(path("a.txt")).bytes, Field(path("b.txt")).bytes, fail.b, r.b);
  EXPECT_EQ(r.get(), 0);
  EXPECT_EQ(slurp(dir_ / "b.txt"), "beta");
  // Flag 0: overwritten.
  Num over(0);
  SKR_COPYFILE(Field(path("a.txt")).bytes, Field(path("b.txt")).bytes, over.b, r.b);
  EXPECT_EQ(r.get(), 1);
  EXPECT_EQ(slurp(dir_ / "b.txt"), "alpha");
  // Onto itself: the content survives.
  SKR_COPYFILE(Field(path("a.txt")).bytes, Field(path("a.txt")).bytes, over.b, r.b);
  EXPECT_EQ(slurp(dir_ / "a.txt"), "alpha");
  // Missing source, missing target directory, a directory as source, a
  // named pipe as source (refused at once, not waiting for a writer; the
  // alarm turns a wait into a failure).
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  ::alarm(20);
  for (auto [from, to] :
       {std::pair{path("none"), path("c.txt")}, std::pair{path("a.txt"), path("nodir/c.txt")},
        std::pair{dir_.string(), path("c.txt")}, std::pair{path("pipe"), path("c.txt")}}) {
    Num bad;
    SKR_COPYFILE(Field(from).bytes, Field(to).bytes, over.b, bad.b);
    EXPECT_EQ(bad.get(), 0) << from << " -> " << to;
  }
  ::alarm(0);
  int n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir_)) ++n;
  EXPECT_EQ(n, 3) << "no partial or temporary files";
}

TEST_F(OsServicesTest, MoveAndDeleteFile) {
  put("a.txt", "alpha");
  put("b.txt", "beta");
  Num r;
  SKR_MOVEFILE(Field(path("a.txt")).bytes, Field(path("b.txt")).bytes, r.b);
  EXPECT_EQ(r.get(), 0) << "an existing target is not replaced";
  EXPECT_EQ(slurp(dir_ / "b.txt"), "beta");
  SKR_MOVEFILE(Field(path("a.txt")).bytes, Field(path("c.txt")).bytes, r.b);
  EXPECT_EQ(r.get(), 1);
  EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
  EXPECT_EQ(slurp(dir_ / "c.txt"), "alpha");

  SKR_DELETEFILE(Field(path("c.txt")).bytes, r.b);
  EXPECT_EQ(r.get(), 1);
  EXPECT_FALSE(fs::exists(dir_ / "c.txt"));
  SKR_DELETEFILE(Field(path("c.txt")).bytes, r.b);
  EXPECT_EQ(r.get(), 0);
  fs::create_directories(dir_ / "sub");
  SKR_DELETEFILE(Field(path("sub")).bytes, r.b);
  EXPECT_EQ(r.get(), 0) << "directories are not files";
}

TEST_F(OsServicesTest, CommandLineAndDirectory) {
  std::uint8_t line[255];
  std::memset(line, 'q', sizeof line);
  SKR_GETCOMMANDLINE(line);
  std::string got(reinterpret_cast<char*>(line), 255);
  EXPECT_NE(got.find("test_utilities"), std::string::npos) << got;
  EXPECT_EQ(got.back(), ' ') << "space-filled";

  std::uint8_t buf[300];
  std::memset(buf, '#', sizeof buf);
  Num size(300), r;
  SKR_GETWINDOWSDIRECTORY(buf, size.b, r.b);
  EXPECT_EQ(r.get(), static_cast<int>(dir_.string().size()));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf)), dir_.string());
  // Too small: the buffer is left alone and the result is the size needed.
  std::memset(buf, '#', sizeof buf);
  Num small(4);
  SKR_GETWINDOWSDIRECTORY(buf, small.b, r.b);
  EXPECT_EQ(r.get(), static_cast<int>(dir_.string().size() + 1));
  EXPECT_EQ(buf[0], '#');
}

TEST_F(OsServicesTest, ProgramStart) {
  Num r;
  SKR_WINEXEC(Field("true").bytes, 1, r.b);
  EXPECT_GT(r.get(), 31);
  SKR_WINEXEC(Field("no-such-program-kv").bytes, 1, r.b);
  EXPECT_EQ(r.get(), 2);
  SKR_WINEXEC(Field("").bytes, 1, r.b);
  EXPECT_LE(r.get(), 31);
  // The words reach the program as its arguments, quotes grouping blanks.
  std::string cmd = "sh -c \"echo started > '" + path("out.txt") + "'\"";
  SKR_WINEXEC(Field(cmd).bytes, 1, r.b);
  EXPECT_GT(r.get(), 31);
  for (int i = 0; i < 200 && slurp(dir_ / "out.txt") != "started\n"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(slurp(dir_ / "out.txt"), "started\n");
}

TEST_F(OsServicesTest, ProfileEntries) {
  std::string ini = path("app.ini");
  Num r;
  // Section text: entries ended by X'00', a final X'00'.
  std::uint8_t section_text[255];
  std::memset(section_text, ' ', sizeof section_text);
  const char entries[] = "Name=MYLIB.PNL\0Count=12\0Hex=0x1F\0Bad=abc\0";
  std::memcpy(section_text, entries, sizeof entries);
  SKR_WRITEPRIVATEPROFILESECTION(Field::z("Panel Editor").bytes, section_text, Field::z(ini).bytes,
                                 r.b);
  EXPECT_EQ(r.get(), 1);
  SKR_WRITEPRIVATEPROFILESTRING(Field::z("panel editor").bytes, Field::z("Dir").bytes,
                                Field::z("/srv/lib").bytes, Field::z(ini).bytes, r.b);
  EXPECT_EQ(r.get(), 1);
  EXPECT_EQ(slurp(ini),
            "[Panel Editor]\nName=MYLIB.PNL\nCount=12\nHex=0x1F\nBad=abc\nDir=/srv/lib\n");

  struct StrCase {
    const char* key;
    const char* fallback;
    std::int32_t size;
    const char* want;
  } strs[] = {
      {"NAME", "x", 100, "MYLIB.PNL"},
      {"Name", "x", 5, "MYLI"},  // up to the buffer size, X'00' included
      {"Missing", "dflt   ", 100, "dflt"},
      {"Missing", "dflt", 1, ""},
  };
  for (const StrCase& c : strs) {
    std::uint8_t out[101];
    std::memset(out, '#', sizeof out);
    Num size(c.size);
    SKR_GETPRIVATEPROFILESTRING(Field::z("Panel Editor").bytes, Field::z(c.key).bytes,
                                Field::z(c.fallback).bytes, out, size.b, Field::z(ini).bytes, r.b);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), c.want) << c.key;
    EXPECT_EQ(r.get(), static_cast<int>(std::strlen(c.want))) << c.key;
    EXPECT_EQ(out[c.size], '#') << "nothing written past the stated size";
  }
  // Omitted section: the section names, each ended by X'00', then X'00'.
  std::uint8_t names[64];
  Num size(64);
  SKR_GETPRIVATEPROFILESTRING(nullptr, nullptr, nullptr, names, size.b, Field::z(ini).bytes, r.b);
  EXPECT_EQ(r.get(), 13);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(names), 14), std::string("Panel Editor\0\0", 14));

  struct IntCase {
    const char* key;
    std::int32_t want;
  } ints[] = {{"Count", 12}, {"Hex", 31}, {"Bad", 0}, {"Missing", -5}};
  for (const IntCase& c : ints) {
    Num def(-5);
    SKR_GETPRIVATEPROFILEINT(Field::z("Panel Editor").bytes, Field::z(c.key).bytes, def.b,
                             Field::z(ini).bytes, r.b);
    EXPECT_EQ(r.get(), c.want) << c.key;
  }
  // Omitted key: the section goes.
  SKR_WRITEPRIVATEPROFILESTRING(Field::z("Panel Editor").bytes, nullptr, nullptr,
                                Field::z(ini).bytes, r.b);
  EXPECT_EQ(r.get(), 1);
  EXPECT_EQ(slurp(ini), "");

  // A settings-file name in a blank-padded field without X'00' names the
  // same file, not one whose name ends in blanks.
  SKR_WRITEPRIVATEPROFILESTRING(Field::z("Korvexan").bytes, Field::z("FontHeight").bytes,
                                Field::z("16").bytes, Field(ini).bytes, r.b);
  EXPECT_EQ(r.get(), 1);
  EXPECT_EQ(slurp(ini), "[Korvexan]\nFontHeight=16\n");
  Num def(0);
  SKR_GETPRIVATEPROFILEINT(Field::z("Korvexan").bytes, Field::z("FontHeight").bytes, def.b,
                           Field(ini).bytes, r.b);
  EXPECT_EQ(r.get(), 16);
}

TEST_F(OsServicesTest, TraceLinesOnlyWhenSwitchedOn) {
  Num r, zero(0);
  set_tracing(' ');
  SKR_COPYFILE(Field(path("none")).bytes, Field(path("x")).bytes, zero.b, r.b);
  EXPECT_EQ(r.get(), 0);
  EXPECT_FALSE(fs::exists(dir_ / "KORVEXAN.LOG")) << "tracing off: no output at all";

  set_tracing('L');
  SKR_COPYFILE(Field(path("none")).bytes, Field(path("x")).bytes, zero.b, r.b);
  SKR_GETPRIVATEPROFILEINT(Field::z("S").bytes, Field::z("K").bytes, zero.b,
                           Field::z(path("a.ini")).bytes, r.b);
  std::string log = slurp(dir_ / "KORVEXAN.LOG");
  EXPECT_NE(log.find("|CopyFile"), std::string::npos) << log;
  EXPECT_NE(log.find(path("none") + " to " + path("x")), std::string::npos);
  EXPECT_NE(
      log.find("|Failed!" + std::string(40, ' ') + "Error code: 2 / No such file or directory"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find(path("a.ini") + " [S] K = 0"), std::string::npos);
  EXPECT_NE(log.find("SCR_WXXX"), std::string::npos);
}

}  // namespace
