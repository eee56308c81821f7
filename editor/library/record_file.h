// Indexed record files of the editor (source library, work file, copy
// outputs): variable-length records with one unique key, the first
// `key_length` bytes of the record, in ascending byte order.  Every
// operation returns the two-character file status that COBOL defines:
//
//   "00" success                        "10" end of file on read next
//   "21" sequence error (sequential access only: write out of key order,
//        rewrite or delete of another key than the one last read)
//   "22" duplicate key on write         "23" no record with that key
//   "30" permanent error (I/O error, damaged file, full disk, a file that
//        cannot be created there)
//   "35" open input or I-O of a file that does not exist
//   "37" open not permitted (no permission, read-only file system)
//   "39" the file exists but is not a record file of this kind (empty, a
//        directory, another format)
//   "41" open of an open file           "42" close of a closed file
//   "43" sequential access: rewrite or delete without a successful read
//   "44" record length outside 1..max or shorter than the key
//   "46" read next without a valid position (after end of file or a
//        failed start)
//   "47" read or start when not open input or I-O
//   "48" write when not open output or I-O
//   "49" rewrite or delete when not open I-O
//   "51" the file is locked by another process beyond the wait time
//
// One file is one SQLite database holding one table keyed by the record key
// (BLOB, byte order).  A change made outside a transaction is committed by
// itself; begin()/commit() group the records of one multi-record change
// (saving, deleting or copying a panel) so that a crash, a kill or a full
// disk leaves all of it or none.  While a file is open for output or I-O it
// runs in write-ahead mode with synchronous=NORMAL: a commit survives the
// writing process's death at once and a power loss leaves the file
// consistent; at close the file goes back to a rollback journal, so a
// closed library is a single file.  Another process's locks are waited for
// up to the busy time and then reported as "51", never overridden.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kv::editor {

// A two-character file status.
class FileStatus {
 public:
  constexpr FileStatus() : c_{'0', '0'} {}
  constexpr FileStatus(const char (&s)[3]) : c_{s[0], s[1]} {}
  std::string_view text() const { return {c_, 2}; }
  bool ok() const { return c_[0] == '0'; }  // "0x": the operation succeeded
  friend bool operator==(const FileStatus& a, const FileStatus& b) {
    return a.c_[0] == b.c_[0] && a.c_[1] == b.c_[1];
  }

 private:
  char c_[2];
};

enum class OpenMode { Input, Output, InputOutput };
// Dynamic access allows every operation in any key order; sequential
// access makes writes ascend and rewrites and deletes follow a read, as a
// COBOL sequential-access file does.
enum class Access { Dynamic, Sequential };

struct RecordFileOptions {
  std::size_t key_length = 13;
  std::size_t max_record = 200;
  Access access = Access::Dynamic;
  int busy_timeout_ms = 3000;
  // A scratch file (the work file): no crash safety, no flushing.
  bool scratch = false;
};

class RecordFile {
 public:
  using Bytes = std::vector<std::uint8_t>;
  using Key = std::span<const std::uint8_t>;

  explicit RecordFile(RecordFileOptions options = {});
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // OPEN INPUT / OUTPUT / I-O.  Output creates the file, or empties an
  // existing one (a file of another kind in its place is replaced).
  FileStatus open(const std::string& path, OpenMode mode);
  // Closes; an open transaction is rolled back.
  FileStatus close();
  bool is_open() const { return db_ != nullptr; }
  OpenMode mode() const { return mode_; }

  // START KEY IS >= key: the next read next returns the first record whose
  // key is not below `key` ("23" when there is none).
  FileStatus start(Key key);
  // READ NEXT into `record` ("10" after the last record).
  FileStatus read_next(Bytes& record);
  // READ by key; positions the file after the record read.
  FileStatus read(Key key, Bytes& record);
  FileStatus write(std::span<const std::uint8_t> record);
  // REWRITE the record with the key of `record`.
  FileStatus rewrite(std::span<const std::uint8_t> record);
  // DELETE the record with `key`.
  FileStatus remove(Key key);

  // Transactions; they nest (only the outermost commit commits, any
  // rollback undoes the whole).  begin() takes the write lock at once:
  // "51" when another process holds it beyond the busy time.
  FileStatus begin();
  FileStatus commit();
  FileStatus rollback();
  bool in_transaction() const { return depth_ > 0; }

  // The last status returned and, for "30", "37" and "39", a sentence that
  // says what went wrong (for messages and logs).
  FileStatus status() const { return status_; }
  const std::string& detail() const { return detail_; }
  const std::string& path() const { return path_; }

 private:
  FileStatus fail(FileStatus s, std::string detail = {});
  FileStatus done(FileStatus s) { return status_ = s; }
  FileStatus sqlite_status(int rc, const char* what);
  FileStatus open_database(OpenMode mode);
  FileStatus check_library();
  FileStatus prepare_statements();
  void finalize_statements();
  bool exec(const char* sql);
  void drop_buffer();
  FileStatus fill_buffer();
  bool key_ok(std::span<const std::uint8_t> record) const;

  RecordFileOptions opt_;
  sqlite3* db_ = nullptr;
  std::string path_;
  OpenMode mode_ = OpenMode::Input;
  FileStatus status_;
  std::string detail_;
  int depth_ = 0;

  sqlite3_stmt* st_read_ = nullptr;
  sqlite3_stmt* st_insert_ = nullptr;
  sqlite3_stmt* st_update_ = nullptr;
  sqlite3_stmt* st_delete_ = nullptr;
  sqlite3_stmt* st_after_ = nullptr;   // first records with key > ?
  sqlite3_stmt* st_from_ = nullptr;    // first records with key >= ?
  sqlite3_stmt* st_exists_ = nullptr;  // is there a record with key >= ?

  // Read-next position: the key after which (or from which, when
  // `inclusive`) the next record is taken.  Records are fetched a batch at
  // a time so that a scan neither re-seeks per record nor holds a read
  // lock between calls.
  bool positioned_ = false;
  bool inclusive_ = false;
  Bytes position_;
  std::vector<Bytes> buffer_;
  std::size_t buffer_next_ = 0;
  bool buffer_at_end_ = false;
  std::size_t last_batch_ = 0;  // batches grow while a scan goes on

  // Sequential access bookkeeping.
  Bytes last_written_;
  Bytes last_read_;
  bool have_last_read_ = false;
};

// The per-process directory for work files (KORVEXAN.TMP and the like),
// created on first use under $TMPDIR (else /tmp) and removed with its files
// when the process ends normally.  Two editors never share it.
std::string work_directory();
std::string work_file_path(std::string_view name);

}  // namespace kv::editor
