#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

#include "chain/chain.h"
#include "galileo/galileo.h"

namespace molvex {
namespace {

enum class Tok { word, string, semi, equals };

struct Token {
  Tok kind;
  std::string text;
  DftPlace at;
  DftPlace end;  // just after its last character
};

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Splits the text into words, quoted names, ';' and '=', dropping blanks and
// comments.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // Returns 1 with the next token, 0 at the end, -1 with `error`.
  int next(Token& token, Error& error) {
    const int status = scan(token, error);
    token.end = here();
    return status;
  }

  DftPlace here() const { return {line_, column_}; }

 private:
  int scan(Token& token, Error& error) {
    if (skip(error) != 1) return -1;
    if (pos_ >= text_.size()) return 0;
    token.at = here();
    const char c = text_[pos_];
    if (c == ';' || c == '=') {
      token.kind = c == ';' ? Tok::semi : Tok::equals;
      token.text.assign(1, c);
      advance();
      return 1;
    }
    if (c == '"') {
      advance();
      const std::size_t start = pos_;
      while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n') advance();
      if (pos_ >= text_.size() || text_[pos_] != '"') {
        error = dftError(token.at, "the name begun here does not end on its line");
        return -1;
      }
      token.kind = Tok::string;
      token.text.assign(text_.substr(start, pos_ - start));
      advance();
      return 1;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !separator(pos_)) advance();
    token.kind = Tok::word;
    token.text.assign(text_.substr(start, pos_ - start));
    return 1;
  }

  bool comment(std::size_t p) const {
    return text_[p] == '/' && p + 1 < text_.size() && (text_[p + 1] == '/' || text_[p + 1] == '*');
  }
  bool separator(std::size_t p) const {
    const unsigned char c = static_cast<unsigned char>(text_[p]);
    return std::isspace(c) || c == ';' || c == '=' || c == '"' || comment(p);
  }
  void advance() {
    if (text_[pos_] == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
    ++pos_;
  }
  int skip(Error& error) {
    while (pos_ < text_.size()) {
      if (std::isspace(static_cast<unsigned char>(text_[pos_]))) {
        advance();
      } else if (comment(pos_) && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') advance();
      } else if (comment(pos_)) {
        const DftPlace start = here();
        const std::size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) {
          error = dftError(start, "the comment begun here does not end");
          return -1;
        }
        while (pos_ < end + 2) advance();
      } else {
        break;
      }
    }
    return 1;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int column_ = 1;
};

bool isName(const Token& t) { return t.kind == Tok::word || t.kind == Tok::string; }

std::string shown(const Token& t) {
  return t.kind == Tok::string ? "\"" + t.text + "\"" : "'" + t.text + "'";
}

// A whole word of digits as a number of at most 9 digits.
bool smallNumber(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Decimal and scientific forms only: a .dft rate is never hexadecimal or
// "inf".
bool decimal(const std::string& text, double& value) {
  const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' ||
           c == '+' || c == '-';
  });
  return plain && readDouble(text, value) && std::isfinite(value);
}

bool probability(const std::string& text, double& value) {
  return decimal(text, value) && value >= 0.0 && value <= 1.0;
}

bool startsNumber(const std::string& text) {
  return !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.' ||
                           text[0] == '+' || text[0] == '-');
}

struct GateWord {
  std::string_view word;
  DftKind kind;
};
// In the order a message lists them.
constexpr GateWord gateWords[] = {
    {"and", DftKind::andGate},   {"or", DftKind::orGate},      {"pand", DftKind::pand},
    {"pand-inc", DftKind::pand}, {"pand-excl", DftKind::pand}, {"por", DftKind::por},
    {"seq", DftKind::seq},       {"fdep", DftKind::fdep},      {"csp", DftKind::spare},
    {"wsp", DftKind::spare},     {"hsp", DftKind::spare},      {"spare", DftKind::spare},
};

// The kind a gate word (in lower case) reads as, with a voting gate's
// threshold and n; false for a word that is no gate kind MOLVEX reads.
bool readKind(std::string_view word, DftElement& e) {
  for (const GateWord& g : gateWords) {
    if (word == g.word) {
      e.kind = g.kind;
      return true;
    }
  }
  const std::size_t of = word.find("of");
  const bool voting = (of != std::string_view::npos && smallNumber(word.substr(0, of), e.k) &&
                       smallNumber(word.substr(of + 2), e.n)) ||
                      (word.rfind("vot", 0) == 0 && smallNumber(word.substr(3), e.k));
  if (voting) e.kind = DftKind::voting;
  return voting;
}

std::string knownKinds() {
  std::string out;
  for (const GateWord& g : gateWords) out += std::string(g.word) + ", ";
  return out + "KofN (as 2of3), votK (as vot2) and pdep=P";
}

// Galileo gates that no MOLVEX chain expresses, with the reason.
struct Unsupported {
  std::string_view word;
  std::string_view what;
};
constexpr Unsupported unsupportedGates[] = {
    {"mutex",
     "a mutual exclusion, which forbids a failure for good: MOLVEX's gates hold a failure "
     "back only until another one has come (seq, spare gates)"},
    {"not",
     "a NOT gate, which fails while its input works: a MOLVEX chain only ever moves towards "
     "failure"},
    {"xor",
     "an XOR gate, which works again once both inputs have failed: a MOLVEX chain only ever "
     "moves towards failure"},
};

const Unsupported* unsupportedGate(std::string_view word) {
  for (const Unsupported& u : unsupportedGates) {
    if (word == u.word) return &u;
  }
  return nullptr;
}

bool isGateWord(const Token& t) {
  DftElement scratch;
  const std::string word = lower(t.text);
  return t.kind == Tok::word && (readKind(word, scratch) || unsupportedGate(word) != nullptr);
}

bool isKeyword(const Token& t) {
  const std::string word = lower(t.text);
  return t.kind == Tok::word && (word == "toplevel" || word == "param");
}

// Whether the tokens from s[i] on read as the start of a statement: a
// keyword and a name, or a name and a gate kind or an attribute (NAME=).
bool beginsStatement(const std::vector<Token>& s, std::size_t i) {
  if (i + 1 >= s.size()) return false;
  if (isKeyword(s[i])) return isName(s[i + 1]);
  const bool attribute =
      i + 2 < s.size() && s[i + 1].kind == Tok::word && s[i + 2].kind == Tok::equals;
  return isName(s[i]) && (isGateWord(s[i + 1]) || attribute);
}

// Where a statement runs on into the next one because its ';' is missing:
// the first token that begins a line and reads as a statement's start (a
// value after '=' never does), or 0.  A statement that goes on over
// several lines has no such token.
std::size_t runsOnAt(const std::vector<Token>& s) {
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i].at.line > s[i - 1].end.line && s[i - 1].kind != Tok::equals && beginsStatement(s, i)) {
      return i;
    }
  }
  return 0;
}

Error missingSemicolon(const Token& last, const std::string& where) {
  return dftError(last.end, "missing ';' after " + shown(last) + where);
}

constexpr std::string_view unsupportedAttributes[] = {
    "repair",  "mu",        "cov",       "res",      "phases", "shape",
    "rate",    "mean",      "stddev",    "interval", "dist",   "erlang",
    "weibull", "lognormal", "threshold", "dormancy", "failed", "const"};

class Parser {
 public:
  Parser(DftModel& model, Error& error) : model_(model), error_(error) {}

  int statement(const std::vector<Token>& s) {
    const Token& head = s[0];
    if (head.kind == Tok::word && lower(head.text) == "toplevel") return toplevel(s);
    if (head.kind == Tok::word && lower(head.text) == "param") return param(s);
    if (!isName(head)) return fail(head.at, "a statement begins with a name, not " + shown(head));
    if (head.text.empty()) return fail(head.at, "an element needs a name that is not empty");
    const auto known = defined_.find(head.text);
    if (known != defined_.end()) {
      return fail(head.at, shown(head) + " is defined twice (first on line " +
                               std::to_string(known->second) + ")");
    }
    defined_.emplace(head.text, head.at.line);
    DftElement e;
    e.name = head.text;
    e.at = head.at;
    if (s.size() >= 3 && s[1].kind == Tok::word && s[2].kind == Tok::equals &&
        lower(s[1].text) != "pdep") {
      if (basicEvent(s, e) != 1) return -1;
    } else if (gate(s, e) != 1) {
      return -1;
    }
    model_.elements.push_back(std::move(e));
    return 1;
  }

 private:
  int fail(DftPlace at, std::string text) {
    error_ = dftError(at, std::move(text));
    return -1;
  }

  // "param x y;": names that rates may be given as, their values later.
  int param(const std::vector<Token>& s) {
    if (s.size() < 2) return fail(s[0].at, "param names one or more parameters: param x;");
    for (std::size_t i = 1; i < s.size(); ++i) {
      if (!isName(s[i])) return fail(s[i].at, "a parameter is a name, not " + shown(s[i]));
      model_.params.push_back({s[i].text, s[i].at});
    }
    return 1;
  }

  int toplevel(const std::vector<Token>& s) {
    if (s.size() != 2 || !isName(s[1])) {
      return fail(s[0].at, "toplevel takes one name: toplevel \"NAME\";");
    }
    if (model_.hasTop) {
      return fail(s[0].at, "a second toplevel (the first is on line " +
                               std::to_string(model_.topAt.line) + ")");
    }
    model_.hasTop = true;
    model_.top = s[1].text;
    model_.topAt = s[1].at;
    return 1;
  }

  int gate(const std::vector<Token>& s, DftElement& e) {
    if (s.size() < 2 || s[1].kind != Tok::word) {
      return fail(s[0].at, shown(s[0]) + " needs a gate kind or attributes such as lambda=");
    }
    const Token& kind = s[1];
    e.word = lower(kind.text);
    std::size_t first = 2;
    if (e.word == "pdep") {
      // "G" pdep=P TRIGGER DEPENDENT...;
      if (s.size() < 4 || s[2].kind != Tok::equals || s[3].kind != Tok::word ||
          !probability(s[3].text, e.prob)) {
        return fail(kind.at, "pdep takes a probability from 0 to 1: pdep=0.3");
      }
      e.kind = DftKind::pdep;
      e.hasProb = true;
      first = 4;
    } else if (!gateKind(kind, e)) {
      return -1;
    }
    for (std::size_t i = first; i < s.size(); ++i) {
      if (!isName(s[i])) {
        return fail(s[i].at, "an input of " + shown(s[0]) + " is a name, not " + shown(s[i]));
      }
      e.inputs.push_back({s[i].text, s[i].at});
    }
    if (e.inputs.empty()) return fail(s[0].at, shown(s[0]) + " has no inputs");
    return 1;
  }

  bool gateKind(const Token& kind, DftElement& e) {
    if (readKind(e.word, e)) return true;
    const Unsupported* unsupported = unsupportedGate(e.word);
    fail(kind.at, "'" + kind.text + "' is " +
                      (unsupported != nullptr ? std::string(unsupported->what)
                                              : "not a gate kind; the kinds are " + knownKinds()));
    return false;
  }

  int basicEvent(const std::vector<Token>& s, DftElement& e) {
    bool hasLambda = false;
    for (std::size_t i = 1; i < s.size(); i += 3) {
      const Token& name = s[i];
      if (name.kind != Tok::word || i + 2 >= s.size() || s[i + 1].kind != Tok::equals ||
          s[i + 2].kind != Tok::word) {
        return fail(name.at, "an attribute of " + shown(s[0]) + " is NAME=VALUE");
      }
      const std::string attribute = lower(name.text);
      const Token& value = s[i + 2];
      double number = 0.0;
      if (attribute == "lambda") {
        if (hasLambda) return fail(name.at, "lambda is given twice");
        hasLambda = true;
        e.lambda = value.text;
        // Anything but a number names a parameter, the translation checks which.
        if (!startsNumber(value.text)) {
          e.parametric = true;
          e.rate = std::nan("");
          continue;
        }
        if (!decimal(value.text, number) || number < 0.0) {
          return fail(value.at, "lambda of " + shown(s[0]) +
                                    " must be a number of 0 or more, not " + shown(value));
        }
        // Every figure divides by the rates; 0 is a unit that fails only
        // when a dependency forces it down.
        if (number > 0.0 && !std::isfinite(1.0 / number)) {
          return fail(value.at, "lambda of " + shown(s[0]) +
                                    " is too small for a mean time: " + shown(value));
        }
        e.rate = number;
      } else if (attribute == "dorm") {
        if (e.hasDorm) return fail(name.at, "dorm is given twice");
        if (!probability(value.text, number)) {
          return fail(value.at, "dorm of " + shown(s[0]) + " must be a number from 0 to 1, not " +
                                    shown(value));
        }
        e.hasDorm = true;
        e.dorm = number;
      } else if (attribute == "prob") {
        if (e.hasProb) return fail(name.at, "prob is given twice");
        if (!probability(value.text, e.prob)) {
          return fail(value.at, "prob of " + shown(s[0]) + " must be a number from 0 to 1, not " +
                                    shown(value));
        }
        e.hasProb = true;
      } else if (std::find(std::begin(unsupportedAttributes), std::end(unsupportedAttributes),
                           attribute) != std::end(unsupportedAttributes)) {
        return fail(name.at, "'" + name.text + "' of " + shown(s[0]) +
                                 " cannot be expressed in a MOLVEX chain, which knows failure "
                                 "rates (lambda=) and dormancy factors (dorm=) only");
      } else {
        return fail(name.at, "'" + name.text + "' is not an attribute of a basic event");
      }
    }
    // An event failed from the start never fails later by itself.
    if (hasLambda == e.hasProb) {
      return fail(s[0].at, shown(s[0]) + (hasLambda ? " has both lambda= and prob=: give one"
                                                    : " has no failure rate (lambda=) or "
                                                      "probability (prob=)"));
    }
    return 1;
  }

  DftModel& model_;
  Error& error_;
  std::map<std::string, int, std::less<>> defined_;  // name -> line of its statement
};

// Returns 1, or -1 with `error` where the statement ran on into the next
// one for want of a ';'.
int ended(const std::vector<Token>& s, Error& error) {
  const std::size_t next = runsOnAt(s);
  if (next == 0) return 1;
  error = missingSemicolon(
      s[next - 1], ", before the statement that begins on line " + std::to_string(s[next].at.line));
  return -1;
}

// A dependency, a sequence and a spare gate act on the inputs after their
// first (forcing them down, holding them back, taking them as spares): one
// acting on an element that the toplevel uses is used too, as is what it
// takes as an input.
bool actsOnLaterInputs(DftKind kind) {
  return kind == DftKind::fdep || kind == DftKind::pdep || kind == DftKind::seq ||
         kind == DftKind::spare;
}

// Per element, whether the toplevel's failure may depend on it.
std::vector<char> usedElements(const DftModel& model) {
  std::map<std::string_view, std::size_t> index;
  for (std::size_t i = 0; i < model.elements.size(); ++i) index.emplace(model.elements[i].name, i);
  std::vector<std::vector<std::size_t>> actedOnBy(model.elements.size());
  for (std::size_t g = 0; g < model.elements.size(); ++g) {
    const DftElement& e = model.elements[g];
    if (!actsOnLaterInputs(e.kind)) continue;
    for (std::size_t j = 1; j < e.inputs.size(); ++j) {
      const auto input = index.find(e.inputs[j].name);
      if (input != index.end()) actedOnBy[input->second].push_back(g);
    }
  }
  std::vector<char> used(model.elements.size(), 0);
  std::vector<std::string_view> walk = {model.top};
  while (!walk.empty()) {
    const auto at = index.find(walk.back());
    walk.pop_back();
    // An undefined name is refused by the translation.
    if (at == index.end() || used[at->second]) continue;
    used[at->second] = 1;
    for (const DftInput& input : model.elements[at->second].inputs) walk.push_back(input.name);
    for (std::size_t g : actedOnBy[at->second]) walk.push_back(model.elements[g].name);
  }
  return used;
}

// A warning for each element that nothing under the toplevel uses: most
// often one left out of the tree by mistake.
std::vector<Error> unusedElements(const DftModel& model) {
  const std::vector<char> used = usedElements(model);
  std::vector<Error> out;
  for (std::size_t i = 0; i < model.elements.size(); ++i) {
    const DftElement& e = model.elements[i];
    if (used[i]) continue;
    out.push_back(dftError(e.at, "nothing under the toplevel \"" + model.top + "\" uses the " +
                                     (e.kind == DftKind::basic ? "basic event" : "gate") + " \"" +
                                     e.name + "\": it has no part in the figures"));
  }
  return out;
}

}  // namespace

bool readDft(std::string_view text, DftModel& model, Error& error) {
  model = DftModel();
  // Editors of some systems begin a UTF-8 file with a byte order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Lexer lexer(text);
  Parser parser(model, error);
  std::vector<Token> statement;
  Token token;
  for (;;) {
    const int status = lexer.next(token, error);
    if (status < 0) return false;
    if (status == 0) break;
    if (token.kind != Tok::semi) {
      statement.push_back(std::move(token));
    } else if (!statement.empty()) {
      if (ended(statement, error) != 1 || parser.statement(statement) != 1) return false;
      statement.clear();
    }
  }
  if (!statement.empty()) {
    if (ended(statement, error) == 1) {
      error = missingSemicolon(statement.back(), " at the end of the file");
    }
    return false;
  }
  if (!model.hasTop) {
    error = dftError(lexer.here(), "no toplevel statement names the top element");
    return false;
  }
  model.warnings = unusedElements(model);
  return true;
}

}  // namespace molvex
