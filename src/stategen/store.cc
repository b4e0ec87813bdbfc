#include "stategen/store.h"

#include "main/globals.h"
#include "stategen/encst.h"
#include "util/convrt.h"
#include "util/lineio.h"

namespace molvex {
namespace {

bool encodes(int ENCFLG, int NSLOT, CIntTab STATE, CIntTab BASE) {
  return ENCFLG != 0 && CNTFAL(NSLOT, STATE, BASE) < NSLOT;
}

// The twin's description from its level and number words.
void describeTwin(int levelWord, int numberWord, int& NUMBER, int& FAILMK, int& LEVEL) {
  NUMBER = IABSV(numberWord);
  FAILMK = numberWord < 0 ? 1 : 0;
  LEVEL = IABSV(levelWord);
}

// Whether the type's state number exists yet; gives it one if not.
int typeState(Array1<int>& numbers, int type, int& NSTATE) {
  if (numbers(type) == 0) numbers(type) = ++NSTATE;
  return numbers(type);
}

}  // namespace

int AD2LST(NodePool& POOL, int& HEAD, int NSLOT, CIntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int ENCFLG) {
  if (encodes(ENCFLG, NSLOT, STATE, BASE)) {
    const int status = ENCSTA(STATE, NSLOT, WORK, ENCODE, NSLOT, BASE);
    if (status != SUCCES) {
      traceback(SCRUNT, "AD2LST", status, "ENCSTA");
      return status;
    }
    const int status2 = PSHNOD(POOL, HEAD, ENCODE, ENCODE(1) + 3);
    if (status2 != SUCCES) traceback(SCRUNT, "AD2LST", status2, "PSHNOD");
    return status2;
  }
  const int status = PSHNOD(POOL, HEAD, STATE, NSLOT + 2);
  if (status != SUCCES) traceback(SCRUNT, "AD2LST", status, "PSHNOD");
  return status;
}

int FNDNOD(const NodePool& POOL, int HEAD, CIntTab KEY, int NODSIZ, int FIRST, int LAST,
           int& NODE) {
  for (int node = HEAD; node != POOL.NULPTR; node = POOL.POOL(node + NODSIZ)) {
    int j = FIRST;
    while (j <= LAST && POOL.POOL(node + j - 1) == KEY(j)) ++j;
    if (j > LAST) {
      NODE = node;
      return SUCCES;
    }
  }
  NODE = POOL.NULPTR;
  return NOTFND;
}

int SRCHST(const NodePool& POOL, int HEAD, int NSLOT, IntTab STATE, IntTab WORK, IntTab ENCODE,
           CIntTab BASE, int& NUMBER, int& FAILMK, int& LEVEL, int ENCFLG) {
  NUMBER = 0;
  LEVEL = 0;
  int node = POOL.NULPTR;
  if (encodes(ENCFLG, NSLOT, STATE, BASE)) {
    const int status = ENCSTA(STATE, NSLOT, WORK, ENCODE, NSLOT, BASE);
    if (status != SUCCES) {
      traceback(SCRUNT, "SRCHST", status, "ENCSTA");
      return status;
    }
    const int k = ENCODE(1);
    if (FNDNOD(POOL, HEAD, ENCODE, k + 3, 2, k + 1, node) != SUCCES) return NOTFND;
    ENCODE(k + 3) = POOL.POOL(node + k + 2);
    describeTwin(POOL.POOL(node + k + 1), ENCODE(k + 3), NUMBER, FAILMK, LEVEL);
    return SUCCES;
  }
  if (FNDNOD(POOL, HEAD, STATE, NSLOT + 2, 1, NSLOT, node) != SUCCES) return NOTFND;
  STATE(NSLOT + 2) = POOL.POOL(node + NSLOT + 1);
  describeTwin(POOL.POOL(node + NSLOT), STATE(NSLOT + 2), NUMBER, FAILMK, LEVEL);
  return SUCCES;
}

void RSTLVL(StateStore& ST) {
  NodePool& pool = ST.POOL1;
  pool.POOL.slice(1, pool.NXTFRE - 1).fill(pool.NULPTR);
  pool.NXTFRE = 1;
  ST.LVLHD = pool.NULPTR;
}

int EXTID(Successor& S, StateNumbers& SN, const FaultTree& FT, StateStore& ST, int NSLOT,
          IntTab NEW, CIntTab CUR, IntTab WORK, IntTab ENCODE, int& NUMBER) {
  const int type = FT.BASTYP(S.FAILCP);
  if (S.FAILFL != 0) {
    NUMBER = typeState(SN.FAILST, type, SN.NSTATE);
  } else if (S.TRUNFL != 0) {
    if (S.NEWFL == 0 && S.TWINLV <= IABSV(CUR(NSLOT + 1))) {
      NUMBER = NEW(NSLOT + 2);
    } else {
      NUMBER = typeState(SN.TRNCST, type, SN.NSTATE);
    }
  } else if (S.NEWFL != 0) {
    NUMBER = ++SN.NSTATE;
  } else {
    int level = 0;
    const int encode = (S.FORCED == 0 && ENCOK == 1) ? 1 : 0;
    const int status = SRCHST(ST.POOL1, ST.LVLHD, NSLOT, NEW, WORK, ENCODE, FT.BASE, NUMBER,
                              S.FAILFL, level, encode);
    if (status == NOTFND) {
      Line line = errorLine(SCRUNT, "EXTID", "F511");
      line << "STATE ";
      for (int i = 1; i <= NSLOT; ++i) line << NEW(i);
      line << " NOT FOUND IN LINKED LIST";
      return ERRGEN;
    }
    if (status != SUCCES) {
      traceback(SCRUNT, "EXTID", status, "SRCHST");
      return status;
    }
  }
  return SUCCES;
}

}  // namespace molvex
