// The independent parts of Galileo models: where a model splits, what ties
// parts together, which parts are the same up to names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "galileo/galileo.h"

namespace molvex {
namespace {

// The tree as text: a gate as "or(...)", "and(...)", "2of(...)"; a part as
// "{TOP: its elements in order}", followed by "=N" when it shares the chain
// of the part of top N.
std::string describe(const DftModules& m, int node) {
  const StaticNode& n = m.tree[static_cast<std::size_t>(node)];
  if (n.kind == StaticNode::Kind::part) {
    const std::size_t p = static_cast<std::size_t>(n.part);
    const DftModel& part = m.parts[p];
    std::string text = "{" + part.top + ":";
    for (const DftElement& e : part.elements) text += " " + e.name;
    text += "}";
    const std::size_t same = static_cast<std::size_t>(m.same[p]);
    return same == p ? text : text + "=" + m.parts[same].top;
  }
  std::string text = n.kind == StaticNode::Kind::orGate    ? "or("
                     : n.kind == StaticNode::Kind::andGate ? "and("
                                                           : std::to_string(n.k) + "of(";
  for (std::size_t i = 0; i < n.inputs.size(); ++i) {
    text += (i ? ", " : "") + describe(m, n.inputs[i]);
  }
  return text + ")";
}

// The model with each event it names and does not define given a rate of
// its own: A 1, B 2, C 3, D 4, S 5.
std::string withEvents(const std::string& text) {
  std::string whole = text;
  const std::string names = "ABCDS";
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string name = " " + std::string(1, names[i]);
    const bool named =
        text.find(name + " ") != std::string::npos || text.find(name + ";") != std::string::npos;
    if (named && text.find(name + " lambda") == std::string::npos) {
      whole += name + " lambda=" + std::to_string(i + 1) + ";";
    }
  }
  return whole;
}

TEST(DftModules, SplitWhereNothingIsShared) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"toplevel T; T or A B;", "or({A: A}, {B: B})"},
      {"toplevel T; T and U V; U or A B; V 1of2 C D;",
       "and(or({A: A}, {B: B}), 1of({C: C}, {D: D}))"},
      // A shared event, a dependency, a shared spare tie their gates.
      {"toplevel T; T or G H; G and A C; H and B C;", "{T: T G H A B C}"},
      {"toplevel T; T or G H D; G and A C; H and B C;", "or({T: G H A B C T}, {D: D})"},
      {"toplevel T; T and A B C; F fdep A B;", "and({T: F A B T}, {C: C})"},
      {"toplevel T; T or A B F; F fdep C A;", "or({A: F A C}, {B: B})"},
      {"toplevel T; T or G H D; G csp A S; H csp B S;", "or({T: G H A B S T}, {D: D})"},
      // A voting gate counts its inputs one by one.
      {"toplevel T; T 2of3 G H D; G and A C; H and B C;", "{T: T G H A B C D}"},
      // A dynamic gate on top is one part.
      {"toplevel T; T pand A B;", "{T: T A B}"},
      // Parts the same up to names share a chain; a rate, a dormancy or a
      // kind of gate apart, they do not.
      {"toplevel T; T or G H; G csp A B; H csp C D; A lambda=1; B lambda=2; C lambda=1; "
       "D lambda=2;",
       "or({G: G A B}, {H: H C D}=G)"},
      {"toplevel T; T or G H; G csp A B; H csp C D; A lambda=1; B lambda=2; C lambda=1; "
       "D lambda=2 dorm=0.5;",
       "or({G: G A B}, {H: H C D})"},
      {"toplevel T; T or G H; G csp A B; H wsp C D; A lambda=1; B lambda=2; C lambda=1; "
       "D lambda=2;",
       "or({G: G A B}, {H: H C D})"},
      {"toplevel T; T or G H; G pand A B; H pand D C;", "or({G: G A B}, {H: H C D})"},
  };
  for (const auto& [text, expected] : cases) {
    DftModel model;
    Error error;
    ASSERT_TRUE(readDft(withEvents(text), model, error)) << text << ": " << error.text;
    const DftModules m = dftModules(model);
    EXPECT_EQ(describe(m, 0), expected) << text;
  }
}

// Parts that share only the triggers of dependencies: each part as
// "TOP: its elements", the shared events after "|"; "-" where the model is
// no such gate over such parts.
TEST(DftSharing, FindsPartsThatShareOnlyTriggers) {
  const std::string twins =
      "toplevel T; T or G H F; G and A B; H and C D; F fdep S A C; A lambda=1; B lambda=2; "
      "C lambda=1; D lambda=2;";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {twins, "G: G A B S F; H: H C D S F | S"},
      {"toplevel T; T 2of3 A B C; F fdep S A B C; K fdep D A B C; A lambda=1; B lambda=1; "
       "C lambda=1;",
       "A: A D S F K; B: B D S F K; C: C D S F K | D S"},
      // The trigger read elsewhere, a dependency on no part or on a trigger
      // of its own, parts of two shapes, parts tied by more than triggers.
      {"toplevel T; T or G H; G and A S; H and C S; F fdep S A C; A lambda=1; C lambda=1;", "-"},
      {"toplevel T; T or A B; F fdep S A T;", "-"},
      {"toplevel T; T or A B; F fdep S A B; K fdep D S;", "-"},
      {"toplevel T; T or G H; G and A B; H or C D; F fdep S A C; A lambda=1; B lambda=2; "
       "C lambda=1; D lambda=2;",
       "-"},
      {"toplevel T; T or G H; G csp A C; H csp B C; F fdep S A B; A lambda=1; B lambda=1; "
       "C lambda=2;",
       "-"},
      {"toplevel T; T or A; F fdep S A;", "-"},
      {"toplevel T; T pand A B; F fdep S A B;", "-"},
      // A sequence holds a trigger back for every part, failed or not.
      {"toplevel T; T and G H; G seq A B; H seq C D; F fdep S B D; A lambda=1; B lambda=2; "
       "C lambda=1; D lambda=2;",
       "-"},
  };
  for (const auto& [text, expected] : cases) {
    DftModel model;
    Error error;
    ASSERT_TRUE(readDft(withEvents(text), model, error)) << text << ": " << error.text;
    DftSharing sharing;
    std::string found = "-";
    if (dftSharing(model, false, sharing)) {
      found.clear();
      for (const DftModel& part : sharing.parts) {
        found += (found.empty() ? "" : "; ") + part.top + ":";
        for (const DftElement& e : part.elements) found += " " + e.name;
      }
      found += " |";
      for (const std::string& e : sharing.shared) found += " " + e;
    }
    EXPECT_EQ(found, expected) << text;
  }
}

// Events folded: a fold as "GATE: EVENTS", then the elements left.
TEST(DftFolds, FoldOnlyWhatTheGateCannotTellApart) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"toplevel T; T and A B C; A lambda=1; B lambda=1; C lambda=1;", "T: A B C | T A"},
      {"toplevel T; T 2of4 A B C D; A lambda=1; B lambda=2; C lambda=1; D lambda=2;",
       "T: A C; T: B D | T A B"},
      // Used elsewhere, apart in dormancy or probability, under a gate that
      // tells the order: each stays.
      {"toplevel T; T or A B C; F fdep C A; A lambda=1; B lambda=1; C lambda=1;", "| T F A B C"},
      {"toplevel T; T or A B G; G and B S; A lambda=1; B lambda=1; S lambda=2;", "| T G A B S"},
      {"toplevel T; T or A B; A lambda=1 dorm=0.5; B lambda=1;", "| T A B"},
      {"toplevel T; T or A B; A prob=0.1; B prob=0.1;", "| T A B"},
      {"toplevel T; T pand A B; A lambda=1; B lambda=1;", "| T A B"},
      {"toplevel T; T csp A B C; A lambda=1; B lambda=1; C lambda=1;", "| T A B C"},
      {"param p; toplevel T; T or A B C; A lambda=p; B lambda=p; C lambda=1;", "T: A B | T A C"},
  };
  for (const auto& [text, expected] : cases) {
    DftModel model;
    Error error;
    ASSERT_TRUE(readDft(text, model, error)) << text << ": " << error.text;
    std::string folds;
    for (const DftFold& f : foldIdentical(model)) {
      folds += (folds.empty() ? "" : "; ") + f.gate + ":";
      for (const std::string& e : f.events) folds += " " + e;
    }
    std::string left = " |";
    for (const DftElement& e : model.elements) left += " " + e.name;
    EXPECT_EQ(folds + left, (expected[0] == '|' ? " " : "") + expected) << text;
  }
}

}  // namespace
}  // namespace molvex
