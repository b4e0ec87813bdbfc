// Node numbers and component types in the order of the sentences, and the
// sizes of one chain that the build and the generation hold to: a model
// beyond them is refused here, at the element that goes past, rather than
// by the generation with no place in the .dft file.
#include <algorithm>

#include "ftinput/fttabs.h"
#include "galileo/translation.h"

namespace molvex::dft {
namespace {

// The elements in the order of their sentences: the gates, then the
// basic events, the units of spare modules first, outer modules before
// the modules inside them (a type lies in a module of a lower type).
std::vector<int> writingOrder(const Net& net, const Spares& spares) {
  std::vector<int> order;
  std::vector<std::pair<std::size_t, int>> units;  // depth, unit
  for (int i = 0; i < net.count(); ++i) {
    if (!net.isBasic(i)) order.push_back(i);
    if (net.isUnit(i)) units.emplace_back(spares.enclosing(i).size(), i);
  }
  std::stable_sort(units.begin(), units.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& unit : units) order.push_back(unit.second);
  for (int i = 0; i < net.given; ++i) {
    if (net.isBasic(i)) order.push_back(i);
  }
  return order;
}

// What the sentences take of each size, counted as they are written.
struct Sizes {
  int nodes = 1;          // the system-failure box
  int basics = 0;         // each of a component type of its own
  int slots = 0;          // of the state vector
  int words = 5 + 9 + 1;  // of the place table: header, the free word, the box and its input

  // A priority-AND gate of n inputs is written as n - 1 nested ones, each
  // with a slot for the order it has seen; a priority-OR gate as a
  // priority-AND with that slot and an OR.  A basic event has a slot, and a
  // spare gate that shares spares one for each input.
  void add(const Net& net, const Spares& spares, int i) {
    const DftKind kind = net.el(i).kind;
    const bool basic = net.isBasic(i);
    const int n = static_cast<int>(net.valued(i).size());
    const int added = kind == DftKind::pand ? n - 1 : kind == DftKind::por ? 2 : 1;
    nodes += added;
    words += 9 * added + (kind == DftKind::pand ? 2 * added : kind == DftKind::por ? 2 + n : n);
    if (basic) ++basics;
    slots += basic                     ? 1
             : kind == DftKind::pand   ? added
             : kind == DftKind::por    ? 1
             : spares.sharing.count(i) ? n
                                       : 0;
  }

  // The first limit passed, as the refusal says it, or "".
  std::string beyond() const {
    struct Limit {
      int used;
      int limit;
      const char* what;
      const char* unit;
    };
    for (const Limit& l : {Limit{basics, MAXBAS, "the basic events are", ""},
                           Limit{nodes, MAXNOD, "the nodes of the tree are", ""},
                           // The generation's state vector holds a slot per basic component.
                           Limit{slots, MAXBAS, "the state vector needs", " slots"},
                           Limit{words, PLCSIZ, "the tree needs", " words of tables"}}) {
      if (l.used > l.limit) {
        return std::string(l.what) + " more than MOLVEX's " + std::to_string(l.limit) + l.unit;
      }
    }
    return "";
  }
};

}  // namespace

// Node numbers in the order of the sentences: the system-failure box, the
// gates, the basic events; and the limits of the build checked on the way.
int place(const Net& net, const Spares& spares, bool limits, Layout& layout, Report& report) {
  Sizes sizes;
  layout.node.assign(net.model.elements.size(), 0);
  layout.type.assign(net.model.elements.size(), 0);
  layout.order = writingOrder(net, spares);
  for (int i : layout.order) {
    if (net.isBasic(i)) layout.type[static_cast<std::size_t>(i)] = sizes.basics + 1;
    layout.node[static_cast<std::size_t>(i)] = sizes.nodes + 1;
    sizes.add(net, spares, i);
    if (!limits) continue;
    const std::string beyond = sizes.beyond();
    if (!beyond.empty()) {
      return report.fail(net.el(i).at, "with " + quoted(net.el(i).name) + " " + beyond);
    }
  }
  return 1;
}

}  // namespace molvex::dft
