// A generated Markov chain read back from the files the generation left: the
// arcs of NAME.INT, the working units of each expanded state from NAME.TUP,
// and the failure and truncation state of each component type from the
// FEIDS and TAIDS lines of NAME.DIC.
//
// State numbers are the generation's own, 1 .. nstates, state 1 the initial
// state; every table indexed by them is 1-based.  A state is expanded (it has
// its line in NAME.TUP and its arcs, possibly none, in NAME.INT), a failure
// state or a truncation aggregation state; the last two have no arcs.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chain/error.h"
#include "stategen/outarc.h"
#include "util/array1.h"

namespace molvex {

enum class StateKind : unsigned char { Expanded, Failure, Truncation };

// One arc line of NAME.INT.
struct Arc {
  int target = 0;       // state number
  int rate = 0;         // the rate name, an index into Chain::rateNames
  int multiplier = 1;   // K of "K*NAME"
  bool marked = false;  // the "*X" suffix: into a failure or truncation state
};

struct Chain {
  std::string model;       // NAME
  int ntrunc = 0;          // the bound of the header "SORTED TRUNC= n", 0 without
  bool cspare = false;     // the header names CSPARE
  int nstates = 0;         // states 1 .. nstates
  int nbasic = 0;          // basic components: working units of an expanded state
  Array1<StateKind> kind;  // 1 .. nstates
  Array1<int> type;        // 1 .. nstates: the type of a failure or truncation state, else 0
  Array1<int> first;       // 1 .. nstates+1: the arcs of s are first(s) .. first(s+1)-1
  Array1<Arc> arcs;        // grouped by source in increasing number, each in file order
  Array1<int> units;       // 1 .. nstates*nbasic: see unitsOf; 0 for unexpanded states
  Array1<int> expansion;   // the expanded states in the order of NAME.TUP
  int ntypes = 0;
  Array1<std::string> typeNames;  // 1 .. ntypes: each type's rate name, blanks cut
  Array1<std::string> dormantNames;  // 1 .. ntypes: its rate while dormant, "" for none
  // 1 .. ntypes: the component's own name, as a report shows it: the
  // description under its entry (a Galileo element's name, without its
  // quotes), or its word where the description is blank.
  Array1<std::string> typeLabels;
  Array1<int> failst;             // 1 .. ntypes: the FEIDS line (0: no failure state)
  Array1<int> trncst;             // 1 .. ntypes: the TAIDS line, all 0 without truncation
  Array1<std::string> rateNames;  // the distinct rate names of the arcs, in the order met

  int narcs() const { return arcs.size(); }
  bool truncated() const { return ntrunc > 0; }
  // The working units of each basic component in state s (nbasic values).
  Span1<const int> unitsOf(int s) const {
    return Span1<const int>(units).slice((s - 1) * nbasic + 1, nbasic);
  }
  // An arc's rate as an expression over the rate names: "K*NAME" or "NAME".
  std::string rateExpression(const Arc& arc) const;
  // The rate text of an arc as NAME.INT writes it, without its ";": the
  // expression, with "*X" when marked.
  std::string rateText(const Arc& arc) const;
};

// The blank-separated words of a line of the chain's files or a rates file.
std::vector<std::string_view> blankWords(std::string_view line);

// A whole word as a decimal integer; false when anything is left over.
bool toInt(std::string_view word, int& value);

// A whole text as a number in any form C++ reads as a double ("1e-3", ".5",
// "0x1p-4", "inf"); false when anything is left over.
bool readDouble(const std::string& text, double& value);

// The entries of a dictionary's text by type number (index 0 unused): each
// type's rate name and its label (see Chain::typeLabels).  The first line
// that begins with a type's number is its entry, "N WORD RATENAME", and the
// line after it its description.
struct DictionaryEntries {
  std::vector<std::string> names;
  std::vector<std::string> labels;
};
DictionaryEntries dictionaryEntries(std::string_view text);

// Runs a routine of the generation on `file` with its messages kept from the
// screen: true where it answers 1, else false with `error` giving them after
// "not WHAT the generation reads:".
bool readsAsGenerationDoes(const std::function<int()>& routine, const std::string& file,
                           const std::string& what, Error& error);

// Why a file cannot be read, as a message says it after the file's name:
// "not found", "is a directory", or what the system says ("permission
// denied").
std::string unreadable(const std::string& file);

// A text of a file or command line in quotes, its trailing blanks cut, as
// the messages about it show it.
std::string quoteText(std::string_view text);

// The chain a generation handed over as it went (ChainSink): what NAME.TUP
// and the arc lines of NAME.INT would hold, without their text.
class CapturedChain : public ChainSink {
 public:
  struct Taken {
    int source;
    int target;
    long long multiplier;
    int type;
    bool dormant;
    bool marked;
  };
  void state(int NUMBER, CIntTab UNITS, int NBASIC) override;
  void arc(int SOURCE, int TARGET, long long MULT, int TYPE, bool DORMANT, bool MARKED) override;
  void total(int NSTATES) override { nstates = NSTATES; }

  int nbasic = 0;
  int nstates = 0;          // 0 until the generation completes
  // Told now and then how many states have been expanded, for a progress line.
  std::function<void(std::size_t)> progress;
  std::vector<int> order;   // expanded states in the order of expansion
  std::vector<int> slots;   // nbasic working units of each, in that order
  std::deque<Taken> arcs;   // in the order generated; readChain takes them out
};

// Reads NAME.INT, NAME.TUP and NAME.DIC from the current directory into
// `chain` and checks that they belong together; with `captured`, the states
// and arcs are those it holds (taken out of it as they are placed, so that
// they are not held twice), NAME.INT gives its header and NAME.TUP
// is not read.  False with `error` naming the file (and the line where there
// is one).
bool readChain(std::string_view model, Chain& chain, Error& error,
               CapturedChain* captured = nullptr);

}  // namespace molvex
