// The Galileo reader on arbitrary .dft bytes.  What it accepts must be what
// MOLVEX takes: the text description converts and builds, the dictionary
// reads with one type per basic event (its further forms too), the state
// vector fits, and every rate name that an arc can carry has its value in
// the rates file or is a parameter named there.  A model of draws is taken
// through its outcomes of none and of all drawn.  A model without draws is
// also folded and split into its parts, as run does: each part is the
// same checks' (or beyond the sizes of one chain), no element is in two.
#include <cstdint>
#include <set>
#include <sstream>

#include "dict/dict.h"
#include "ftinput/cvrtxt.h"
#include "ftinput/fttabs.h"
#include "galileo/galileo.h"
#include "harness.h"
#include "main/error.h"

namespace molvex {
namespace {

void check(const DftFiles& files) {
  fuzz::clearFiles();
  fuzz::writeFile("M.TXT", files.txt);
  fuzz::writeFile("M.DIC", files.dic);
  int status = ERRGEN;
  fuzz::closesItsFiles([&] { status = CVRTXT("M              ", MAXBAS, MAXNOD); });
  fuzz::require(status == SUCCES, "an imported text description does not convert");
  static FaultTree FT;
  fuzz::require(fuzz::buildTree(FT) == SUCCES, "an imported tree does not build");
  fuzz::require(FT.NBASIC + FT.PNDLST(1) + FT.NSPSLT <= MAXBAS, "the state vector is too long");
  // The traversal's stack of three words per place behind the tree.
  fuzz::require(FT.PLCTAB(2) + 3 * FT.PLCTAB(1) <= PLCSIZ, "no room for the traversal's stack");
  int NTYPES = 0;
  static Array1<std::string> TYPNAM(MAXBAS), DRMNAM(MAXBAS);
  static Array1<int> MODTYP(MAXBAS), FRCONL(MAXBAS);
  const TypeForms forms{DRMNAM, MODTYP, FRCONL};
  status = RDDICT("M.DIC               ", NTYPES, TYPNAM, MAXBAS, nullptr, &forms);
  fuzz::require(status == SUCCES && NTYPES == FT.NBASIC, "the dictionary does not read back");
  std::set<std::string> rated;
  std::istringstream rates(files.rat);
  std::string line;
  while (std::getline(rates, line)) {
    // "# NAME: the parameter ..." names a value the user gives.
    const bool parameter =
        line.rfind("# ", 0) == 0 && line.find(": the parameter ") != std::string::npos;
    if (parameter) rated.insert(line.substr(2, line.find(':') - 2));
    if (!line.empty() && line[0] != '#') rated.insert(line.substr(0, line.find(' ')));
  }
  const auto name = [](const std::string& padded) { return padded.substr(0, padded.find(' ')); };
  for (int t = 1; t <= NTYPES; ++t) {
    if (FRCONL(t) != 0) continue;  // no arc carries its rate
    fuzz::require(rated.count(name(TYPNAM(t))) == 1, "a rate name has no value");
    const std::string dormant = name(DRMNAM(t));
    fuzz::require(dormant.empty() || rated.count(dormant) == 1, "a dormant rate has no value");
  }
}

void translateAndCheck(const DftModel& model) {
  Error error;
  DftFiles files;
  if (translateDft(model, "M.dft", files, error)) check(files);
}

// A part of a model is refused only for its size; one that passes is sound.
void partAndCheck(const DftModel& part) {
  Error error;
  DftFiles files;
  if (translateDft(part, "M.dft", files, error)) {
    check(files);
  } else {
    fuzz::require(error.text.find("more than MOLVEX's") != std::string::npos,
                  "a part of a model is refused for more than its size");
  }
}

// Parts that share only triggers: each of the same shape, each element of
// the model but the top and the shared dependencies in one part, the shared
// events in all.
void sharedAndCheck(const DftModel& model) {
  DftSharing sharing;
  if (!dftSharing(model, false, sharing)) return;
  fuzz::require(sharing.parts.size() >= 2 && !sharing.shared.empty(), "nothing shared");
  const std::set<std::string> shared(sharing.shared.begin(), sharing.shared.end());
  std::set<std::string> owned;
  for (const DftModel& part : sharing.parts) {
    fuzz::require(dftShape(part, false) == dftShape(sharing.parts[0], false),
                  "parts of two shapes");
    std::size_t seen = 0;
    for (const DftElement& e : part.elements) {
      if (shared.count(e.name) != 0) {
        ++seen;
      } else if (e.kind != DftKind::fdep) {
        fuzz::require(owned.insert(e.name).second, "an element in two parts");
      }
    }
    fuzz::require(seen == shared.size(), "a part without the shared events");
    partAndCheck(part);
  }
}

// The parts of a model that passes without the sizes of one chain.
void splitAndCheck(DftModel model) {
  Error error;
  DftFiles files;
  if (!translateDft(model, "M.dft", files, error, false)) return;
  std::size_t events = 0;
  for (const DftElement& e : model.elements) events += e.kind == DftKind::basic ? 1 : 0;
  const std::vector<DftFold> folds = foldIdentical(model);
  std::size_t units = 0;
  for (const DftElement& e : model.elements) units += e.kind == DftKind::basic ? e.units : 0;
  fuzz::require(units == events, "folding lost or made a basic event");
  const DftModules modules = dftModules(model);
  fuzz::require(modules.same.size() == modules.parts.size(), "a part without its chain");
  std::set<int> partsSeen;
  for (const StaticNode& n : modules.tree) {
    if (n.kind == StaticNode::Kind::part) partsSeen.insert(n.part);
  }
  fuzz::require(partsSeen.size() == modules.parts.size(), "a part not in the tree, or twice");
  std::set<std::string> owned;
  for (const DftModel& part : modules.parts) {
    for (const DftElement& e : part.elements) {
      // A gate over inputs tied together takes the name of the gate above.
      fuzz::require(owned.insert(e.name).second || e.name == part.top, "an element in two parts");
    }
    partAndCheck(part);
  }
  if (modules.parts.size() == 1) sharedAndCheck(model);
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::setUp();
  DftModel model;
  Error error;
  if (!readDft(fuzz::text(data, size), model, error)) return 0;
  const std::vector<DftDraw> draws = dftDraws(model);
  if (draws.empty() || draws.size() > 16) {
    translateAndCheck(model);
    if (draws.empty()) splitAndCheck(model);
    return 0;
  }
  for (const unsigned long outcome : {0UL, (1UL << draws.size()) - 1}) {
    DftModel drawn;
    double weight = 0.0;
    drawnModel(model, draws, outcome, drawn, weight);
    fuzz::require(weight >= 0.0 && weight <= 1.0, "an outcome's probability is none");
    translateAndCheck(drawn);
  }
  return 0;
}
