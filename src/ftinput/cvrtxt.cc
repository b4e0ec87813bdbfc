#include "ftinput/cvrtxt.h"

#include <algorithm>

#include "main/error.h"
#include "main/files.h"
#include "main/globals.h"
#include "util/convrt.h"
#include "util/lineio.h"
#include "util/units.h"

namespace molvex {
namespace {

constexpr int LINSIZ = 100;         // the line buffer
constexpr std::size_t FILLEN = 13;  // a file name in the messages

// The current line of the text description and the scan over it.
struct Scan {
  std::string LINE = std::string(LINSIZ, ' ');
  int START = 1;
  int LEN = 0;
  std::string WORD = std::string(20, ' ');
  int IVAL = -1;

  int read() {
    START = 1;
    return GETLIN(LINE, TXTEND, LINSIZ, TXTUNT);
  }
  int next(char TYPE) { return nextAs(TYPE); }
  // TYPE: the mode on entry, what the word was taken as on return.
  int nextAs(char& TYPE) {
    double DVAL = 0.0;
    return NXTWRD(LINE, START, TXTEND, TYPE, LEN, WORD, IVAL, DVAL);
  }
  // A keyword is recognised by its leading characters (NODES is NODE).
  bool starts(std::string_view keyword) const {
    return WORD.compare(0, keyword.size(), keyword) == 0;
  }
};

// Shows the line a message is about and passes the status on.
int echo(const Scan& sc, int status) {
  Line(SCRUNT) << sc.LINE;
  return status;
}

Line nxtftnError(std::string_view code) { return errorLine(SCRUNT, "NXTFTN", code); }

int scanFailure(const Scan& sc, int status) {
  nxtftnError("F919") << "NXTWRD ENCOUNTERED ERROR " << Fixed{status, 4}
                      << " PARSING NEXT INPUT ITEM, OFFSET = " << Fixed{sc.START, 4} << " ****";
  return echo(sc, status);
}

// The next word must be `keyword`; `text` is the message when another
// word stands there.
int expect(Scan& sc, std::string_view keyword, std::string_view code, std::string_view text) {
  const int status = sc.next('C');
  if (status != SUCCES) return scanFailure(sc, status);
  if (sc.starts(keyword)) return SUCCES;
  nxtftnError(code) << text;
  return echo(sc, ERRGEN);
}

// The next word must be a number; `text` (when given) says what could not be
// read before the scanner's status is shown.
int number(Scan& sc, int& value, std::string_view code = {}, std::string_view text = {}) {
  const int status = sc.next('N');
  if (status == SUCCES) {
    value = sc.IVAL;
    return SUCCES;
  }
  if (!code.empty()) nxtftnError(code) << text;
  return scanFailure(sc, status);
}

int tooManyNodes(const Scan& sc, int MAXNOD) {
  nxtftnError("F902") << "TOO MANY NODES, MAX NO. NODES ALLOWED = " << MAXNOD << " ****";
  return echo(sc, ERRGEN);
}

// BASIC m OF COMPONENT t, or BASIC m OF COMPONENT TYPE t.
int basicEvent(Scan& sc, int MAXBAS, int& BASCNT, NodeSentence& S) {
  if (++BASCNT > MAXBAS) {
    nxtftnError("F905") << "TOO MANY BASIC COMPONENTS, MAX NO. = " << Fixed{MAXBAS, 4} << " ****";
    return echo(sc, ERRGEN);
  }
  S.NTYPE = TBASIC;
  int status = number(sc, S.MULT);
  if (status != SUCCES) return status;
  status = expect(sc, "OF", "F906", "\"OF\" MISSING FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  status = expect(sc, "COMPONENT", "F907", "\"COMPONENT\" MISSING FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  char type = 'U';
  status = sc.nextAs(type);
  if (status != SUCCES) return scanFailure(sc, status);
  if (type == 'N') {
    S.CTYPE = sc.IVAL;
    return SUCCES;
  }
  if (!sc.starts("TYPE")) {
    nxtftnError("F940") << "UNEXPECTED OR INVALID TOKEN (" << sc.WORD << ") ON LINE:";
    return echo(sc, ERRGEN);
  }
  return number(sc, S.CTYPE);
}

// The rest of the line after LABEL: a blank, then each word with one blank
// after it, as far as the label holds.
void collectLabel(const Scan& sc, NodeSentence& S) {
  const std::string_view line = std::string_view(sc.LINE).substr(0, TXTEND);
  std::string label = " ";
  for (int first = sc.START; first <= TXTEND;) {
    int last = TXTEND;
    FNDWRD(line, first, last);
    const std::string_view word = line.substr(static_cast<std::size_t>(first - 1),
                                              static_cast<std::size_t>(last - first + 1));
    if (word.front() == ' ') break;
    label.append(word.substr(0, word.find(' '))).push_back(' ');
    first = last + 1;
  }
  S.LABLEN = static_cast<int>(std::min(label.size(), S.LABEL.size()));
  std::copy_n(label.begin(), S.LABLEN, S.LABEL.begin());
}

// FBOX INPUT s, or BOX INPUT s LABEL text.
int box(Scan& sc, int& BOXSEN, NodeSentence& S) {
  const bool root = sc.starts("FBOX");
  S.NTYPE = root ? TFBOX : TBOX;
  if (root) BOXSEN = 1;
  int status = expect(sc, "INPUT", "F908", "\"INPUT\" MISSING FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  status = number(sc, S.INPUTS(1), "F909",
                  "ERROR READING SOURCE NODE NUMBER FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  S.NINPUT = 1;
  if (root) return SUCCES;
  status = expect(sc, "LABEL", "F910", "\"LABEL\" MISSING FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  collectLabel(sc, S);
  return SUCCES;
}

// The type code of a gate word, 0 for none.  CSP, SPARE and SEQ must stand
// alone.
int gateCode(const Scan& sc) {
  if (sc.WORD.find('/') != std::string::npos) return TMOFN;
  const struct {
    std::string_view word;
    const int& code;
    bool whole;
  } gates[] = {{"AND", TAND, false},   {"OR", TOR, false},     {"XOR", TXOR, false},
               {"NOT", TNOT, false},   {"FDEP", TFDEP, false}, {"CSP", TCSP, true},
               {"PAND", TPAND, false}, {"SEQ", TSEQ, true},    {"SPARE", TSPARE, true}};
  for (const auto& g : gates) {
    if (sc.starts(g.word) && (!g.whole || sc.LEN == static_cast<int>(g.word.size()))) {
      return g.code;
    }
  }
  return 0;
}

// Input i of a gate.  The list goes on over the following lines, which are
// read whole: a comma there is part of a word.
int gateInput(Scan& sc, int i, int& value) {
  int status = sc.next('N');
  while (status == ENDLIN) {
    status = sc.read();
    if (status == ENDFIL) {
      // The message number was never assigned: not the common error line.
      Line(SCRUNT) << "**** NXTFTN: F??? - UNEXPECTED EOF ENCOUNTERED READING .TXT FILE ****";
      // An unfinished sentence is a failure: converting the nodes before it
      // alone would drop a gate (an FDEP or SEQ gate has no parent to miss it).
      return ERRGEN;
    }
    if (status != SUCCES) {
      tracebackLine(SCRUNT, "NXTFTN") << "ERROR RETURNED BY GETLIN() ****";
      return status;
    }
    status = sc.next('N');
  }
  if (status == SUCCES) {
    value = sc.IVAL;
    return SUCCES;
  }
  // The line shown is the one that holds the bad word, a continuation line
  // included.
  nxtftnError("F914") << "ERROR ENCOUNTERED READING SOURCE OF INCOMING ARC " << Fixed{i, 4}
                      << " IN LINE: ****";
  return echo(sc, status);
}

// g k INPUT s1 ... sk.
int gate(Scan& sc, int MAXINP, NodeSentence& S) {
  S.NTYPE = gateCode(sc);
  if (S.NTYPE == 0) {
    nxtftnError("F915") << "ILLEGAL TYPE FOR FAULT TREE NODE ---> " << sc.WORD;
    return echo(sc, ERRGEN);
  }
  int status = number(sc, S.NINPUT, "F911", "ERROR READING NO. INCOMING ARCS FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  const int maxinp = std::min(MAXINP, S.INPUTS.size());
  if (S.NINPUT > maxinp) {
    nxtftnError("F912") << "TOO MANY INCOMING ARCS, MAX NO. = " << Fixed{maxinp, 4} << " ****";
    return echo(sc, ERRGEN);
  }
  if (S.NTYPE == TPAND && S.NINPUT != 2) {
    nxtftnError("F718") << "PRIORITY-AND GATES MUST HAVE 2 INCOMING ARCS; NODE " << S.NODNUM
                        << " HAS " << S.NINPUT << " ARCS";
    return echo(sc, ERRGEN);
  }
  status = expect(sc, "INPUT", "F908", "\"INPUT\" MISSING FROM INPUT LINE ****");
  for (int i = 1; i <= S.NINPUT && status == SUCCES; ++i) status = gateInput(sc, i, S.INPUTS(i));
  return status;
}

void clear(NodeSentence& S) {
  S.NODNUM = S.NTYPE = S.MULT = S.CTYPE = S.NINPUT = S.LABLEN = 0;
  S.INPUTS.fill(0);
  std::fill(S.LABEL.begin(), S.LABEL.end(), ' ');
  std::fill(S.GATWRD.begin(), S.GATWRD.end(), ' ');
}

// A basic event's multiplicity and component type as its one label word K*T.
int basicLabel(const NodeSentence& S, std::string& label) {
  std::string digits(20, ' ');
  int ndig = 0;
  for (const int value : {S.MULT, S.CTYPE}) {
    const int status = INTCHR(digits, value, ndig, 20, 'L');
    if (status != SUCCES) {
      traceback(SCRUNT, "CVRTXT", status, "INTCHR");
      return status;
    }
    if (!label.empty()) label.push_back('*');
    label.append(digits, 0, static_cast<std::size_t>(ndig));
  }
  return SUCCES;
}

// The fault tree file lines of one node: node n stands at (n, n).
int writeNode(const NodeSentence& S) {
  if (S.NTYPE == TBASIC) {
    std::string label;
    const int status = basicLabel(S, label);
    if (status == SUCCES) Line(FTRUNT) << "N" << S.NODNUM << S.NODNUM << S.NTYPE << " " << label;
    return status;
  }
  {
    Line node(FTRUNT);
    node << "N" << S.NODNUM << S.NODNUM << S.NTYPE;
    if (S.NTYPE == TMOFN) node << " " << std::string_view(S.GATWRD).substr(0, S.GATWRD.find(' '));
    if (S.NTYPE == TBOX) node << std::string_view(S.LABEL).substr(0, static_cast<std::size_t>(S.LABLEN));
  }
  for (int i = 1; i <= S.NINPUT; ++i) {
    Line(FTRUNT) << "A" << S.INPUTS(i) << S.INPUTS(i) << S.NODNUM << S.NODNUM;
  }
  return SUCCES;
}

std::string fileName(std::string_view name, std::string_view extension) {
  std::string file(name);
  file.append(extension);
  if (file.size() < FILLEN) file.append(FILLEN - file.size(), ' ');
  return file;
}

int convert(std::string_view MODEL, int MAXBAS, int MAXNOD) {
  const std::string_view head = MODEL.substr(0, std::min(MODEL.size(), FILLEN));
  const std::string_view name = head.substr(0, head.find(' '));
  if (name.size() > MDLNAM) {
    errorLine(SCRUNT, "CVRTXT", "F900") << "FAULT TREE NAME TOO LONG ****";
    return ERRGEN;
  }
  const std::string txt = fileName(name, ".TXT");
  const std::string ftr = fileName(name, ".FTR");
  if (openInput(TXTUNT, txt) != SUCCES) {
    errorLine(SCRUNT, "CVRTXT", "F917") << "ERROR OPENING TEXT DESCRIPTION FILE " << txt << " ****";
    return ERRGEN;
  }
  rewindUnit(TXTUNT);
  // Written anew, so that nothing of an older, longer file stays behind the
  // lines written now.
  if (openOutput(FTRUNT, ftr) != SUCCES) {
    errorLine(SCRUNT, "CVRTXT", "F918") << "ERROR OPENING FAULT TREE FILE " << ftr << " ****";
    closeUnit(TXTUNT);
    return ERRGEN;
  }

  int NODCNT = 0;
  int BASCNT = 0;
  int BOXSEN = 0;
  NodeSentence S;
  int status = SUCCES;
  while (status == SUCCES) {
    status = NXTFTN(MAXNOD, NODCNT, MAXBAS, BASCNT, BOXSEN, MXINPS, S);
    if (status == SUCCES) {
      status = writeNode(S);
    } else if (status != ENDFIL) {
      tracebackLine(SCRUNT, "CVRTXT", 2) << "ERROR " << status << " RETURNED BY NXTFTN()";
    }
  }
  closeUnit(TXTUNT);
  const int written = closeUnit(FTRUNT);
  if (status != ENDFIL) return status;
  // A fault tree file cut short by a full disk must not reach the build.
  if (written != SUCCES) {
    errorLine(SCRUNT, "CVRTXT", "F920") << "ERROR WRITING FAULT TREE FILE " << ftr << " ****";
    return ERRGEN;
  }
  if (BOXSEN == 0) {
    errorLine(SCRUNT, "CVRTXT", "F916")
        << "\"SYSTEM-FAILURE\" BOX NOT SPECIFIED, FAULT TREE INCOMPLETE ****";
    return ENDFIL;
  }
  return SUCCES;
}

}  // namespace

int CVRTXT(std::string_view MODEL, int MAXBAS, int MAXNOD) {
  INITDR();
  // Numbers are checked here by their sentence's messages; the conversion
  // warnings would only repeat them.
  INIUTL(0, KBDUNT, SCRUNT, 1);
  const int status = convert(MODEL, MAXBAS, MAXNOD);
  INIUTL(0, KBDUNT, SCRUNT, 0);
  return status;
}

int NXTFTN(int MAXNOD, int& NODCNT, int MAXBAS, int& BASCNT, int& BOXSEN, int MAXINP,
           NodeSentence& S) {
  clear(S);
  Scan sc;
  int status = sc.read();
  if (status == ENDFIL) return ENDFIL;
  if (status != SUCCES) {
    traceback(SCRUNT, "NXTFTN", status, "GETLIN", " ****");
    return status;
  }
  // Only the first line of a sentence: a continuation line is read whole.
  TRNCHR(sc.LINE, TXTEND, ":,", 2, "  ");
  status = expect(sc, "NODE", "F901", "\"NODE\" MISSING ON INPUT LINE ****");
  if (status != SUCCES) return status;
  if (++NODCNT > MAXNOD) return tooManyNodes(sc, MAXNOD);
  status = number(sc, S.NODNUM, "F903", "ERROR READING NODE NUMBER IN INPUT LINE ****");
  if (status != SUCCES) return status;
  if (S.NODNUM > MAXNOD) return tooManyNodes(sc, MAXNOD);
  status = expect(sc, "TYPE", "F904", "\"TYPE\" MISSING FROM INPUT LINE ****");
  if (status != SUCCES) return status;
  status = sc.next('C');
  if (status != SUCCES) return scanFailure(sc, status);
  S.GATWRD = sc.WORD;
  if (sc.starts("BASIC")) return basicEvent(sc, MAXBAS, BASCNT, S);
  if (sc.starts("FBOX") || sc.starts("BOX")) return box(sc, BOXSEN, S);
  return gate(sc, MAXINP, S);
}

}  // namespace molvex
