#include "stategen/ckstat.h"

#include "gates/trvtre.h"
#include "main/globals.h"
#include "stategen/encst.h"

namespace molvex {
namespace {

int searchFailed(std::string_view routine, int status) {
  traceback(SCRUNT, routine, status, "SRCHST");
  return status;
}

// Evaluates a vector; a failure is traced with the vector's component slots.
int evaluate(FaultTree& FT, const Check& C, CIntTab state, int& failed) {
  const int status =
      TRVTRE(FT.PLCTAB, FT.CSPTAB, C.SPRBAS, FT.NBASIC, C.NSLOT, state, FT.BASE, failed, C.FLAT);
  if (status != SUCCES) {
    tracebackLine(SCRUNT, "FRSTIM") << "ERROR " << status << " RETURNED BY TRVTRE WHILE ";
    processingLine(SCRUNT, state, FT.NBASIC);
  }
  return status;
}

int incompatible(const FaultTree& FT, const Check& C) {
  Line line = errorLine(SCRUNT, "FRSTIM", "F512");
  line << "INCOMPATIBLE ROOT STATE (";
  for (int i = 1; i <= FT.NBASIC; ++i) line << C.CUR(i);
  line << ") FOR STATE ";
  for (int i = 1; i <= FT.NBASIC; ++i) line << C.NEW(i);
  return ERRGEN;
}

// Without dynamic gates a state has one canonical predecessor: the state
// that gives back one unit of the highest-numbered failed component whose
// repair leaves the system working.  The breadth-first order expands that
// predecessor first, so the successor is new exactly when it is generated
// from there.
int canonical(FaultTree& FT, Check& C) {
  const int NBASIC = FT.NBASIC;
  // The component slots, checked once: the loops run for every successor.
  const int* const now = C.NEW.checkedRun(NBASIC) - 1;
  const int* const cur = C.CUR.checkedRun(NBASIC) - 1;
  const int* const base = FT.BASE.checkedRun(NBASIC) - 1;
  int* const work = C.WORK.checkedRun(NBASIC) - 1;
  int failcp = 0;
  for (int i = 1; i <= NBASIC; ++i) {
    work[i] = now[i];
    if (now[i] == cur[i]) continue;
    if (now[i] != cur[i] - 1 || failcp != 0) return incompatible(FT, C);
    failcp = i;
  }
  int h = NBASIC;
  while (h >= 1 && now[h] >= base[h]) --h;
  if (h < 1) {
    C.NEWFLG = 0;
    return SUCCES;
  }
  if (h < failcp || failcp == 0) return incompatible(FT, C);
  for (int i = h;; --i) {
    if (i == failcp) {
      C.NEWFLG = 1;
      return SUCCES;
    }
    if (now[i] >= base[i]) continue;
    work[i] += 1;
    int failed = 0;
    const int status = evaluate(FT, C, C.WORK, failed);
    if (status != SUCCES) return status;
    if (failed == 0) break;
    work[i] -= 1;
  }
  C.NEWFLG = 0;
  const int status = evaluate(FT, C, C.NEW, C.FAILED);
  C.LEVEL = C.NEW(C.NSLOT + 1);
  return status;
}

}  // namespace

int FRSTIM(StateStore& ST, FaultTree& FT, Check& C) {
  // The level list holds every state of the successor's level generated so
  // far, each stored when it was first met; so the successor is new exactly
  // when the list lacks it, the question the canonical rule answers without
  // searching.  Where the list has an index, a search costs less than the
  // rule's trial evaluations, and it is needed anyway for the twin's number
  // when the successor is not new.  The search takes the successor as it
  // is; only the rule needs it one failure away from its source, and checks
  // that (F512).
  if (C.DYNFLG != 1 && ST.levelIndex() == nullptr) return canonical(FT, C);
  const int status = SRCHST(ST.POOL1, ST.LVLHD, C.NSLOT, C.NEW, C.WORK, C.ENCODE, FT.BASE,
                            C.NUMBER, C.FAILED, C.LEVEL, ENCOK, ST.levelIndex());
  if (status == SUCCES || status == NOTFND) {
    C.NEWFLG = status == NOTFND ? 1 : 0;
    return SUCCES;
  }
  return searchFailed("FRSTIM", status);
}

int CKSTAT(StateStore& ST, FaultTree& FT, Check& C) {
  C.NUMBER = 0;
  C.LEVEL = 0;
  if (ST.PERHD != ST.POOL2.NULPTR) {
    const int status = SRCHST(ST.POOL2, ST.PERHD, C.NSLOT, C.NEW, C.WORK, C.ENCODE, FT.BASE,
                              C.NUMBER, C.FAILED, C.LEVEL, 0, ST.persistentIndex());
    if (status == SUCCES) {
      C.NEWFLG = 0;
      return SUCCES;
    }
    if (status != NOTFND) return searchFailed("CKSTAT", status);
  }
  if (C.CHANGED != 0 || C.CUR(C.NSLOT + 1) < 0) {
    C.NEWFLG = 1;
    return SUCCES;
  }
  const int status = FRSTIM(ST, FT, C);
  if (status != SUCCES) traceback(SCRUNT, "CKSTAT", status, "FRSTIM");
  return status;
}

}  // namespace molvex
