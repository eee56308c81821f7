#include "runtime/terminal/module_trace.h"

#include "kv/build_info.h"

namespace kv::term {

int TraceModule::index() {
  if (index_ == -2)
    index_ = kv::modules().register_module(name_, version_ ? version_ : KV_VERSION,
                                           revision_ ? revision_ : KV_REVISION);
  return index_;
}

void TraceModule::operator()(std::string_view action, std::string_view object,
                             std::string_view value) {
  kv::trace(index(), action, object, value);
}

// The video module identifies itself by its own version in trace lines.
TraceModule& vio_module() {
  static TraceModule m("SCR_VIO", "2.4.", "006");
  return m;
}

#define KV_MODULE(fn, name)     \
  TraceModule& fn() {           \
    static TraceModule m(name); \
    return m;                   \
  }
KV_MODULE(wc_module, "SCR_WC")
KV_MODULE(wp_module, "SCR_WP")
KV_MODULE(amp_module, "SCR_AMP")
KV_MODULE(mp_module, "SCR_MP")
KV_MODULE(mb_module, "SCR_MB")
KV_MODULE(db_module, "SCR_DB")
KV_MODULE(dbm_module, "SCR_DBM")
KV_MODULE(mous_module, "SCR_MOUS")
#undef KV_MODULE

}  // namespace kv::term
