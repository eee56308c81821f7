// The window modules' entries in the module table: each records itself on
// its first call (name, this build's version and revision) and reads the
// environment variable named after itself for its trace switch.
#pragma once

#include <string>
#include <string_view>

#include "runtime/utilities/modules.h"

namespace kv::term {

class TraceModule {
 public:
  explicit constexpr TraceModule(const char* name, const char* version = nullptr,
                                 const char* revision = nullptr)
      : name_(name), version_(version), revision_(revision) {}
  // Registers on first use; the index in the module table (-1: table full).
  int index();
  bool on() { return kv::modules().trace(index()) == 'L'; }
  void operator()(std::string_view action, std::string_view object = {},
                  std::string_view value = {});
  std::string id() { return kv::modules().identification(index()); }

 private:
  const char* name_;
  const char* version_;  // null: this build's version and revision
  const char* revision_;
  int index_ = -2;
};

// The modules of the terminal window.
TraceModule& vio_module();   // SCR_VIO
TraceModule& wc_module();    // SCR_WC
TraceModule& wp_module();    // SCR_WP
TraceModule& amp_module();   // SCR_AMP
TraceModule& mp_module();    // SCR_MP
TraceModule& mb_module();    // SCR_MB
TraceModule& db_module();    // SCR_DB
TraceModule& dbm_module();   // SCR_DBM
TraceModule& mous_module();  // SCR_MOUS

}  // namespace kv::term
