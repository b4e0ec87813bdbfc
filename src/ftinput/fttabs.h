// The fault tree tables: the place table and its companions, as the build
// fills them and every later stage reads them.  One model's tables are owned
// by the generation routine and handed down as one object.
#pragma once

#include "util/array1.h"

namespace molvex {

constexpr int PLCSIZ = 3584;     // words of the place table
constexpr int GATSIZ = 257;      // words of a gate list: the count and 256 gates
constexpr int MAXNOD = 256;      // nodes of one model
constexpr int MAXBAS = 96;       // basic components of one model
constexpr int BASSIZ = 98;       // root state vector: 96 slots and two trailer words
// The work area: the index list during the build, then the queue.  Larger
// only when the state limit is raised (setStateLimit).
inline int WRKSIZ = 7680000;

struct FaultTree {
  Array1<int> PLCTAB{PLCSIZ};
  Array1<int> FDPLST{GATSIZ};  // FDEP gates
  Array1<int> CSPTAB{GATSIZ};  // cold spare gates, the sharing ones first
  Array1<int> PNDLST{GATSIZ};  // priority-AND gates
  Array1<int> SEQLST{GATSIZ};  // sequence enforcing gates
  Array1<int> BASTYP{MAXBAS};  // component type of each basic component
  Array1<int> BASE{BASSIZ};    // multiplicities: the root state vector
  Array1<int> CSPRNT{MAXBAS};  // per basic component: its cold spare gates (pool list)
  int NBASIC = 0;
  int NSHCSP = 0;
  int NSPSLT = 0;
};

}  // namespace molvex
