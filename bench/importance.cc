// One run of --importance's work against the figures alone, on a chain of
// components that each have a type (and a rate) of their own.
//
//   molvex_importance [FAMILY SIZE [TIME]]
//
// Without arguments 50 distinct components (about 120,000 states) at 1000
// hours.  It times the figures (the MTTF pass and the unreliability's
// sweep), the derivatives of both by every rate at once, and the figures
// with each component perfect, and prints their ratios.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/rates.h"
#include "chain/solve.h"
#include "importance/importance.h"
#include "models.h"
#include "stategen/store.h"
#include "support/console.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "molvex_importance: %s\n", what.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const auto& families = molvex::bench::families();
  std::string family = "distinct";
  int size = 50;
  double time = 1000;
  if (argc >= 3 && families.count(argv[1]) != 0) {
    family = argv[1];
    size = std::atoi(argv[2]);
    if (argc == 4) time = std::atof(argv[3]);
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: molvex_importance [FAMILY SIZE [TIME]]\n");
    return 2;
  }
  const molvex::bench::Model m = families.at(family)(size);
  const molvex::testing::ScratchDir scratch;
  molvex::bench::writeModel(m);
  // Tables that grow with the chain, as molvex generate has them.
  molvex::setTableGrowth(molvex::mostStateLimit);
  if (molvex::bench::generate(m) != 1) fail("the generation failed");
  molvex::Chain chain;
  molvex::Error error;
  if (!molvex::readChain(m.name, chain, error)) fail(error.message());
  {
    std::ofstream rates(m.name + ".RAT");
    for (int t = 1; t <= chain.ntypes; ++t) {
      rates << chain.typeNames(t) << ' ' << 1e-3 * (1.0 + t / 10.0) << '\n';
    }
  }
  molvex::RateTable table;
  molvex::Array1<double> rate;
  molvex::Array1<int> order;
  if (!molvex::readRates(m.name + ".RAT", table, error) ||
      !molvex::arcRates(chain, table, rate, error) ||
      !molvex::topologicalOrder(chain, order, error)) {
    fail(error.message());
  }
  const std::vector<double> times{time};
  const long steps = molvex::stepLimit(chain);

  auto start = Clock::now();
  const molvex::Figures f = molvex::solveFigures(chain, rate, order);
  std::vector<molvex::Unreliability> u;
  if (!molvex::solveUnreliability(chain, rate, order, times, 1e-12, steps, u, error)) {
    fail(error.message());
  }
  const double tFigures = secondsSince(start);

  start = Clock::now();
  const molvex::RateDerivatives d =
      molvex::rateDerivatives(chain, rate, order, 1, times, 1e-12, steps);
  const double tDerivatives = secondsSince(start);
  if (!d.unreliability[0].why.empty()) fail(d.unreliability[0].why);

  start = Clock::now();
  const molvex::Measures all =
      molvex::measureComponents(chain, rate, order, 1, times, 1e-12, steps, f, u);
  const double tMeasures = secondsSince(start);

  std::printf(
      "%s %d: %d states, %d arcs, %zu components, T = %g (%ld steps of the sweep, %ld of the "
      "derivatives); figures %.3f s; derivatives %.3f s (%.2f x the figures); all measures with "
      "each component perfect %.3f s (%.2f x); peak resident %.1f MiB\n",
      family.c_str(), size, chain.nstates, chain.narcs(), all.components.size(), time, u[0].terms,
      d.unreliability[0].steps, tFigures, tDerivatives, tDerivatives / tFigures, tMeasures,
      tMeasures / tFigures, molvex::bench::peakMiB());
  std::printf("  U(T) %.6g, T dU/dT %.6g, sum of rate * dU/drate %.6g; MTTF criticalities sum %.12g\n",
              u[0].lower, all.timeDerivative[0], all.elasticitySum[0], all.mttfCriticalitySum);
  return 0;
}
