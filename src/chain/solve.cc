#include "chain/solve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

// The Poisson probabilities of k = first .. first+p.size()-1 jumps in a time
// in which lambda jumps are expected, the two tails left out each below
// epsilon/4.  They are formed relative to the mode and normalized by their
// sum, which avoids the overflow and cancellation of the plain formula at a
// large lambda; what lies beyond 1e-30 of the mode is left out of the sum.
struct PoissonWindow {
  long first = 0;
  std::vector<double> p;
  std::vector<double> after;  // after[i]: the sum of p[i+1 ..]
};

PoissonWindow poissonWindow(double lambda, double epsilon) {
  PoissonWindow w;
  constexpr double negligible = 1e-30;
  const long mode = static_cast<long>(std::floor(lambda));
  std::vector<double> left;  // mode-1, mode-2, ...
  for (long k = mode - 1; k >= 0; --k) {
    const double v = (left.empty() ? 1.0 : left.back()) * static_cast<double>(k + 1) / lambda;
    if (v < negligible) break;
    left.push_back(v);
  }
  w.first = mode - static_cast<long>(left.size());
  w.p.assign(left.rbegin(), left.rend());
  w.p.push_back(1.0);
  for (long k = mode + 1;; ++k) {
    const double v = w.p.back() * lambda / static_cast<double>(k);
    if (v < negligible) break;
    w.p.push_back(v);
  }
  double sum = 0.0;
  for (double v : w.p) sum += v;
  for (double& v : w.p) v /= sum;
  // Trim the tails within the error budget.
  std::size_t lo = 0;
  std::size_t hi = w.p.size();
  double cut = 0.0;
  while (lo + 1 < hi && cut + w.p[lo] <= epsilon / 4) cut += w.p[lo++];
  cut = 0.0;
  while (hi - 1 > lo && cut + w.p[hi - 1] <= epsilon / 4) cut += w.p[--hi];
  w.p =
      std::vector<double>(w.p.begin() + static_cast<long>(lo), w.p.begin() + static_cast<long>(hi));
  w.first += static_cast<long>(lo);
  w.after.assign(w.p.size(), 0.0);
  for (std::size_t i = w.p.size() - 1; i > 0; --i) w.after[i - 1] = w.after[i] + w.p[i];
  return w;
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

// One step of the uniformized chain, laid out for the sweep: the states by
// their position in the topological order, each one's arcs beside each
// other with their targets' positions and probabilities, so that a step
// walks the tables from end to start.
class Uniformized {
 public:
  Uniformized(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
              const Array1<double>& exit, double q)
      : position_(chain.nstates, 0),
        first_(chain.nstates + 1, 1),
        target_(std::max(1, chain.narcs()), 1),
        jump_(std::max(1, chain.narcs()), 0.0),
        stay_(chain.nstates, 0.0) {
    const int n = chain.nstates;
    for (int p = 1; p <= n; ++p) position_(order(p)) = p;
    int next = 1;
    for (int p = 1; p <= n; ++p) {
      const int s = order(p);
      first_(p) = next;
      if (exit(s) == 0.0) continue;      // absorbing: its arcs, if any, never carry mass
      double stays = 1.0 - exit(s) / q;  // what remains among the states that can still move
      for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
        const int t = chain.arcs(a).target;
        target_(next) = position_(t);
        jump_(next) = rate(a) / q;
        if (exit(t) > 0.0) stays += jump_(next);
        ++next;
      }
      stay_(p) = stays;
    }
    first_(n + 1) = next;
  }

  int position(int state) const { return position_(state); }

  // v_{k+1} from v_k in place, as every arc leads to a later position: each
  // state, from the last, hands its outflow to states already updated, then
  // keeps its own share.  Returns the mass left on states that can move.
  // The hot loop of the solver reads the tables through plain pointers; every
  // target position was set above from a checked table.
  double apply(Array1<double>& v) const {
    double* value = v.begin();
    const int* first = first_.begin();
    const int* target = target_.begin();
    const double* jump = jump_.begin();
    const double* stay = stay_.begin();
    double moving = 0.0;
    for (int p = v.size() - 1; p >= 0; --p) {
      const double x = value[p];
      if (x == 0.0 || first[p] == first[p + 1]) continue;
      // What stays is what was not handed on, not x * (1 - exit/q): with a
      // slow state in a fast chain the rounding of that factor loses mass
      // in the same direction at every step, which adds up over millions.
      double given = 0.0;
      for (int a = first[p] - 1; a < first[p + 1] - 1; ++a) {
        const double m = x * jump[a];
        value[target[a] - 1] += m;
        given += m;
      }
      value[p] = x - given;
      moving += x * stay[p];
    }
    return moving;
  }

 private:
  Array1<int> position_;  // by state
  Array1<int> first_;     // by position: the arcs of p are first(p) .. first(p+1)-1
  Array1<int> target_;    // by arc: the target's position
  Array1<double> jump_;   // by arc: rate / q
  Array1<double> stay_;   // by position: what stays among the movable states
};

}  // namespace

int topologicalOrder(const Chain& chain, Array1<int>& order, std::string& error) {
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
  if (tail == chain.nstates) return 1;
  error = chain.model + ".INT: the chain has " + describeCycle(chain, indegree) +
          ", which no generation writes: every transition fails a unit";
  return -1;
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

double longestMeanTime(const Chain& chain, const Array1<double>& rate, const Array1<int>& order) {
  Array1<double> mean(chain.nstates, 0.0);
  double longest = 0.0;
  for (int i = chain.nstates; i >= 1; --i) {
    const int s = order(i);
    const double e = exitRate(chain, rate, s);
    if (e == 0.0) continue;
    double after = 0.0;  // every target comes later in the order: its mean is known
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      after += rate(a) * mean(chain.arcs(a).target);
    }
    mean(s) = (1.0 + after) / e;
    longest = std::max(longest, mean(s));
  }
  return longest;
}

double fastestExit(const Chain& chain, const Array1<double>& rate) {
  double q = 0.0;
  for (int s = 1; s <= chain.nstates; ++s) q = std::max(q, exitRate(chain, rate, s));
  return q;
}

long stepLimit(const Chain& chain) {
  return std::max(1000000L, 100000000000L / (chain.nstates + chain.narcs()));
}

int solveUnreliability(const Chain& chain, const Array1<double>& rate, const Array1<int>& order,
                       const std::vector<double>& times, double epsilon, long maxSteps,
                       std::vector<Unreliability>& out, std::string& error, int initial) {
  const int n = chain.nstates;
  out.clear();
  out.resize(times.size());
  for (std::size_t j = 0; j < times.size(); ++j) {
    out[j].time = times[j];
    out[j].byType.resize(chain.ntypes, 0.0);
  }
  // The uniformized chain: from state s, each arc with rate/q, staying with
  // 1 - exit/q, where q is the largest exit rate.
  Array1<double> exit(n, 0.0);
  double q = 0.0;
  for (int s = 1; s <= n; ++s) {
    exit(s) = exitRate(chain, rate, s);
    q = std::max(q, exit(s));
  }
  if (q == 0.0) {
    // Nothing moves: every time reads the initial state, one term.
    const bool failed = chain.kind(initial) == StateKind::Failure;
    for (Unreliability& u : out) {
      u.terms = 1;
      u.lower = failed ? 1.0 : 0.0;
      u.upper = chain.kind(initial) == StateKind::Expanded ? 0.0 : 1.0;
      u.working = 1.0 - u.upper;
      if (failed) u.byType(chain.type(initial)) = 1.0;
    }
    return 1;
  }
  const Uniformized step(chain, rate, order, exit, q);
  // The absorbing states that the figures read, by position.
  std::vector<int> failures;
  std::vector<int> truncations;
  std::vector<int> expanded;
  for (int p = 1; p <= n; ++p) {
    if (chain.kind(order(p)) == StateKind::Failure) failures.push_back(p);
    if (chain.kind(order(p)) == StateKind::Truncation) truncations.push_back(p);
    if (chain.kind(order(p)) == StateKind::Expanded) expanded.push_back(p);
  }
  double working = -1.0;  // the mass on expanded states at this step, once summed
  const auto add = [&](Unreliability& u, const Array1<double>& v, double weight) {
    for (int p : failures) {
      u.lower += weight * v(p);
      u.byType(chain.type(order(p))) += weight * v(p);
    }
    for (int p : truncations) u.upper += weight * v(p);
    if (working < 0.0) {
      working = 0.0;
      for (int p : expanded) working += v(p);
    }
    u.working += weight * working;
  };

  // The times in the order in which their windows begin.  A window is formed
  // when the sweep reaches its start and dropped when its time is done, so
  // only the windows the sweep is inside are held and visited.
  std::vector<long> start(times.size());
  std::vector<std::size_t> waiting(times.size());
  for (std::size_t j = 0; j < times.size(); ++j) {
    start[j] = windowStart(q * times[j], epsilon, maxSteps);
    waiting[j] = j;
  }
  std::stable_sort(waiting.begin(), waiting.end(),
                   [&](std::size_t x, std::size_t y) { return start[x] < start[y]; });
  std::size_t next = 0;  // the first of `waiting` not formed yet
  struct Active {
    std::size_t time;
    PoissonWindow window;
  };
  std::vector<Active> active;

  Array1<double> v(n, 0.0);  // by position in the topological order
  v(step.position(initial)) = 1.0;
  double moving = exit(initial) > 0.0 ? 1.0 : 0.0;  // the mass on states that can still move
  for (long k = 0;; ++k) {
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
        add(u, v, w.p[a] + (settled ? w.after[a] : 0.0));
      } else if (settled) {
        add(u, v, 1.0);
      }
      if (settled || at == last) {
        u.terms = k + 1;
        active[i] = std::move(active.back());
        active.pop_back();
      } else {
        ++i;
      }
    }
    if (settled) {
      for (; next < waiting.size(); ++next) {
        add(out[waiting[next]], v, 1.0);
        out[waiting[next]].terms = k + 1;
      }
    }
    if (active.empty() && next == waiting.size()) break;
    if (k == maxSteps) {
      const double t = times[active.empty() ? waiting[next] : active.front().time];
      char text[160];
      std::snprintf(text, sizeof text,
                    "time %g needs more than %ld steps of the uniformized chain (q t = %g), "
                    "and the chain does not settle before",
                    t, maxSteps, q * t);
      error = chain.model + ": " + text;
      return -1;
    }
    moving = step.apply(v);
    working = -1.0;
  }
  for (Unreliability& u : out) u.upper += u.lower;
  return 1;
}

}  // namespace molvex
