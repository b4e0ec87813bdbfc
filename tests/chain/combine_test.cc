// The figures of independent parts under static gates against closed forms
// worked out by hand.  Each part is given by its exact failure curve, so
// what is checked is the combination and the integral, with its bound.
#include "chain/combine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace molvex {
namespace {

using std::exp;
using Kind = StaticNode::Kind;

struct Part {
  std::function<double(double)> failed;  // by time t
  PartBounds bounds;
};

// A basic event of rate a.
Part event(double a) {
  return {[a](double t) { return 1 - exp(-a * t); }, {a, 1 / a, 0, 0}};
}

// A cold pair, rates a then b: R = (b e^-at - a e^-bt) / (b - a).
Part pair(double a, double b) {
  return {[a, b](double t) { return 1 - (b * exp(-a * t) - a * exp(-b * t)) / (b - a); },
          {std::max(a, b), 1 / a + 1 / b, 0, 0}};
}

// Rate a, but with probability s it stops for good, unfailed, at its one
// transition: F = (1 - s)(1 - e^-at).
Part stopping(double a, double s) {
  return {[a, s](double t) { return (1 - s) * (1 - exp(-a * t)); }, {a, 1 / a, s, 0}};
}

StaticNode gate(Kind kind, std::vector<int> inputs, int k = 0) {
  StaticNode n;
  n.kind = kind;
  n.inputs = std::move(inputs);
  n.k = k;
  return n;
}

StaticNode leaf(int part) {
  StaticNode n;
  n.part = part;
  return n;
}

// A gate over the parts, node i + 1 standing for part i.
StaticTree over(Kind kind, int parts, int k = 0) {
  std::vector<int> inputs;
  for (int i = 1; i <= parts; ++i) inputs.push_back(i);
  StaticTree tree = {gate(kind, inputs, k)};
  for (int i = 0; i < parts; ++i) tree.push_back(leaf(i));
  return tree;
}

struct Case {
  const char* what;
  StaticTree tree;
  std::vector<Part> parts;
  std::function<double(double)> reliability;  // of the top
  double mttf;
};

std::vector<Case> cases() {
  const double a = 0.3, b = 1.7, c = 0.05, d = 2.2;
  const auto r = [](double x, double t) { return exp(-x * t); };
  std::vector<Case> out;
  // Series: R = e^-(a+b)t, MTTF = 1/(a+b).
  out.push_back({"OR of two events",
                 over(Kind::orGate, 2),
                 {event(a), event(b)},
                 [=](double t) { return r(a + b, t); },
                 1 / (a + b)});
  // Parallel: R = e^-at + e^-bt - e^-(a+b)t.
  out.push_back({"AND of two events",
                 over(Kind::andGate, 2),
                 {event(a), event(b)},
                 [=](double t) { return r(a, t) + r(b, t) - r(a + b, t); },
                 1 / a + 1 / b - 1 / (a + b)});
  // Two of three fail it: R = sum of the pairs working - 2 all three working.
  out.push_back(
      {"2 of 3 events",
       over(Kind::voting, 3, 2),
       {event(a), event(b), event(c)},
       [=](double t) { return r(a + b, t) + r(a + c, t) + r(b + c, t) - 2 * r(a + b + c, t); },
       1 / (a + b) + 1 / (a + c) + 1 / (b + c) - 2 / (a + b + c)});
  // Two cold pairs in series: the product of (b e^-at - a e^-bt)/(b-a) and
  // (d e^-ct - c e^-dt)/(d-c), integrated term by term.
  out.push_back({"OR of two cold pairs",
                 over(Kind::orGate, 2),
                 {pair(a, b), pair(c, d)},
                 [=](double t) {
                   return (b * r(a, t) - a * r(b, t)) / (b - a) * (d * r(c, t) - c * r(d, t)) /
                          (d - c);
                 },
                 (b * d / (a + c) - b * c / (a + d) - a * d / (b + c) + a * c / (b + d)) /
                     ((b - a) * (d - c))});
  // AND over an OR: R = 1 - (1 - e^-(a+b)t)(1 - e^-ct).
  {
    StaticTree tree = {gate(Kind::andGate, {1, 4}), gate(Kind::orGate, {2, 3}), leaf(0), leaf(1),
                       leaf(2)};
    out.push_back({"AND of an OR and an event",
                   tree,
                   {event(a), event(b), event(c)},
                   [=](double t) { return r(a + b, t) + r(c, t) - r(a + b + c, t); },
                   1 / (a + b) + 1 / c - 1 / (a + b + c)});
  }
  // Rates a million apart, in series and in parallel.
  const double slow = 1e-6;
  out.push_back({"OR of a fast and a slow event",
                 over(Kind::orGate, 2),
                 {event(1), event(slow)},
                 [=](double t) { return r(1 + slow, t); },
                 1 / (1 + slow)});
  out.push_back({"AND of a fast and a slow event",
                 over(Kind::andGate, 2),
                 {event(1), event(slow)},
                 [=](double t) { return r(1, t) + r(slow, t) - r(1 + slow, t); },
                 1 + 1 / slow - 1 / (1 + slow)});
  // A part that may stop unfailed (s) in series with one that fails:
  // R = (s + (1-s) e^-at) e^-bt, MTTF = s/b + (1-s)/(a+b).
  const double s = 0.4;
  out.push_back({"OR of a part that may stop and an event",
                 over(Kind::orGate, 2),
                 {stopping(a, s), event(b)},
                 [=](double t) { return (s + (1 - s) * r(a, t)) * r(b, t); },
                 s / b + (1 - s) / (a + b)});
  // In parallel the same part keeps the top working for ever with chance s.
  out.push_back({"AND of a part that may stop and an event",
                 over(Kind::andGate, 2),
                 {stopping(a, s), event(b)},
                 [=](double t) { return 1 - (1 - s) * (1 - r(a, t)) * (1 - r(b, t)); },
                 std::numeric_limits<double>::infinity()});
  return out;
}

TEST(CombinedParts, GiveTheClosedFormsWithinTheirStatedBound) {
  for (const Case& k : cases()) {
    std::vector<PartBounds> bounds;
    for (const Part& p : k.parts) bounds.push_back(p.bounds);
    int sweeps = 0;
    const PartSweep sweep = [&](int part, const std::vector<double>& times, double,
                                std::vector<Unreliability>& out, Error&) {
      ++sweeps;
      out.clear();
      out.resize(times.size());
      for (std::size_t j = 0; j < times.size(); ++j) {
        out[j].time = times[j];
        out[j].lower = out[j].upper = k.parts[static_cast<std::size_t>(part)].failed(times[j]);
        out[j].working = 1 - out[j].upper;
      }
      return true;
    };
    for (double t : {0.0, 0.5, 3.0, 40.0}) {
      std::vector<double> failed;
      for (const Part& p : k.parts) failed.push_back(p.failed(t));
      EXPECT_NEAR(topFailure(k.tree, failed), 1 - k.reliability(t), 1e-15) << k.what << " t=" << t;
    }
    CombinedMttf m;
    Error error;
    ASSERT_TRUE(combinedMttf(k.tree, bounds, {}, sweep, m, error)) << k.what << error.message();
    EXPECT_EQ(m.lower, m.upper) << k.what;
    if (std::isinf(k.mttf)) {
      EXPECT_TRUE(std::isinf(m.lower)) << k.what;
      EXPECT_EQ(sweeps, 0) << k.what;
      continue;
    }
    EXPECT_LE(m.relativeError, 1e-9) << k.what;
    // The bound is a bound: the figure lies within it of the closed form.
    EXPECT_LE(std::abs(m.lower - k.mttf), std::max(m.relativeError, 1e-14) * k.mttf)
        << k.what << ": " << m.lower << " against " << k.mttf;
  }
}

// Truncation states counted as failed give the lower bound; counted as
// working, a part that reaches them may never fail, and an OR above it
// still does through its other input.  Part 1: rate a into failure or, with
// probability p, a truncation state: R_lower = e^-at, R_upper = p + (1-p) e^-at.
TEST(CombinedParts, BoundTheMeanTimeAfterTruncation) {
  const double a = 0.5, b = 2.0, p = 0.25;
  const StaticTree tree = over(Kind::orGate, 2);
  const std::vector<PartBounds> bounds = {{a, 1 / a, 0, p}, {b, 1 / b, 0, 0}};
  const PartSweep sweep = [&](int part, const std::vector<double>& times, double,
                              std::vector<Unreliability>& out, Error&) {
    out.clear();
    out.resize(times.size());
    for (std::size_t j = 0; j < times.size(); ++j) {
      const double t = times[j];
      out[j].time = t;
      out[j].lower = part == 0 ? (1 - p) * (1 - exp(-a * t)) : 1 - exp(-b * t);
      out[j].upper = part == 0 ? 1 - exp(-a * t) : out[j].lower;
      out[j].working = 1 - out[j].upper;
    }
    return true;
  };
  CombinedMttf m;
  Error error;
  ASSERT_TRUE(combinedMttf(tree, bounds, {}, sweep, m, error)) << error.message();
  EXPECT_NEAR(m.lower, 1 / (a + b), 1e-9 / (a + b));
  EXPECT_NEAR(m.upper, p / b + (1 - p) / (a + b), 1e-9);
}

}  // namespace
}  // namespace molvex
