// The one entry of libcellview_qt.so: the runtime loads this shared object
// only when the Qt display is chosen and asks it for the display here.

#include <cstdio>
#include <type_traits>

#include "runtime/terminal/backends/qt/qt_display.h"
#include "runtime/utilities/export.h"

KV_EXTERN_C_EXPORT kv::term::Display* kv_create_qt_display(int abi) {
  if (abi != kv::term::kDisplayAbi) {
    std::fprintf(stderr, "%s: built for display interface %d, runtime has %d\n",
                 kv::term::kQtLibrary, kv::term::kDisplayAbi, abi);
    return nullptr;
  }
  std::unique_ptr<kv::term::Display> d = kv::term::qtd::make_qt_display();
  if (!d) {
    std::fprintf(stderr,
                 "%s: no window system can be reached (DISPLAY, WAYLAND_DISPLAY or "
                 "QT_QPA_PLATFORM)\n",
                 kv::term::kQtLibrary);
    return nullptr;
  }
  return d.release();
}

static_assert(std::is_same_v<decltype(&kv_create_qt_display), kv::term::QtDisplayFactory>,
              "the factory must have the type the runtime calls");
