// ERROR: the status codes every routine returns, and the printing of the
// error, traceback and warning lines.
//
// A routine that detects a failure prints one error line and returns a
// status; every caller that receives a failure prints one traceback line
// naming itself and the callee and returns the same status.  The lines are
// made here only, so that their form cannot drift between routines.
#pragma once

#include <string_view>

#include "util/array1.h"
#include "util/units.h"

namespace molvex {

inline int SUCCES = 1;   // success
inline int CVTERR = 0;   // numeric conversion failed
inline int ERRGEN = -1;  // error, after the routine's own message
inline int ENDFIL = -11; // end of file
inline int ENDLIN = -10; // no more words on the line
inline int UNUSD2 = -2;
inline int UNUSD3 = -3;
inline int QBOUND = -4;  // queue array bounds exceeded
inline int QOVFLO = -5;  // queue overflow
inline int QUNDFL = -6;  // queue underflow
inline int STKOVF = -7;  // stack overflow; pool bounds exceeded when linking
inline int STKUNF = -8;  // stack underflow
inline int NOTFND = -15; // not found

void INIERR();

// " **** ROUTINE: ERROR CODE - " on a new line of `unit`; the caller adds
// the text.  `gap` is the number of blanks after the colon (a few messages
// have two).
Line errorLine(int unit, std::string_view routine, std::string_view code, int gap = 1);

// " **** ROUTINE: TRACEBACK - " on a new line; the caller adds the rest.
Line tracebackLine(int unit, std::string_view routine, int gap = 1);

// The whole common traceback line:
// " **** ROUTINE: TRACEBACK - ERROR status RETURNED BY CALLEE()" + tail.
void traceback(int unit, std::string_view routine, int status, std::string_view callee,
               std::string_view tail = "");

// The second line of a traceback that names the state being processed: 25
// blanks, "PROCESSING STATE " and slots 1..n of STATE.
void processingLine(int unit, CIntTab STATE, int n);

// " ++++ ROUTINE: WARNING CODE - " on a new line; the caller adds the text.
Line warningLine(int unit, std::string_view routine, std::string_view code);

}  // namespace molvex
