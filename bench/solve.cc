// One run of the solver on a chain at the state limit: the generation, the
// chain read back, the rates, the mean time to failure and the
// unreliability at ten mission times, against the time the generation took.
//
//   molvex_solve_limit [FAMILY SIZE]
//
// FAMILY is one of the names below; without it, nine sequence gates (78,733
// states).  One model per process, so that the peak resident size is that
// model's.
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
// near 1 over them.
const std::vector<double> missionTimes{10, 30, 100, 300, 1000, 3000, 1e4, 3e4, 1e5, 3e5};

// A value for every rate name of the dictionary, a little apart per type so
// that no two types fail alike.
void writeRates(const molvex::Chain& chain, const std::string& file) {
  std::ofstream out(file);
  for (int t = 1; t <= chain.ntypes; ++t) {
    out << chain.typeNames(t) << ' ' << 1e-3 * (1.0 + t / 10.0) << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto& families = molvex::bench::families();
  std::string family = "seq";
  int size = 9;
  if (argc == 3 && families.count(argv[1]) != 0) {
    family = argv[1];
    size = std::atoi(argv[2]);
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: molvex_solve_limit [FAMILY SIZE]\n");
    return 2;
  }
  const Model m = families.at(family)(size);
  const molvex::testing::ScratchDir scratch;

  molvex::bench::writeModel(m);
  auto start = Clock::now();
  const int status = molvex::bench::generate(m);
  const double tGenerate = secondsSince(start);
  if (status != 1) fail("the generation failed (status " + std::to_string(status) + ")");

  molvex::Chain chain;
  std::string error;
  start = Clock::now();
  if (molvex::readChain(m.name, chain, error) != 1) fail(error);
  const double tRead = secondsSince(start);

  writeRates(chain, m.name + ".RAT");
  molvex::RateTable table;
  molvex::Array1<double> rate;
  start = Clock::now();
  if (molvex::readRates(m.name + ".RAT", table, error) != 1 ||
      molvex::arcRates(chain, table, rate, error) != 1) {
    fail(error);
  }
  const double tRates = secondsSince(start);

  molvex::Array1<int> order;
  start = Clock::now();
  if (molvex::topologicalOrder(chain, order, error) != 1) fail(error);
  const molvex::Figures f = molvex::solveFigures(chain, rate, order);
  const double tMttf = secondsSince(start);

  start = Clock::now();
  std::vector<molvex::Unreliability> u;
  if (molvex::solveUnreliability(chain, rate, order, missionTimes, 1e-12, molvex::stepLimit(chain),
                                 u, error) != 1) {
    fail(error);
  }
  const double tUnrel = secondsSince(start);
  long terms = 0;
  for (const auto& x : u) terms = std::max(terms, x.terms);

  const double tSolve = tMttf + tUnrel;
  std::printf(
      "%s %d: %d states, %d arcs; generation %.3f s, read %.3f s, rates %.3f s, MTTF %.3f s, "
      "unreliability at %zu times %.3f s (%ld terms); solve / generation %.2f; peak resident "
      "%.1f MiB\n",
      family.c_str(), size, chain.nstates, chain.narcs(), tGenerate, tRead, tRates, tMttf,
      missionTimes.size(), tUnrel, terms, tSolve / tGenerate, molvex::bench::peakMiB());
  // The figures themselves, so that one sees the times span the range.
  std::printf("  MTTF %.6g h; unreliability", f.mttfLower);
  for (const auto& x : u) std::printf(" %g:%.3g", x.time, x.lower);
  std::printf("\n");
  return 0;
}
