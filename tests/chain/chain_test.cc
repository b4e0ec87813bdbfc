// Reading a generated chain back: what it holds, and every way its files
// can be wrong or not belong together, each refused with a message naming
// the file (and the line where there is one).
#include "chain/chain.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "chain/rates.h"
#include "chain/solve.h"
#include "support/console.h"

namespace molvex {
namespace {

std::string example(const std::string& file) {
  std::ifstream in(std::string(MOLVEX_SOURCE_DIR) + "/examples/" + file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The pumps example as its run left it, and a rates file for it.
struct Pumps {
  testing::ScratchDir dir;
  testing::Console con;
  Pumps() {
    for (const char* ext : {"INT", "TUP", "DIC"}) {
      dir.write(std::string("PUMPS.") + ext, example(std::string("pumps/expected/PUMPS.") + ext));
    }
    dir.write("PUMPS.RAT", "# pumps\nLAM1 1e-3\n\n  LAM2\t2E-3\n");
  }
  void edit(const std::string& file, const std::string& from, const std::string& to) const {
    std::string text = dir.read(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    dir.write(file, text);
  }
  // The first error of reading, rating and ordering the chain ("" if none).
  std::string load(Chain& chain) const {
    RateTable rates;
    Array1<double> rate;
    Array1<int> order;
    Error error;
    if (!readChain("PUMPS", chain, error) || !readRates("PUMPS.RAT", rates, error) ||
        !arcRates(chain, rates, rate, error) || !topologicalOrder(chain, order, error)) {
      return error.message();
    }
    return "";
  }
};

TEST(ChainReader, ReadsWhatTheRunWrote) {
  Pumps p;
  Chain chain;
  ASSERT_EQ(p.load(chain), "");
  EXPECT_EQ(chain.nstates, 5);
  EXPECT_EQ(chain.nbasic, 2);
  EXPECT_FALSE(chain.truncated());
  EXPECT_EQ(chain.narcs(), 4);
  const StateKind kinds[] = {StateKind::Expanded, StateKind::Expanded, StateKind::Expanded,
                             StateKind::Failure, StateKind::Failure};
  for (int s = 1; s <= 5; ++s) EXPECT_EQ(chain.kind(s), kinds[s - 1]) << s;
  EXPECT_EQ(chain.type(4), 2);
  EXPECT_EQ(chain.type(5), 1);
  EXPECT_EQ(chain.unitsOf(2)(1), 0);
  EXPECT_EQ(chain.unitsOf(2)(2), 1);
  EXPECT_EQ(chain.first(2), 3);
  EXPECT_EQ(chain.arcs(3).target, 4);
  EXPECT_EQ(chain.rateText(chain.arcs(3)), "LAM2*X");
}

// Files carried over from another system end their lines with CR LF.
TEST(ChainReader, ReadsLinesEndedByCarriageReturns) {
  Pumps p;
  for (const char* file : {"PUMPS.INT", "PUMPS.TUP", "PUMPS.DIC", "PUMPS.RAT"}) {
    std::string text;
    for (char c : p.dir.read(file)) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    p.dir.write(file, text);
  }
  Chain chain;
  ASSERT_EQ(p.load(chain), "");
  EXPECT_EQ(chain.nstates, 5);
  EXPECT_EQ(chain.narcs(), 4);
}

TEST(ChainReader, ReadsMultipliersTruncationAndSharedSpares) {
  testing::ScratchDir dir;
  for (const char* ext : {"INT", "TUP", "DIC"}) {
    dir.write(std::string("TRUNC.") + ext,
              example(std::string("truncation/expected/TRUNC.") + ext));
    dir.write(std::string("SHARED.") + ext,
              example(std::string("sharedspare/expected/SHARED.") + ext));
  }
  Chain chain;
  Error error;
  ASSERT_TRUE(readChain("TRUNC", chain, error)) << error.message();
  EXPECT_EQ(chain.ntrunc, 1);
  EXPECT_EQ(chain.kind(7), StateKind::Truncation);
  EXPECT_EQ(chain.type(7), 2);
  const Arc& merged = chain.arcs(chain.first(2));  // " 2 5    2*LAMV*X;"
  EXPECT_EQ(merged.multiplier, 2);
  EXPECT_TRUE(merged.marked);
  EXPECT_EQ(chain.rateText(merged), "2*LAMV*X");
  ASSERT_TRUE(readChain("SHARED", chain, error)) << error.message();
  EXPECT_TRUE(chain.cspare);
  EXPECT_EQ(chain.nbasic, 3);
}

struct Fault {
  const char* what;
  const char* file;  // removed when `from` is null, else edited
  const char* from;
  const char* to;
  const char* error;
};

TEST(ChainReader, RefusesWhatIsWrongOrDoesNotBelongTogether) {
  const Fault faults[] = {
      {"a missing chain", "PUMPS.INT", nullptr, nullptr, "PUMPS.INT: not found"},
      {"a missing rates file", "PUMPS.RAT", nullptr, nullptr, "PUMPS.RAT: not found"},
      {"a dictionary of a model never generated", "PUMPS.DIC", " FEIDS\n 5 4 \n", "",
       "PUMPS.DIC: has no FEIDS line: no generation of the model has succeeded"},
      {"a chain of an interrupted run", "PUMPS.TUP", " -1\n 5\n", "",
       "PUMPS.TUP: ends without its closing total"},
      {"a malformed arc line", "PUMPS.INT", " 1 3    LAM2;", " 1 3 4 LAM2;",
       "PUMPS.INT:6: ' 1 3 4 LAM2;' is not an arc line"},
      {"a rate the dictionary does not name", "PUMPS.INT", " 1 3    LAM2;", " 1 3    LAM3;",
       "PUMPS.INT:6: rate 'LAM3;' is not [K*]NAME[*X];"},
      {"an arc to a state outside the chain", "PUMPS.INT", " 2 4    LAM2*X;", " 2 9    LAM2*X;",
       "PUMPS.INT:9: arc 2 -> 9 names a state outside 1 .. 5"},
      {"an arc from a failure state", "PUMPS.INT", " 3 5    LAM1*X;", " 4 5    LAM1*X;",
       "PUMPS.INT:12: arc 4 -> 5 leaves a failure or truncation state"},
      {"an arc into a failure state without *X", "PUMPS.INT", " 2 4    LAM2*X;", " 2 4    LAM2;",
       "PUMPS.INT:9: arc 2 -> 4 leads to a failure state without *X"},
      {"arcs out of the order of expansion", "PUMPS.TUP", " 2\n 0 1 \n 3\n 1 0 \n",
       " 3\n 1 0 \n 2\n 0 1 \n", "PUMPS.INT:12: arc 3 -> 5 out of the order of expansion"},
      {"FEIDS beyond the states", "PUMPS.DIC", " 5 4 ", " 6 4 ",
       "PUMPS.DIC: FEIDS names state 6 for type 1, but PUMPS.TUP counts 5 states"},
      {"FEIDS naming an expanded state", "PUMPS.DIC", " 5 4 ", " 3 4 ",
       "PUMPS.DIC: FEIDS names state 3 for type 1, which is already"},
      {"a total that leaves a state unaccounted", "PUMPS.TUP", " -1\n 5\n", " -1\n 6\n",
       "PUMPS.TUP: state 6 of 6 is neither expanded nor a failure or truncation state"},
      {"failure states swapped between the types", "PUMPS.DIC", " 5 4 ", " 4 5 ",
       "PUMPS.INT:9: arc 2 -> 4 has the rate LAM2, but FEIDS makes state 4 the failure state of "
       "type 1 (LAM1)"},
      {"a chain cut short beside complete tuples", "PUMPS.INT", " 1 2    LAM1;", " 1 3    LAM1;",
       "PUMPS.INT: no arc leads to state 2 of PUMPS.TUP"},
      {"no arc to the last state expanded", "PUMPS.INT", " 1 3    LAM2;", " 1 2    LAM2;",
       "PUMPS.INT: no arc leads to state 3 of PUMPS.TUP"},
      {"an arc back to the initial state", "PUMPS.INT", " 2 4    LAM2*X;", " 2 1    LAM2;",
       "PUMPS.INT: an arc leads back to the initial state 1"},
      {"a total far beyond the states", "PUMPS.TUP", " -1\n 5\n", " -1\n 2000000000\n",
       "PUMPS.TUP: a total of 2000000000 states for 3 expanded states and 2 component types"},
      {"rates whose sum overflows", "PUMPS.RAT", "LAM1 1e-3\n\n  LAM2\t2E-3",
       "LAM1 1.7e308\nLAM2 1.7e308",
       "PUMPS.RAT: the rates out of state 1 add up beyond the range of a double"},
      {"a TAIDS line beside an untruncated chain", "PUMPS.DIC", " 5 4 \n", " 5 4 \n TAIDS\n 0 0 \n",
       "PUMPS.DIC: a TAIDS line, but PUMPS.INT is not truncated"},
      {"a cycle", "PUMPS.INT", " 3 5    LAM1*X;", " 3 2    LAM1;\n 3 3    LAM2;",
       "PUMPS.INT: the chain has a transition from state 3 to itself"},
      {"a rate without a value", "PUMPS.RAT", "  LAM2\t2E-3\n", "",
       "PUMPS.RAT: no value for the rate LAM2 of PUMPS.INT"},
      {"a rate that is not a number", "PUMPS.RAT", "2E-3", "fast",
       "PUMPS.RAT:4: value 'fast' of LAM2 is not a number"},
      {"a negative rate", "PUMPS.RAT", "2E-3", "-1e-3",
       "PUMPS.RAT:4: value '-1e-3' of LAM2 is not a finite number of 0 or more"},
      {"an infinite rate", "PUMPS.RAT", "2E-3", "inf",
       "PUMPS.RAT:4: value 'inf' of LAM2 is not a finite number of 0 or more"},
      {"a rate given twice", "PUMPS.RAT", "# pumps", "LAM2 1", "PUMPS.RAT:4: LAM2 is given twice"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    Pumps p;
    if (f.from == nullptr) {
      std::filesystem::remove(p.dir.path() / f.file);
    } else {
      p.edit(f.file, f.from, f.to);
    }
    Chain chain;
    EXPECT_EQ(p.load(chain).rfind(f.error, 0), 0u) << p.load(chain);
  }
}

TEST(ChainReader, ACycleIsNamedByTwoOfItsStates) {
  Pumps p;
  p.edit("PUMPS.INT", " 2 4    LAM2*X;", " 2 3    LAM2;");
  p.edit("PUMPS.INT", " 3 5    LAM1*X;", " 3 2    LAM1;");
  Chain chain;
  EXPECT_EQ(p.load(chain).rfind("PUMPS.INT: the chain has a cycle through states 2 and 3", 0), 0u)
      << p.load(chain);
}

// Each type's rate name and label from a dictionary's text: the first line
// of its number is its entry, the next its description; a quoted name loses
// its quotes, a blank description gives the word, a type's later forms
// (MODULE, FORCED ONLY, DORMANT) change nothing, nor do their descriptions,
// a number at their start or not.
TEST(DictionaryEntries, NameEachTypeAsTheModelDoes) {
  const std::string text =
      "1 BE PUMP_1\n  \"Pump 1\"\n"
      "2 PUMP LAM2\n  BACKUP PUMP\n"
      "2 DORMANT LAM2D\n  \"Pump 2\" while dormant\n"
      "3 BE U\n  unit of the spare module \"M\"\n"
      "3 FORCED ONLY\n  4 SPARE VALVES\n"
      "4 VALVE LAM4\n   \n";
  const DictionaryEntries e = dictionaryEntries(text);
  EXPECT_EQ(e.names, (std::vector<std::string>{"", "PUMP_1", "LAM2", "U", "LAM4"}));
  EXPECT_EQ(e.labels, (std::vector<std::string>{"", "Pump 1", "BACKUP PUMP",
                                                "unit of the spare module \"M\"", "VALVE"}));
}

}  // namespace
}  // namespace molvex
