// Choosing the process's display: the registry of built-in displays, the
// environment's choice, and the Qt display loaded from its own shared
// object only when it is chosen.

#include "runtime/terminal/display.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "runtime/terminal/backends/headless/headless_display.h"

namespace kv::term {

namespace {

struct Entry {
  DisplayFactory factory;
  DisplayUsable usable;
};

std::map<std::string, Entry>& registry() {
  static std::map<std::string, Entry> r;
  return r;
}

std::unique_ptr<Display>& current() {
  static std::unique_ptr<Display> d;
  return d;
}

void shutdown_at_exit() {
  if (current()) current()->shutdown();
}

std::unique_ptr<Display> from_registry(const std::string& name, bool check_usable) {
  auto it = registry().find(name);
  if (it == registry().end() || !it->second.factory) return nullptr;
  if (check_usable && it->second.usable && !it->second.usable()) return nullptr;
  return it->second.factory();
}

// The directory of the shared object (or program) that holds this code.
std::string own_directory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&own_directory), &info) == 0 || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

std::unique_ptr<Display> load_qt(std::string* why) {
  // The Qt display lives beside the runtime, else on the library path.
  void* lib = nullptr;
  std::string beside = own_directory();
  if (!beside.empty()) lib = dlopen((beside + kQtLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) lib = dlopen(kQtLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    if (why) *why = dlerror();
    return nullptr;
  }
  auto factory = reinterpret_cast<QtDisplayFactory>(dlsym(lib, kQtFactorySymbol));
  if (!factory) {
    if (why) *why = std::string(kQtLibrary) + " has no " + kQtFactorySymbol;
    return nullptr;
  }
  Display* d = factory(kDisplayAbi);
  if (!d && why) *why = std::string(kQtLibrary) + " refused to start";
  return std::unique_ptr<Display>(d);
}

std::unique_ptr<Display> choose() {
  const char* env = std::getenv("KORVEXAN_DISPLAY");
  std::string wanted = env ? env : "";
  for (char& c : wanted) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::unique_ptr<Display> d;
  if (wanted == "headless") return make_headless_display();
  if (wanted == "tty") {
    // A terminal display that cannot start says why itself; only a runtime
    // built without one needs saying here.
    if (registry().count("tty") == 0)
      std::fputs("KORVEXAN_DISPLAY=tty: this runtime has no terminal display; using headless\n",
                 stderr);
    else
      d = from_registry("tty", false);
  } else if (wanted == "qt") {
    std::string why;
    d = load_qt(&why);
    if (!d) std::fprintf(stderr, "KORVEXAN_DISPLAY=qt: %s; using headless\n", why.c_str());
  } else if (!wanted.empty()) {
    std::fprintf(stderr,
                 "KORVEXAN_DISPLAY=%s is not a display (headless, tty, qt); using headless\n",
                 wanted.c_str());
  } else {
    if (isatty(0) && isatty(1)) d = from_registry("tty", true);
    if (!d && ((std::getenv("DISPLAY") && *std::getenv("DISPLAY")) ||
               (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"))))
      d = load_qt(nullptr);
  }
  if (!d) d = make_headless_display();
  return d;
}

}  // namespace

void register_display(const char* name, DisplayFactory factory, DisplayUsable usable) {
  registry()[name] = {factory, usable};
}

Display& display() {
  if (!current()) {
    current() = choose();
    static bool registered = false;
    if (!registered) {
      registered = true;
      std::atexit(shutdown_at_exit);
    }
  }
  return *current();
}

bool display_chosen() { return current() != nullptr; }

void set_display(std::unique_ptr<Display> d) {
  if (current()) current()->shutdown();
  current() = std::move(d);
}

}  // namespace kv::term
