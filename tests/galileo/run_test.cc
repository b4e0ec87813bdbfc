// Galileo models taken to their figures: each example of examples/galileo
// imported, generated and solved by `molvex run`, against figures worked out
// by hand; `run` against the three steps done one by one; `import` on the
// files of the user.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/report.h"
#include "gates/depchk.h"
#include "support/command.h"
#include "support/console.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;
using testing::jsonNumber;
using testing::runCommand;

const double infinite = std::numeric_limits<double>::infinity();

std::string example(const std::string& name) {
  return (fs::path(MOLVEX_SOURCE_DIR) / "examples" / "galileo" / name).string();
}

struct Figures {
  double mttf;                                 // lower = upper without truncation
  double pFail;                                // the probability of failing at all
  std::function<double(double)> lower, upper;  // the unreliability at t
};

struct Example {
  std::string file;
  std::vector<std::string> options;  // --trunc
  std::vector<double> times;
  Figures figures;
};

// Closed forms.  Exponential lifetimes throughout: a basic event of rate l
// has failed by t with probability 1 - exp(-l t).
double failed(double rate, double t) { return 1.0 - std::exp(-rate * t); }

// The sum of two exponential stages of rates a != b: the time to failure of
// a cold standby pair, of a sequence, of two failures in a row.
double twoStages(double a, double b, double t) {
  return 1.0 - (b * std::exp(-a * t) - a * std::exp(-b * t)) / (b - a);
}

// The sum of exponential stages of distinct rates l_i:
// F = 1 - sum_i e^-l_i t prod_{j != i} l_j / (l_j - l_i).
double stages(const std::vector<double>& rates, double t) {
  double survive = 0;
  for (std::size_t i = 0; i < rates.size(); ++i) {
    double weight = std::exp(-rates[i] * t);
    for (std::size_t j = 0; j < rates.size(); ++j) {
      if (j != i) weight *= rates[j] / (rates[j] - rates[i]);
    }
    survive += weight;
  }
  return 1 - survive;
}

std::vector<Example> examples() {
  std::vector<Example> out;
  // and: both pumps fail.  F = (1-e^-at)(1-e^-bt); MTTF = 1/a + 1/b - 1/(a+b).
  {
    const double a = 0.001, b = 0.002;
    const auto f = [=](double t) { return failed(a, t) * failed(b, t); };
    out.push_back({"and.dft", {}, {500, 2000}, {1 / a + 1 / b - 1 / (a + b), 1, f, f}});
  }
  // or: the first failure of two: an exponential of rate a + b.
  {
    const double a = 1e-3, b = 5e-4;
    const auto f = [=](double t) { return failed(a + b, t); };
    out.push_back({"or.dft", {}, {100, 1000}, {1 / (a + b), 1, f, f}});
  }
  // 2of3 of identical sensors, p = 1-e^-lt: F = 3p^2(1-p) + p^3 = 3p^2 - 2p^3;
  // MTTF = 1/(3l) + 1/(2l), the first failure and the second.
  {
    const double l = 0.01;
    const auto f = [=](double t) {
      const double p = failed(l, t);
      return 3 * p * p - 2 * p * p * p;
    };
    out.push_back({"vote.dft", {}, {10, 100}, {1 / (3 * l) + 1 / (2 * l), 1, f, f}});
  }
  // pand a, b, c (rates 1, 2, 3) fails when A < B < C.  P(A < B < z) =
  // (1-e^-bz) - b/(a+b) (1-e^-(a+b)z), so F(t) = int_0^t c e^-cz P(A < B < z) dz
  // = (1-e^-ct) - c/(b+c)(1-e^-(b+c)t) - b/(a+b)[(1-e^-ct) - c/(a+b+c)(1-e^-(a+b+c)t)],
  // which tends to a/(a+b+c) * b/(b+c) = 1/15.  In every other order the
  // system never fails: no mean time to failure.
  {
    const double a = 1, b = 2, c = 3;
    const auto f = [=](double t) {
      return failed(c, t) - c / (b + c) * failed(b + c, t) -
             b / (a + b) * (failed(c, t) - c / (a + b + c) * failed(a + b + c, t));
    };
    out.push_back({"pand.dft", {}, {0.5, 2}, {infinite, a / (a + b + c) * b / (b + c), f, f}});
  }
  // A pump and two cold spares of the same rate l, one after the other: an
  // Erlang distribution of three stages, F = 1 - e^-lt (1 + lt + (lt)^2/2).
  {
    const double l = 0.01;
    const auto f = [=](double t) {
      const double x = l * t;
      return 1 - std::exp(-x) * (1 + x + x * x / 2);
    };
    out.push_back({"spare.dft", {}, {100, 300}, {3 / l, 1, f, f}});
  }
  // Two lines share a spare: both pumps run (2p); after the first pump's
  // failure its line runs on the spare, and the other pump or the spare
  // ends the system (p + s): two stages 2p, p + s.
  {
    const double p = 0.001, s = 0.003;
    const auto f = [=](double t) { return twoStages(2 * p, p + s, t); };
    out.push_back({"shared.dft", {}, {200, 1000}, {1 / (2 * p) + 1 / (p + s), 1, f, f}});
  }
  // The supply (u) takes both pumps (a, b): the system lives while the supply
  // does and one pump does.  R = e^-ut (e^-at + e^-bt - e^-(a+b)t), MTTF =
  // 1/(u+a) + 1/(u+b) - 1/(u+a+b).
  {
    const double a = 0.002, b = 0.003, u = 0.0005;
    const auto f = [=](double t) {
      return 1 - std::exp(-u * t) * (std::exp(-a * t) + std::exp(-b * t) - std::exp(-(a + b) * t));
    };
    out.push_back(
        {"fdep.dft", {}, {100, 1000}, {1 / (u + a) + 1 / (u + b) - 1 / (u + a + b), 1, f, f}});
  }
  // The battery can fail only after the mains: two stages m, b.
  {
    const double m = 0.001, b = 0.01;
    const auto f = [=](double t) { return twoStages(m, b, t); };
    out.push_back({"seq.dft", {}, {100, 2000}, {1 / m + 1 / b, 1, f, f}});
  }
  // The valve (v) or all three pumps (l each), cut after one failure.  The
  // lower bound is the valve failing before the second pump:
  // int_0^t v e^-vs P(fewer than 2 pumps down at s) ds with P = 3e^-2ls - 2e^-3ls,
  // = 3v/(v+2l)(1-e^-(v+2l)t) - 2v/(v+3l)(1-e^-(v+3l)t).  The upper bound adds the
  // states cut off: 1 - e^-vt (q^3 + 3q^2 p), q = e^-lt, p = 1 - q.
  {
    const double v = 0.001, l = 0.01;
    const auto lower = [=](double t) {
      return 3 * v / (v + 2 * l) * failed(v + 2 * l, t) -
             2 * v / (v + 3 * l) * failed(v + 3 * l, t);
    };
    const auto upper = [=](double t) {
      const double q = std::exp(-l * t);
      return 1 - std::exp(-v * t) * (q * q * q + 3 * q * q * (1 - q));
    };
    out.push_back({"trunc.dft",
                   {"--whole", "--trunc", "1"},
                   {10, 100},
                   {std::nan(""), std::nan(""), lower, upper}});
  }
  return out;
}

void expectNear(double figure, double expected, double tolerance, const std::string& what) {
  if (std::isnan(expected)) return;
  if (std::isinf(expected)) {
    EXPECT_TRUE(std::isinf(figure)) << what << ": " << figure;
  } else {
    EXPECT_NEAR(figure, expected, tolerance) << what;
  }
}

TEST(GalileoRun, EveryExampleGivesTheFiguresWorkedOutByHand) {
  for (const Example& e : examples()) {
    std::vector<std::string> args = {"run", example(e.file), "--json"};
    args.insert(args.end(), e.options.begin(), e.options.end());
    for (double t : e.times) {
      args.push_back("--time");
      args.push_back(std::to_string(t));
    }
    testing::ScratchDir dir;
    const testing::CommandOutcome r = runCommand(args);
    ASSERT_EQ(r.status, 0) << e.file << "\n" << r.err;
    EXPECT_EQ(r.err, "") << e.file;
    const double mttf = jsonNumber(r.out, "mttf_lower");
    expectNear(mttf, e.figures.mttf, 1e-9 * e.figures.mttf, e.file + " MTTF");
    expectNear(jsonNumber(r.out, "mttf_upper"), e.figures.mttf, 1e-9 * e.figures.mttf, e.file);
    expectNear(jsonNumber(r.out, "lower", r.out.find("p_fail")), e.figures.pFail, 1e-12,
               e.file + " P(fail)");
    std::size_t at = 0;
    for (double t : e.times) {
      at = r.out.find("\"time\": ", at + 1);
      ASSERT_NE(at, std::string::npos) << r.out;
      expectNear(jsonNumber(r.out, "lower", at), e.figures.lower(t), 1e-12, e.file);
      expectNear(jsonNumber(r.out, "upper", at), e.figures.upper(t), 1e-12, e.file);
    }
    // Nothing is left behind.
    EXPECT_TRUE(fs::is_empty(dir.path())) << e.file;
  }
}

// Models whose figures depend on the field's meaning of spares and
// dependencies, each with its closed form.  H(x, y) below is twoStages: the
// sum of two exponential stages.  Where the first event of rate c leads to
// one of two second stages, F = sum over them of P(that event) H(c, stage),
// and MTTF = 1/c + sum P(that event) / stage.
struct Meaning {
  std::string what;
  std::string model;
  double mttf;
  std::function<double(double)> unreliability;
};

std::vector<Meaning> meanings() {
  std::vector<Meaning> out;
  const auto branch = [](double c, std::vector<std::pair<double, double>> ways) {
    // ways: (rate of the first event, rate of the second stage after it)
    double mttf = 1 / c;
    for (const auto& [r, stage] : ways) mttf += r / c / stage;
    const auto f = [=](double t) {
      double sum = 0;
      for (const auto& [r, stage] : ways) sum += r / c * twoStages(c, stage, t);
      return sum;
    };
    return std::make_pair(mttf, std::function<double(double)>(f));
  };
  // A warm spare S (rate b, dormant d b) of P (rate a): first P (a) and then
  // S in use (b), or first the dormant S (d b) and then P (a); c = a + d b.
  {
    const double a = 1, b = 3, d = 0.5, c = a + d * b;
    const auto [mttf, f] = branch(c, {{a, b}, {d * b, a}});
    out.push_back(
        {"a warm spare", "toplevel T; T wsp P S; P lambda=1; S lambda=3 dorm=0.5;", mttf, f});
  }
  // A hot spare (hsp, no dorm=) fails from the start at its full rate: the
  // pair fails as an AND, F = (1-e^-at)(1-e^-bt), MTTF = 1/a + 1/b - 1/(a+b).
  {
    const double a = 1, b = 3;
    out.push_back({"a hot spare", "toplevel T; T hsp P S; P lambda=1; S lambda=3;",
                   1 / a + 1 / b - 1 / (a + b),
                   [=](double t) { return failed(a, t) * failed(b, t); }});
  }
  // A warm spare S (s, dormant d s) shared by the gates of P1 and P2 (p
  // each), either gate's failure the system's: the first primary down (2p)
  // takes S, then the other primary or S (p + s) ends it; or the dormant S
  // goes first (d s), then either primary (2p).
  {
    const double p = 1, s = 2, d = 0.25, c = 2 * p + d * s;
    const auto [mttf, f] = branch(c, {{2 * p, p + s}, {d * s, 2 * p}});
    out.push_back({"a warm spare shared by two gates",
                   "toplevel T; T or G1 G2; G1 wsp P1 S; G2 wsp P2 S; P1 lambda=1; P2 lambda=1; "
                   "S lambda=2 dorm=0.25;",
                   mttf, f});
  }
  // A (lambda=0) fails only when X (x) forces it down; with B (b) under an
  // AND: F = (1-e^-xt)(1-e^-bt).
  {
    const double x = 0.5, b = 2;
    out.push_back({"a unit that fails only when forced",
                   "toplevel T; T and A B; F fdep X A; A lambda=0; B lambda=2; X lambda=0.5;",
                   1 / x + 1 / b - 1 / (x + b),
                   [=](double t) { return failed(x, t) * failed(b, t); }});
  }
  // The dependency listed under the OR only attaches: A goes down at a + x,
  // F = (1-e^-(a+x)t)(1-e^-bt).  Were the dependency the trigger's value, X
  // alone would end the system.
  {
    const double a = 1, x = 0.5, b = 2;
    out.push_back({"a dependency listed under an OR",
                   "toplevel T; T or G F; G and A B; F fdep X A; A lambda=1; B lambda=2; "
                   "X lambda=0.5;",
                   1 / (a + x) + 1 / b - 1 / (a + x + b),
                   [=](double t) { return failed(a + x, t) * failed(b, t); }});
  }
  // A warm spare S (1, dormant at half) whose failure forces the primary P
  // (1) down: P first (1) and then S in use (1), or the dormant S first
  // (0.5), which takes P with it at once.  F = 2/3 H(1.5, 1) + 1/3 (1 -
  // e^-1.5t), MTTF = 1/1.5 + 2/3.  Counting S's failure as in use once P
  // is forced would count it twice.
  out.push_back(
      {"a warm spare whose failure forces the primary down",
       "toplevel T; T wsp P S; F fdep S P; P lambda=1; S lambda=1 dorm=0.5;", 1 / 1.5 + 2.0 / 3,
       [](double t) { return 2.0 / 3 * twoStages(1.5, 1, t) + 1.0 / 3 * failed(1.5, t); }});
  // A's failure forces B down; the gates of A and of B share the cold spare
  // S, and A's own gate takes it first, as a failure comes before what it
  // forces.  The top is A's gate: A first (a) leaves it on S (s); B first
  // (b) gives S to B's gate, and A then ends it (a).
  {
    const double a = 1, b = 2, s = 0.5, k = a + b;
    const auto [mttf, f] = branch(k, {{a, s}, {b, a}});
    out.push_back({"the failing unit's gate takes the spare before a gate forced down",
                   "toplevel G0; G0 csp A S; G2 csp B S; F fdep A B; A lambda=1; B lambda=2; "
                   "S lambda=0.5;",
                   mttf, f});
  }
  // Spare modules, their events dormant until taken.  P = or(A, B) (a, b)
  // with the warm spare module S = or(C, D) (c, d, dormant at half): first P
  // (a + b) and then S in use (c + d), or first the dormant S ((c + d) / 2)
  // and then P (a + b).
  {
    const double a = 1, b = 0.5, c = 1, d = 2.5, k = a + b + (c + d) / 2;
    const auto [mttf, f] = branch(k, {{a + b, c + d}, {(c + d) / 2, a + b}});
    out.push_back({"a warm spare module",
                   "toplevel T; T wsp P S; P or A B; S or C D; A lambda=1; B lambda=0.5; "
                   "C lambda=1 dorm=0.5; D lambda=2.5 dorm=0.5;",
                   mttf, f});
  }
  // The cold module S = or(C, D) shared by the gates of P1 and P2 (p each),
  // X (x) forcing the module down: the first primary (2p) takes S, and then
  // C, D, the other primary or X end it (c + d + p + x); or X first (x), and
  // then either primary (2p).
  {
    const double p = 1, x = 0.5, c = 1, d = 2, k = 2 * p + x;
    const auto [mttf, f] = branch(k, {{2 * p, c + d + p + x}, {x, 2 * p}});
    out.push_back({"a shared spare module forced down",
                   "toplevel T; T or G1 G2; G1 csp P1 S; G2 csp P2 S; S or C D; F fdep X S; "
                   "P1 lambda=1; P2 lambda=1; X lambda=0.5; C lambda=1; D lambda=2;",
                   mttf, f});
  }
  // A dependency triggered by a spare module's failure: the warm module M =
  // or(B, C) (1 each, dormant at half) of A (2) forces X, the top, when it
  // fails.  First M dormant (1), at once; or A (2), and then M in use (2):
  // F = 1/3 (1 - e^-3t) + 2/3 H(3, 2), MTTF = 1/3 + 2/3 * 1/2.
  out.push_back({"a dependency triggered by a spare module",
                 "toplevel X; S wsp A M; M or B C; F fdep M X; X lambda=0; A lambda=2; "
                 "B lambda=1 dorm=0.5; C lambda=1 dorm=0.5;",
                 1.0 / 3 + 1.0 / 3,
                 [](double t) { return failed(3, t) / 3 + 2.0 / 3 * twoStages(3, 2, t); }});
  // A cold module with a spare gate inside: S = or(C, M), M = csp(M1, M2),
  // taken when P (p) fails.  Then C (c) ends it, or M1 (m) first and then C
  // or M2 (c + m2): F = c/(c+m) H(p, c+m) + m/(c+m) H(p, c+m, c+m2).
  {
    const double p = 1, c = 0.5, m = 2, m2 = 3;
    out.push_back(
        {"a spare gate inside a spare module",
         "toplevel T; T csp P S; S or C M; M csp M1 M2; P lambda=1; C lambda=0.5; "
         "M1 lambda=2; M2 lambda=3;",
         1 / p + 1 / (c + m) + m / (c + m) / (c + m2), [=](double t) {
           return c / (c + m) * stages({p, c + m}, t) + m / (c + m) * stages({p, c + m, c + m2}, t);
         }});
  }
  // Draws at the start.  A failed from the start (0.3) or never by itself:
  // or(A, B) has then failed at once, or fails with B (b); U = 0.3 + 0.7
  // (1 - e^-bt), MTTF = 0.7/b.
  {
    const double b = 2;
    out.push_back({"an event failed from the start under an OR",
                   "toplevel T; T or A B; A prob=0.3; B lambda=2;", 0.7 / b,
                   [=](double t) { return 0.3 + 0.7 * failed(b, t); }});
  }
  // The primary P failed from the start (0.5): the spare S (s) runs from the
  // start; else P never fails and neither does the gate.  U = 0.5 (1 - e^-st),
  // no mean time to failure.
  {
    const double s = 1;
    out.push_back({"a primary failed from the start",
                   "toplevel T; T csp P S; P prob=0.5; S lambda=1;", infinite,
                   [=](double t) { return 0.5 * failed(s, t); }});
  }
  // A dependency acting with probability 0.4: then A goes down at a + x and
  // or(A, B) at a + x + b; else at a + b.  Under no gate it means the same,
  // and its trigger is used all the same.
  {
    const double a = 2, b = 3, x = 1;
    const auto f = [=](double t) { return 0.4 * failed(a + x + b, t) + 0.6 * failed(a + b, t); };
    out.push_back({"a probabilistic dependency",
                   "toplevel T; T or A B D; D pdep=0.4 X A; X lambda=1; A lambda=2; B lambda=3;",
                   0.4 / (a + x + b) + 0.6 / (a + b), f});
    out.push_back({"a probabilistic dependency under no gate",
                   "toplevel T; T or A B; D pdep=0.4 X A; X lambda=1; A lambda=2; B lambda=3;",
                   0.4 / (a + x + b) + 0.6 / (a + b), f});
  }
  // POR(A, B, C) or D: the POR fails with A if A comes first of the three,
  // a/s (1 - e^-st) by t with s = a + b + c; so R = e^-dt (1 - a/s (1 - e^-st))
  // and MTTF = 1/d - a/s (1/d - 1/(s + d)).
  {
    const double a = 1, b = 2, c = 0.5, d = 0.25, s = a + b + c;
    out.push_back({"a priority-OR gate",
                   "toplevel T; T or P D; P por A B C; A lambda=1; B lambda=2; C lambda=0.5; "
                   "D lambda=0.25;",
                   1 / d - a / s * (1 / d - 1 / (s + d)),
                   [=](double t) { return 1 - std::exp(-d * t) * (1 - a / s * failed(s, t)); }});
  }
  // P1 (p1) forced down by X (x) takes the shared cold spare S (s), as when
  // it fails by itself: the first of P1, X (p1 + x) leaves P2 and S to end
  // the system (p2 + s); P2 first (p2) leaves P1, X and S (p1 + x + s).
  {
    const double p1 = 1, p2 = 2, x = 0.5, s = 3, c = p1 + p2 + x;
    const auto [mttf, f] = branch(c, {{p1 + x, p2 + s}, {p2, p1 + x + s}});
    out.push_back({"a primary forced down takes the shared spare",
                   "toplevel T; T or G1 G2; G1 csp P1 S; G2 csp P2 S; F fdep X P1; P1 lambda=1; "
                   "P2 lambda=2; X lambda=0.5; S lambda=3;",
                   mttf, f});
  }
  return out;
}

TEST(GalileoRun, TheFieldsMeaningGivesTheFiguresWorkedOutByHand) {
  for (const Meaning& m : meanings()) {
    testing::ScratchDir dir;
    dir.write("m.dft", m.model);
    const testing::CommandOutcome r =
        runCommand({"run", "m.dft", "--json", "--time", "0.5", "--time", "2"});
    ASSERT_EQ(r.status, 0) << m.what << "\n" << r.err;
    EXPECT_EQ(r.err, "") << m.what;
    expectNear(jsonNumber(r.out, "mttf_lower"), m.mttf, 1e-9 * m.mttf, m.what);
    std::size_t at = 0;
    for (double t : {0.5, 2.0}) {
      at = r.out.find("\"time\": ", at + 1);
      ASSERT_NE(at, std::string::npos) << r.out;
      EXPECT_NEAR(jsonNumber(r.out, "lower", at), m.unreliability(t), 1e-12) << m.what << " " << t;
    }
  }
}

// The benchmark models of the literature, with the figures the field's
// tools publish for them: 7 digits rounded to the last (within half a unit
// of it), or held to 1e-6 relative by their source.
struct Benchmark {
  std::string file;
  std::vector<std::string> options;
  std::string figure;  // "mttf", or the time of an unreliability
  double published;
  double tolerance;   // absolute
  bool slow = false;  // half a minute: checked where the build is not sanitized
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

// The test's log names the model, not the bytes of the case.
void PrintTo(const Benchmark& b, std::ostream* out) { *out << b.file; }

class GalileoBenchmark : public ::testing::TestWithParam<Benchmark> {};

TEST_P(GalileoBenchmark, GivesThePublishedFigure) {
  const Benchmark& b = GetParam();
  if (b.slow && sanitized) GTEST_SKIP() << "a quarter of an hour under the sanitizers";
  const std::string file =
      (fs::path(MOLVEX_SOURCE_DIR) / "tests" / "galileo" / "benchmarks" / b.file).string();
  std::vector<std::string> args = {"run", file, "--json"};
  args.insert(args.end(), b.options.begin(), b.options.end());
  if (b.figure != "mttf") args.insert(args.end(), {"--time", b.figure});
  testing::ScratchDir dir;
  const testing::CommandOutcome r = runCommand(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const double value = b.figure == "mttf" ? jsonNumber(r.out, "mttf_lower")
                                          : jsonNumber(r.out, "lower", r.out.find("\"time\": "));
  EXPECT_NEAR(value, b.published, b.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Literature, GalileoBenchmark,
    ::testing::Values(Benchmark{"cps.dft", {}, "1", 0.0013567, 0.5e-7},
                      Benchmark{"cas.dft", {}, "1", 0.6579003, 0.5e-7},
                      Benchmark{"mdcs.dft", {}, "1", 0.0666448, 0.5e-7},
                      Benchmark{"ftpp4.dft", {}, "1", 0.0192186, 0.5e-7},
                      Benchmark{"ftpp5.dft", {}, "1", 0.0030616, 0.5e-7},
                      Benchmark{"ftppc.dft", {}, "1", 0.0213576, 0.5e-7, true},
                      Benchmark{"hecs22.dft", {}, "1", 0.00021997582, 0.00021997582e-6},
                      Benchmark{"hecs322.dft", {}, "mttf", 417.9436693, 417.9436693e-6},
                      Benchmark{"hecs322.dft", {}, "100", 0.0410018417, 0.0410018417e-6},
                      Benchmark{"rc.dft", {}, "mttf", 0.6471760795, 0.6471760795e-6}),
    [](const ::testing::TestParamInfo<Benchmark>& param) {
      return param.param.file.substr(0, param.param.file.find('.')) +
             (param.param.figure == "mttf" ? "_mttf" : "_" + param.param.figure);
    });

// Failures in one transition: the failing event is seen first, then what
// each dependency forces down, together.
// - PAND a, b, c with a dependency that takes b and c down together: fails
//   when a fails first (a/(a+b+c+t)) and then b fails before c, or the
//   trigger takes both at once, which counts as in order: (b+t)/(b+c+t).
//   With a, b, c, t = 1, 2, 3, 1: 1/7 * 3/6 = 1/14; were the tie out of
//   order, it would be 1/7 * 2/6.
// - PAND a, b where b's failure forces a down: b is seen first, so only a
//   failing by itself first counts, a/(a+b) = 1/3 for a, b = 1, 2; were the
//   two taken as one moment, every path would, 1.
TEST(GalileoRun, FailuresInOneTransitionAreSeenInTheOrderOfTheDependencies) {
  const std::vector<std::tuple<std::string, double, std::string>> cases = {
      {"toplevel T; T pand A B C; F fdep X B C;\n"
       "A lambda=1; B lambda=2; C lambda=3; X lambda=1;\n",
       1.0 / 14, "tie.dft:1:24: warning: \"C\" can fail in the same transition"},
      {"toplevel T; T pand A B; F fdep B A; A lambda=1; B lambda=2;", 1.0 / 3,
       "tie.dft:1:22: warning: \"B\" can fail in the same transition"},
      // W's failure forces B down before A, in use or dormant alike: never.
      {"toplevel T; T pand A B; G wsp P W; F2 fdep W B; F1 fdep W A; P lambda=1;\n"
       "W lambda=1 dorm=0.5; A lambda=0; B lambda=0;",
       0, "tie.dft:1:22: warning: \"B\" can fail in the same transition"},
  };
  for (const auto& [model, pFail, warning] : cases) {
    testing::ScratchDir dir;
    dir.write("tie.dft", model);
    const testing::CommandOutcome r = runCommand({"run", "tie.dft", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(jsonNumber(r.out, "lower", r.out.find("p_fail")), pFail, 1e-12) << model;
    EXPECT_NE(r.err.find(warning), std::string::npos) << r.err;
  }
}

// A parameter is the rate name of every event given it, in the chain as in
// the rates file; its value comes with --set.  A and B of rate l under an
// AND: F = (1-e^-lt)^2, MTTF = 1/l + 1/l - 1/(2l) = 3/(2l).
TEST(GalileoRun, ParametersTakeTheirValuesFromTheCommandLine) {
  testing::ScratchDir dir;
  dir.write("p.dft", "param lam; toplevel T; T and A B; A lambda=lam; B lambda=lam;");
  const testing::CommandOutcome unset = runCommand({"run", "p.dft"});
  EXPECT_EQ(unset.status, 1);
  EXPECT_NE(unset.err.find("no value for the rate LAM of P.INT"), std::string::npos) << unset.err;
  const testing::CommandOutcome r =
      runCommand({"run", "p.dft", "--whole", "--json", "--set", "LAM=2", "--time", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  // run knows the parameter by its name in the file too.
  EXPECT_EQ(runCommand({"run", "p.dft", "--whole", "--json", "--set", "lam=2", "--time", "1"}).out,
            r.out);
  EXPECT_NEAR(jsonNumber(r.out, "mttf_lower"), 0.75, 1e-12);
  EXPECT_NEAR(jsonNumber(r.out, "lower", r.out.find("\"time\": ")), failed(2, 1) * failed(2, 1),
              1e-12);
  // A rates file gives them too, a name the model has not left alone, and
  // --set over it.
  dir.write("two.rat", "lam 2\nOTHER 7\n");
  dir.write("five.rat", "# over\nLAM 5\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--rates", "two.rat"},
                                               {"--rates", "five.rat", "--set", "LAM=2"}}) {
    std::vector<std::string> command = {"run", "p.dft", "--whole", "--json", "--time", "1"};
    command.insert(command.end(), args.begin(), args.end());
    EXPECT_EQ(runCommand(command).out, r.out) << args[1];
  }
  ASSERT_EQ(runCommand({"import", "p.dft"}).status, 0);
  EXPECT_EQ(dir.read("P.RAT"),
            "# The failure rates of the basic events of p.dft\n"
            "# LAM: the parameter \"lam\", its value here or with --set LAM=VALUE\n");
  ASSERT_EQ(runCommand({"generate", "P"}).status, 0);
  EXPECT_NE(dir.read("P.INT").find(" 1 2    LAM;"), std::string::npos);
  const testing::CommandOutcome byHand =
      runCommand({"solve", "P", "--json", "--set", "LAM=2", "--time", "1"});
  EXPECT_EQ(byHand.out, r.out);
  for (const char* bad : {"Y=1", "LAM", "LAM=-1", "LAM=fast"}) {
    const testing::CommandOutcome refused = runCommand({"solve", "P", "--set", bad});
    EXPECT_EQ(refused.status, 1) << bad;
    EXPECT_NE(refused.err.find("--set"), std::string::npos) << refused.err;
  }
}

// A bound counts the model's failures after the start, and the report the
// states the start can reach.  D drawn failed (0.2) ends the system at once;
// else the cold pair A, B (1 each) does, an Erlang-2 that one failure before
// the cut holds exactly: U(1) = 0.2 + 0.8 (1 - 2/e).
// Stiff models at times where their fast states are passed in no time,
// several times in one call and a loose epsilon.  A cold spare gate of
// sixteen units of rate 1 and one of rate 0.2, beside a gate that never
// fails (its events spread the exit rates): the lifetime is
// Erlang(16, 1) + Exp(0.2), so
// U(t) = P16(t; 1) - e^{-0.2t} 0.8^{-16} P16(t; 0.8), P16(t; r) = P(Gamma(16, r) <= t).
// Its time in fast states weighs the first slow steps by up to 1.25^16,
// so no Poisson probability of them may be left out.  And a pair of rates
// 1 and 1e-6 under AND, asked at a time together with one far beyond it.
TEST(GalileoRun, StiffModelsKeepEpsilonAtEveryTimeAskedTogether) {
  const auto gamma16 = [](double t, double r) {
    double sum = 0.0, term = std::exp(-r * t);
    for (int k = 0; k < 16; ++k, term *= r * t / k) sum += term;
    return 1 - sum;
  };
  std::string spare = "toplevel T; T or C L; C csp";
  for (int i = 1; i <= 16; ++i) spare += " F" + std::to_string(i);
  spare += " S; L and X1 X2 X3 X4 N; S lambda=0.2; N lambda=0;";
  for (int i = 1; i <= 16; ++i) spare += " F" + std::to_string(i) + " lambda=1;";
  for (int i = 1; i <= 4; ++i) {
    spare += " X" + std::to_string(i) + " lambda=" + std::to_string(std::pow(3.9, i)) + ";";
  }
  const struct {
    std::string model;
    std::vector<double> times;
    double epsilon;
    std::function<double(double)> exact;
  } cases[] = {
      {spare,
       {44, 45, 47, 50},
       1e-3,
       [&](double t) {
         return gamma16(t, 1) - std::exp(-0.2 * t) * std::pow(0.8, -16) * gamma16(t, 0.8);
       }},
      {"toplevel T; T and A B; A lambda=1; B lambda=1e-6;",
       {1e4, 3e7, 1e15},
       1e-12,
       [](double t) { return failed(1, t) * failed(1e-6, t); }},
  };
  const auto text = [](double x) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.17g", x);
    return std::string(digits);
  };
  for (const auto& c : cases) {
    testing::ScratchDir dir;
    dir.write("m.dft", c.model);
    std::vector<std::string> args = {"run",    "m.dft",     "--whole",
                                     "--json", "--epsilon", text(c.epsilon)};
    for (double t : c.times) {
      args.push_back("--time");
      args.push_back(text(t));
    }
    const testing::CommandOutcome r = runCommand(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::size_t at = 0;
    for (double t : c.times) {
      at = r.out.find("\"time\": ", at + 1);
      EXPECT_NEAR(jsonNumber(r.out, "lower", at), c.exact(t), c.epsilon) << "t = " << t;
    }
  }
}

TEST(GalileoRun, DrawnModelsAreCutAfterTheModelsFailures) {
  testing::ScratchDir dir;
  dir.write("m.dft", "toplevel S; S or G D; G csp A B; A lambda=1; B lambda=1; D prob=0.2;");
  const testing::CommandOutcome r =
      runCommand({"run", "m.dft", "--json", "--trunc", "1", "--time", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::size_t at = r.out.find("\"time\": ");
  EXPECT_NEAR(jsonNumber(r.out, "lower", at), 0.2 + 0.8 * (1 - 2 / std::exp(1.0)), 1e-12);
  EXPECT_NEAR(jsonNumber(r.out, "upper", at), jsonNumber(r.out, "lower", at), 1e-12);
  // The pair's chain from the start: both working, then B in use; the drawn
  // failure's starts in its failure state; none of the states before the
  // start is counted.
  EXPECT_EQ(jsonNumber(r.out, "operational"), 2);
}

// What the toplevel does not use is told once, however many chains the
// model is solved by: one per draw, one per independent part.
TEST(GalileoRun, WarnsOnceOfWhatTheToplevelDoesNotUse) {
  const std::string unused =
      "warning: nothing under the toplevel \"T\" uses the gate \"U\": it has no part in the "
      "figures\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"toplevel T; T or A B; A prob=0.5; B lambda=1; U and B;",
       "molvex run: m.dft:1:47: " + unused},
      {"toplevel T; T and A B; A lambda=1; B lambda=2; U or A;",
       "molvex run: m.dft:1:48: " + unused},
  };
  for (const auto& [model, message] : cases) {
    testing::ScratchDir dir;
    dir.write("m.dft", model);
    const testing::CommandOutcome r = runCommand({"run", "m.dft"});
    EXPECT_EQ(r.status, 0) << model;
    EXPECT_EQ(r.err, message) << model;
  }
}

// Draws that no chain can start from, or too many chains, are refused with
// the reason.
TEST(GalileoRun, RefusesDrawsItCannotSolve) {
  std::string many = "toplevel T; T or";
  for (int i = 0; i < 13; ++i) many += " E" + std::to_string(i);
  many += ";";
  for (int i = 0; i < 13; ++i) many += " E" + std::to_string(i) + " prob=0.5;";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"toplevel T; T and A B; S seq A B; A lambda=1; B prob=0.5;",
       "molvex run: the events of M drawn failed from the start (prob=) fail a later input of "
       "a sequence before the inputs before it: no chain starts so\n"},
      {many,
       "molvex run: m.dft: 13 draws at the start (prob=, pdep=) make 2^13 chains, more than the "
       "4096 molvex run solves\n"},
  };
  for (const auto& [model, message] : cases) {
    testing::ScratchDir dir;
    dir.write("m.dft", model);
    const testing::CommandOutcome r = runCommand({"run", "m.dft"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, message);
  }
}

// A wrong option of run is told in one line that names run, before the model
// is read: a model that is not there is not what the message is about.
TEST(GalileoRun, ChecksEveryOptionBeforeAnyWork) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--time", "-1"}, "molvex run: --time: '-1' is not a time (a number >= 0)\n"},
      {{"--time", "1", "--time", "inf"},
       "molvex run: --time: 'inf' is not a time (a number >= 0)\n"},
      {{"--trunc", "-1"}, "molvex run: --trunc: '-1' is not a truncation bound (0 or more)\n"},
      {{"--epsilon", "0"}, "molvex run: --epsilon: '0' is not a number from 1e-15 to 0.5\n"},
  };
  for (const auto& [options, message] : cases) {
    std::vector<std::string> args = {"run", "missing.dft"};
    args.insert(args.end(), options.begin(), options.end());
    const testing::CommandOutcome r = runCommand(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, message + "molvex run --help shows its usage\n");
  }
}

// A chain past --max-states: the generation's own messages, then what to do.
// Eighteen events of rates apart under an AND, as one chain: 2^18 states.
TEST(GalileoRun, SaysHowToGetPastTheStateLimit) {
  std::string model = "toplevel T; T and";
  for (int i = 0; i < 18; ++i) model += " E" + std::to_string(i);
  model += ";";
  for (int i = 0; i < 18; ++i) {
    model += " E" + std::to_string(i) + " lambda=" + std::to_string(1 + i) + ";";
  }
  testing::ScratchDir dir;
  dir.write("big.dft", model);
  const testing::CommandOutcome r =
      runCommand({"run", "big.dft", "--whole", "--max-states", "80000"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("F510"), std::string::npos) << r.err;
  const std::string hint =
      "molvex run: the chain of BIG has more than 80000 states: --max-states N raises the limit "
      "(to 10000000 at most), --trunc N cuts the chain after N failures into bounds\n";
  EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), hint.size())), hint);
}

// "-" reads the model from the standard input; a file that cannot be read
// is told with why.  A and B (rates 1, 2) under an AND: MTTF 1 + 1/2 - 1/3.
TEST(GalileoRun, ReadsTheStandardInputAndSaysWhyAFileCannotBeRead) {
  testing::ScratchDir dir;
  fs::create_directory(dir.path() / "folder.dft");
  std::istringstream model("toplevel T; T and A B; A lambda=1; B lambda=2;");
  std::streambuf* const kept = std::cin.rdbuf(model.rdbuf());
  const testing::CommandOutcome input = runCommand({"run", "-", "--json"});
  std::cin.rdbuf(kept);
  ASSERT_EQ(input.status, 0) << input.err;
  EXPECT_NEAR(jsonNumber(input.out, "mttf_lower"), 1 + 1.0 / 2 - 1.0 / 3, 1e-12);
  EXPECT_NE(input.out.find("\"model\": \"STDIN\""), std::string::npos) << input.out;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"missing.dft", "molvex run: missing.dft: not found\n"},
      {"folder.dft", "molvex run: folder.dft: is a directory\n"},
  };
  for (const auto& [file, message] : cases) {
    const testing::CommandOutcome r = runCommand({"run", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, message);
  }
}

// run draws solve's plot of one chain into the user's directory, whether
// the chain is in memory or kept; a model of independent parts has no one
// chain to draw, and a plot that is no .svg is refused.
TEST(GalileoRun, DrawsThePlotOfItsChain) {
  testing::ScratchDir dir;
  dir.write("pand.dft", "toplevel T; T pand A B; A lambda=1; B lambda=2;");
  dir.write("parts.dft", "toplevel T; T and A B; A lambda=1; B lambda=2;");
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{}, std::vector<std::string>{"--keep", "kept"}}) {
    std::vector<std::string> args = {"run", "pand.dft", "--time", "1", "--plot", "p.svg"};
    args.insert(args.end(), extra.begin(), extra.end());
    const testing::CommandOutcome r = runCommand(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream svg(dir.path() / "p.svg");
    const std::string text((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<svg"), std::string::npos) << extra.size();
    EXPECT_NE(text.find("failure by type 2 (B)"), std::string::npos) << extra.size();
    fs::remove(dir.path() / "p.svg");
  }
  const testing::CommandOutcome parts = runCommand({"run", "parts.dft", "--plot", "q.svg"});
  EXPECT_EQ(parts.status, 1);
  EXPECT_EQ(parts.err,
            "molvex run: --plot draws the curve of one chain, and parts.dft is solved by its "
            "independent parts: --whole makes it one\n");
  EXPECT_EQ(runCommand({"run", "pand.dft", "--plot", "p.png"}).status, 2);
  EXPECT_FALSE(fs::exists(dir.path() / "q.svg"));
  EXPECT_FALSE(fs::exists(dir.path() / "p.png"));
}

// A series of times, as a step or a count of steps, and the unreliability
// as CSV lines: the times of the series after those of --time, the values
// those of the JSON report.  A pand of A (rate 1) before B (rate 2).
TEST(GalileoRun, GivesTheCurveAsASeriesOfCsvLines) {
  testing::ScratchDir dir;
  dir.write("pand.dft", "toplevel T; T pand A B; A lambda=1; B lambda=2;");
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"--times", "0:1:0.25"}, {"0", "0.25", "0.5", "0.75", "1"}},
      {{"--times", "0:1/4"}, {"0", "0.25", "0.5", "0.75", "1"}},
      {{"--times", "1:2:0.4", "--time", "7"}, {"7", "1", "1.3999999999999999", "1.8"}},
      {{"--times", "0:0/3", "--times", "5:5:1"}, {"0", "0", "0", "0", "5"}},
  };
  for (const auto& [options, times] : cases) {
    std::vector<std::string> args = {"run", "pand.dft", "--csv"};
    args.insert(args.end(), options.begin(), options.end());
    const testing::CommandOutcome csv = runCommand(args);
    args[2] = "--json";
    const testing::CommandOutcome json = runCommand(args);
    ASSERT_EQ(csv.status, 0) << csv.err;
    std::istringstream lines(csv.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "time,lower,upper");
    std::size_t at = 0;
    for (const std::string& t : times) {
      ASSERT_TRUE(std::getline(lines, line)) << options[1];
      EXPECT_EQ(line.substr(0, line.find(',')), t);
      at = json.out.find("\"time\": ", at + 1);
      const double lower = jsonNumber(json.out, "lower", at);
      EXPECT_EQ(line.substr(line.find(',') + 1),
                molvex::jsonNumber(lower) + "," + molvex::jsonNumber(lower));
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
  }
  for (const char* bad :
       {"1:0:1", "0:1:0", "0:1/0", "0:1/2.5", "-1:1:1", "0:1", "a:b:c", "0:1e9:1e-3"}) {
    EXPECT_EQ(runCommand({"run", "pand.dft", "--times", bad}).status, 2) << bad;
  }
}

// Everything in a directory, names and contents.
std::map<std::string, std::string> filesIn(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    files[fs::relative(entry.path(), dir).string()] =
        entry.is_directory() ? "" : testing::readFile(entry.path());
  }
  return files;
}

// A report with the line that says where its rates came from put aside in
// `rates`.
std::string withoutRates(const std::string& report, std::string& rates) {
  const std::size_t from = report.find("Rates from ");
  const std::size_t to = report.find('\n', from);
  if (from == std::string::npos || to == std::string::npos) return report;
  rates = report.substr(from, to - from);
  return report.substr(0, from) + report.substr(to + 1);
}

// The meaning travels with the imported files: generated without run, a
// model of warm and shared spares and a dependency forcing a primary down
// (cas) gives the same figures.  Run works in memory: it leaves no file in
// the current or the temporary directory; with --keep it writes the files
// generate writes, and the same figures.  Its rates are the model's, or those
// of the rates file it keeps.
TEST(GalileoRun, EqualsImportGenerateAndSolveDoneByHand) {
  const std::string cas =
      (fs::path(MOLVEX_SOURCE_DIR) / "tests" / "galileo" / "benchmarks" / "cas.dft").string();
  for (const auto& [file, model] :
       {std::pair{example("trunc.dft"), "TRUNC"}, std::pair{cas, "CAS"}}) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, std::vector<std::string>{"--trunc", "1"}}) {
      testing::ScratchDir dir;
      const std::vector<std::string> times = {"--time", "10", "--time", "100"};
      std::vector<std::string> run = {"run", file, "--whole"};
      run.insert(run.end(), options.begin(), options.end());
      run.insert(run.end(), times.begin(), times.end());
      const fs::path tmp = dir.path() / "tmp";
      fs::create_directory(tmp);
      const char* previous = std::getenv("TMPDIR");
      const std::string kept = previous != nullptr ? previous : "";
      setenv("TMPDIR", tmp.c_str(), 1);
      const testing::CommandOutcome together = runCommand(run);
      previous != nullptr ? setenv("TMPDIR", kept.c_str(), 1) : unsetenv("TMPDIR");
      ASSERT_EQ(together.status, 0) << together.err;
      EXPECT_EQ(filesIn(dir.path()).size(), 1U) << "only the empty tmp";
      run.insert(run.end(), {"--keep", "k"});
      std::string rates;
      const std::string figures = withoutRates(together.out, rates);
      EXPECT_EQ(rates, "Rates from " + file);
      EXPECT_EQ(withoutRates(runCommand(run).out, rates), figures);
      EXPECT_EQ(rates, "Rates from " + (dir.path() / "k" / (std::string(model) + ".RAT")).string());
      ASSERT_EQ(runCommand({"import", file}).status, 0);
      std::vector<std::string> generate = {"generate", model};
      generate.insert(generate.end(), options.begin(), options.end());
      ASSERT_EQ(runCommand(generate).status, 0);
      std::vector<std::string> solve = {"solve", model};
      solve.insert(solve.end(), times.begin(), times.end());
      const testing::CommandOutcome byHand = runCommand(solve);
      EXPECT_EQ(withoutRates(byHand.out, rates), figures) << model;
      for (const char* kind : {".INT", ".TUP", ".DIC", ".TXT", ".RAT"}) {
        EXPECT_EQ(dir.read("k/" + std::string(model) + kind), dir.read(std::string(model) + kind))
            << kind;
      }
    }
  }
}

// The models of dependencies, spare modules, replacing spare gates and
// symmetries: the chains of each transition's dependencies walked only where
// its failures reach their trigger are those of every dependency walked.
TEST(GalileoRun, DependenciesWalkedWhereTheyAreReachedGiveTheChainsOfAllWalked) {
  const fs::path benchmarks = fs::path(MOLVEX_SOURCE_DIR) / "tests" / "galileo" / "benchmarks";
  for (const std::string& file :
       {(benchmarks / "cas.dft").string(), (benchmarks / "mdcs.dft").string(),
        (benchmarks / "ftpp4.dft").string(), example("fdep.dft"), example("shared.dft")}) {
    testing::ScratchDir dir;
    std::map<std::string, std::string> kept[2];
    for (const int walkAll : {0, 1}) {
      DEPFLT = 1 - walkAll;
      const std::string to = "k" + std::to_string(walkAll);
      const testing::CommandOutcome r = runCommand({"run", file, "--keep", to, "--time", "1"});
      DEPFLT = 1;
      ASSERT_EQ(r.status, 0) << file << r.err;
      kept[walkAll] = filesIn(dir.path() / to);
    }
    EXPECT_GT(kept[0].size(), 3U) << file;
    EXPECT_EQ(kept[0], kept[1]) << file;
  }
}

TEST(GalileoImport, WritesTheThreeFilesAndKeepsTheUsers) {
  testing::ScratchDir dir;
  dir.write("my model.v2.dft", "toplevel T; T lambda=2;");
  auto r = runCommand({"import", "my model.v2.dft"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "MY_MODEL_.TXT, MY_MODEL_.DIC and MY_MODEL_.RAT written from my model.v2.dft\n");
  EXPECT_EQ(dir.read("MY_MODEL_.TXT"),
            "NODE 1 TYPE FBOX INPUT 2\nNODE 2 TYPE BASIC 1 OF COMPONENT TYPE 1\n");
  EXPECT_EQ(dir.read("MY_MODEL_.RAT"),
            "# The failure rates of the basic events of my model.v2.dft\nT 2\n");
  // Written once, the files are not written over without --force.
  dir.write("M.DIC", "mine");
  r = runCommand({"import", "my model.v2.dft", "M"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "molvex import: M.DIC exists already (--force writes over it)\n");
  EXPECT_FALSE(fs::exists(dir.path() / "M.TXT"));
  EXPECT_EQ(runCommand({"import", "my model.v2.dft", "M", "--force"}).status, 0);
  EXPECT_EQ(dir.read("M.DIC"), "1 BE T\n  \"T\"\n");
  // A refused model writes nothing and names its place.
  dir.write("bad.dft", "toplevel T;\nT and A;\n");
  r = runCommand({"import", "bad.dft"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "molvex import: bad.dft:2:7: \"A\", an input of \"T\", is not defined\n");
  EXPECT_FALSE(fs::exists(dir.path() / "BAD.TXT"));
  for (const std::vector<std::string>& usage : {std::vector<std::string>{"import"},
                                                {"import", "bad.dft", "TOO-LONG-NAME"},
                                                {"import", "bad.dft", "A B"},
                                                {"import", "bad.dft", "-X"},
                                                {"run", "bad.dft", "--trunc", "-1"}}) {
    EXPECT_EQ(runCommand(usage).status, 2) << usage.back();
  }
  EXPECT_EQ(runCommand({"run", "missing.dft"}).err, "molvex run: missing.dft: not found\n");
  // A leading '-' would make the name an option of the next command.
  dir.write("-x.dft", "toplevel T; T lambda=2;");
  EXPECT_EQ(runCommand({"import", "./-x.dft"}).out,
            "_X.TXT, _X.DIC and _X.RAT written from ./-x.dft\n");
}

// The largest models the limits let through are generated, solved and
// built: 96 basic events under one gate of 70 inputs and one of 26.
TEST(GalileoRun, TheLargestModelsWithinTheLimitsRun) {
  testing::ScratchDir dir;
  std::string text = "toplevel G; G or H K; H or";
  for (int i = 1; i <= 70; ++i) text += " E" + std::to_string(i);
  text += "; K or";
  for (int i = 71; i <= 96; ++i) text += " E" + std::to_string(i);
  text += ";";
  for (int i = 1; i <= 96; ++i) text += " E" + std::to_string(i) + " lambda=0.5;";
  dir.write("wide.dft", text);
  const testing::CommandOutcome r = runCommand({"run", "wide.dft", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The first of 96 failures of rate 0.5: MTTF = 1/48.
  EXPECT_NEAR(jsonNumber(r.out, "mttf_lower"), 1.0 / 48, 1e-15);
}

// A tree that fills the place table to its last word is built and solved;
// one word more is refused at the element that needs it, not left to the
// generation: 70 events under 40 gates, 36 of them over all 70.
TEST(GalileoRun, ThePlaceTableHoldsATreeToItsLastWord) {
  const auto tree = [](int more) {
    std::string text = "toplevel G;\nG or";
    std::string gates;
    for (int g = 1; g <= 40; ++g) {
      text += " H" + std::to_string(g);
      const int inputs = g <= 36 ? 70 : g < 40 ? 2 : 4 + more;
      gates += "H" + std::to_string(g) + " or";
      for (int i = 1; i <= inputs; ++i) gates += " E" + std::to_string(i);
      gates += ";\n";
    }
    text += ";\n" + gates;
    for (int i = 1; i <= 70; ++i) text += "E" + std::to_string(i) + " lambda=1;\n";
    return text;
  };
  testing::ScratchDir dir;
  dir.write("full.dft", tree(0));
  const testing::CommandOutcome full = runCommand({"run", "full.dft", "--json"});
  ASSERT_EQ(full.status, 0) << full.err;
  // The first of 70 failures of rate 1.
  EXPECT_NEAR(jsonNumber(full.out, "mttf_lower"), 1.0 / 70, 1e-15);
  dir.write("over.dft", tree(1));
  const testing::CommandOutcome over = runCommand({"run", "over.dft"});
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.err,
            "molvex run: over.dft:112:1: with \"E70\" the tree needs more than MOLVEX's 3584 words "
            "of tables\n");
}

}  // namespace
}  // namespace molvex
