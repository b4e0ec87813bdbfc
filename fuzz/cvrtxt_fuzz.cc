// The text description converter on arbitrary .TXT bytes, and the build of
// the fault tree file it writes.
#include <cstdint>

#include "ftinput/cvrtxt.h"
#include "ftinput/fttabs.h"
#include "harness.h"
#include "main/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::onlyFile("M.TXT", data, size);
  int status = ERRGEN;
  fuzz::closesItsFiles([&] { status = CVRTXT("M              ", MAXBAS, MAXNOD); });
  if (status != SUCCES) return 0;
  // The fault tree file written, as the generation would build it next.
  static FaultTree FT;
  fuzz::buildTree(FT);
  return 0;
}
