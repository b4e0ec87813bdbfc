// The Galileo reader: the files it writes for each statement kind, every
// refusal with its place, the warnings where the field's tools disagree.
#include "galileo/galileo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace molvex {
namespace {

struct Outcome {
  int status = 0;
  DftFiles files;
  std::string error;  // "LINE:COLUMN: message"
};

Outcome translate(const std::string& text) {
  Outcome o;
  DftModel model;
  Error error;
  o.status = readDft(text, model, error) && translateDft(model, "m.dft", o.files, error) ? 1 : -1;
  if (o.status != 1) o.error = error.message();
  return o;
}

std::vector<std::string> warnings(const Outcome& o) {
  std::vector<std::string> out;
  for (const Error& w : o.files.warnings) out.push_back(w.message());
  return out;
}

TEST(DftReader, WritesEveryKindOfElement) {
  // Quoted and bare names, both comment forms, attributes in any order and
  // elements used before their statements.
  const Outcome o = translate(
      "// a plant\n"
      "toplevel \"Top\";\n"
      "\"Top\" or G1 \"Votes\" \"Order\" Seq Sp \"Dep\";  /* all kinds */\n"
      "G1 and A B; \"Votes\" 2of3 A B C; Ord2 vot1 A B;\n"
      "\"Order\" pand A B C;\n"
      "Seq seq A D;\n"
      "\"Dep\" fdep T D;\n"
      "Sp hsp \"Pump A\" \"pump-a\" W H;\n"
      "A lambda=1; B lambda=2.5e-3; C dorm=0.5 lambda=3;\n"
      "D lambda=4; T lambda=0;\n"
      "\"Pump A\" lambda=6; \"pump-a\" dorm=0 lambda=7; W lambda=8 dorm=0.25; H lambda=9;\n");
  ASSERT_EQ(o.status, 1) << o.error;
  EXPECT_EQ(o.files.txt,
            "NODE 1 TYPE FBOX INPUT 2\n"
            "NODE 2 TYPE OR 5 INPUT 3 4 6 8 10\n"
            "NODE 3 TYPE AND 2 INPUT 11 12\n"
            "NODE 4 TYPE 2/3 3 INPUT 11 12 13\n"
            "NODE 5 TYPE 1/2 2 INPUT 11 12\n"
            "NODE 6 TYPE PAND 2 INPUT 7 13\n"
            "NODE 7 TYPE PAND 2 INPUT 11 12\n"
            "NODE 8 TYPE SEQ 2 INPUT 11 14\n"
            "NODE 9 TYPE FDEP 2 INPUT 15 14\n"
            "NODE 10 TYPE SPARE 4 INPUT 16 17 18 19\n"
            "NODE 11 TYPE BASIC 1 OF COMPONENT TYPE 1\n"
            "NODE 12 TYPE BASIC 1 OF COMPONENT TYPE 2\n"
            "NODE 13 TYPE BASIC 1 OF COMPONENT TYPE 3\n"
            "NODE 14 TYPE BASIC 1 OF COMPONENT TYPE 4\n"
            "NODE 15 TYPE BASIC 1 OF COMPONENT TYPE 5\n"
            "NODE 16 TYPE BASIC 1 OF COMPONENT TYPE 6\n"
            "NODE 17 TYPE BASIC 1 OF COMPONENT TYPE 7\n"
            "NODE 18 TYPE BASIC 1 OF COMPONENT TYPE 8\n"
            "NODE 19 TYPE BASIC 1 OF COMPONENT TYPE 9\n");
  // One type per basic event; rate names unique identifiers of at most 14
  // characters ("Pump A" and "pump-a" both come to PUMP_A).  A warm spare
  // has a rate of its own while dormant, a hot one (hsp without dorm=) the
  // same; a cold one and C, no spare, none.
  EXPECT_EQ(o.files.dic,
            "1 BE A\n  \"A\"\n2 BE B\n  \"B\"\n3 BE C\n  \"C\"\n4 BE D\n  \"D\"\n"
            "5 BE T\n  \"T\"\n5 FORCED ONLY\n  fails only when forced down\n6 BE PUMP_A\n  \"Pump "
            "A\"\n7 BE PUMP_A_2\n  \"pump-a\"\n"
            "8 BE W\n  \"W\"\n8 DORMANT W_DORM\n  \"W\" while dormant\n"
            "9 BE H\n  \"H\"\n9 DORMANT H\n  \"H\" while dormant\n");
  EXPECT_EQ(o.files.rat,
            "# The failure rates of the basic events of m.dft\n"
            "A 1\nB 2.5e-3\nC 3\nD 4\nT 0\nPUMP_A 6\nPUMP_A_2 7\nW 8\nW_DORM 2\nH 9\n");
}

TEST(DftReader, NamesAndLongListsStayWithinTheColumnsRead) {
  std::string text = "toplevel G; G or";
  for (int i = 1; i <= 70; ++i) text += " E" + std::to_string(i);
  text += ";\n";
  for (int i = 1; i <= 70; ++i) text += "E" + std::to_string(i) + " lambda=1;\n";
  text += "\"1 name, far longer than a dictionary line can hold: " + std::string(60, 'x') +
          "\" lambda=1; G2 and E1 \"1 name, far longer than a dictionary line can hold: " +
          std::string(60, 'x') + "\";";
  const Outcome o = translate(text);
  ASSERT_EQ(o.status, 1) << o.error;
  for (const std::string& file : {o.files.txt, o.files.dic}) {
    std::size_t start = 0;
    for (std::size_t end; (end = file.find('\n', start)) != std::string::npos; start = end + 1) {
      EXPECT_LE(end - start, 80u) << file.substr(start, end - start);
    }
  }
  EXPECT_NE(o.files.dic.find("71 BE L1_NAME__FAR_L\n  \"1 name"), std::string::npos);
  EXPECT_NE(o.files.dic.find("xxx...\"\n"), std::string::npos);
  // The word that ends the dictionary's entries, in neither name; a byte
  // order mark skipped.
  const Outcome marked = translate("\xEF\xBB\xBFtoplevel \"FEIDS\"; \"FEIDS\" lambda=1;");
  EXPECT_EQ(marked.files.dic, "1 BE FEID_S\n  \"FEIDs\"\n");
}

// Names and lists at the edge of what MOLVEX's readers keep: a rate name
// of 14 characters whole, as the dictionary reader cuts one of 15 with a
// warning; a description line or a sentence of 80 columns whole, one
// column more cut or carried over to the next line.
TEST(DftReader, KeepsWhatFitsTheColumnsReadWhole) {
  const auto numbers = [](int from, int to) {
    std::string text;
    for (int n = from; n <= to; ++n) text += " " + std::to_string(n);
    return text;
  };
  const auto andOf = [](int inputs) {
    std::string gate = "toplevel G; G and", events;
    for (int i = 1; i <= inputs; ++i) {
      gate += " E" + std::to_string(i);
      events += " E" + std::to_string(i) + " lambda=1;";
    }
    return gate + ";" + events;
  };
  const std::string fits(76, 'x'), over(77, 'x');
  struct Case {
    std::string text;
    std::string DftFiles::*file;
    std::string lines;
  };
  const std::vector<Case> cases = {
      {"toplevel ABCDEFGHIJKLMN; ABCDEFGHIJKLMN lambda=1;", &DftFiles::dic, "1 BE ABCDEFGHIJKLMN"},
      {"toplevel ABCDEFGHIJKLMNO; ABCDEFGHIJKLMNO lambda=1;", &DftFiles::dic,
       "1 BE ABCDEFGHIJKLMN"},
      {"toplevel G; G and ABCDEFGHIJKLMNO ABCDEFGHIJKLMNP; ABCDEFGHIJKLMNO lambda=1; "
       "ABCDEFGHIJKLMNP lambda=1;",
       &DftFiles::dic, "2 BE ABCDEFGHIJKL_2"},
      {"toplevel \"" + fits + "\"; \"" + fits + "\" lambda=1;", &DftFiles::dic,
       "  \"" + fits + "\""},
      {"toplevel \"" + over + "\"; \"" + over + "\" lambda=1;", &DftFiles::dic,
       "  \"" + std::string(73, 'x') + "...\""},
      {andOf(21), &DftFiles::txt, "NODE 2 TYPE AND 21 INPUT" + numbers(3, 23)},
      {andOf(22), &DftFiles::txt, "NODE 2 TYPE AND 22 INPUT" + numbers(3, 23) + "\n     24"},
  };
  for (const Case& c : cases) {
    const Outcome o = translate(c.text);
    ASSERT_EQ(o.status, 1) << o.error;
    EXPECT_NE(("\n" + o.files.*c.file).find("\n" + c.lines + "\n"), std::string::npos)
        << o.files.*c.file;
  }
}

TEST(DftReader, RefusesWhatMolvexCannotRepresent) {
  const char* const ok = "A lambda=1; B lambda=1; C lambda=1;";
  struct Case {
    std::string text;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"A lambda=1;", "1:12: no toplevel statement names the top element"},
      {"toplevel T; toplevel T; T lambda=1;", "1:13: a second toplevel (the first is on line 1)"},
      {"toplevel T;", "1:10: the toplevel \"T\" is not defined"},
      {"toplevel T;\nT and A Z; A lambda=1;", "2:9: \"Z\", an input of \"T\", is not defined"},
      {"toplevel T;\nT lambda=1;\nT lambda=2;", "3:1: 'T' is defined twice (first on line 2)"},
      {"toplevel T; T and A A; A lambda=1;", "1:21: \"A\" is an input of \"T\" twice"},
      {"toplevel T; T and G; G or T;", "1:13: \"T\" is its own input: \"T\" -> \"G\" -> \"T\""},
      // A missing ';' is told just after the statement that lacks it, however
      // the next statement begins: with a gate kind, an attribute or a keyword.
      {"toplevel T; T and A", "1:20: missing ';' after 'A' at the end of the file"},
      {"toplevel \"T\";\n\"T\" and \"S\" \"A\"\n\"S\" lambda=0.1; \"A\" lambda=1;",
       "2:16: missing ';' after \"A\", before the statement that begins on line 3"},
      {"toplevel T;\nT and A B\nB or A;\nA lambda=1;",
       "2:10: missing ';' after 'B', before the statement that begins on line 3"},
      {"toplevel T;\nT lambda=1\nF pdep=0.5 T T;",
       "2:11: missing ';' after '1', before the statement that begins on line 3"},
      {"T lambda=1\ntoplevel T;",
       "1:11: missing ';' after '1', before the statement that begins on line 2"},
      {"toplevel \"T;", "1:10: the name begun here does not end on its line"},
      {"toplevel T; /* T lambda=1;", "1:13: the comment begun here does not end"},
      {"param p p; toplevel T; T lambda=p;", "1:9: the parameter \"p\" is declared twice"},
      {"param p; toplevel T; T lambda=q;",
       "1:22: lambda of \"T\" is \"q\", neither a number nor a parameter declared with param"},
      {"param p; toplevel T; T wsp A B; A lambda=1; B lambda=p dorm=0.5;",
       "1:45: \"B\" is a warm spare whose rate is the parameter \"p\": MOLVEX has no name for dorm "
       "times a parameter; give lambda as a number, or dorm as 0 or 1"},
      {"toplevel T; T;", "1:13: 'T' needs a gate kind or attributes such as lambda="},
      {"toplevel T; T xand A;",
       "1:15: 'xand' is not a gate kind; the kinds are and, or, pand, pand-inc, pand-excl, por, "
       "seq, fdep, csp, wsp, hsp, spare, KofN (as 2of3), votK (as vot2) and pdep=P"},
      {"toplevel T; T mutex A B;",
       "1:15: 'mutex' is a mutual exclusion, which forbids a failure for good: MOLVEX's gates "
       "hold a failure back only until another one has come (seq, spare gates)"},
      {std::string("toplevel T; T pand-excl A G; G or A B; ") + ok,
       "1:27: \"G\" can fail in the same transition as an input before it in \"T\", a pand-excl: "
       "MOLVEX may count inputs failing together as failing in order"},
      {std::string("toplevel A; T pdep=0.5 A B; ") + ok,
       "1:13: \"T\" acts with a probability, which makes the figures a mixture of chains, one "
       "for each outcome: molvex run computes them, a single chain cannot hold them"},
      {std::string("toplevel A; T pdep=2 A B; ") + ok,
       "1:15: pdep takes a probability from 0 to 1: pdep=0.3"},
      {"toplevel T; T and;", "1:13: 'T' has no inputs"},
      {"toplevel T; T lambda=1 prob=0.1;", "1:13: 'T' has both lambda= and prob=: give one"},
      {"toplevel T; T prob=1.5;", "1:20: prob of 'T' must be a number from 0 to 1, not '1.5'"},
      {"toplevel T; T lambda=1 repair=2;",
       "1:24: 'repair' of 'T' cannot be expressed in a MOLVEX "
       "chain, which knows failure rates (lambda=) and "
       "dormancy factors (dorm=) only"},
      {"toplevel T; T lambda=1 color=2;", "1:24: 'color' is not an attribute of a basic event"},
      {"toplevel T; T dorm=0;", "1:13: 'T' has no failure rate (lambda=) or probability (prob=)"},
      {"toplevel T; T lambda=-1;", "1:22: lambda of 'T' must be a number of 0 or more, not '-1'"},
      {"toplevel T; T lambda=1e-310;",
       "1:22: lambda of 'T' is too small for a mean time: "
       "'1e-310'"},
      {"toplevel T; T lambda=0x1p3;",
       "1:22: lambda of 'T' must be a number of 0 or more, not "
       "'0x1p3'"},
      {"toplevel T; T lambda=1 lambda=2;", "1:24: lambda is given twice"},
      {"toplevel T; T lambda=1 dorm=2;", "1:29: dorm of 'T' must be a number from 0 to 1, not '2'"},
      {std::string("toplevel T; T 2of2 A B C; ") + ok, "1:13: \"T\" is 2of2 but has 3 inputs"},
      {std::string("toplevel T; T 4of3 A B C; ") + ok,
       "1:13: \"T\" needs from 1 to 3 failed inputs to fail, not 4"},
      {std::string("toplevel T; T vot0 A B C; ") + ok,
       "1:13: \"T\" needs from 1 to 3 failed inputs to fail, not 0"},
      {std::string("toplevel T; T pand A; ") + ok, "1:13: \"T\" needs at least two inputs"},
      {std::string("toplevel A; T fdep A G; G and B C; ") + ok,
       "1:22: \"G\", a dependent event (\"T\"), is a gate but no spare module: MOLVEX forces "
       "basic events down"},
      {std::string("toplevel T; T seq A G; G and B C; ") + ok,
       "1:21: \"G\", a later input of a sequence (\"T\"), is a gate: MOLVEX takes only basic "
       "events there"},
      {std::string("toplevel T; T or S H; S csp A M; M and B C; H and C A; ") + ok,
       "1:51: \"C\" lies in the spare module \"M\" and is an input of \"H\" as well: a module's "
       "events belong to it alone"},
      {std::string("toplevel T; T csp A M N; M or B C; N or C D; D lambda=1; ") + ok,
       "1:41: \"C\" lies in the spare module \"M\" and is an input of \"N\" as well: a module's "
       "events belong to it alone"},
      {std::string("toplevel T; T or S X; S csp M A; M or B C; F fdep B X; X lambda=0; ") + ok,
       "1:51: the trigger of \"F\" lies in a spare module: MOLVEX lets a module's events sleep "
       "once the module is let go, where the field keeps them active"},
      {std::string("toplevel T; T or X G1; G0 csp A C; G1 csp B C; F fdep G0 X; X lambda=0; ") + ok,
       "1:55: the trigger of \"F\" holds \"G0\", a spare gate that shares spares: MOLVEX "
       "evaluates a dependency before such gates take their spares, so it would act late"},
      {std::string("toplevel T; T or S X; S csp A M; M or B C; F fdep M X; H fdep X M; ") +
           "X lambda=0; " + ok,
       "1:51: the trigger of \"F\" is a spare module that may be let go before it fails: "
       "MOLVEX lets a module's events sleep once the module is let go, where the field keeps "
       "them active"},
      {std::string("toplevel X; S hsp O A; O or Y Q; Q hsp M B; M or C D; F fdep M X; ") +
           "X lambda=0; Y lambda=1; D lambda=1; " + ok,
       "1:62: the trigger of \"F\" is a spare module that may be let go before it fails: "
       "MOLVEX lets a module's events sleep once the module is let go, where the field keeps "
       "them active"},
      {std::string("toplevel T; T pand G A; G csp B C; H csp A C; F fdep B A; ") + ok,
       "1:13: \"T\" holds \"G\", a spare gate that shares spares, in a model with dependencies: "
       "MOLVEX would see the order of its inputs before such gates take their spares"},
      {std::string("toplevel M; S csp A M; M or B C; ") + ok,
       "1:24: the spare module \"M\" holds the toplevel: a module's events belong to it alone"},
      {std::string("toplevel T; T or G H; G csp A C; H hsp B C; ") + ok,
       "1:69: \"C\" has no dorm= and is dormant under \"G\", which makes it cold, and under "
       "\"H\", which makes it hot: give dorm="},
      {std::string("toplevel F; F fdep A B; ") + ok,
       "1:10: the toplevel \"F\" is a dependency, which has no failure value"},
      {std::string("toplevel T; T pand A F; F fdep B C; ") + ok,
       "1:22: \"F\", an input of \"T\", is a dependency, which has no failure value; list it "
       "under an and, or or voting gate, or under none"},
      {std::string("toplevel T; T or F; F fdep B C; ") + ok,
       "1:13: \"T\" has only dependencies as inputs, which have no failure value"},
      {std::string("toplevel T; T or G H; G csp A B; H csp B C; ") + ok,
       "1:40: \"B\" is the primary of \"H\" and an input of \"G\" as well: MOLVEX shares spares "
       "between spare gates, not primaries"},
  };
  for (const Case& c : cases) {
    const Outcome o = translate(c.text);
    EXPECT_EQ(o.status, -1) << c.text;
    EXPECT_EQ(o.error, c.error) << c.text;
  }
}

// Each limit of the build exactly at its end and one past it.
TEST(DftReader, RefusesWhatExceedsTheLimitsOfTheBuild) {
  const auto under = [](const std::string& kind, int inputs, int basics) {
    std::string text = "toplevel G; G " + kind;
    for (int i = 1; i <= inputs; ++i) text += " E" + std::to_string(i);
    text += ";";
    for (int i = 1; i <= basics; ++i) text += " E" + std::to_string(i) + " lambda=1;";
    return text;
  };
  struct Case {
    std::string text;
    std::string error;  // "" when accepted
  };
  std::string deep = "toplevel G0;";
  for (int g = 0; g < 254; ++g)
    deep += " G" + std::to_string(g) + " or G" + std::to_string(g + 1) + ";";
  const std::vector<Case> cases = {
      {under("or", 70, 96), ""},
      {under("or", 71, 96), "1:13: \"G\" has 71 inputs, more than MOLVEX's 70"},
      {under("or", 1, 97), "1:1357: with \"E97\" the basic events are more than MOLVEX's 96"},
      // 48 inputs: 47 nested gates and 48 basic events, 95 slots; 49 are 97.
      {under("pand", 48, 48), ""},
      {under("pand", 49, 49),
       "1:871: with \"E49\" the state vector needs more than MOLVEX's 96 "
       "slots"},
      // With an event beside the gate, 96 slots; with two, 97.
      {under("pand", 48, 49), ""},
      {under("pand", 48, 50),
       "1:881: with \"E50\" the state vector needs more than MOLVEX's 96 slots"},
      {deep + " G254 lambda=1;", ""},
      {deep + " G254 or E1; E1 lambda=1;",
       "1:3364: with \"E1\" the nodes of the tree are more "
       "than MOLVEX's 256"},
  };
  for (const Case& c : cases) {
    const Outcome o = translate(c.text);
    EXPECT_EQ(o.error, c.error) << c.text.substr(0, 40);
  }
}

// 80 levels of two gates that both take both gates of the level below:
// 2^80 paths from the top, which a walk that does not remember what it has
// seen never finishes.
TEST(DftReader, GatesThatShareInputsAreWalkedOnce) {
  std::string text = "toplevel T; T pand H0 K0; A lambda=1; B lambda=2;";
  for (int level = 0; level < 80; ++level) {
    const std::string next = std::to_string(level + 1);
    const std::string h = level == 79 ? "A" : "H" + next, k = level == 79 ? "B" : "K" + next;
    text += " H" + std::to_string(level) + " or " + h + " " + k + "; K" + std::to_string(level) +
            " and " + h + " " + k + ";";
  }
  const Outcome o = translate(text);
  ASSERT_EQ(o.status, 1) << o.error;
  ASSERT_EQ(o.files.warnings.size(), 1u);  // A and B lie below both inputs
}

TEST(DftReader, WarnsWhereOtherToolsComputeOtherwise) {
  struct Case {
    std::string text;
    std::vector<std::string> warnings;
  };
  const std::vector<Case> cases = {
      {"toplevel T; T or G H; G wsp P S; H spare Q S; P lambda=1; Q lambda=1; S lambda=1;",
       {"1:31: \"S\", dormant under \"G\" (wsp), has no dorm=: MOLVEX takes it as hot (dorm=1), "
        "as most of the field's tools do; others take it as cold: give dorm= to say which",
        "1:44: \"S\", dormant under \"H\" (spare), has no dorm=: MOLVEX takes it as hot (dorm=1), "
        "as most of the field's tools do; others take it as cold: give dorm= to say which"}},
      {"toplevel T; T and A B; O seq A B; F fdep X B; A lambda=1; B lambda=1; X lambda=1;",
       {"1:44: \"F\" forces down \"B\", a later input of the sequence \"O\": MOLVEX drops a "
        "failure "
        "that would force it out of order, so the trigger cannot fail then; other tools let it "
        "fail"}},
      {"toplevel S; S seq A B; A lambda=1; B lambda=1;",
       {"1:10: the toplevel \"S\" is a sequence: MOLVEX gives it the value of an AND gate over "
        "its inputs, as Galileo does; tools that take it as a restriction only give it no value"}},
      {"toplevel T; T pand A B C; F fdep X B C; A lambda=1; B lambda=1; C lambda=1; X lambda=1;",
       {"1:24: \"C\" can fail in the same transition as an input before it in \"T\": MOLVEX sees "
        "the failing event first, then what each dependency forces down in the order of the "
        "file, and counts what it sees together as in order; the field's tools order these "
        "failures in ways of their own"}},
      {"toplevel T; T pand G C; G or A C; A lambda=1; C lambda=1;",
       {"1:22: \"C\" can fail in the same transition as an input before it in \"T\": MOLVEX sees "
        "the failing event first, then what each dependency forces down in the order of the "
        "file, and counts what it sees together as in order; the field's tools order these "
        "failures in ways of their own"}},
      // A spare forced down by a dependency, a dependency that is no input,
      // one that is, a spare in use from the start: the same meaning
      // everywhere.
      {"toplevel T; T csp P S; F fdep X S; P lambda=1; S lambda=1 dorm=0; X lambda=1;", {}},
      {"toplevel T; T and F A; F fdep X A; A lambda=1; X lambda=1;", {}},
      {"toplevel T; T and G S; G csp P S; P lambda=1; S lambda=1 dorm=0;", {}},
      // Statements over several lines, a value alone on its line.
      {"toplevel T;\nT pand\n  A\n  B;\nA lambda=\n1 dorm=\n0.5;\nB\nlambda=2;", {}},
      // What nothing under the toplevel uses: a gate, what only it takes, a
      // dependency and a sequence on such events alone.  One that forces
      // down, holds back or shares a spare with what the toplevel uses is
      // used, and so is what it takes.
      {"toplevel T; T or A; U and A B; A lambda=1; B lambda=1;",
       {"1:21: nothing under the toplevel \"T\" uses the gate \"U\": it has no part in the figures",
        "1:44: nothing under the toplevel \"T\" uses the basic event \"B\": it has no part in the "
        "figures"}},
      {"toplevel T; T or A; F fdep A B; O seq A C; A lambda=1; B lambda=1; C lambda=1;",
       {"1:21: nothing under the toplevel \"T\" uses the gate \"F\": it has no part in the figures",
        "1:33: nothing under the toplevel \"T\" uses the gate \"O\": it has no part in the figures",
        "1:56: nothing under the toplevel \"T\" uses the basic event \"B\": it has no part in the "
        "figures",
        "1:68: nothing under the toplevel \"T\" uses the basic event \"C\": it has no part in the "
        "figures"}},
      {"toplevel T; T or G; G csp A S; H csp P S; F fdep X A; O seq Y S; A lambda=1; "
       "S lambda=1 dorm=0; P lambda=1; X lambda=1; Y lambda=1;",
       {}},
  };
  for (const Case& c : cases) {
    const Outcome o = translate(c.text);
    ASSERT_EQ(o.status, 1) << o.error;
    EXPECT_EQ(warnings(o), c.warnings) << c.text;
  }
}

}  // namespace
}  // namespace molvex
