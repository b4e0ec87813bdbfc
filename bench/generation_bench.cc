// Generation of chains of growing size, for each family of models.h: the
// first argument is the family's size, the second 1 to search the state
// lists through their index or 0 to walk them.  Reported per second: states
// (items), transitions and bytes written; and the peak resident size of the
// process so far.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "models.h"
#include "support/console.h"
#include "stategen/store.h"

namespace {

using namespace molvex::bench;

void generation(benchmark::State& state, Model (*family)(int)) {
  const Model m = family(static_cast<int>(state.range(0)));
  molvex::IDXDEF = static_cast<int>(state.range(1));
  writeModel(m);
  int status = 0;
  for (auto _ : state) status = generate(m);
  molvex::IDXDEF = 1;
  const Outcome o = outcome(m, status);
  if (o.status != 1) {
    state.SkipWithError("the generation failed");
    return;
  }
  const auto iterations = static_cast<std::int64_t>(state.iterations());
  state.SetItemsProcessed(o.states * iterations);
  state.SetBytesProcessed(o.bytes * iterations);
  using benchmark::Counter;
  state.counters["states"] = Counter(static_cast<double>(o.states));
  state.counters["arcs/s"] =
      Counter(static_cast<double>(o.transitions), Counter::kIsIterationInvariantRate);
  state.counters["peak_MiB"] = Counter(peakMiB());
}

// Each size with the index, and with the walk.
void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> list) {
  for (int indexed : {1, 0}) {
    for (int size : list) b->Args({size, indexed});
  }
  b->ArgNames({"size", "index"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(generation, kofn, kOfN)->Apply([](auto* b) { sizes(b, {12, 14, 16, 18}); });
BENCHMARK_CAPTURE(generation, mult, multiples)->Apply([](auto* b) { sizes(b, {2, 4, 6, 8}); });
BENCHMARK_CAPTURE(generation, fdep, dependencies)->Apply([](auto* b) {
  sizes(b, {12, 14, 16, 18});
});
BENCHMARK_CAPTURE(generation, csp, coldSpares)->Apply([](auto* b) { sizes(b, {4, 6, 8}); });
BENCHMARK_CAPTURE(generation, pand, priorityAnds)->Apply([](auto* b) { sizes(b, {4, 5, 6, 7}); });
BENCHMARK_CAPTURE(generation, seq, sequences)->Apply([](auto* b) { sizes(b, {6, 7, 8, 9}); });
BENCHMARK_CAPTURE(generation, trunc, truncatedKOfN)->Apply([](auto* b) {
  sizes(b, {13, 17, 21, 25});
});

}  // namespace

// The models and their outputs live in a scratch directory of their own.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  {
    const molvex::testing::ScratchDir scratch;
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  return 0;
}
