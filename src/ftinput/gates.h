// GATES: the node type codes of the place table.
#pragma once

namespace molvex {

inline int TBASIC = 16;  // basic event
inline int TOR = 17;
inline int TMOFN = 18;   // M/N gate
inline int TAND = 19;
inline int TBOX = 21;    // labelled box
inline int TFBOX = 22;   // system-failure box
// A spare gate whose units forced down by a dependency are replaced: in the
// place table a cold spare gate (TCSP) with FREPLC set.
inline int TSPARE = 23;
inline int TXOR = 24;
inline int TCSP = 25;    // cold spare
inline int TNOT = 26;
inline int TPAND = 27;   // priority-AND
inline int TSEQ = 28;    // sequence enforcing
inline int TFDEP = 29;   // functional dependency

void INIGAT();

}  // namespace molvex
