#include "chain/uniformized.h"

#include <algorithm>
#include <cmath>

namespace molvex {

PoissonWindow poissonWindow(double lambda, double epsilon, bool keepLeft) {
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
  while (!keepLeft && lo + 1 < hi && cut + w.p[lo] <= epsilon / 4) cut += w.p[lo++];
  cut = 0.0;
  while (hi - 1 > lo && cut + w.p[hi - 1] <= epsilon / 4) cut += w.p[--hi];
  w.p =
      std::vector<double>(w.p.begin() + static_cast<long>(lo), w.p.begin() + static_cast<long>(hi));
  w.first += static_cast<long>(lo);
  w.after.assign(w.p.size(), 0.0);
  for (std::size_t i = w.p.size() - 1; i > 0; --i) w.after[i - 1] = w.after[i] + w.p[i];
  return w;
}

void sumExits(Flow& f) {
  const int n = f.start.size();
  f.exit.resize(n, 0.0);
  for (int s = 1; s <= n; ++s) {
    for (int a = f.first(s); a < f.first(s + 1); ++a) f.exit(s) += f.rate(a);
  }
}

Flow chainFlow(const Chain& chain, const Array1<double>& rate, int initial) {
  Flow f;
  const int m = std::max(1, chain.narcs());
  f.first.resize(chain.nstates + 1, 1);
  for (int s = 1; s <= chain.nstates + 1; ++s) f.first(s) = chain.first(s);
  f.target.resize(m, 1);
  f.rate.resize(m, 0.0);
  for (int a = 1; a <= chain.narcs(); ++a) {
    f.target(a) = chain.arcs(a).target;
    f.rate(a) = rate(a);
  }
  f.start.resize(chain.nstates, 0.0);
  f.start(initial) = 1.0;
  sumExits(f);
  return f;
}

}  // namespace molvex
