// The exit lookup against real shared libraries.  Each case runs in its
// own process (one ctest test per case), so every lookup starts unbound.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <libcob.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/engine/exits.h"
#include "runtime/engine/options.h"
#include "runtime/engine/per_key.h"
#include "runtime/utilities/boxes.h"
#include "runtime/utilities/bytes.h"

namespace off = kv::engine::exit_off;
using kv::u8;

// An exit that is part of the program itself.
extern "C" __attribute__((visibility("default"))) int INPROC(u8* block, u8*, u8* pass) {
  block[off::kChar] = '#';
  std::memcpy(pass, "INPROC", 6);
  return 0;
}

// Called by the COBOL program DRIVER (CALL "RUNEXIT" USING one item): the
// runtime calls an exit while a COBOL program is active, as it does during
// a panel call.
u8 g_panel[316];
u8 g_pass[6];
kv::engine::ExitResult g_driver_result;
extern "C" __attribute__((visibility("default"))) int RUNEXIT(u8*) {
  kv::engine::ExitState state;
  g_driver_result = kv::engine::call_exit('D', "EXITBLK ", state, 'x', 0, 0, g_panel, g_pass);
  return 0;
}

namespace {

std::vector<std::string> g_boxes;
int capture_box(int, std::string_view, std::string_view text, std::string_view) {
  g_boxes.emplace_back(text);
  return 1;
}

class CobolExitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("KORVEXAN_EXIT_PATH");
    unsetenv("COB_LIBRARY_PATH");
    kv::engine::reset_exits();
    kv::set_box_hook(&capture_box);
    g_boxes.clear();
    panel_.fill(0);
    std::memcpy(panel_.data(), "EXITTEST", 8);
    pass_.fill(' ');
  }
  void TearDown() override { kv::set_box_hook(nullptr); }

  kv::engine::ExitResult call(char type, const char* name, u8 ch) {
    kv::engine::ExitState state;
    state.field = 2;
    return kv::engine::call_exit(type, name, state, ch, 0, 0, panel_.data(), pass_.data());
  }
  std::string pass() const { return std::string(pass_.begin(), pass_.end()); }
  // The argument count the COBOL exit saw, left at offset 31.
  char params_seen() const { return static_cast<char>(kv::engine::exit_block()[31]); }

  std::array<u8, 316> panel_{};
  std::array<u8, 6> pass_{};
};

TEST_F(CobolExitTest, ModuleOnCobLibraryPathInAProgramThatIsNotCobol) {
  setenv("COB_LIBRARY_PATH", KV_EXIT_MODULES, 1);
  // Predisplay: every character comes back as "*".
  for (u8 ch : {'A', 'b', '7'}) {
    kv::engine::ExitResult r = call('D', "EXITBLK ", ch);
    ASSERT_TRUE(r.called);
    EXPECT_EQ(r.character, '*');
  }
  EXPECT_EQ(pass(), "PASSED");
  EXPECT_EQ(kv::engine::bound_exit_name(), "EXITBLK ");
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(CobolExitTest, ExitCalledWhileACobolProgramIsActiveGetsThreeArguments) {
  cob_init(0, nullptr);
  setenv("COB_LIBRARY_PATH", KV_EXIT_MODULES, 1);
  void* driver = dlopen(KV_EXIT_MODULES "/DRIVER.so", RTLD_NOW);
  ASSERT_NE(driver, nullptr) << dlerror();
  auto run = reinterpret_cast<int (*)()>(dlsym(driver, "DRIVER"));
  ASSERT_NE(run, nullptr);
  std::memset(g_pass, ' ', sizeof g_pass);
  run();
  ASSERT_TRUE(g_driver_result.called);
  EXPECT_EQ(g_driver_result.character, '*');
  // DRIVER's CALL passed one argument; the exit still received all three.
  EXPECT_EQ(params_seen(), '3');
  EXPECT_EQ(std::string(reinterpret_cast<char*>(g_pass), 6), "PASSED");
}

TEST_F(CobolExitTest, PostkeystrokeModuleAsksForFieldFull) {
  setenv("COB_LIBRARY_PATH", KV_EXIT_MODULES, 1);
  kv::engine::ExitResult r = call('K', "EXITBLK", 'z');
  ASSERT_TRUE(r.called);
  EXPECT_TRUE(r.field_full);
}

TEST_F(CobolExitTest, GlobalPostkeystrokeModuleTurnsAKeyIntoF10) {
  setenv("COB_LIBRARY_PATH", KV_EXIT_MODULES, 1);
  auto& block = kv::engine::options().global_postkey;
  block[0] = 'Y';
  std::memcpy(block.data() + 1, "EXITBLK ", 8);
  kv::engine::PerKeyInput in;
  in.key = {'f', 0, 0x21};
  in.panel = panel_.data();
  in.pass_to_exit = pass_.data();
  kv::engine::PerKeyResult r = kv::engine::per_key(in);
  EXPECT_EQ(r.key, (kv::engine::Key{0, 68, 0x21}));
}

TEST_F(CobolExitTest, LibNameOnTheExitPath) {
  setenv("KORVEXAN_EXIT_PATH", "/nonexistent:" KV_EXIT_PATH, 1);
  kv::engine::ExitResult r = call('D', "EXITBLK ", 'x');
  ASSERT_TRUE(r.called);
  EXPECT_EQ(r.character, '*');
}

TEST_F(CobolExitTest, ModuleInTheProgramsDirectory) {
  kv::engine::ExitResult r = call('D', "PROGDIR ", 'x');
  ASSERT_TRUE(r.called);
  EXPECT_EQ(r.character, '*');
  EXPECT_EQ(pass(), "PASSED");
}

TEST_F(CobolExitTest, SymbolOfTheProgramItself) {
  kv::engine::ExitResult r = call('D', "INPROC  ", 'x');
  ASSERT_TRUE(r.called);
  EXPECT_EQ(r.character, '#');
  EXPECT_EQ(pass(), "INPROC");
}

TEST_F(CobolExitTest, WithoutTheModuleOnAnyPathTheLoadBoxIsShown) {
  kv::engine::ExitResult r = call('D', "EXITBLK ", 'x');
  EXPECT_FALSE(r.called);
  EXPECT_EQ(r.character, 'x');
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "User Exit DLL LoadLibrary failed!");
}

}  // namespace
