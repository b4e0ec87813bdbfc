// The uniformized chain the solvers sweep: the Poisson weights of its
// steps, the arcs it follows, and one step of it laid out by the states'
// topological positions, forward for a distribution and backward for a
// function of the states (the adjoint of the same step).
#pragma once

#include <vector>

#include "chain/chain.h"
#include "util/array1.h"

namespace molvex {

// The Poisson probabilities of k = first .. first+p.size()-1 jumps in a time
// in which lambda jumps are expected, the two tails left out each below
// epsilon/4, or the right one only (`keepLeft`).  They are formed relative to the mode and
// normalized by their sum, which avoids the overflow and cancellation of the plain formula at a
// large lambda; what lies beyond 1e-30 of the mode is left out of the sum.
struct PoissonWindow {
  long first = 0;
  std::vector<double> p;
  std::vector<double> after;  // after[i]: the sum of p[i+1 ..]
};

PoissonWindow poissonWindow(double lambda, double epsilon, bool keepLeft = false);

// The arcs a sweep follows, by source, with their rates, and the
// distribution it starts from: a chain's own, or those of a chain whose fast
// states are passed through at once.
struct Flow {
  Array1<int> first;     // 1 .. n+1: the arcs of s are first(s) .. first(s+1)-1
  Array1<int> target;    // by arc
  Array1<double> rate;   // by arc
  Array1<double> start;  // by state
  Array1<double> exit;   // by state: the sum of its arcs' rates
};

void sumExits(Flow& f);

// A chain's own arcs and rates, starting in `initial`.
Flow chainFlow(const Chain& chain, const Array1<double>& rate, int initial);

// One step of the uniformized chain, laid out for the sweep: the states by
// their position in the topological order, each one's arcs beside each
// other with their targets' positions and probabilities, so that a step
// walks the tables from end to start.
class Uniformized {
 public:
  Uniformized(const Flow& flow, const Array1<int>& order, double q)
      : position_(order.size(), 0),
        first_(order.size() + 1, 1),
        target_(flow.target.size(), 1),
        jump_(flow.target.size(), 0.0),
        arc_(flow.target.size(), 1),
        stay_(order.size(), 0.0) {
    const int n = order.size();
    const Array1<double>& exit = flow.exit;
    for (int p = 1; p <= n; ++p) position_(order(p)) = p;
    int next = 1;
    for (int p = 1; p <= n; ++p) {
      const int s = order(p);
      first_(p) = next;
      if (exit(s) == 0.0) continue;      // absorbing: its arcs, if any, never carry mass
      double stays = 1.0 - exit(s) / q;  // what remains among the states that can still move
      for (int a = flow.first(s); a < flow.first(s + 1); ++a) {
        const int t = flow.target(a);
        target_(next) = position_(t);
        jump_(next) = flow.rate(a) / q;
        arc_(next) = a;
        if (exit(t) > 0.0) stays += jump_(next);
        ++next;
      }
      stay_(p) = stays;
    }
    first_(n + 1) = next;
  }

  int position(int state) const { return position_(state); }
  // The arcs of position p (1-based): arcs(p) .. arcs(p+1)-1, each with the
  // flow's own arc number.
  int arcs(int p) const { return first_(p); }
  int arcOf(int i) const { return arc_(i); }

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

  // g_k from g_{k+1} in place, where g is a function of the states by
  // position: g(p) becomes the expected value of g one step after p, the
  // transposed step.  Each position reads only later ones, which are still
  // those of g_{k+1} when the positions are taken in increasing order.
  // `visit` is told each arc (0-based position and arc) with g_{k+1}(target)
  // − g_{k+1}(p), the difference a derivative by the arc's rate weighs.
  template <class Visit>
  void applyBack(Array1<double>& g, Visit&& visit) const {
    double* value = g.begin();
    const int* first = first_.begin();
    const int* target = target_.begin();
    const double* jump = jump_.begin();
    const int n = g.size();
    for (int p = 0; p < n; ++p) {
      const double here = value[p];
      double change = 0.0;
      for (int a = first[p] - 1; a < first[p + 1] - 1; ++a) {
        const double difference = value[target[a] - 1] - here;
        visit(p, a, difference);
        change += jump[a] * difference;
      }
      value[p] = here + change;
    }
  }

 private:
  Array1<int> position_;  // by state
  Array1<int> first_;     // by position: the arcs of p are first(p) .. first(p+1)-1
  Array1<int> target_;    // by arc: the target's position
  Array1<double> jump_;   // by arc: rate / q
  Array1<int> arc_;       // by arc: its number in the flow
  Array1<double> stay_;   // by position: what stays among the movable states
};


}  // namespace molvex
