// Galileo dynamic fault trees (.dft), the text format the DFT tools of the
// field exchange, read and turned into MOLVEX's own files: the text
// description NAME.TXT, the dictionary NAME.DIC and the rates file NAME.RAT.
//
// Reading and translating are apart so that every refusal names the place
// in the .dft file where the user can mend it.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "chain/combine.h"
#include "chain/error.h"

namespace molvex {

// A place in the .dft text, 1-based.
struct DftPlace {
  int line = 1;
  int column = 1;
};

// What the reader and the translation say about a place of the text; the
// caller, which knows the file, names it.
inline Error dftError(DftPlace at, std::string text) {
  return {"", at.line, at.column, std::move(text)};
}

enum class DftKind { basic, andGate, orGate, voting, pand, por, seq, fdep, pdep, spare };

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
  // prob=p of a basic event: failed from the start with probability p;
  // pdep=p: the dependency acts with probability p.
  bool hasProb = false;
  double prob = 0.0;
  // Identical basic events folded into this one (foldIdentical): its units.
  int units = 1;
};

struct DftModel {
  std::vector<DftInput> params;  // the parameters declared, in order
  std::string start;             // the basic event whose failure starts a drawn model (drawnModel)
  bool hasTop = false;
  std::string top;
  DftPlace topAt;
  std::vector<DftElement> elements;  // in the order of their statements
  // The reader's warnings, on the model as written: elements that nothing
  // under the toplevel uses.  Its translations (drawnModel's copies too)
  // pass them on.
  std::vector<Error> warnings;
};

// Reads the statements of a .dft text.  True, or false with `error` at the
// first statement that is not Galileo or asks for what no MOLVEX chain can
// express (probabilities, repair, other distributions).
bool readDft(std::string_view text, DftModel& model, Error& error);

struct DftFiles {
  std::string txt;
  std::string dic;
  std::string rat;
  std::string startRate;  // the rate name of the model's start, "" without
  std::map<std::string, std::string> parameterRates;  // a parameter -> its rate name
  std::map<std::string, int> eventTypes;              // a basic event -> its component type
  // A basic event -> its rate names: its own, then its dormant one if other.
  std::map<std::string, std::vector<std::string>> eventRates;
  // The model's own (DftModel::warnings), then those where the field's
  // tools disagree: the meaning taken.
  std::vector<Error> warnings;
};

// A chance that a model leaves to a draw: a basic event failed from the
// start (prob=) or a dependency that acts (pdep=), with its probability.
// Each is drawn once and on its own: a dependency's draw can as well be made
// at the start as when its trigger fails, since nothing else depends on it.
struct DftDraw {
  int element = 0;  // in model.elements
  double p = 0.0;
};

// The draws of a model, in the order of its statements.
std::vector<DftDraw> dftDraws(const DftModel& model);

// The model for one outcome of its draws (bit i of `outcome` for draw i):
// every event with prob= fails only when forced; a basic event `start`,
// added last, forces down those drawn failed; a pdep that acts is an fdep,
// one that does not is gone.  The chain of `out` is then the model's for
// that outcome from the state that the failure of `start` reaches.
// `weight` := the outcome's probability.
void drawnModel(const DftModel& model, const std::vector<DftDraw>& draws, unsigned long outcome,
                DftModel& out, double& weight);

// The three files that make the generation give the chain the model means.
// `source` names the .dft file in the rates file's heading.  True, or false
// with `error` at the element MOLVEX cannot represent.  Without
// `limits` a model beyond the sizes of one chain passes (its parts may
// not be).
bool translateDft(const DftModel& model, std::string_view source, DftFiles& files, Error& error,
                  bool limits = true);

// Basic events that the gate above them cannot tell apart -- the same rate
// and dormancy, inputs of the same AND, OR or voting gate and of nothing
// else -- are one basic event of as many units: the gate then counts its
// failed units as it counted them.  A fold names the gate and the events,
// the first of them the one that stays.
struct DftFold {
  std::string gate;
  std::vector<std::string> events;
};

// Folds the identical basic events of a model that translates.  With
// `named`, events whose rates are not parameters are told apart by their
// names as well, as a rate may be set by the name made from the event's.
std::vector<DftFold> foldIdentical(DftModel& model, bool named = false);

// A model split at its static gates (and, or, voting) into parts that share
// nothing with each other -- no event, dependency or spare -- each a model of
// its own that one chain solves.  A gate whose inputs are tied together is
// a part with them.
struct DftModules {
  StaticTree tree;              // node 0 the top; a part node's `part` indexes `parts`
  std::vector<DftModel> parts;  // each with its own toplevel
  // Per part: the first part that is the same model up to names (itself
  // when none before it is).
  std::vector<int> same;
};

// The model with its names replaced by numbers in the order a walk down
// from its top meets them (the elements below none after, in the order of
// their statements), and the order of its statements, which decides the
// order in which dependencies act: two models of the same shape are one
// model up to names.  With `named` the events keep the names their rates
// may be set by.
std::string dftShape(const DftModel& model, bool named);

// The names of a model's elements in the order of its shape: element i of
// two models of one shape stand in the same place.
std::vector<std::string> dftShapeOrder(const DftModel& model);

// A model whose top is a static gate over parts that are the same up to
// names and share nothing but basic events that trigger dependencies into
// several of them (the shared events, which nothing else reads): each part
// as a model of its own with the shared events and the dependencies
// restricted to its events, the shared ones in the same places in each.
// Given the shared events' failures the parts fail independently: one
// part's chain gives the whole's (productChain).
struct DftSharing {
  StaticNode::Kind kind = StaticNode::Kind::orGate;
  int k = 0;                        // a voting gate's threshold
  std::vector<DftModel> parts;      // the same shape, in the order of the gate's inputs
  std::vector<std::string> shared;  // the shared events
};

// Whether the model (one that translates and splits into no independent
// parts) is such a gate over such parts, into `out`.
bool dftSharing(const DftModel& model, bool named, DftSharing& out);

// The parts of a model that translates.  A model that does not split is one
// part: itself.  With `named`, parts are the same only where their events
// have the same names or parameters (see foldIdentical).
DftModules dftModules(const DftModel& model, bool named = false);

}  // namespace molvex
