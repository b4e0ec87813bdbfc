#include "stategen/ft2mc.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// 96 basic components and a priority-AND gate need 97 slots.
TEST(Generation, StateVectorsLongerThanTheLimitAreRefused) {
  Model m;
  std::string tree;
  for (int i = 1; i <= 96; ++i) tree += "N " + std::to_string(i) + " 1 16 1\n";
  tree += "N 97 1 27\nA 1 1 97 1\nA 2 1 97 1\nN 98 1 22\nA 97 1 98 1\n";
  m.dir.write("M.FTR", tree);
  EXPECT_EQ(m.run(), -1);
  EXPECT_EQ(m.con.lines(),
            (Lines{" **** FT2MC: ERROR F508 - STATE VECTOR TOO LONG: 97 SLOTS, MAX = 96 ****"}));
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
