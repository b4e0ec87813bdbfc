// Galileo dynamic fault trees (.dft), the text format the DFT tools of the
// field exchange, read and turned into MOLVEX's own files: the text
// description NAME.TXT, the dictionary NAME.DIC and the rates file NAME.RAT.
//
// Reading and translating are apart so that every refusal names the place
// in the .dft file where the user can mend it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace molvex {

// A place in the .dft text, 1-based.
struct DftPlace {
  int line = 1;
  int column = 1;
};

struct DftMessage {
  DftPlace at;
  std::string text;
};

enum class DftKind { basic, andGate, orGate, voting, pand, por, seq, fdep, spare };

struct DftInput {
  std::string name;
  DftPlace at;
};

struct DftElement {
  std::string name;
  DftPlace at;
  DftKind kind = DftKind::basic;
  std::string word;  // the gate kind as written: "csp", "2of3", ...
  int k = 0;         // a voting gate's threshold
  int n = 0;         // and its n as written ("2of3"), 0 for "vot2"
  std::vector<DftInput> inputs;
  // A basic event's attributes, the rate as written and as read (a
  // parameter's name, and NaN, for a rate given by a parameter).
  std::string lambda;
  double rate = 0.0;
  bool parametric = false;
  bool hasDorm = false;
  double dorm = 1.0;
  DftPlace dormAt;
};

struct DftModel {
  std::vector<DftInput> params;  // the parameters declared, in order
  bool hasTop = false;
  std::string top;
  DftPlace topAt;
  std::vector<DftElement> elements;  // in the order of their statements
};

// Reads the statements of a .dft text.  Returns 1, or -1 with `error` at the
// first statement that is not Galileo or asks for what no MOLVEX chain can
// express (probabilities, repair, other distributions).
int readDft(std::string_view text, DftModel& model, DftMessage& error);

struct DftFiles {
  std::string txt;
  std::string dic;
  std::string rat;
  std::vector<DftMessage> warnings;  // where MOLVEX's meaning differs from other tools'
};

// The three files that make the generation give the chain the model means.
// `source` names the .dft file in the rates file's heading.  Returns 1, or
// -1 with `error` at the element MOLVEX cannot represent.
int translateDft(const DftModel& model, std::string_view source, DftFiles& files,
                 DftMessage& error);

}  // namespace molvex
