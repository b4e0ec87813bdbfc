// Figures from a chain: the mean time to failure and the probability of
// failing at all, exactly, from one pass in topological order (every
// transition fails at least one unit, so the chain has no cycle); and the
// unreliability at given times by uniformization, within a stated absolute
// error.  After a truncated run every figure is a pair of bounds: the
// truncation states counted as working give the lower bound of a failure
// probability, counted as failed the upper one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "chain/chain.h"
#include "chain/error.h"
#include "util/array1.h"

namespace molvex {

// The states in an order in which every arc leads forward.  False with
// `error` naming two states on a cycle.
bool topologicalOrder(const Chain& chain, Array1<int>& order, Error& error);

struct Figures {
  int operational = 0;  // expanded states
  int failure = 0;
  int truncation = 0;
  int transitions = 0;  // arcs
  // The mean time to failure: lower bound with the truncation states
  // counted as failed, upper bound with them counted as working (infinite
  // as soon as one is reachable).  Infinity where the chain can end in a
  // state that has not failed.
  double mttfLower = 0.0;
  double mttfUpper = 0.0;
  double pFailLower = 0.0;  // probability of ever reaching a failure state
  double pFailUpper = 0.0;  // ... or a truncation state
  double pStuck = 0.0;      // ... or an expanded state without arcs
};

// `rate` holds one value per arc (arcRates); `order` comes from
// topologicalOrder.  The chain starts in state `initial`; the counts are of
// the states and arcs it can reach from there (all of a generated chain's
// from state 1).
Figures solveFigures(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                     int initial = 1);

struct Unreliability {
  double time = 0.0;
  double lower = 0.0;     // probability of being in a failure state at `time`
  double upper = 0.0;     // ... or in a truncation state
  double working = 0.0;   // ... in an expanded state (1 - upper, without its rounding)
  long terms = 0;         // steps of the uniformized chain the value took; 0: not solved
  Array1<double> byType;  // 1 .. ntypes: probability of each type's failure state
};

// The unreliability at each of `times` (each finite and >= 0) into `out`,
// every value within `epsilon` of the exact one (round-off aside).  One
// sweep of the uniformized chain serves all times.  The sweep gives up after
// maxSteps steps, which only a time far beyond the chain's slowest rate
// needs; then that time has no terms and NaN figures, and it returns false
// with `error` naming it.
//
// A long sweep tells `progress` now and then the step it has reached and
// about how many it takes.
using SweepProgress = std::function<void(long step, long steps)>;
bool solveUnreliability(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                        const std::vector<double>& times, double epsilon, long maxSteps,
                        std::vector<Unreliability>& out, Error& error, int initial = 1,
                        const SweepProgress& progress = nullptr);

// The mean time from each state to a state without arcs (a failure or
// truncation state, or an expanded state none leaves), and the longest.
Array1<double> meanTimes(const Chain& chain, const Array1<double>& rate, const Array1<int>& order);
double longestMeanTime(const Chain& chain, const Array1<double>& rate, const Array1<int>& order);

// The largest exit rate of a state.
double fastestExit(const Chain& chain, const Array1<double>& rate);

// The steps a sweep should be allowed: about 10^11 operations on the states
// and arcs, a minute or two, and no fewer than 10^6.
long stepLimit(const Chain& chain);

}  // namespace molvex
