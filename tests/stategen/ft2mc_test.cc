#include "stategen/ft2mc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "stategen/store.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

// One component of type 1 under the top box.
struct Model {
  testing::ScratchDir dir;
  testing::Console con;
  Model() {
    dir.write("M.DIC", "1 PART LAM\n  BODY\n");
    dir.write("M.FTR", "N 1 1 16 1\nN 2 2 22\nA 1 1 2 2\n");
  }
  int run(int ntrunc = 0) { return FT2MC("M              ", 15, ntrunc, 1); }
};

// File names appear in messages as 20-character texts.
std::string NAME(const std::string& name) { return name + std::string(20 - name.size(), ' '); }

Lines statistics(int nint, int nuniq, int nfail, int narcs, int level) {
  auto col = [](int v) {
    std::string s = std::to_string(v);
    return std::string(s.size() < 8 ? 8 - s.size() : 0, ' ') + s;
  };
  std::string l = std::to_string(level);
  l = std::string(l.size() < 3 ? 3 - l.size() : 0, ' ') + l;
  return {" FT2MC:  " + col(nint) + " internal states generated when error occurred",
          "     " + col(nuniq) + " unique nonfailure states",
          "     " + col(nfail) + " failure states",
          "     " + col(narcs) + " Markov chain transitions generated for TAVO engine",
          "      States with " + l + " covered failures were being generated when error occurred"};
}

Lines concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Generation, OutputFilesThatCannotBeOpenedAreReported) {
  {
    Model m;
    std::filesystem::create_directory(m.dir.path() / "M.INT");
    EXPECT_EQ(m.run(), -1);
    EXPECT_EQ(m.con.lines(),
              concat({" **** FT2MC: ERROR F504 - ERROR OPENING MARKOV CHAIN OUTPUT FILE " + NAME("M.INT")},
                     statistics(0, 0, 0, 0, 0)));
  }
  {
    Model m;
    std::filesystem::create_directory(m.dir.path() / "M.TUP");
    EXPECT_EQ(m.run(), -1);
    EXPECT_EQ(m.con.lines(),
              concat({" **** FT2MC: ERROR F513 - ERROR OPENING STATE TUPLE FILE " + NAME("M.TUP")},
                     statistics(0, 0, 0, 0, 0)));
  }
}

TEST(Generation, AFullDiskIsAFailureNotASuccess) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
  Model m;
  std::filesystem::create_symlink("/dev/full", m.dir.path() / "M.INT");
  EXPECT_EQ(m.run(), -1);
  EXPECT_EQ(m.con.lines(),
            concat({" **** FT2MC: ERROR F514 - ERROR WRITING OUTPUT FILE " + NAME("M.INT")},
                   statistics(2, 1, 1, 1, 0)));
  EXPECT_EQ(m.dir.read("M.DIC"), "1 PART LAM\n  BODY\n");  // not rewritten after a failure
}

TEST(Generation, ComponentTypesMustBeInTheDictionary) {
  Model m;
  m.dir.write("M.FTR", "N 1 1 16 2\nN 2 2 22\nA 1 1 2 2\n");
  EXPECT_EQ(m.run(), -1);
  EXPECT_EQ(m.con.lines(),
            (Lines{" **** FT2MC: ERROR F509 - COMPONENT TYPE 2 OF BASIC COMPONENT 1 NOT IN "
                   "DICTIONARY ****"}));
  EXPECT_FALSE(std::filesystem::exists(m.dir.path() / "M.INT"));
}

TEST(Generation, FailuresOfTheReadersEndTheModelWithTheirStatus) {
  Model m;
  m.dir.write("M.TXT", "NODE 1 TYPE BASIC 1 OF COMPONENT 1\n");
  EXPECT_EQ(m.run(), -11);  // no system-failure box in the text
  EXPECT_EQ(m.con.lines().back(),
            " **** CVRTXT: ERROR F916 - \"SYSTEM-FAILURE\" BOX NOT SPECIFIED, FAULT TREE "
            "INCOMPLETE ****");
}

// `basics` components of type 1; the first `sharing` are the primaries of
// cold spare gates that all share component sharing+1 as their spare (two
// slots a gate), the next 2*pands are the inputs of priority-AND gates in
// pairs, and the top event is an OR of the gates and the other components.
std::string wideTree(int basics, int pands, int sharing) {
  std::string tree;
  std::string top = "N 301 1 17\n";
  const auto arc = [](int from, int to) {
    return "A " + std::to_string(from) + " 1 " + std::to_string(to) + " 1\n";
  };
  for (int i = 1; i <= basics; ++i) tree += "N " + std::to_string(i) + " 1 16 1\n";
  for (int g = 1; g <= sharing; ++g) {
    tree +=
        "N " + std::to_string(100 + g) + " 1 25\n" + arc(g, 100 + g) + arc(sharing + 1, 100 + g);
    top += arc(100 + g, 301);
  }
  const int first = sharing > 0 ? sharing + 2 : 1;
  for (int g = 1; g <= pands; ++g) {
    const int a = first + 2 * (g - 1);
    tree += "N " + std::to_string(200 + g) + " 1 27\n" + arc(a, 200 + g) + arc(a + 1, 200 + g);
    top += arc(200 + g, 301);
  }
  for (int i = first + 2 * pands; i <= basics; ++i) top += arc(i, 301);
  return tree + top + "N 302 1 22\n" + arc(301, 302);
}

// Basic components, PAND order slots and shared-spare slots all count
// towards the 96 slots of a state; 96 must run.  A tree without PAND and
// cold spare gates keeps its states in another form, so both forms are run.
TEST(Generation, StateVectorsAreHeldToTheirLimit) {
  const struct {
    int basics, pands, sharing;
    int slots;
    std::string tuples;  // the number of states of the chain, for a run
  } cases[] = {
      {96, 0, 0, 96, "2"},  // the first failure is the top event
      // 3 states of the spares (neither gate or one of them on the spare)
      // times 4 of each PAND (none, one or both failed, the second first),
      // and the failure state.
      {90, 2, 2, 96, "49"},
      {96, 1, 0, 97, ""},
      {91, 2, 2, 97, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.basics << " basic, " << c.pands << " PAND, " << c.sharing << " sharing CSP");
    Model m;
    m.dir.write("M.FTR", wideTree(c.basics, c.pands, c.sharing));
    const std::string slots = std::to_string(c.slots);
    if (c.tuples.empty()) {
      EXPECT_EQ(m.run(), -1);
      EXPECT_EQ(m.con.lines(), (Lines{" **** FT2MC: ERROR F508 - STATE VECTOR TOO LONG: " + slots +
                                      " SLOTS, MAX = 96 ****"}));
      EXPECT_FALSE(std::filesystem::exists(m.dir.path() / "M.INT"));
      continue;
    }
    EXPECT_EQ(m.run(), 1);
    EXPECT_TRUE(m.con.lines().empty()) << m.con.screen();
    // The comment of the first arc shows the whole root state.
    const std::string chain = m.dir.read("M.INT");
    const std::size_t from = chain.find(" * ");
    ASSERT_NE(from, std::string::npos);
    std::istringstream root(chain.substr(from + 3, chain.find(" ->", from) - from - 3));
    int n = 0;
    for (std::string word; root >> word;) ++n;
    EXPECT_EQ(n, c.slots);
    const std::string tup = m.dir.read("M.TUP");
    EXPECT_EQ(tup.substr(tup.rfind("\n -1\n")), "\n -1\n " + c.tuples + "\n");
  }
}

// A chain of 80,001 states: one component of 100,000 units under a gate that
// never fails, so every level holds one state.
TEST(Generation, TheStateNumberLimitStopsTheGeneration) {
  Model m;
  m.dir.write("M.FTR", "N 1 1 16 100000*1\nN 2 2 18 100001/100000\nA 1 1 2 2\nN 3 3 22\n"
                       "A 2 2 3 3\n");
  EXPECT_EQ(m.run(), -1);
  EXPECT_EQ(m.con.lines(), concat({" **** FT2MC: ERROR F510 - TOO MANY STATES GENERATED, MAX = "
                                   "80000"},
                                  statistics(80001, 80000, 0, 79999, 79999)));
}

// A raised limit: the same chain runs to its end within 200,000 states, and
// a limit it passes is reported as the limit in force.  The default comes
// back whole: pools and work area of exactly the documented size.
TEST(Generation, ARaisedStateLimitSizesTheTablesToMatch) {
  struct Restore {
    ~Restore() { setStateLimit(80000); }
  } restore;
  EXPECT_EQ(setStateLimit(79999), -1);
  EXPECT_EQ(setStateLimit(10000001), -1);
  const char* tree = "N 1 1 16 100000*1\nN 2 2 18 100001/100000\nA 1 1 2 2\nN 3 3 22\nA 2 2 3 3\n";
  {
    ASSERT_EQ(setStateLimit(200000), 1);
    EXPECT_EQ(MAXSTA, 200000);
    EXPECT_EQ(POOLWD, 1450000);
    EXPECT_EQ(WRKSIZ, 19200000);
    Model m;
    m.dir.write("M.FTR", tree);
    EXPECT_EQ(m.run(), 1) << m.con.screen();
    EXPECT_NE(m.dir.read("M.TUP").find("\n -1\n 100001\n"), std::string::npos);
  }
  {
    ASSERT_EQ(setStateLimit(90000), 1);
    Model m;
    m.dir.write("M.FTR", tree);
    EXPECT_EQ(m.run(), -1);
    EXPECT_EQ(m.con.lines().front(), " **** FT2MC: ERROR F510 - TOO MANY STATES GENERATED, MAX = 90000");
  }
  ASSERT_EQ(setStateLimit(80000), 1);
  EXPECT_EQ(MAXSTA, 80000);
  EXPECT_EQ(POOLWD, 580000);
  EXPECT_EQ(WRKSIZ, 7680000);
}

}  // namespace
}  // namespace molvex
