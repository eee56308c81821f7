// The panel engine's cost per screen on the headless display: a panel call
// with PANEL-REPAINT-SCREEN "X" (screen set-up, static data, every field
// flagged "R" and painted through its mask, the menu line, one pump pass,
// the return) of the 80 x 25 benchmark panel with 40 fields.
//   build/bench/engine/bench_engine

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/engine/bench_panel.h"
#include "runtime/engine/engine.h"
#include "runtime/terminal/backends/headless/headless_display.h"
#include "runtime/terminal/terminal.h"

namespace {

void set_up_headless() {
  static bool done = false;
  if (done) return;
  done = true;
  kvb::install_bench_masks();
  kv::term::use_display(std::make_unique<kv::term::HeadlessDisplay>(std::string()));
  kv::term::first_call_setup();
}

// Repaint "X" with every field flagged: the whole screen each call, the
// values changing from call to call.
void BM_HeadlessRepaintX(benchmark::State& state) {
  set_up_headless();
  kvb::BenchPanel p = kvb::make_bench_panel('X');
  int seed = 0;
  for (auto _ : state) {
    p.set_values(++seed);
    p.flag_all();
    p.record[186] = 'X';
    kv::engine::panel_call(p.record.data(), p.pass, p.work_s.data(), p.work_d.data());
    benchmark::DoNotOptimize(p.record[184]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HeadlessRepaintX);

// The same call with only the cursor field repainted (no field flagged):
// what a dialogue that changes nothing costs.
void BM_HeadlessRepaintXNoFields(benchmark::State& state) {
  set_up_headless();
  kvb::BenchPanel p = kvb::make_bench_panel('X');
  for (auto _ : state) {
    p.record[186] = 'X';
    kv::engine::panel_call(p.record.data(), p.pass, p.work_s.data(), p.work_d.data());
    benchmark::DoNotOptimize(p.record[184]);
  }
}
BENCHMARK(BM_HeadlessRepaintXNoFields);

}  // namespace

BENCHMARK_MAIN();
