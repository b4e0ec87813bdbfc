// FILES: the unit numbers of the program's files, and the utility settings
// that the line input, word scanner and numeric conversion follow.
#pragma once

namespace molvex {

// Thirteen unit numbers, set by INIFIL to 3, 4, ..., 15 in this order.
inline int BASUNT = 3;   // base of the group; no file
inline int DICUNT = 4;   // component dictionary .DIC
inline int KBDUNT = 5;   // keyboard
inline int SCRUNT = 6;   // screen: messages, prompts, statistics
inline int TXTUNT = 7;   // text description .TXT
inline int FTRUNT = 8;   // fault tree file .FTR
inline int INTUNT = 9;   // Markov chain .INT
inline int UNT10 = 10;
inline int UNT11 = 11;
inline int UNT12 = 12;
inline int UNT13 = 13;
inline int UNT14 = 14;
inline int UNT15 = 15;

// The state tuple file .TUP is written on its own unit, outside the group.
constexpr int TUPUNT = 30;

// Utility settings (INIUTL): word-trace flag, utility input and message
// units, conversion-quiet flag.
inline int UTRACE = 0;
inline int UTLINP = 5;
inline int UTLMSG = 6;
inline int UTQUIE = 0;

void INIFIL();
void INIUTL(int trace, int input, int message, int quiet);

}  // namespace molvex
