// Cold spare gates: whether a transition in which one unit of a basic
// component fails can happen at all, how many units of it are exposed, and,
// where several gates share a spare, which gate loses the unit and where it
// finds its replacement.
//
// A cold spare gate needs as many working units as its primary (input 1) has
// in the root state, and takes them from its inputs in order: the primary
// first, then the spares left to right.  Units a gate does not need lie
// dormant and cannot fail.  A gate that shares a spare with another one
// counts, per input, the units of that input it holds in its own block of
// shared-spare slots of the state vector (slot SPRBAS + FSPBAS + j for input
// j); for the other gates the basic-component slots alone tell what is in
// use.
//
// The gates of a basic component are the list CSPRNT(c) in pool 2: nodes of
// two data words (position of the gate in CSPTAB, its FSPBAS).  The REPEAT
// list RPTLST offers the gates that hold a unit of the failing component one
// by one: each of its nodes (one data word) heads a list of one such
// two-word node.  Nodes taken from pool 2 stay taken until the generation
// ends.
//
// Each routine takes the tree's flat form (FLAT, optional), which knows the
// input of each gate that holds each component, where a generation has one.
//
// These routines run once per transition: they allocate nothing but pool
// nodes, and every place, CSPTAB position, slot and pool node they read is
// checked first (F806), so that no table of a tree can make them read or
// write outside a table.
#pragma once

#include "ftinput/fttabs.h"
#include "gates/flattr.h"
#include "util/array1.h"
#include "util/pool.h"

namespace molvex {

// The cold spare check of a successor STATE, in which one unit of FAILCP has
// failed (and which a functional dependency may have changed: CHANGED, with
// PRESTA the successor as it was before).  SRCSTA is the source state.
// ALLOWED := 0 when the transition cannot happen.  RATMUL (set by the caller
// to SRCSTA(FAILCP)) becomes the number of exposed units; none is when
// FAILCP lies in a spare module (MODTYP of its type, see TypeForms) that no
// gate uses in SRCSTA.  WARM = 1 when FAILCP's dormant units fail too, in a
// transition of their own (DRMCHK): this one is then allowed only when a
// unit of FAILCP is in use.  When the failing
// component is held by gates that share spares, the first call fills RPTLST
// with one entry per such gate, and each call takes one entry and lets that
// gate lose the unit; the caller repeats the transition while RPTLST is not
// empty, with STATE's spare slots restored.  Returns 1, or the failing
// status after a message and a traceback line.
int CSPCHK(FaultTree& FT, int SPRBAS, NodePool& POOL2, int NSLOT, IntTab STATE, CIntTab PRESTA,
           CIntTab SRCSTA, CIntTab MODTYP, int FAILCP, int CHANGED, int WARM, int& ALLOWED,
           int& RPTLST, int& RATMUL, const FlatTree* FLAT = nullptr);

// The failure of a dormant unit of FAILCP, a component whose type has a rate
// while dormant: the same successor STATE as CSPCHK's, but RATMUL := the
// units of FAILCP that lie dormant in SRCSTA (those no gate needs or holds,
// all of them in a spare module not in use), ALLOWED := 0 when there are
// none.  The unit was in no gate's use, so the spare slots change only for
// units a dependency forced down.  Returns 1,
// or the failing status after a message and a traceback line.
int DRMCHK(FaultTree& FT, int SPRBAS, NodePool& POOL2, int NSLOT, IntTab STATE, CIntTab PRESTA,
           CIntTab SRCSTA, CIntTab MODTYP, int FAILCP, int CHANGED, int& ALLOWED, int& RATMUL,
           const FlatTree* FLAT = nullptr);

// A sharing gate no longer holds any unit of a component that a dependency
// forced down (STATE(i) differs from PRESTA(i)): its slot for it becomes 0,
// and LOST(slot - SPRBAS) what it held, so that a gate whose FREPLC is set
// can take replacements once the failing unit's own gate is served (CSPCHK,
// DRMCHK).  Returns 1 or -1.
int UPDDSC(FaultTree& FT, int SPRBAS, const NodePool& POOL, int NSLOT, IntTab STATE, CIntTab PRESTA,
           IntTab LOST, const FlatTree* FLAT = nullptr);

// The check for FAILCP under a gate that shares no spare, NODE being the
// first node of CSPRNT(FAILCP): such a component has no other cold spare
// gate (F809).  WARM as for CSPCHK.  Returns 1 or -1.
int SNGLGT(FaultTree& FT, int SPRBAS, const NodePool& POOL, int NSLOT, int NODE, CIntTab STATE,
           CIntTab PRESTA, CIntTab SRCSTA, int FAILCP, int CHANGED, int WARM, int& ALLOWED,
           int& RATMUL, const FlatTree* FLAT = nullptr);

// USED := the units of component COMP that the sharing gates hold in STATE;
// FREE := SRCSTA(COMP) - USED, its idle units.  With RPTLST given, an entry
// is pushed on it for each gate that holds a unit.  Returns 1, -1, or a pool
// status after a traceback line.
int DETUSD(FaultTree& FT, int SPRBAS, NodePool& POOL, int NSLOT, CIntTab STATE, CIntTab SRCSTA,
           int COMP, int& USED, int& FREE, int* RPTLST, const FlatTree* FLAT = nullptr);

// The sharing gate of the REPEAT entry ENTRY loses a unit of FAILCP: RATMUL
// := the units of it the gate holds.  When FAILCP had no idle unit (FREE),
// the gate holds one unit fewer and takes one of the first later input that
// has an idle unit.  Returns 1, or the failing status after a message.
int SHRDGT(FaultTree& FT, int SPRBAS, NodePool& POOL, int NSLOT, IntTab STATE, CIntTab SRCSTA,
           int FAILCP, int FREE, int ENTRY, int& RATMUL, const FlatTree* FLAT = nullptr);

}  // namespace molvex
