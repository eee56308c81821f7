#include "editor/library/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kv::editor;

namespace {

std::string call(char code, const std::string& in = "") {
  std::uint8_t buf[500];
  std::memset(buf, '#', sizeof buf);
  std::memcpy(buf, in.data(), std::min(in.size(), sizeof buf));
  std::uint8_t c = static_cast<std::uint8_t>(code);
  EXPECT_EQ(DSGNINI(&c, buf), 0) << code;
  std::string out(reinterpret_cast<char*>(buf), 500);
  return code == 'A' ? out : out.substr(0, out.find('#'));
}

std::string block(const std::string& a, const std::string& b, const std::string& c,
                  const std::string& d) {
  std::string s;
  for (const std::string* f : {&a, &b, &c, &d}) {
    std::string p = *f;
    p.resize(60, ' ');
    s += p;
  }
  s.resize(500, ' ');
  return s;
}

TEST(DsgniniTest, StoreAndAskForPaths) {
  std::string long_dir = "/home/developer/projects/customer-orders/panels/library-2026";
  ASSERT_LE(long_dir.size(), 60u);
  call('0', block("Orders.pnl", long_dir, "/srv/my masks", "/srv/cpy/"));
  EXPECT_EQ(call('A'), block("Orders.pnl", long_dir, "/srv/my masks", "/srv/cpy/"))
      << "kept as given, case included";
  struct Case {
    char code;
    std::string want;
  } cases[] = {
      {'S', long_dir + "/Orders.pnl" + '\0'},  // longer than 60: not cut
      {'D', long_dir + '\0'},
      {'N', std::string("Orders.pnl") + '\0'},
      {'M', std::string("/srv/my masks/") + '\0'},  // a directory with a space
      {'C', std::string("/srv/cpy/") + '\0'},
  };
  for (const Case& c : cases) EXPECT_EQ(call(c.code), c.want) << c.code;

  // A blank mask directory is the library directory; blank directories
  // are the current one.
  store_settings({"LIB.PNL", "", "", ""});
  EXPECT_EQ(library_path(), "LIB.PNL");
  EXPECT_EQ(mask_directory_path(), "");
  store_settings({"LIB.PNL", "/srv/lib", "", "/srv/cpy"});
  EXPECT_EQ(mask_directory_path(), "/srv/lib/");
  EXPECT_EQ(copybook_directory_path(), "/srv/cpy/");
  std::uint8_t bad = 'Q', buf[500];
  EXPECT_EQ(DSGNINI(&bad, buf), 8);
}

}  // namespace
