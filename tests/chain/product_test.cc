// The chain of parts that share only triggers, composed from one part's
// chain given by hand: its states against counts worked out by hand, its
// mean time to failure against closed forms, and the part chains it refuses.
#include "chain/product.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain/solve.h"

namespace molvex {
namespace {

// A part's chain: expanded states 1 .. expanded, then one failure state per
// type; each type its own rate name "Tt" of value `rates[t - 1]`.
struct PartArc {
  int source;
  int target;  // 0: the failure state of the arc's type
  int type;
};

struct HandPart {
  Chain chain;
  Array1<double> rate;

  HandPart(int expanded, const std::vector<double>& rates, const std::vector<PartArc>& arcs,
           const std::vector<std::string>& names = {}) {
    Chain& c = chain;
    c.ntypes = static_cast<int>(rates.size());
    c.nstates = expanded + c.ntypes;
    c.kind.resize(c.nstates, StateKind::Failure);
    c.type.resize(c.nstates, 0);
    c.typeNames.resize(c.ntypes);
    c.dormantNames.resize(c.ntypes);
    c.rateNames.resize(c.ntypes);
    c.failst.resize(c.ntypes);
    for (int t = 1; t <= c.ntypes; ++t) {
      c.typeNames(t) = names.empty() ? "T" + std::to_string(t) : names[t - 1];
      c.rateNames(t) = "T" + std::to_string(t);
      c.failst(t) = expanded + t;
      c.type(expanded + t) = t;
    }
    for (int s = 1; s <= expanded; ++s) c.kind(s) = StateKind::Expanded;
    c.first.resize(c.nstates + 1);
    c.arcs.resize(static_cast<int>(arcs.size()));
    rate.resize(c.arcs.size());
    int a = 1;
    for (int s = 1; s <= c.nstates; ++s) {
      c.first(s) = a;
      for (const PartArc& arc : arcs) {
        if (arc.source != s) continue;
        c.arcs(a) = {arc.target == 0 ? expanded + arc.type : arc.target, arc.type, 1,
                     arc.target == 0};
        rate(a++) = rates[static_cast<std::size_t>(arc.type) - 1];
      }
    }
    c.first(c.nstates + 1) = a;
  }
};

// One event of rate 1: it fails the part.
HandPart single() { return HandPart(1, {1.0}, {{1, 0, 1}}); }

// Two events A (type 1) and B (type 2) of rate 1 under an AND: states 1 (both
// work), 2 (A failed), 3 (B failed).
HandPart twoUnderAnd(const std::vector<std::string>& names = {}) {
  return HandPart(3, {1.0, 1.0}, {{1, 2, 1}, {1, 3, 2}, {2, 0, 2}, {3, 0, 1}}, names);
}

struct Case {
  std::string what;
  HandPart (*part)();
  std::vector<std::vector<int>> symmetries;
  int count;
  int failing;
  int expanded;  // states of the composed chain
  double mttf;
};

// - m parts of one event under an AND: one state per number failed, m; the
//   MTTF of the last of m exponentials of rate 1, 1 + 1/2 + ... + 1/m.
// - Two parts, each A AND B, under an OR: pairs of the states 1, 2, 3
//   without regard to order, 6; with the symmetry exchanging A and B in
//   both parts at once, (1,2) and (1,3) are one, (2,2) and (3,3) too: 4.  A
//   part lasts the longer of two exponentials, 2e^-t - e^-2t; the OR, the
//   shorter of two parts: int (2e^-t - e^-2t)^2 dt = 2 - 4/3 + 1/4.
TEST(ProductChain, FoldsPartsAlikeAndTheirSymmetries) {
  const std::vector<int> swap = {0, 2, 1};
  const std::vector<Case> cases = {
      {"3 under AND", single, {}, 3, 3, 3, 1 + 1.0 / 2 + 1.0 / 3},
      {"5 under AND", single, {}, 5, 5, 5, 1 + 1.0 / 2 + 1.0 / 3 + 1.0 / 4 + 1.0 / 5},
      {"pairs", [] { return twoUnderAnd(); }, {}, 2, 1, 6, 2 - 4.0 / 3 + 0.25},
      {"pairs, symmetric", [] { return twoUnderAnd(); }, {swap}, 2, 1, 4, 2 - 4.0 / 3 + 0.25},
  };
  for (const Case& c : cases) {
    const HandPart part = c.part();
    SharedParts in;
    in.part = &part.chain;
    in.rate = &part.rate;
    in.shared.assign(static_cast<std::size_t>(part.chain.ntypes) + 1, 0);
    in.symmetries = c.symmetries;
    in.count = c.count;
    in.failing = c.failing;
    Chain whole;
    Array1<double> rate;
    Error error;
    ASSERT_EQ(productChain(in, whole, rate, error), Composition::composed)
        << c.what << ": " << error.message();
    Array1<int> order;
    ASSERT_TRUE(topologicalOrder(whole, order, error)) << c.what;
    const Figures f = solveFigures(whole, rate, order);
    EXPECT_EQ(f.operational, c.expanded) << c.what;
    EXPECT_NEAR(f.mttfLower, c.mttf, 1e-13 * c.mttf) << c.what;
    EXPECT_NEAR(f.pFailLower, 1.0, 1e-14) << c.what;
  }
}

// A symmetry the part's chain does not keep (A fails the part at once, B
// does not), and a rate name that stands for two types.
TEST(ProductChain, RefusesWhatTheCompositionDoesNotHoldFor) {
  const HandPart lopsided(2, {1.0, 1.0}, {{1, 0, 1}, {1, 2, 2}, {2, 0, 1}});
  const HandPart twoNames = twoUnderAnd({"T1", "T1"});
  const std::vector<std::pair<const HandPart*, std::vector<std::vector<int>>>> cases = {
      {&lopsided, {{0, 2, 1}}},
      {&twoNames, {}},
  };
  for (const auto& [part, symmetries] : cases) {
    SharedParts in;
    in.part = &part->chain;
    in.rate = &part->rate;
    in.shared.assign(3, 0);
    in.symmetries = symmetries;
    in.count = 2;
    in.failing = 1;
    Chain whole;
    Array1<double> rate;
    Error error;
    EXPECT_EQ(productChain(in, whole, rate, error), Composition::refused);
    EXPECT_FALSE(error.message().empty());
  }
}

}  // namespace
}  // namespace molvex
