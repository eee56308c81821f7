// The copybook generator's work on a library (what the editor's form and
// the batch command line both run): choose the panels (one, all, or those
// whose copybook is not up to date), check each, write <panel>.COB into the
// copybook directory and mark the panel's header up to date; write
// EDITMASK.COB from the mask library.
//
// Files are written under a temporary name in the target directory and
// renamed into place once complete, so a failed write (read-only or full
// directory) never leaves a half copybook under the real name.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/generator/panel_build.h"
#include "editor/library/record_file.h"
#include "editor/masklib/mask_library.h"

namespace kv::editor::gen {

enum class Quantity { Single, All, Revised };

struct GeneratorSetup {
  // Directory of the generated files, followed by "/" (empty: the current
  // directory).
  std::string copybook_directory;
  // When the copybook directory cannot take a copybook, write it under its
  // name alone in the current directory (the interactive editor does so,
  // with a warning).  A batch run keeps its output where it was asked for
  // and reports the failure instead.
  bool fall_back_to_current_directory = true;
  CopybookChoices choices;
  const masklib::MaskLibrary* masks = nullptr;  // null: an empty library
  MessageSink sink;
  // Called before each panel of a walk: panels done so far, panels in the
  // walk, the panel's name.
  std::function<void(int, int, const std::string&)> progress;
};

struct RunSummary {
  int generated = 0;
  int up_to_date = 0;  // passed over by a "revised" walk
  std::vector<std::string> failed;
  bool stopped = false;  // a read error on the library ended the walk
  bool ok() const { return failed.empty() && !stopped; }
};

// Writes `text` to `path` through a temporary file in the same directory.
// Returns "00", or the file status of the failure with a sentence in
// `detail`.
FileStatus write_file_replacing(const std::string& path, std::string_view text,
                                std::string* detail);

class CopybookGenerator {
 public:
  // `library` must be open (I-O, so that headers can be marked).
  CopybookGenerator(RecordFile& library, GeneratorSetup setup);

  // Generates panel `name`; true when its copybook was written.
  bool generate(std::string_view name);
  RunSummary run(Quantity quantity, std::string_view name = {});

 private:
  bool generate_records(const lib::PanelRecords& records, const std::string& name);
  void say(std::string text, bool error = false);

  RecordFile& lib_;
  GeneratorSetup setup_;
  masklib::MaskLibrary empty_;
  bool read_failed_ = false;
};

// Writes EDITMASK.COB into `directory` (followed by "/", or empty) from
// `masks`, with the generator's messages.  True when written.
bool write_editmask(const std::string& directory, const masklib::MaskLibrary& masks,
                    const MessageSink& sink);

}  // namespace kv::editor::gen
