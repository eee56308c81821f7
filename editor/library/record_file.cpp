#include "editor/library/record_file.h"

#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kv::editor {

namespace {

// Marks a database as a record file of ours (the header's application id),
// so that another program's database is not taken for a library.
constexpr int kApplicationId = 0x4B564C42;  // "KVLB"
constexpr std::size_t kFirstBatch = 8;
constexpr std::size_t kMaxBatch = 512;

const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS records("
    "k BLOB PRIMARY KEY NOT NULL, v BLOB NOT NULL) WITHOUT ROWID";

// SQLite would read a name beginning "file:" as a URI.
std::string plain_path(const std::string& path) {
  return path.rfind("file:", 0) == 0 ? "./" + path : path;
}

FileStatus status_of_errno(int e, FileStatus otherwise) {
  switch (e) {
    case EACCES:
    case EPERM:
    case EROFS:
      return "37";
    case EISDIR:
      return "39";
    default:
      return otherwise;
  }
}

// Binds a key; an empty key is an empty BLOB (a null pointer would bind
// SQL NULL, which compares with nothing).
void bind_blob(sqlite3_stmt* st, int index, const std::uint8_t* data, std::size_t size) {
  static const std::uint8_t empty = 0;
  sqlite3_bind_blob(st, index, size ? data : &empty, static_cast<int>(size), SQLITE_TRANSIENT);
}

void remove_sidecars(const std::string& path) {
  for (const char* s : {"-wal", "-shm", "-journal"}) ::unlink((path + s).c_str());
}

}  // namespace

RecordFile::RecordFile(RecordFileOptions options) : opt_(options) {
  if (opt_.key_length == 0) opt_.key_length = 1;
  if (opt_.max_record < opt_.key_length) opt_.max_record = opt_.key_length;
}

RecordFile::~RecordFile() {
  if (db_) close();
}

FileStatus RecordFile::fail(FileStatus s, std::string detail) {
  detail_ = std::move(detail);
  return status_ = s;
}

FileStatus RecordFile::sqlite_status(int rc, const char* what) {
  std::string msg = std::string(what) + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return fail("51", msg);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return fail("37", msg);
    case SQLITE_NOTADB:
      return fail("39", msg);
    case SQLITE_CANTOPEN:
      return fail(status_of_errno(db_ ? sqlite3_system_errno(db_) : 0, "30"), msg);
    default:
      return fail("30", msg);
  }
}

bool RecordFile::exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

FileStatus RecordFile::open(const std::string& path, OpenMode mode) {
  if (db_) return fail("41");
  path_ = path;
  mode_ = mode;
  depth_ = 0;
  positioned_ = false;
  drop_buffer();
  last_written_.clear();
  have_last_read_ = false;

  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  int stat_errno = exists ? 0 : errno;
  if (exists && S_ISDIR(st.st_mode)) return fail("39", path + " is a directory");
  if (exists && !S_ISREG(st.st_mode)) return fail("39", path + " is not a regular file");

  if (mode != OpenMode::Output) {
    if (!exists) {
      if (stat_errno == EACCES) return fail("37", path + ": " + std::strerror(stat_errno));
      return fail("35", path + " does not exist");
    }
    if (st.st_size == 0) return fail("39", path + " is empty");
    int need = mode == OpenMode::Input ? R_OK : R_OK | W_OK;
    if (::access(path.c_str(), need) != 0)
      return fail(status_of_errno(errno, "30"), path + ": " + std::strerror(errno));
    FileStatus s = open_database(mode);
    if (!s.ok()) return s;
    return done("00");
  }

  // Output: an existing record file of this kind is emptied; anything
  // else in its place is replaced by a new, empty one.
  if (exists && st.st_size > 0) {
    FileStatus s = open_database(OpenMode::InputOutput);
    if (s.ok()) {
      mode_ = OpenMode::Output;
      drop_buffer();
      if (!exec("BEGIN IMMEDIATE")) {
        FileStatus e = sqlite_status(sqlite3_errcode(db_), "empty the file");
        close();
        return fail(e, detail_);
      }
      if (!exec("DELETE FROM records") || !exec("COMMIT")) {
        FileStatus e = sqlite_status(sqlite3_errcode(db_), "empty the file");
        exec("ROLLBACK");
        close();
        return fail(e, detail_);
      }
      return done("00");
    }
    if (s == FileStatus("37") || s == FileStatus("51")) return s;
  }
  if (exists) {
    if (::unlink(path.c_str()) != 0)
      return fail(status_of_errno(errno, "30"), path + ": " + std::strerror(errno));
    remove_sidecars(path);
  }
  int rc =
      sqlite3_open_v2(plain_path(path).c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    FileStatus e = sqlite_status(rc, "create the file");
    sqlite3_close(db_);
    db_ = nullptr;
    return fail(e, detail_);
  }
  sqlite3_busy_timeout(db_, opt_.busy_timeout_ms);
  std::string create = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                       "; PRAGMA user_version=" + std::to_string(opt_.key_length) + "; " +
                       kCreateTable;
  if (!exec("BEGIN IMMEDIATE") || !exec(create.c_str()) || !exec("COMMIT")) {
    FileStatus e = sqlite_status(sqlite3_errcode(db_), "create the file");
    sqlite3_close(db_);
    db_ = nullptr;
    ::unlink(path.c_str());
    remove_sidecars(path);
    return fail(e, detail_);
  }
  sqlite3_close(db_);
  db_ = nullptr;
  FileStatus s = open_database(OpenMode::InputOutput);
  if (!s.ok()) return s;
  mode_ = OpenMode::Output;
  return done("00");
}

FileStatus RecordFile::open_database(OpenMode mode) {
  int flags = SQLITE_OPEN_NOMUTEX |
              (mode == OpenMode::Input ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  int rc = sqlite3_open_v2(plain_path(path_).c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    FileStatus e = sqlite_status(rc, "open");
    sqlite3_close(db_);
    db_ = nullptr;
    return fail(e, detail_);
  }
  sqlite3_busy_timeout(db_, opt_.busy_timeout_ms);
  FileStatus s = check_library();
  if (s.ok() && mode != OpenMode::Input) {
    if (opt_.scratch) {
      exec("PRAGMA locking_mode=EXCLUSIVE");
      exec("PRAGMA journal_mode=MEMORY");
      exec("PRAGMA synchronous=OFF");
    } else {
      // Write-ahead while open (see the header); a file that another
      // process holds stays in the mode it has.
      exec("PRAGMA journal_mode=WAL");
      exec("PRAGMA synchronous=NORMAL");
    }
  }
  if (s.ok()) s = prepare_statements();
  if (!s.ok()) {
    finalize_statements();
    sqlite3_close(db_);
    db_ = nullptr;
    return fail(s, detail_);
  }
  return s;
}

FileStatus RecordFile::check_library() {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db_, "PRAGMA application_id", -1, &st, nullptr);
  int app = 0;
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
      app = sqlite3_column_int(st, 0);
      rc = SQLITE_OK;
    }
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_OK) {
    FileStatus s = sqlite_status(rc, "read the file");
    if (s == FileStatus("30") && (rc & 0xFF) == SQLITE_CORRUPT) detail_ = path_ + " is damaged";
    return s;
  }
  if (app != kApplicationId) return fail("39", path_ + " is not a record file of this editor");

  st = nullptr;
  std::size_t key_length = 0;
  bool has_table = false;
  rc = sqlite3_prepare_v2(db_,
                          "SELECT (SELECT user_version FROM pragma_user_version), "
                          "EXISTS(SELECT 1 FROM sqlite_master WHERE type='table' AND "
                          "name='records')",
                          -1, &st, nullptr);
  if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
    key_length = static_cast<std::size_t>(sqlite3_column_int(st, 0));
    has_table = sqlite3_column_int(st, 1) != 0;
  } else {
    rc = sqlite3_errcode(db_);
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_OK) return sqlite_status(rc, "read the file");
  if (!has_table || key_length != opt_.key_length)
    return fail("39", path_ + " holds records of another layout");

  // Touch both ends of the key order: a file cut short or overwritten in
  // the middle is usually found here rather than halfway through a scan.
  for (const char* probe :
       {"SELECT k FROM records ORDER BY k LIMIT 1", "SELECT k FROM records ORDER BY k DESC LIMIT 1",
        "SELECT count(*) FROM (SELECT 1 FROM records LIMIT 1)"}) {
    st = nullptr;
    rc = sqlite3_prepare_v2(db_, probe, -1, &st, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_step(st);
      if (rc == SQLITE_ROW || rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_OK) {
      FileStatus s = sqlite_status(rc, "read the file");
      if ((rc & 0xFF) == SQLITE_CORRUPT) detail_ = path_ + " is damaged";
      return s;
    }
  }
  return "00";
}

FileStatus RecordFile::prepare_statements() {
  struct {
    sqlite3_stmt** st;
    const char* sql;
  } list[] = {
      {&st_read_, "SELECT v FROM records WHERE k = ?1"},
      {&st_insert_, "INSERT INTO records(k, v) VALUES(?1, ?2)"},
      {&st_update_, "UPDATE records SET v = ?2 WHERE k = ?1"},
      {&st_delete_, "DELETE FROM records WHERE k = ?1"},
      {&st_after_, "SELECT v FROM records WHERE k > ?1 ORDER BY k LIMIT ?2"},
      {&st_from_, "SELECT v FROM records WHERE k >= ?1 ORDER BY k LIMIT ?2"},
      {&st_exists_, "SELECT 1 FROM records WHERE k >= ?1 LIMIT 1"},
  };
  for (auto& s : list) {
    int rc = sqlite3_prepare_v3(db_, s.sql, -1, SQLITE_PREPARE_PERSISTENT, s.st, nullptr);
    if (rc != SQLITE_OK) return sqlite_status(rc, "prepare");
  }
  return "00";
}

void RecordFile::finalize_statements() {
  for (sqlite3_stmt** st :
       {&st_read_, &st_insert_, &st_update_, &st_delete_, &st_after_, &st_from_, &st_exists_}) {
    sqlite3_finalize(*st);
    *st = nullptr;
  }
}

FileStatus RecordFile::close() {
  if (!db_) return fail("42");
  if (depth_ > 0) exec("ROLLBACK");
  depth_ = 0;
  finalize_statements();
  drop_buffer();
  positioned_ = false;
  if (mode_ != OpenMode::Input && !opt_.scratch) {
    // Back to a single file at rest; when another process still has the
    // file open this does nothing and the last one out tidies up.
    exec("PRAGMA journal_mode=DELETE");
  }
  int rc = sqlite3_close(db_);
  db_ = nullptr;
  if (rc != SQLITE_OK) return fail("30", "close: " + std::string(sqlite3_errstr(rc)));
  return done("00");
}

void RecordFile::drop_buffer() {
  buffer_.clear();
  buffer_next_ = 0;
  buffer_at_end_ = false;
}

bool RecordFile::key_ok(std::span<const std::uint8_t> record) const {
  return record.size() >= opt_.key_length && record.size() <= opt_.max_record;
}

FileStatus RecordFile::start(Key key) {
  if (!db_ || mode_ == OpenMode::Output) return fail("47");
  drop_buffer();
  last_batch_ = 0;
  sqlite3_stmt* st = st_exists_;
  bind_blob(st, 1, key.data(), key.size());
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc == SQLITE_DONE) {
    positioned_ = false;
    return done("23");
  }
  if (rc != SQLITE_ROW) {
    positioned_ = false;
    return sqlite_status(rc, "start");
  }
  positioned_ = true;
  inclusive_ = true;
  position_.assign(key.begin(), key.end());
  return done("00");
}

FileStatus RecordFile::fill_buffer() {
  drop_buffer();
  std::size_t batch = std::min(kMaxBatch, std::max(kFirstBatch, last_batch_ * 2));
  last_batch_ = batch;
  sqlite3_stmt* st = inclusive_ ? st_from_ : st_after_;
  bind_blob(st, 1, position_.data(), position_.size());
  sqlite3_bind_int64(st, 2, static_cast<sqlite3_int64>(batch));
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, 0));
    int n = sqlite3_column_bytes(st, 0);
    buffer_.emplace_back(p, p + n);
  }
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc != SQLITE_DONE) {
    drop_buffer();
    return sqlite_status(rc, "read next");
  }
  buffer_at_end_ = buffer_.size() < batch;
  return "00";
}

FileStatus RecordFile::read_next(Bytes& record) {
  if (!db_ || mode_ == OpenMode::Output) return fail("47");
  if (!positioned_) return done("46");
  if (buffer_next_ >= buffer_.size()) {
    if (buffer_at_end_ && !buffer_.empty()) {
      positioned_ = false;
      return done("10");
    }
    FileStatus s = fill_buffer();
    if (!s.ok()) return s;
    if (buffer_.empty()) {
      positioned_ = false;
      return done("10");
    }
  }
  record = std::move(buffer_[buffer_next_++]);
  position_.assign(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(
                                                        std::min(opt_.key_length, record.size())));
  inclusive_ = false;
  last_read_ = position_;
  have_last_read_ = true;
  return done("00");
}

FileStatus RecordFile::read(Key key, Bytes& record) {
  if (!db_ || mode_ == OpenMode::Output) return fail("47");
  drop_buffer();
  last_batch_ = 0;
  sqlite3_stmt* st = st_read_;
  bind_blob(st, 1, key.data(), key.size());
  int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) {
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, 0));
    record.assign(p, p + sqlite3_column_bytes(st, 0));
  }
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc == SQLITE_DONE) {
    positioned_ = false;
    have_last_read_ = false;
    return done("23");
  }
  if (rc != SQLITE_ROW) return sqlite_status(rc, "read");
  positioned_ = true;
  inclusive_ = false;
  position_.assign(key.begin(), key.end());
  last_read_ = position_;
  have_last_read_ = true;
  return done("00");
}

FileStatus RecordFile::write(std::span<const std::uint8_t> record) {
  if (!db_ || mode_ == OpenMode::Input) return fail("48");
  if (!key_ok(record)) return fail("44");
  Key key = record.first(opt_.key_length);
  if (opt_.access == Access::Sequential && mode_ == OpenMode::Output && !last_written_.empty() &&
      !std::lexicographical_compare(last_written_.begin(), last_written_.end(), key.begin(),
                                    key.end()))
    return fail("21");
  drop_buffer();
  sqlite3_stmt* st = st_insert_;
  bind_blob(st, 1, key.data(), key.size());
  bind_blob(st, 2, record.data(), record.size());
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc == SQLITE_CONSTRAINT) return done("22");
  if (rc != SQLITE_DONE) return sqlite_status(rc, "write");
  last_written_.assign(key.begin(), key.end());
  return done("00");
}

FileStatus RecordFile::rewrite(std::span<const std::uint8_t> record) {
  if (!db_ || mode_ != OpenMode::InputOutput) return fail("49");
  if (!key_ok(record)) return fail("44");
  Key key = record.first(opt_.key_length);
  if (opt_.access == Access::Sequential) {
    if (!have_last_read_) return fail("43");
    if (!std::equal(key.begin(), key.end(), last_read_.begin(), last_read_.end()))
      return fail("21");
  }
  drop_buffer();
  sqlite3_stmt* st = st_update_;
  bind_blob(st, 1, key.data(), key.size());
  bind_blob(st, 2, record.data(), record.size());
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc != SQLITE_DONE) return sqlite_status(rc, "rewrite");
  if (sqlite3_changes(db_) == 0) return done("23");
  have_last_read_ = false;
  return done("00");
}

FileStatus RecordFile::remove(Key key) {
  if (!db_ || mode_ != OpenMode::InputOutput) return fail("49");
  if (opt_.access == Access::Sequential) {
    if (!have_last_read_) return fail("43");
    if (!std::equal(key.begin(), key.end(), last_read_.begin(), last_read_.end()))
      return fail("21");
  }
  drop_buffer();
  sqlite3_stmt* st = st_delete_;
  bind_blob(st, 1, key.data(), key.size());
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  if (rc != SQLITE_DONE) return sqlite_status(rc, "delete");
  if (sqlite3_changes(db_) == 0) return done("23");
  have_last_read_ = false;
  return done("00");
}

FileStatus RecordFile::begin() {
  if (!db_) return fail("42");
  if (depth_ > 0) {
    ++depth_;
    return done("00");
  }
  if (mode_ == OpenMode::Input) {
    // A reader's transaction only fixes its view of the file.
    if (!exec("BEGIN")) return sqlite_status(sqlite3_errcode(db_), "begin");
  } else if (!exec("BEGIN IMMEDIATE")) {
    return sqlite_status(sqlite3_errcode(db_), "begin");
  }
  depth_ = 1;
  return done("00");
}

FileStatus RecordFile::commit() {
  if (!db_) return fail("42");
  if (depth_ > 1) {
    --depth_;
    return done("00");
  }
  if (depth_ == 0) return done("00");
  if (!exec("COMMIT")) {
    // Still open: the caller may try again or roll back.
    return sqlite_status(sqlite3_errcode(db_), "commit");
  }
  depth_ = 0;
  return done("00");
}

FileStatus RecordFile::rollback() {
  if (!db_) return fail("42");
  drop_buffer();
  if (depth_ == 0) return done("00");
  depth_ = 0;
  if (!exec("ROLLBACK")) return sqlite_status(sqlite3_errcode(db_), "rollback");
  return done("00");
}

namespace {

struct WorkDirectory {
  std::string path;
  pid_t owner = 0;
  ~WorkDirectory() {
    if (path.empty() || ::getpid() != owner) return;
    if (DIR* d = ::opendir(path.c_str())) {
      while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") ::unlink((path + "/" + name).c_str());
      }
      ::closedir(d);
    }
    ::rmdir(path.c_str());
  }
};

WorkDirectory& work_dir_state() {
  static WorkDirectory w;
  return w;
}

}  // namespace

std::string work_directory() {
  static std::mutex m;
  std::lock_guard<std::mutex> lock(m);
  WorkDirectory& w = work_dir_state();
  // A forked child makes its own.
  if (!w.path.empty() && w.owner == ::getpid()) return w.path;
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvexan-XXXXXX";
  if (!::mkdtemp(templ.data())) {
    templ = "/tmp/korvexan-XXXXXX";
    if (!::mkdtemp(templ.data())) return ".";
  }
  w.path = templ;
  w.owner = ::getpid();
  return w.path;
}

std::string work_file_path(std::string_view name) {
  return work_directory() + "/" + std::string(name);
}

}  // namespace kv::editor
