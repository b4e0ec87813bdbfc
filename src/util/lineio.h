// Line input and word scanning for the text files (fault tree file, text
// description, dictionary) and the dialogue.
//
// Texts are fixed-length: a buffer's size on entry is its declared length,
// and no routine here changes it.  Columns are 1-based.  Column counts that
// reach beyond a text stop at its end, so no argument can make a routine
// read or write outside the text.
#pragma once

#include <string>
#include <string_view>

namespace molvex {

// Reads one record of UNIT into LINE: LINE is filled with blanks, the record
// copied over its start, and characters beyond LINE.size() are dropped.
// Returns 1; -11 at end of file (silently, LINE blank); -1 after U501 (read
// error) or U500 (text in columns MAXLEN+1..LINLEN; LINE keeps the record),
// both on SCRUNT.
int GETLIN(std::string& LINE, int MAXLEN, int LINLEN, int UNIT);

// Takes the next blank-separated word of LINE(START..LAST).  WORD keeps its
// first WORD.size() characters, LEN counts them all.  TYPE: N (a number is
// required), C (a text word) or U (N or C on return, as the word looks);
// lower case is accepted.  A number is converted from all LEN characters into
// DVAL and truncated into IVAL; otherwise both stay -1.
// Returns 1 with START after the word; -10 when no word is left (START past
// the blanks); -1 after U801, U802 or a failed conversion, with START at the
// word.  Messages and trace lines (UTRACE != 0) go to UTLMSG.
int NXTWRD(const std::string& LINE, int& START, int LAST, char& TYPE, int& LEN,
           std::string& WORD, int& IVAL, double& DVAL);

// Replaces, in STR(1..N), every FROM(j) by TO(j) for j = 1..M in order; a
// later pair acts on what an earlier one produced.
void TRNCHR(std::string& STR, int N, std::string_view FROM, int M, std::string_view TO);

// Turns the lower-case letters of STR(1..N) into capitals.
void UPCASE(std::string& STR, int N);

// Finds the first word in STR(FIRST..LAST): FIRST becomes its first column,
// LAST the column of the blank that ends it, or the end of the stretch when
// the word reaches it (a stretch beyond the text ends at its last column).
// An all-blank stretch leaves FIRST and sets LAST = FIRST.
void FNDWRD(std::string_view STR, int& FIRST, int& LAST);

// The absolute value; the most negative int, whose absolute value has no int,
// gives the largest int.
int IABSV(int I);

}  // namespace molvex
