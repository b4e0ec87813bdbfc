#include "chain/solve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <utility>

#include "chain/uniformized.h"

namespace molvex {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

double exitRate(const Chain& chain, const Array1<double>& rate, int s) {
  double e = 0.0;
  for (int a = chain.first(s); a < chain.first(s + 1); ++a) e += rate(a);
  return e;
}

// Only called once Kahn's algorithm has left states on a cycle: a depth-
// first walk from one of them meets an arc back to a state on its path, and
// both ends of that arc lie on the cycle.
std::string describeCycle(const Chain& chain, const Array1<int>& indegree) {
  Array1<char> colour(chain.nstates, 0);  // 0 unseen, 1 on the path, 2 done
  Array1<int> next(chain.nstates, 0);     // the next arc to follow from each state
  std::vector<int> path;
  for (int root = 1; root <= chain.nstates; ++root) {
    if (indegree(root) == 0 || colour(root) != 0) continue;
    path.push_back(root);
    colour(root) = 1;
    next(root) = chain.first(root);
    while (!path.empty()) {
      const int s = path.back();
      if (next(s) == chain.first(s + 1)) {
        colour(s) = 2;
        path.pop_back();
        continue;
      }
      const int t = chain.arcs(next(s)++).target;
      if (colour(t) == 1) {
        if (t == s) return "a transition from state " + std::to_string(s) + " to itself";
        return "a cycle through states " + std::to_string(t) + " and " + std::to_string(s);
      }
      if (colour(t) == 0) {
        colour(t) = 1;
        next(t) = chain.first(t);
        path.push_back(t);
      }
    }
  }
  return "a cycle";
}

// The first step at which a time's window can begin: the left tail of a
// Poisson variable with mean lambda below lambda - x is at most
// exp(-x^2 / (2 lambda)), so the window never starts earlier than this.
// A window beyond `beyond` is never formed (it could not be summed anyway),
// which also keeps a huge lambda from overflowing the step count.
long windowStart(double lambda, double epsilon, long beyond) {
  const double x = std::sqrt(2.0 * lambda * std::log(4.0 / epsilon));
  const double start = std::floor(lambda - x) - 1;
  if (!(start <= static_cast<double>(beyond))) return beyond + 1;  // NaN included
  return std::max(0L, static_cast<long>(start));
}

}  // namespace

bool topologicalOrder(const Chain& chain, Array1<int>& order, Error& error) {
  Array1<int> indegree(chain.nstates, 0);
  for (int a = 1; a <= chain.narcs(); ++a) ++indegree(chain.arcs(a).target);
  order.resize(chain.nstates);
  int head = 1;
  int tail = 0;
  for (int s = 1; s <= chain.nstates; ++s) {
    if (indegree(s) == 0) order(++tail) = s;
  }
  while (head <= tail) {
    const int s = order(head++);
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      const int t = chain.arcs(a).target;
      if (--indegree(t) == 0) order(++tail) = t;
    }
  }
  if (tail == chain.nstates) return true;
  error = {chain.model + ".INT", 0,
           "the chain has " + describeCycle(chain, indegree) +
               ", which no generation writes: every transition fails a unit"};
  return false;
}

Figures solveFigures(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                     int initial) {
  Figures f;
  Array1<double> reach(chain.nstates, 0.0);  // probability of ever visiting each state
  Array1<char> reachable(chain.nstates, 0);  // by some path: what the counts count
  reach(initial) = 1.0;
  reachable(initial) = 1;
  double time = 0.0;  // expected time before a failure or truncation state
  double truncated = 0.0;
  for (int i = 1; i <= chain.nstates; ++i) {
    const int s = order(i);
    if (reachable(s) == 0) continue;
    const double p = reach(s);
    switch (chain.kind(s)) {
      case StateKind::Failure:
        ++f.failure;
        f.pFailLower += p;
        continue;
      case StateKind::Truncation:
        ++f.truncation;
        truncated += p;
        continue;
      case StateKind::Expanded:
        ++f.operational;
        break;
    }
    f.transitions += chain.first(s + 1) - chain.first(s);
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) reachable(chain.arcs(a).target) = 1;
    const double e = exitRate(chain, rate, s);
    if (e == 0.0) {
      f.pStuck += p;
      continue;
    }
    time += p / e;
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      reach(chain.arcs(a).target) += p * rate(a) / e;
    }
  }
  f.pFailUpper = f.pFailLower + truncated;
  f.mttfLower = f.pStuck > 0.0 ? infinity : time;
  f.mttfUpper = truncated > 0.0 ? infinity : f.mttfLower;
  return f;
}

Array1<double> meanTimes(const Chain& chain, const Array1<double>& rate, const Array1<int>& order) {
  Array1<double> mean(chain.nstates, 0.0);
  for (int i = chain.nstates; i >= 1; --i) {
    const int s = order(i);
    const double e = exitRate(chain, rate, s);
    if (e == 0.0) continue;
    double after = 0.0;  // every target comes later in the order: its mean is known
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      after += rate(a) * mean(chain.arcs(a).target);
    }
    mean(s) = (1.0 + after) / e;
  }
  return mean;
}

double longestMeanTime(const Chain& chain, const Array1<double>& rate, const Array1<int>& order) {
  const Array1<double> mean = meanTimes(chain, rate, order);
  return mean.size() == 0 ? 0.0 : *std::max_element(mean.begin(), mean.end());
}

double fastestExit(const Chain& chain, const Array1<double>& rate) {
  double q = 0.0;
  for (int s = 1; s <= chain.nstates; ++s) q = std::max(q, exitRate(chain, rate, s));
  return q;
}

long stepLimit(const Chain& chain) {
  return std::max(1000000L, 100000000000L / (chain.nstates + chain.narcs()));
}

namespace {

Unreliability blank(const Chain& chain, double time) {
  Unreliability u;
  u.time = time;
  u.byType.resize(chain.ntypes, 0.0);
  return u;
}

// What the figures read off a distribution over the states, by position:
// the failure and truncation states, and the expanded ones.
class Absorbed {
 public:
  Absorbed(const Chain& chain, const Array1<int>& order) : chain_(chain), order_(order) {
    for (int p = 1; p <= chain.nstates; ++p) {
      if (chain.kind(order(p)) == StateKind::Failure) failures_.push_back(p);
      if (chain.kind(order(p)) == StateKind::Truncation) truncations_.push_back(p);
      if (chain.kind(order(p)) == StateKind::Expanded) expanded_.push_back(p);
    }
  }
  // Adds `weight` times what `v` holds to u: its failure states to lower
  // and to each type, its truncation states to upper (which the failures
  // join when u is done), its expanded states to working.
  void add(Unreliability& u, const Array1<double>& v, double weight) const {
    for (int p : failures_) {
      u.lower += weight * v(p);
      u.byType(chain_.type(order_(p))) += weight * v(p);
    }
    for (int p : truncations_) u.upper += weight * v(p);
    u.working += weight * expanded(v);
  }
  double expanded(const Array1<double>& v) const {
    double sum = 0.0;
    for (int p : expanded_) sum += v(p);
    return sum;
  }

 private:
  const Chain& chain_;
  const Array1<int>& order_;
  std::vector<int> failures_;
  std::vector<int> truncations_;
  std::vector<int> expanded_;
};

// Sweeps `flow` for the times `which` of `times` into `out` (blank there),
// each value within epsilon.  A time whose window the sweep does not finish
// within maxSteps steps is left with no terms.
void sweep(const Chain& chain, const Flow& flow, const Array1<int>& order,
           const std::vector<double>& times, const std::vector<std::size_t>& which, double epsilon,
           long maxSteps, std::vector<Unreliability>& out, const SweepProgress& progress) {
  const int n = chain.nstates;
  // The uniformized chain: from state s, each arc with rate/q, staying with
  // 1 - exit/q, where q is the largest exit rate.
  double q = 0.0;
  for (int s = 1; s <= n; ++s) q = std::max(q, flow.exit(s));
  const Uniformized step(flow, order, std::max(q, std::numeric_limits<double>::min()));
  const Absorbed absorbed(chain, order);

  // The times in the order in which their windows begin.  A window is formed
  // when the sweep reaches its start and dropped when its time is done, so
  // only the windows the sweep is inside are held and visited.
  std::vector<long> start(times.size());
  std::vector<std::size_t> waiting = which;
  for (std::size_t j : which) start[j] = windowStart(q * times[j], epsilon, maxSteps);
  std::stable_sort(waiting.begin(), waiting.end(),
                   [&](std::size_t x, std::size_t y) { return start[x] < start[y]; });
  std::size_t next = 0;  // the first of `waiting` not formed yet
  // The steps of the last window, about: its start and eight deviations.
  double steps = 0.0;
  for (std::size_t j : which) {
    steps = std::max(steps, q * times[j] + 8 * std::sqrt(q * times[j]) + 1);
  }
  const long told = static_cast<long>(std::min(steps, static_cast<double>(maxSteps)));
  struct Active {
    std::size_t time;
    PoissonWindow window;
  };
  std::vector<Active> active;

  Array1<double> v(n, 0.0);  // by position in the topological order
  double moving = 0.0;       // the mass on states that can still move
  for (int s = 1; s <= n; ++s) {
    v(step.position(s)) = flow.start(s);
    if (flow.exit(s) > 0.0) moving += flow.start(s);
  }
  for (long k = 0; k <= maxSteps; ++k) {
    while (next < waiting.size() && start[waiting[next]] <= k) {
      const std::size_t j = waiting[next++];
      active.push_back({j, poissonWindow(q * times[j], epsilon)});
    }
    // Once the moving mass is below epsilon/2, no later step changes the
    // absorbed probabilities by more: the rest of each window's weight goes
    // to what they are now.
    const bool settled = moving <= epsilon / 2;
    for (std::size_t i = 0; i < active.size();) {
      const PoissonWindow& w = active[i].window;
      Unreliability& u = out[active[i].time];
      const long at = k - w.first;
      const long last = static_cast<long>(w.p.size()) - 1;
      if (at >= 0) {
        const std::size_t a = static_cast<std::size_t>(at);
        absorbed.add(u, v, w.p[a] + (settled ? w.after[a] : 0.0));
      } else if (settled) {
        absorbed.add(u, v, 1.0);
      }
      if (settled || at == last) {
        u.terms = k + 1;
        u.upper += u.lower;
        active[i] = std::move(active.back());
        active.pop_back();
      } else {
        ++i;
      }
    }
    if (settled) {
      for (; next < waiting.size(); ++next) {
        Unreliability& u = out[waiting[next]];
        absorbed.add(u, v, 1.0);
        u.terms = k + 1;
        u.upper += u.lower;
      }
    }
    if (active.empty() && next == waiting.size()) break;
    if (progress && k % 4096 == 0) progress(k, told);
    moving = step.apply(v);
  }
}

// The arcs of the states `keep` holds; the others keep none.
Flow arcsOf(const Flow& flow, const std::function<bool(int)>& keep) {
  Flow f;
  const int n = flow.start.size();
  TableStore<int> first(1, 1);
  TableStore<int> target;
  TableStore<double> rate;
  for (int s = 1; s <= n; ++s) {
    for (int a = flow.first(s); keep(s) && a < flow.first(s + 1); ++a) {
      target.push_back(flow.target(a));
      rate.push_back(flow.rate(a));
    }
    first.push_back(static_cast<int>(target.size()) + 1);
  }
  target.resize(std::max<std::size_t>(target.size(), 1), 1);
  rate.resize(target.size(), 0.0);
  f.first = Array1<int>(std::move(first));
  f.target = Array1<int>(std::move(target));
  f.rate = Array1<double>(std::move(rate));
  f.start.resize(n, 0.0);
  for (int s = 1; s <= n; ++s) f.start(s) = flow.start(s);
  sumExits(f);
  return f;
}

// The most fast states a path from the start passes.
int mostFastOnAPath(const Flow& flow, const Array1<int>& order, double fastest) {
  const int n = order.size();
  Array1<int> most(n, 0);
  int longest = 0;
  for (int i = n; i >= 1; --i) {
    const int s = order(i);
    int after = 0;
    for (int a = flow.first(s); a < flow.first(s + 1); ++a) {
      after = std::max(after, most(flow.target(a)));
    }
    most(s) = after + (flow.exit(s) >= fastest ? 1 : 0);
    if (flow.start(s) > 0.0) longest = std::max(longest, most(s));
  }
  return longest;
}

// P(Poisson(x) < m): the probability that m sojourns of rate 1 outlast x.
double sojournsOutlast(int m, double x) {
  double sum = 0.0;
  for (int k = 0; k < m; ++k) sum += std::exp(-x + k * std::log(x) - std::lgamma(k + 1.0));
  return sum;
}

// The chain with its fast states, those leaving at `fastest` or faster,
// passed in no time by the slow states' uniformized steps, and the time
// they take carried as moments instead.  Mass reached after n steps of the
// slow rate qs, having spent G in fast states, sits in a slow state at time
// t with the probability Pois(n; qs (t - G)), which is the series
// sum_k (qs G)^k / k! D^k Pois(n; qs t), D the backward difference in n
// (d/dx Pois(n; x) = -D Pois(n; x)).  So each state carries the layers
// E[(qs G)^k / k!], k = 0 .. K, of the mass on it, and a fast state of exit
// rate e passes each layer on convolved with (qs/e)^k, the moments of one
// sojourn there.  With at most L fast sojourns of rate e_min or faster on a
// path, E[(qs G)^k / k!] <= C(L + k - 1, k) (qs/e_min)^k, and D^k sums to 2^k
// in absolute value over n: the layers left out cost at most
// sum_(k > K) C(L + k - 1, k) rho^k, rho = 2 qs/e_min.  The series holds
// while G stays below t, which all but P(Poisson(e_min t) < L) of the mass
// does.
class FastPassed {
 public:
  FastPassed(const Chain& chain, const Flow& flow, const Array1<int>& order, double fastest)
      : absorbed_(chain, order) {
    const int n = chain.nstates;
    const auto fast = [&](int s) { return flow.exit(s) >= fastest; };
    for (int s = 1; s <= n; ++s) {
      if (!fast(s)) qs_ = std::max(qs_, flow.exit(s));
    }
    slow_ = arcsOf(flow, [&](int s) { return !fast(s); });
    step_ = std::make_unique<Uniformized>(slow_, order, std::max(qs_, tiny));
    for (int i = 1; i <= n; ++i) {
      const int s = order(i);
      if (!fast(s)) {
        if (flow.exit(s) > 0.0) movers_.push_back(i);
        continue;
      }
      FastState f{i, qs_ / flow.exit(s), {}};
      for (int a = flow.first(s); a < flow.first(s + 1); ++a) {
        f.arcs.emplace_back(step_->position(flow.target(a)), flow.rate(a) / flow.exit(s));
      }
      fast_.push_back(std::move(f));
    }
    fastSojourns_ = mostFastOnAPath(flow, order, fastest);
    layers_.emplace_back(n, 0.0);
    for (int s = 1; s <= n; ++s) layers_[0](step_->position(s)) = flow.start(s);
  }

  double qs() const { return qs_; }
  int fastSojourns() const { return fastSojourns_; }

  // Carries layers 0 .. k-1 (k of them).
  void keep(std::size_t k) {
    while (layers_.size() < k) layers_.emplace_back(layers_[0].size(), 0.0);
  }
  std::size_t layers() const { return layers_.size(); }

  // Passes the mass on the fast states on to the slow ones, in the order in
  // which the fast states lead to each other.
  void pass() {
    const std::size_t k = layers_.size();
    std::vector<double> in(k);
    std::vector<double> out(k);
    for (const FastState& f : fast_) {
      bool any = false;
      for (std::size_t i = 0; i < k; ++i) {
        in[i] = std::exchange(layers_[i](f.position), 0.0);
        any = any || in[i] != 0.0;
      }
      if (!any) continue;
      for (std::size_t i = 0; i < k; ++i) {  // out = in convolved with ratio^j
        out[i] = 0.0;
        double power = 1.0;
        for (std::size_t j = 0; j <= i; ++j, power *= f.ratio) out[i] += in[i - j] * power;
      }
      for (const auto& [p, share] : f.arcs) {
        for (std::size_t i = 0; i < k; ++i) layers_[i](p) += out[i] * share;
      }
    }
  }

  // One step of the slow states, in every layer.
  void step() {
    for (Array1<double>& v : layers_) step_->apply(v);
  }

  double moving() const {
    double sum = 0.0;
    for (int p : movers_) sum += layers_[0](p);
    return sum;
  }
  void add(Unreliability& u, std::size_t layer, double weight) const {
    absorbed_.add(u, layers_[layer], weight);
  }

 private:
  static constexpr double tiny = std::numeric_limits<double>::min();
  struct FastState {
    int position;
    double ratio;                              // qs / its exit rate
    std::vector<std::pair<int, double>> arcs;  // target position, probability
  };
  Absorbed absorbed_;
  Flow slow_;
  double qs_ = 0.0;
  std::unique_ptr<Uniformized> step_;
  std::vector<FastState> fast_;  // in topological order
  std::vector<int> movers_;      // slow states with arcs, by position
  int fastSojourns_ = 0;
  std::vector<Array1<double>> layers_;  // by k: E[(qs G)^k / k!] by position
};

// The layers that leave out at most `budget`: the least K with
// sum_(k > K) C(L + k - 1, k) rho^k <= budget; 0 when rho is too large.
std::size_t layersFor(int fastSojourns, double rho, double budget) {
  constexpr std::size_t most = 64;
  if (!(rho < 0.5)) return 0;
  std::vector<double> term(1, 1.0);  // C(L + k - 1, k) rho^k
  for (std::size_t k = 1; k < 4 * most; ++k) {
    term.push_back(term.back() * (fastSojourns + static_cast<double>(k) - 1) /
                   static_cast<double>(k) * rho);
  }
  // The tails summed from the far end: a total less its head would lose the
  // digits of a small tail.
  std::vector<double> beyond(term.size() + 1, 0.0);  // beyond[k]: the sum of term[k ..]
  for (std::size_t k = term.size(); k > 0; --k) beyond[k - 1] = beyond[k] + term[k - 1];
  for (std::size_t k = 1; k <= most; ++k) {
    if (beyond[k] <= budget) return k;
  }
  return 0;
}

// The times of `which` that the chain with its states leaving at `fastest`
// or faster passed serves, into `out` (with terms); the others are left as
// they were: where the bounds below cannot be kept or the slow steps would
// pass `maxSteps`.  Each value within epsilon: an eighth from the right tail
// of the slow steps' Poisson window, a quarter from the moving mass left
// once it settles, an eighth from the layers left out, an eighth from fast
// sojourns outlasting a time.  The left tail is kept whole: time spent in
// fast states leaves the slow clock behind, which weighs the first steps by
// up to E[exp(qs G)], far more than their Poisson probabilities.
void sweepFastPassed(const Chain& chain, const Flow& flow, const Array1<int>& order, double fastest,
                     const std::vector<double>& times, const std::vector<std::size_t>& which,
                     double epsilon, long maxSteps, std::vector<Unreliability>& out) {
  FastPassed passed(chain, flow, order, fastest);
  const int sojourns = passed.fastSojourns();
  const double qs = passed.qs();
  const std::size_t layers = layersFor(sojourns, 2 * qs / fastest, epsilon / 8);
  if (layers == 0) return;
  passed.keep(layers);
  struct Time {
    std::size_t j;
    PoissonWindow window;
    Unreliability u;
  };
  std::vector<Time> active;
  for (std::size_t j : which) {
    if (qs * times[j] <= static_cast<double>(maxSteps) &&
        sojournsOutlast(sojourns, fastest * times[j]) <= epsilon / 8) {
      active.push_back(
          {j, poissonWindow(qs * times[j], epsilon / 2, true), blank(chain, times[j])});
    }
  }
  for (long n = 0;; ++n) {
    passed.pass();
    const bool settled = passed.moving() <= epsilon / 4;
    for (std::size_t i = 0; i < active.size();) {
      Time& t = active[i];
      const PoissonWindow& w = t.window;
      const long last = w.first + static_cast<long>(w.p.size()) - 1;
      const auto pois = [&](long k) {
        return k < w.first || k > last ? 0.0 : w.p[static_cast<std::size_t>(k - w.first)];
      };
      // D^k of the Poisson row at n; settled, its sum from n on, which for
      // k >= 1 is -D^(k-1) at n - 1.
      std::vector<double> row(layers);
      const long at = settled ? n - 1 : n;
      for (std::size_t k = 0; k < layers; ++k) {
        double binomial = 1.0;
        for (std::size_t d = 0; d <= k; ++d) {
          row[k] += ((d % 2) != 0 ? -binomial : binomial) * pois(at - static_cast<long>(d));
          binomial = binomial * static_cast<double>(k - d) / static_cast<double>(d + 1);
        }
      }
      double before = 0.0;  // the row's sum before n
      for (long m = w.first; settled && m < n && m <= last; ++m) before += pois(m);
      for (std::size_t k = 0; k < layers; ++k) {
        passed.add(t.u, k, !settled ? row[k] : k == 0 ? 1.0 - before : -row[k - 1]);
      }
      if (settled || n >= last) {
        // The series' round-off may pass 1 by a few units of the last place.
        t.u.terms = n + 1;
        t.u.lower = std::min(1.0, t.u.lower);
        t.u.upper = std::min(1.0, t.u.upper + t.u.lower);
        t.u.working = std::max(0.0, 1.0 - t.u.upper);
        out[t.j] = std::move(t.u);
        active[i] = std::move(active.back());
        active.pop_back();
      } else {
        ++i;
      }
    }
    if (active.empty()) return;
    passed.step();
  }
}

// The exit rates at which the fast states of a chain may begin, the widest
// gaps first: each a distinct exit rate whose next slower one, times the
// shortest time, takes at most `steps` steps.
std::vector<double> fastThresholds(const Flow& flow, double shortest, long steps) {
  std::vector<double> exits;
  for (int s = 1; s <= flow.exit.size(); ++s) {
    if (flow.exit(s) > 0.0) exits.push_back(flow.exit(s));
  }
  std::sort(exits.begin(), exits.end());
  exits.erase(std::unique(exits.begin(), exits.end()), exits.end());
  std::vector<std::pair<double, double>> gaps;  // (ratio, threshold)
  for (std::size_t i = 0; i < exits.size(); ++i) {
    const double slower = i == 0 ? 0.0 : exits[i - 1];
    if (slower * shortest <= static_cast<double>(steps)) {
      gaps.emplace_back(slower == 0.0 ? std::numeric_limits<double>::infinity() : exits[i] / slower,
                        exits[i]);
    }
  }
  std::sort(gaps.begin(), gaps.end(), std::greater<>());
  std::vector<double> thresholds;
  for (const auto& g : gaps) thresholds.push_back(g.second);
  return thresholds;
}

// The steps of a sweep that cost about what generating the chain did.
long cheapSteps(const Chain& chain) {
  return std::max(10000L, 100000000L / (chain.nstates + chain.narcs()));
}

// The steps beyond which the fast states are passed first: where the plain
// sweep takes more, a chain it would sweep that long has its fast and slow
// states far apart, or has long settled.
constexpr long plainSteps = 10000;

// The widest gaps tried for passing the fast states: each costs a sweep.
constexpr std::size_t gapsTried = 3;

}  // namespace

bool solveUnreliability(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                        const std::vector<double>& times, double epsilon, long maxSteps,
                        std::vector<Unreliability>& out, Error& error, int initial,
                        const SweepProgress& progress) {
  out.clear();
  for (double t : times) out.push_back(blank(chain, t));
  const Flow flow = chainFlow(chain, rate, initial);
  double q = 0.0;
  for (int s = 1; s <= chain.nstates; ++s) q = std::max(q, flow.exit(s));
  // A time the plain sweep takes many steps for has the fast states of its
  // chain passed in no time, the fast ones beginning in each of the widest
  // gaps of the exit rates in turn; where none serves, it goes to the plain
  // sweep as far as maxSteps allows.
  const long cheap = std::min(maxSteps, cheapSteps(chain));
  const double many = static_cast<double>(std::min(maxSteps, plainSteps));
  std::vector<std::size_t> plain;
  std::vector<std::size_t> stiff;
  double shortest = std::numeric_limits<double>::infinity();
  for (std::size_t j = 0; j < times.size(); ++j) {
    (q * times[j] <= many ? plain : stiff).push_back(j);
    if (q * times[j] > many) shortest = std::min(shortest, times[j]);
  }
  // Each gap serves the times it can; the others try the next.
  const std::vector<double> thresholds = fastThresholds(flow, shortest, cheap);
  for (std::size_t g = 0; g < thresholds.size() && g < gapsTried && !stiff.empty(); ++g) {
    sweepFastPassed(chain, flow, order, thresholds[g], times, stiff, epsilon, cheap, out);
    std::erase_if(stiff, [&](std::size_t j) { return out[j].terms > 0; });
  }
  for (std::size_t j : stiff) {
    if (windowStart(q * times[j], epsilon, maxSteps) <= maxSteps) plain.push_back(j);
  }
  sweep(chain, flow, order, times, plain, epsilon, maxSteps, out, progress);
  bool solved = true;
  for (std::size_t j = 0; j < times.size(); ++j) {
    if (out[j].terms > 0) continue;
    out[j].lower = out[j].upper = out[j].working = std::numeric_limits<double>::quiet_NaN();
    if (solved) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "time %g needs more than %ld steps of the uniformized chain (q t = %g), "
                    "and the chain does not settle before",
                    times[j], maxSteps, q * times[j]);
      error = chain.model + ": " + text;
      solved = false;
    }
  }
  return solved;
}

}  // namespace molvex
