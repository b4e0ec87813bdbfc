// The limits of a model, each reached through a whole generation: the
// message, the status, and no output files left as if the model had been
// generated.
//
// Three limits cannot be reached this way, and are tested on their routines:
// - the index list (7,680,000 words) would need 2.56 million node lines;
// - the queue holds 78,367 state vectors of the longest kind, and the state
//   numbers run out first: 96 components of several units, the most
//   transitions a state can have, leave 78,211 states waiting when the
//   80,000th number is handed out (a trigger taking others down changes
//   nothing, fewer components leave fewer);
// - 192 transitions of one state: a component gives one transition, or one
//   per sharing cold spare gate that holds a unit of it, which has a slot of
//   the state for it, so a state of at most 96 slots has at most 96.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "stategen/ft2mc.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

// A line of the text description as the converter shows it after a message.
std::string echo(const std::string& line) { return " " + padded(line, 100); }

std::string converterTraceback(int status) {
  return " **** CVRTXT:  TRACEBACK - ERROR " + std::to_string(status) + " RETURNED BY NXTFTN()";
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The statistics after a failed generation.
Lines statistics(int nint, int nuniq, int nfail, int narcs, int level) {
  auto col = [](int v, std::size_t width) {
    const std::string s = std::to_string(v);
    return std::string(s.size() < width ? width - s.size() : 0, ' ') + s;
  };
  return {" FT2MC:  " + col(nint, 8) + " internal states generated when error occurred",
          "     " + col(nuniq, 8) + " unique nonfailure states",
          "     " + col(nfail, 8) + " failure states",
          "     " + col(narcs, 8) + " Markov chain transitions generated for TAVO engine",
          "      States with " + col(level, 3) +
              " covered failures were being generated when error occurred"};
}

const std::string DICT = "1 PART LAM\n  BODY\n";

// n basic events of type 1 as node lines of a fault tree file, with the
// system-failure box over the first.
std::string basicEvents(int n) {
  std::string tree;
  for (int i = 1; i <= n; ++i) tree += "N " + std::to_string(i) + " 1 16 1\n";
  return tree + "N 0 9 22\nA 1 1 0 9\n";
}

// A gate sentence whose input list runs on over the lines it needs.
std::string gate(int node, const std::string& kind, const std::vector<int>& inputs) {
  std::string text;
  std::string line = "NODE " + std::to_string(node) + " TYPE " + kind + " " +
                     std::to_string(inputs.size()) + " INPUT";
  for (const int input : inputs) {
    const std::string word = " " + std::to_string(input);
    if (line.size() + word.size() > 80) {
      text += line + "\n";
      line.clear();
    }
    line += word;
  }
  return text + line + "\n";
}

// A text description: node 1 a basic event, nodes 2..n+1 OR gates of 70
// inputs each (all node 1), node n+2 an OR gate over them, node n+3 the
// system-failure box.  The place table holds 22 + 77 n words.
std::string wideGates(int n) {
  std::string text = "NODE 1 TYPE BASIC 1 OF COMPONENT 1\n";
  std::vector<int> gates;
  for (int g = 2; g <= n + 1; ++g) {
    text += gate(g, "OR", std::vector<int>(70, 1));
    gates.push_back(g);
  }
  return text + gate(n + 2, "OR", gates) + "NODE " + std::to_string(n + 3) +
         " TYPE FBOX INPUT " + std::to_string(n + 2) + "\n";
}

struct Limit {
  const char* what;
  std::string file;  // M.FTR or M.TXT
  std::string content;
  Lines screen;
};

// Models that pass a limit of the fault tree input: the generation ends
// with the reader's message and its status, before any output file exists.
TEST(Limits, EachLimitOfTheTreeEndsTheModelWithItsMessage) {
  const std::string node97 = "NODE 97 TYPE BASIC 1 OF COMPONENT 1";
  std::string basics97 = "NODE 200 TYPE FBOX INPUT 1\n";
  for (int i = 1; i <= 97; ++i) {
    basics97 += "NODE " + std::to_string(i) + " TYPE BASIC 1 OF COMPONENT 1\n";
  }
  std::string inputs71 = "NODE 2 TYPE AND 71 INPUT";
  const std::string tooLong = "NODE 2 TYPE FBOX INPUT 1" + std::string(56, ' ') + "X";
  const Limit limits[] = {
      {"97 basic events in a fault tree file", "M.FTR", basicEvents(97),
       {" **** PASS2: ERROR F707 - TOO MANY BASIC COMPONENTS (LEAVES) IN FAULT TREE ****"}},
      {"97 basic events in a text description", "M.TXT", basics97,
       {" **** NXTFTN: ERROR F905 - TOO MANY BASIC COMPONENTS, MAX NO. =   96 ****",
        echo(node97), converterTraceback(-1)}},
      {"a node numbered 257", "M.TXT", "NODE 257 TYPE FBOX INPUT 1\n",
       {" **** NXTFTN: ERROR F902 - TOO MANY NODES, MAX NO. NODES ALLOWED = 256 ****",
        echo("NODE 257 TYPE FBOX INPUT 1"), converterTraceback(-1)}},
      {"71 inputs", "M.TXT", inputs71 + "\n",
       {" **** NXTFTN: ERROR F912 - TOO MANY INCOMING ARCS, MAX NO. =   70 ****", echo(inputs71),
        converterTraceback(-1)}},
      {"text beyond column 80", "M.TXT", tooLong + "\n",
       {" **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****",
        " **** GETLIN:  DISPLAY OF INVALID LINE: " + padded(tooLong, 100),
        " **** NXTFTN: TRACEBACK - ERROR -1 RETURNED BY GETLIN() ****", converterTraceback(-1)}},
      // 47 gates of 70 inputs need 3641 words of the 3584.
      {"a place table of more than 3584 words", "M.TXT", wideGates(47),
       {" **** PASS2: ERROR F704 - PLACE TABLE OVERFLOW, TOO MANY FT NODES FOR CURRENT TABLE "
        "SIZE"}},
  };
  for (const Limit& limit : limits) {
    testing::ScratchDir dir;
    testing::Console con;
    dir.write("M.DIC", DICT);
    dir.write(limit.file, limit.content);
    EXPECT_EQ(FT2MC("M              ", 15, 0, 1), -1) << limit.what;
    EXPECT_EQ(con.lines(), limit.screen) << limit.what;
    EXPECT_FALSE(std::filesystem::exists("M.INT")) << limit.what;
    EXPECT_EQ(dir.read("M.DIC"), DICT) << limit.what;
  }
}

TEST(Limits, TheDictionaryLinesAndTheModelNameHaveTheirLimits) {
  testing::ScratchDir dir;
  testing::Console con;
  const std::string tooLong = "1 PART LAM" + std::string(75, ' ') + "X";
  dir.write("M.DIC", tooLong + "\n  BODY\n");
  dir.write("M.FTR", basicEvents(1));
  EXPECT_EQ(FT2MC("M              ", 15, 0, 1), -1);
  // The converter's own check of the name (F900) is never reached through
  // the generation, which refuses the name first.
  EXPECT_EQ(FT2MC("ABCDEFGHIJ     ", 15, 0, 1), -1);
  EXPECT_EQ(con.lines(),
            (Lines{" **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****",
                   " **** GETLIN:  DISPLAY OF INVALID LINE: " + padded(tooLong, 100),
                   " **** RDDICT: TRACEBACK - ERROR RETURNED BY GETLIN() ****",
                   " **** FT2MC: ERROR F500 - FAULT TREE NAME TOO LONG"}));
}

// 45 gates of 70 inputs fit the place table (3487 words), but the traversal
// then finds 96 words of the 144 it needs for its stack.
TEST(Limits, ATreeThatLeavesNoRoomForTheTraversalStackStopsTheGeneration) {
  testing::ScratchDir dir;
  testing::Console con;
  dir.write("M.DIC", DICT);
  dir.write("M.TXT", wideGates(45));
  EXPECT_EQ(FT2MC("M              ", 15, 0, 1), -1);
  EXPECT_EQ(con.lines(),
            Lines({" **** TRVTRE: ERROR F800 - TABLE TOO SMALL TO HOLD STACK ****",
                   " **** FT2MC: TRACEBACK - ERROR -1 RETURNED BY TRVTRE WHILE ",
                   "                          PROCESSING STATE 0"}) +
                statistics(2, 1, 0, 0, 0));
}

// The states reached through a forced failure stay in pool 2 for the whole
// generation.  A trigger (1) takes its dependent (2) down; two components
// of 100 units (3, 4) may fail only after the trigger (sequence gates).  Two
// cold spare gates over the trigger and the dependent share the dependent
// (four slots), and 86 priority-AND gates over the same two, whose order
// slots are all set by the trigger's failure, lengthen the vector to 94
// slots: 96 words and the link.  Behind the 12 words of the gates' parent
// lists and the 12 of the spare offers, 5979 such states fit in the 580,000
// words; the trigger's failure gives two of them (one per gate holding its
// unit) and each level two more, so the 5980th is met at level 77, far below
// 80,000 states.
TEST(Limits, AFullNodePoolStopsTheGeneration) {
  testing::ScratchDir dir;
  testing::Console con;
  std::string text =
      "NODE 1 TYPE BASIC 1 OF COMPONENT 1\n"
      "NODE 2 TYPE BASIC 1 OF COMPONENT 1\n"
      "NODE 3 TYPE BASIC 100 OF COMPONENT 1\n"
      "NODE 4 TYPE BASIC 100 OF COMPONENT 1\n"
      "NODE 5 TYPE FDEP 2 INPUT 1 2\n"
      "NODE 6 TYPE SEQ 2 INPUT 1 3\n"
      "NODE 7 TYPE SEQ 2 INPUT 1 4\n";
  text += "NODE 8 TYPE CSP 2 INPUT 1 2\nNODE 9 TYPE CSP 2 INPUT 1 2\n";
  for (int g = 100; g < 186; ++g) text += gate(g, "PAND", {1, 2});
  text += "NODE 98 TYPE AND 4 INPUT 1 2 3 4\nNODE 99 TYPE FBOX INPUT 98\n";
  dir.write("M.DIC", DICT);
  dir.write("M.TXT", text);
  EXPECT_EQ(FT2MC("M              ", 15, 0, 1), -1);
  EXPECT_EQ(con.lines(),
            Lines({" **** ALLOC: ERROR U400 - BOUNDS OF MEMORY POOL EXCEEDED",
                   " **** GETNOD:  TRACEBACK - ERROR ENCOUNTERED BY ALLOC() WHEN ALLOCATING NODE",
                   " **** PSHNOD: TRACEBACK - ERROR -1 RETURNED BY GETNOD()",
                   " **** AD2LST: TRACEBACK - ERROR -1 RETURNED BY PSHNOD()",
                   " **** FT2MC: TRACEBACK - ERROR -1 RETURNED BY AD2LST() ****"}) +
                statistics(5981, 5981, 0, 11652, 76));
  EXPECT_EQ(dir.read("M.DIC"), DICT);
}

}  // namespace
}  // namespace molvex
