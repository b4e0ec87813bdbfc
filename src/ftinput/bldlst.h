// The fault tree build: three passes over the fault tree file (.FTR) fill the
// place table and its companions (fttabs.h); then the cold spare gates that
// share spares are put first and every basic component gets the list of the
// cold spare gates that use it.
//
// The file is a drawing: node lines "N x y type [label]" and, behind each
// node line, the arc lines "A sx sy dx dy" of its inputs.  An arc may name a
// node further down the file, so pass 1 first lists every node's coordinates
// in the index list; pass 2 builds the places and stores each input as the
// index list position of its source; pass 3 turns those positions into place
// offsets and checks the structural rules.
//
// Every routine that fails has printed its message and returns its status;
// the tables are then partly built and must not be used.
#pragma once

#include <string>
#include <string_view>

#include "ftinput/fttabs.h"
#include "util/array1.h"
#include "util/pool.h"
#include "util/units.h"

namespace molvex {

// The whole build, for the file FILNAM (20 characters, blank-padded):
// PASS1, PASS2, PASS3, SRTCSP, MKPRNT.  Returns the status of the first step
// that fails, else 1.  Prints nothing itself.
int BLDLST(std::string_view FILNAM, IntTab INDLST, FaultTree& FT, NodePool& POOL2, int NODLIM,
           int BASLIM);

// Lists the coordinates of every node line in INDLST, place offsets 0, and
// requires exactly one system-failure box.  Only words 1..3*NODLIM+1 of the
// index list are cleared beforehand.
int PASS1(std::string_view FILNAM, IntTab INDLST, int NODLIM);

// Builds the place records, the gate lists (at most NODLIM gates of a kind),
// BASTYP, BASE and NBASIC (at most BASLIM basic events), and records each
// place offset in INDLST.  Input list entries hold index list positions.
int PASS2(std::string_view FILNAM, IntTab INDLST, FaultTree& FT, int NODLIM, int BASLIM);

// Resolves the input lists to place offsets, sets HDFREE, checks the M/N,
// FDEP, PAND, cold spare and sequence gates, and sets FSHARE and NSHCSP.
int PASS3(IntTab INDLST, FaultTree& FT);

// The index list entry with coordinates (X, Y): FUNCT 0 gives its place
// offset in PLACE, FUNCT 1 stores PLACE in it.  POSITN is the entry's word
// position (-1 when not found).  Returns 1, -1 after F713 (bad FUNCT), or -15
// after F714 (no such entry).
int LOOKUP(IntTab INDLST, int X, int Y, int& PLACE, int FUNCT, int& POSITN);

// Puts the cold spare gates that share a spare first in CSPTAB, keeping the
// order within each group.
void SRTCSP(FaultTree& FT);

// Gives each sharing cold spare gate its block of shared-spare slots (FSPBAS,
// NSPSLT) and builds CSPRNT from nodes of POOL2.  Returns 1 or the pool's
// status after a traceback line.
int MKPRNT(NodePool& POOL2, FaultTree& FT);

// What the passes share.
namespace ftr {

constexpr int NCOLS = 80;   // columns of a line that are scanned
constexpr int WRDLEN = 20;  // characters of a word that are kept

// The index list: word 1 counts the entries; entry i is the three words x,
// y, place offset from position entryPos(i) on.
inline int entryPos(int i) { return 3 * (i - 1) + 2; }

// The entries that the count claims and the list can hold.
inline int entryCount(CIntTab INDLST) {
  const int fit = (INDLST.size() - 1) / 3;
  return INDLST(1) < fit ? INDLST(1) : fit;
}

// Position of the first entry with coordinates (x, y), or -1.
int findEntry(CIntTab INDLST, int x, int y);

// Coordinates as the messages print them: "(   x,   y)".
struct Coords {
  int x;
  int y;
};
inline Line& operator<<(Line& line, Coords c) {
  return line << "(" << Fixed{c.x, 4} << "," << Fixed{c.y, 4} << ")";
}

// The name and message numbers under which a pass reports lines it cannot
// read.
struct Codes {
  std::string_view routine;
  std::string_view parse;    // a word missing or malformed
  std::string_view tooLong;  // a first word of more than one character
};

// The fault tree file on FTRUNT as a pass reads it: line by line, each line
// cut to its first 80 columns (the rest is ignored, not an error), then word
// by word.  Every failure has been reported when it returns.
class Reader {
 public:
  explicit Reader(Codes codes) : codes_(codes) {}

  // The next line and its kind, its one-character first word.  Returns 1,
  // -11 after the last line, or -1.
  int next(char& kind);
  // The next word as an integer; false after the parse error.
  bool readNumber(int& value);
  // The next word as a text (word(), length()); false after the parse error.
  bool readText();

  const std::string& word() const { return word_; }  // WRDLEN characters
  int length() const { return len_; }                // all of the word's characters
  // Writes the line on a line of its own.
  void echo() const;

 private:
  bool scan(char mode);
  void parseError() const;

  Codes codes_;
  std::string line_ = std::string(NCOLS, ' ');
  std::string word_ = std::string(WRDLEN, ' ');
  int start_ = 1;
  int len_ = 0;
  int ival_ = -1;
};

}  // namespace ftr
}  // namespace molvex
