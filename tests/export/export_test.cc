// The exports of a chain, on chains the generation really wrote.
//
// The expected files under expected/ were worked out by hand from each
// chain's .INT (arcs), .TUP (working units) and .DIC (FEIDS/TAIDS) in
// examples/pumps/expected and examples/truncation/expected, and from the
// hand-made MERGE chain below: states shifted down by one, transitions of a
// state sorted by target, absorbing states given their self-loop in DRN
// only.  The rates were chosen so that the sums are exact in binary or
// well known (0.1 + 0.2 = 0.30000000000000004, MERGE's 2^-20 sums); their
// shortest round-trip texts were derived by hand and cross-checked with
// Python's repr, which prints by the same rule.
//
// The graphs are checked by Graphviz itself: it must read each one without a
// word on stderr and draw every state and every arc.
#include "export/export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "chain/chain.h"
#include "chain/rates.h"
#include "main/dialog.h"
#include "support/console.h"

namespace molvex {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) { return testing::readFile(path); }

int count(const std::string& text, const std::string& word) {
  int n = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

// Two arcs of state 1 reach state 2 under different rate names, listed
// after an arc to a higher state; state 3 is expanded but has no arcs; type
// 2 has no failure state.  No example gives such a chain.
void writeMergeChain(const testing::ScratchDir& dir) {
  dir.write("MERGE.DIC", "1 PUMP LAMA\n  FIRST\n2 VALVE LAMB\n  SECOND\n FEIDS\n 4 0 \n");
  dir.write("MERGE.TUP", " 2\n 1\n 1 1 \n 2\n 0 1 \n 3\n 0 0 \n -1\n 4\n");
  dir.write("MERGE.INT",
            " SORTED\n 1 4    LAMA*X;\n 1 2    3*LAMB;\n 1 2    LAMA;\n\n 2 3    LAMB;\n");
}

// Generates the example (a folder of examples/) in the scratch directory, or
// writes the MERGE chain, and reads the chain back.
void loadChain(const testing::ScratchDir& dir, const std::string& source, Chain& chain) {
  std::string model = "MERGE";
  if (source == "merge") {
    writeMergeChain(dir);
  } else {
    const fs::path folder = fs::path(MOLVEX_SOURCE_DIR) / "examples" / source;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.is_regular_file())
        fs::copy_file(entry.path(), dir.path() / entry.path().filename());
    }
    const std::string answers = slurp(folder / "answers.txt");
    model = answers.substr(0, answers.find('\n'));
    testing::Console con(answers);
    ASSERT_EQ(MOLVEX(), 0) << con.screen();
  }
  Error error;
  ASSERT_TRUE(readChain(model, chain, error)) << error.message();
}

StateSlots slotsOf(const Chain& chain) {
  StateSlots slots;
  Error error;
  EXPECT_TRUE(readStateSlots(chain, slots, error)) << error.message();
  return slots;
}

template <class Write>
std::string capture(Write write) {
  std::ostringstream text;
  write(text);
  return text.str();
}

struct Case {
  const char* source;    // an example, or "merge"
  const char* rates;     // the rates file
  const char* format;    // drn, drn-parametric, tra, sta, lab
  const char* expected;  // under expected/
};

const char* const pumpsRates = "LAM1 0.1\nLAM2 0.2\n";
const char* const truncRates = "# by hand\nLAMP 0.25\nLAMV 0.125\n";
const char* const mergeRates = "LAMA 0.25\nLAMB 9.5367431640625e-07\n";  // 2^-20

const Case cases[] = {
    {"pumps", pumpsRates, "drn", "pumps.drn"},
    {"pumps", pumpsRates, "drn-parametric", "pumps-parametric.drn"},
    {"pumps", pumpsRates, "tra", "pumps.tra"},
    {"pumps", pumpsRates, "sta", "pumps.sta"},
    {"pumps", pumpsRates, "lab", "pumps.lab"},
    {"truncation", truncRates, "drn", "truncation.drn"},
    {"truncation", truncRates, "drn-parametric", "truncation-parametric.drn"},
    {"truncation", truncRates, "tra", "truncation.tra"},
    {"truncation", truncRates, "sta", "truncation.sta"},
    {"truncation", truncRates, "lab", "truncation.lab"},
    {"merge", mergeRates, "drn", "merge.drn"},
    {"merge", mergeRates, "drn-parametric", "merge-parametric.drn"},
    {"merge", mergeRates, "tra", "merge.tra"},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.expected; }

class ExportFiles : public ::testing::TestWithParam<Case> {};

TEST_P(ExportFiles, WriterGivesTheFileWorkedOutByHand) {
  const Case& c = GetParam();
  testing::ScratchDir dir;
  Chain chain;
  ASSERT_NO_FATAL_FAILURE(loadChain(dir, c.source, chain));
  dir.write("rates", c.rates);
  RateTable table;
  Array1<double> rate;
  Error error;
  ASSERT_TRUE(readRates("rates", table, error)) << error.message();
  ASSERT_TRUE(arcRates(chain, table, rate, error)) << error.message();
  const std::string format = c.format;
  const std::string text = capture([&](std::ostream& out) {
    if (format == "drn") writeDrn(chain, &rate, out);
    if (format == "drn-parametric") writeDrn(chain, nullptr, out);
    if (format == "tra") writePrismTra(chain, rate, out);
    if (format == "sta") writePrismSta(chain, slotsOf(chain), out);
    if (format == "lab") writePrismLab(chain, out);
  });
  const fs::path expected = fs::path(MOLVEX_SOURCE_DIR) / "tests/export/expected" / c.expected;
  ASSERT_TRUE(fs::exists(expected)) << expected;
  EXPECT_EQ(text, slurp(expected));
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name = info.param.expected;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Export, ExportFiles, ::testing::ValuesIn(cases), caseName);

// A chain far longer than one piece of the writers' buffer must arrive
// whole: a line 1 -> 2 -> ... -> n.
TEST(ExportPieces, LongChainArrivesWhole) {
  constexpr int n = 20000;
  Chain chain;
  chain.model = "LINE";
  chain.nstates = n;
  chain.nbasic = 1;
  chain.kind.resize(n, StateKind::Expanded);
  chain.type.resize(n, 0);
  chain.units.resize(n, 1);
  chain.first.resize(n + 1, 0);
  chain.arcs.resize(n - 1);
  chain.rateNames.resize(1);
  chain.rateNames(1) = "L";
  Array1<double> rate(n - 1, 0.5);
  for (int s = 1; s <= n; ++s) chain.first(s) = s < n ? s : n;
  chain.first(n + 1) = n;
  for (int a = 1; a < n; ++a) chain.arcs(a) = Arc{a + 1, 1, 1, false};
  const std::string tra = capture([&](std::ostream& out) { writePrismTra(chain, rate, out); });
  const auto lines = testing::splitLines(tra);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(n));
  EXPECT_EQ(lines.front(), std::to_string(n) + " " + std::to_string(n - 1));
  EXPECT_EQ(lines.back(), std::to_string(n - 2) + " " + std::to_string(n - 1) + " 0.5");
  const std::string drn = capture([&](std::ostream& out) { writeDrn(chain, nullptr, out); });
  EXPECT_EQ(count(drn, "\nstate "), n);
  EXPECT_NE(drn.find("state " + std::to_string(n - 1) + " !1\n\taction 0\n\t\t" +
                     std::to_string(n - 1) + " : 1\n"),
            std::string::npos);
}

// ---------------------------------------------------------------- slots

// A priority-AND beside a third unit, and two spare gates sharing one spare:
// A then B and B then A leave the same units, as do X then Y and Y then X
// with the spare held by the one gate or the other.
void writeTwinModel(const testing::ScratchDir& dir) {
  dir.write("TWIN.TXT",
            "NODE 20 TYPE FBOX INPUT 21\n"
            "NODE 21 TYPE OR 2 INPUT 22 23\n"
            "NODE 22 TYPE AND 2 INPUT 24 3\n"
            "NODE 24 TYPE PAND 2 INPUT 1 2\n"
            "NODE 23 TYPE AND 2 INPUT 25 26\n"
            "NODE 25 TYPE CSP 2 INPUT 4 6\n"
            "NODE 26 TYPE CSP 2 INPUT 5 6\n"
            "NODE 1 TYPE BASIC 1 OF COMPONENT TYPE 1\n"
            "NODE 2 TYPE BASIC 1 OF COMPONENT TYPE 2\n"
            "NODE 3 TYPE BASIC 1 OF COMPONENT TYPE 3\n"
            "NODE 4 TYPE BASIC 1 OF COMPONENT TYPE 4\n"
            "NODE 5 TYPE BASIC 1 OF COMPONENT TYPE 4\n"
            "NODE 6 TYPE BASIC 1 OF COMPONENT TYPE 5\n");
  dir.write("TWIN.DIC",
            "1 SWITCH LAMA\n  \"A\"\n2 PUMP LAMB\n  \"B\"\n3 FAN LAMC\n  THE FAN\n"
            "4 VALVE LAMV\n  VALVES\n5 SPARE LAMS\n  \"S\"\n");
  testing::Console con("TWIN\n0\nn\n");
  ASSERT_EQ(MOLVEX(), 0) << con.screen();
}

// Worked out from the tree: units in the order of the basic nodes, the
// priority-AND's order slot, then a slot per input of each sharing gate.
const char* const twinLegend =
    "u1 working units of A\n"
    "u2 working units of B\n"
    "u3 working units of THE FAN\n"
    "u4 working units of VALVES #1\n"
    "u5 working units of VALVES #2\n"
    "u6 working units of S\n"
    "o1 which input of pand(A, B) failed first (0: neither yet)\n"
    "s1 units of VALVES #1 held by spare(VALVES #1, S)\n"
    "s2 units of S held by spare(VALVES #1, S)\n"
    "s3 units of VALVES #2 held by spare(VALVES #2, S)\n"
    "s4 units of S held by spare(VALVES #2, S)\n";

// The text after the state number in each expanded state's label.
std::vector<std::string> stateLabels(const std::string& dot) {
  std::vector<std::string> labels;
  for (const std::string& line : testing::splitLines(dot)) {
    const std::size_t at = line.find("\\n");
    if (line.find("label=\"F") == std::string::npos && line.find("legend") == std::string::npos &&
        at != std::string::npos) {
      labels.push_back(line.substr(at + 2, line.find('"', at) - at - 2));
    }
  }
  return labels;
}

TEST(ExportSlots, StatesThatDifferOnlyInOrderOrSpareSlotsGetTheirOwnLabels) {
  testing::ScratchDir dir;
  ASSERT_NO_FATAL_FAILURE(writeTwinModel(dir));
  Chain chain;
  Error error;
  ASSERT_TRUE(readChain("TWIN", chain, error)) << error.message();
  const StateSlots slots = slotsOf(chain);
  EXPECT_EQ(slots.warning, "");
  EXPECT_EQ(capture([&](std::ostream& out) { writeLegend(slots, out); }), twinLegend);
  std::vector<std::string> labels =
      stateLabels(capture([&](std::ostream& out) { writeDot(chain, slots, out); }));
  ASSERT_EQ(labels.size(), static_cast<std::size_t>(chain.expansion.size()));
  // Each of the pairs above: the units alike, the slots not.
  for (const char* pair : {"0 0 1 1 1 1 | 1 | 1 0 1 0", "0 0 1 1 1 1 | 2 | 1 0 1 0",
                           "1 1 1 0 0 1 | 0 | 0 1 0 0", "1 1 1 0 0 1 | 0 | 0 0 0 1"}) {
    EXPECT_NE(std::find(labels.begin(), labels.end(), pair), labels.end()) << pair;
  }
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end());
}

// What export can do without the tree or the listing, and what it refuses.
struct SlotCase {
  const char* name;
  const char* file;     // the file changed
  const char* from;     // its text replaced ...
  const char* to;       // ... by this ("" with from "": the file removed)
  std::size_t legend;   // slots shown
  const char* warning;  // in the warning, or "" for none
  const char* error;    // in the error, or "" when read
};

const SlotCase slotCases[] = {
    {"no_tree", "TWIN.FTR", "", "", 6, "TWIN.FTR not found: the components are shown by number",
     ""},
    {"no_listing", "TWIN.INT", " * ", "", 6, "look alike: molvex generate TWIN writes it", ""},
    {"other_units", "TWIN.INT", " * 1 1 1 1 1 1 0 1 0 1 0 -> 0", " * 1 1 1 1 1 0 0 1 0 1 0 -> 0", 0,
     "", "other units than TWIN.TUP"},
    {"crlf", "TWIN.INT", "\n", "\r\n", 11, "", ""},
    {"own_comment", "TWIN.INT", " * 1 1 1 1 1 1 0 1 0 1 0 -> 0",
     " * a note of one's own\n * 1 1 1 1 1 1 0 1 0 1 0 -> 0", 11, "", ""},
    {"other_tree", "TWIN.FTR", " N 6 6 16 1*5\n", " N 6 6 16 1*5\n N 7 7 16 1*5\n", 0, "",
     "7 basic components"},
};

void PrintTo(const SlotCase& c, std::ostream* os) { *os << c.name; }

class ExportSlotFiles : public ::testing::TestWithParam<SlotCase> {};

TEST_P(ExportSlotFiles, ShowWhatTheFilesTellOrSayWhy) {
  const SlotCase& c = GetParam();
  testing::ScratchDir dir;
  ASSERT_NO_FATAL_FAILURE(writeTwinModel(dir));
  Chain chain;
  Error error;
  ASSERT_TRUE(readChain("TWIN", chain, error)) << error.message();
  std::string text = dir.read(c.file);
  if (std::string(c.from).empty()) {
    fs::remove(dir.path() / c.file);
  } else {
    // Every occurrence: a comment line loses its mark and reads as no arc.
    const std::string from = c.from;
    ASSERT_NE(text.find(from), std::string::npos) << text.substr(0, 400);
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + std::string(c.to).size())) {
      text.replace(at, from.size(), c.to);
    }
    dir.write(c.file, text);
  }
  StateSlots slots;
  const bool read = readStateSlots(chain, slots, error);
  EXPECT_EQ(read, std::string(c.error).empty()) << error.message();
  if (!read) {
    EXPECT_NE(error.message().find(c.error), std::string::npos) << error.message();
    return;
  }
  EXPECT_EQ(slots.legend.size(), c.legend);
  EXPECT_NE(slots.warning.find(c.warning), std::string::npos) << slots.warning;
}

INSTANTIATE_TEST_SUITE_P(Export, ExportSlotFiles, ::testing::ValuesIn(slotCases),
                         [](const auto& slotCase) { return std::string(slotCase.param.name); });

// ------------------------------------------------------------------ DOT

struct Drawing {
  int status = -1;
  std::string errors;
  std::string svg;
};

// Runs Graphviz on the graph; skips (or fails under CI) without it.
Drawing draw(const testing::ScratchDir& dir, const std::string& graph) {
  dir.write("graph.dot", graph);
  Drawing d;
  d.status = std::system("dot -Tsvg graph.dot -o graph.svg 2> dot.err");
  d.errors = dir.read("dot.err");
  d.svg = dir.read("graph.svg");
  return d;
}

bool haveDot() { return std::system("dot -V > /dev/null 2>&1") == 0; }

#define REQUIRE_DOT()                                                        \
  do {                                                                       \
    if (!haveDot()) {                                                        \
      if (std::getenv("CI") != nullptr) FAIL() << "Graphviz dot is missing"; \
      GTEST_SKIP() << "Graphviz dot is not installed";                       \
    }                                                                        \
  } while (0)

class ExportDot : public ::testing::TestWithParam<const char*> {};

TEST_P(ExportDot, GraphvizDrawsEveryStateAndArc) {
  REQUIRE_DOT();
  testing::ScratchDir dir;
  Chain chain;
  ASSERT_NO_FATAL_FAILURE(loadChain(dir, GetParam(), chain));
  const Drawing d =
      draw(dir, capture([&](std::ostream& out) { writeDot(chain, slotsOf(chain), out); }));
  ASSERT_EQ(d.status, 0) << d.errors;
  EXPECT_EQ(d.errors, "");
  int failures = 0;
  int truncations = 0;
  for (int s = 1; s <= chain.nstates; ++s) {
    failures += chain.kind(s) == StateKind::Failure;
    truncations += chain.kind(s) == StateKind::Truncation;
  }
  EXPECT_EQ(count(d.svg, "class=\"node\""), chain.nstates + 1);  // and the legend
  EXPECT_EQ(count(d.svg, "class=\"edge\""), chain.narcs());
  EXPECT_EQ(count(d.svg, "fill=\"#f4b6b6\""), failures);
  EXPECT_EQ(count(d.svg, "stroke-dasharray"), truncations);
}

INSTANTIATE_TEST_SUITE_P(Export, ExportDot,
                         ::testing::Values("pumps", "truncation", "pand", "sharedspare", "fdep",
                                           "merge"),
                         [](const auto& example) { return std::string(example.param); });

// Quotes and backslashes of names must not end a string of the graph early;
// in a label, Graphviz shows them as they are.  (A graph's name keeps the
// doubled backslash: DOT undoes only the escaped quote there.)
TEST(ExportDotText, QuotesAndBackslashesAreEscaped) {
  REQUIRE_DOT();
  testing::ScratchDir dir;
  Chain chain;
  chain.model = "Q\"M\\";
  chain.nstates = 2;
  chain.nbasic = 1;
  chain.kind.resize(2, StateKind::Expanded);
  chain.type.resize(2, 0);
  chain.units.resize(2, 1);
  chain.units(2) = 0;
  chain.first.resize(3, 2);
  chain.first(1) = 1;
  chain.arcs.resize(1);
  chain.arcs(1) = Arc{2, 1, 1, false};
  chain.rateNames.resize(1);
  chain.rateNames(1) = "L\"1\\";
  const Drawing d =
      draw(dir, capture([&](std::ostream& out) { writeDot(chain, numberedUnits(chain), out); }));
  ASSERT_EQ(d.status, 0) << d.errors;
  EXPECT_EQ(d.errors, "");
  EXPECT_NE(d.svg.find("<title>Q&quot;M\\\\</title>"), std::string::npos) << d.svg;
  EXPECT_NE(d.svg.find(">L&quot;1\\</text>"), std::string::npos) << d.svg;
}

}  // namespace
}  // namespace molvex
