// The figures of a model made of independent parts under static gates,
// from the figures of each part's own chain.  Parts that share nothing fail
// independently, so the probability that the top has failed is a function
// of theirs at the same time: exact.  The mean time to failure is the
// integral of the top's reliability, which no part's figures give: it is
// computed by quadrature over the parts' curves, with a stated bound.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "chain/solve.h"

namespace molvex {

// A node of the tree above the parts; node 0 is the top.
struct StaticNode {
  enum class Kind { part, andGate, orGate, voting };
  Kind kind = Kind::part;
  int k = 0;                // voting: the failed inputs that fail it
  std::vector<int> inputs;  // a gate's inputs, as nodes
  int part = 0;             // a part: its index among the parts
  std::string name;         // the element of the model it stands for
};
using StaticTree = std::vector<StaticNode>;

// The probability that the top has failed when each part has failed with
// its probability in `parts`.
double topFailure(const StaticTree& tree, const std::vector<double>& parts);

// The probability that the top works when each part works with its
// probability in `parts`.
double topReliability(const StaticTree& tree, const std::vector<double>& parts);

// A part's chain with the values of its arcs' rates, an order in which every
// arc leads forward, and the state it starts in.
struct PartChain {
  const Chain* chain = nullptr;
  const Array1<double>* rate = nullptr;
  const Array1<int>* order = nullptr;
  int initial = 1;
};

// What the integral needs to know of a part besides its curve.
struct PartBounds {
  double fastest = 0.0;    // its largest exit rate
  double longest = 0.0;    // its longest mean time, from any state, to one without arcs
  double stuck = 0.0;      // the probability of ending in an expanded state without arcs
  double truncated = 0.0;  // ... in a truncation state
};

// Fills `out` with the failure probabilities of part `part` at `times`
// (ascending), each within `epsilon`, and the probabilities of working.
// False with `error`.
using PartSweep = std::function<bool(int part, const std::vector<double>& times, double epsilon,
                                     std::vector<Unreliability>& out, Error& error)>;

// The sweep of each part's own chain and rates, to its step limit.
PartSweep partSweep(const std::vector<PartChain>& chains);

struct CombinedMttf {
  // Truncation states counted as failed give the lower bound, as working
  // the upper; infinite where the top can last for ever.
  double lower = 0.0;
  double upper = 0.0;
  // The largest relative error of a finite figure: quadrature, tail and the
  // error of the parts' curves, each bounded or estimated from above; 0
  // when the figure is exact.
  double relativeError = 0.0;
};

// The relative error the integral is taken to.
constexpr double mttfTolerance = 1e-10;

// The mean time to failure of the top: exact, from the product of the
// parts' chains, where that holds up to two million states, else by
// quadrature.  False with `error` from a sweep.
bool combinedMttf(const StaticTree& tree, const std::vector<PartBounds>& parts,
                  const std::vector<PartChain>& chains, const PartSweep& sweep, CombinedMttf& out,
                  Error& error);

// How the MTTF moves with each part's curve: the top's reliability is linear
// in each part's, so for a rate θ of part p alone
//   dMTTF/dθ = Σ_j byPart[p][j] · dR_p(times[j])/dθ,
// byPart[p][j] the quadrature weight of times[j] times ∂R_top/∂R_p there.
// Taken by combinedMttf's quadrature even where it solves the product of the
// parts exactly: within the quadrature's error.
struct MttfSensitivity {
  std::vector<double> times;
  std::vector<std::vector<double>> byPart;  // by part, by time: empty when nothing moves
};

// dMTTF/dθ of the top by each part's rate names (d[p] by the names of part
// p's chain), exact over the product of the parts' chains where it holds at
// most two million states and the MTTF is finite; else false.
bool productMttfDerivatives(const StaticTree& tree, const std::vector<PartChain>& chains,
                            std::vector<Array1<double>>& d);

bool mttfSensitivity(const StaticTree& tree, const std::vector<PartBounds>& parts,
                     const std::vector<PartChain>& chains, const PartSweep& sweep,
                     MttfSensitivity& out, Error& error);

}  // namespace molvex
