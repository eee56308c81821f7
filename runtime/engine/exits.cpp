#include "runtime/engine/exits.h"

#include <dlfcn.h>
#include <libcob.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "runtime/engine/colours.h"
#include "runtime/engine/diagnostics.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"
#include "runtime/utilities/panel_areas.h"

namespace kv::engine {

namespace {

std::array<std::uint8_t, kExitBlockSize> g_block{};
std::string g_bound_name(8, ' ');
ExitEntry g_bound_entry = nullptr;
// Where the bound exit's libcob is found: its own library (loaded with
// local symbols) or the process.
void* g_bound_lib = RTLD_DEFAULT;

std::map<std::string, ExitEntry>& registry() {
  static std::map<std::string, ExitEntry> r;
  return r;
}

// The file and symbol name of an exit: up to its first X'00', trailing
// spaces removed.
std::string library_name(std::string_view name8) {
  std::string_view n = up_to_nul(name8);
  std::size_t end = n.size();
  while (end > 0 && n[end - 1] == ' ') --end;
  return std::string(n.substr(0, end));
}

void append_dirs(std::vector<std::string>& dirs, const char* list) {
  if (!list) return;
  std::string_view s(list);
  std::size_t start = 0;
  while (start <= s.size()) {
    std::size_t end = s.find(':', start);
    if (end == std::string_view::npos) end = s.size();
    if (end > start) dirs.emplace_back(s.substr(start, end - start));
    start = end + 1;
  }
}

std::string program_dir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, static_cast<std::size_t>(n));
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

enum class Found { Entry, NoLibrary, NoEntry };

// Finds the entry of exit `name` (already trimmed) and the handle through
// which its library's dependencies are seen.  When it fails, `why` says what
// was looked for where, or why the library found did not load, and `err` is
// the matching errno value.
Found resolve(const std::string& name, ExitEntry& entry, void*& lib_handle, std::string& why,
              int& err) {
  err = ENOENT;
  lib_handle = RTLD_DEFAULT;
  if (name.empty()) {  // low-values: an empty library name
    why = "The exit name is empty (low-values).";
    return Found::NoLibrary;
  }
  auto r = registry().find(name);
  if (r != registry().end()) {
    entry = r->second;
    return Found::Entry;
  }
  if (void* sym = dlsym(RTLD_DEFAULT, name.c_str())) {
    entry = reinterpret_cast<ExitEntry>(sym);
    return Found::Entry;
  }
  // A name that could step out of the search directories is no library name.
  if (name.find('/') != std::string::npos) {
    why = "Exit " + name + ": a name with \"/\" is no library name.";
    return Found::NoLibrary;
  }
  std::vector<std::string> dirs;
  append_dirs(dirs, std::getenv("KORVEXAN_EXIT_PATH"));
  append_dirs(dirs, std::getenv("COB_LIBRARY_PATH"));
  std::string own = program_dir();
  if (!own.empty()) dirs.push_back(own);
  std::string load_error;
  for (const std::string& dir : dirs) {
    for (const std::string& file : {dir + "/" + name + ".so", dir + "/lib" + name + ".so"}) {
      if (access(file.c_str(), F_OK) != 0) continue;
      // Local symbols: exits cannot clash with each other or the program.
      void* lib = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!lib) {
        if (load_error.empty()) {
          const char* e = dlerror();
          load_error = e ? e : file + ": does not load";
        }
        continue;
      }
      // The first library that loads is the exit's library; it stays loaded.
      void* sym = dlsym(lib, name.c_str());
      if (!sym) {
        why = "Exit " + name + ": " + file + " has no entry " + name +
              " (a cobc -m module's entry is its PROGRAM-ID).";
        return Found::NoEntry;
      }
      entry = reinterpret_cast<ExitEntry>(sym);
      lib_handle = lib;
      return Found::Entry;
    }
  }
  if (!load_error.empty()) {
    why = "Exit " + name + ": " + load_error;
    err = ENOEXEC;
  } else {
    why = "Exit " + name + ": no " + name + ".so or lib" + name +
          ".so on KORVEXAN_EXIT_PATH, COB_LIBRARY_PATH or in " +
          (own.empty() ? std::string("the program's directory") : own) + ".";
  }
  return Found::NoLibrary;
}

// A COBOL exit (a `cobc -m` module) reads its argument count from libcob,
// which this library does not link: libcob's entries are looked for through
// the exit's library, which sees its own dependencies, or in the process.
// A program that is not COBOL gets libcob initialised before the first exit
// whose library brought libcob in, as a COBOL program would have done; an
// exit whose library does not use libcob never initialises it.
void prepare_cobol_call(void* lib) {
  using IsInit = int (*)();
  using GlobalPtr = cob_global* (*)();
  using Init = void (*)(int, char**);
  auto is_init = reinterpret_cast<IsInit>(dlsym(lib, "cob_is_initialized"));
  auto global = reinterpret_cast<GlobalPtr>(dlsym(lib, "cob_get_global_ptr"));
  if (!is_init || !global) return;
  if (!is_init()) {
    if (lib == RTLD_DEFAULT) return;
    auto init = reinterpret_cast<Init>(dlsym(lib, "cob_init"));
    if (!init) return;
    init(0, nullptr);
    if (!is_init()) return;
  }
  if (cob_global* g = global()) g->cob_call_params = 3;
}

}  // namespace

void register_exit(std::string_view name, ExitEntry entry) {
  std::string n = library_name(name);
  if (entry)
    registry()[n] = entry;
  else
    registry().erase(n);
  if (padded(n, 8) == g_bound_name) {
    g_bound_name.assign(8, ' ');
    g_bound_entry = nullptr;
  }
}

std::array<std::uint8_t, kExitBlockSize>& exit_block() { return g_block; }

std::string bound_exit_name() { return g_bound_name; }

void reset_exits() {
  g_bound_name.assign(8, ' ');
  g_bound_entry = nullptr;
  g_bound_lib = RTLD_DEFAULT;
  g_block.fill(0);
}

ExitResult call_exit(char type, std::string_view name8, const ExitState& s, std::uint8_t character,
                     std::uint16_t extended, std::int16_t interval, std::uint8_t* panel,
                     std::uint8_t* pass_to_exit) {
  std::uint8_t* b = g_block.data();
  namespace o = exit_off;
  if (type == 'K' || type == 'P')
    g_block.fill(0);
  else if (type == 'T')
    std::memset(b + o::kChar, 0, 4);

  b[o::kType] = static_cast<std::uint8_t>(type);
  put_s16(b + o::kField, static_cast<std::int16_t>(s.field));
  put_s16(b + o::kCursorPos, static_cast<std::int16_t>(s.cursor_pos));
  put_s16(b + o::kRow, static_cast<std::int16_t>(s.row));
  put_s16(b + o::kCol, static_cast<std::int16_t>(s.col));
  b[o::kAttr] = s.attr;
  b[o::kChar] = type == 'T' ? 0 : character;
  if (type == 'K' || type == 'P') put_u16(b + o::kExtended, extended);
  if (type == 'T') put_s16(b + o::kInterval, interval);
  b[o::kSource] = s.source;
  b[o::kStatus] = s.status;
  put_s16(b + o::kMouseRow, static_cast<std::int16_t>(std::abs(s.mouse_row)));
  put_s16(b + o::kMouseCol, static_cast<std::int16_t>(std::abs(s.mouse_col)));
  b[o::kMouseEvent] = s.mouse_event;
  b[o::kMouseButton] = s.mouse_button;
  std::memcpy(b + o::kShift, s.shift.data(), 4);

  std::string name = padded(name8, 8);
  set_last_exit_name(name);
  if (name[0] == ' ') {
    std::string panel_name = "N/A     ";
    if (panel) {
      PanelRecord rec(panel);
      rec.set_display_option(9);
      panel_name = std::string(rec.name());
    }
    abort_panel(9, panel_name);
  }

  ExitResult r;
  ExitEntry entry = nullptr;
  if (name == g_bound_name && g_bound_entry) {
    entry = g_bound_entry;
  } else {
    void* lib = RTLD_DEFAULT;
    std::string why;
    int err = 0;
    Found found = resolve(library_name(name), entry, lib, why, err);
    if (found == Found::Entry) {
      g_bound_name = name;
      g_bound_entry = entry;
      g_bound_lib = lib;
    } else {
      // The box reports the reason where the system's error would stand.
      log("User Exit not found", name, why);
      set_system_failure(static_cast<std::uint32_t>(err), why);
      warning_box(kBoxSystem, found == Found::NoLibrary ? "User Exit DLL LoadLibrary failed!"
                                                        : "User Exit DLL GetProcAddress failed!");
      entry = nullptr;
    }
  }
  if (entry) {
    prepare_cobol_call(g_bound_lib);
    entry(b, panel, pass_to_exit);
    r.called = true;
  }

  r.attr = map_attribute(b[o::kAttr]);
  r.character = b[o::kChar];
  r.extended = get_u16(b + o::kExtended);
  r.interval = get_s16(b + o::kInterval);
  r.field_full = b[o::kFieldFull] == 'Y';
  r.finish_now = b[o::kFinishNow] == 'Y';
  r.message = get_s16(b + o::kMessage);
  r.source = b[o::kSource];
  return r;
}

}  // namespace kv::engine
