// Whole-image reads over a pseudo-terminal against kavor-sim.
//   BM_ReadKind5Unpaced: goal under 2 s.
//   BM_ReadKind3Paced:   at the real line rate; goal wall time within 2 % of
//                        163,840 / 11,520 s plus the handshake, and processor
//                        time (this process, all threads) under 5 % of it.
#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <chrono>

#include "link/sim_process.h"
#include "link/transfer_protocol.h"

namespace {

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void ReadOnce(benchmark::State& state, int kind, bool paced) {
  using Clock = std::chrono::steady_clock;
  double wall = 0, cpu = 0, handshake = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> args{"--kind", std::to_string(kind), "--sessions", "0"};
    if (paced) args.push_back("--paced");
    kavor::testing::SimProcess sim(args);
    kavor::CCommPort port;
    kavor::TransferProtocol protocol(port);
    struct HandshakeClock : kavor::TransferObserver {
      Clock::time_point shown{};
      void OnProgressShown(bool s) override {
        if (s) shown = Clock::now();
      }
    } observer;
    protocol.set_observer(&observer);
    state.ResumeTiming();

    const auto t0 = Clock::now();
    const double c0 = ProcessCpuSeconds();
    const auto result = protocol.OnOK(kavor::TransferDirection::kRead, sim.pty(), nullptr);
    const double c1 = ProcessCpuSeconds();
    const auto t1 = Clock::now();
    if (result != kavor::TransferResult::kOk) state.SkipWithError("transfer failed");
    wall += std::chrono::duration<double>(t1 - t0).count();
    cpu += c1 - c0;
    handshake += std::chrono::duration<double>(observer.shown - t0).count();

    state.PauseTiming();
    sim.Stop();
    state.ResumeTiming();
  }
  const double n = double(state.iterations());
  const double line = double(kavor::ImageLength(kind)) / 11520.0;
  state.counters["wall_s"] = wall / n;
  state.counters["cpu_s"] = cpu / n;
  state.counters["cpu_pct"] = 100.0 * cpu / wall;
  state.counters["handshake_s"] = handshake / n;
  if (paced) state.counters["vs_line_pct"] = 100.0 * (wall / n - handshake / n - line) / line;
}

void BM_ReadKind5Unpaced(benchmark::State& state) { ReadOnce(state, 5, false); }
void BM_ReadKind3Paced(benchmark::State& state) { ReadOnce(state, 3, true); }

BENCHMARK(BM_ReadKind5Unpaced)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReadKind3Paced)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
