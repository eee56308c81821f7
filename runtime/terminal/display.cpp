// Choosing the process's display: the registry of built-in displays, the
// environment's choice, and the Qt display loaded from its own shared
// object only when it is chosen.

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "runtime/terminal/backends/headless/headless_display.h"
#include "runtime/terminal/display.h"

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

std::unique_ptr<Display> load_qt() {
  // The Qt display lives beside the runtime or on the library path.
  void* lib = dlopen(kQtLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!lib) return nullptr;
  auto factory = reinterpret_cast<QtDisplayFactory>(dlsym(lib, kQtFactorySymbol));
  if (!factory) return nullptr;
  Display* d = factory(kDisplayAbi);
  return std::unique_ptr<Display>(d);
}

std::unique_ptr<Display> choose() {
  const char* env = std::getenv("KORVEXAN_DISPLAY");
  std::string wanted = env ? env : "";
  for (char& c : wanted) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::unique_ptr<Display> d;
  if (wanted == "headless") return make_headless_display();
  if (wanted == "tty") d = from_registry("tty", false);
  else if (wanted == "qt") d = load_qt();
  else if (!wanted.empty())
    std::fprintf(stderr, "KORVEXAN_DISPLAY=%s is not a display (headless, tty, qt); using headless\n",
                 wanted.c_str());
  else {
    if (isatty(0) && isatty(1)) d = from_registry("tty", true);
    if (!d && ((std::getenv("DISPLAY") && *std::getenv("DISPLAY")) ||
               (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"))))
      d = load_qt();
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
