#include "chain/combine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace molvex {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double roundOff = std::numeric_limits<double>::epsilon();
// The parts' curves are swept to this absolute error: far below what the
// integral may lose, so that their share of its bound stays small.
constexpr double curveEpsilon = 1e-15;
// Each panel reaches this factor beyond its start: an exponential term
// e^(-x t) of any rate x then varies over it as e^(-x s) to e^(-1.25 x s),
// which a Gauss rule of n points follows to about 4^(-2n) of its size.
constexpr double panelGrowth = 1.25;
constexpr int fineRule = 16;
constexpr int coarseRule = 12;  // its difference from the fine rule bounds the fine one's error
constexpr double horizonGrowth = 8.0;
constexpr int mostHorizons = 40;
// The product of the parts' chains solved exactly, as one chain would be,
// up to this many states.
constexpr double productStates = 2e6;

// The probability that the node has failed, from the parts' probabilities
// of having failed; or, `dual`, the probability that it works, from theirs
// of working: an AND gate works as an OR gate fails, an OR gate as an AND
// gate, a k-of-n gate as an (n-k+1)-of-n gate.  Products of small
// probabilities keep their digits, which 1 - (1 - p) would lose.
double nodeValue(const StaticTree& tree, int node, const std::vector<double>& parts, bool dual) {
  const StaticNode& n = tree[static_cast<std::size_t>(node)];
  if (n.kind == StaticNode::Kind::part) return parts[static_cast<std::size_t>(n.part)];
  std::vector<double> in;
  for (int input : n.inputs) in.push_back(nodeValue(tree, input, parts, dual));
  double all = 1.0;
  double none = 1.0;
  for (double p : in) {
    all *= p;
    none *= 1.0 - p;
  }
  const bool andGate = (n.kind == StaticNode::Kind::andGate) != dual;
  if (n.kind != StaticNode::Kind::voting) return andGate ? all : 1.0 - none;
  const std::size_t k =
      dual ? in.size() - static_cast<std::size_t>(n.k) + 1 : static_cast<std::size_t>(n.k);
  // exactly(j): the probability that exactly j of the inputs so far count.
  std::vector<double> exactly(in.size() + 1, 0.0);
  exactly[0] = 1.0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    for (std::size_t j = i + 1; j > 0; --j) {
      exactly[j] = exactly[j] * (1.0 - in[i]) + exactly[j - 1] * in[i];
    }
    exactly[0] *= 1.0 - in[i];
  }
  double atLeast = 0.0;
  for (std::size_t j = k; j < exactly.size(); ++j) atLeast += exactly[j];
  return std::min(1.0, atLeast);
}

// A bound on the mean time the node takes to fail from any state of the
// parts: a part that surely ends failed fails within its longest mean time,
// an OR gate within its fastest input's, an AND gate within the sum of its
// inputs' (their latest failure comes before all of them have failed one
// after the other), a k-of-n gate within the sum of its k fastest.  Infinite
// where a part may never fail; `counted` says whether truncation states are
// failures.
double meanBound(const StaticTree& tree, int node, const std::vector<PartBounds>& parts,
                 bool counted) {
  const StaticNode& n = tree[static_cast<std::size_t>(node)];
  if (n.kind == StaticNode::Kind::part) {
    const PartBounds& p = parts[static_cast<std::size_t>(n.part)];
    return p.stuck > 0.0 || (!counted && p.truncated > 0.0) ? infinity : p.longest;
  }
  std::vector<double> inputs;
  for (int input : n.inputs) inputs.push_back(meanBound(tree, input, parts, counted));
  std::sort(inputs.begin(), inputs.end());
  const std::size_t k = n.kind == StaticNode::Kind::orGate    ? 1
                        : n.kind == StaticNode::Kind::andGate ? inputs.size()
                                                              : static_cast<std::size_t>(n.k);
  double sum = 0.0;
  for (std::size_t i = 0; i < k; ++i) sum += inputs[i];
  return sum;
}

// The Gauss-Legendre rule of n points on [-1, 1].
struct Rule {
  std::vector<double> x;
  std::vector<double> w;
};

Rule gaussLegendre(int n) {
  Rule rule;
  for (int i = 0; i < n; ++i) {
    double x = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
    double derivative = 0.0;
    for (int step = 0; step < 100; ++step) {
      double previous = 1.0;  // P_{j-1}(x), P_j(x) by the three-term recurrence
      double value = x;
      for (int j = 2; j <= n; ++j) {
        const double next = ((2.0 * j - 1.0) * x * value - (j - 1.0) * previous) / j;
        previous = value;
        value = next;
      }
      derivative = n * (x * value - previous) / (x * x - 1.0);
      const double dx = value / derivative;
      x -= dx;
      if (std::abs(dx) <= 1e-16) break;
    }
    rule.x.push_back(x);
    rule.w.push_back(2.0 / ((1.0 - x * x) * derivative * derivative));
  }
  return rule;
}

// The times of the integral: the nodes of both rules on every panel, with
// each one's weight in the fine rule and in the coarse one, in the order of
// time, the last panel's end (weight 0) last.
struct Nodes {
  std::vector<double> times;
  std::vector<double> fine;
  std::vector<double> coarse;
};

Nodes nodes(const std::vector<double>& ends, const Rule& fine, const Rule& coarse) {
  struct Node {
    double time, fine, coarse;
  };
  std::vector<Node> all = {{ends.back(), 0.0, 0.0}};
  for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
    const double mid = 0.5 * (ends[i] + ends[i + 1]);
    const double half = 0.5 * (ends[i + 1] - ends[i]);
    for (std::size_t j = 0; j < fine.x.size(); ++j)
      all.push_back({mid + half * fine.x[j], half * fine.w[j], 0.0});
    for (std::size_t j = 0; j < coarse.x.size(); ++j)
      all.push_back({mid + half * coarse.x[j], 0.0, half * coarse.w[j]});
  }
  std::stable_sort(all.begin(), all.end(),
                   [](const Node& a, const Node& b) { return a.time < b.time; });
  Nodes out;
  for (const Node& n : all) {
    out.times.push_back(n.time);
    out.fine.push_back(n.fine);
    out.coarse.push_back(n.coarse);
  }
  return out;
}

// The reliability of the top, lower and upper, at each of the nodes' times.
// A part that shares its chain with an earlier one shares its sweep.
struct Curve {
  std::vector<double> lower;  // truncation states counted as failed
  std::vector<double> upper;
  std::vector<std::vector<double>> working;  // by time: each part's probability of working
};

bool topCurve(const StaticTree& tree, const std::vector<PartChain>& chains, std::size_t nparts,
              const PartSweep& sweep, const std::vector<double>& times, Curve& out, Error& error) {
  out.lower.assign(times.size(), 0.0);
  out.upper.assign(times.size(), 0.0);
  std::vector<std::size_t> swept(nparts);  // the part whose sweep each part reads
  std::vector<std::vector<Unreliability>> parts(nparts);
  for (std::size_t p = 0; p < nparts; ++p) {
    swept[p] = p;
    for (std::size_t q = 0; q < p && !chains.empty(); ++q) {
      if (chains[q].chain == chains[p].chain && chains[q].rate == chains[p].rate) {
        swept[p] = swept[q];
      }
    }
    if (swept[p] != p) continue;
    if (!sweep(static_cast<int>(p), times, curveEpsilon, parts[p], error)) return false;
  }
  // The probability of working is read where the chain holds it, not as
  // 1 - F: a failure state near 1 no longer takes in what a slow state
  // hands on, and 1 - F would keep that loss as a floor.
  std::vector<double> lower(nparts);
  std::vector<double> upper(nparts);
  for (std::size_t j = 0; j < times.size(); ++j) {
    for (std::size_t p = 0; p < nparts; ++p) {
      const Unreliability& u = parts[swept[p]][j];
      lower[p] = u.working;
      upper[p] = u.working + (u.upper - u.lower);
    }
    out.lower[j] = topReliability(tree, lower);
    out.upper[j] = topReliability(tree, upper);
    out.working.push_back(lower);
  }
  return true;
}

// The integral by both rules.
struct Integral {
  double fine = 0.0;
  double coarse = 0.0;
};

Integral integrate(const Nodes& at, const std::vector<double>& of) {
  Integral sum;
  for (std::size_t j = 0; j < of.size(); ++j) {
    sum.fine += at.fine[j] * of[j];
    sum.coarse += at.coarse[j] * of[j];
  }
  return sum;
}

// The product of the parts' chains: a state is each part's state by its
// position in the part's order, so that a state's successors move one part
// on in its own order, to a later index.
struct Product {
  std::vector<long> stride;
  std::vector<Array1<int>> position;  // by part: a state's position in its order, from 0
  long size = 1;
  long start = 0;
  explicit Product(const std::vector<PartChain>& chains)
      : stride(chains.size(), 1), position(chains.size()) {
    for (std::size_t p = 0; p < chains.size(); ++p) {
      const Chain& c = *chains[p].chain;
      stride[p] = size;
      size *= c.nstates;
      position[p].resize(c.nstates);
      for (int i = 1; i <= c.nstates; ++i) position[p]((*chains[p].order)(i)) = i - 1;
      start += position[p](chains[p].initial) * stride[p];
    }
  }
  // Part p's position in its order in product state x.
  int at(std::size_t p, long x) const {
    return static_cast<int>((x / stride[p]) % position[p].size());
  }
};

// Whether the top has failed in product state x; truncation states are
// failures when `counted`.  `failed` is room for the parts' values.
bool topFailed(const StaticTree& tree, const std::vector<PartChain>& chains, const Product& space,
               long x, bool counted, std::vector<double>& failed) {
  failed.resize(chains.size());
  for (std::size_t p = 0; p < chains.size(); ++p) {
    const StateKind kind = chains[p].chain->kind((*chains[p].order)(space.at(p, x) + 1));
    failed[p] = kind == StateKind::Failure || (counted && kind == StateKind::Truncation) ? 1 : 0;
  }
  return topFailure(tree, failed) == 1.0;
}

// Calls arc(p, a, next) for each arc a of a part p moving product state x
// to `next`, with a rate other than 0.
template <typename Visit>
void productArcs(const std::vector<PartChain>& chains, const Product& space, long x,
                 const Visit& arc) {
  for (std::size_t p = 0; p < chains.size(); ++p) {
    const Chain& c = *chains[p].chain;
    const int at = space.at(p, x);
    const int s = (*chains[p].order)(at + 1);
    for (int a = c.first(s); a < c.first(s + 1); ++a) {
      if ((*chains[p].rate)(a) == 0.0) continue;
      arc(p, a, x + (space.position[p](c.arcs(a).target) - at) * space.stride[p]);
    }
  }
}

// The mean time to the top's failure from each state of the product, from
// the last state to the first.  Truncation states are failures when
// `counted`, else states that never move on.
std::vector<double> productMeans(const StaticTree& tree, const std::vector<PartChain>& chains,
                                 const Product& space, bool counted) {
  std::vector<double> mean(static_cast<std::size_t>(space.size), 0.0);
  std::vector<double> failed;
  for (long x = space.size - 1; x >= 0; --x) {
    double exit = 0.0;
    double after = 0.0;
    productArcs(chains, space, x, [&](std::size_t p, int a, long next) {
      const double r = (*chains[p].rate)(a);
      exit += r;
      after += r * mean[static_cast<std::size_t>(next)];
    });
    mean[static_cast<std::size_t>(x)] = topFailed(tree, chains, space, x, counted, failed) ? 0.0
                                        : exit == 0.0 ? infinity
                                                      : (1.0 + after) / exit;
  }
  return mean;
}

// Whether the product of the parts' chains holds at most productStates states.
bool productFits(const std::vector<PartChain>& chains) {
  double size = 1.0;
  for (const PartChain& c : chains) size *= c.chain->nstates;
  return !chains.empty() && size <= productStates;
}

// The exact mean time over the product of the parts' chains, where it fits.
// False when it does not.
bool productMttf(const StaticTree& tree, const std::vector<PartChain>& chains, CombinedMttf& out) {
  if (!productFits(chains)) return false;
  const Product space(chains);
  const auto at = static_cast<std::size_t>(space.start);
  out.lower = productMeans(tree, chains, space, true)[at];
  out.upper = productMeans(tree, chains, space, false)[at];
  out.relativeError = 0.0;
  return true;
}

// Each part's share of the integral at the nodes: the fine rule's weight
// times ∂R_top/∂R_p, which is R_top with the part working less R_top with
// it failed, as the top's reliability is linear in each part's.
void keepShares(const StaticTree& tree, const Nodes& at, const Curve& curve,
                MttfSensitivity& keep) {
  keep.times = at.times;
  const std::size_t m = curve.working.empty() ? 0 : curve.working[0].size();
  keep.byPart.assign(m, std::vector<double>(at.times.size(), 0.0));
  for (std::size_t j = 0; j < at.times.size(); ++j) {
    std::vector<double> r = curve.working[j];
    for (std::size_t p = 0; p < m; ++p) {
      r[p] = 1.0;
      const double up = topReliability(tree, r);
      r[p] = 0.0;
      keep.byPart[p][j] = at.fine[j] * (up - topReliability(tree, r));
      r[p] = curve.working[j][p];
    }
  }
}

// The integral of the top's reliability by Gauss rules on panels out to a
// horizon far enough; with `keep`, each part's share of it at the nodes.
bool quadrature(const StaticTree& tree, const std::vector<PartBounds>& parts,
                const std::vector<PartChain>& chains, const PartSweep& sweep, double fastest,
                double longest, bool upperFinite, CombinedMttf& out, MttfSensitivity* keep,
                Error& error) {
  const std::size_t m = parts.size();
  // No exponential term of the product of the parts' curves decays faster
  // than the sum of their fastest rates: the first panel is short enough
  // for any.
  const Rule fine = gaussLegendre(fineRule);
  const Rule coarse = gaussLegendre(coarseRule);
  // From any state of the parts the top fails on average within the sum of
  // their longest mean times (it has failed once they all stand still), or
  // the smaller bound of meanBound, so what lies beyond the horizon is at
  // most the reliability there times that mean.  Each value of the curve is
  // within the parts' errors (the top's reliability moves by no more than a
  // part's).
  const double meanLower = std::min(longest, meanBound(tree, 0, parts, true));
  const double meanUpper = std::min(longest, meanBound(tree, 0, parts, false));
  const double pointError = static_cast<double>(m) * (curveEpsilon + 4.0 * roundOff);
  std::vector<double> ends = {0.0, 1.0 / fastest};
  double horizon = 32.0 / fastest;
  for (int round = 0; round < mostHorizons; ++round, horizon *= horizonGrowth) {
    while (ends.back() < horizon) ends.push_back(ends.back() * panelGrowth);
    const Nodes at = nodes(ends, fine, coarse);
    Curve curve;
    if (!topCurve(tree, chains, m, sweep, at.times, curve, error)) return false;
    const double end = ends.back();
    bool settled = true;  // what lies beyond the horizon is negligible
    out.relativeError = 0.0;
    const auto take = [&](const std::vector<double>& of, double mean, double& value) {
      const Integral sum = integrate(at, of);
      value = sum.fine;
      const double tail = (of.back() + pointError) * mean;
      const double bound = std::abs(sum.fine - sum.coarse) + tail + pointError * end;
      settled = settled && (of.back() == 0.0 || tail <= 0.1 * mttfTolerance * value);
      out.relativeError = std::max(out.relativeError, value > 0.0 ? bound / value : 0.0);
    };
    take(curve.lower, meanLower, out.lower);
    if (upperFinite) take(curve.upper, meanUpper, out.upper);
    if (keep != nullptr) keepShares(tree, at, curve, *keep);
    if (settled) return true;
  }
  return true;  // the error stated is what the longest horizon reached
}

}  // namespace

double topFailure(const StaticTree& tree, const std::vector<double>& parts) {
  return nodeValue(tree, 0, parts, false);
}

double topReliability(const StaticTree& tree, const std::vector<double>& parts) {
  return nodeValue(tree, 0, parts, true);
}

PartSweep partSweep(const std::vector<PartChain>& chains) {
  return [&chains](int p, const std::vector<double>& times, double epsilon,
                   std::vector<Unreliability>& out, Error& error) {
    const PartChain& c = chains[static_cast<std::size_t>(p)];
    return solveUnreliability(*c.chain, *c.rate, *c.order, times, epsilon, stepLimit(*c.chain), out,
                              error, c.initial);
  };
}

bool combinedMttf(const StaticTree& tree, const std::vector<PartBounds>& parts,
                  const std::vector<PartChain>& chains, const PartSweep& sweep, CombinedMttf& out,
                  Error& error) {
  const std::size_t m = parts.size();
  // In the long run a part has failed unless it stays in a state without
  // arcs; the top that can then last for ever, with any probability, has no
  // finite mean time.
  std::vector<double> endLower(m);
  std::vector<double> endUpper(m);
  double fastest = 0.0;
  double longest = 0.0;  // the top's mean time to fail from any state, when no bound is smaller
  for (std::size_t p = 0; p < m; ++p) {
    endLower[p] = parts[p].stuck > 0.0 ? 1.0 : 0.0;
    endUpper[p] = parts[p].stuck + parts[p].truncated > 0.0 ? 1.0 : 0.0;
    fastest += parts[p].fastest;
    longest += parts[p].longest;
  }
  if (!std::isfinite(fastest)) {
    error = "the rates of the parts add up beyond the range of a double";
    return false;
  }
  const bool lowerFinite = topReliability(tree, endLower) == 0.0;
  const bool upperFinite = topReliability(tree, endUpper) == 0.0;
  out = CombinedMttf();
  out.lower = lowerFinite ? 0.0 : infinity;
  out.upper = upperFinite ? 0.0 : infinity;
  if (!lowerFinite || fastest == 0.0) return true;  // nothing moves, or the top may never fail
  if (productMttf(tree, chains, out)) return true;
  return quadrature(tree, parts, chains, sweep, fastest, longest, upperFinite, out, nullptr, error);
}

bool productMttfDerivatives(const StaticTree& tree, const std::vector<PartChain>& chains,
                            std::vector<Array1<double>>& d) {
  if (!productFits(chains)) return false;
  const Product space(chains);
  const std::vector<double> mean = productMeans(tree, chains, space, true);
  if (!std::isfinite(mean[static_cast<std::size_t>(space.start)])) return false;
  d.clear();
  for (const PartChain& c : chains) d.emplace_back(c.chain->rateNames.size(), 0.0);
  // dMTTF/dθ = Σ over the arcs x → y of rate m·θ of m·τ(x)·(w(y) − w(x)), τ(x)
  // the mean time spent in x, from the probability of reaching it.
  std::vector<double> reach(static_cast<std::size_t>(space.size), 0.0);
  reach[static_cast<std::size_t>(space.start)] = 1.0;
  std::vector<double> failed;
  for (long x = space.start; x < space.size; ++x) {
    const double here = reach[static_cast<std::size_t>(x)];
    if (here == 0.0 || topFailed(tree, chains, space, x, true, failed)) continue;
    double exit = 0.0;
    productArcs(chains, space, x,
                [&](std::size_t p, int a, long) { exit += (*chains[p].rate)(a); });
    const double spent = here / exit;
    productArcs(chains, space, x, [&](std::size_t p, int a, long next) {
      const Arc& arc = chains[p].chain->arcs(a);
      reach[static_cast<std::size_t>(next)] += spent * (*chains[p].rate)(a);
      d[p](arc.rate) += arc.multiplier * spent *
                        (mean[static_cast<std::size_t>(next)] - mean[static_cast<std::size_t>(x)]);
    });
  }
  return true;
}

bool mttfSensitivity(const StaticTree& tree, const std::vector<PartBounds>& parts,
                     const std::vector<PartChain>& chains, const PartSweep& sweep,
                     MttfSensitivity& out, Error& error) {
  double fastest = 0.0;
  double longest = 0.0;
  for (const PartBounds& p : parts) {
    fastest += p.fastest;
    longest += p.longest;
  }
  out = MttfSensitivity();
  CombinedMttf mttf;
  if (fastest == 0.0 || !std::isfinite(fastest)) return true;  // nothing moves the integral
  return quadrature(tree, parts, chains, sweep, fastest, longest, false, mttf, &out, error);
}

}  // namespace molvex
