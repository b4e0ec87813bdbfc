// The dictionary reader on arbitrary .DIC bytes, and the writer on what the
// reader accepted: the rewritten dictionary must read back as the same types
// and keep every line in front of its FEIDS section.
#include <cstdint>
#include <sstream>
#include <string>

#include "dict/dict.h"
#include "harness.h"
#include "main/error.h"
#include "main/globals.h"

namespace molvex {
namespace {

constexpr int MAXTYP = 96;
const std::string NAME = "M.DIC               ";

struct Types {
  int NTYPES = 0;
  Array1<std::string> TYPNAM{MAXTYP};
};

int read(Types& t) {
  int status = ERRGEN;
  fuzz::closesItsFiles([&] { status = RDDICT(NAME, t.NTYPES, t.TYPNAM, MAXTYP); });
  return status;
}

void requireValues(std::istream& in, CIntTab values, int n) {
  for (int i = 1; i <= n; ++i) {
    int value = 0;
    fuzz::require(in >> value && value == values(i), "a state number was not written back");
  }
}

// The state numbers the writer puts behind FEIDS (and TAIDS), derived from
// the input so that they vary.
void rewrite(const Types& t, std::size_t size) {
  Array1<int> FAILST(MAXTYP);
  Array1<int> TRNCST(MAXTYP);
  for (int i = 1; i <= MAXTYP; ++i) {
    FAILST(i) = static_cast<int>(size) + i;
    TRNCST(i) = i % 3 == 0 ? 0 : i;
  }
  const int NTRUNC = static_cast<int>(size % 3);
  int status = ERRGEN;
  fuzz::closesItsFiles([&] { status = WRTDCT(NAME, t.NTYPES, FAILST, TRNCST, NTRUNC); });
  fuzz::require(status == SUCCES, "the writer failed on a dictionary the reader accepted");
  const std::string after = fuzz::readFile("M.DIC");
  const std::size_t feids = after.rfind("FEIDS");
  fuzz::require(feids != std::string::npos, "the rewritten dictionary has no FEIDS line");
  const std::size_t end = after.find('\n', feids);
  std::istringstream tail(after.substr(end == std::string::npos ? after.size() : end + 1));
  requireValues(tail, FAILST, t.NTYPES);
  if (NTRUNC > 0) {
    std::string word;
    fuzz::require(tail >> word && word == "TAIDS", "the rewritten dictionary has no TAIDS line");
    requireValues(tail, TRNCST, t.NTYPES);
  }
  std::string rest;
  fuzz::require(!(tail >> rest), "the rewritten dictionary goes on behind its values");
  Types again;
  fuzz::require(read(again) == SUCCES, "the rewritten dictionary cannot be read");
  fuzz::require(again.NTYPES == t.NTYPES, "the rewritten dictionary has other types");
  for (int i = 1; i <= MAXTYP; ++i) {
    fuzz::require(again.TYPNAM(i) == t.TYPNAM(i), "the rewritten dictionary has other names");
  }
}

}  // namespace
}  // namespace molvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace molvex;
  fuzz::onlyFile("M.DIC", data, size);
  Types t;
  if (read(t) == SUCCES) rewrite(t, size);
  return 0;
}
