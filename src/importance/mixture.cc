#include "importance/mixture.h"

#include <cmath>
#include <set>

namespace molvex {
namespace {

// An outcome of infinite time counts whatever its weight, as its 0 * inf
// would not.
double weighed(double weight, double x) { return std::isinf(x) ? x : weight * x; }

const ComponentMeasures* find(const Measures& m, const std::string& rateName) {
  for (const ComponentMeasures& c : m.components) {
    if (c.rateName == rateName) return &c;
  }
  return nullptr;
}

// The component of rate name `name` over the outcomes.
ComponentMeasures mixed(const std::vector<Outcome>& outcomes, const ComponentMeasures& first,
                        std::size_t times) {
  ComponentMeasures m = first;
  m.dMttf = m.mttfPerfectLower = m.mttfPerfectUpper = 0.0;
  m.dU.assign(times, 0.0);
  m.perfectLower.assign(times, 0.0);
  m.perfectUpper.assign(times, 0.0);
  for (const Outcome& o : outcomes) {
    const ComponentMeasures* c = find(o.measures, first.rateName);
    // Where it never fails, nothing moves with it.
    m.dMttf += c == nullptr ? 0.0 : o.weight * c->dMttf;
    m.mttfPerfectLower += weighed(o.weight, c == nullptr ? o.mttfLower : c->mttfPerfectLower);
    m.mttfPerfectUpper += weighed(o.weight, c == nullptr ? o.mttfUpper : c->mttfPerfectUpper);
    for (std::size_t j = 0; j < times; ++j) {
      m.dU[j] += c == nullptr ? 0.0 : o.weight * c->dU[j];
      m.perfectLower[j] += o.weight * (c == nullptr ? o.unreliability[j].first : c->perfectLower[j]);
      m.perfectUpper[j] +=
          o.weight * (c == nullptr ? o.unreliability[j].second : c->perfectUpper[j]);
    }
    if (c != nullptr && m.perfectWhy.empty()) m.perfectWhy = c->perfectWhy;
  }
  return m;
}

}  // namespace

Measures mixtureMeasures(const std::vector<Outcome>& outcomes, const std::string& leftOut,
                         const Figures& figures, const std::vector<Unreliability>& top) {
  Measures out;
  const std::size_t times = top.size();
  out.why.assign(times, "");
  out.timeDerivative.assign(times, 0.0);
  for (const Outcome& o : outcomes) {
    if (out.mttfWhy.empty()) out.mttfWhy = o.measures.mttfWhy;
    for (std::size_t j = 0; j < times; ++j) {
      if (out.why[j].empty()) out.why[j] = o.measures.why[j];
      out.timeDerivative[j] += o.weight * o.measures.timeDerivative[j];
    }
  }
  openChecks(out);
  std::set<std::string> seen;
  for (const Outcome& o : outcomes) {
    for (const ComponentMeasures& c : o.measures.components) {
      if (c.rateName == leftOut || !seen.insert(c.rateName).second) continue;
      ComponentMeasures m = mixed(outcomes, c, times);
      addCriticalities(m, 1, figures, top, out);
      out.components.push_back(std::move(m));
    }
  }
  rankComponents(out.components);
  return out;
}

}  // namespace molvex
