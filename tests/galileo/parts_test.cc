// Galileo models solved by their independent parts against the same models
// solved as one chain: random models of dynamic parts under static gates,
// some parts tied together by a shared event or a dependency.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/console.h"
#include "support/random_dft.h"

namespace molvex {
namespace {

using testing::jsonNumber;
using testing::runCommand;

using testing::RandomModel;

// The figures of `model` by its parts and symmetries and as one chain
// (--whole), with the further arguments `extra`, agree: the unreliability
// within 1e-12, the MTTF within the bound the parts state and 1e-13 of
// rounding.  True when the model was split.
bool expectSameFigures(const std::string& model, const std::vector<std::string>& extra = {}) {
  testing::ScratchDir dir;
  dir.write("m.dft", model);
  std::vector<std::string> args = {"run", "m.dft", "--json", "--time", "0.5", "--time", "3"};
  args.insert(args.end(), extra.begin(), extra.end());
  const testing::CommandOutcome parts = runCommand(args);
  args.push_back("--whole");
  const testing::CommandOutcome whole = runCommand(args);
  EXPECT_EQ(parts.status, 0) << model << parts.err;
  EXPECT_EQ(whole.status, 0) << model << whole.err;
  for (const char* time : {"\"time\": 0.5", "\"time\": 3"}) {
    EXPECT_NEAR(jsonNumber(parts.out, "lower", parts.out.find(time)),
                jsonNumber(whole.out, "lower", whole.out.find(time)), 1e-12)
        << model << time;
  }
  const double mttf = jsonNumber(whole.out, "mttf_lower");
  if (std::isinf(mttf)) {
    EXPECT_TRUE(std::isinf(jsonNumber(parts.out, "mttf_lower"))) << model;
  } else {
    const double error = jsonNumber(parts.out, "mttf_relative_error");
    EXPECT_NEAR(jsonNumber(parts.out, "mttf_lower"), mttf,
                ((std::isnan(error) ? 0.0 : error) + 1e-13) * mttf)
        << model;
  }
  return parts.out.find("\"parts\"") != std::string::npos;
}

TEST(GalileoParts, GiveTheFiguresOfTheWholeChain) {
  int split = 0;
  for (unsigned seed = 1; seed <= 80; ++seed) {
    if (expectSameFigures(RandomModel(seed).text())) ++split;
  }
  // The models are meant to split, most of them.
  EXPECT_GE(split, 50);
}

// Where a split could go wrong: rates set by an event's name on parts or
// events alike but for it; dependencies that act in the order of the file;
// a dependency on, or a sequence after, a gate above; rates a million apart.
TEST(GalileoParts, GiveTheFiguresOfTheWholeChainWhereTheyCouldGoWrong) {
  const std::string alike =
      "toplevel T; T and G H; G and A C; H and B D; A lambda=1; B lambda=1; C lambda=2; "
      "D lambda=2;";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {alike, {"--set", "A=5"}},
      {alike, {"--set", "B=5"}},
      {"toplevel T; T and A B; A lambda=1; B lambda=1;", {"--set", "B=5"}},
      {"toplevel T; T and M1 M2; M1 and P1 F1 F2; P1 pand X1 Y1; F1 fdep K1 Y1; "
       "F2 fdep K1 X1; M2 and P2 G1 G2; P2 pand X2 Y2; G2 fdep K2 X2; G1 fdep K2 Y2; "
       "X1 lambda=1; Y1 lambda=2; K1 lambda=3; X2 lambda=1; Y2 lambda=2; K2 lambda=3;",
       {}},
      {"toplevel T; T or G Z; G and A B; F fdep T A; A lambda=1; B lambda=2; Z lambda=0.3;", {}},
      {"toplevel T; T or R Z; R and M C; M or A B; S seq R A; A lambda=1; B lambda=2; "
       "C lambda=0.5; Z lambda=0.3;",
       {}},
      {"toplevel T; T and G Z; G csp A B; A lambda=1000; B lambda=1e-3 dorm=0; "
       "Z lambda=1.5e-3;",
       {}},
      {"toplevel T; T and A B; A lambda=0; B lambda=2;", {}},
  };
  for (const auto& [model, extra] : cases) expectSameFigures(model, extra);
}

// Models of K copies of a random cell under one gate, tied together by
// dependencies that take the same event of every copy down ("columns", as
// the network elements of a fault-tolerant processor): one chain, whose
// states the symmetries of the copies and of the columns fold.
class SymmetricModel {
 public:
  explicit SymmetricModel(unsigned seed) : random_(seed) {}

  std::string text() {
    const int copies = pick(2, 3);
    const int shape = pick(0, 3);
    std::vector<std::string> rates;
    for (int e = 0; e < events(shape); ++e) rates.push_back(rate() + dorm());
    std::string model = "toplevel T;\nT " + top(copies);
    for (int c = 0; c < copies; ++c) model += " C" + std::to_string(c);
    model += ";\n";
    for (int c = 0; c < copies; ++c) model += cell(shape, c, rates);
    const int columns = pick(1, 2);
    for (int j = 0; j < columns; ++j) {
      const int e = pick(0, events(shape) - 1);
      model += "F" + std::to_string(j) + " fdep N" + std::to_string(j);
      for (int c = 0; c < copies; ++c) model += " " + event(c, e);
      model += ";\nN" + std::to_string(j) + " lambda=" + rate() + ";\n";
    }
    return model;
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  std::string rate() { return std::vector<std::string>{"0.3", "0.7", "1.1"}[pick(0, 2)]; }
  std::string dorm() { return std::vector<std::string>{"", " dorm=0", " dorm=0.4"}[pick(0, 2)]; }

  std::string top(int copies) {
    switch (pick(0, 2)) {
      case 0:
        return "or";
      case 1:
        return "and";
      default:
        return std::to_string(pick(1, copies)) + "of" + std::to_string(copies);
    }
  }

  static int events(int shape) { return shape == 0 ? 4 : 3; }

  static std::string event(int copy, int e) {
    return "E" + std::to_string(copy) + "_" + std::to_string(e);
  }

  // Copy `c` of the cell: two spare gates sharing a spare under 2-of-3, a
  // priority-AND beside an event, a spare gate under an OR, or a warm spare.
  static std::string cell(int shape, int c, const std::vector<std::string>& rates) {
    const std::string n = std::to_string(c);
    const auto e = [&](int i) { return event(c, i); };
    std::string text;
    switch (shape) {
      case 0:
        text = "C" + n + " 2of3 A" + n + " B" + n + " " + e(2) + ";\nA" + n + " csp " + e(0) + " " +
               e(3) + ";\nB" + n + " csp " + e(1) + " " + e(3) + ";\n";
        break;
      case 1:
        text =
            "C" + n + " and P" + n + " " + e(2) + ";\nP" + n + " pand " + e(0) + " " + e(1) + ";\n";
        break;
      case 2:
        text =
            "C" + n + " or " + e(0) + " S" + n + ";\nS" + n + " csp " + e(1) + " " + e(2) + ";\n";
        break;
      default:
        text = "C" + n + " wsp " + e(0) + " " + e(1) + " " + e(2) + ";\n";
    }
    for (int i = 0; i < events(shape); ++i) {
      const std::string& r = rates[static_cast<std::size_t>(i)];
      // A primary is in use from the start: its dorm is no concern.
      text += e(i) + " lambda=" + r + ";\n";
    }
    return text;
  }

  std::mt19937 random_;
};

// The figures and the by-type breakdown of `model` folded by its symmetries
// and dead spare modules are those of its whole chain (--whole), with the
// further arguments `extra`.  Returns the JSON of the folded run.
std::string expectTheWholeChains(const std::string& model,
                                 const std::vector<std::string>& extra = {}) {
  expectSameFigures(model, extra);
  testing::ScratchDir dir;
  dir.write("m.dft", model);
  std::vector<std::string> args = {"run", "m.dft", "--json", "--time", "3"};
  args.insert(args.end(), extra.begin(), extra.end());
  const testing::CommandOutcome folded = runCommand(args);
  args.push_back("--whole");
  const testing::CommandOutcome whole = runCommand(args);
  const std::size_t at = folded.out.find("\"by_type\"");
  EXPECT_NE(at, std::string::npos) << folded.out;
  for (int t = 1; folded.out.find("\"" + std::to_string(t) + "\": ", at) != std::string::npos;
       ++t) {
    const std::string key = std::to_string(t);
    EXPECT_NEAR(jsonNumber(folded.out, key, at),
                jsonNumber(whole.out, key, whole.out.find("\"by_type\"")), 1e-12)
        << model << " type " << t;
  }
  EXPECT_LE(jsonNumber(folded.out, "operational"), jsonNumber(whole.out, "operational"));
  return folded.out;
}

// Most of them are copies that share only the columns' triggers: their
// chain is composed from one copy's.
TEST(GalileoSymmetries, GiveTheFiguresOfTheWholeChain) {
  int folded = 0;
  int composed = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const std::string out = expectTheWholeChains(SymmetricModel(seed).text());
    const bool shared = out.find("\"shared_parts\"") != std::string::npos;
    if (shared || out.find("\"symmetries\"") != std::string::npos) ++folded;
    if (shared) ++composed;
  }
  EXPECT_GE(folded, 35);
  EXPECT_GE(composed, 30) << composed;
}

// Where folding could go wrong: a spare module that dies (forced down by a
// dependency, or by its own events) while its events could still fail,
// warm; a module inside a module; twin modules with spare gates inside, tied
// by a dependency; two gates sharing a spare whose primaries a dependency
// takes down at once, where the gate first in the file takes the spare and
// each has a second spare of its own that may have failed, so that
// exchanging the gates would change the figures; a draw at the start, whose
// start event has the rate of another event that a dependency ties to the
// same one; a rate set on the command line for one of two alike events.
TEST(GalileoSymmetries, GiveTheFiguresOfTheWholeChainWhereTheyCouldGoWrong) {
  const std::string alike =
      "toplevel T; T or G1 G2; G1 2of3 A1 B1 C1; G2 2of3 A2 B2 C2; F fdep N A1 A2; A1 lambda=1; "
      "B1 lambda=1; C1 lambda=2; A2 lambda=1; B2 lambda=1; C2 lambda=2; N lambda=0.5;";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"toplevel T; T and G H; G wsp A M; M or C D; F fdep X M; H lambda=0.2; A lambda=1; "
       "C lambda=0.5 dorm=0.3; D lambda=0.7 dorm=0.3; X lambda=0.4;",
       {}},
      {"toplevel T; T and G H; G wsp A M; M or C K; K wsp D L; L and E J; H lambda=0.2; "
       "A lambda=1; C lambda=0.5 dorm=0.3; D lambda=0.7 dorm=0.5; E lambda=0.3 dorm=0.2; "
       "J lambda=0.9 dorm=0.1;",
       {}},
      {"toplevel T; T or G1 G2; G1 csp P1 S1; G2 csp P2 S2; P1 or X1 M1; M1 csp Y1 Z1; "
       "P2 or X2 M2; M2 csp Y2 Z2; S1 or U1 V1; S2 or U2 V2; F fdep N P1 P2; X1 lambda=0.1; "
       "X2 lambda=0.1; Y1 lambda=0.4; Y2 lambda=0.4; Z1 lambda=0.4; Z2 lambda=0.4; "
       "U1 lambda=0.3; U2 lambda=0.3; V1 lambda=0.6; V2 lambda=0.6; N lambda=0.05;",
       {}},
      {"toplevel T; T or A B; A csp P1 S Q1; B csp P2 S Q2; F fdep X P1 P2; P1 lambda=1; "
       "P2 lambda=1; S lambda=1 dorm=0; Q1 lambda=0.5 dorm=1; Q2 lambda=0.5 dorm=1; "
       "X lambda=0.7;",
       {}},
      {"toplevel T; T or A C; F fdep D A; A prob=0.5; C lambda=1; D lambda=1;", {}},
      {alike, {}},
      {alike, {"--set", "B2=3"}},
  };
  for (const auto& [model, extra] : cases) expectTheWholeChains(model, extra);
}

// A parameter of one part takes its value from --set as in one chain; a
// name that no part has is refused.  A (lam) or B (mu): MTTF 1/(lam + mu).
TEST(GalileoParts, TakeTheirParametersFromTheCommandLine) {
  testing::ScratchDir dir;
  dir.write("p.dft", "param lam; param mu; toplevel T; T or A B; A lambda=lam; B lambda=mu;");
  const testing::CommandOutcome r =
      runCommand({"run", "p.dft", "--json", "--set", "lam=2", "--set", "MU=1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(jsonNumber(r.out, "mttf_lower"), 1.0 / 3, 1e-12);
  const testing::CommandOutcome unknown =
      runCommand({"run", "p.dft", "--set", "lam=2", "--set", "mu=1", "--set", "Y=1"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err,
            "molvex run: --set 'Y=1': not NAME=VALUE with a parameter or rate name of p.dft\n");
  EXPECT_EQ(runCommand({"run", "p.dft", "--set", "lam=2"}).status, 1);
}

// Identical events folded into one of K units, against closed forms.  K
// events of rate l each: all K down (AND) is the maximum of K exponentials,
// MTTF = (1 + 1/2 + ... + 1/K)/l; the first down (OR) has rate K l; two of
// five down is the second failure, MTTF = 1/(5l) + 1/(4l).
TEST(GalileoFolds, GiveTheClosedFormsInChainsOfKPlusOneStates) {
  struct Case {
    std::string gate;
    int k;
    double mttf;
    double u1;   // U(1), l = 1
    int states;  // of the folded chain, all of them
  };
  const double p = 1 - std::exp(-1.0), q = 1 - p;
  double harmonic = 0;
  for (int i = 1; i <= 18; ++i) harmonic += 1.0 / i;
  const std::vector<Case> cases = {
      {"and", 18, harmonic, std::pow(p, 18), 19},
      {"or", 4, 0.25, 1 - std::pow(q, 4), 2},
      {"2of5", 5, 0.2 + 0.25, 1 - std::pow(q, 5) - 5 * p * std::pow(q, 4), 3},
  };
  for (const Case& c : cases) {
    std::string model = "toplevel T; T " + c.gate;
    for (int i = 0; i < c.k; ++i) model += " E" + std::to_string(i);
    model += ";";
    for (int i = 0; i < c.k; ++i) model += " E" + std::to_string(i) + " lambda=1;";
    testing::ScratchDir dir;
    dir.write("m.dft", model);
    const testing::CommandOutcome r = runCommand({"run", "m.dft", "--json", "--time", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(jsonNumber(r.out, "mttf_lower"), c.mttf, 1e-12 * c.mttf) << c.gate;
    EXPECT_NEAR(jsonNumber(r.out, "lower", r.out.find("\"time\"")), c.u1, 1e-12) << c.gate;
    EXPECT_EQ(jsonNumber(r.out, "operational") + jsonNumber(r.out, "failure"), c.states) << c.gate;
    EXPECT_NE(r.out.find("\"folded\": [{\"gate\": \"T\", \"events\": [\"E0\""), std::string::npos)
        << r.out;
  }
}

// Parts B1 .. Bn (rate a each) that share only the trigger E (rate c) of a
// dependency taking all of them down, composed from one part's chain,
// against closed forms.  Part i fails at min(X_i, E), X_i ~ exp(a),
// E ~ exp(c); given E > t each has failed by t with q = 1 - e^(-at), and
// E <= t fails them all.  With p = e^(-at):
// - OR: the first of E, X_1, X_2: U = 1 - e^(-(c+2a)T), MTTF 1/(c + 2a);
// - AND: U = 1 - e^(-cT) (1 - q^2); MTTF = int e^(-ct) (2p - p^2) dt
//   = 2/(c + a) - 1/(c + 2a);
// - 2 of 3: the top works while E works and at most one part has failed:
//   U = 1 - e^(-cT) ((1-q)^3 + 3q(1-q)^2); MTTF = int e^(-ct) (3p^2 - 2p^3) dt
//   = 3/(c + 2a) - 2/(c + 3a).
TEST(GalileoShared, PartsSharingATriggerGiveTheClosedForms) {
  const double a = 0.7, c = 0.3, t = 2.0;
  const double q = 1 - std::exp(-a * t), e = std::exp(-c * t);
  struct Case {
    std::string gate;
    int parts;
    double mttf;
    double u;
  };
  const std::vector<Case> cases = {
      {"or", 2, 1 / (c + 2 * a), 1 - std::exp(-(c + 2 * a) * t)},
      {"and", 2, 2 / (c + a) - 1 / (c + 2 * a), 1 - e * (1 - q * q)},
      {"2of3", 3, 3 / (c + 2 * a) - 2 / (c + 3 * a),
       1 - e * (std::pow(1 - q, 3) + 3 * q * std::pow(1 - q, 2))},
  };
  for (const Case& k : cases) {
    std::string model = "toplevel T; T " + k.gate;
    std::string events = "F fdep E";
    std::string rates = "E lambda=0.3;";
    for (int i = 1; i <= k.parts; ++i) {
      const std::string b = " B" + std::to_string(i);
      model += b;
      events += b;
      rates += b + " lambda=0.7;";
    }
    testing::ScratchDir dir;
    dir.write("m.dft", model + "; " + events + "; " + rates);
    const testing::CommandOutcome r = runCommand({"run", "m.dft", "--json", "--time", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(jsonNumber(r.out, "mttf_lower"), k.mttf, 1e-12 * k.mttf) << k.gate;
    EXPECT_NEAR(jsonNumber(r.out, "lower", r.out.find("\"time\"")), k.u, 1e-12) << k.gate;
    EXPECT_NE(r.out.find("\"shared_parts\": {\"count\": " + std::to_string(k.parts) +
                         ", \"triggers\": [\"E\"]}"),
              std::string::npos)
        << r.out;
  }
}

// Where composing could go wrong, against the chain generated as one, folded
// the same way (cut after more failures than there are events, so that no
// state is cut): identical events folded inside the parts; parts whose
// events share parameters, so that a rate name is no one type's; a
// sequence inside the parts, which holds a trigger back for every part, so
// that the chain is generated as one.
TEST(GalileoShared, ComposedChainsGiveTheFiguresOfTheGeneratedOne) {
  struct Case {
    std::string model;
    std::vector<std::string> extra;
    bool composed;
  };
  const std::vector<Case> cases = {
      {"toplevel S; S and A B; A or a1 a2 a3; B or b1 b2 b3; F fdep T a3 b3; T lambda=0.3; "
       "a1 lambda=0.2; a2 lambda=0.2; a3 lambda=0.5; b1 lambda=0.2; b2 lambda=0.2; b3 lambda=0.5;",
       {},
       true},
      {"param x y z; toplevel S; S and A B; A or a1 a2; B or b1 b2; F fdep T a1 b1; "
       "T lambda=y; a1 lambda=x; a2 lambda=z; b1 lambda=x; b2 lambda=z;",
       {"--set", "x=0.4", "--set", "y=0.1", "--set", "z=0.2"},
       true},
      {"toplevel S; S and A B; A or a0 SA; SA seq a1 a2; B or b0 SB; SB seq b1 b2; "
       "F fdep T a2 b2; T lambda=1; a0 lambda=0.5; a1 lambda=0.5; a2 lambda=0; b0 lambda=0.5; "
       "b1 lambda=0.5; b2 lambda=0;",
       {},
       false},
  };
  for (const Case& c : cases) {
    testing::ScratchDir dir;
    dir.write("m.dft", c.model);
    std::vector<std::string> args = {"run", "m.dft", "--json", "--time", "0.5", "--time", "3"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const testing::CommandOutcome composed = runCommand(args);
    args.insert(args.end(), {"--trunc", "100"});
    const testing::CommandOutcome one = runCommand(args);
    ASSERT_EQ(composed.status, 0) << c.model << composed.err;
    ASSERT_EQ(one.status, 0) << c.model << one.err;
    EXPECT_EQ(composed.out.find("\"shared_parts\"") != std::string::npos, c.composed) << c.model;
    EXPECT_NEAR(jsonNumber(composed.out, "mttf_lower"), jsonNumber(one.out, "mttf_lower"),
                1e-12 * jsonNumber(one.out, "mttf_lower"))
        << c.model;
    for (const char* time : {"\"time\": 0.5", "\"time\": 3"}) {
      const std::size_t at = composed.out.find(time);
      const std::size_t there = one.out.find(time);
      EXPECT_NEAR(jsonNumber(composed.out, "lower", at), jsonNumber(one.out, "lower", there), 1e-12)
          << c.model << time;
      for (int t = 1;
           one.out.find("\"" + std::to_string(t) + "\": ", there) < one.out.find('}', there); ++t) {
        const std::string key = std::to_string(t);
        EXPECT_NEAR(jsonNumber(composed.out, key, at), jsonNumber(one.out, key, there), 1e-12)
            << c.model << time << " type " << t;
      }
    }
  }
}

// The composed chain stops at --max-states, as a generated one does: twelve
// parts of four events each, whose chain has millions of states.
TEST(GalileoShared, ComposedChainsStopAtTheStateLimit) {
  std::string model = "toplevel S; S and";
  std::string parts;
  std::string dependency = "F fdep T";
  for (int p = 0; p < 12; ++p) {
    const std::string n = std::to_string(p);
    model += " P" + n;
    parts += "P" + n + " and a" + n + " b" + n + " c" + n + " d" + n + "; a" + n +
             " lambda=0.1; b" + n + " lambda=0.2; c" + n + " lambda=0.3; d" + n + " lambda=0.4; ";
    dependency += " a" + n;
  }
  testing::ScratchDir dir;
  dir.write("m.dft", model + "; " + parts + dependency + "; T lambda=0.05;");
  const testing::CommandOutcome r = runCommand({"run", "m.dft", "--max-states", "80000"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "molvex run: the chain of the 12 parts has more states than 80000 (--max-states)\n");
}

}  // namespace
}  // namespace molvex
