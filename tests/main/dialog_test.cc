#include "main/dialog.h"

#include <gtest/gtest.h>

#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

using testing::Console;
using testing::ScratchDir;

using Lines = std::vector<std::string>;

const std::string HELP =
    " A positive integer or 0 is required. A positive integer will cause Markov chain states to "
    "be truncated after the specified number of failures have occurred. Truncation bounds will "
    "be provided.";

// A model whose dictionary is missing fails at once.
struct Session {
  ScratchDir dir;
  Console con;
  int status;
  explicit Session(const std::string& keyboard) : con(keyboard) { status = MOLVEX(); }
};

TEST(Dialogue, AFailedModelStopsTheRunWithTwoTracebacks) {
  Session r("NODIC\n0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.con.lines(), (Lines{
                               " Modelname? ",
                               " ",
                               " ",
                               " ",
                               " **** RDDICT: ERROR F600 - DICTIONARY FILE NOT FOUND ****",
                               " **** SETFT: TRACEBACK - ERROR -1 RETURNED BY FT2MC()",
                               " **** MOLVEX: TRACEBACK - ERROR -1 RETURNED BY SETFT()",
                           }));
}

TEST(Dialogue, NamesAreCutToFifteenAndLongerThanNineRefused) {
  Session r("ABCDEFGHIJKLMNOPQRST\n0\n");
  EXPECT_EQ(r.status, 1);
  const Lines lines = r.con.lines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[4], " **** FT2MC: ERROR F500 - FAULT TREE NAME TOO LONG");
  Session ten("ABCDEFGHIJ\n0\n");
  EXPECT_EQ(ten.con.lines()[4], " **** FT2MC: ERROR F500 - FAULT TREE NAME TOO LONG");
  Session nine("ABCDEFGHI\n0\n");  // accepted: fails only for want of a dictionary
  EXPECT_EQ(nine.con.lines()[4], " **** RDDICT: ERROR F600 - DICTIONARY FILE NOT FOUND ****");
}

TEST(Dialogue, ABadTruncationBoundBringsTheHelpAndTheQuestionBack) {
  Session r("NODIC\n-1\nX\n2.9\n");
  EXPECT_EQ(r.con.lines(),
            (Lines{
                " Modelname? ",
                " ",
                " ",  // the unprompted question
                " ",
                HELP,
                " ",
                " ++++ CONVRT: WARNING U100 - CHAR WORD TO BE CONVERTED TO NUMERIC CONTAINS NO "
                "DIGITS",
                "              WORD = X    ",
                " ",
                HELP,
                " ",
                " ",
                " **** RDDICT: ERROR F600 - DICTIONARY FILE NOT FOUND ****",
                " **** SETFT: TRACEBACK - ERROR -1 RETURNED BY FT2MC()",
                " **** MOLVEX: TRACEBACK - ERROR -1 RETURNED BY SETFT()",
            }));
}

TEST(Dialogue, EndOfInputStopsAtEveryPrompt) {
  Session name("");
  EXPECT_EQ(name.status, 3);
  EXPECT_EQ(name.con.lines(),
            (Lines{" Modelname? ",
                   " **** GETMDL: ERROR U502 - END OF KEYBOARD INPUT, NO MODEL NAME GIVEN ****"}));

  Session bound("M\n");
  EXPECT_EQ(bound.status, 3);
  EXPECT_EQ(bound.con.lines(),
            (Lines{" Modelname? ", " ", " ",
                   " **** SETFT: ERROR U502 - END OF KEYBOARD INPUT, NO TRUNCATION BOUND GIVEN ****",
                   " **** MOLVEX: TRACEBACK - ERROR -11 RETURNED BY SETFT()"}));

  Session bad("M\nX\n");  // a rejected answer, then nothing more
  EXPECT_EQ(bad.status, 3);
}

// YESNO on its own, with the dictionary of a model that is generated.
TEST(Dialogue, YesNoTakesTheFirstLetterOrTheDefault) {
  struct Case {
    std::string keyboard;
    int deflt;
    int answer;
    std::string screen;
  };
  const std::string q = " Define another model  (y/n  default = n ) ?  ";
  const std::vector<Case> cases = {
      {"yes\n", 0, 1, q},
      {"No thanks\n", 0, 0, q},
      {"\n", 0, 0, q},
      {" y\n", 0, 0, q},  // a leading blank means the default
      {"\n", 1, 1, " Define another model  (y/n  default = y ) ?  "},
      {"maybe\nn\n", 0, 0, q + " Please answer Y or N.\n" + q},
      {"\ny\n", -1, 1, " Define another model  (y/n) ?   Please answer Y or N.\n Define another model  (y/n) ?  "},
      {"", 0, 0, q},   // end of input: the default
      {"", -1, 0, " Define another model  (y/n) ?  "},
  };
  for (const Case& c : cases) {
    Console con(c.keyboard);
    INITDR();
    INIUTL(0, 5, 6, 0);
    EXPECT_EQ(YESNO("Define another model ", 21, c.deflt), c.answer) << c.keyboard;
    EXPECT_EQ(con.screen(), c.screen) << c.keyboard;
  }
  Console quiet("y\n");
  EXPECT_EQ(YESNO("     x", 6, 0), 1);
  EXPECT_EQ(quiet.screen(), "");
}

TEST(Dialogue, AnotherModelStartsANewCycle) {
  ScratchDir dir;
  dir.write("A.DIC", "1 X LAM\n  BODY\n");
  dir.write("A.FTR", "N 1 1 16 1\nN 2 2 22\nA 1 1 2 2\n");
  Console con("A\n0\nwhat\ny\nA\n0\n\n");
  EXPECT_EQ(MOLVEX(), 0);
  const std::string q = " Define another model  (y/n  default = n ) ?  ";
  EXPECT_EQ(con.screen(), " Modelname? \n \n \n \n" + q + " Please answer Y or N.\n" + q +
                              " Modelname? \n \n \n \n" + q);
}

}  // namespace
}  // namespace molvex
