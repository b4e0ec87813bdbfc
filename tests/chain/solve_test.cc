// The figures of solved chains against closed forms worked out by hand.
// Each model is generated from its text description, read back and solved,
// so the reader and the generation's numbering are checked with the numbers.
#include "chain/solve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "chain/chain.h"
#include "chain/rates.h"
#include "stategen/ft2mc.h"
#include "support/console.h"
#include "support/model.h"

namespace molvex {
namespace {

using std::exp;

struct Solved {
  Figures figures;
  std::vector<Unreliability> at;
};

using testing::Loaded;

// The model solved at `times`.
Solved solve(const std::string& txt, const std::vector<double>& rates,
             const std::vector<double>& times, int ntrunc = 0) {
  const Loaded m(txt, rates, ntrunc);
  Solved s;
  Error error;
  s.figures = solveFigures(m.chain, m.rate, m.order);
  EXPECT_TRUE(
      solveUnreliability(m.chain, m.rate, m.order, times, 1e-12, stepLimit(m.chain), s.at, error))
      << error.message();
  for (const Unreliability& u : s.at) {
    double sum = 0.0;
    for (int t = 1; t <= m.chain.ntypes; ++t) sum += u.byType(t);
    EXPECT_NEAR(sum, u.lower, 1e-12) << "the breakdown adds up to the unreliability";
  }
  return s;
}

constexpr double inf = std::numeric_limits<double>::infinity();

struct ClosedForm {
  const char* name;
  const char* txt;
  std::vector<double> rates;
  double mttf;  // inf where the system need not fail
  double pFail;
  std::function<double(double)> unreliability;
  std::vector<double> times;
};

const double a = 1e-3, b = 2.5e-3, c = 4e-4;

const char* const fourInParallel =
    "NODE 6 TYPE FBOX INPUT 5\nNODE 5 TYPE AND 4 INPUT 1 2 3 4\n"
    "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n"
    "NODE 3 TYPE BASIC 1 OF COMPONENT TYPE 3\nNODE 4 TYPE BASIC 1 OF COMPONENT TYPE 4\n";

const std::vector<ClosedForm>& closedForms() {
  static const std::vector<ClosedForm> cases = {
      // Series: the first of two exponentials, rate a+b.
      {"series",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE OR 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       1 / (a + b),
       1,
       [](double t) { return 1 - exp(-(a + b) * t); },
       {0, 10, 400, 1e4}},
      // Parallel: the last of two, F = Fa Fb; MTTF = 1/a + 1/b - 1/(a+b).
      {"parallel",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE AND 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       1 / a + 1 / b - 1 / (a + b),
       1,
       [](double t) { return (1 - exp(-a * t)) * (1 - exp(-b * t)); },
       {10, 700, 5e4}},
      // 2-of-3 of one rate: F = 3p^2 - 2p^3 with p = 1 - e^{-at}; the
      // sojourns 1/(3a) and 1/(2a) give the MTTF 5/(6a).
      {"2-of-3",
       "NODE 5 TYPE FBOX INPUT 4\nNODE 4 TYPE 2/3 3 INPUT 1 2 3\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 1\n"
       "NODE 3 TYPE BASIC 1 OF COMPONENT TYPE 1\n",
       {a},
       5 / (6 * a),
       1,
       [](double t) {
         const double p = 1 - exp(-a * t);
         return 3 * p * p - 2 * p * p * p;
       },
       {1, 300, 3000}},
      // A cold spare: the spare starts when the primary fails, so the
      // lifetime is Exp(a) + Exp(b), hypoexponential:
      // F = 1 - (b e^{-at} - a e^{-bt}) / (b - a); MTTF = 1/a + 1/b.
      {"cold spare",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE CSP 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       1 / a + 1 / b,
       1,
       [](double t) { return 1 - (b * exp(-a * t) - a * exp(-b * t)) / (b - a); },
       {50, 1500, 2e4}},
      // Priority-AND: fails when A fails no later than B.  It ever fails
      // with probability a/(a+b); by t, F = P(A < B <= t)
      // = int_0^t b e^{-bs} (1 - e^{-as}) ds = (1 - e^{-bt}) - b/(a+b) (1 - e^{-(a+b)t}).
      // B first leaves a working system for good: the MTTF is infinite.
      {"priority-AND",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE PAND 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       inf,
       a / (a + b),
       [](double t) { return (1 - exp(-b * t)) - b / (a + b) * (1 - exp(-(a + b) * t)); },
       {20, 800, 1e5}},
      // A dependency: trigger C takes A and B down; the top is A AND B.
      // The system survives t while C does and one of A, B does:
      // R = e^{-ct} (2 e^{-at} - e^{-2at}), so MTTF = 2/(a+c) - 1/(2a+c).
      {"dependency",
       "NODE 5 TYPE FBOX INPUT 4\nNODE 4 TYPE AND 2 INPUT 1 2\n"
       "NODE 6 TYPE FDEP 3 INPUT 3 1 2\nNODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\n"
       "NODE 2 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 3 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, c},
       2 / (a + c) - 1 / (2 * a + c),
       1,
       [](double t) { return 1 - exp(-c * t) * (2 * exp(-a * t) - exp(-2 * a * t)); },
       {5, 900, 3e4}},
      // Stiff: a parallel pair with rates 1 and 1e-6, to within the error
      // bound of 1e-12 the solver states (the closed forms themselves are
      // good to a few 1e-16).  At t = 1e6 the
      // uniformized chain needs about a million steps (q t = 1e6), and the
      // slow component keeps the mass from settling before.
      {"stiff parallel",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE AND 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {1, 1e-6},
       1 + 1e6 - 1 / (1 + 1e-6),
       1,
       [](double t) { return (1 - exp(-t)) * (1 - exp(-1e-6 * t)); },
       {1e-3, 1, 1e3, 1e6, 3e6}},
  };
  return cases;
}

TEST(Solve, FiguresMatchClosedForms) {
  for (const ClosedForm& k : closedForms()) {
    SCOPED_TRACE(k.name);
    const Solved s = solve(k.txt, k.rates, k.times);
    if (std::isinf(k.mttf)) {
      EXPECT_TRUE(std::isinf(s.figures.mttfLower));
    } else {
      EXPECT_NEAR(s.figures.mttfLower / k.mttf, 1.0, 1e-9);
    }
    EXPECT_EQ(s.figures.mttfUpper, s.figures.mttfLower);
    EXPECT_NEAR(s.figures.pFailLower, k.pFail, 1e-12);
    EXPECT_EQ(s.figures.pFailUpper, s.figures.pFailLower);
    for (const Unreliability& u : s.at) {
      EXPECT_NEAR(u.lower, k.unreliability(u.time), 1e-12) << "t = " << u.time;
      EXPECT_EQ(u.upper, u.lower);
    }
  }
}

TEST(Solve, StiffAndLongTimesTakeFewSteps) {
  // q t = 1e6 steps of the fast unit for a plain sweep; passed in no time,
  // the slow unit's q t = 1 takes a handful.
  const Solved s = solve(closedForms()[6].txt, {1, 1e-6}, {1e6});
  EXPECT_LT(s.at[0].terms, 100);
  // Where everything has long failed, the moving mass settles within a few
  // hundred steps whatever the time.
  const Solved late = solve(closedForms()[0].txt, {a, b}, {1e9});
  EXPECT_NEAR(late.at[0].lower, 1.0, 1e-12);
  EXPECT_LT(late.at[0].terms, 20000);
}

// The promise "each value within epsilon" itself, not only at 1e-12: the
// tails the sweep leaves out are its whole error, so a loose epsilon and
// times along the curve show a tail cut too generously.
TEST(Solve, EveryValueLiesWithinTheEpsilonAsked) {
  for (const int k : {1, 3, 5}) {
    const ClosedForm& form = closedForms()[k];
    SCOPED_TRACE(form.name);
    const Loaded m(form.txt, form.rates, 0);
    std::vector<double> times;
    for (double t = 10; t < 2e4; t *= 1.05) times.push_back(t);
    for (const double epsilon : {0.3, 0.1, 0.01, 1e-4, 1e-7}) {
      std::vector<Unreliability> at;
      Error error;
      ASSERT_TRUE(solveUnreliability(m.chain, m.rate, m.order, times, epsilon, stepLimit(m.chain),
                                     at, error))
          << error.message();
      double worst = 0.0;
      for (const Unreliability& u : at) {
        worst = std::max(worst, std::abs(u.lower - form.unreliability(u.time)));
      }
      EXPECT_LE(worst, epsilon) << "epsilon " << epsilon;
    }
  }
}

// Rates a billion apart, at times where the plain sweep would take up to
// 1e12 steps of the fastest rate: the fast states tick on a clock of their
// own.  F for each, with f = 1000 and s = 1e-6:
// - parallel: (1 - e^{-ft}) (1 - e^{-st});
// - a slow unit with a fast cold spare, which the slow one's failure feeds
//   at any time: Exp(s) + Exp(f), 1 - (f e^{-st} - s e^{-ft}) / (f - s);
// - a fast unit with a slow cold spare: the same sum, the same F;
// - a dependency: the fast trigger takes down both slow units of an AND,
//   R = e^{-ft} (2 e^{-st} - e^{-2st}).
TEST(Solve, StiffChainsAtLongTimesStayWithinEpsilon) {
  const double f = 1000, s = 1e-6;
  const auto sum = [=](double t) { return 1 - (f * exp(-s * t) - s * exp(-f * t)) / (f - s); };
  const std::vector<ClosedForm> stiff = {
      {"parallel",
       closedForms()[1].txt,
       {f, s},
       0,
       1,
       [=](double t) { return -std::expm1(-f * t) * -std::expm1(-s * t); },
       {}},
      {"slow unit, fast spare", closedForms()[3].txt, {s, f}, 0, 1, sum, {}},
      {"fast unit, slow spare", closedForms()[3].txt, {f, s}, 0, 1, sum, {}},
      {"fast trigger",
       closedForms()[5].txt,
       {s, f},
       0,
       1,
       [=](double t) { return 1 - exp(-f * t) * (2 * exp(-s * t) - exp(-2 * s * t)); },
       {}},
      {"four in parallel",
       fourInParallel,
       {f, 1, 1e-3, s},
       0,
       1,
       [=](double t) {
         return -std::expm1(-f * t) * -std::expm1(-t) * -std::expm1(-1e-3 * t) *
                -std::expm1(-s * t);
       },
       {}},
  };
  std::vector<double> times;
  for (double t = 1e4; t <= 1e9; t *= 3) times.push_back(t);
  for (const ClosedForm& form : stiff) {
    SCOPED_TRACE(form.name);
    const Loaded m(form.txt, form.rates, 0);
    for (const double epsilon : {1e-12, 1e-6, 0.01}) {
      std::vector<Unreliability> at;
      Error error;
      ASSERT_TRUE(solveUnreliability(m.chain, m.rate, m.order, times, epsilon, stepLimit(m.chain),
                                     at, error))
          << error.message();
      for (const Unreliability& u : at) {
        EXPECT_LE(std::abs(u.lower - form.unreliability(u.time)), epsilon)
            << "t = " << u.time << ", epsilon " << epsilon;
        EXPECT_LT(u.terms, 100000) << "t = " << u.time;
      }
    }
  }
}

// A long sweep says how far it has come, out of about how many steps.
TEST(Solve, ALongSweepTellsItsSteps) {
  const Loaded m(closedForms()[6].txt, {1, 1e-6}, 0);
  std::vector<std::pair<long, long>> told;
  std::vector<Unreliability> at;
  Error error;
  ASSERT_TRUE(solveUnreliability(m.chain, m.rate, m.order, {5000}, 1e-12, stepLimit(m.chain), at,
                                 error, 1,
                                 [&](long step, long steps) { told.emplace_back(step, steps); }));
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[1].first, 4096);
  EXPECT_GE(told[1].second, at[0].terms);
  EXPECT_LT(told[1].second, at[0].terms + 200);
}

// Rates close together at a time the steps allowed do not reach: that time
// has no figure, the others have theirs.
TEST(Solve, ATimeBeyondTheStepLimitIsRefusedNotGuessed) {
  const Loaded m(closedForms()[1].txt, {1, 1.5}, 0);
  std::vector<Unreliability> at;
  Error error;
  EXPECT_FALSE(solveUnreliability(m.chain, m.rate, m.order, {0.1, 5}, 1e-12, 30, at, error));
  EXPECT_EQ(error.message().rfind("M: time 5 needs more than 30 steps of the uniformized chain", 0),
            0u)
      << error.message();
  EXPECT_NEAR(at[0].lower, -std::expm1(-0.1) * -std::expm1(-0.15), 1e-12);
  EXPECT_TRUE(std::isnan(at[1].lower));
}

TEST(Solve, TruncationBoundsEncloseTheCompleteChain) {
  // Four in parallel, cut off after one or two failures: every figure of
  // the complete chain lies within the truncated chain's bounds.
  const double d = 2e-3;
  const char* txt = fourInParallel;
  const std::vector<double> rates = {a, b, c, d};
  const std::vector<double> times = {10, 500, 4000, 1e5};
  const Solved full = solve(txt, rates, times);
  for (int ntrunc : {1, 2}) {
    SCOPED_TRACE(ntrunc);
    const Solved cut = solve(txt, rates, times, ntrunc);
    EXPECT_LE(cut.figures.mttfLower, full.figures.mttfLower);
    EXPECT_TRUE(std::isinf(cut.figures.mttfUpper));
    EXPECT_LE(cut.figures.pFailLower, full.figures.pFailLower + 1e-15);
    EXPECT_GE(cut.figures.pFailUpper, full.figures.pFailLower - 1e-15);
    for (std::size_t i = 0; i < times.size(); ++i) {
      EXPECT_LE(cut.at[i].lower, full.at[i].lower + 1e-12);
      EXPECT_GE(cut.at[i].upper, full.at[i].lower - 1e-12);
      EXPECT_LT(cut.at[i].lower, cut.at[i].upper);
    }
  }
  // Cut off after one failure of four parallel units, the chain keeps the
  // states of one failure and sends every second failure to a truncation
  // state; it never reaches a failure state.  The lower bound is 0, the
  // upper bound the probability of two or more failures,
  // 1 - prod R_i - sum_i (1 - R_i) prod_{j != i} R_j with R_i = e^{-l_i t},
  // and the MTTF bound the mean time to the second failure,
  // 1/S + sum_i (l_i / S) / (S - l_i) with S the sum of the rates.
  const Solved one = solve(txt, rates, times, 1);
  EXPECT_EQ(one.figures.pFailLower, 0.0);
  const double sum = a + b + c + d;
  double second = 1 / sum;
  for (double l : rates) second += l / sum / (sum - l);
  EXPECT_NEAR(one.figures.mttfLower / second, 1.0, 1e-9);
  for (const Unreliability& u : one.at) {
    double none = 1.0;
    for (double l : rates) none *= exp(-l * u.time);
    double single = 0.0;
    for (double l : rates) single += (1 - exp(-l * u.time)) * none / exp(-l * u.time);
    EXPECT_EQ(u.lower, 0.0);
    EXPECT_NEAR(u.upper, 1 - none - single, 1e-12);
  }
}

}  // namespace
}  // namespace molvex
