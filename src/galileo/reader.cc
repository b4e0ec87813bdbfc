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
  int next(Token& token, DftMessage& error) {
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
        error = {token.at, "the name begun here does not end on its line"};
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

  DftPlace here() const { return {line_, column_}; }

 private:
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
  int skip(DftMessage& error) {
    while (pos_ < text_.size()) {
      if (std::isspace(static_cast<unsigned char>(text_[pos_]))) {
        advance();
      } else if (comment(pos_) && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') advance();
      } else if (comment(pos_)) {
        const DftPlace start = here();
        const std::size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string_view::npos) {
          error = {start, "the comment begun here does not end"};
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
constexpr GateWord gateWords[] = {
    {"and", DftKind::andGate}, {"or", DftKind::orGate},     {"pand", DftKind::pand},
    {"seq", DftKind::seq},     {"fdep", DftKind::fdep},     {"csp", DftKind::spare},
    {"wsp", DftKind::spare},   {"hsp", DftKind::spare},     {"spare", DftKind::spare},
    {"por", DftKind::por},     {"pand-inc", DftKind::pand}, {"pand-excl", DftKind::pand},
};

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

constexpr std::string_view unsupportedAttributes[] = {
    "repair",  "mu",        "cov",       "res",      "phases", "shape",
    "rate",    "mean",      "stddev",    "interval", "dist",   "erlang",
    "weibull", "lognormal", "threshold", "dormancy", "failed", "const"};

class Parser {
 public:
  Parser(DftModel& model, DftMessage& error) : model_(model), error_(error) {}

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
    error_ = {at, std::move(text)};
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
    for (const GateWord& g : gateWords) {
      if (e.word == g.word) {
        e.kind = g.kind;
        return true;
      }
    }
    for (const Unsupported& u : unsupportedGates) {
      if (e.word == u.word) {
        fail(kind.at, "'" + kind.text + "' is " + std::string(u.what));
        return false;
      }
    }
    const std::size_t of = e.word.find("of");
    if (of != std::string::npos && smallNumber(std::string_view(e.word).substr(0, of), e.k) &&
        smallNumber(std::string_view(e.word).substr(of + 2), e.n)) {
      e.kind = DftKind::voting;
      return true;
    }
    if (e.word.rfind("vot", 0) == 0 && smallNumber(std::string_view(e.word).substr(3), e.k)) {
      e.kind = DftKind::voting;
      return true;
    }
    fail(kind.at, "'" + kind.text + "' is not a gate kind");
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
  DftMessage& error_;
  std::map<std::string, int, std::less<>> defined_;  // name -> line of its statement
};

}  // namespace

int readDft(std::string_view text, DftModel& model, DftMessage& error) {
  model = DftModel();
  // Editors of some systems begin a UTF-8 file with a byte order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Lexer lexer(text);
  Parser parser(model, error);
  std::vector<Token> statement;
  Token token;
  for (;;) {
    const int status = lexer.next(token, error);
    if (status < 0) return -1;
    if (status == 0) break;
    if (token.kind != Tok::semi) {
      statement.push_back(std::move(token));
    } else if (!statement.empty()) {
      if (parser.statement(statement) != 1) return -1;
      statement.clear();
    }
  }
  if (!statement.empty()) {
    error = {statement[0].at, "the statement begun here does not end with ';'"};
    return -1;
  }
  if (!model.hasTop) {
    error = {lexer.here(), "no toplevel statement names the top element"};
    return -1;
  }
  return 1;
}

}  // namespace molvex
