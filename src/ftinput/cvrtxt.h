// The text description converter: the keyword sentences of a model's .TXT
// file become the node and arc lines of its .FTR file, node n standing at the
// coordinates (n, n).
#pragma once

#include <string>
#include <string_view>

#include "util/array1.h"

namespace molvex {

constexpr int MXINPS = 70;  // inputs of one gate sentence
constexpr int TXTEND = 80;  // the last column of a line that may hold text
constexpr std::size_t MDLNAM = 9;  // a model name leaves room for ".TXT" in 13 characters

// One node sentence as NXTFTN has read it.
struct NodeSentence {
  int NODNUM = 0;
  int NTYPE = 0;
  int MULT = 0;    // basic event: multiplicity
  int CTYPE = 0;   // basic event: component type
  int NINPUT = 0;  // inputs read into INPUTS
  int LABLEN = 0;  // characters of LABEL in use
  Array1<int> INPUTS{MXINPS};
  std::string LABEL = std::string(80, ' ');   // labelled box: " word word "
  std::string GATWRD = std::string(20, ' ');  // the type word (an M/N gate's label)
};

// Converts MODEL.TXT into MODEL.FTR, which is written anew.  MODEL is the
// model name up to its first blank, at most 9 characters.  Returns 1; the
// end-of-file code after F916 (no system-failure box); -1 after F900, F917,
// F918 or F920; or the status of the failing NXTFTN after its traceback, when
// the fault tree file holds only the nodes before the failure.
int CVRTXT(std::string_view MODEL, int MAXBAS, int MAXNOD);

// Reads the next sentence from TXTUNT into S, counting it in NODCNT (and a
// basic event in BASCNT) and setting BOXSEN on a system-failure box.  Returns
// 1; -11 at the end of the file before a sentence; -1 after its message and
// the echo of the line; or the scanner's status after F919 (or F914).
int NXTFTN(int MAXNOD, int& NODCNT, int MAXBAS, int& BASCNT, int& BOXSEN, int MAXINP,
           NodeSentence& S);

}  // namespace molvex
