#include "ftinput/cvrtxt.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ftinput/fttabs.h"
#include "main/globals.h"
#include "support/console.h"

namespace molvex {
namespace {

using Lines = std::vector<std::string>;

std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), ' ');
}

// The line buffer as NXTFTN shows it after a message.
std::string echo(const std::string& line) { return " " + padded(line, 100); }

// The scanner's own message for a word that should have been a number.
Lines notNumber(const std::string& word, const std::string& line) {
  return {" *** NXTWRD: ERROR U801 - ERROR PARSING NUMERIC VALUE (" + word + ") IN LINE: ***",
          "    " + padded(line, 100)};
}

std::string traceback(int status) {
  return " **** CVRTXT:  TRACEBACK - ERROR " + std::to_string(status) + " RETURNED BY NXTFTN()";
}

std::string error(const std::string& code, const std::string& text) {
  return " **** NXTFTN: ERROR " + code + " - " + text;
}

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Converter : ::testing::Test {
  Converter() { INITDR(); }
  testing::Console con;
  testing::ScratchDir dir;

  int convert(const std::string& text) {
    dir.write("M.TXT", text);
    return CVRTXT("M", MAXBAS, MAXNOD);
  }
  Lines ftr() const { return testing::splitLines(dir.read("M.FTR")); }
};

TEST_F(Converter, WritesEachSentenceAsItsNodeAndArcLines) {
  dir.write("M.FTR", std::string(40, 'x') + "\n" + std::string(500, 'y') + "\n");
  EXPECT_EQ(convert("NODE 4 TYPE FBOX INPUT 3\n"
                    "NODE 3 TYPE AND 2 INPUT 1, 2\n"
                    "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 3\n"
                    "NODE 2 TYPE BASIC 2 OF COMPONENT 4\n"),
            1);
  // Nothing of the older, longer file stays behind.
  EXPECT_EQ(dir.read("M.FTR"),
            " N 4 4 22\n A 3 3 4 4\n N 3 3 19\n A 1 1 3 3\n A 2 2 3 3\n"
            " N 1 1 16 1*3\n N 2 2 16 2*4\n");
  EXPECT_TRUE(con.lines().empty());
  EXPECT_EQ(UTQUIE, 0);
}

TEST_F(Converter, EveryNodeKind) {
  EXPECT_EQ(convert("NODES: 9 TYPE FBOX INPUT 8\n"
                    "NODE 10 TYPE BOX INPUT 9 LABEL  pump   room,A\n"
                    "NODE 8 TYPE ORGATE 3 INPUT 5\n"
                    "   \n"
                    "  6\n"
                    "7\n"
                    "NODE 5 TYPE 2/3 3 INPUT 1 2\n"
                    " 3\n"
                    "NODE 6 TYPE XOR 2 INPUT 1 2\n"
                    "NODE 7 TYPE NOT 1 INPUT 1\n"
                    "NODE 11 TYPE FDEP 2 INPUT 1 2\n"
                    "NODE 12 TYPE CSP 2 INPUT 1 2\n"
                    "NODE 13 TYPE PAND 2 INPUT 2 1\n"
                    "NODE 14 TYPE SEQ 2 INPUT 1 2\n"
                    "NODE 1 TYPE BASIC 3 OF COMPONENT 12\n"
                    "NODE 2 TYPE BASIC 1 OF COMPONENTS TYPES 1\n"),
            1);
  EXPECT_EQ(ftr(), (Lines{" N 9 9 22", " A 8 8 9 9",
                          // The label's words, each with one blank behind it.
                          " N 10 10 21 pump room A ", " A 9 9 10 10",
                          " N 8 8 17", " A 5 5 8 8", " A 6 6 8 8", " A 7 7 8 8",
                          " N 5 5 18 2/3", " A 1 1 5 5", " A 2 2 5 5", " A 3 3 5 5",
                          " N 6 6 24", " A 1 1 6 6", " A 2 2 6 6",
                          " N 7 7 26", " A 1 1 7 7",
                          " N 11 11 29", " A 1 1 11 11", " A 2 2 11 11",
                          " N 12 12 25", " A 1 1 12 12", " A 2 2 12 12",
                          " N 13 13 27", " A 2 2 13 13", " A 1 1 13 13",
                          " N 14 14 28", " A 1 1 14 14", " A 2 2 14 14",
                          " N 1 1 16 3*12", " N 2 2 16 1*1"}));
  EXPECT_TRUE(con.lines().empty());
}

TEST_F(Converter, BadSentencesStopTheConversion) {
  const std::string basic = "NODE 1 TYPE BASIC 1 OF COMPONENT 1\n";
  std::string basics;
  for (int i = 1; i <= 96; ++i) basics += basic;
  const std::string node97 = "NODE 97 TYPE BASIC 1 OF COMPONENT 1";
  const std::string inputs71 = "NODE 5 TYPE AND 71 INPUT 1";
  const std::string tooLong = std::string(80, ' ') + "X";
  const struct {
    std::string text;
    int status;
    Lines screen;
  } cases[] = {
      {"NOD 1 TYPE OR 1 INPUT 2", -1,
       {error("F901", "\"NODE\" MISSING ON INPUT LINE ****"), echo("NOD 1 TYPE OR 1 INPUT 2")}},
      {"NODE 257 TYPE OR 1 INPUT 2", -1,
       {error("F902", "TOO MANY NODES, MAX NO. NODES ALLOWED = 256 ****"),
        echo("NODE 257 TYPE OR 1 INPUT 2")}},
      // The conversion warning stays silent; F919 tells where.
      {"NODE 1E TYPE OR", -1,
       {error("F903", "ERROR READING NODE NUMBER IN INPUT LINE ****"),
        error("F919", "NXTWRD ENCOUNTERED ERROR   -1 PARSING NEXT INPUT ITEM, OFFSET =    6 ****"),
        echo("NODE 1E TYPE OR")}},
      {"NODE 1 KIND OR", -1,
       {error("F904", "\"TYPE\" MISSING FROM INPUT LINE ****"), echo("NODE 1 KIND OR")}},
      {basics + node97, -1,
       {error("F905", "TOO MANY BASIC COMPONENTS, MAX NO. =   96 ****"), echo(node97)}},
      {"NODE 1 TYPE BASIC 1 OF COMPONENT KIND 3", -1,
       {error("F940", "UNEXPECTED OR INVALID TOKEN (KIND                ) ON LINE:"),
        echo("NODE 1 TYPE BASIC 1 OF COMPONENT KIND 3")}},
      {"NODE 1 TYPE BASIC 1 OF COMPONENT", -10,
       {error("F919", "NXTWRD ENCOUNTERED ERROR  -10 PARSING NEXT INPUT ITEM, OFFSET =   81 ****"),
        echo("NODE 1 TYPE BASIC 1 OF COMPONENT")}},
      {"NODE 4 TYPE FBOX FROM 3", -1,
       {error("F908", "\"INPUT\" MISSING FROM INPUT LINE ****"), echo("NODE 4 TYPE FBOX FROM 3")}},
      {"NODE 4 TYPE FBOX INPUT", -10,
       {error("F909", "ERROR READING SOURCE NODE NUMBER FROM INPUT LINE ****"),
        error("F919", "NXTWRD ENCOUNTERED ERROR  -10 PARSING NEXT INPUT ITEM, OFFSET =   81 ****"),
        echo("NODE 4 TYPE FBOX INPUT")}},
      {"NODE 5 TYPE CSPX 2 INPUT 1 2", -1,
       {error("F915", "ILLEGAL TYPE FOR FAULT TREE NODE ---> CSPX                "),
        echo("NODE 5 TYPE CSPX 2 INPUT 1 2")}},
      {"NODE 5 TYPE AND INPUT 1 2", -1,
       notNumber("INPUT", "NODE 5 TYPE AND INPUT 1 2") +
           Lines{error("F911", "ERROR READING NO. INCOMING ARCS FROM INPUT LINE ****"),
                 error("F919", "NXTWRD ENCOUNTERED ERROR   -1 PARSING NEXT INPUT ITEM, OFFSET =   17 ****"),
                 echo("NODE 5 TYPE AND INPUT 1 2")}},
      {inputs71, -1,
       {error("F912", "TOO MANY INCOMING ARCS, MAX NO. =   70 ****"), echo(inputs71)}},
      {"NODE 5 TYPE PAND 3 INPUT 1 2 3", -1,
       {error("F718", "PRIORITY-AND GATES MUST HAVE 2 INCOMING ARCS; NODE 5 HAS 3 ARCS"),
        echo("NODE 5 TYPE PAND 3 INPUT 1 2 3")}},
      // The first line's commas separate words, a continuation line's do not.
      {"NODE 5 TYPE AND 3 INPUT 1,\n2, 3", -1,
       notNumber("2,", "2, 3") +
           Lines{error("F914", "ERROR ENCOUNTERED READING SOURCE OF INCOMING ARC    2 IN LINE: ****"),
                 echo("2, 3")}},
      {"NODE 5 TYPE AND 2 INPUT 1\n" + tooLong, -1,
       {" **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****",
        " **** GETLIN:  DISPLAY OF INVALID LINE: " + padded(tooLong, 100),
        " **** NXTFTN: TRACEBACK - ERROR RETURNED BY GETLIN() ****"}},
      {tooLong, -1,
       {" **** GETLIN: ERROR U500 - INPUT LINE TOO LONG, MUST BE <= 80 CHAR'S ****",
        " **** GETLIN:  DISPLAY OF INVALID LINE: " + padded(tooLong, 100),
        " **** NXTFTN: TRACEBACK - ERROR -1 RETURNED BY GETLIN() ****"}},
      {"NODE 4 TYPE FBOX INPUT 3\nNODE 3 TYPE FDEP 2 INPUT 1", -1,
       {" **** NXTFTN: F??? - UNEXPECTED EOF ENCOUNTERED READING .TXT FILE ****"}},
      {"NODE 4 TYPE FBOX INPUT 3\n\nNODE 3 TYPE AND 1 INPUT 1\n", -10,
       {error("F919", "NXTWRD ENCOUNTERED ERROR  -10 PARSING NEXT INPUT ITEM, OFFSET =   81 ****"),
        echo("")}},
  };
  for (const auto& c : cases) {
    con.clear();
    EXPECT_EQ(convert(c.text), c.status) << c.text;
    EXPECT_EQ(con.lines(), c.screen + Lines{traceback(c.status)}) << c.text;
    EXPECT_EQ(UTQUIE, 0);
  }
  // The nodes before the failure stand in the file, which the caller drops.
  EXPECT_EQ(ftr(), (Lines{" N 4 4 22", " A 3 3 4 4"}));
}

TEST_F(Converter, WithoutASystemFailureBoxAllNodesAreConverted) {
  EXPECT_EQ(convert("NODE 5 TYPE BOX INPUT 1 LABEL X\nNODE 1 TYPE BASIC 2 OF COMPONENT 1\n"), -11);
  EXPECT_EQ(con.lines(), (Lines{" **** CVRTXT: ERROR F916 - \"SYSTEM-FAILURE\" BOX NOT SPECIFIED, "
                                "FAULT TREE INCOMPLETE ****"}));
  EXPECT_EQ(ftr(), (Lines{" N 5 5 21 X ", " A 1 1 5 5", " N 1 1 16 2*1"}));
}

TEST_F(Converter, FilesThatCannotBeUsed) {
  namespace fs = std::filesystem;
  dir.write("ABCDEFGHI.TXT", "NODE 4 TYPE FBOX INPUT 3\n");
  EXPECT_EQ(CVRTXT("ABCDEFGHI    ", MAXBAS, MAXNOD), 1);
  EXPECT_EQ(dir.read("ABCDEFGHI.FTR"), " N 4 4 22\n A 3 3 4 4\n");
  EXPECT_EQ(CVRTXT("ABCDEFGHIJ", MAXBAS, MAXNOD), -1);
  EXPECT_EQ(UTQUIE, 0);

  fs::create_directory("D.TXT");
  EXPECT_EQ(CVRTXT("D", MAXBAS, MAXNOD), -1);
  fs::create_directory("F.FTR");
  dir.write("F.TXT", "NODE 4 TYPE FBOX INPUT 3\n");
  EXPECT_EQ(CVRTXT("F", MAXBAS, MAXNOD), -1);
  // A full disk: the file is cut short, so it must not be taken for success.
  fs::create_symlink("/dev/full", "M.FTR");
  EXPECT_EQ(convert("NODE 4 TYPE FBOX INPUT 3\n"), -1);
  EXPECT_EQ(con.lines(),
            (Lines{" **** CVRTXT: ERROR F900 - FAULT TREE NAME TOO LONG ****",
                   " **** CVRTXT: ERROR F917 - ERROR OPENING TEXT DESCRIPTION FILE D.TXT         ****",
                   " **** CVRTXT: ERROR F918 - ERROR OPENING FAULT TREE FILE F.FTR         ****",
                   " **** CVRTXT: ERROR F920 - ERROR WRITING FAULT TREE FILE M.FTR         ****"}));
}

}  // namespace
}  // namespace molvex
