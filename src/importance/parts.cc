#include "importance/parts.h"

#include <cmath>
#include <map>

namespace molvex {
namespace {

// A component of the top: the parts' components of one rate name.
struct Joined {
  ComponentMeasures top;
  std::vector<std::pair<std::size_t, const ComponentMeasures*>> members;  // part, its measures
};

std::vector<Joined> joinComponents(const std::vector<MeasuredPart>& parts, std::size_t times) {
  std::vector<Joined> out;
  std::map<std::string, std::size_t> byName;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    for (const ComponentMeasures& c : parts[p].measures->components) {
      ComponentMeasures m = renamedMeasures(c, parts[p].names);
      const auto [at, added] = byName.emplace(m.rateName, out.size());
      if (added) {
        // The top's measures are summed and formed below.
        m.dU.assign(times, 0.0);
        m.dMttf = 0.0;
        m.perfectLower.clear();
        m.perfectUpper.clear();
        out.push_back({std::move(m), {}});
      } else {
        out[at->second].top.component = at->first;  // a parameter of several elements
      }
      out[at->second].members.emplace_back(p, &c);
    }
  }
  return out;
}

// Each part's unreliability at time j, lower or upper, with `perfect`
// members' in their place.
std::vector<double> partFailures(const std::vector<MeasuredPart>& parts, const Joined* perfect,
                                 std::size_t j, bool upper) {
  std::vector<double> u(parts.size());
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const Unreliability& f = (*parts[p].figures)[j];
    u[p] = upper ? f.upper : f.lower;
  }
  if (perfect == nullptr) return u;
  for (const auto& [p, c] : perfect->members)
    u[p] = upper ? c->perfectUpper[j] : c->perfectLower[j];
  return u;
}

// The parts as the combination takes them, with each one's components by
// their own rate names and its rate names' values, formed once.
struct Combination {
  std::vector<PartChain> chains;
  std::vector<PartBounds> bounds;
  std::vector<std::map<std::string, Component>> components;
  std::vector<Array1<double>> theta;
  explicit Combination(const std::vector<MeasuredPart>& parts) {
    for (const MeasuredPart& part : parts) {
      const Chain& chain = *part.chain.chain;
      chains.push_back(part.chain);
      bounds.push_back(part.bounds);
      components.emplace_back();
      for (Component& c : chainComponents(chain, *part.chain.rate)) {
        components.back().emplace(chain.rateNames(c.names.front()), std::move(c));
      }
      theta.push_back(rateValues(chain, *part.chain.rate));
    }
  }
};

// The MTTF with the component perfect: the parts it belongs to with its
// rates at 0, combined again.
void perfectMttf(const StaticTree& tree, const Combination& all, ComponentMeasures& m,
                 const std::vector<std::pair<std::size_t, const ComponentMeasures*>>& members) {
  std::vector<PartChain> chains = all.chains;
  std::vector<PartBounds> bounds = all.bounds;
  std::vector<Array1<double>> rates;
  rates.reserve(members.size());
  for (const auto& [p, c] : members) {
    const PartChain& part = all.chains[p];
    rates.push_back(withoutRates(*part.chain, *part.rate, all.components[p].at(c->rateName).names));
    chains[p].rate = &rates.back();
    const Figures f = solveFigures(*part.chain, rates.back(), *part.order, part.initial);
    bounds[p] = {fastestExit(*part.chain, rates.back()),
                 longestMeanTime(*part.chain, rates.back(), *part.order), f.pStuck,
                 f.pFailUpper - f.pFailLower};
  }
  CombinedMttf mttf;
  Error error;
  if (!combinedMttf(tree, bounds, chains, partSweep(chains), mttf, error)) {
    m.mttfPerfectLower = m.mttfPerfectUpper = noMeasure;
    return;
  }
  m.mttfPerfectLower = mttf.lower;
  m.mttfPerfectUpper = mttf.upper;
}

// dMTTF/dθ by each part's rate names through the quadrature's weights of
// its curve, one backward sweep per part, into d; or why there are none.
std::string quadratureDerivatives(const StaticTree& tree, const std::vector<PartChain>& chains,
                                  const std::vector<PartBounds>& bounds, double epsilon,
                                  std::vector<Array1<double>>& d) {
  MttfSensitivity sensitivity;
  Error error;
  if (!mttfSensitivity(tree, bounds, chains, partSweep(chains), sensitivity, error)) {
    return error.message();
  }
  d = std::vector<Array1<double>>(chains.size());
  for (std::size_t p = 0; p < chains.size() && !sensitivity.byPart.empty(); ++p) {
    // dR_p = −dU_p, as no part reaches a truncation state.
    std::vector<double> c = sensitivity.byPart[p];
    for (double& x : c) x = -x;
    const PartChain& part = chains[p];
    const std::string why =
        weightedDerivatives(*part.chain, *part.rate, *part.order, part.initial, sensitivity.times,
                            c, epsilon, stepLimit(*part.chain), d[p]);
    if (!why.empty()) return why;
  }
  return "";
}

// dMTTF/dλ of every component, exact over the product of the parts' chains
// where it is small enough, else through the integral over their curves;
// or why there is none.
std::string mttfDerivatives(const StaticTree& tree, const Combination& all, double epsilon,
                            std::vector<Joined>& joined) {
  for (const PartBounds& b : all.bounds) {
    if (b.truncated > 0.0) return truncatedRun;
  }
  std::vector<Array1<double>> d;
  if (!productMttfDerivatives(tree, all.chains, d)) {
    const std::string why = quadratureDerivatives(tree, all.chains, all.bounds, epsilon, d);
    if (!why.empty()) return why;
  }
  for (Joined& j : joined) {
    for (const auto& [p, c] : j.members) {
      if (d[p].size() == 0) continue;  // nothing moves: no derivative but 0
      j.top.dMttf += byComponent(all.components[p].at(c->rateName), d[p], all.theta[p]);
    }
  }
  return "";
}

}  // namespace

Measures partsMeasures(const StaticTree& tree, const std::vector<MeasuredPart>& parts,
                       const std::vector<double>& times, double epsilon, const Figures& figures,
                       const std::vector<Unreliability>& top) {
  Measures out;
  std::vector<Joined> joined = joinComponents(parts, times.size());
  const Combination all(parts);
  // ∂U_top/∂U_p at each time.
  std::vector<std::vector<double>> slope(parts.size(), std::vector<double>(times.size()));
  for (std::size_t j = 0; j < times.size(); ++j) {
    std::vector<double> u = partFailures(parts, nullptr, j, false);
    std::string why;
    double timeDerivative = 0.0;
    for (std::size_t p = 0; p < parts.size(); ++p) {
      const double own = u[p];
      u[p] = 1.0;
      slope[p][j] = topFailure(tree, u);
      u[p] = 0.0;
      slope[p][j] -= topFailure(tree, u);
      u[p] = own;
      const Measures& m = *parts[p].measures;
      if (why.empty()) why = m.why[j];
      timeDerivative += slope[p][j] * m.timeDerivative[j];
    }
    out.why.push_back(why);
    out.timeDerivative.push_back(timeDerivative);
  }
  out.mttfWhy =
      std::isfinite(figures.mttfLower) ? mttfDerivatives(tree, all, epsilon, joined) : infiniteMttf;
  openChecks(out);
  for (Joined& joint : joined) {
    ComponentMeasures& m = joint.top;
    for (std::size_t j = 0; j < times.size(); ++j) {
      for (const auto& [p, c] : joint.members) m.dU[j] += slope[p][j] * c->dU[j];
    }
    addCriticalities(m, 1, figures, top, out);
    perfectMttf(tree, all, m, joint.members);
    for (std::size_t j = 0; j < times.size(); ++j) {
      m.perfectLower.push_back(topFailure(tree, partFailures(parts, &joint, j, false)));
      m.perfectUpper.push_back(topFailure(tree, partFailures(parts, &joint, j, true)));
    }
    out.components.push_back(std::move(m));
  }
  rankComponents(out.components);
  return out;
}

}  // namespace molvex
