// Files that are missing, cannot be read or cannot be written, met by a
// whole generation: each is a failure with its message, never a success,
// and the dictionary survives a failed or interrupted rewrite whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "dict/dict.h"
#include "stategen/ft2mc.h"
#include "support/console.h"
#include "util/array1.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string DICT = "1 PART LAM\n  BODY\n";
const std::string TREE = "N 1 1 16 1\nN 2 2 22\nA 1 1 2 2\n";
const std::string TEXT = "NODE 2 TYPE FBOX INPUT 1\nNODE 1 TYPE BASIC 1 OF COMPONENT 1\n";

Lines statistics(int nint, int nuniq, int nfail, int narcs) {
  auto col = [](int v) {
    const std::string s = std::to_string(v);
    return std::string(8 - s.size(), ' ') + s;
  };
  return {" FT2MC:  " + col(nint) + " internal states generated when error occurred",
          "     " + col(nuniq) + " unique nonfailure states",
          "     " + col(nfail) + " failure states",
          "     " + col(narcs) + " Markov chain transitions generated for TAVO engine",
          "      States with   0 covered failures were being generated when error occurred"};
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The model M, one component under the top box, given as a fault tree file
// or a text description, in a directory of its own.
struct Model {
  testing::ScratchDir dir;
  testing::Console con;
  explicit Model(const std::string& tree = "M.FTR") {
    dir.write("M.DIC", DICT);
    dir.write(tree, tree == "M.TXT" ? TEXT : TREE);
  }
  int run() { return FT2MC("M              ", 15, 0, 1); }
};

const std::string READERROR =
    " **** GETLIN: ERROR U501 - ERROR ENCOUNTERED READING INPUT LINE FROM FILE";

// How a model file is spoilt.
enum class Spoilt { MISSING, DIRECTORY, UNREADABLE, FULL };

struct Fault {
  const char* what;
  std::string tree;  // M.FTR or M.TXT, with TREE or TEXT
  std::string file;  // the file that is spoilt
  Spoilt how;
  Lines screen;
};

void spoil(const std::string& file, Spoilt how) {
  fs::remove(file);
  if (how == Spoilt::DIRECTORY) fs::create_directory(file);
  // Reading this file fails with an input error at its first byte.
  if (how == Spoilt::UNREADABLE) fs::create_symlink("/proc/self/mem", file);
  if (how == Spoilt::FULL) fs::create_symlink("/dev/full", file);
}

TEST(FileFaults, EachFileThatCannotBeReadEndsTheModel) {
  const Fault faults[] = {
      {"no dictionary", "M.FTR", "M.DIC", Spoilt::MISSING,
       {" **** RDDICT: ERROR F600 - DICTIONARY FILE NOT FOUND ****"}},
      {"a dictionary that cannot be opened", "M.FTR", "M.DIC", Spoilt::DIRECTORY,
       {" **** RDDICT: ERROR F602 - ERROR OPENING DICTIONARY FILE ****"}},
      {"a dictionary that cannot be read", "M.FTR", "M.DIC", Spoilt::UNREADABLE,
       {READERROR, " **** RDDICT: TRACEBACK - ERROR RETURNED BY GETLIN() ****"}},
      {"a text description that cannot be opened", "M.TXT", "M.TXT", Spoilt::DIRECTORY,
       {" **** CVRTXT: ERROR F917 - ERROR OPENING TEXT DESCRIPTION FILE M.TXT         ****"}},
      {"a text description that cannot be read", "M.TXT", "M.TXT", Spoilt::UNREADABLE,
       {READERROR, " **** NXTFTN: TRACEBACK - ERROR -1 RETURNED BY GETLIN() ****",
        " **** CVRTXT:  TRACEBACK - ERROR -1 RETURNED BY NXTFTN()"}},
      {"a fault tree file that cannot be written", "M.TXT", "M.FTR", Spoilt::DIRECTORY,
       {" **** CVRTXT: ERROR F918 - ERROR OPENING FAULT TREE FILE M.FTR         ****"}},
      {"a fault tree file written to a full disk", "M.TXT", "M.FTR", Spoilt::FULL,
       {" **** CVRTXT: ERROR F920 - ERROR WRITING FAULT TREE FILE M.FTR         ****"}},
      {"no fault tree file", "M.FTR", "M.FTR", Spoilt::MISSING,
       {" **** PASS1: ERROR F700 - FAULT TREE DESCRIPTION FILE (M.FTR               ) NOT "
        "FOUND ****"}},
      {"a fault tree file that cannot be opened", "M.FTR", "M.FTR", Spoilt::DIRECTORY,
       {" **** PASS1: ERROR F702 - ERROR OPENING INPUT FILE M.FTR                ****"}},
      {"a fault tree file that cannot be read", "M.FTR", "M.FTR", Spoilt::UNREADABLE,
       {READERROR, " **** PASS1: TRACEBACK - ERROR -1 RETURNED BY GETLIN()"}},
  };
  for (const Fault& fault : faults) {
    Model m(fault.tree);
    spoil(fault.file, fault.how);
    EXPECT_EQ(m.run(), -1) << fault.what;
    EXPECT_EQ(m.con.lines(), fault.screen) << fault.what;
    EXPECT_FALSE(fs::exists("M.INT")) << fault.what;
  }
}

// The tuples are written last, after the dictionary: their loss is still a
// failure of the model.
TEST(FileFaults, TuplesWrittenToAFullDiskAreAFailure) {
  Model m;
  spoil("M.TUP", Spoilt::FULL);
  EXPECT_EQ(m.run(), -1);
  EXPECT_EQ(m.con.lines(),
            Lines{" **** FT2MC: ERROR F514 - ERROR WRITING OUTPUT FILE M.TUP               "} +
                statistics(2, 1, 1, 1));
}

TEST(FileFaults, ADictionaryThatCannotBeRewrittenStaysAsItWas) {
  Model m;
  spoil("M.DIC.NEW", Spoilt::FULL);
  EXPECT_EQ(m.run(), -1);
  EXPECT_EQ(m.con.lines(), Lines{" **** WRTDCT: ERROR F606 - ERROR WRITING DICTIONARY FILE ****"});
  EXPECT_EQ(m.dir.read("M.DIC"), DICT);
  // Gone, or turned into a directory, between reading and rewriting.
  Array1<int> FAILST(1, 2);
  Array1<int> TRNCST(1, 0);
  m.con.clear();
  spoil("M.DIC", Spoilt::DIRECTORY);
  EXPECT_EQ(WRTDCT("M.DIC", 1, FAILST, TRNCST, 0), -1);
  spoil("M.DIC", Spoilt::MISSING);
  EXPECT_EQ(WRTDCT("M.DIC", 1, FAILST, TRNCST, 0), -1);
  EXPECT_EQ(m.con.lines(), (Lines{" **** WRTDCT: ERROR F602 - ERROR OPENING DICTIONARY FILE ****",
                                  " **** WRTDCT: ERROR F600 - DICTIONARY FILE NOT FOUND ****"}));
}

TEST(FileFaults, OutputFilesInADirectoryWithoutWritePermission) {
  Model m;
  fs::permissions(m.dir.path(),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const bool writable = std::ofstream("PROBE").is_open();
  if (writable) {
    fs::permissions(m.dir.path(), fs::perms::owner_write, fs::perm_options::add);
    GTEST_SKIP() << "this user (root) creates files in a directory without write permission";
  }
  EXPECT_EQ(m.run(), -1);
  fs::permissions(m.dir.path(), fs::perms::owner_write, fs::perm_options::add);
  const std::string f504 = " **** FT2MC: ERROR F504 - ERROR OPENING MARKOV CHAIN OUTPUT FILE ";
  EXPECT_EQ(m.con.lines(), Lines{f504 + "M.INT               "} + statistics(0, 0, 0, 0));
  EXPECT_EQ(m.dir.read("M.DIC"), DICT);
}

// A dictionary of 96 types whose entries have long bodies, so that its
// rewrite takes a while.
std::string largeDictionary() {
  std::string text;
  for (int t = 1; t <= 96; ++t) {
    text += std::to_string(t) + " PART LAM" + std::to_string(t) + "\n";
    for (int i = 0; i < 100; ++i) text += "  " + std::string(70, 'A' + t % 26) + ",\n";
    text += "  END\n";
  }
  return text;
}

// Runs the rewrite in a child process and kills it `delay` after its start.
void rewriteKilledAfter(std::chrono::microseconds delay, CIntTab FAILST, CIntTab TRNCST) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(WRTDCT("M.DIC", 96, FAILST, TRNCST, 1) == 1 ? 0 : 1);
  std::this_thread::sleep_for(delay);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
}

// Killed at any moment, the rewrite leaves the old dictionary or the new
// one, never a mixture or a part.
TEST(FileFaults, ADictionaryRewriteKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  testing::ScratchDir dir;
  testing::Console con;
  Array1<int> FAILST(96);
  Array1<int> TRNCST(96);
  for (int t = 1; t <= 96; ++t) {
    FAILST(t) = 1000 + t;
    TRNCST(t) = 2000 + t;
  }
  const std::string old = largeDictionary();
  dir.write("M.DIC", old);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(WRTDCT("M.DIC", 96, FAILST, TRNCST, 1), 1);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  const std::string rewritten = dir.read("M.DIC");
  ASSERT_NE(rewritten, old);
  std::mt19937 random(6);  // a fixed seed: the moments vary only with the time taken
  std::uniform_int_distribution<long> moment(0, took.count() * 3 / 2);
  for (int i = 0; i < 20; ++i) {
    dir.write("M.DIC", old);
    // What a killed rewrite leaves, the next one would take for another's.
    fs::remove("M.DIC.NEW");
    rewriteKilledAfter(std::chrono::microseconds(moment(random)), FAILST, TRNCST);
    const std::string after = dir.read("M.DIC");
    EXPECT_TRUE(after == old || after == rewritten) << "killed rewrite " << i;
  }
  EXPECT_TRUE(con.lines().empty());
}

}  // namespace
}  // namespace molvex
