#include "gates/cspchk.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "ftinput/plctab.h"
#include "gates/flattr.h"
#include "gates/trvtre.h"
#include "main/error.h"
#include "main/files.h"

namespace molvex {
namespace {

constexpr int PRTSIZ = 2;  // data words of a CSPRNT node and of a REPEAT entry
constexpr int RPTSIZ = 1;  // data words of a REPEAT list node

// A cold spare gate as a CSPRNT node or a REPEAT entry names it.
struct Parent {
  int position = 0;  // in CSPTAB
  int base = 0;      // FSPBAS: its shared-spare slots follow slot SPRBAS + base
  int gate = 0;      // its place
};

// The tree's tables as one cold spare routine reads them, every message
// under the routine's name.  Places and basic components go through the
// traversal's own checks; CSPTAB positions, shared-spare slots and list
// nodes, which only these routines read, are checked here.
class SpareTables {
 public:
  SpareTables(std::string_view routine, FaultTree& FT, int SPRBAS, const NodePool& POOL, int NSLOT,
              CIntTab STATE, IntTab NFAIL, const FlatTree* FLAT)
      : routine_(routine),
        FLAT_(FLAT),
        FT_(FT),
        SPRBAS_(SPRBAS),
        NSLOT_(NSLOT),
        POOL_(POOL),
        STATE_(STATE),
        walk_(routine, StackFault::QUIET, FT.PLCTAB, FT.CSPTAB, SPRBAS, FT.NBASIC, NSLOT, STATE,
              FT.BASE, NFAIL) {}

  // Where the places end, and that the state holds NBASIC components: the
  // checks of a walk's set-up, without laying out its stack or counting the
  // failed units, as nothing here walks.
  bool prepare() { return walk_.checkRoom() == SUCCES && walk_.checkComponents() == SUCCES; }

  bool basic(int c) const {
    return (c >= 1 && c <= FT_.NBASIC) || outOfRange("BASIC COMPONENT", c);
  }

  // The gate of the CSPRNT node or REPEAT entry `node`.
  bool entry(int node, Parent& g) const {
    if (node < 1 || node > POOL_.POOLSZ() - PRTSIZ) return outOfRange("LIST NODE", node);
    g.base = POOL_.POOL(node + 1);
    return gateAt(POOL_.POOL(node), g);
  }
  // The gate at `position` in CSPTAB, its base taken from its place.
  bool sharingGate(int position, Parent& g) const {
    if (!gateAt(position, g)) return false;
    g.base = field(g.gate, FSPBAS);
    return true;
  }
  // The node after a node that entry() has accepted.
  int next(int node) const { return POOL_.POOL(node + PRTSIZ); }

  // The basic component c of input j (1..FNARC) of `gate`.
  bool inputComponent(int gate, int j, int& c) const {
    const int place = walk_.input(gate, j);
    return walk_.checkPlace(place) && walk_.component(place, c);
  }
  // The first input j of the gate whose component is c; F808 naming the
  // list that led here when the gate has none.  The flat form knows it
  // wherever the search would find it without a message.
  bool inputOf(std::string_view list, const Parent& g, int c, int& j) const {
    if (FLAT_ != nullptr && (j = spareInput(*FLAT_, g.position, c)) != 0) return true;
    for (j = 1; j <= field(g.gate, FNARC); ++j) {
      int input = 0;
      if (!inputComponent(g.gate, j, input)) return false;
      if (input == c) return true;
    }
    errorLine(SCRUNT, routine_, "F808")
        << "LINKED LIST OF CSP GATE DESCENDENTS (" << list << ") IS CORRUPTED: COMPONENT " << c
        << " IS NOT A DESCENDENT OF CSP GATE " << g.position << " AT LOCATION " << g.gate
        << " IN PLACE TABLE";
    return false;
  }
  // The shared-spare slot of input j of the gate.
  bool spareSlot(const Parent& g, int j, int& slot) const {
    const long long index = 1LL * g.base + j;
    const int last = std::min(NSLOT_, STATE_.size());
    if (SPRBAS_ < FT_.NBASIC || index < 1 || index > last - SPRBAS_) {
      return outOfRange("SPARE SLOT", static_cast<int>(index));
    }
    slot = SPRBAS_ + static_cast<int>(index);
    return true;
  }

  const FlatTree* flat() const { return FLAT_; }
  int field(int place, int offset) const { return walk_.field(place, offset); }
  int input(int place, int j) const { return walk_.input(place, j); }

  // The traversal's family of messages for tables the build does not make.
  bool outOfRange(std::string_view what, int value) const {
    errorLine(SCRUNT, routine_, "F806") << "INTERNAL ERROR - " << what << " OUT OF RANGE "
                                        << "(" << value << ")";
    return false;
  }

 private:
  bool gateAt(int position, Parent& g) const {
    g.position = position;
    const CIntTab CSPTAB = FT_.CSPTAB;
    if (position < 1 || position > CSPTAB(1) || position >= CSPTAB.size()) {
      return outOfRange("CSP GATE", position);
    }
    g.gate = CSPTAB(position + 1);
    return walk_.checkPlace(g.gate);
  }

  std::string_view routine_;
  const FlatTree* FLAT_;
  const FaultTree& FT_;
  int SPRBAS_;
  int NSLOT_;
  const NodePool& POOL_;
  CIntTab STATE_;
  Traversal walk_;
};

// Units are counted in 64 bits: the inputs of a gate, or the gates holding
// a component, may together have more units than an int counts.  A count
// beyond the range is as good as its bound for every comparison made with
// it, against the units of one component.
int saturated(long long count) {
  return static_cast<int>(std::clamp<long long>(count, INT_MIN, INT_MAX));
}

int traced(int status, std::string_view routine, std::string_view callee) {
  if (status != SUCCES) traceback(SCRUNT, routine, status, callee);
  return status;
}

// A functional dependency forced the failing component down further in this
// transition: the failure happens whether or not a gate uses its units.
bool forcedDown(int CHANGED, CIntTab PRESTA, CIntTab STATE, int FAILCP) {
  return CHANGED != 0 && PRESTA(FAILCP) != STATE(FAILCP);
}

// The units a gate without shared spares needs (DEMAND, its primary's) and
// the working units in V of its inputs before input j (AHEAD), which fill
// that demand first.
bool unitsAhead(const FaultTree& FT, const SpareTables& tables, const Parent& g, int j, CIntTab V,
                long long& AHEAD, long long& DEMAND) {
  AHEAD = 0;
  for (int k = 1; k <= j; ++k) {
    int c = 0;
    if (!tables.inputComponent(g.gate, k, c)) return false;
    if (k == 1) DEMAND = FT.BASE(c);
    if (k < j) AHEAD += V(c);
  }
  return true;
}

// The units of component c in use in V as its cold spare gates see them:
// all without a gate, the first that fill the demand of a gate without
// shared spares, those that sharing gates hold.
int unitsInUse(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL, int NSLOT,
               CIntTab V, int c, long long& INUSE) {
  const int head = FT.CSPRNT(c);
  INUSE = V(c);
  if (head == POOL.NULPTR) return SUCCES;
  Parent g;
  if (!tables.entry(head, g)) return ERRGEN;
  if (tables.field(g.gate, FSHARE) != 0) {
    int used = 0;
    int idle = 0;
    INUSE = 0;
    const int status = DETUSD(FT, SPRBAS, POOL, NSLOT, V, V, c, used, idle, nullptr, tables.flat());
    if (status == SUCCES) INUSE = used;
    return status;
  }
  int j = 0;
  long long ahead = 0;
  long long demand = 0;
  if (!tables.inputOf("CSPRNT", g, c, j) || !unitsAhead(FT, tables, g, j, V, ahead, demand)) {
    return ERRGEN;
  }
  INUSE = std::clamp<long long>(demand - ahead, 0, V(c));
  return SUCCES;
}

int moduleAsleep(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL, int NSLOT,
                 CIntTab V, CIntTab MODTYP, int c, bool& ASLEEP);

// The units of component c in use in V, none while its spare module sleeps.
int awakeUnits(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL, int NSLOT,
               CIntTab V, CIntTab MODTYP, int c, long long& INUSE) {
  bool asleep = false;
  INUSE = 0;
  int status = moduleAsleep(FT, tables, SPRBAS, POOL, NSLOT, V, MODTYP, c, asleep);
  if (status == SUCCES && !asleep)
    status = unitsInUse(FT, tables, SPRBAS, POOL, NSLOT, V, c, INUSE);
  return status;
}

// ASLEEP := whether component c lies in a spare module that is not in use
// in V: no unit of the module's type is in use there (and awake itself).
// A module's type is below its members' (the dictionary sees to it), so
// the walk ends.
int moduleAsleep(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL, int NSLOT,
                 CIntTab V, CIntTab MODTYP, int c, bool& ASLEEP) {
  const int type = FT.BASTYP(c);
  const int module = MODTYP(type);
  ASLEEP = false;
  if (module == 0) return SUCCES;
  if (module < 1 || module >= type) {
    tables.outOfRange("MODULE TYPE", module);
    return ERRGEN;
  }
  ASLEEP = true;
  for (int k = 1; k <= FT.NBASIC && ASLEEP; ++k) {
    if (FT.BASTYP(k) != module) continue;
    long long inUse = 0;
    const int status = awakeUnits(FT, tables, SPRBAS, POOL, NSLOT, V, MODTYP, k, inUse);
    if (status != SUCCES) return status;
    ASLEEP = inUse == 0;
  }
  return SUCCES;
}

// Offers the gate on the REPEAT list: a node whose data word
// heads a list of one (position, base) node.  Both are taken as two-word
// nodes, the head using one word and its link.
int offer(NodePool& POOL, int& RPTLST, const Parent& g) {
  int head = POOL.NULPTR;
  int entry = POOL.NULPTR;
  int status = GETNOD(POOL, head, PRTSIZ);
  if (status == SUCCES) status = GETNOD(POOL, entry, PRTSIZ);
  if (status != SUCCES) return traced(status, "DETUSD", "GETNOD");
  POOL.POOL(entry) = g.position;
  POOL.POOL(entry + 1) = g.base;
  // A node from a free list holds the fill value, not an empty list.
  POOL.POOL(head) = POOL.NULPTR;
  status = PSHPTR(POOL, POOL.POOL(head), entry, PRTSIZ);
  if (status == SUCCES) status = PSHPTR(POOL, RPTLST, head, RPTSIZ);
  return traced(status, "DETUSD", "PSHPTR");
}

// Takes the next gate offered on the REPEAT list: ENTRY := its (position,
// base) node, NODE := the list node that held it.
int takeOffer(NodePool& POOL, int& RPTLST, int& NODE, int& ENTRY) {
  int status = traced(POPPTR(POOL, RPTLST, NODE, RPTSIZ), "CSPCHK", "POPPTR");
  if (status == SUCCES) {
    status = traced(POPPTR(POOL, POOL.POOL(NODE), ENTRY, PRTSIZ), "CSPCHK", "POPPTR");
  }
  return status;
}

// A used offer goes back to the pool: offers are made for every transition
// of a shared spare, and kept nodes would use the pool up in a long
// generation.
int release(NodePool& POOL, int& NODE, int& ENTRY) {
  int status = traced(DSPNOD(POOL, ENTRY, PRTSIZ), "CSPCHK", "DSPNOD");
  if (status == SUCCES) status = traced(DSPNOD(POOL, NODE, PRTSIZ), "CSPCHK", "DSPNOD");
  return status;
}

// The gate has lost a unit it held in input j and no idle unit of the same
// component takes over: it takes a unit of the first later input that has
// one, if any.
int replace(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL, int NSLOT,
            IntTab STATE, CIntTab SRCSTA, const Parent& g, int j) {
  for (int k = j + 1; k <= tables.field(g.gate, FNARC); ++k) {
    int c = 0;
    if (!tables.inputComponent(g.gate, k, c)) return ERRGEN;
    int used = 0;
    int idle = 0;
    const int status = traced(
        DETUSD(FT, SPRBAS, POOL, NSLOT, STATE, SRCSTA, c, used, idle, nullptr, tables.flat()),
        "CSPCHK", "DETUSD");
    if (status != SUCCES) return status;
    // Counted in the successor rather than the source state: a unit that a
    // dependency forced down in this very transition is no replacement.
    if (STATE(c) - used > 0) {
      int slot = 0;
      if (!tables.spareSlot(g, k, slot)) return ERRGEN;
      ++STATE(slot);
      return SUCCES;
    }
  }
  return SUCCES;
}

// A gate that replaces units forced down takes, for each unit it lost
// (LOST, by shared-spare slot), one of its first later input that has an
// idle unit: once every unit forced down is let go and the failing unit's
// own gate has been served, as the failure comes before what it forces;
// gate by gate in the order of CSPTAB, so that where forced gates compete
// for one spare the earlier gate gets it.
int replaceForced(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL, int NSLOT,
                  IntTab STATE, CIntTab LOST) {
  for (int position = 1; position <= FT.NSHCSP; ++position) {
    Parent g;
    if (!tables.sharingGate(position, g)) return ERRGEN;
    if (tables.field(g.gate, FREPLC) == 0) continue;
    for (int j = 1; j <= tables.field(g.gate, FNARC); ++j) {
      int slot = 0;
      if (!tables.spareSlot(g, j, slot)) return ERRGEN;
      for (int unit = 1; unit <= LOST(slot - SPRBAS); ++unit) {
        const int status = replace(FT, tables, SPRBAS, POOL, NSLOT, STATE, STATE, g, j);
        if (status != SUCCES) return status;
      }
    }
  }
  return SUCCES;
}

// The units forced down in STATE let go (UPDDSC), LOST := what each
// shared-spare slot held of them.  Called only when a dependency acted.
int letGo(FaultTree& FT, std::string_view routine, int SPRBAS, NodePool& POOL, int NSLOT,
          IntTab STATE, CIntTab PRESTA, IntTab LOST, const FlatTree* FLAT) {
  LOST.fill(0);
  return traced(UPDDSC(FT, SPRBAS, POOL, NSLOT, STATE, PRESTA, LOST, FLAT), routine, "UPDDSC");
}

// CSPCHK's decision for the failing unit itself, the units forced down let go.
int failingUnit(FaultTree& FT, const SpareTables& tables, int SPRBAS, NodePool& POOL2, int NSLOT,
                IntTab STATE, CIntTab PRESTA, CIntTab SRCSTA, CIntTab MODTYP, int FAILCP,
                int CHANGED, int WARM, int& ALLOWED, int& RPTLST, int& RATMUL) {
  const int head = FT.CSPRNT(FAILCP);
  Parent g;
  if (head != POOL2.NULPTR && !tables.entry(head, g)) return ERRGEN;
  // A cold spare gate lets a component whose own failure forced its other
  // units down fail even where no unit of it is in use, as it always has.
  // Dormant units of a warm type fail in a transition of their own (DRMCHK),
  // and a replacing gate's dormant units do not fail when cold: for these
  // the failure is that of the units in use in the source state.
  const bool exact = WARM != 0 || (head != POOL2.NULPTR && tables.field(g.gate, FREPLC) != 0) ||
                     MODTYP(FT.BASTYP(FAILCP)) != 0;
  if (exact && forcedDown(CHANGED, PRESTA, STATE, FAILCP)) {
    long long inUse = 0;
    const int status = awakeUnits(FT, tables, SPRBAS, POOL2, NSLOT, SRCSTA, MODTYP, FAILCP, inUse);
    ALLOWED = inUse > 0 ? 1 : 0;
    RATMUL = saturated(inUse);
    return status;
  }
  bool asleep = false;
  int status = moduleAsleep(FT, tables, SPRBAS, POOL2, NSLOT, SRCSTA, MODTYP, FAILCP, asleep);
  if (status != SUCCES) return status;
  if (asleep) {  // every unit of its spare module lies dormant (and it is exact)
    ALLOWED = 0;
    return SUCCES;
  }
  if (head == POOL2.NULPTR) {  // under no cold spare gate
    ALLOWED = 1;
    return SUCCES;
  }
  if (tables.field(g.gate, FSHARE) == 0) {
    return traced(SNGLGT(FT, SPRBAS, POOL2, NSLOT, head, STATE, PRESTA, SRCSTA, FAILCP, CHANGED,
                         WARM, ALLOWED, RATMUL, tables.flat()),
                  "CSPCHK", "SNGLGT");
  }
  // The first call of a transition lists the gates that hold a unit of the
  // failing component; the later ones take the next gate from that list.
  int used = 0;
  int idle = 0;
  int* const list = RPTLST == POOL2.NULPTR ? &RPTLST : nullptr;
  status = traced(
      DETUSD(FT, SPRBAS, POOL2, NSLOT, STATE, SRCSTA, FAILCP, used, idle, list, tables.flat()),
      "CSPCHK", "DETUSD");
  if (status != SUCCES) return status;
  if (RPTLST == POOL2.NULPTR) {  // all its units are dormant
    ALLOWED = forcedDown(CHANGED, PRESTA, STATE, FAILCP) ? 1 : 0;
    return SUCCES;
  }
  ALLOWED = 1;
  int node = POOL2.NULPTR;
  int entry = POOL2.NULPTR;
  if ((status = takeOffer(POOL2, RPTLST, node, entry)) != SUCCES) return status;
  status = traced(
      SHRDGT(FT, SPRBAS, POOL2, NSLOT, STATE, SRCSTA, FAILCP, idle, entry, RATMUL, tables.flat()),
      "CSPCHK", "SHRDGT");
  if (status != SUCCES) return status;
  return release(POOL2, node, entry);
}

}  // namespace

int CSPCHK(FaultTree& FT, int SPRBAS, NodePool& POOL2, int NSLOT, IntTab STATE, CIntTab PRESTA,
           CIntTab SRCSTA, CIntTab MODTYP, int FAILCP, int CHANGED, int WARM, int& ALLOWED,
           int& RPTLST, int& RATMUL, const FlatTree* FLAT) {
  static int nfail[MAXBAS];
  static int lost[MAXBAS];
  SpareTables tables("CSPCHK", FT, SPRBAS, POOL2, NSLOT, STATE, IntTab(nfail, MAXBAS), FLAT);
  if (!tables.prepare() || !tables.basic(FAILCP)) return ERRGEN;
  const IntTab LOST(lost, MAXBAS);
  // Without a dependency that acted nothing is let go or replaced: the
  // common transition pays for neither.
  int status = SUCCES;
  if (CHANGED != 0) status = letGo(FT, "CSPCHK", SPRBAS, POOL2, NSLOT, STATE, PRESTA, LOST, FLAT);
  if (status == SUCCES) {
    status = failingUnit(FT, tables, SPRBAS, POOL2, NSLOT, STATE, PRESTA, SRCSTA, MODTYP, FAILCP,
                         CHANGED, WARM, ALLOWED, RPTLST, RATMUL);
  }
  if (status == SUCCES && CHANGED != 0) {
    status = replaceForced(FT, tables, SPRBAS, POOL2, NSLOT, STATE, LOST);
  }
  return status;
}

int DRMCHK(FaultTree& FT, int SPRBAS, NodePool& POOL2, int NSLOT, IntTab STATE, CIntTab PRESTA,
           CIntTab SRCSTA, CIntTab MODTYP, int FAILCP, int CHANGED, int& ALLOWED, int& RATMUL,
           const FlatTree* FLAT) {
  static int nfail[MAXBAS];
  static int lost[MAXBAS];
  SpareTables tables("DRMCHK", FT, SPRBAS, POOL2, NSLOT, STATE, IntTab(nfail, MAXBAS), FLAT);
  if (!tables.prepare() || !tables.basic(FAILCP)) return ERRGEN;
  const IntTab LOST(lost, MAXBAS);
  // The units not in use in the source state: all of a module not in use.
  long long inUse = 0;
  int status = SUCCES;
  if (CHANGED != 0) status = letGo(FT, "DRMCHK", SPRBAS, POOL2, NSLOT, STATE, PRESTA, LOST, FLAT);
  if (status == SUCCES) {
    status = awakeUnits(FT, tables, SPRBAS, POOL2, NSLOT, SRCSTA, MODTYP, FAILCP, inUse);
  }
  if (status == SUCCES && CHANGED != 0) {
    status = replaceForced(FT, tables, SPRBAS, POOL2, NSLOT, STATE, LOST);
  }
  const long long dormant = SRCSTA(FAILCP) - inUse;
  ALLOWED = dormant > 0 ? 1 : 0;
  RATMUL = saturated(dormant);
  return status;
}

int UPDDSC(FaultTree& FT, int SPRBAS, const NodePool& POOL, int NSLOT, IntTab STATE, CIntTab PRESTA,
           IntTab LOST, const FlatTree* FLAT) {
  static int nfail[MAXBAS];
  SpareTables tables("UPDDSC", FT, SPRBAS, POOL, NSLOT, STATE, IntTab(nfail, MAXBAS), FLAT);
  if (!tables.prepare()) return ERRGEN;
  for (int i = 1; i <= FT.NBASIC; ++i) {
    if (STATE(i) == PRESTA(i)) continue;
    for (int node = FT.CSPRNT(i); node != POOL.NULPTR; node = tables.next(node)) {
      Parent g;
      if (!tables.entry(node, g)) return ERRGEN;
      if (tables.field(g.gate, FSHARE) == 0) continue;
      int j = 0;
      int slot = 0;
      if (!tables.inputOf("CSPRNT", g, i, j) || !tables.spareSlot(g, j, slot)) return ERRGEN;
      LOST(slot - SPRBAS) = STATE(slot);
      STATE(slot) = 0;
    }
  }
  return SUCCES;
}

int SNGLGT(FaultTree& FT, int SPRBAS, const NodePool& POOL, int NSLOT, int NODE, CIntTab STATE,
           CIntTab PRESTA, CIntTab SRCSTA, int FAILCP, int CHANGED, int WARM, int& ALLOWED,
           int& RATMUL, const FlatTree* FLAT) {
  static int nfail[MAXBAS];
  SpareTables tables("SNGLGT", FT, SPRBAS, POOL, NSLOT, STATE, IntTab(nfail, MAXBAS), FLAT);
  Parent g;
  int j = 0;
  if (!tables.prepare() || !tables.basic(FAILCP) || !tables.entry(NODE, g) ||
      !tables.inputOf("CSPRNT", g, FAILCP, j)) {
    return ERRGEN;
  }
  // Without slots of its own, the gate's usage is only known if the
  // component has no other cold spare gate.
  if (tables.next(NODE) != POOL.NULPTR) {
    errorLine(SCRUNT, "SNGLGT", "F809")
        << "COMPONENT " << FAILCP << " HAS SEVERAL CSP GATE PARENTS, INCLUDING CSP GATE "
        << g.position << " (AT LOCATION " << g.gate
        << " IN THE PLACE TABLE) WHICH IS SUPPOSED TO HAVE NO SHARED SPARES";
    return ERRGEN;
  }
  // The units in use are those of the source state: a unit ahead that the
  // failure forces down does not put FAILCP's dormant units to use before
  // they fail.  A cold spare gate counts them in the successor, as it
  // always has; a replacing gate, or a warm type, whose dormant units fail
  // in a transition of their own (DRMCHK), may not count them twice.
  const bool source = WARM != 0 || tables.field(g.gate, FREPLC) != 0;
  long long ahead = 0;
  long long demand = 0;
  if (!unitsAhead(FT, tables, g, j, source ? SRCSTA : STATE, ahead, demand)) return ERRGEN;
  ALLOWED = ahead < demand || forcedDown(CHANGED, PRESTA, STATE, FAILCP) ? 1 : 0;
  RATMUL = saturated(std::min<long long>(SRCSTA(FAILCP), demand - ahead));
  return SUCCES;
}

int DETUSD(FaultTree& FT, int SPRBAS, NodePool& POOL, int NSLOT, CIntTab STATE, CIntTab SRCSTA,
           int COMP, int& USED, int& FREE, int* RPTLST, const FlatTree* FLAT) {
  static int nfail[MAXBAS];
  SpareTables tables("DETUSD", FT, SPRBAS, POOL, NSLOT, STATE, IntTab(nfail, MAXBAS), FLAT);
  if (!tables.prepare() || !tables.basic(COMP)) return ERRGEN;
  USED = 0;
  long long used = 0;
  for (int node = FT.CSPRNT(COMP); node != POOL.NULPTR; node = tables.next(node)) {
    Parent g;
    if (!tables.entry(node, g)) return ERRGEN;
    if (tables.field(g.gate, FSHARE) == 0) {
      errorLine(SCRUNT, "DETUSD", "F810")
          << "CANNOT TELL HOW MANY OF COMPONENT TYPE " << COMP << " ARE BEING USED BY CSP GATE "
          << g.position << "(AT LOC " << g.gate << " IN THE PLACE TABLE)";
      return ERRGEN;
    }
    int j = 0;
    int slot = 0;
    if (!tables.inputOf("CSPRNT", g, COMP, j) || !tables.spareSlot(g, j, slot)) return ERRGEN;
    if (STATE(slot) <= 0) continue;
    used += STATE(slot);
    if (RPTLST != nullptr) {
      const int status = offer(POOL, *RPTLST, g);
      if (status != SUCCES) return status;
    }
  }
  USED = saturated(used);
  FREE = saturated(SRCSTA(COMP) - used);
  return SUCCES;
}

int SHRDGT(FaultTree& FT, int SPRBAS, NodePool& POOL, int NSLOT, IntTab STATE, CIntTab SRCSTA,
           int FAILCP, int FREE, int ENTRY, int& RATMUL, const FlatTree* FLAT) {
  static int nfail[MAXBAS];
  // Its messages are those of CSPCHK, whose step it is.
  SpareTables tables("CSPCHK", FT, SPRBAS, POOL, NSLOT, STATE, IntTab(nfail, MAXBAS), FLAT);
  Parent g;
  int j = 0;
  int slot = 0;
  if (!tables.prepare() || !tables.basic(FAILCP) || !tables.entry(ENTRY, g) ||
      !tables.inputOf("REPEAT", g, FAILCP, j) || !tables.spareSlot(g, j, slot)) {
    return ERRGEN;
  }
  if (STATE(slot) <= 0) {
    Line line = errorLine(SCRUNT, "CSPCHK", "F808");
    line << "\"REPEAT\" LIST CORRUPTED: CSP GATE " << g.position << " (AT LOC " << g.gate
         << " IN PLACE TABLE) IS NOT USING ANY OF COMPONENT "
         << tables.field(tables.input(g.gate, j), FCTYPE) << " IN STATE";
    for (int k = 1; k <= std::min(NSLOT, STATE.size()); ++k) line << STATE(k);
    return ERRGEN;
  }
  RATMUL = STATE(slot);
  if (FREE > 0) return SUCCES;  // an idle unit of the same component takes over
  --STATE(slot);
  return replace(FT, tables, SPRBAS, POOL, NSLOT, STATE, SRCSTA, g, j);
}

}  // namespace molvex
