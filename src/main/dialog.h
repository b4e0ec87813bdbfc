// The console dialogue: model name, truncation bound, another model.
#pragma once

#include <string>
#include <string_view>

namespace molvex {

// The length of the model name as the dialogue reads it and FT2MC takes it.
constexpr int MDLLEN = 15;

// An answer as a text of `length` characters, blank-padded or cut: the form
// in which the dialogue hands every answer on, so that a name given another
// way reaches FT2MC as the same text.
std::string answerField(std::string_view answer, int length);

// Runs the dialogue until the user defines no further model, a model fails,
// or the keyboard input ends.  Returns the process exit status: 0 after the
// last model, 1 after a failed model, 3 when the input ended before a model
// was completely defined.
int MOLVEX();

// Reads the model name (15 characters, blank-padded or cut).  Returns 1, or
// -11 when the keyboard input has ended.
int GETMDL(std::string& MODEL, int LENGTH);

// Asks for the truncation bound and generates the model.  Returns 1, the
// status of FT2MC, or -11 when the keyboard input has ended.
int SETFT(const std::string& MODEL, int LENGTH);

// Asks a yes/no question; an empty answer takes DEFAULT.  At the end of the
// keyboard input the answer is the default (NO when there is none).
int YESNO(std::string_view PROMPT, int LENGTH, int DEFAULT);

}  // namespace molvex
