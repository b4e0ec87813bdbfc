// PLCTAB: the field offsets of the place table.  A field of the place at
// offset p is PLCTAB(p + constant); input j of it is PLCTAB(p + FNARC + j).
#pragma once

namespace molvex {

// Header words.
inline int HDNPLC = 1;  // number of places
inline int HDFREE = 2;  // start of the free area
inline int HDROOT = 3;  // place offset of the system-failure box

// Fields of a place record.
inline int FTYPE = 1;   // node type code
inline int FGATM = 2;   // M of an M/N gate
inline int FCTYPE = 2;  // component type of a basic event
inline int FPAND = 2;   // position of a PAND gate in PNDLST
inline int FREPLC = 2;  // a cold spare gate replaces units forced down (1) or not (0)
inline int FGATN = 3;   // N of an M/N gate
inline int FMULT = 3;   // multiplicity of a basic event
inline int FSHARE = 3;  // cold spare gate shares a spare
inline int FBASIC = 4;  // basic component number of a basic event
inline int FSPBAS = 4;  // base of a cold spare gate's shared-spare slots
inline int FNARC = 5;   // number of inputs
inline int ARCSIZ = 1;  // words per input list entry

void INIPLC();

}  // namespace molvex
