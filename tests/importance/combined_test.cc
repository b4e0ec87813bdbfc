// The measures of a model that run solves by its parts -- independent parts
// combined, parts sharing triggers composed, outcomes of draws mixed --
// against the same model's one chain (--whole), and a mixture against its
// closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/command.h"
#include "support/console.h"
#include "support/random_dft.h"

namespace molvex {
namespace {

using testing::componentNames;
using testing::jsonNumber;
using testing::runCommand;

// The component's object in the JSON of --importance.
std::string componentOf(const std::string& json, const std::string& name) {
  const std::size_t at = json.find("{\"component\": \"" + name + "\"");
  if (at == std::string::npos) return "";
  return json.substr(at, json.find("]}", at) - at);
}

bool near(double x, double y, double relative) {
  return x == y || std::abs(x - y) <= relative * std::max(std::abs(x), std::abs(y)) + 1e-14;
}

// Every element's measures by the parts against those of the whole chain.
void expectAsWhole(const std::string& model, const std::string& how,
                   const std::vector<std::string>& more = {}, std::string* out = nullptr) {
  SCOPED_TRACE(model);
  testing::ScratchDir dir;
  dir.write("m.dft", model);
  std::vector<std::string> args = {"run",       "m.dft", "--json",       "--time", "0.7",
                                   "--epsilon", "1e-14", "--importance", "--quiet"};
  args.insert(args.end(), more.begin(), more.end());
  const testing::CommandOutcome parts = runCommand(args);
  std::vector<std::string> whole = args;
  whole.push_back("--whole");
  const testing::CommandOutcome one = runCommand(whole);
  ASSERT_EQ(parts.status, 0) << parts.err;
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(parts.out.find(how), std::string::npos) << parts.out;
  std::vector<std::string> names = componentNames(parts.out);
  ASSERT_FALSE(names.empty());
  for (const std::string& name : componentNames(one.out)) {
    SCOPED_TRACE(name);
    const std::string p = componentOf(parts.out, name);
    const std::string w = componentOf(one.out, name);
    ASSERT_FALSE(p.empty());
    const auto rates = [](const std::string& c) {  // the rate names moving with it
      const std::size_t at = c.find("\"rates\"");
      return c.substr(at, c.find('}', at) - at);
    };
    EXPECT_EQ(rates(p), rates(w));
    const std::size_t pu = p.find("\"unreliability\"");
    const std::size_t wu = w.find("\"unreliability\"");
    EXPECT_TRUE(near(jsonNumber(p, "derivative", pu), jsonNumber(w, "derivative", wu), 1e-9));
    EXPECT_TRUE(near(jsonNumber(p, "derivative"), jsonNumber(w, "derivative"), 1e-8));
    // A perfect figure is the whole's, or there is none with its reason.
    if (p.find("\"perfect_why\": \"\"") != std::string::npos) {
      EXPECT_TRUE(near(jsonNumber(p, "perfect_lower", pu), jsonNumber(w, "perfect_lower", wu),
                       1e-11));
      EXPECT_TRUE(near(jsonNumber(p, "perfect_lower"), jsonNumber(w, "perfect_lower"), 1e-9));
    } else {
      EXPECT_NE(p.find("needs the whole model's chain"), std::string::npos) << p;
    }
  }
  EXPECT_EQ(names.size(), componentNames(one.out).size());
  if (out != nullptr) *out = parts.out;
}

TEST(CombinedImportance, EachElementOfThePartsAsInTheWholeChain) {
  const char* const models[] = {
      // Parts the same up to names (their warm spares' rates while dormant
      // named apart), a 2-of-3 top.
      "toplevel S;\nS 2of3 P1 P2 P3;\nP1 wsp A1 B1;\nP2 wsp A2 B2;\nP3 pand C D;\n"
      "A1 lambda=0.3; B1 lambda=0.3 dorm=0.2;\nA2 lambda=0.3; B2 lambda=0.3 dorm=0.2;\n"
      "C lambda=0.6; D lambda=0.9;\n",
      // An AND of a dependency's part and a cold spare's.
      "toplevel T;\nT and G H;\nG or X Y;\nF fdep X Y;\nH csp U V;\n"
      "X lambda=0.4; Y lambda=1.2; U lambda=0.8; V lambda=0.5;\n",
  };
  for (const char* model : models) expectAsWhole(model, "\"parts\"");
  // Names that make the same rate name in different parts, one a warm
  // spare's rate while dormant.
  expectAsWhole("toplevel T;\nT or x X;\nx lambda=0.1;\nX lambda=0.2;\n", "\"parts\"");
  expectAsWhole(
      "toplevel T;\nT or A a_dorm;\nA wsp p a;\np lambda=0.3;\na lambda=0.2 dorm=0.5;\n"
      "a_dorm lambda=0.1;\n",
      "\"parts\"");
  // Rates far apart: the MTTF over the product of the parts, exact.
  expectAsWhole("toplevel T;\nT and a b;\na lambda=10000;\nb lambda=0.00001;\n", "\"parts\"");
  // 22 parts, a product of 4 million states: the MTTF by quadrature.
  std::string wide = "toplevel T;\nT 2of22";
  std::string rates;
  for (int i = 1; i <= 22; ++i) {
    wide += " E" + std::to_string(i);
    rates += "E" + std::to_string(i) + " lambda=" + std::to_string(0.1 * i) + ";\n";
  }
  std::string out;
  expectAsWhole(wide + ";\n" + rates, "\"parts\"", {}, &out);
  EXPECT_GT(jsonNumber(out, "mttf_relative_error"), 0) << out;
  // A parameter of two parts is one component over both.
  expectAsWhole(
      "param L; toplevel S;\nS or P Q;\nP and A B;\nQ and C D;\n"
      "A lambda=L; B lambda=0.3; C lambda=L; D lambda=0.9;\n",
      "\"parts\"", {"--set", "L=0.4"});
  for (unsigned seed = 11; seed <= 14; ++seed) {
    expectAsWhole(testing::RandomModel(seed).text(), "\"importance\"");
  }
}

TEST(CombinedImportance, PartsSharingTriggersAsInTheWholeChain) {
  // Two pairs whose first units one trigger takes down: the pairs are
  // composed; an own element's perfect figure needs the whole chain.
  expectAsWhole(
      "toplevel S;\nS or P Q;\nP and PA PB;\nQ and QA QB;\nF fdep N PA QA;\n"
      "PA lambda=0.5; PB lambda=0.7; QA lambda=0.5; QB lambda=0.7; N lambda=0.2;\n",
      "\"shared_parts\"");
  // Two triggers that a symmetry of the part swaps, with the units they
  // take down: the composed chain is folded by it, but not where one of
  // them is perfect.
  expectAsWhole(
      "toplevel S;\nS or P Q;\nP and PA PB;\nQ and QA QB;\nF fdep N PA QA;\nG fdep M PB QB;\n"
      "PA lambda=0.5; PB lambda=0.5; QA lambda=0.5; QB lambda=0.5; N lambda=0.2; M lambda=0.2;\n",
      "\"symmetries\": 1");
}

// "A" failed from the start with probability p, else "B" fails it at rate b:
// U(T) = p + (1 − p)(1 − e^{−bT}), so dU/db = (1 − p)·T·e^{−bT}; the MTTF is
// 0 with p, 1/b without: (1 − p)/b, dMTTF/db = −(1 − p)/b²; with B perfect
// U = p and the MTTF infinite.
TEST(CombinedImportance, AMixtureOfDrawsByItsClosedForm) {
  const double p = 0.1;
  const double b = 0.5;
  const double t = 2.0;
  testing::ScratchDir dir;
  dir.write("m.dft", "toplevel S;\nS or A B;\nA prob=0.1;\nB lambda=0.5;\n");
  const testing::CommandOutcome r =
      runCommand({"run", "m.dft", "--json", "--time", "2", "--importance", "--quiet"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(componentNames(r.out), std::vector<std::string>{"B"});
  const std::string c = componentOf(r.out, "B");
  const std::size_t u = c.find("\"unreliability\"");
  EXPECT_NEAR(jsonNumber(c, "derivative", u), (1 - p) * t * std::exp(-b * t), 1e-11);
  EXPECT_NEAR(jsonNumber(c, "derivative"), -(1 - p) / (b * b), 1e-11);
  EXPECT_NEAR(jsonNumber(c, "perfect_lower", u), p, 1e-12);
  EXPECT_TRUE(std::isinf(jsonNumber(c, "perfect_lower")));
}

}  // namespace
}  // namespace molvex
