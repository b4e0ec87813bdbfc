// The chain reader, the rates reader and the solver on arbitrary files.
//
// The input is split at NUL bytes into the contents of M.INT, M.TUP, M.DIC
// and M.RAT, in that order (a missing part is an empty file).  A chain that
// is read must hang together: its arcs are grouped by source and lead to
// states of the chain.  A small chain with rates for all its arcs is solved,
// and every figure must be a number the chain can have; a time at which the
// uniformized chain would take too many steps is left out, so that every
// execution stays short.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chain/chain.h"
#include "chain/rates.h"
#include "chain/solve.h"
#include "harness.h"

namespace molvex {
namespace {

constexpr int MAXSTATES = 4096;
constexpr int MAXARCS = 20000;
constexpr double MAXSTEPS = 1e5;  // the expected jumps q*T of a time solved
constexpr double EPSILON = 1e-9;
// Round-off of a sum of probabilities over a few thousand states, on top of
// the solver's own error bound.
constexpr double SLACK = 1e-9;

bool probability(double p) { return std::isfinite(p) && p >= -SLACK && p <= 1.0 + SLACK; }

void checkChain(const Chain& chain) {
  fuzz::require(chain.nstates >= 1 && chain.first.size() == chain.nstates + 1 &&
                    chain.kind.size() == chain.nstates,
                "the chain's tables do not count its states");
  fuzz::require(chain.first(1) == 1 && chain.first(chain.nstates + 1) == chain.narcs() + 1,
                "the arcs of the states do not add up to the arcs of the chain");
  for (int s = 1; s <= chain.nstates; ++s) {
    const int begin = chain.first(s);
    const int end = chain.first(s + 1);
    fuzz::require(begin <= end, "a state's arcs end before they begin");
    fuzz::require(begin == end || chain.kind(s) == StateKind::Expanded,
                  "a failure or truncation state has arcs");
    for (int a = begin; a < end; ++a) {
      const Arc& arc = chain.arcs(a);
      fuzz::require(arc.target >= 1 && arc.target <= chain.nstates,
                    "an arc leads outside the states");
      fuzz::require(arc.rate >= 1 && arc.rate <= chain.rateNames.size(), "an arc has no rate name");
      fuzz::require(arc.multiplier >= 1, "an arc has a multiplier below 1");
    }
  }
}

void checkFigures(const Figures& f) {
  fuzz::require(probability(f.pFailLower) && probability(f.pFailUpper),
                "a probability of failure is not a probability");
  fuzz::require(f.pFailLower <= f.pFailUpper + SLACK, "the failure bounds are crossed");
  fuzz::require(!std::isnan(f.mttfLower) && !std::isnan(f.mttfUpper) && f.mttfLower >= 0.0,
                "the mean time to failure is not a time");
  fuzz::require(f.mttfLower <= f.mttfUpper, "the mean time to failure bounds are crossed");
  // A finite lower bound says that no path ends in a working state: every
  // path then ends in a failure or a truncation state.
  if (std::isfinite(f.mttfLower)) {
    fuzz::require(std::fabs(f.pFailUpper - 1.0) <= SLACK,
                  "the chain cannot end working, yet it does not always fail");
  }
}

// `times` in increasing order.
void checkUnreliability(const std::vector<Unreliability>& u, const std::vector<double>& times,
                        const Figures& f) {
  fuzz::require(u.size() == times.size(), "not one unreliability per time");
  for (std::size_t j = 0; j < u.size(); ++j) {
    fuzz::require(probability(u[j].lower) && probability(u[j].upper),
                  "an unreliability is not a probability");
    fuzz::require(u[j].lower <= u[j].upper + SLACK, "the unreliability bounds are crossed");
    // The failure and truncation states absorb: what has failed by a time
    // has failed later on, and never more than ever fails.
    const double bound = EPSILON + SLACK;
    fuzz::require(u[j].lower <= f.pFailLower + bound && u[j].upper <= f.pFailUpper + bound,
                  "more unreliability than probability of ever failing");
    if (j > 0) {
      fuzz::require(
          u[j].lower >= u[j - 1].lower - 2 * bound && u[j].upper >= u[j - 1].upper - 2 * bound,
          "the unreliability falls with time");
    }
    if (times[j] == 0.0) {
      fuzz::require(u[j].upper <= bound, "the initial state is not working at time 0");
    }
  }
}

void solve(const Chain& chain, const Array1<double>& rate) {
  double q = 0.0;
  for (int s = 1; s <= chain.nstates; ++s) {
    double e = 0.0;
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) e += rate(a);
    q = std::max(q, e);
  }
  Array1<int> order;
  Error error;
  if (!topologicalOrder(chain, order, error)) return;
  std::vector<bool> placed(static_cast<std::size_t>(chain.nstates) + 1, false);
  Array1<int> position(chain.nstates, 0);
  for (int i = 1; i <= chain.nstates; ++i) {
    const int s = order(i);
    fuzz::require(s >= 1 && s <= chain.nstates && !placed[static_cast<std::size_t>(s)],
                  "the order is not an order of the states");
    placed[static_cast<std::size_t>(s)] = true;
    position(s) = i;
  }
  for (int s = 1; s <= chain.nstates; ++s) {
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      fuzz::require(position(chain.arcs(a).target) > position(s), "an arc leads backwards");
    }
  }
  const Figures f = solveFigures(chain, rate, order);
  checkFigures(f);
  // A time tied to the rates as well, so that the Poisson window is wide
  // whatever their scale.
  std::vector<double> times;
  for (const double t : {0.0, 1.0, 1e3, q > 0.0 ? 30.0 / q : 0.0}) {
    if (std::isfinite(t) && q * t <= MAXSTEPS) times.push_back(t);
  }
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  std::vector<Unreliability> u;
  fuzz::require(solveUnreliability(chain, rate, order, times, EPSILON, stepLimit(chain), u, error),
                "a time within the step limit was refused");
  checkUnreliability(u, times, f);
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::setUp();
  fuzz::clearFiles();
  std::string_view rest = fuzz::text(data, size);
  for (const char* name : {"M.INT", "M.TUP", "M.DIC", "M.RAT"}) {
    const std::size_t end = std::min(rest.find('\0'), rest.size());
    fuzz::writeFile(name, rest.substr(0, end));
    rest = rest.substr(std::min(end + 1, rest.size()));
  }
  static Chain chain;
  Error error;
  bool read = false;
  fuzz::closesItsFiles([&] { read = readChain("M", chain, error); });
  if (!read) return 0;
  checkChain(chain);
  RateTable table;
  fuzz::closesItsFiles([&] { read = readRates("M.RAT", table, error); });
  if (!read) return 0;
  Array1<double> rate;
  if (!arcRates(chain, table, rate, error)) return 0;
  fuzz::require(rate.size() == chain.narcs(), "not one rate per arc");
  for (const double r : rate) {
    // 0 is a rate: a component that fails only when a dependency forces it.
    fuzz::require(std::isfinite(r) && r >= 0.0, "an arc's rate is not a finite number of 0 or more");
  }
  if (chain.nstates <= MAXSTATES && chain.narcs() <= MAXARCS) solve(chain, rate);
  return 0;
}
