// The Galileo reader on arbitrary .dft bytes.  What it accepts must be what
// MOLVEX takes: the text description converts and builds, the dictionary
// reads with one type per basic event, the state vector fits, and every rate
// name of the dictionary has its value in the rates file.
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

constexpr int MAXTYP = 96;

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
  static Array1<std::string> TYPNAM(MAXTYP);
  status = RDDICT("M.DIC               ", NTYPES, TYPNAM, MAXTYP);
  fuzz::require(status == SUCCES && NTYPES == FT.NBASIC, "the dictionary does not read back");
  std::set<std::string> rated;
  std::istringstream rates(files.rat);
  std::string line;
  while (std::getline(rates, line)) {
    if (!line.empty() && line[0] != '#') rated.insert(line.substr(0, line.find(' ')));
  }
  for (int t = 1; t <= NTYPES; ++t) {
    const std::string name = TYPNAM(t).substr(0, TYPNAM(t).find(' '));
    fuzz::require(rated.count(name) == 1, "a rate name has no value");
  }
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::setUp();
  DftModel model;
  DftMessage error;
  DftFiles files;
  if (readDft(fuzz::text(data, size), model, error) == 1 &&
      translateDft(model, "M.dft", files, error) == 1) {
    check(files);
  }
  return 0;
}
