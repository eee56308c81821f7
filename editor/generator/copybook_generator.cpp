#include "editor/generator/copybook_generator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "editor/generator/copybook.h"
#include "editor/generator/editmask_cob.h"
#include "editor/library/library_records.h"

namespace kv::editor::gen {

namespace {

FileStatus status_of_errno(int e) {
  switch (e) {
    case EACCES:
    case EPERM:
    case EROFS:
      return "37";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return "34";
    case ENOENT:
    case ENOTDIR:
      return "35";
    default:
      return "30";
  }
}

std::string until_space(std::string_view s) {
  auto p = s.find(' ');
  return std::string(p == std::string_view::npos ? s : s.substr(0, p));
}

}  // namespace

FileStatus write_file_replacing(const std::string& path, std::string_view text,
                                std::string* detail) {
  std::string tmpl = path + ".XXXXXX";
  int fd = mkstemp(tmpl.data());
  auto fail = [&](int e, const std::string& what) {
    if (detail) *detail = what + ": " + std::strerror(e);
    return status_of_errno(e);
  };
  if (fd < 0) return fail(errno, path);
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t w = ::write(fd, p, left);
    if (w < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      ::unlink(tmpl.c_str());
      return fail(e, path);
    }
    p += w;
    left -= static_cast<std::size_t>(w);
  }
  // The copybook is readable like any file the user creates.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(tmpl.c_str());
    return fail(e, path);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(tmpl.c_str());
    return fail(e, path);
  }
  return "00";
}

CopybookGenerator::CopybookGenerator(RecordFile& library, GeneratorSetup setup)
    : lib_(library), setup_(std::move(setup)) {}

void CopybookGenerator::say(std::string text, bool error) {
  if (setup_.sink) setup_.sink(Message{std::move(text), error});
}

bool CopybookGenerator::generate(std::string_view name) {
  lib::PanelRecords records;
  FileStatus s = lib::read_panel(lib_, name, records);
  std::string shown = until_space(lib::padded_name(name));
  if (s == FileStatus("23")) {
    for (auto& m : check_messages(PanelCheck::NotFound, shown)) say(m, true);
    return false;
  }
  if (!s.ok()) {
    say("ERROR READING SOURCE FILE: " + std::string(s.text()), true);
    read_failed_ = true;
    return false;
  }
  return generate_records(records, shown);
}

bool CopybookGenerator::generate_records(const lib::PanelRecords& records,
                                         const std::string& name) {
  PanelCheck check = check_panel(records);
  if (check != PanelCheck::Ok) {
    for (auto& m : check_messages(check, name)) say(m, true);
    return false;
  }
  const masklib::MaskLibrary& masks = setup_.masks ? *setup_.masks : empty_;
  MessageSink sink = [&](const Message& m) {
    if (setup_.sink) setup_.sink(m);
  };
  PanelBuild b = build_panel(records, builtin_default_mask(), masks, setup_.choices, sink);
  if (b.too_large) {
    say("COPYBOOK option not usable: Panel exceeds available storage!", true);
    return false;
  }
  say("Generating final copybook ...");
  std::string path = setup_.copybook_directory + b.name + ".COB";
  std::string text = copybook_text(b);
  std::string detail;
  FileStatus ws = write_file_replacing(path, text, &detail);
  if (!ws.ok() && !setup_.copybook_directory.empty() && setup_.fall_back_to_current_directory) {
    // The copybook directory cannot take it: the name alone, in the
    // current directory, and the user is told where it went.
    std::string here = b.name + ".COB";
    std::string here_detail;
    FileStatus hs = write_file_replacing(here, text, &here_detail);
    if (hs.ok()) {
      if (setup_.sink)
        setup_.sink(Message{detail + "; " + here + " written in the current directory instead",
                            false, true});
      ws = hs;
    }
  }
  if (!ws.ok()) {
    say("Drive not ready, or disk full/protected... STATUS: " + std::string(ws.text()), true);
    say(detail, true);
    return false;
  }
  FileStatus rs = lib_.rewrite(b.header);
  if (!rs.ok()) {
    say("Error marking " + b.name + " generated, STATUS: " + std::string(rs.text()), true);
    return false;
  }
  say(b.name + " SUCCESSFULLY GENERATED!");
  return true;
}

RunSummary CopybookGenerator::run(Quantity quantity, std::string_view name) {
  RunSummary sum;
  read_failed_ = false;
  if (quantity == Quantity::Single) {
    if (until_space(name).empty()) return sum;
    std::string n = until_space(lib::padded_name(name));
    if (setup_.progress) setup_.progress(0, 1, n);
    if (generate(name))
      ++sum.generated;
    else
      sum.failed.push_back(n);
    sum.stopped = read_failed_;
    return sum;
  }
  std::vector<std::string> names;
  FileStatus ls = lib::list_panels(lib_, names);
  if (!ls.ok()) {
    say("ERROR READING SOURCE FILE: " + std::string(ls.text()), true);
    sum.stopped = true;
    return sum;
  }
  // One transaction for the walk's header updates: a thousand panels are
  // marked in one commit, and an interrupted walk marks none of them.
  bool tx = lib_.begin().ok();
  int done = 0;
  for (const std::string& padded : names) {
    std::string n = until_space(padded);
    if (setup_.progress) setup_.progress(done, static_cast<int>(names.size()), n);
    ++done;
    lib::PanelRecords records;
    FileStatus s = lib::read_panel(lib_, padded, records);
    if (!s.ok()) {
      say("ERROR READING SOURCE FILE: " + std::string(s.text()), true);
      sum.stopped = true;
      break;
    }
    if (quantity == Quantity::Revised && records.header.size() == lib::kHeaderLength &&
        lib::HeaderView(records.header).copybook_current() == 'Y') {
      ++sum.up_to_date;
      continue;
    }
    if (generate_records(records, n))
      ++sum.generated;
    else
      sum.failed.push_back(n);
  }
  if (tx) {
    FileStatus c = lib_.commit();
    if (!c.ok()) {
      say("Error marking panels generated, STATUS: " + std::string(c.text()), true);
      sum.stopped = true;
    }
  }
  return sum;
}

bool write_editmask(const std::string& directory, const masklib::MaskLibrary& masks,
                    const MessageSink& sink) {
  auto say = [&](std::string t, bool e = false) {
    if (sink) sink(Message{std::move(t), e});
  };
  say("Generating EDITMASK.COB for Korvexan runtime masks!");
  std::string path = directory + "EDITMASK.COB";
  std::string detail;
  FileStatus s = write_file_replacing(path, editmask_text(masks), &detail);
  if (!s.ok()) {
    // The file could not be made: nothing was generated, so no step of
    // the generation is reported.
    say("Error creating EDITMASK.COB, RC=" + std::string(s.text()) + " cannot continue!", true);
    say(detail, true);
    return false;
  }
  say("Generating part 1...");
  say("Generating default mask record...");
  say("Generating user-defined mask records...");
  say("Generating PROCEDURE DIVISION...");
  say("Done!  To finish (update the runtime), see the manual!");
  say("File is: " + path);
  return true;
}

}  // namespace kv::editor::gen
