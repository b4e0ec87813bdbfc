// Properties every generated chain has, checked on many random trees with
// static and dynamic gates: each arc joins numbered states, the states are
// numbered 1, 2, ... without a gap in the order they are expanded, the .TUP
// trailer counts them, and a truncation bound that no state reaches changes
// nothing but the header and the TAIDS section.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "stategen/ft2mc.h"
#include "stategen/store.h"
#include "support/console.h"

namespace molvex {
namespace {

struct RandomTree {
  std::string ftr;
  int units = 0;
};

// A tree built bottom-up (so without cycles) from a few basic events, with
// gates of every kind the evaluation accepts over what exists so far.
RandomTree randomTree(std::mt19937& rng) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  RandomTree t;
  std::ostringstream out;
  std::vector<int> pool, basics, weight(1, 0);
  int id = 0;
  const int nbasic = pick(1, 5);
  for (int i = 0; i < nbasic; ++i) {
    const int mult = pick(1, 4) == 4 ? 2 : 1;
    ++id;
    out << "N " << id << ' ' << id << " 16 " << mult << '*' << pick(1, 3) << '\n';
    t.units += mult;
    basics.push_back(id);
    pool.push_back(id);
    weight.push_back(mult);
  }
  auto some = [&](const std::vector<int>& from, int n) {
    std::vector<int> v = from;
    std::shuffle(v.begin(), v.end(), rng);
    v.resize(std::min<std::size_t>(v.size(), static_cast<std::size_t>(n)));
    return v;
  };
  auto gate = [&](const std::string& head, const std::vector<int>& inputs, bool usable) {
    ++id;
    out << "N " << id << ' ' << id << ' ' << head << '\n';
    for (int in : inputs) out << "A " << in << ' ' << in << ' ' << id << ' ' << id << '\n';
    weight.push_back(1);
    if (usable) pool.push_back(id);
  };
  const int ngates = pick(1, 4);
  for (int g = 0; g < ngates; ++g) {
    switch (pick(0, 6)) {
      case 0:
        gate("17", some(pool, pick(2, 3)), true);
        break;
      case 1:
        gate("19", some(pool, pick(2, 3)), true);
        break;
      case 2: {
        const std::vector<int> in = some(pool, pick(2, 3));
        int n = 0;
        for (int x : in) n += weight[static_cast<std::size_t>(x)];
        gate("18 " + std::to_string(pick(1, n)) + "/" + std::to_string(n), in, true);
        break;
      }
      case 3:
        if (pool.size() >= 2) gate("27", some(pool, 2), true);
        break;
      case 4: {
        std::vector<int> in = some(pool, 1);
        for (int b : some(basics, pick(1, 2))) {
          if (b != in[0]) in.push_back(b);
        }
        gate("28", in, true);
        break;
      }
      case 5:
        gate("25", some(basics, pick(2, 3)), true);
        break;
      default: {
        std::vector<int> in = some(pool, 1);
        for (int b : some(basics, pick(1, 2))) {
          if (b != in[0]) in.push_back(b);
        }
        gate("29", in, false);
        break;
      }
    }
  }
  ++id;
  out << "N " << id << ' ' << id << " 22\nA " << pool.back() << ' ' << pool.back() << ' ' << id
      << ' ' << id << '\n';
  t.ftr = out.str();
  return t;
}

struct Chain {
  int status = 0;
  std::string header, arcs, tup, dic;
  std::string files;  // the console, .INT, .TUP and .DIC as written
  std::vector<std::pair<int, int>> edges;
  std::vector<int> expanded;
  int total = 0;
  std::set<int> absorbing;  // failure and truncation states from the dictionary
};

Chain generate(const RandomTree& t, int ntrunc) {
  testing::ScratchDir dir;
  testing::Console con;
  dir.write("R.DIC", "1 A LAM1\n A\n2 B LAM2\n B\n3 C LAM3\n C\n");
  dir.write("R.FTR", t.ftr);
  Chain c;
  c.status = FT2MC("R              ", 15, ntrunc, 1);
  for (const std::string& line : con.lines()) c.files += line + '\n';
  for (const char* file : {"R.INT", "R.TUP", "R.DIC"}) c.files += dir.read(file);
  if (c.status != 1) return c;
  std::istringstream ints(dir.read("R.INT"));
  std::getline(ints, c.header);
  std::string line;
  while (std::getline(ints, line)) {
    if (line.size() < 2 || line[1] == '*') continue;
    c.arcs += line + '\n';
    std::istringstream words(line);
    int from = 0, to = 0;
    words >> from >> to;
    c.edges.emplace_back(from, to);
  }
  c.tup = dir.read("R.TUP");
  std::istringstream tup(c.tup);
  int nbasic = 0, number = 0;
  tup >> nbasic;
  while (tup >> number && number != -1) {
    c.expanded.push_back(number);
    for (int i = 0, v = 0; i < nbasic; ++i) tup >> v;
  }
  tup >> c.total;
  c.dic = dir.read("R.DIC");
  std::istringstream dic(c.dic.substr(c.dic.find("FEIDS") + 5));
  std::string word;
  while (dic >> word) {
    if (word != "TAIDS" && word != "0") c.absorbing.insert(std::stoi(word));
  }
  return c;
}

TEST(ChainInvariants, HoldOnRandomTrees) {
  std::mt19937 rng(20261208);
  int generated = 0;
  for (int round = 0; round < 300; ++round) {
    const RandomTree t = randomTree(rng);
    const Chain c = generate(t, 0);
    if (c.status != 1) continue;  // a tree the checks reject (F809, say)
    ++generated;
    SCOPED_TRACE(t.ftr);
    std::set<int> numbered(c.expanded.begin(), c.expanded.end());
    EXPECT_EQ(numbered.size(), c.expanded.size());
    EXPECT_TRUE(std::is_sorted(c.expanded.begin(), c.expanded.end()));
    EXPECT_EQ(c.expanded.front(), 1);
    numbered.insert(c.absorbing.begin(), c.absorbing.end());
    EXPECT_EQ(static_cast<int>(numbered.size()), c.total);
    EXPECT_EQ(*numbered.rbegin(), c.total);  // 1..total, no gap
    for (const auto& [from, to] : c.edges) {
      EXPECT_TRUE(std::binary_search(c.expanded.begin(), c.expanded.end(), from)) << from;
      EXPECT_EQ(numbered.count(to), 1u) << to;
    }

    const Chain wide = generate(t, t.units + 1);
    ASSERT_EQ(wide.status, 1);
    EXPECT_EQ(wide.header, " SORTED TRUNC= " + std::to_string(t.units + 1) +
                               (c.header == " SORTED CSPARE" ? " CSPARE" : ""));
    EXPECT_EQ(wide.arcs, c.arcs);
    EXPECT_EQ(wide.tup, c.tup);
    EXPECT_EQ(wide.dic.substr(0, wide.dic.find(" TAIDS")), c.dic);
  }
  EXPECT_GT(generated, 150);
}

// Trees without warm spares, spare modules, units that fail only when forced
// or spare gates that replace, complete and truncated, give the files (and
// the messages) that the generation gave before those came: byte for byte,
// as their FNV-1a digest, taken with the generation as it was then, says.
// Tables that grow from a few words, doubling many times in every chain,
// give the same.
TEST(ChainInvariants, RandomTreesGiveTheFilesTheyAlwaysGave) {
  struct Restore {
    ~Restore() { setStateLimit(leastStateLimit); }
  } restore;
  for (const bool grow : {false, true}) {
    if (grow) {
      ASSERT_EQ(setTableGrowth(mostStateLimit, 16, 2048), 1);
    }
    std::mt19937 rng(20261209);
    std::uint64_t digest = 14695981039346656037ULL;
    for (int round = 0; round < 200; ++round) {
      const RandomTree t = randomTree(rng);
      for (const int ntrunc : {0, 1, 2}) {
        const Chain c = generate(t, ntrunc);
        for (const char byte : std::to_string(c.status) + c.files) {
          digest = (digest ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
        }
      }
    }
    EXPECT_EQ(digest, 14291391150797648905ULL) << (grow ? "growing tables" : "tables sized once");
  }
}

}  // namespace
}  // namespace molvex
