#include "dict/dict.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "main/error.h"
#include "main/files.h"
#include "util/convrt.h"
#include "util/lineio.h"
#include "util/units.h"

namespace molvex {
namespace {

constexpr int LINSIZ = 100;  // the line buffer

int skipBody(std::string& LINE, int MAXLEN, int LINLEN, int UNIT, int& nread) {
  for (;;) {
    const int status = GETLIN(LINE, MAXLEN, LINLEN, UNIT);
    if (status == ENDFIL) {
      errorLine(SCRUNT, "SKPICT", "U900")
          << "UNEXPECTED END-OF-FILE ENCOUNTERED " << "WHILE READING DICTIONARY FILE";
      return ENDFIL;
    }
    if (status != SUCCES) {
      tracebackLine(SCRUNT, "SKPICT") << "ERROR RETURNED BY GETLIN() ****";
      return status;
    }
    ++nread;
    const std::string_view text = std::string_view(LINE).substr(0, textCount(MAXLEN, LINE.size()));
    const std::size_t last = text.find_last_not_of(' ');
    if (last != std::string_view::npos && text[last] != ',') return SUCCES;
  }
}

// How far a walk over the entries went.
struct Walk {
  int nread = 0;       // lines read, the FEIDS line included
  bool feids = false;  // it ended at a FEIDS line, not at the end of the file
};

// Reads the dictionary open on DICUNT entry by entry: the line in each
// header place goes to `header` (which returns a status), the entry's body
// is skipped.  Ends at the end of the file or at a FEIDS line in a header
// place.  Reader and writer walk alike, so the writer never takes a body
// line for the FEIDS line and cuts away the entries after it.
template <class Header>
int walkEntries(std::string_view routine, Walk& walk, Header header) {
  std::string LINE(LINSIZ, ' ');
  for (;;) {
    const int status = GETLIN(LINE, DICEND, LINSIZ, DICUNT);
    if (status == ENDFIL) return SUCCES;
    if (status != SUCCES) {
      tracebackLine(SCRUNT, routine) << "ERROR RETURNED BY GETLIN() ****";
      return ERRGEN;
    }
    ++walk.nread;
    if (LINE.find("FEIDS") != std::string::npos) {
      walk.feids = true;
      return SUCCES;
    }
    if (header(LINE) != SUCCES) return ERRGEN;
    if (skipBody(LINE, DICEND, LINSIZ, DICUNT, walk.nread) != SUCCES) {
      tracebackLine(SCRUNT, routine) << "ERROR RETURNED BY SKPICT() ****";
      return ERRGEN;
    }
  }
}

int openDictionary(std::string_view routine, std::string_view FILNAM) {
  if (!fileExists(FILNAM)) {
    errorLine(SCRUNT, routine, "F600") << "DICTIONARY FILE NOT FOUND ****";
    return ERRGEN;
  }
  if (openInput(DICUNT, FILNAM) != SUCCES) {
    errorLine(SCRUNT, routine, "F602") << "ERROR OPENING DICTIONARY FILE ****";
    return ERRGEN;
  }
  rewindUnit(DICUNT);
  return SUCCES;
}

int badItem(int status, int START) {
  if (status == ENDLIN) {
    errorLine(SCRUNT, "RDDICT", "F603") << "UNEXPECTED EOL ENCOUNTERED WHILE PARSING "
                                        << "NEXT ITEM FROM INPUT LINE, OFFSET = "
                                        << Fixed{START, 3} << " ****";
  } else {
    errorLine(SCRUNT, "RDDICT", "F604") << "ERROR ENCOUNTERED WHILE PARSING NEXT ITEM "
                                        << "FROM INPUT LINE, OFFSET = " << Fixed{START, 3}
                                        << " ****";
  }
  return ERRGEN;
}

// The rate variable name of a header line, WORD holding its first LEN
// characters: cut to 15 with warning F100 when it is 15 or longer.
void storeName(const std::string& WORD, int LEN, std::string& name) {
  if (LEN >= TYPLEN) {
    warningLine(SCRUNT, "RDDICT", "F100") << "FAILURE RATE VARIABLE, " << WORD;
    // The warning's second line, indented under its text.
    Line(SCRUNT) << std::string(28, ' ') << "TOO LONG - TRUNCATED TO " << Fixed{TYPLEN, 3}
                 << " CHARACTERS ++++";
  }
  name.assign(WORD, 0, static_cast<std::size_t>(std::min(LEN, TYPLEN)));
  name.resize(TYPLEN, ' ');
}

// A header of type n = NTYPES again in one of the forms of TypeForms, not
// given for the type before: stored (a DORMANT name by the caller, which
// reads it as a rate name is read).  Form::none for any other line.
enum class Form { none, dormant, stored };
Form typeForm(const std::string& LINE, int n, int NTYPES, const TypeForms* FORMS) {
  if (FORMS == nullptr || n < 1 || n != NTYPES ||
      n > std::min({FORMS->DRMNAM.size(), FORMS->MODTYP.size(), FORMS->FRCONL.size()})) {
    return Form::none;
  }
  std::istringstream words(LINE.substr(0, DICEND));
  std::string number, kind, third;
  if (!(words >> number >> kind >> third)) return Form::none;
  if (kind == "DORMANT" && FORMS->DRMNAM(n) == std::string(TYPLEN, ' ')) return Form::dormant;
  if (kind == "FORCED" && third == "ONLY" && FORMS->FRCONL(n) == 0) {
    FORMS->FRCONL(n) = 1;
    return Form::stored;
  }
  int u = 0;
  const auto [end, error] = std::from_chars(third.data(), third.data() + third.size(), u);
  if (kind == "MODULE" && error == std::errc() && end == third.data() + third.size() && u >= 1 &&
      u < n && FORMS->MODTYP(n) == 0) {
    FORMS->MODTYP(n) = u;
    return Form::stored;
  }
  return Form::none;
}

// One header line: type number, a word not used, the rate variable name.
int readHeader(const std::string& LINE, int maxtyp, int& NTYPES, Span1<std::string> TYPNAM,
               const TypeForms* FORMS) {
  int START = 1;
  int LEN = 0;
  int IVAL = -1;
  std::string WORD(20, ' ');
  const auto next = [&](char TYPE) {
    double DVAL = 0.0;
    return NXTWRD(LINE, START, DICEND, TYPE, LEN, WORD, IVAL, DVAL);
  };
  int status = next('N');
  if (status != SUCCES) return badItem(status, START);
  const int n = IVAL;
  if (n > maxtyp) {
    errorLine(SCRUNT, "RDDICT", "F601") << "DICTIONARY OVERFLOW, MAX NUMBER "
                                        << "OF COMPONENT TYPES = " << Fixed{maxtyp, 3} << " ****";
    return ERRGEN;
  }
  const Form form = typeForm(LINE, n, NTYPES, FORMS);
  if (form == Form::stored) return SUCCES;
  // Also a number below 1: the types are numbered from 1 without a gap.
  if (n != NTYPES + 1 && form == Form::none) {
    errorLine(SCRUNT, "RDDICT", "F605") << "COMPONENT ENTRIES OUT OF ORDER IN " << "DICTIONARY: ****";
    Line(SCRUNT) << LINE;
    return ERRGEN;
  }
  NTYPES = n;
  status = next('C');
  if (status == SUCCES) status = next('C');
  if (status != SUCCES) return badItem(status, START);
  storeName(WORD, LEN, form == Form::dormant ? FORMS->DRMNAM(n) : TYPNAM(n));
  return SUCCES;
}

// The lines the new dictionary keeps of the old one, each with its line end:
// those the walk read, so that they read back as the same lines.  Reading
// drops a carriage return before the line end, so a line that still ends in
// one gets it back; otherwise a name or a body's closing line would change.
int keptLines(const Walk& walk, std::string& kept) {
  rewindUnit(DICUNT);
  std::string record;
  for (int n = 1; n <= walk.nread; ++n) {
    if (readRecord(DICUNT, record) != SUCCES) return ERRGEN;
    kept.append(record);
    if (!record.empty() && record.back() == '\r') kept.push_back('\r');
    kept.push_back('\n');
  }
  return SUCCES;
}

void writeValues(CIntTab values, int NTYPES) {
  Line line(DICUNT);
  for (int t = 1; t <= NTYPES; ++t) line << values(t) << " ";
}

// Closing the unit puts the new file on the disk before it takes the old
// one's name, so that a power loss cannot leave the name with part of the
// content; the unit is closed whatever happened before.
int writeDictionary(const std::string& kept, const Walk& walk, int NTYPES, CIntTab FAILST,
                    CIntTab TRNCST, int NTRUNC) {
  writeText(DICUNT, kept);
  if (!walk.feids) Line(DICUNT) << "FEIDS";
  writeValues(FAILST, NTYPES);
  if (NTRUNC > 0) {
    Line(DICUNT) << "TAIDS";
    writeValues(TRNCST, NTYPES);
  }
  return closeUnit(DICUNT);
}

// Puts the new dictionary in the place of `target` by way of target.NEW.
//
// A target.NEW that is there already was not made by this run: a run killed
// while rewriting left it, another run is rewriting the same shared
// dictionary right now, or it is a file of the user's.  It is neither
// emptied, nor written through when it is a link, nor removed, and the
// dictionary is not rewritten: writing the new one under some other name
// instead would let two runs on one shared dictionary replace each other's
// states unseen and would leave files nobody knows of after a killed run.
// The user removes the file and runs again.
int replaceDictionary(const std::string& target, const std::string& kept, const Walk& walk,
                      int NTYPES, CIntTab FAILST, CIntTab TRNCST, int NTRUNC) {
  const std::string fresh = target + ".NEW";
  if (createOutput(DICUNT, fresh) != SUCCES) return ERRGEN;
  if (writeDictionary(kept, walk, NTYPES, FAILST, TRNCST, NTRUNC) != SUCCES ||
      replaceFile(fresh, target) != SUCCES) {
    removeFile(fresh);
    return ERRGEN;
  }
  // The new dictionary has its name now, nothing is left to remove; unsynced,
  // the rename may still be lost, and the run must not count on it.
  return syncDirectory(target);
}

}  // namespace

int SKPICT(std::string& LINE, int MAXLEN, int LINLEN, int UNIT) {
  int nread = 0;
  return skipBody(LINE, MAXLEN, LINLEN, UNIT, nread);
}

int RDDICT(std::string_view FILNAM, int& NTYPES, Span1<std::string> TYPNAM, int MAXTYP, int* FEIDLN,
           const TypeForms* FORMS) {
  if (FEIDLN != nullptr) *FEIDLN = 0;
  NTYPES = 0;
  TYPNAM.fill(std::string(TYPLEN, ' '));
  if (FORMS != nullptr) {
    FORMS->DRMNAM.fill(std::string(TYPLEN, ' '));
    FORMS->MODTYP.fill(0);
    FORMS->FRCONL.fill(0);
  }
  if (openDictionary("RDDICT", FILNAM) != SUCCES) return ERRGEN;
  const int maxtyp = std::min(MAXTYP, TYPNAM.size());
  Walk walk;
  const int status = walkEntries("RDDICT", walk, [&](const std::string& LINE) {
    return readHeader(LINE, maxtyp, NTYPES, TYPNAM, FORMS);
  });
  closeUnit(DICUNT);
  if (FEIDLN != nullptr && walk.feids) *FEIDLN = walk.nread;
  return status;
}

int WRTDCT(std::string_view FILNAM, int NTYPES, CIntTab FAILST, CIntTab TRNCST, int NTRUNC) {
  if (openDictionary("WRTDCT", FILNAM) != SUCCES) return ERRGEN;
  Walk walk;
  const int walked = walkEntries("WRTDCT", walk, [](const std::string&) { return SUCCES; });
  std::string kept;
  const int read = walked == SUCCES ? keptLines(walk, kept) : ERRGEN;
  closeUnit(DICUNT);
  if (walked != SUCCES) return ERRGEN;

  // A dictionary that several model folders share through links is rewritten
  // where it lies, so that all of them see the new states and keep their link.
  const std::string target = linkTarget(FILNAM);
  if (read != SUCCES || target.empty() ||
      replaceDictionary(target, kept, walk, NTYPES, FAILST, TRNCST, NTRUNC) != SUCCES) {
    errorLine(SCRUNT, "WRTDCT", "F606") << "ERROR WRITING DICTIONARY FILE ****";
    return ERRGEN;
  }
  return SUCCES;
}

}  // namespace molvex
