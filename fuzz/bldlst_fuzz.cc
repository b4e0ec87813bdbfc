// The fault tree build on arbitrary .FTR bytes; a tree that is built is then
// evaluated with nothing and with everything failed.
#include <cstdint>

#include "ftinput/fttabs.h"
#include "gates/trvtre.h"
#include "harness.h"
#include "main/error.h"

namespace molvex {
namespace {

// The top event in the root state and in the state where every unit has
// failed; the order and spare slots stay as the root has them.
void evaluate(FaultTree& FT) {
  const int NPAND = FT.PNDLST(1);
  const int NSLOT = FT.NBASIC + NPAND + FT.NSPSLT;
  if (NSLOT > MAXBAS) return;  // refused by the generation (F508)
  IntTab BASE = FT.BASE;
  for (int s = FT.NBASIC + 1; s <= NSLOT + 2; ++s) BASE(s) = 0;
  static Array1<int> state(BASSIZ);
  state.copyFrom(BASE, NSLOT + 2);
  int failed = 0;
  TRVTRE(FT.PLCTAB, FT.CSPTAB, FT.NBASIC + NPAND, FT.NBASIC, NSLOT, state, BASE, failed);
  for (int i = 1; i <= FT.NBASIC; ++i) state(i) = 0;
  TRVTRE(FT.PLCTAB, FT.CSPTAB, FT.NBASIC + NPAND, FT.NBASIC, NSLOT, state, BASE, failed);
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::onlyFile("M.FTR", data, size);
  static FaultTree FT;
  if (fuzz::buildTree(FT) == SUCCES) evaluate(FT);
  return 0;
}
