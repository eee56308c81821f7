#include "editor/library/record_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>

namespace fs = std::filesystem;
using kv::editor::Access;
using kv::editor::FileStatus;
using kv::editor::OpenMode;
using kv::editor::RecordFile;
using kv::editor::RecordFileOptions;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A record: 13-byte key (text padded with spaces) and a body.
Bytes rec(std::string_view key, std::string_view body = "") {
  std::string s(key.substr(0, std::min<std::size_t>(13, key.size())));
  s.resize(13, ' ');
  s += body;
  return Bytes(s.begin(), s.end());
}
Bytes key(std::string_view k) { return rec(k); }
std::string str(const Bytes& b) { return std::string(b.begin(), b.end()); }

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvrf" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "TEST.PNL").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A file holding the given keys, closed again.
  void make(std::initializer_list<std::string_view> keys) {
    RecordFile f;
    ASSERT_EQ(f.open(path_, OpenMode::Output), FileStatus("00"));
    for (auto k : keys) ASSERT_EQ(f.write(rec(k, "body of " + std::string(k))), FileStatus("00"));
    ASSERT_EQ(f.close(), FileStatus("00"));
  }
  std::vector<std::string> all_keys(RecordFile& f) {
    std::vector<std::string> out;
    Bytes r;
    if (f.start(Bytes{}) != FileStatus("00")) return out;
    while (f.read_next(r) == FileStatus("00")) out.push_back(str(r).substr(0, 13));
    return out;
  }
  fs::path dir_;
  std::string path_;
};

TEST_F(RecordFileTest, DynamicAccessStatuses) {
  make({"B", "D", "F"});
  RecordFile f;
  ASSERT_EQ(f.open(path_, OpenMode::InputOutput), FileStatus("00"));
  Bytes r;
  struct Step {
    const char* what;
    FileStatus got;
    FileStatus want;
  };
  std::vector<Step> steps;
  auto step = [&](const char* what, FileStatus got, FileStatus want) {
    EXPECT_EQ(got, want) << what << " gave " << got.text();
  };
  step("write duplicate", f.write(rec("D", "x")), "22");
  step("write new", f.write(rec("C", "new")), "00");
  step("read missing", f.read(key("E"), r), "23");
  step("read existing", f.read(key("D"), r), "00");
  EXPECT_EQ(str(r), str(rec("D", "body of D")));
  step("read next after read", f.read_next(r), "00");
  EXPECT_EQ(str(r).substr(0, 1), "F");
  step("end of file", f.read_next(r), "10");
  step("read next after end", f.read_next(r), "46");
  step("start beyond last", f.start(key("G")), "23");
  step("read next after failed start", f.read_next(r), "46");
  step("start between keys", f.start(key("BB")), "00");
  step("read next from start", f.read_next(r), "00");
  EXPECT_EQ(str(r).substr(0, 1), "C");
  step("rewrite", f.rewrite(rec("C", "changed")), "00");
  step("rewrite missing", f.rewrite(rec("Q", "x")), "23");
  step("delete current", f.remove(key("D")), "00");
  step("read next after delete", f.read_next(r), "00");
  EXPECT_EQ(str(r).substr(0, 1), "F");
  step("delete missing", f.remove(key("D")), "23");
  step("record shorter than key", f.write(Bytes{'A', 'B'}), "44");
  step("record too long", f.write(rec("Z", std::string(200, 'x'))), "44");
  EXPECT_EQ(all_keys(f),
            (std::vector<std::string>{"B            ", "C            ", "F            "}));
  EXPECT_EQ(f.read(key("C"), r), FileStatus("00"));
  EXPECT_EQ(str(r), str(rec("C", "changed")));
  EXPECT_EQ(f.open(path_, OpenMode::Input), FileStatus("41"));
  EXPECT_EQ(f.close(), FileStatus("00"));
  EXPECT_EQ(f.close(), FileStatus("42"));
  EXPECT_EQ(f.read(key("C"), r), FileStatus("47"));
}

TEST_F(RecordFileTest, OpenModesLimitOperations) {
  make({"A"});
  Bytes r;
  RecordFile in;
  ASSERT_EQ(in.open(path_, OpenMode::Input), FileStatus("00"));
  EXPECT_EQ(in.write(rec("B")), FileStatus("48"));
  EXPECT_EQ(in.rewrite(rec("A")), FileStatus("49"));
  EXPECT_EQ(in.remove(key("A")), FileStatus("49"));
  EXPECT_EQ(in.read(key("A"), r), FileStatus("00"));
  in.close();

  RecordFile out;
  ASSERT_EQ(out.open(path_, OpenMode::Output), FileStatus("00"));
  EXPECT_EQ(out.read(key("A"), r), FileStatus("47"));
  EXPECT_EQ(out.start(key("A")), FileStatus("47"));
  EXPECT_EQ(out.rewrite(rec("A")), FileStatus("49"));
  EXPECT_EQ(out.write(rec("Z")), FileStatus("00"));
  out.close();

  RecordFile check;
  ASSERT_EQ(check.open(path_, OpenMode::Input), FileStatus("00"));
  EXPECT_EQ(all_keys(check), std::vector<std::string>{"Z            "})
      << "open output empties the file";
}

TEST_F(RecordFileTest, SequentialAccess) {
  RecordFileOptions o;
  o.access = Access::Sequential;
  RecordFile f(o);
  ASSERT_EQ(f.open(path_, OpenMode::Output), FileStatus("00"));
  EXPECT_EQ(f.write(rec("B")), FileStatus("00"));
  EXPECT_EQ(f.write(rec("A")), FileStatus("21"));
  EXPECT_EQ(f.write(rec("B")), FileStatus("21"));
  EXPECT_EQ(f.write(rec("C")), FileStatus("00"));
  f.close();
  ASSERT_EQ(f.open(path_, OpenMode::InputOutput), FileStatus("00"));
  EXPECT_EQ(f.rewrite(rec("B", "x")), FileStatus("43"));
  Bytes r;
  ASSERT_EQ(f.start(Bytes{}), FileStatus("00"));
  ASSERT_EQ(f.read_next(r), FileStatus("00"));
  EXPECT_EQ(f.rewrite(rec("C", "x")), FileStatus("21"));
  EXPECT_EQ(f.rewrite(rec("B", "x")), FileStatus("00"));
  EXPECT_EQ(f.remove(key("B")), FileStatus("43")) << "the rewrite used up the read";
}

TEST_F(RecordFileTest, ScanCrossesBatchesInKeyOrder) {
  RecordFile f;
  ASSERT_EQ(f.open(path_, OpenMode::Output), FileStatus("00"));
  // Keys written out of order; byte order, not text order, decides
  // ("ABC" + spaces before "ABCD").
  std::vector<int> order(3000);
  for (int i = 0; i < 3000; ++i) order[i] = (i * 7919) % 3000;
  for (int i : order) {
    char k[14];
    std::snprintf(k, sizeof k, "K%05d", i);
    ASSERT_EQ(f.write(rec(k, "v")), FileStatus("00"));
  }
  ASSERT_EQ(f.write(rec("ABC")), FileStatus("00"));
  ASSERT_EQ(f.write(rec("ABCD")), FileStatus("00"));
  f.close();
  ASSERT_EQ(f.open(path_, OpenMode::Input), FileStatus("00"));
  auto keys = all_keys(f);
  ASSERT_EQ(keys.size(), 3002u);
  EXPECT_EQ(keys[0], "ABC          ");
  EXPECT_EQ(keys[1], "ABCD         ");
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(keys.back(), "K02999       ");
}

TEST_F(RecordFileTest, WritesDuringAScanAreSeen) {
  make({"A", "C", "E"});
  RecordFile f;
  ASSERT_EQ(f.open(path_, OpenMode::InputOutput), FileStatus("00"));
  Bytes r;
  ASSERT_EQ(f.start(Bytes{}), FileStatus("00"));
  ASSERT_EQ(f.read_next(r), FileStatus("00"));  // A; C and E are fetched ahead
  ASSERT_EQ(f.write(rec("B")), FileStatus("00"));
  ASSERT_EQ(f.remove(key("C")), FileStatus("00"));
  ASSERT_EQ(f.read_next(r), FileStatus("00"));
  EXPECT_EQ(str(r).substr(0, 1), "B");
  ASSERT_EQ(f.read_next(r), FileStatus("00"));
  EXPECT_EQ(str(r).substr(0, 1), "E");
}

TEST_F(RecordFileTest, TransactionsCommitRollBackAndNest) {
  make({"A"});
  RecordFile f;
  ASSERT_EQ(f.open(path_, OpenMode::InputOutput), FileStatus("00"));
  Bytes r;
  ASSERT_EQ(f.begin(), FileStatus("00"));
  ASSERT_EQ(f.write(rec("B")), FileStatus("00"));
  ASSERT_EQ(f.remove(key("A")), FileStatus("00"));
  ASSERT_EQ(f.rollback(), FileStatus("00"));
  EXPECT_EQ(f.read(key("A"), r), FileStatus("00"));
  EXPECT_EQ(f.read(key("B"), r), FileStatus("23"));

  ASSERT_EQ(f.begin(), FileStatus("00"));
  ASSERT_EQ(f.begin(), FileStatus("00"));
  ASSERT_EQ(f.write(rec("C")), FileStatus("00"));
  ASSERT_EQ(f.commit(), FileStatus("00"));  // inner: nothing committed yet
  EXPECT_TRUE(f.in_transaction());
  ASSERT_EQ(f.commit(), FileStatus("00"));
  EXPECT_FALSE(f.in_transaction());

  // Close with an open transaction rolls it back.
  ASSERT_EQ(f.begin(), FileStatus("00"));
  ASSERT_EQ(f.write(rec("D")), FileStatus("00"));
  ASSERT_EQ(f.close(), FileStatus("00"));
  ASSERT_EQ(f.open(path_, OpenMode::Input), FileStatus("00"));
  EXPECT_EQ(all_keys(f), (std::vector<std::string>{"A            ", "C            "}));
  f.close();
  EXPECT_FALSE(fs::exists(path_ + "-wal")) << "a closed file is one file";
}

TEST_F(RecordFileTest, FilesThatAreNotLibrariesGiveStatuses) {
  make({"A", "B"});
  auto write_file = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  };
  std::string random_bytes(8192, '\0');
  std::mt19937 gen(7);
  for (char& c : random_bytes) c = static_cast<char>(gen());
  // A library of many records cut in half.
  std::string big = (dir_ / "BIG.PNL").string();
  {
    RecordFile f;
    ASSERT_EQ(f.open(big, OpenMode::Output), FileStatus("00"));
    ASSERT_EQ(f.begin(), FileStatus("00"));
    for (int i = 0; i < 5000; ++i)
      ASSERT_EQ(f.write(rec("K" + std::to_string(100000 + i), std::string(150, 'x'))),
                FileStatus("00"));
    ASSERT_EQ(f.commit(), FileStatus("00"));
  }
  fs::resize_file(big, fs::file_size(big) / 2);
  // Another program's database.
  std::string other = write_file("OTHER.DB", "");
  fs::remove(other);
  {
    RecordFileOptions o;
    o.key_length = 8;
    RecordFile f(o);
    ASSERT_EQ(f.open(other, OpenMode::Output), FileStatus("00"));
  }

  struct Case {
    std::string what, path;
    FileStatus want;
  } cases[] = {
      {"missing", (dir_ / "NONE.PNL").string(), "35"},
      {"missing directory", (dir_ / "no" / "X.PNL").string(), "35"},
      {"empty", write_file("EMPTY.PNL", ""), "39"},
      {"random bytes", write_file("RANDOM.PNL", random_bytes), "39"},
      {"text", write_file("TEXT.PNL", "[Panel Editor]\nx=1\n"), "39"},
      {"directory", dir_.string(), "39"},
      {"other key length", other, "39"},
      {"truncated", big, "30"},
  };
  for (const Case& c : cases)
    for (OpenMode m : {OpenMode::Input, OpenMode::InputOutput}) {
      RecordFile f;
      FileStatus s = f.open(c.path, m);
      EXPECT_EQ(s, c.want) << c.what << ": " << s.text() << " " << f.detail();
      EXPECT_FALSE(f.is_open());
      if (c.want != FileStatus("35")) {
        EXPECT_FALSE(f.detail().empty()) << c.what;
      }
    }
  // Output replaces what is not a library, but not a directory, and fails
  // cleanly where nothing can be created.
  RecordFile f;
  EXPECT_EQ(f.open((dir_ / "RANDOM.PNL").string(), OpenMode::Output), FileStatus("00"));
  f.close();
  EXPECT_EQ(f.open((dir_ / "RANDOM.PNL").string(), OpenMode::Input), FileStatus("00"));
  f.close();
  EXPECT_EQ(f.open(dir_.string(), OpenMode::Output), FileStatus("39"));
  EXPECT_EQ(f.open((dir_ / "no" / "X.PNL").string(), OpenMode::Output), FileStatus("30"));
  EXPECT_EQ(f.open(path_, OpenMode::Input), FileStatus("00")) << "the good one still opens";
}

// Runs `body` in a child process as an unprivileged user and returns the
// status it reports (root passes every permission check).
FileStatus as_nobody(const std::function<FileStatus()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "99";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
    FileStatus s = body();
    (void)!::write(fds[1], s.text().data(), 2);
    ::_exit(0);
  }
  ::close(fds[1]);
  char out[3] = "99";
  (void)!::read(fds[0], out, 2);
  ::close(fds[0]);
  int st = 0;
  ::waitpid(pid, &st, 0);
  return FileStatus(out);
}

TEST_F(RecordFileTest, NoPermissionGivesThirtySeven) {
  make({"A"});
  ::chmod(dir_.c_str(), 0755);
  // Root passes every permission check: the opens run as another user then
  // (and a file of root's with mode 0600 is out of that user's reach); as an
  // ordinary user the file is the user's own and mode 0 shuts it.
  bool root = ::getuid() == 0;
  ::chmod(path_.c_str(), root ? 0600 : 0);
  EXPECT_EQ(as_nobody([&] { return RecordFile().open(path_, OpenMode::Input); }), FileStatus("37"));
  ::chmod(path_.c_str(), 0444);
  EXPECT_EQ(as_nobody([&] { return RecordFile().open(path_, OpenMode::Input); }), FileStatus("00"))
      << "readable is enough for input";
  EXPECT_EQ(as_nobody([&] { return RecordFile().open(path_, OpenMode::InputOutput); }),
            FileStatus("37"));
  if (root) {
    EXPECT_EQ(as_nobody([&] { return RecordFile().open(path_, OpenMode::Output); }),
              FileStatus("37"));
  }
  ::chmod(path_.c_str(), 0644);
}

TEST_F(RecordFileTest, AnotherProcessHoldingTheLockGivesFiftyOne) {
  make({"A"});
  int go[2], held[2];
  ASSERT_EQ(::pipe(go), 0);
  ASSERT_EQ(::pipe(held), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    RecordFile f;
    if (f.open(path_, OpenMode::InputOutput) != FileStatus("00") || f.begin() != FileStatus("00") ||
        f.write(rec("CHILD")) != FileStatus("00"))
      ::_exit(1);
    (void)!::write(held[1], "x", 1);
    char c;
    (void)!::read(go[0], &c, 1);
    f.commit();
    f.close();
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(held[0], &c, 1), 1);
  RecordFileOptions o;
  o.busy_timeout_ms = 100;
  RecordFile f(o);
  ASSERT_EQ(f.open(path_, OpenMode::InputOutput), FileStatus("00"));
  Bytes r;
  EXPECT_EQ(f.read(key("A"), r), FileStatus("00")) << "readers are not blocked";
  EXPECT_EQ(f.read(key("CHILD"), r), FileStatus("23")) << "uncommitted work is not seen";
  EXPECT_EQ(f.write(rec("PARENT")), FileStatus("51"));
  EXPECT_EQ(f.begin(), FileStatus("51"));
  (void)!::write(go[1], "x", 1);
  int st = 0;
  ::waitpid(pid, &st, 0);
  EXPECT_EQ(WEXITSTATUS(st), 0);
  EXPECT_EQ(f.write(rec("PARENT")), FileStatus("00"));
  EXPECT_EQ(f.read(key("CHILD"), r), FileStatus("00"));
}

// A panel for the crash test: `n` records under `name`, each carrying the
// generation that wrote it.
void write_generation(RecordFile& f, int panel, int generation, int n) {
  char name[16];
  std::snprintf(name, sizeof name, "P%04d", panel);
  f.begin();
  // Delete the old records and write the new ones (as saving a panel does).
  for (int i = 0; i < n; ++i) {
    char k[40];
    std::snprintf(k, sizeof k, "%-8s&%04d", name, i);
    f.remove(Bytes(k, k + 13));
  }
  for (int i = 0; i < n; ++i) {
    char k[40];
    std::snprintf(k, sizeof k, "%-8s&%04d", name, i);
    f.write(rec(k, "generation " + std::to_string(generation) + std::string(120, '.')));
  }
  f.commit();
}

TEST_F(RecordFileTest, KilledWriterLeavesEveryPanelWhollyOldOrWhollyNew) {
  constexpr int kPanels = 20, kRecords = 60, kKills = 40;
  {
    RecordFile f;
    ASSERT_EQ(f.open(path_, OpenMode::Output), FileStatus("00"));
    for (int p = 0; p < kPanels; ++p) write_generation(f, p, 0, kRecords);
  }
  std::mt19937 gen(12345);
  for (int kill_no = 1; kill_no <= kKills; ++kill_no) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      RecordFile f;
      if (f.open(path_, OpenMode::InputOutput) != FileStatus("00")) ::_exit(1);
      (void)!::write(ready[1], "x", 1);
      for (int round = 0;; ++round)
        write_generation(f, round % kPanels, kill_no * 1000 + round, kRecords);
    }
    ::close(ready[1]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::usleep(2000 + gen() % 40000);
    ::kill(pid, SIGKILL);
    int st = 0;
    ::waitpid(pid, &st, 0);
    ASSERT_TRUE(WIFSIGNALED(st)) << "the writer was still writing when killed";
  }
  // Every panel holds all its records, all of one generation.
  RecordFile f;
  ASSERT_EQ(f.open(path_, OpenMode::Input), FileStatus("00"));
  Bytes r;
  ASSERT_EQ(f.start(Bytes{}), FileStatus("00"));
  std::map<std::string, std::map<std::string, int>> generations;
  int total = 0;
  FileStatus s;
  while ((s = f.read_next(r)) == FileStatus("00")) {
    std::string t = str(r);
    generations[t.substr(0, 8)][t.substr(13, t.find('.') - 13)]++;
    ++total;
  }
  EXPECT_EQ(s, FileStatus("10"));
  EXPECT_EQ(total, kPanels * kRecords);
  int changed = 0;
  for (const auto& [panel, gens] : generations) {
    EXPECT_EQ(gens.size(), 1u) << panel << " mixes generations";
    EXPECT_EQ(gens.begin()->second, kRecords) << panel;
    if (gens.begin()->first != "generation 0") ++changed;
  }
  EXPECT_GT(changed, 0) << "the writers got some panels written before being killed";
}

TEST(WorkFileTest, PerProcessDirectory) {
  std::string d = kv::editor::work_directory();
  EXPECT_EQ(d, kv::editor::work_directory());
  EXPECT_TRUE(fs::is_directory(d));
  EXPECT_NE(d.find("korvexan-"), std::string::npos);
  EXPECT_EQ(kv::editor::work_file_path("KORVEXAN.TMP"), d + "/KORVEXAN.TMP");
  // A child process gets a directory of its own.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    std::string c = kv::editor::work_directory();
    (void)!::write(fds[1], c.data(), c.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  char buf[512] = {};
  ssize_t n = ::read(fds[0], buf, sizeof buf - 1);
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  ASSERT_GT(n, 0);
  EXPECT_NE(std::string(buf, static_cast<std::size_t>(n)), d);
  RecordFileOptions o;
  o.scratch = true;
  RecordFile w(o);
  ASSERT_EQ(w.open(kv::editor::work_file_path("KORVEXAN.TMP"), OpenMode::Output), FileStatus("00"));
  EXPECT_EQ(w.write(rec("X")), FileStatus("00"));
}

}  // namespace
