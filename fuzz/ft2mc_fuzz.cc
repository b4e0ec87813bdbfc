// Whole generations of small arbitrary models.
//
// The input is a control byte (the truncation bound, and whether the
// generation folds symmetric states and dead spare modules, every rate taken
// as the same), the dictionary, a NUL byte and the fault tree: a text description when it begins
// with NODE, otherwise a fault tree file.  A model whose chain could grow large (many units and no
// truncation, many priority-AND gates) is only built, so that every execution stays short.  A
// successful generation must leave consistent files: every arc joins numbered states, the tuples
// count them, and the dictionary names only numbered states.
#include <algorithm>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "ftinput/cvrtxt.h"
#include "ftinput/fttabs.h"
#include "harness.h"
#include "main/error.h"
#include "stategen/ft2mc.h"
#include "stategen/symmet.h"

namespace molvex {
namespace {

constexpr long long MAXCHAIN = 4096;  // the most states a model may promise

// The tree as the generation will build it.
bool build(bool text, FaultTree& FT) {
  if (text && CVRTXT("M              ", MAXBAS, MAXNOD) != SUCCES) return false;
  return fuzz::buildTree(FT) == SUCCES;
}

// A bound on the states the generation expands: the combinations of working
// units or, when it truncates after NTRUNC failures, the states of the first
// NTRUNC levels, each state having a transition per component and per
// shared-spare slot at most; times the orders of each priority-AND gate.
// Truncation lets components of many units in.
bool small(const FaultTree& FT, int NTRUNC) {
  long long units = 1;
  for (int i = 1; i <= FT.NBASIC && units <= MAXCHAIN; ++i) units *= FT.BASE(i) + 1LL;
  long long levels = NTRUNC > 0 ? 1 : MAXCHAIN + 1;
  for (int j = 1; j <= NTRUNC; ++j) levels *= FT.NBASIC + FT.NSPSLT + 1LL;
  long long states = std::min(units, levels);
  for (int g = 1; g <= FT.PNDLST(1) && states <= MAXCHAIN; ++g) states *= 3;
  return states <= MAXCHAIN;
}

// The .TUP file: the number of components, each expanded state with its
// working units, -1 and the number of states.  Returns the number of
// states; `expanded` receives the expanded states.
int checkTuples(const FaultTree& FT, std::set<int>& expanded) {
  std::istringstream in(fuzz::readFile("M.TUP"));
  int nbasic = 0;
  fuzz::require(static_cast<bool>(in >> nbasic) && nbasic == FT.NBASIC,
                "the tuples count other components");
  int number = 0;
  while (in >> number && number != -1) {
    fuzz::require(expanded.insert(number).second, "a state was expanded twice");
    for (int i = 1; i <= nbasic; ++i) {
      int units = -1;
      fuzz::require(in >> units && units >= 0 && units <= FT.BASE(i),
                    "a state has more working units than its component");
    }
  }
  int total = 0;
  fuzz::require(number == -1 && static_cast<bool>(in >> total), "the tuples have no trailer");
  for (const int n : expanded)
    fuzz::require(n >= 1 && n <= total, "an expanded state has no number");
  return total;
}

// The arcs of the .INT file, behind its header: comment lines begin with *.
void checkArcs(int total, const std::set<int>& expanded) {
  std::istringstream in(fuzz::readFile("M.INT"));
  std::string line;
  fuzz::require(static_cast<bool>(std::getline(in, line)) && line.rfind(" SORTED", 0) == 0,
                "the chain has no header");
  while (std::getline(in, line)) {
    if (line.find_first_not_of(' ') == std::string::npos || line.find('*') == 1) continue;
    std::istringstream arc(line);
    int source = 0;
    int target = 0;
    fuzz::require(static_cast<bool>(arc >> source >> target), "an arc line has no states");
    fuzz::require(expanded.count(source) == 1, "an arc leaves a state that was not expanded");
    fuzz::require(target >= 1 && target <= total, "an arc enters a state without a number");
  }
}

// The state numbers in the lines behind the FEIDS line.
void checkDictionary(int total) {
  const std::string dic = fuzz::readFile("M.DIC");
  const std::size_t end = dic.find('\n', dic.rfind("FEIDS"));
  std::istringstream in(end == std::string::npos ? std::string() : dic.substr(end + 1));
  std::string word;
  while (in >> word) {
    if (word == "TAIDS") continue;
    std::istringstream value(word);
    int number = -1;
    fuzz::require(static_cast<bool>(value >> number) && number >= 0 && number <= total,
                  "the dictionary names a state without a number");
  }
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::setUp();
  if (size == 0) return 0;
  const int NTRUNC = data[0] % 4;
  const bool folded = (data[0] & 4) != 0;
  const std::string_view input = fuzz::text(data + 1, size - 1);
  const std::size_t split = std::min(input.find('\0'), input.size());
  const std::string_view tree = input.substr(std::min(split + 1, input.size()));
  const bool text = tree.substr(tree.find_first_not_of(' ') == std::string_view::npos
                                    ? tree.size()
                                    : tree.find_first_not_of(' '))
                        .rfind("NODE", 0) == 0;
  fuzz::clearFiles();
  fuzz::writeFile("M.DIC", input.substr(0, split));
  fuzz::writeFile(text ? "M.TXT" : "M.FTR", tree);
  static FaultTree FT;
  if (!build(text, FT) || !small(FT, NTRUNC)) return 0;
  int status = ERRGEN;
  if (folded) SYMRAT = [](std::string_view) { return 1; };
  fuzz::closesItsFiles([&] { status = FT2MC("M              ", 15, NTRUNC, 1); });
  SYMRAT = nullptr;
  if (status != SUCCES) return 0;
  std::set<int> expanded;
  const int total = checkTuples(FT, expanded);
  checkArcs(total, expanded);
  checkDictionary(total);
  return 0;
}
