#include "editor/shell/batch.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "editor/generator/copybook_generator.h"
#include "editor/generator/panel_text.h"
#include "editor/library/library_records.h"
#include "editor/masklib/mask_library.h"
#include "editor/shell/editor_settings.h"
#include "runtime/utilities/bytes.h"

namespace kv::editor::shell {

namespace {

const char* const kUsage =
    "Usage: dsgn32 COMMAND [OPTIONS]\n"
    "The panel editor's batch commands (the interactive editor is not in this build).\n"
    "\n"
    "Commands:\n"
    "  --generate PANEL     write PANEL.COB (may be given more than once)\n"
    "  --all                write the copybook of every panel of the library\n"
    "  --revised            write the copybooks that are not up to date\n"
    "  --editmask           write EDITMASK.COB from the mask library EDITMASK.SEQ\n"
    "  --export FILE        write the library as panel text (\"-\": standard output);\n"
    "                       with --panel, only the panels named\n"
    "  --import FILE        read panel text into the library (\"-\": standard input);\n"
    "                       a library that does not exist is created\n"
    "  --list               list the panels of the library\n"
    "\n"
    "Options:\n"
    "  --library FILE       the panel library (default: from the settings file)\n"
    "  --out DIR            directory for generated files (default: the settings\n"
    "                       file's copybook directory, else the current directory)\n"
    "  --masks DIR          directory of EDITMASK.SEQ (default: the settings file's\n"
    "                       mask directory, else the library's directory)\n"
    "  --settings FILE      editor settings file (default: DSGN.INI when present)\n"
    "  --panel NAME         a panel to export (may be given more than once)\n"
    "  --named-attributes Y|N|D, --comments Y|N|D, --prefix Y|N|D\n"
    "                       copybook choices (D: the panel's own setting)\n"
    "  --quiet              report errors only\n"
    "  --verbose            report every step of the generator\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Exit status: 0 success, 1 something could not be done, 2 usage error.\n"
    "The panel text format is described in docs/panel-text-format.md.\n";

struct Options {
  std::vector<std::string> generate;
  bool all = false, revised = false, editmask = false, list = false;
  std::string export_file, import_file;
  bool do_export = false, do_import = false;
  std::string library, out, masks, settings;
  std::vector<std::string> panels;
  gen::CopybookChoices choices;
  bool quiet = false, verbose = false, help = false;
  bool masks_given = false;
};

bool is_dir(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool is_file(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
std::string with_slash(std::string d) {
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}
std::string directory_of(const std::string& path) {
  auto p = path.rfind('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

class Cli {
 public:
  Cli(std::istream& in, std::ostream& out, std::ostream& err) : in_(in), out_(out), err_(err) {}

  int run(const std::vector<std::string>& args) {
    int rc = parse(args);
    if (rc != kExitOk) return rc;
    if (o_.help) {
      out_ << kUsage;
      return kExitOk;
    }
    int commands = !o_.generate.empty() + o_.all + o_.revised + o_.editmask + o_.list +
                   o_.do_export + o_.do_import;
    if (commands == 0) {
      err_ << "dsgn32: the interactive editor is not available in this build; use the batch "
              "commands (dsgn32 --help)\n";
      return kExitUsage;
    }
    if (commands > 1) return usage("give one command at a time");
    if (!o_.panels.empty() && !o_.do_export) return usage("--panel goes with --export");
    resolve_settings();
    if (o_.editmask) return editmask();
    if (o_.do_import) return import();
    if (o_.list) return list();
    if (o_.do_export) return export_text();
    return generate();
  }

 private:
  int usage(const std::string& what) {
    err_ << "dsgn32: " << what << "\nTry 'dsgn32 --help'.\n";
    return kExitUsage;
  }
  int fail(const std::string& what) {
    err_ << "dsgn32: " << what << "\n";
    return kExitFailed;
  }

  int parse(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      auto value = [&](std::string& into) {
        if (i + 1 >= args.size()) return false;
        into = args[++i];
        return true;
      };
      auto choice = [&](char& into) {
        std::string v;
        if (!value(v) || v.size() != 1 || std::string("YNDynd").find(v[0]) == std::string::npos)
          return false;
        into = static_cast<char>(std::toupper(static_cast<unsigned char>(v[0])));
        return true;
      };
      std::string v;
      if (a == "-h" || a == "--help")
        o_.help = true;
      else if (a == "--generate") {
        if (!value(v)) return usage("--generate needs a panel name");
        o_.generate.push_back(v);
      } else if (a == "--all")
        o_.all = true;
      else if (a == "--revised")
        o_.revised = true;
      else if (a == "--editmask")
        o_.editmask = true;
      else if (a == "--list")
        o_.list = true;
      else if (a == "--export") {
        if (!value(o_.export_file)) return usage("--export needs a file name (or -)");
        o_.do_export = true;
      } else if (a == "--import") {
        if (!value(o_.import_file)) return usage("--import needs a file name (or -)");
        o_.do_import = true;
      } else if (a == "--library") {
        if (!value(o_.library)) return usage("--library needs a file name");
      } else if (a == "--out") {
        if (!value(o_.out)) return usage("--out needs a directory");
      } else if (a == "--masks") {
        if (!value(o_.masks)) return usage("--masks needs a directory");
        o_.masks_given = true;
      } else if (a == "--settings") {
        if (!value(o_.settings)) return usage("--settings needs a file name");
      } else if (a == "--panel") {
        if (!value(v)) return usage("--panel needs a panel name");
        o_.panels.push_back(v);
      } else if (a == "--named-attributes") {
        if (!choice(o_.choices.named_attributes))
          return usage("--named-attributes takes Y, N or D");
      } else if (a == "--comments") {
        if (!choice(o_.choices.comments)) return usage("--comments takes Y, N or D");
      } else if (a == "--prefix") {
        if (!choice(o_.choices.prefix)) return usage("--prefix takes Y, N or D");
      } else if (a == "--quiet")
        o_.quiet = true;
      else if (a == "--verbose")
        o_.verbose = true;
      else
        return usage("unknown argument '" + a + "'");
    }
    for (const std::string& n : o_.generate)
      if (n.empty() || n.size() > 8)
        return usage("a panel name has 1 to 8 characters: '" + n + "'");
    return kExitOk;
  }

  // Library, mask and copybook directories from the settings file for
  // whatever the command line leaves open.
  void resolve_settings() {
    std::string file = o_.settings;
    if (file.empty() && is_file(kDefaultSettingsFile)) file = kDefaultSettingsFile;
    if (file.empty()) {
      if (o_.masks.empty() && !o_.library.empty()) o_.masks = directory_of(o_.library);
      return;
    }
    EditorSettings s = read_settings_file(file, {});
    if (o_.library.empty() && !s.library_name.empty())
      o_.library = with_slash(without_trailing_separators(s.library_directory)) + s.library_name;
    if (o_.masks.empty())
      o_.masks = !s.mask_directory.empty() ? s.mask_directory : s.library_directory;
    if (o_.out.empty()) o_.out = s.copybook_directory;
    if (o_.masks.empty() && !o_.library.empty()) o_.masks = directory_of(o_.library);
  }

  void message(const gen::Message& m) {
    if (m.error)
      err_ << "dsgn32: " << m.text << "\n";
    else if (m.warning && !o_.quiet)
      err_ << "dsgn32: warning: " << m.text << "\n";
    else if (o_.verbose)
      err_ << m.text << "\n";
  }

  int open_library(RecordFile& f, OpenMode mode) {
    if (o_.library.empty()) return usage("no library: give --library FILE (or a settings file)");
    if (!is_file(o_.library)) return fail("library " + o_.library + " not found");
    FileStatus s = f.open(o_.library, mode);
    if (!s.ok())
      return fail("cannot open library " + o_.library + " (status " + std::string(s.text()) +
                  (f.detail().empty() ? "" : ": " + f.detail()) + ")");
    return kExitOk;
  }

  int check_out_dir() {
    if (!o_.out.empty() && !is_dir(o_.out)) return fail("directory " + o_.out + " not found");
    return kExitOk;
  }

  bool load_masks(masklib::MaskLibrary& masks, bool required) {
    std::string path = with_slash(o_.masks) + masklib::kMaskFileName;
    if (masks.load(path)) {
      if (!o_.quiet)
        for (int line : masks.unmarked_lines())
          err_ << "dsgn32: warning: " << path << " line " << line
               << " begins like a mask but has no end marker (the byte X'DD'); it is not"
                  " counted as a mask\n";
      return true;
    }
    if (required) {
      err_ << "dsgn32: mask library " << path << " not found\n";
      return false;
    }
    if (!o_.quiet)
      err_ << "dsgn32: note: no mask library " << path
           << "; masked fields use the built-in masks\n";
    return true;
  }

  int generate() {
    if (int rc = check_out_dir()) return rc;
    RecordFile lib;
    if (int rc = open_library(lib, OpenMode::InputOutput)) return rc;
    masklib::MaskLibrary masks;
    if (!load_masks(masks, o_.masks_given)) return kExitFailed;
    gen::GeneratorSetup setup;
    setup.copybook_directory = with_slash(o_.out);
    setup.fall_back_to_current_directory = false;
    setup.choices = o_.choices;
    setup.masks = &masks;
    std::string current;
    int done = 0, total = 0;
    setup.sink = [&](const gen::Message& m) {
      bool success = m.text.find(" SUCCESSFULLY GENERATED!") != std::string::npos;
      if (success && !o_.quiet && !o_.verbose) {
        err_ << "[" << done << "/" << total << "] " << m.text << "\n";
        return;
      }
      message(m);
    };
    setup.progress = [&](int d, int t, const std::string& name) {
      done = d + 1;
      total = t;
      current = name;
    };
    auto started = std::chrono::steady_clock::now();
    gen::CopybookGenerator g(lib, setup);
    gen::RunSummary sum;
    if (o_.all || o_.revised) {
      sum = g.run(o_.all ? gen::Quantity::All : gen::Quantity::Revised);
    } else {
      int k = 0;
      for (const std::string& n : o_.generate) {
        done = ++k;
        total = static_cast<int>(o_.generate.size());
        if (g.generate(n))
          ++sum.generated;
        else
          sum.failed.push_back(n);
      }
    }
    lib.close();
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!o_.quiet) {
      err_ << "dsgn32: " << sum.generated << " generated";
      if (sum.up_to_date) err_ << ", " << sum.up_to_date << " up to date";
      if (!sum.failed.empty()) err_ << ", " << sum.failed.size() << " not generated";
      err_ << " in " << std::fixed << std::setprecision(2) << secs << " s\n";
    }
    return sum.ok() ? kExitOk : kExitFailed;
  }

  int editmask() {
    if (int rc = check_out_dir()) return rc;
    if (o_.masks.empty()) o_.masks = ".";
    masklib::MaskLibrary masks;
    if (!load_masks(masks, true)) return kExitFailed;
    bool ok = gen::write_editmask(with_slash(o_.out), masks, [&](const gen::Message& m) {
      if (m.error || !o_.quiet) err_ << (m.error ? "dsgn32: " : "") << m.text << "\n";
    });
    return ok ? kExitOk : kExitFailed;
  }

  int list() {
    RecordFile lib;
    if (int rc = open_library(lib, OpenMode::Input)) return rc;
    std::vector<std::string> names;
    FileStatus s = lib::list_panels(lib, names);
    if (!s.ok())
      return fail("error reading " + o_.library + " (status " + std::string(s.text()) + ")");
    out_ << "PANEL     FIELDS COMPLETE COPYBOOK SAVED    TITLE\n";
    for (const std::string& n : names) {
      lib::Bytes h;
      if (!lib.read(lib::header_key(n), h).ok() || h.size() != lib::kHeaderLength) continue;
      lib::HeaderView v(h);
      std::string date = v.save_date();
      out_ << std::left << std::setw(10) << std::string(kv::trim_right(n)) << std::right
           << std::setw(6) << v.field_count().value_or(0) << " " << std::left << std::setw(8)
           << (v.complete() == 'Y' ? "yes" : "no") << " " << std::setw(8)
           << (v.copybook_current() == 'Y' ? "current" : "old") << " " << date.substr(0, 2) << "/"
           << date.substr(2, 2) << "/" << date.substr(4, 2) << "  "
           << std::string(kv::trim_right(v.title())) << "\n";
    }
    return kExitOk;
  }

  int export_text() {
    RecordFile lib;
    if (int rc = open_library(lib, OpenMode::Input)) return rc;
    std::string text;
    std::vector<std::string> missing;
    FileStatus s = text::export_library(lib, o_.panels, text, &missing);
    if (!s.ok())
      return fail("error reading " + o_.library + " (status " + std::string(s.text()) + ")");
    for (const std::string& m : missing) err_ << "dsgn32: Panel " << m << " not found....\n";
    if (o_.export_file == "-") {
      out_ << text;
    } else {
      std::string detail;
      FileStatus w = gen::write_file_replacing(o_.export_file, text, &detail);
      if (!w.ok()) return fail("cannot write " + detail);
    }
    return missing.empty() ? kExitOk : kExitFailed;
  }

  int import() {
    std::string text;
    if (o_.import_file == "-") {
      std::stringstream s;
      s << in_.rdbuf();
      text = s.str();
    } else {
      std::ifstream f(o_.import_file, std::ios::binary);
      if (!f) return fail("cannot read " + o_.import_file + ": " + std::strerror(errno));
      // A directory opens but reads as nothing: it must not pass for an
      // empty import.
      if (is_dir(o_.import_file))
        return fail("cannot read " + o_.import_file + ": " + std::strerror(EISDIR));
      std::stringstream s;
      s << f.rdbuf();
      text = s.str();
    }
    text::ParsedLibrary parsed;
    if (auto e = text::parse_text(text, parsed)) {
      std::string where = o_.import_file == "-" ? "<stdin>" : o_.import_file;
      if (e->line > 0) return fail(where + ":" + std::to_string(e->line) + ": " + e->message);
      return fail(where + ": " + e->message);
    }
    if (o_.library.empty()) return usage("no library: give --library FILE (or a settings file)");
    RecordFile lib;
    if (!is_file(o_.library)) {
      FileStatus c = lib.open(o_.library, OpenMode::Output);
      if (!c.ok())
        return fail("cannot create library " + o_.library + " (status " + std::string(c.text()) +
                    ")");
      lib.close();
    }
    if (int rc = open_library(lib, OpenMode::InputOutput)) return rc;
    std::string detail;
    FileStatus s = text::import_parsed(lib, parsed, &detail);
    if (!s.ok())
      return fail("import failed while " + detail + " (status " + std::string(s.text()) +
                  "); the library is unchanged");
    if (!o_.quiet)
      err_ << "dsgn32: imported " << parsed.panels.size() << " panel(s) into " << o_.library
           << "\n";
    return kExitOk;
  }

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  Options o_;
};

}  // namespace

int run_command_line(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err) {
  Cli cli(in, out, err);
  return cli.run(args);
}

}  // namespace kv::editor::shell
