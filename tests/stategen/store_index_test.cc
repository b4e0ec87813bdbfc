// The index of the state lists must give exactly the node that walking the
// list gives: first the store's own cases, then whole generations of every
// sample model and of random trees, once with the index and once with the
// plain walk, which must write the same files and print the same lines (with
// the index, whether a successor is new is looked up; with the walk the
// canonical rule says, so the runs compare the two as well).  The
// same generations check that the dependencies walked only where a failure
// of the transition reaches their trigger force what walking them all does,
// and that the tree's flat form gives what the walk of the place table does.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "gates/depchk.h"
#include "gates/flattr.h"
#include "main/dialog.h"
#include "main/globals.h"
#include "stategen/store.h"
#include "support/console.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;

// Two pools as in a generation, with indexes unless `indexed` is 0; three
// basic components of multiplicity 2, 1, 3, or `slots` of one unit each.
struct Store {
  Array1<int> words1, words2, heads{MAXNSZ};
  StateStore st;
  FaultTree ft;
  int nslot;
  Array1<int> work, code;
  explicit Store(int indexed, int slots = 3, int words = 2000)
      : words1(words),
        words2(words),
        st{{words1, heads}, {words2, heads}},
        nslot(slots),
        work(slots),
        code(slots + 3) {
    INITDR();
    st.USEIDX = indexed;
    INIDYN(st.POOL1, 0, 1, 5, 6);
    INIDYN(st.POOL2, 0, 1, 5, 6);
    INIIDX(st);
    for (int i = 1; i <= slots; ++i) ft.BASE(i) = slots == 3 ? std::vector<int>{2, 1, 3}[i - 1] : 1;
  }
  // Pushes a state (the slots, level, number) on the level list, encoded.
  void push(std::vector<int> w) {
    Array1<int> v(nslot + 2);
    for (int i = 1; i <= nslot + 2; ++i) v(i) = w[i - 1];
    ASSERT_EQ(AD2LST(st.POOL1, st.LVLHD, nslot, v, work, code, ft.BASE, 1, st.levelIndex()), 1);
  }
  // The number of the stored twin of the slots, or 0.
  int find(std::vector<int> slots) {
    Array1<int> v(nslot + 2);
    for (int i = 1; i <= nslot; ++i) v(i) = slots[i - 1];
    int number = 0, failmk = 0, level = 0;
    SRCHST(st.POOL1, st.LVLHD, nslot, v, work, code, ft.BASE, number, failmk, level, 1,
           st.levelIndex());
    return number;
  }
};

TEST(StateIndex, GivesTheMostRecentTwinAsTheWalkDoes) {
  for (int indexed : {0, 1}) {
    Store s(indexed);
    s.push({1, 1, 3, 1, 2});
    s.push({2, 0, 3, 1, 3});
    s.push({1, 1, 3, 1, 4});  // same failed slots as state 2
    s.push({2, 1, 2, 1, 5});
    EXPECT_EQ((std::vector<int>{s.find({1, 1, 3}), s.find({2, 0, 3}), s.find({2, 1, 2}),
                                s.find({0, 1, 3})}),
              (std::vector<int>{4, 3, 5, 0}))
        << "indexed " << indexed;
  }
}

// A level of thousands of states (each of 8 failures among 16 slots, as a
// level holds states of one failure count): the probes' range widens as the
// list grows, and every state stays where a search finds it.
TEST(StateIndex, FindsEveryStateOfALevelThatOutgrowsTheFirstSlots) {
  constexpr int slots = 16, states = 3000;
  std::vector<std::vector<int>> level;
  for (int bits = 0; static_cast<int>(level.size()) < states + 50; ++bits) {
    if (__builtin_popcount(static_cast<unsigned>(bits)) != slots / 2) continue;
    level.emplace_back();
    for (int i = 0; i < slots; ++i) level.back().push_back((bits >> i) & 1);
  }
  std::vector<std::vector<int>> found;
  for (int indexed : {0, 1}) {
    Store s(indexed, slots, 60000);
    for (int n = 1; n <= states; ++n) {
      std::vector<int> w = level[static_cast<std::size_t>(n - 1)];
      w.insert(w.end(), {1, n});
      s.push(w);
    }
    found.emplace_back();
    for (const auto& v : level) found.back().push_back(s.find(v));
  }
  EXPECT_EQ(found[0], found[1]);
  EXPECT_EQ(found[1][states - 1], states);
  EXPECT_EQ(found[1][states], 0);
}

TEST(StateIndex, FindsNodesWithoutWalkingTheList) {
  Store s(1);
  s.push({1, 1, 3, 1, 2});
  s.push({2, 0, 3, 1, 3});
  s.words1(s.st.LVLHD + 4) = s.st.POOL1.NULPTR;  // cut the list behind its head
  EXPECT_EQ(s.find({1, 1, 3}), 2);
  s.st.USEIDX = 0;
  EXPECT_EQ(s.find({1, 1, 3}), 0);
}

TEST(StateIndex, IsEmptiedWithTheLevelList) {
  Store s(1);
  s.push({1, 1, 3, 1, 2});
  RSTLVL(s.st);
  EXPECT_EQ(s.find({1, 1, 3}), 0);
  s.push({2, 0, 3, 1, 7});
  EXPECT_EQ(s.find({2, 0, 3}), 7);
  EXPECT_EQ(s.find({1, 1, 3}), 0);
}

TEST(StateIndex, LeavesSearchesToTheWalkAfterAPushItMissed) {
  Store s(1);
  s.push({1, 1, 3, 1, 2});
  Array1<int> v(5);
  for (int i = 1; i <= 5; ++i) v(i) = std::vector<int>{2, 0, 3, 1, 3}[i - 1];
  ASSERT_EQ(AD2LST(s.st.POOL1, s.st.LVLHD, 3, v, s.work, s.code, s.ft.BASE, 1), 1);
  s.push({2, 1, 2, 1, 5});
  EXPECT_EQ((std::vector<int>{s.find({1, 1, 3}), s.find({2, 0, 3}), s.find({2, 1, 2})}),
            (std::vector<int>{2, 3, 5}));
}

// Files by name, with their content.
using Files = std::vector<std::pair<std::string, std::string>>;

// A whole run of the dialogue in a scratch directory: what it printed, its
// status and every file it left.
struct Run {
  std::string screen;
  int status = 0;
  Files files;
};

// The shortcuts of the generation, each with its plain way (0).
const std::vector<int*> shortcuts = {&IDXDEF, &DEPFLT, &FLATEV};

// With the shortcut `plain` turned off, none if null.
Run runModel(const Files& inputs, const std::string& answers, int* plain) {
  testing::ScratchDir dir;
  for (const auto& [name, content] : inputs) dir.write(name, content);
  Run run;
  if (plain != nullptr) *plain = 0;
  {
    testing::Console con(answers);
    run.status = MOLVEX();
    run.screen = con.screen();
  }
  if (plain != nullptr) *plain = 1;
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path());
  std::sort(names.begin(), names.end());
  for (const auto& path : names) {
    run.files.emplace_back(path.filename().string(), dir.read(path.filename().string()));
  }
  return run;
}

// Returns the status of the runs.
int expectSameRuns(const Files& inputs, const std::string& answers, const std::string& what) {
  const Run fast = runModel(inputs, answers, nullptr);
  for (int* shortcut : shortcuts) {
    const Run plain = runModel(inputs, answers, shortcut);
    EXPECT_EQ(fast.status, plain.status) << what;
    EXPECT_EQ(fast.screen, plain.screen) << what;
    EXPECT_EQ(fast.files, plain.files) << what;
  }
  return fast.status;
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(StateIndex, EverySampleModelGivesTheFilesOfTheWalk) {
  int models = 0;
  for (const char* root : {"examples", "tests/golden"}) {
    for (const auto& folder : fs::directory_iterator(fs::path(MOLVEX_SOURCE_DIR) / root)) {
      if (!fs::exists(folder.path() / "answers.txt")) continue;
      Files inputs;
      for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.is_regular_file()) {
          inputs.emplace_back(entry.path().filename().string(), slurp(entry.path()));
        }
      }
      expectSameRuns(inputs, slurp(folder.path() / "answers.txt"), folder.path().string());
      ++models;
    }
  }
  EXPECT_GT(models, 10);
}

// Random fault trees: a few components of one or two units, static gates
// over them, and, as drawn, cold spare gates (some sharing a spare),
// priority-AND and sequence gates (nested too) and boxes in the tree, and
// functional dependencies and a dynamic gate beside it.
class RandomTree {
 public:
  explicit RandomTree(unsigned seed) : rng_(seed) {
    const int n = draw(3, 7);
    std::vector<int> parts;
    for (int i = 0; i < n; ++i) {
      mult_.push_back(draw(0, 3) == 0 ? 2 : 1);
      parts.push_back(
          node("16 " + std::to_string(mult_.back()) + "*" + std::to_string(draw(1, 3))));
    }
    std::vector<int> roots = parts;
    std::vector<int> free = parts;  // not an input of a cold spare gate
    if (draw(0, 2) == 0) coldSpares(roots, free);
    // A second gate of each kind may take the first as an input: nested
    // priority-AND gates, a sequence whose leftmost input is a sequence, a
    // priority-AND gate or a box.
    for (int twice = 0; twice < 2; ++twice) {
      if (draw(0, 2) == 0 && roots.size() >= 2) {
        const int a = take(roots), b = take(roots);
        roots.push_back(gate("27", {a, b}));
      }
      if (draw(0, 4) == 0 && !roots.empty()) roots.push_back(gate("21 B", {take(roots)}));
      if (draw(0, 2) == 0 && roots.size() >= 2) sequence(roots, free);
    }
    while (roots.size() > 1) {
      std::vector<int> inputs;
      const int count = draw(2, std::min<int>(3, static_cast<int>(roots.size())));
      for (int i = 0; i < count; ++i) inputs.push_back(take(roots));
      if (draw(0, 3) == 0) inputs.push_back(parts[static_cast<std::size_t>(draw(0, n - 1))]);
      roots.push_back(staticGate(inputs));
    }
    const int top = roots.front();
    if (draw(0, 2) == 0) {
      for (int d = draw(1, 2); d > 0; --d) {
        const int trigger = draw(1, nodes_ - 1);
        gate("29", {trigger, parts[static_cast<std::size_t>(draw(0, n - 1))]});
      }
    }
    gate("22", {top});
    // A dynamic gate the top does not reach is checked all the same.
    if (draw(0, 4) == 0) {
      gate(draw(0, 1) == 0 ? "27" : "28", {parts[static_cast<std::size_t>(draw(0, n - 1))],
                                           parts[static_cast<std::size_t>(draw(0, n - 1))]});
    }
  }
  const std::string& ftr() const { return ftr_; }

 private:
  int draw(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  int take(std::vector<int>& from) {
    const auto i = static_cast<std::size_t>(draw(0, static_cast<int>(from.size()) - 1));
    const int node = from[i];
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(i));
    return node;
  }

  void drop(std::vector<int>& from, int node) {
    from.erase(std::remove(from.begin(), from.end(), node), from.end());
  }

  int node(const std::string& what) {
    const std::string at = std::to_string(++nodes_);
    ftr_ += "N " + at + " " + at + " " + what + "\n";
    return nodes_;
  }

  int gate(const std::string& what, const std::vector<int>& inputs) {
    const int g = node(what);
    for (int in : inputs) {
      ftr_ += "A " + std::to_string(in) + " " + std::to_string(in) + " " + std::to_string(g) + " " +
              std::to_string(g) + "\n";
    }
    return g;
  }

  // OR, AND or an M/N gate, whose N counts the units of basic inputs.
  int staticGate(const std::vector<int>& inputs) {
    switch (draw(0, 2)) {
      case 0:
        return gate("17", inputs);
      case 1:
        return gate("19", inputs);
      default: {
        int units = 0;
        for (int in : inputs) {
          units +=
              in <= static_cast<int>(mult_.size()) ? mult_[static_cast<std::size_t>(in - 1)] : 1;
        }
        return gate("18 " + std::to_string(draw(1, units)) + "/" + std::to_string(units), inputs);
      }
    }
  }

  // One or two gates of a primary and spares; two gates may share a spare.
  void coldSpares(std::vector<int>& roots, std::vector<int>& free) {
    if (free.size() < 3) return;
    const bool sharing = free.size() >= 5 && draw(0, 1) == 0;
    const int shared = sharing ? take(free) : 0;
    for (int g = sharing ? 2 : 1; g > 0 && free.size() >= 2; --g) {
      std::vector<int> inputs{take(free), take(free)};
      if (sharing) inputs.push_back(shared);
      for (int in : inputs) drop(roots, in);
      roots.push_back(gate("25", inputs));
    }
  }

  // A sequence from a leftmost root over components of no cold spare gate.
  void sequence(std::vector<int>& roots, std::vector<int>& free) {
    const int first = take(roots);
    std::vector<int> inputs{first};
    for (int in : free) {
      if (in != first && inputs.size() < 3 &&
          std::find(roots.begin(), roots.end(), in) != roots.end()) {
        inputs.push_back(in);
      }
    }
    if (inputs.size() < 2) {
      roots.push_back(first);
      return;
    }
    for (int in : inputs) drop(roots, in);
    roots.push_back(gate("28", inputs));
  }

  std::mt19937 rng_;
  int nodes_ = 0;
  std::vector<int> mult_;  // of the basic components, which are nodes 1, 2, ...
  std::string ftr_;
};

const std::string dic = "1 PART LAM1\n  BODY\n2 PART LAM2\n  BODY\n3 PART LAM3\n  BODY\n";

// Dependencies the walks skipped where no failure of the transition
// reaches their trigger must still act: a trigger that is a gate sharing a
// spare fails only when the spare gates have acted, after the dependencies,
// so that the dependency acts in the next transition, whatever fails in it;
// an AND of no inputs has occurred in the root, so that its dependency acts
// in every transition from there.
TEST(StateIndex, TriggersNoFailureOfTheTransitionReachesAct) {
  const std::vector<std::string> trees = {
      "N 1 1 16 1*1\nN 2 2 16 1*2\nN 3 3 16 1*3\nN 4 4 16 1*1\nN 5 5 16 1*2\n"
      "N 6 6 25\nA 1 1 6 6\nA 3 3 6 6\nN 7 7 25\nA 2 2 7 7\nA 3 3 7 7\n"
      "N 8 8 29\nA 6 6 8 8\nA 4 4 8 8\n"
      "N 9 9 19\nA 4 4 9 9\nA 5 5 9 9\nA 7 7 9 9\nN 10 10 22\nA 9 9 10 10\n",
      "N 1 1 16 1*1\nN 2 2 16 1*2\nN 3 3 16 2*3\nN 7 7 19\nN 4 4 29\nA 7 7 4 4\nA 2 2 4 4\n"
      "N 5 5 19\nA 2 2 5 5\nA 3 3 5 5\nA 1 1 5 5\nN 6 6 22\nA 5 5 6 6\n"};
  for (const std::string& ftr : trees) {
    EXPECT_EQ(expectSameRuns({{"R.FTR", ftr}, {"R.DIC", dic}}, "R\n0\nn\n", ftr), 0);
  }
}

TEST(StateIndex, RandomTreesGiveTheFilesOfTheWalk) {
  int generated = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const RandomTree tree(seed);
    for (int ntrunc : {0, 1 + static_cast<int>(seed % 3)}) {
      const Files inputs{{"R.FTR", tree.ftr()}, {"R.DIC", dic}};
      const std::string answers = "R\n" + std::to_string(ntrunc) + "\nn\n";
      const int status =
          expectSameRuns(inputs, answers, "seed " + std::to_string(seed) + "\n" + tree.ftr());
      generated += status == 0 ? 1 : 0;
    }
  }
  // Most trees must make it to a chain, or the comparison says little.
  EXPECT_GT(generated, 100);
}

}  // namespace
}  // namespace molvex
