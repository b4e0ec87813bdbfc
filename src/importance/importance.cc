#include "importance/importance.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "chain/uniformized.h"

namespace molvex {
namespace {

// Whether a truncation state can be reached from `initial`.
bool reachesTruncation(const Chain& chain, const Flow& flow, const Array1<int>& order,
                       int initial) {
  Array1<char> seen(chain.nstates, 0);
  seen(initial) = 1;
  for (int i = 1; i <= chain.nstates; ++i) {
    const int s = order(i);
    if (!seen(s)) continue;
    if (chain.kind(s) == StateKind::Truncation) return true;
    for (int a = flow.first(s); a < flow.first(s + 1); ++a) {
      if (flow.rate(a) > 0.0) seen(flow.target(a)) = 1;
    }
  }
  return false;
}

// dMTTF/dθ_k into d, or why there is none.
std::string mttfDerivatives(const Chain& chain, const Array1<double>& rate, const Flow& flow,
                            const Array1<int>& order, Array1<double>& d) {
  const int n = chain.nstates;
  Array1<double> reach(n, 0.0);
  Array1<double> spent(n, 0.0);  // τ
  for (int s = 1; s <= n; ++s) reach(s) = flow.start(s);
  for (int i = 1; i <= n; ++i) {
    const int s = order(i);
    const double p = reach(s);
    if (p == 0.0 || chain.kind(s) != StateKind::Expanded) continue;
    const double e = flow.exit(s);
    if (e == 0.0) {
      return infiniteMttf;
    }
    spent(s) = p / e;
    for (int a = flow.first(s); a < flow.first(s + 1); ++a) {
      reach(flow.target(a)) += p * flow.rate(a) / e;
    }
  }
  const Array1<double> mean = meanTimes(chain, rate, order);  // w
  d.resize(chain.rateNames.size(), 0.0);
  for (int s = 1; s <= n; ++s) {
    if (spent(s) == 0.0) continue;
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      const Arc& arc = chain.arcs(a);
      d(arc.rate) += arc.multiplier * spent(s) * (mean(arc.target) - mean(s));
    }
  }
  return "";
}

// dU(T)/dθ_k by the adjoint of the sweep, for one time.
class UnreliabilityAdjoint {
 public:
  UnreliabilityAdjoint(const Chain& chain, const Flow& flow, const Array1<int>& order, double q)
      : chain_(chain), flow_(flow), q_(q), step_(flow, order, q), failed_(chain.nstates, 0.0) {
    for (int s = 1; s <= chain.nstates; ++s) {
      if (chain.kind(s) != StateKind::Failure) continue;
      failed_(step_.position(s)) = 1.0;
      failures_.push_back(step_.position(s) - 1);
    }
    const int arcs = step_.arcs(chain.nstates + 1) - 1;
    for (int i = 1; i <= arcs; ++i) {
      const Arc& arc = chain.arcs(step_.arcOf(i));
      name_.push_back(arc.rate);
      multiplier_.push_back(arc.multiplier);
    }
    // The step leaves out the arcs of a state whose rates are all 0, as they
    // carry nothing; a rate moved from 0 carries something at once.
    for (int s = 1; s <= chain.nstates; ++s) {
      if (flow.exit(s) != 0.0) continue;
      for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
        const Arc& arc = chain.arcs(a);
        still_.push_back({step_.position(s) - 1, step_.position(arc.target) - 1, arc.rate,
                          static_cast<double>(arc.multiplier)});
      }
    }
    // f one step on, for the last term of dU/dT.
    failedNext_.resize(chain.nstates, 0.0);
    failedNext_.copyFrom(failed_, chain.nstates);
    step_.applyBack(failedNext_, [](int, int, double) {});
  }

  void solve(double time, double epsilon, long maxSteps, double storedBytes,
             RateDerivatives::AtTime& out) const {
    out.time = time;
    const double qt = q_ * time;
    if (qt == 0.0) {
      out.d.resize(chain_.rateNames.size(), 0.0);
      return;
    }
    const PoissonWindow w = poissonWindow(qt, epsilon / (2 * qt + 2));
    double slope = 0.0;
    out.why = sweep(w, maxSteps, storedBytes, out.d, slope, out.steps);
    out.timeDerivative = qt * slope;
  }

  // d/dθ_k of Σ_j c_j·U(t_j): the weights β_n of every time, each times its
  // c_j, summed into one sequence that one sweep takes.  The sequence holds
  // a weight per step: it must fit where the distributions do.
  std::string solve(const std::vector<double>& times, const std::vector<double>& c, double epsilon,
                    long maxSteps, double storedBytes, Array1<double>& d) const {
    double longest = 0.0;
    for (double t : times) longest = std::max(longest, q_ * t);
    const double most = std::min(static_cast<double>(maxSteps), storedBytes / sizeof(double));
    if (longest > most) {
      return "the derivative needs more than " + std::to_string(static_cast<long>(most)) +
             " steps of the uniformized chain";
    }
    PoissonWindow sum;  // from step 0
    for (std::size_t j = 0; j < times.size(); ++j) {
      const double qt = q_ * times[j];
      const PoissonWindow w =
          qt == 0.0 ? PoissonWindow{0, {1.0}, {}} : poissonWindow(qt, epsilon / (2 * qt + 2));
      const std::size_t end = static_cast<std::size_t>(w.first) + w.p.size();
      if (sum.p.size() < end) sum.p.resize(end, 0.0);
      for (std::size_t i = 0; i < w.p.size(); ++i) {
        sum.p[static_cast<std::size_t>(w.first) + i] += c[j] * w.p[i];
      }
    }
    double slope = 0.0;
    long steps = 0;
    return sweep(sum, maxSteps, storedBytes, d, slope, steps);
  }

 private:
  // The derivatives by rate name of Σ_n γ_n·f·v_n, with γ the window's
  // weights (0 outside it), into d; into `slope` Σ_n (γ_{n−1} − γ_n)·f·v_n,
  // which is dU/dT / q where γ are the Poisson weights of one time.  Returns
  // why there are none, or "".
  std::string sweep(const PoissonWindow& w, long maxSteps, double storedBytes, Array1<double>& d,
                    double& slope, long& steps) const {
    const long last = w.first + static_cast<long>(w.p.size()) - 1;
    if (last <= 0) {  // γ_0·f(initial): no rate moves it
      d.resize(chain_.rateNames.size(), 0.0);
      return "";
    }
    if (last > maxSteps) {
      return "the derivative needs more than " + std::to_string(maxSteps) +
             " steps of the uniformized chain";
    }
    const auto beta = [&](long k) {
      return k < w.first || k > last ? 0.0 : w.p[static_cast<std::size_t>(k - w.first)];
    };
    const int n = chain_.nstates;
    // All distributions when they fit, else every block-th and one block
    // at a time: about 2√last of them, the least two levels can keep.
    const double fit = std::floor(storedBytes / (static_cast<double>(n) * sizeof(double)));
    const long root = static_cast<long>(std::ceil(std::sqrt(last * 1.0)));
    const long block = last <= fit ? last : root;
    const long blocks = (last + block - 1) / block;
    if (static_cast<double>(block + (blocks > 1 ? blocks : 0)) > fit) {
      return "the derivative's " + std::to_string(last) + " steps need more than " +
             std::to_string(static_cast<long>(storedBytes / (1 << 20))) +
             " MiB for the distributions it keeps";
    }
    // Every block-th distribution: the start of each block.
    std::vector<Array1<double>> starts;
    Array1<double> v(n, 0.0);
    for (int s = 1; s <= n; ++s) v(step_.position(s)) = flow_.start(s);
    const auto copy = [n](const Array1<double>& from) {
      Array1<double> to(n);
      to.copyFrom(from, n);
      return to;
    };
    for (long j = 0; j < last && blocks > 1; ++j) {
      if (j % block == 0) starts.push_back(copy(v));
      step_.apply(v);
    }
    if (blocks == 1) starts.push_back(std::move(v));
    steps = last * (blocks > 1 ? 3 : 2);
    Array1<double> sum(chain_.rateNames.size(), 0.0);
    Array1<double> g(n, 0.0);
    for (int p = 1; p <= n; ++p) g(p) = beta(last) * failed_(p);
    std::vector<Array1<double>> held;
    for (long b = blocks - 1; b >= 0; --b) {
      const long from = b * block;
      const long to = std::min(from + block, last);  // v_from .. v_{to-1}
      held.clear();
      held.push_back(std::move(starts[static_cast<std::size_t>(b)]));
      for (long j = from + 1; j < to; ++j) {
        held.push_back(copy(held.back()));
        step_.apply(held.back());
      }
      for (long m = to; m > from; --m) {
        const double* x = held[static_cast<std::size_t>(m - 1 - from)].begin();
        // dU/dT = q Σ_n (β_{n−1} − β_n)·u_n with u_n = f·v_n.
        double failed = 0.0;
        for (int p : failures_) failed += x[p];
        slope += (beta(m - 2) - beta(m - 1)) * failed;
        double* total = sum.begin();
        if (m == last) {
          double next = 0.0;  // u_last = v_{last−1}·(P f)
          for (int p = 1; p <= n; ++p) next += x[p - 1] * failedNext_(p);
          slope += (beta(last - 1) - beta(last)) * next;
        }
        for (const Still& a : still_) {
          total[a.name - 1] += a.multiplier * x[a.from] * (g(a.to + 1) - g(a.from + 1));
        }
        step_.applyBack(g, [&](int p, int a, double difference) {
          total[name_[static_cast<std::size_t>(a)] - 1] +=
              multiplier_[static_cast<std::size_t>(a)] * x[p] * difference;
        });
        const double weight = beta(m - 1);
        if (weight == 0.0) continue;
        for (int p = 1; p <= n; ++p) g(p) += weight * failed_(p);
      }
    }
    d.resize(sum.size(), 0.0);
    for (int k = 1; k <= sum.size(); ++k) d(k) = sum(k) / q_;
    return "";
  }

  const Chain& chain_;
  const Flow& flow_;
  double q_;
  Uniformized step_;
  Array1<double> failed_;       // by position
  std::vector<int> failures_;  // their 0-based positions
  std::vector<int> name_;  // by the step's arc, 0-based
  std::vector<double> multiplier_;
  // The arcs of states whose rates are all 0: 0-based positions.
  struct Still {
    int from;
    int to;
    int name;
    double multiplier;
  };
  std::vector<Still> still_;
  Array1<double> failedNext_;  // P f, by position
};

// The bytes the kept distributions may take: as asked, else 256 MiB or the
// chain's own tables, arcs and states, twice over, where that is more.
double adjointBudget(const Chain& chain, double storedBytes) {
  return storedBytes > 0.0
             ? storedBytes
             : std::max(adjointBytes, 2.0 * (chain.narcs() * 16.0 + chain.nstates * 24.0));
}

double uniformRate(const Chain& chain, const Array1<double>& rate) {
  return std::max(fastestExit(chain, rate), std::numeric_limits<double>::min());
}

}  // namespace

RateDerivatives rateDerivatives(const Chain& chain, const Array1<double>& rate,
                                const Array1<int>& order, int initial,
                                const std::vector<double>& times, double epsilon, long maxSteps,
                                double storedBytes) {
  RateDerivatives out;
  const Flow flow = chainFlow(chain, rate, initial);
  if (reachesTruncation(chain, flow, order, initial)) {
    out.mttfWhy = truncatedRun;
    for (double t : times) out.unreliability.push_back({t, {}, truncatedRun});
    return out;
  }
  out.mttfWhy = mttfDerivatives(chain, rate, flow, order, out.mttf);
  if (!out.mttfWhy.empty()) out.mttf = Array1<double>();
  const UnreliabilityAdjoint adjoint(chain, flow, order, uniformRate(chain, rate));
  const double budget = adjointBudget(chain, storedBytes);
  for (double t : times) {
    RateDerivatives::AtTime at;
    adjoint.solve(t, epsilon, maxSteps, budget, at);
    out.unreliability.push_back(std::move(at));
  }
  return out;
}

std::string weightedDerivatives(const Chain& chain, const Array1<double>& rate,
                                const Array1<int>& order, int initial,
                                const std::vector<double>& times, const std::vector<double>& c,
                                double epsilon, long maxSteps, Array1<double>& d) {
  const Flow flow = chainFlow(chain, rate, initial);
  if (reachesTruncation(chain, flow, order, initial)) return truncatedRun;
  const UnreliabilityAdjoint adjoint(chain, flow, order, uniformRate(chain, rate));
  return adjoint.solve(times, c, epsilon, maxSteps, adjointBudget(chain, 0.0), d);
}

Array1<double> rateValues(const Chain& chain, const Array1<double>& rate) {
  Array1<double> theta(chain.rateNames.size(), 0.0);
  Array1<char> single(chain.rateNames.size(), 0);  // read from an arc of multiplier 1
  for (int a = chain.narcs(); a >= 1; --a) {
    const Arc& arc = chain.arcs(a);
    if (single(arc.rate)) continue;
    // An arc of one unit holds the value itself, not a product rounded.
    theta(arc.rate) = rate(a) / arc.multiplier;
    single(arc.rate) = arc.multiplier == 1 ? 1 : 0;
  }
  return theta;
}

std::vector<Component> chainComponents(const Chain& chain, const Array1<double>& rate) {
  std::map<std::string, int, std::less<>> index;
  for (int k = 1; k <= chain.rateNames.size(); ++k) index.emplace(chain.rateNames(k), k);
  const Array1<double> theta = rateValues(chain, rate);
  std::vector<Component> out;
  std::map<int, std::size_t> byName;  // own rate name -> component
  for (int t = 1; t <= chain.ntypes; ++t) {
    const auto own = index.find(chain.typeNames(t));
    if (own == index.end()) continue;  // no arc fails it: it has no part in the figures
    const auto [at, added] = byName.emplace(own->second, out.size());
    if (added) {
      out.push_back({chain.typeLabels(t), {own->second}, theta(own->second)});
    } else {
      out[at->second].label = chain.typeNames(t);
    }
    const auto dormant = index.find(chain.dormantNames(t));
    std::vector<int>& names = out[at->second].names;
    if (dormant != index.end() &&
        std::find(names.begin(), names.end(), dormant->second) == names.end()) {
      names.push_back(dormant->second);
    }
  }
  return out;
}

double byComponent(const Component& c, const Array1<double>& d, const Array1<double>& theta) {
  if (c.lambda == 0.0) return d(c.names.front());
  double sum = 0.0;
  for (int k : c.names) sum += theta(k) / c.lambda * d(k);
  return sum;
}

Array1<double> withoutRates(const Chain& chain, const Array1<double>& rate,
                            const std::vector<int>& names) {
  Array1<double> out(rate.size(), 0.0);
  for (int a = 1; a <= chain.narcs(); ++a) {
    const int k = chain.arcs(a).rate;
    out(a) = std::find(names.begin(), names.end(), k) == names.end() ? rate(a) : 0.0;
  }
  return out;
}

ComponentMeasures renamedMeasures(ComponentMeasures c, const ModelNames& names) {
  const auto renamed = [](const std::map<std::string, std::string>& by, std::string& name) {
    const auto to = by.find(name);
    if (to != by.end()) name = to->second;
  };
  renamed(names.labels, c.component);
  renamed(names.rates, c.rateName);
  for (auto& rate : c.rates) renamed(names.rates, rate.first);
  return c;
}

void rankComponents(std::vector<ComponentMeasures>& components) {
  // The most critical first; a component without a criticality after all.
  const auto key = [](const ComponentMeasures& m) {
    const double x = m.criticality.empty() ? noMeasure : m.criticality.back();
    return std::isnan(x) ? -std::numeric_limits<double>::infinity() : std::abs(x);
  };
  std::stable_sort(
      components.begin(), components.end(),
      [&](const ComponentMeasures& x, const ComponentMeasures& y) { return key(x) > key(y); });
}

void openChecks(Measures& out) {
  out.elasticitySum.clear();
  for (std::size_t j = 0; j < out.why.size(); ++j) {
    out.elasticitySum.push_back(out.why[j].empty() ? 0.0 : noMeasure);
    if (!out.why[j].empty()) out.timeDerivative[j] = noMeasure;
  }
  out.mttfCriticalitySum = out.mttfWhy.empty() ? 0.0 : noMeasure;
}

void addCriticalities(ComponentMeasures& m, int count, const Figures& figures,
                      const std::vector<Unreliability>& today, Measures& out) {
  m.mttfCriticality = noMeasure;
  if (out.mttfWhy.empty()) {
    m.mttfCriticality = m.lambda * m.dMttf / figures.mttfLower;
    out.mttfCriticalitySum += count * m.mttfCriticality;
  } else {
    m.dMttf = noMeasure;
  }
  m.criticality.clear();
  for (std::size_t j = 0; j < m.dU.size(); ++j) {
    if (!out.why[j].empty()) m.dU[j] = noMeasure;
    m.criticality.push_back(today[j].lower > 0.0 ? m.lambda * m.dU[j] / today[j].lower : noMeasure);
    if (out.why[j].empty()) out.elasticitySum[j] += count * m.lambda * m.dU[j];
  }
}

void perfectFigures(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                    int initial, const std::vector<double>& times, double epsilon, long maxSteps,
                    Figures& figures, std::vector<Unreliability>& u) {
  figures = solveFigures(chain, rate, order, initial);
  Error ignored;  // a time it cannot solve has NaN figures
  solveUnreliability(chain, rate, order, times, epsilon, maxSteps, u, ignored, initial);
}

Measures measureComponents(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                           int initial, const std::vector<double>& times, double epsilon,
                           long maxSteps, const Figures& figures,
                           const std::vector<Unreliability>& today, const Lumping* lumping) {
  Measures out;
  const RateDerivatives d =
      rateDerivatives(chain, rate, order, initial, times, epsilon, maxSteps);
  const Array1<double> theta = rateValues(chain, rate);
  out.mttfWhy = d.mttfWhy;
  for (const RateDerivatives::AtTime& at : d.unreliability) {
    out.why.push_back(at.why);
    out.timeDerivative.push_back(at.timeDerivative);
  }
  openChecks(out);
  const std::vector<Component> components = chainComponents(chain, rate);
  for (std::size_t i = 0; i < components.size(); ++i) {
    const Component& c = components[i];
    ComponentMeasures m;
    m.component = c.label;
    m.rateName = chain.rateNames(c.names.front());
    for (int k : c.names) m.rates.emplace_back(chain.rateNames(k), theta(k));
    m.lambda = c.lambda;
    const std::vector<std::size_t> orbit =
        lumping ? lumping->orbit(i) : std::vector<std::size_t>{i};
    const int n = lumping ? lumping->copies(c) : 1;
    // One element's share of what moves with it.
    const auto share = [&](const Array1<double>& by) {
      double sum = 0.0;
      for (std::size_t o : orbit) sum += byComponent(components[o], by, theta);
      return sum / static_cast<double>(orbit.size() * n);
    };
    m.dMttf = out.mttfWhy.empty() ? share(d.mttf) : noMeasure;
    for (const RateDerivatives::AtTime& at : d.unreliability) {
      m.dU.push_back(at.why.empty() ? share(at.d) : noMeasure);
    }
    addCriticalities(m, n, figures, today, out);
    Figures f;
    std::vector<Unreliability> u;
    if (lumping) {
      m.perfectWhy = lumping->perfect(c, f, u);
    } else {
      perfectFigures(chain, withoutRates(chain, rate, c.names), order, initial, times, epsilon,
                     maxSteps, f, u);
    }
    if (!m.perfectWhy.empty()) {
      f.mttfLower = f.mttfUpper = noMeasure;
      u.resize(times.size());
      for (Unreliability& x : u) x.lower = x.upper = noMeasure;
    }
    m.mttfPerfectLower = f.mttfLower;
    m.mttfPerfectUpper = f.mttfUpper;
    for (std::size_t j = 0; j < times.size(); ++j) {
      m.perfectLower.push_back(u[j].lower);
      m.perfectUpper.push_back(u[j].upper);
    }
    out.components.push_back(std::move(m));
  }
  rankComponents(out.components);
  return out;
}

}  // namespace molvex
