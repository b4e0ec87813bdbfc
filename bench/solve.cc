// One run of the solver on a chain at the state limit: the generation, the
// chain read back, the rates, the mean time to failure and the
// unreliability at ten mission times, against the time the generation took.
//
//   molvex_solve_limit [--stiff] [FAMILY SIZE]
//
// FAMILY is one of the names below; without it, nine sequence gates (78,733
// states).  One model per process, so that the peak resident size is that
// model's.  --stiff gives the last type the rate 1000 and the others about
// 1e-6, and takes times up to 1e8 hours: the largest exit rate times the
// time reaches 1e11 to 1e12.
#include "chain/solve.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/rates.h"
#include "models.h"
#include "support/console.h"

using molvex::bench::Model;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "molvex_solve_limit: %s\n", what.c_str());
  std::exit(1);
}

// Hours; with rates near 1e-3 per hour the unreliability goes from small to
// near 1 over them, and with rates near 1e-6 over the stiff ones.
const std::vector<double> missionTimes{10, 30, 100, 300, 1000, 3000, 1e4, 3e4, 1e5, 3e5};
const std::vector<double> stiffTimes{1e3, 3e3, 1e4, 3e4, 1e5, 3e5, 1e6, 3e6, 1e7, 1e8};

// A value for every rate name of the dictionary, a little apart per type so
// that no two types fail alike; stiff, the last type a billion times faster.
void writeRates(const molvex::Chain& chain, const std::string& file, bool stiff) {
  std::ofstream out(file);
  for (int t = 1; t <= chain.ntypes; ++t) {
    const double slow = (stiff ? 1e-6 : 1e-3) * (1.0 + t / 10.0);
    out << chain.typeNames(t) << ' ' << (stiff && t == chain.ntypes ? 1000.0 : slow) << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto& families = molvex::bench::families();
  std::string family = "seq";
  int size = 9;
  const bool stiff = argc > 1 && std::string(argv[1]) == "--stiff";
  const int given = argc - (stiff ? 1 : 0);
  char** args = argv + (stiff ? 1 : 0);
  if (given == 3 && families.count(args[1]) != 0) {
    family = args[1];
    size = std::atoi(args[2]);
  } else if (given != 1) {
    std::fprintf(stderr, "usage: molvex_solve_limit [--stiff] [FAMILY SIZE]\n");
    return 2;
  }
  const std::vector<double>& times = stiff ? stiffTimes : missionTimes;
  const Model m = families.at(family)(size);
  const molvex::testing::ScratchDir scratch;

  molvex::bench::writeModel(m);
  auto start = Clock::now();
  const int status = molvex::bench::generate(m);
  const double tGenerate = secondsSince(start);
  if (status != 1) fail("the generation failed (status " + std::to_string(status) + ")");

  molvex::Chain chain;
  molvex::Error error;
  start = Clock::now();
  if (!molvex::readChain(m.name, chain, error)) fail(error.message());
  const double tRead = secondsSince(start);

  writeRates(chain, m.name + ".RAT", stiff);
  molvex::RateTable table;
  molvex::Array1<double> rate;
  start = Clock::now();
  if (!molvex::readRates(m.name + ".RAT", table, error) ||
      !molvex::arcRates(chain, table, rate, error)) {
    fail(error.message());
  }
  const double tRates = secondsSince(start);

  molvex::Array1<int> order;
  start = Clock::now();
  if (!molvex::topologicalOrder(chain, order, error)) fail(error.message());
  const molvex::Figures f = molvex::solveFigures(chain, rate, order);
  const double tMttf = secondsSince(start);

  start = Clock::now();
  std::vector<molvex::Unreliability> u;
  if (!molvex::solveUnreliability(chain, rate, order, times, 1e-12, molvex::stepLimit(chain), u,
                                  error)) {
    fail(error.message());
  }
  const double tUnrel = secondsSince(start);
  long terms = 0;
  for (const auto& x : u) terms = std::max(terms, x.terms);

  const double tSolve = tMttf + tUnrel;
  std::printf(
      "%s %d: %d states, %d arcs; generation %.3f s, read %.3f s, rates %.3f s, MTTF %.3f s, "
      "unreliability at %zu times %.3f s (%ld terms); solve / generation %.2f; peak resident "
      "%.1f MiB; largest exit rate times the last time %.3g\n",
      family.c_str(), size, chain.nstates, chain.narcs(), tGenerate, tRead, tRates, tMttf,
      times.size(), tUnrel, terms, tSolve / tGenerate, molvex::bench::peakMiB(),
      molvex::fastestExit(chain, rate) * times.back());
  // The figures themselves, so that one sees the times span the range.
  std::printf("  MTTF %.6g h; unreliability", f.mttfLower);
  for (const auto& x : u) std::printf(" %g:%.3g", x.time, x.lower);
  std::printf("\n");
  return 0;
}
