// The derivatives of the figures against closed forms differentiated by
// hand, and the identities that hold for every chain: scaling every rate by
// c divides every time by c, so Σ λ·dMTTF/dλ = −MTTF and
// Σ λ·dU(T)/dλ = T·dU/dT.
#include "importance/importance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "chain/solve.h"
#include "support/model.h"

namespace molvex {
namespace {

using std::exp;

const double a = 1e-3, b = 2.5e-3, c = 4e-4;

struct Derivatives {
  const char* name;
  const char* txt;
  std::vector<double> rates;  // of types A, B, ...
  // dMTTF/dθ of each type; empty where the MTTF is infinite.
  std::vector<double> mttf;
  // dU(T)/dθ of each type.
  std::function<std::vector<double>(double)> unreliability;
};

const std::vector<Derivatives>& cases() {
  static const std::vector<Derivatives> all = {
      // U = 1 − e^{−(a+b)T}: dU/da = dU/db = T e^{−(a+b)T}; MTTF = 1/(a+b).
      {"series",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE OR 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       {-1 / ((a + b) * (a + b)), -1 / ((a + b) * (a + b))},
       [](double t) {
         const double d = t * exp(-(a + b) * t);
         return std::vector<double>{d, d};
       }},
      // U = (1 − e^{−aT})(1 − e^{−bT}): dU/da = T e^{−aT}(1 − e^{−bT});
      // MTTF = 1/a + 1/b − 1/(a+b): dMTTF/da = −1/a² + 1/(a+b)².
      {"parallel",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE AND 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       {-1 / (a * a) + 1 / ((a + b) * (a + b)), -1 / (b * b) + 1 / ((a + b) * (a + b))},
       [](double t) {
         return std::vector<double>{t * exp(-a * t) * (1 - exp(-b * t)),
                                    t * exp(-b * t) * (1 - exp(-a * t))};
       }},
      // The same with B at rate 0: a state left by B's arcs alone has no exit
      // at all, yet dU/db = T e^{−bT}(1 − e^{−aT}) = T(1 − e^{−aT}) there; the
      // system never fails, so the MTTF has no derivative.
      {"parallel, one rate 0",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE AND 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, 0},
       {},
       [](double t) {
         return std::vector<double>{0, t * (1 - exp(-a * t))};
       }},
      // Three units of one type: U = 3p² − 2p³, p = 1 − e^{−aT}, dp/da =
      // T e^{−aT}: dU/da = 6p(1 − p)·T e^{−aT}; MTTF = 5/(6a).
      {"2-of-3",
       "NODE 5 TYPE FBOX INPUT 4\nNODE 4 TYPE 2/3 3 INPUT 1 2 3\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 1\n"
       "NODE 3 TYPE BASIC 1 OF COMPONENT TYPE 1\n",
       {a},
       {-5 / (6 * a * a)},
       [](double t) {
         const double p = 1 - exp(-a * t);
         return std::vector<double>{6 * p * (1 - p) * t * exp(-a * t)};
       }},
      // Cold spare: R = (b e^{−aT} − a e^{−bT})/(b − a), U = 1 − R,
      // dR/da = [(−bT e^{−aT} − e^{−bT})(b − a) + (b e^{−aT} − a e^{−bT})]/(b − a)²,
      // dR/db = [(e^{−aT} + aT e^{−bT})(b − a) − (b e^{−aT} − a e^{−bT})]/(b − a)²;
      // MTTF = 1/a + 1/b.
      {"cold spare",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE CSP 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       {-1 / (a * a), -1 / (b * b)},
       [](double t) {
         const double ea = exp(-a * t), eb = exp(-b * t), r = b * ea - a * eb;
         return std::vector<double>{
             -((-b * t * ea - eb) * (b - a) + r) / ((b - a) * (b - a)),
             -((ea + a * t * eb) * (b - a) - r) / ((b - a) * (b - a))};
       }},
      // A before B: U = (1 − e^{−bT}) − b/(a+b)·(1 − e^{−sT}), s = a + b:
      // dU/da = b/s²·(1 − e^{−sT}) − b/s·T e^{−sT},
      // dU/db = T e^{−bT} − a/s²·(1 − e^{−sT}) − b/s·T e^{−sT}.
      // B first leaves the system working for good: no MTTF.
      {"priority-AND",
       "NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE PAND 2 INPUT 1 2\n"
       "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, b},
       {},
       [](double t) {
         const double s = a + b, es = exp(-s * t);
         return std::vector<double>{b / (s * s) * (1 - es) - b / s * t * es,
                                    t * exp(-b * t) - a / (s * s) * (1 - es) - b / s * t * es};
       }},
      // Trigger C takes both units of A down; the top is their AND.
      // R = e^{−cT}(2e^{−aT} − e^{−2aT}): dU/da = e^{−cT}·2T(e^{−aT} − e^{−2aT}),
      // dU/dc = T·R; MTTF = 2/(a+c) − 1/(2a+c).
      {"dependency",
       "NODE 5 TYPE FBOX INPUT 4\nNODE 4 TYPE AND 2 INPUT 1 2\n"
       "NODE 6 TYPE FDEP 3 INPUT 3 1 2\nNODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\n"
       "NODE 2 TYPE BASIC 1 OF COMPONENT TYPE 1\nNODE 3 TYPE BASIC 1 OF COMPONENT TYPE 2\n",
       {a, c},
       {-2 / ((a + c) * (a + c)) + 2 / ((2 * a + c) * (2 * a + c)),
        -2 / ((a + c) * (a + c)) + 1 / ((2 * a + c) * (2 * a + c))},
       [](double t) {
         const double r = exp(-c * t) * (2 * exp(-a * t) - exp(-2 * a * t));
         return std::vector<double>{exp(-c * t) * 2 * t * (exp(-a * t) - exp(-2 * a * t)), t * r};
       }},
  };
  return all;
}

const std::vector<double> times = {1, 300, 2000, 9000};

TEST(Importance, DerivativesMatchClosedForms) {
  for (const Derivatives& form : cases()) {
    SCOPED_TRACE(form.name);
    const testing::Loaded m(form.txt, form.rates, 0);
    const double epsilon = 1e-12;
    const RateDerivatives d =
        rateDerivatives(m.chain, m.rate, m.order, 1, times, epsilon, stepLimit(m.chain));
    const std::vector<Component> parts = chainComponents(m.chain, m.rate);
    ASSERT_EQ(parts.size(), form.rates.size());
    const Array1<double> theta = rateValues(m.chain, m.rate);
    EXPECT_EQ(d.mttfWhy.empty(), !form.mttf.empty()) << d.mttfWhy;
    for (std::size_t k = 0; k < parts.size(); ++k) {
      const Component& part = parts[k];
      EXPECT_EQ(part.lambda, form.rates[k]);
      if (!form.mttf.empty()) {
        EXPECT_NEAR(byComponent(part, d.mttf, theta), form.mttf[k], 1e-9 * std::abs(form.mttf[k]));
      }
      for (const RateDerivatives::AtTime& at : d.unreliability) {
        ASSERT_EQ(at.why, "");
        // λ·dU/dλ within ε: dU/dλ within ε/λ.
        EXPECT_NEAR(byComponent(part, at.d, theta), form.unreliability(at.time)[k],
                    (part.lambda > 0 ? epsilon / part.lambda : 1e-9) +
                        1e-12 * std::abs(form.unreliability(at.time)[k]))
            << "T = " << at.time;
      }
    }
  }
}

// Kept whole or formed again block by block, the distributions are the same
// numbers in the same order: so are the derivatives.  Where not even the
// blocks fit, the time has none, with the reason.
TEST(Importance, TheDistributionsFormedAgainGiveTheSameDerivatives) {
  const testing::Loaded m(cases()[4].txt, {0.01, 0.02}, 0);
  const std::vector<double> at = {300, 700};
  const long steps = stepLimit(m.chain);
  const double one = m.chain.nstates * sizeof(double);  // a distribution
  const RateDerivatives whole = rateDerivatives(m.chain, m.rate, m.order, 1, at, 1e-12, steps);
  const RateDerivatives blocks =
      rateDerivatives(m.chain, m.rate, m.order, 1, at, 1e-12, steps, 16 * one);
  const RateDerivatives none =
      rateDerivatives(m.chain, m.rate, m.order, 1, at, 1e-12, steps, 3 * one);
  for (std::size_t j = 0; j < at.size(); ++j) {
    EXPECT_GT(blocks.unreliability[j].steps, whole.unreliability[j].steps);
    for (int k = 1; k <= m.chain.rateNames.size(); ++k) {
      EXPECT_EQ(blocks.unreliability[j].d(k), whole.unreliability[j].d(k));
    }
    EXPECT_NE(none.unreliability[j].why.find("MiB for the distributions"), std::string::npos);
  }
}

}  // namespace
}  // namespace molvex
