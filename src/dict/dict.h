// The component dictionary of a model (.DIC): its component types in order,
// each with the name of its failure-rate variable, and, behind a line FEIDS,
// the number of each type's failure state (and, behind TAIDS, of its
// truncation aggregation state) as the last generation found them.
//
// An entry is a header line (type number, a word, the rate variable name)
// and a body that ends with the first non-blank line not ending in a comma.
// The FEIDS line counts only where a header line could stand, so a body is
// free to mention the word.
#pragma once

#include <string>
#include <string_view>

#include "util/array1.h"

namespace molvex {

constexpr int DICEND = 80;  // the last column of a line that may hold text
constexpr int TYPLEN = 15;  // characters kept of a rate variable name; F100 warns from as many

// What a dictionary may say of type n beyond its rate name, each in an
// entry right after entry n whose header has one of these forms:
//   n DORMANT NAME  its units fail at the rate NAME while they lie dormant
//                   as spares (DRMNAM(n); blank for a type without);
//   n MODULE u      they lie in the spare module whose unit is of type u,
//                   1 <= u < n: they are in use only while a unit of type u
//                   is (MODTYP(n); 0 for a type in no module);
//   n FORCED ONLY   they fail only when a dependency forces them down
//                   (FRCONL(n) = 1; else 0).
// Each is given at most once per type.  A dictionary without these forms
// read such a line as an entry out of order (F605), so none written before
// can be taken to mean them.
struct TypeForms {
  Span1<std::string> DRMNAM;
  IntTab MODTYP;
  IntTab FRCONL;
};

// Reads the types of the dictionary FILNAM: NTYPES of them, the names (15
// characters, blank-padded) in TYPNAM(1..NTYPES), the rest of TYPNAM blank.
// Type numbers run 1, 2, 3, ... up to MAXTYP.  Returns 1, or -1 after an
// error line (F600-F605, or a traceback of GETLIN or SKPICT) with NTYPES and
// TYPNAM as far as they were read.  F100 warns of a name cut to 15.  A
// reader of the values behind FEIDS learns from FEIDLN, when given, the line
// number of the FEIDS line (0 when the dictionary has none).  A reader that
// knows what the forms below say gives FORMS.
int RDDICT(std::string_view FILNAM, int& NTYPES, Span1<std::string> TYPNAM, int MAXTYP,
           int* FEIDLN = nullptr, const TypeForms* FORMS = nullptr);

// Writes FAILST(1..NTYPES), and when NTRUNC > 0 "TAIDS" and TRNCST(1..NTYPES),
// behind the FEIDS line of the dictionary FILNAM (appending " FEIDS" when it
// has none); the lines after an old FEIDS line are replaced, every line up
// to it is kept as it was.  The new dictionary is written beside the old one
// (FILNAM.NEW), put on the disk and then in its place whole, so a failure
// leaves the old one untouched and no FILNAM.NEW behind (but for a failure
// to put the directory on the disk, after the rename); a FILNAM.NEW that was
// there before is left alone, and the dictionary is not rewritten then.
// A link is followed to the file at its end, which is rewritten in its own
// directory; the link stays.  Returns 1, or -1 after F600, F602, F606 or a
// traceback.
int WRTDCT(std::string_view FILNAM, int NTYPES, CIntTab FAILST, CIntTab TRNCST, int NTRUNC);

// Reads the lines of UNIT (GETLIN's arguments) up to the one that ends a
// dictionary entry's body: the first with text in columns 1..MAXLEN whose
// last character is not a comma.  Returns 1; -11 after U900 when the file
// ends first; GETLIN's status after a traceback.
int SKPICT(std::string& LINE, int MAXLEN, int LINLEN, int UNIT);

}  // namespace molvex
