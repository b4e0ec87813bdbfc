#include "stategen/ft2mc.h"

#include <algorithm>
#include <memory>
#include <string>

#include "dict/dict.h"
#include "ftinput/bldlst.h"
#include "ftinput/cvrtxt.h"
#include "ftinput/fttabs.h"
#include "ftinput/plctab.h"
#include "gates/cspchk.h"
#include "gates/depchk.h"
#include "gates/flattr.h"
#include "gates/pachk.h"
#include "gates/seqchk.h"
#include "gates/trvtre.h"
#include "main/globals.h"
#include "stategen/ckstat.h"
#include "stategen/encst.h"
#include "stategen/outarc.h"
#include "stategen/store.h"
#include "stategen/symmet.h"
#include "util/convrt.h"
#include "util/lineio.h"
#include "util/stkque.h"
#include "util/units.h"

namespace molvex {
namespace {

constexpr int NAMSIZ = 20;  // characters of a file name in messages

// Everything one generation works with, sized once per model.
struct Generation {
  FaultTree FT;
  Array1<int> WRKARR{WRKSIZ};  // the index list during the build, then the queue
  Array1<int> POOLW1{POOLWD}, POOLW2{POOLWD}, FREHDS{MAXNSZ};
  StateStore ST{{POOLW1, FREHDS}, {POOLW2, FREHDS}};
  StateNumbers SN;
  int NTYPES = 0;
  Array1<std::string> TYPNAM{MAXBAS, std::string(NAMLEN, ' ')};
  Array1<std::string> DRMNAM{MAXBAS, std::string(NAMLEN, ' ')};  // rates while dormant
  Array1<int> MODTYP{MAXBAS}, FRCONL{MAXBAS};                    // see TypeForms
  Array1<int> CUR{BASSIZ}, NEW{BASSIZ}, SAVE{BASSIZ}, WORK{BASSIZ}, ENCODE{BASSIZ + 1};
  Array1<int> ORDERS{BASSIZ};  // the order slots as the dependencies of a transition left them
  Array1<int> SYMSAV{BASSIZ}, SYMWRK{BASSIZ};  // a successor before its symmetric form
  // Each transition's target slots for the verbose comments; one more than
  // the arc table, so that the transition past its limit meets F503, not
  // this table's bound.
  Array1<int> ARCNEW{(MAXARC + 1) * MAXBAS};
  ArcTable ARCS;
  FlatTree FLAT;
  Queue Q;
  std::string INTNAM, TUPNAM;
  CommentHead HEAD;  // of the verbose comments of the state being expanded

  int NTRUNC = 0, VERBOSE = 0;
  int NSLOT = 0, NPAND = 0, SPRBAS = 0, DYNFLG = 0;
  int NINT = 0, NUNIQ = 0, NARCS = 0, TRUNC = 0, PREVLV = 0;
  int CHANGED = 0, RATMUL = 0, RPTLST = -1;
  int DORMNT = 0;  // the transition is the failure of a dormant unit
  // Each alternative of a transition starts from the order slots as the
  // dependencies left them, not from the source state's: a model of
  // replacing spare gates or dormant rates, whose alternatives the order in
  // which its dependencies act must not depend on.
  int KEEPOR = 0;
  int LEVEL = 0;  // of the state being expanded
};

std::string padded(std::string name) {
  name.resize(std::max<std::size_t>(name.size(), NAMSIZ), ' ');
  return name;
}

int count(const Array1<int>& list) { return list(1); }

int failureStates(const Generation& G) {
  int n = 0;
  for (int t = 1; t <= G.NTYPES; ++t) n += G.SN.FAILST(t) != 0 ? 1 : 0;
  return n;
}

int truncationStates(const Generation& G) {
  int n = 0;
  for (int t = 1; t <= G.NTYPES; ++t) n += G.SN.TRNCST(t) != 0 ? 1 : 0;
  return n;
}

void statistics(const Generation& G) {
  Line(SCRUNT) << "FT2MC:  " << Fixed{G.NINT, 8} << " internal states generated when error occurred";
  Line(SCRUNT) << "    " << Fixed{G.NUNIQ, 8} << " unique nonfailure states";
  if (truncationStates(G) > 0) {
    Line(SCRUNT) << "    " << Fixed{truncationStates(G), 8} << " truncation aggregation states";
  }
  Line(SCRUNT) << "    " << Fixed{failureStates(G), 8} << " failure states";
  Line(SCRUNT) << "    " << Fixed{G.NARCS, 8} << " Markov chain transitions generated "
               << "for TAVO engine";
  Line(SCRUNT) << "    " << " States with " << Fixed{G.LEVEL, 3} << " covered failures "
               << "were being generated when error occurred";
}

// Ends a generation that failed after the output files were opened.
int abandon(const Generation& G) {
  closeUnit(INTUNT);
  closeUnit(TUPUNT);
  statistics(G);
  return ERRGEN;
}

void slots(Line& line, CIntTab v, int n) {
  for (int i = 1; i <= n; ++i) line << v(i);
}

// The traceback of a routine that failed on a successor, with its slots.
int failedOn(const Generation& G, int status, std::string_view callee) {
  tracebackLine(SCRUNT, "FT2MC") << "ERROR " << status << " RETURNED BY " << callee << " WHILE ";
  processingLine(SCRUNT, G.NEW, G.FT.NBASIC);
  return abandon(G);
}

// The model is checked against the limits of the state vector and of the
// dictionary before any state exists: a longer vector would overrun it, and a
// component type the dictionary lacks would give arcs without a rate name.
int checkModel(const Generation& G) {
  if (G.NSLOT > MAXBAS) {
    errorLine(SCRUNT, "FT2MC", "F508") << "STATE VECTOR TOO LONG: " << G.NSLOT
                                       << " SLOTS, MAX = " << MAXBAS << " ****";
    return ERRGEN;
  }
  for (int i = 1; i <= G.FT.NBASIC; ++i) {
    if (G.FT.BASTYP(i) > G.NTYPES) {
      errorLine(SCRUNT, "FT2MC", "F509") << "COMPONENT TYPE " << G.FT.BASTYP(i)
                                         << " OF BASIC COMPONENT " << i
                                         << " NOT IN DICTIONARY ****";
      return ERRGEN;
    }
  }
  return SUCCES;
}

// Whether the model has replacing spare gates or dormant rates.
int keepsOrders(const Generation& G) {
  for (int i = 1; i <= count(G.FT.CSPTAB); ++i) {
    if (G.FT.PLCTAB(G.FT.CSPTAB(i + 1) + FREPLC) != 0) return 1;
  }
  for (int t = 1; t <= G.NTYPES; ++t) {
    if (G.DRMNAM(t)[0] != ' ') return 1;
  }
  return 0;
}

void sizeStateVector(Generation& G) {
  G.NPAND = count(G.FT.PNDLST);
  G.SPRBAS = G.FT.NBASIC + G.NPAND;
  G.NSLOT = G.NPAND + G.FT.NSPSLT + G.FT.NBASIC;
  ENCOK = count(G.FT.PNDLST) <= 0 && count(G.FT.CSPTAB) <= 0 ? 1 : 0;
  G.DYNFLG = count(G.FT.CSPTAB) > 0 || count(G.FT.PNDLST) > 0 || count(G.FT.SEQLST) > 0 ? 1 : 0;
}

// The symmetries the caller asked for.  A successor in its symmetric form is
// no longer one failure away from its source, so states are looked up as
// those of a dynamic tree are.
void findSymmetries(Generation& G) {
  SYMRES.NSYM = 0;
  SYMRES.NDEAD = 0;
  if (!SYMRAT) return;
  const TypeRates rates{G.TYPNAM, G.DRMNAM, G.MODTYP, G.FRCONL, G.NTYPES};
  FNDSYM(G.FT, rates, SYMRAT, G.NSLOT, G.SPRBAS, SYMRES);
  if (SYMRES.NSYM > 0 || SYMRES.NDEAD > 0) G.DYNFLG = 1;
}

// Calls `visit` with NEW in its symmetric form, NEW as it was afterwards
// (but for the state number the visit may have given it).
template <class Visit>
int symmetric(Generation& G, Visit visit) {
  if (SYMRES.NSYM == 0 && SYMRES.NDEAD == 0) return visit();
  G.SYMSAV.copyFrom(G.NEW, G.NSLOT + 1);
  NRMSTA(SYMRES, G.NEW, G.NSLOT, G.SYMWRK);
  const int status = visit();
  G.NEW.copyFrom(G.SYMSAV, G.NSLOT + 1);
  return status;
}

int openOutputs(Generation& G, const std::string& base) {
  G.INTNAM = padded(base + ".INT");
  if (openOutput(INTUNT, G.INTNAM) != SUCCES) {
    errorLine(SCRUNT, "FT2MC", "F504") << "ERROR OPENING MARKOV CHAIN OUTPUT FILE " << G.INTNAM;
    return abandon(G);
  }
  G.TUPNAM = padded(base + ".TUP");
  if (openOutput(TUPUNT, G.TUPNAM) != SUCCES) {
    errorLine(SCRUNT, "FT2MC", "F513") << "ERROR OPENING STATE TUPLE FILE " << G.TUPNAM;
    return abandon(G);
  }
  Line(TUPUNT) << G.FT.NBASIC;
  Line header(INTUNT);
  if (G.NTRUNC > 0) {
    header << "SORTED TRUNC= " << G.NTRUNC;
    if (count(G.FT.CSPTAB) > 0) header << " CSPARE";
  } else {
    header << (count(G.FT.CSPTAB) > 0 ? "SORTED CSPARE" : "SORTED");
  }
  return SUCCES;
}

// The root state: every unit working, the order slots clear, and each
// sharing cold spare gate holding its primary's units.
void completeRoot(Generation& G) {
  IntTab BASE = G.FT.BASE;
  for (int s = G.FT.NBASIC + 1; s <= G.NSLOT; ++s) BASE(s) = 0;
  int o = 0;
  for (int i = 1; i <= G.FT.NSHCSP; ++i) {
    const int gate = G.FT.CSPTAB(i + 1);
    const int primary = G.FT.PLCTAB(gate + FNARC + 1);
    BASE(G.SPRBAS + o + 1) = G.FT.PLCTAB(primary + FMULT);
    o += G.FT.PLCTAB(gate + FNARC);
  }
  BASE(G.NSLOT + 1) = 0;
  BASE(G.NSLOT + 2) = 1;
}

int tooManyStates(const Generation& G) {
  errorLine(SCRUNT, "FT2MC", "F510") << "TOO MANY STATES GENERATED, MAX = " << MAXSTA;
  STAFUL = 1;
  return abandon(G);
}

// The tree's flat form, unless the generation is to walk the place table.
const FlatTree* flat(const Generation& G) { return FLATEV != 0 ? &G.FLAT : nullptr; }

// Sub-steps 6 to 9 of the first pass: is the successor new, what is its
// number, and the transition to it recorded.
int numberSuccessor(Generation& G, int failcp, int& k) {
  const int changed = G.CHANGED;
  Check C{G.NEW, G.CUR, G.WORK, G.ENCODE, G.NSLOT, G.SPRBAS, changed, G.DYNFLG, flat(G)};
  int status = CKSTAT(G.ST, G.FT, C);
  if (status != SUCCES) {
    tracebackLine(SCRUNT, "FT2MC") << "CKSTAT() RETURNED ERROR " << status;
    Line line(SCRUNT);
    line << "                          WHILE LOOKING UP STATE ";
    slots(line, G.NEW, G.NSLOT);
    return abandon(G);
  }
  int number = C.NUMBER;
  int failed = C.FAILED;
  if (C.NEWFLG != 0) {
    ++G.NINT;
    status = TRVTRE(G.FT.PLCTAB, G.FT.CSPTAB, G.SPRBAS, G.FT.NBASIC, G.NSLOT, G.NEW, G.FT.BASE,
                    failed, flat(G));
    if (status != SUCCES) return failedOn(G, status, "TRVTRE");
  }
  if (C.NEWFLG != 0 || number == 0 || failed != 0 || G.TRUNC != 0) {
    Successor S{failed, G.TRUNC, C.NEWFLG, failcp, C.LEVEL, changed};
    status = EXTID(S, G.SN, G.FT, G.ST, G.NSLOT, G.NEW, G.CUR, G.WORK, G.ENCODE, number);
    if (status != SUCCES) {
      traceback(SCRUNT, "FT2MC", status, "EXTID");
      return abandon(G);
    }
    failed = S.FAILFL;
    if (number > MAXSTA) return tooManyStates(G);
  }
  if (C.NEWFLG != 0) {
    G.NEW(G.NSLOT + 2) = failed != 0 ? -number : number;
    if (failed == 0 && G.TRUNC == 0) {
      ++G.NUNIQ;
      if ((status = ADD2Q(G.Q, G.NEW, G.NSLOT + 2)) != SUCCES) return abandon(G);
    }
    const bool persistent = changed != 0 || G.NEW(G.NSLOT + 1) < 0;
    status = persistent ? AD2LST(G.ST.POOL2, G.ST.PERHD, G.NSLOT, G.NEW, G.WORK, G.ENCODE,
                                 G.FT.BASE, 0, G.ST.persistentIndex())
                        : AD2LST(G.ST.POOL1, G.ST.LVLHD, G.NSLOT, G.NEW, G.WORK, G.ENCODE,
                                 G.FT.BASE, ENCOK, G.ST.levelIndex());
    if (status != SUCCES) {
      tracebackLine(SCRUNT, "FT2MC") << "ERROR " << status << " RETURNED BY AD2LST() ****";
      return abandon(G);
    }
  }
  // Each component gives one transition, or one per sharing gate that holds
  // a unit of it, so a state vector within its limit keeps a state within
  // this one; the check guards the arc table all the same.
  if (k >= MAXARC) {
    errorLine(SCRUNT, "FT2MC", "F503") << "TOO MANY TRANSITIONS FROM ONE STATE, MAX = " << MAXARC
                                       << " ****";
    return abandon(G);
  }
  ++k;
  G.ARCS.ARCTO(k) = failed != 0 ? -number : number;
  G.ARCS.ARCBE(k) = failcp;
  G.ARCS.ARCMUL(k) = G.RATMUL;
  G.ARCS.ARCDRM(k) = G.DORMNT;
  return SUCCES;
}

// The units of a component whose type has a dormant rate fail while they lie
// dormant as spares too; without cold spare gates no unit ever lies dormant.
bool warm(const Generation& G, int failcp) {
  return count(G.FT.CSPTAB) > 0 && G.DRMNAM(G.FT.BASTYP(failcp))[0] != ' ';
}

// A component whose units fail only when a dependency forces them down has
// no transition of its own.
bool forcedOnly(const Generation& G, int failcp) { return G.FRCONL(G.FT.BASTYP(failcp)) != 0; }

// The dynamic gates' say on the successor in NEW at the alternative point:
// cold spares may veto it or change its spare slots and rate multiplier,
// priority-AND gates record their order, sequence gates may veto it.
int applyGates(Generation& G, int failcp, bool& allowed) {
  FaultTree& FT = G.FT;
  int ALLOWED = 1;
  if (G.DORMNT != 0) {
    const int status = DRMCHK(FT, G.SPRBAS, G.ST.POOL2, G.NSLOT, G.NEW, G.SAVE, G.CUR, G.MODTYP,
                              failcp, G.CHANGED, ALLOWED, G.RATMUL, flat(G));
    if (status != SUCCES) return failedOn(G, status, "DRMCHK");
  } else if (count(FT.CSPTAB) > 0) {
    const int status =
        CSPCHK(FT, G.SPRBAS, G.ST.POOL2, G.NSLOT, G.NEW, G.SAVE, G.CUR, G.MODTYP, failcp, G.CHANGED,
               warm(G, failcp) ? 1 : 0, ALLOWED, G.RPTLST, G.RATMUL, flat(G));
    if (status != SUCCES) return failedOn(G, status, "CSPCHK");
  }
  if (ALLOWED != 0 && count(FT.PNDLST) > 0) {
    const int status = PACHK(FT, G.SPRBAS, G.NSLOT, G.NEW, flat(G));
    if (status != SUCCES) return failedOn(G, status, "PACHK");
  }
  if (ALLOWED != 0 && count(FT.SEQLST) > 0) {
    // Every state past the root came out of a check that allowed it (a
    // symmetry maps a sequence gate onto one with its inputs in order), so
    // only a gate that reads a slot this transition changed can stop it; the
    // root came out of none.
    const CIntTab source = G.LEVEL > 0 ? CIntTab(G.CUR) : CIntTab();
    const int status = SEQCHK(FT, G.SPRBAS, G.NSLOT, G.NEW, ALLOWED, flat(G), source);
    if (status != SUCCES) return failedOn(G, status, "SEQCHK");
  }
  allowed = ALLOWED != 0;
  return SUCCES;
}

// Generates the transitions of one failing component: the failure, the
// failures it forces, and each cold spare alternative that is allowed, which
// `visit` numbers or writes.  NEW is the source state again afterwards.
template <class Visit>
int eachTransition(Generation& G, int failcp, Visit visit) {
  FaultTree& FT = G.FT;
  G.NEW(failcp) -= 1;
  G.RATMUL = G.CUR(failcp);
  if (count(FT.FDPLST) > 0) {
    G.SAVE.copyFrom(G.NEW, G.NSLOT + 2);
    // Every state but the root comes out of a DEPCHK that left no
    // dependency with its trigger occurred and a dependent working, but for
    // triggers over the slots the spare gates change after it, which it
    // walks always; a symmetry maps dependencies onto dependencies, and a
    // dead module's events force only its own.  So the skipped walks could
    // force nothing.  The root comes out of no DEPCHK.
    const Reach reach{G.FLAT, G.CUR, FLATEV != 0};
    const int status = DEPCHK(FT, G.SPRBAS, G.NSLOT, G.NEW, G.CHANGED,
                              DEPFLT != 0 && G.LEVEL > 0 ? &reach : nullptr);
    if (status != SUCCES) return failedOn(G, status, "DEPCHK");
  }
  const CIntTab orders = G.KEEPOR != 0 ? CIntTab(G.NEW) : CIntTab(G.CUR);
  for (int s = FT.NBASIC + 1; s <= G.SPRBAS; ++s) G.ORDERS(s) = orders(s);
  // The units in use fail first, a transition for each sharing gate that
  // holds one; then, of a warm type, the dormant ones.
  G.DORMNT = 0;
  do {
    bool allowed = false;
    int status = applyGates(G, failcp, allowed);
    if (status == SUCCES && allowed) status = visit();
    if (status != SUCCES) return status;
    // The spare slots start from the source state for every alternative.
    for (int s = FT.NBASIC + 1; s <= G.SPRBAS; ++s) G.NEW(s) = G.ORDERS(s);
    for (int s = G.SPRBAS + 1; s <= G.NSLOT; ++s) G.NEW(s) = G.CUR(s);
    G.DORMNT = G.RPTLST == G.ST.POOL2.NULPTR && G.DORMNT == 0 && warm(G, failcp) ? 1 : 0;
  } while (G.RPTLST != G.ST.POOL2.NULPTR || G.DORMNT != 0);
  for (int s = FT.NBASIC + 1; s <= G.SPRBAS; ++s) G.NEW(s) = G.CUR(s);
  if (G.CHANGED != 0) {
    for (int i = 1; i <= FT.NBASIC; ++i) G.NEW(i) = G.SAVE(i);
    G.NEW(G.NSLOT + 1) = G.SAVE(G.NSLOT + 1);
  }
  G.NEW(failcp) += 1;
  return SUCCES;
}

// Only the comments of the file show a target's slots: a chain handed over
// has none.
int verbose(const Generation& G) { return CHNSNK == nullptr ? G.VERBOSE : 0; }

// Expands the state just taken from the queue: numbers its successors, then
// writes one arc per distinct target.  The transitions are generated once:
// what the arcs need of them beyond the arc table, the target's slots for a
// comment, is kept as they are met.
int expand(Generation& G) {
  const int NBASIC = G.FT.NBASIC;
  const int VERBOSE = verbose(G);
  int k = 0;
  for (int failcp = 1; failcp <= NBASIC; ++failcp) {
    if (G.NEW(failcp) <= 0 || forcedOnly(G, failcp)) continue;
    const int status = eachTransition(G, failcp, [&] {
      return symmetric(G, [&] {
        if (VERBOSE != 0) G.ARCNEW.slice(k * MAXBAS + 1, MAXBAS).copyFrom(G.NEW, G.NSLOT);
        return numberSuccessor(G, failcp, k);
      });
    });
    if (status != SUCCES) return status;
  }
  G.CHANGED = 0;
  G.RATMUL = 0;
  G.ARCS.NTRANS = k;
  if (CHNSNK == nullptr) commentHead(G.HEAD, G.CUR, G.NSLOT);
  for (k = 1; k <= G.ARCS.NTRANS; ++k) {
    if (G.ARCS.ARCTO(k) == 0) continue;  // merged into an earlier arc
    const CIntTab target = G.ARCNEW.slice((k - 1) * MAXBAS + 1, MAXBAS);
    const ArcStates S{G.CUR(G.NSLOT + 2), G.NSLOT, G.CUR, target, G.TRUNC, VERBOSE, G.HEAD};
    OUTARC(S, k, {G.TYPNAM, G.DRMNAM}, G.SN.TRNCST, G.FT.BASTYP, G.ARCS);
    ++G.NARCS;
  }
  return SUCCES;
}

int generate(Generation& G) {
  while (G.Q.QHEAD != -1) {
    int status = POPQ(G.Q, G.CUR, G.NSLOT + 2);
    if (status != SUCCES) return abandon(G);
    G.NEW.copyFrom(G.CUR, G.NSLOT + 2);
    G.LEVEL = IABSV(G.CUR(G.NSLOT + 1));
    if (G.LEVEL != G.PREVLV) {
      G.PREVLV = G.LEVEL;
      if (G.ST.LVLHD != G.ST.POOL1.NULPTR) RSTLVL(G.ST);
    }
    if (G.NTRUNC > 0 && G.TRUNC == 0 && G.NTRUNC <= G.LEVEL) G.TRUNC = 1;
    if (CHNSNK != nullptr) {
      CHNSNK->state(G.CUR(G.NSLOT + 2), G.NEW, G.FT.NBASIC);
    } else {
      Line(TUPUNT) << G.CUR(G.NSLOT + 2);
      Line line(TUPUNT);
      for (int i = 1; i <= G.FT.NBASIC; ++i) line << G.NEW(i) << " ";
    }
    G.NEW(G.NSLOT + 1) = G.CUR(G.NSLOT + 1) >= 0 ? G.LEVEL + 1 : -(G.LEVEL + 1);
    if ((status = expand(G)) != SUCCES) return status;
  }
  return SUCCES;
}

int writeFailed(const Generation& G, const std::string& name) {
  errorLine(SCRUNT, "FT2MC", "F514") << "ERROR WRITING OUTPUT FILE " << name;
  return abandon(G);
}

int complete(Generation& G, const std::string& base) {
  if (closeUnit(INTUNT) != SUCCES) return writeFailed(G, G.INTNAM);
  if (G.NTRUNC > 0 && G.NINT == G.NUNIQ) {
    warningLine(SCRUNT, "FT2MC", "F103") << "MARKOV CHAIN "
                                         << "TRUNCATED BEFORE ANY FAILURE EXHAUSTION STATES "
                                         << " WERE REACHED ++++";
  }
  const int status = WRTDCT(padded(base + ".DIC"), G.NTYPES, G.SN.FAILST, G.SN.TRNCST, G.NTRUNC);
  if (status != SUCCES) {
    closeUnit(TUPUNT);
    return status;
  }
  const int total = failureStates(G) + G.NUNIQ + truncationStates(G);
  if (CHNSNK != nullptr) {
    CHNSNK->total(total);
  } else {
    Line(TUPUNT) << -1;
    Line(TUPUNT) << total;
  }
  if (closeUnit(TUPUNT) != SUCCES) return writeFailed(G, G.TUPNAM);
  return SUCCES;
}

int run(Generation& G, std::string_view MODEL) {
  INITDR();
  INIUTL(0, 5, 6, 0);
  INIDYN(G.ST.POOL1, 0, 1, 5, 6);
  INIDYN(G.ST.POOL2, 0, 1, 5, 6);
  if (GROWTB != 0) {
    G.ST.POOL1.STORE = &G.POOLW1;
    G.ST.POOL2.STORE = &G.POOLW2;
    G.Q.STORE = &G.WRKARR;
  }
  G.ST.LVLHD = G.ST.PERHD = -1;
  INIIDX(G.ST);

  const std::size_t p = MODEL.find(' ');
  if (p == std::string_view::npos || p + 1 + 3 > 13) {
    errorLine(SCRUNT, "FT2MC", "F500") << "FAULT TREE NAME TOO LONG";
    return ERRGEN;
  }
  const std::string base(MODEL.substr(0, p));
  const TypeForms forms{G.DRMNAM, G.MODTYP, G.FRCONL};
  int status = RDDICT(padded(base + ".DIC"), G.NTYPES, G.TYPNAM, MAXBAS, nullptr, &forms);
  if (status != SUCCES) return status;
  if (fileExists(base + ".TXT")) {
    status = CVRTXT(MODEL, MAXBAS, MAXNOD);
    if (status != SUCCES) return status;
  }
  status = BLDLST(padded(base + ".FTR"), G.WRKARR, G.FT, G.ST.POOL2, MAXNOD, MAXBAS);
  if (status != SUCCES) return status;
  sizeStateVector(G);
  if (checkModel(G) != SUCCES) return ERRGEN;
  G.KEEPOR = keepsOrders(G);
  FLTTRE(G.FT, G.SPRBAS, G.NSLOT, G.FLAT);
  findSymmetries(G);
  if (openOutputs(G, base) != SUCCES) return ERRGEN;

  G.SN.FAILST.fill(0);
  G.SN.TRNCST.fill(0);
  G.RPTLST = -1;
  G.Q.QUEUE = G.WRKARR;
  INIQ(G.Q, 5, 6);
  completeRoot(G);
  if (ADD2Q(G.Q, G.FT.BASE, G.NSLOT + 2) != SUCCES) return abandon(G);
  G.NINT = G.NUNIQ = G.SN.NSTATE = 1;
  G.PREVLV = 0;
  if (generate(G) != SUCCES) return ERRGEN;
  return complete(G, base);
}

}  // namespace

int FT2MC(std::string_view MODEL, int LENGTH, int NTRUNC, int VERBOSE) {
  auto G = std::make_unique<Generation>();
  STAFUL = 0;
  G->NTRUNC = NTRUNC;
  G->VERBOSE = VERBOSE;
  return run(*G, MODEL.substr(0, static_cast<std::size_t>(std::max(LENGTH, 0))));
}

}  // namespace molvex
