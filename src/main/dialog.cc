#include "main/dialog.h"

#include <algorithm>

#include "main/globals.h"
#include "stategen/ft2mc.h"
#include "util/convrt.h"
#include "util/lineio.h"
#include "util/units.h"

namespace molvex {
namespace {

// Set when the keyboard input ended in the middle of a model's definition;
// the run then ends with its own exit status, whatever the statuses say.
bool keyboardEnded = false;

// Reads one keyboard line as a text of `length` characters, blank-padded or
// cut.  Returns 1, -11 at the end of the input, -1 when it cannot be read.
int readAnswer(int unit, std::string& text, int length) {
  std::string record;
  const int status = readRecord(unit, record);
  text = answerField(status == SUCCES ? record : std::string_view(), length);
  return status;
}

// The keyboard has nothing more to say: a model that is not completely
// defined cannot be generated, and asking again would ask forever.
int inputEnded(std::string_view routine, std::string_view missing) {
  keyboardEnded = true;
  errorLine(SCRUNT, routine, "U502") << "END OF KEYBOARD INPUT, NO " << missing << " GIVEN ****";
  return ENDFIL;
}

void truncationHelp() {
  Line{SCRUNT};
  Line(SCRUNT) << "A positive integer or 0 is required. "
               << "A positive integer will cause Markov chain " << "states to be "
               << "truncated after the specified number of failures have " << "occurred. "
               << "Truncation bounds will be provided.";
}

}  // namespace

std::string answerField(std::string_view answer, int length) {
  std::string text(static_cast<std::size_t>(std::max(length, 0)), ' ');
  std::copy_n(answer.begin(), std::min(answer.size(), text.size()), text.begin());
  return text;
}

int GETMDL(std::string& MODEL, int LENGTH) {
  for (;;) {
    Line(SCRUNT) << "Modelname? ";
    const int status = readAnswer(KBDUNT, MODEL, LENGTH);
    if (status == SUCCES) break;
    if (status == ENDFIL || status == ERRGEN) return inputEnded("GETMDL", "MODEL NAME");
  }
  Line{SCRUNT};
  return SUCCES;
}

int SETFT(const std::string& MODEL, int LENGTH) {
  int NTRUNC = 0;
  for (;;) {
    Line{SCRUNT};
    std::string ANSWER;
    const int status = readAnswer(KBDUNT, ANSWER, 5);
    if (status != SUCCES) return inputEnded("SETFT", "TRUNCATION BOUND");
    double value = 0.0;
    if (CONVRT(ANSWER, value, 5) == 1 && truncateToInt(value) >= 0) {
      NTRUNC = truncateToInt(value);
      break;
    }
    truncationHelp();
  }
  Line{SCRUNT};
  const int VERBOSE = 1;
  const int status = FT2MC(MODEL, LENGTH, NTRUNC, VERBOSE);
  if (status != SUCCES) {
    tracebackLine(SCRUNT, "SETFT") << "ERROR " << status << " RETURNED BY FT2MC()";
    return status;
  }
  return SUCCES;
}

int YESNO(std::string_view PROMPT, int LENGTH, int DEFAULT) {
  const std::string_view prompt = PROMPT.substr(0, static_cast<std::size_t>(std::max(LENGTH, 0)));
  const bool hasDefault = DEFAULT == YES || DEFAULT == NO;
  for (;;) {
    if (prompt.substr(0, 5).find_first_not_of(' ') != std::string_view::npos) {
      const std::string_view tail = DEFAULT == NO    ? " (y/n  default = n ) ?  "
                                    : DEFAULT == YES ? " (y/n  default = y ) ?  "
                                                     : " (y/n) ?  ";
      std::string text = " ";
      text.append(prompt).append(tail);
      writeText(UTLMSG, text);
    }
    std::string answer;
    if (readAnswer(UTLINP, answer, 3) != SUCCES) return hasDefault ? DEFAULT : NO;
    UPCASE(answer, 3);
    if (answer[0] == 'Y') return YES;
    if (answer[0] == 'N') return NO;
    if (answer[0] == ' ' && hasDefault) return DEFAULT;
    Line(UTLMSG) << "Please answer Y or N.";
  }
}

int MOLVEX() {
  keyboardEnded = false;
  for (;;) {
    INITDR();
    INIUTL(0, 5, 6, 0);
    std::string MODEL;
    if (GETMDL(MODEL, MDLLEN) != SUCCES) return 3;
    const int status = SETFT(MODEL, MDLLEN);
    if (status != SUCCES) {
      tracebackLine(SCRUNT, "MOLVEX") << "ERROR " << status << " RETURNED BY SETFT()";
      return keyboardEnded ? 3 : 1;
    }
    if (YESNO("Define another model ", 21, NO) != YES) return 0;
  }
}

}  // namespace molvex
