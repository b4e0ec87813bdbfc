#include "ftinput/gates.h"
#include "ftinput/plctab.h"

namespace molvex {

void INIPLC() {
  HDNPLC = 1;
  HDFREE = 2;
  HDROOT = 3;
  FTYPE = 1;
  FGATM = 2;
  FCTYPE = 2;
  FPAND = 2;
  FREPLC = 2;
  FGATN = 3;
  FMULT = 3;
  FSHARE = 3;
  FBASIC = 4;
  FSPBAS = 4;
  FNARC = 5;
  ARCSIZ = 1;
}

void INIGAT() {
  TBASIC = 16;
  TOR = 17;
  TMOFN = 18;
  TAND = 19;
  TBOX = 21;
  TFBOX = 22;
  TSPARE = 23;
  TXOR = 24;
  TCSP = 25;
  TNOT = 26;
  TPAND = 27;
  TSEQ = 28;
  TFDEP = 29;
}

}  // namespace molvex
