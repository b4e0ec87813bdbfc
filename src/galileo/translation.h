// The steps of translateDft, in the order it takes them: the names resolved
// (net.cc); what MOLVEX cannot represent refused, in the model as given
// (check.cc) and around its spare modules (spares.cc, dormancy.cc); the
// sentences numbered within the limits of the build (place.cc); the order of
// failures within one transition checked (ties.cc); the three files written
// (emit.cc).  Each step reads what the steps before it found, and the first
// refusal ends the translation: a step returns 1, or -1 from Report::fail.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "galileo/galileo.h"

namespace molvex::dft {

// A name as the messages show it.
std::string quoted(const std::string& name);

// Where the steps tell the user what they found: the refusal that ends the
// translation, and the warnings, which do not.
class Report {
 public:
  Report(Error& error, std::vector<Error>& warnings) : error_(error), warnings_(warnings) {}
  // Returns -1, for the step to return in turn.
  int fail(DftPlace at, std::string text) {
    error_ = dftError(at, std::move(text));
    return -1;
  }
  void warn(DftPlace at, std::string text) { warnings_.push_back(dftError(at, std::move(text))); }

 private:
  Error& error_;
  std::vector<Error>& warnings_;
};

// The model with every name resolved: inputs as element indices.  The
// elements as given come first; the units of the spare modules and the
// dependencies that force them down follow (formModules).
struct Net {
  DftModel model;
  std::vector<std::vector<int>> in;  // the inputs of each element
  int top = 0;
  int given = 0;  // elements of the model as given

  const DftElement& el(int i) const { return model.elements[static_cast<std::size_t>(i)]; }
  int count() const { return static_cast<int>(model.elements.size()); }
  const std::vector<int>& inputs(int i) const { return in[static_cast<std::size_t>(i)]; }
  bool isBasic(int i) const { return el(i).kind == DftKind::basic; }
  bool isDependency(int i) const { return el(i).kind == DftKind::fdep; }
  bool isSpareGate(int i) const { return el(i).kind == DftKind::spare; }
  // The basic event that the spare gates take in place of a spare module.
  bool isUnit(int i) const { return i >= given && isBasic(i); }
  // The inputs a gate counts: a basic event by its units.
  int units(const std::vector<int>& elements) const;
  // The inputs that the gate's value depends on: a dependency listed under
  // an AND, OR or voting gate only attaches it to the tree.
  std::vector<int> valued(int i) const;
  // The element and those below it through the inputs that have a value,
  // each once (gates may share inputs).
  std::set<int> under(int root) const;
};

// The spare modules: the gates that are inputs of spare gates.  What the
// chain does with their events differs from the field's meaning in places
// the later steps refuse or warn of.
struct Spares {
  std::map<int, int> unit;      // a spare module -> its unit
  std::map<int, int> moduleOf;  // a basic event or unit -> the module it lies in
  std::set<int> forced;         // the spare modules that a dependency forces down
  std::set<int> inModule;       // every element that lies in a spare module, its gate too
  std::set<int> sharing;        // spare gates that share a spare with another

  int moduleWithUnit(int u) const;
  // The units of the modules that x lies in, inside out.
  std::vector<int> enclosing(int x) const;
  // Whether the module may be let go before its own gate fails: when a
  // dependency forces it down, or when it lies in another module, which is
  // let go when that one fails through any other of its events.
  bool releasable(int module) const;
};

// The spares that fail while dormant: the value of their rate then, or ""
// for the rate of a unit in use.
using Dormancy = std::map<int, std::string>;

// Where each element stands in the text description.
struct Layout {
  std::vector<int> order;  // the elements in the order of their sentences
  std::vector<int> node;   // an element's node, the first of a gate written as several
  std::vector<int> type;   // a basic event's component type

  int nodeOf(int i) const { return node[static_cast<std::size_t>(i)]; }
  int typeOf(int i) const { return type[static_cast<std::size_t>(i)]; }
};

// net.cc
int resolve(const DftModel& model, Net& net, Report& report);

// check.cc
int checkParameters(const Net& net, Report& report);
int checkGates(const Net& net, bool limits, Report& report);
int checkCycles(const Net& net, Report& report);

// spares.cc
int formModules(Net& net, Spares& spares, Report& report);
int checkSpareRoles(const Net& net, Spares& spares, Report& report);
int checkTriggers(const Net& net, const Spares& spares, Report& report);
int checkOrders(const Net& net, const Spares& spares, Report& report);

// dormancy.cc
int dormancy(const Net& net, const Spares& spares, Dormancy& dormant, Report& report);

// place.cc
int place(const Net& net, const Spares& spares, bool limits, Layout& layout, Report& report);

// ties.cc
int checkTransitions(const Net& net, Report& report);

// emit.cc
std::string textDescription(const Net& net, const Layout& layout);
void writeDictionary(const Net& net, const Spares& spares, const Layout& layout,
                     const Dormancy& dormant, std::string_view source, DftFiles& files);

}  // namespace molvex::dft
