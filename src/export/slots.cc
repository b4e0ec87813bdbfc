#include "export/slots.h"

#include <algorithm>
#include <istream>
#include <map>
#include <memory>
#include <string_view>

#include "ftinput/bldlst.h"
#include "ftinput/gates.h"
#include "ftinput/plctab.h"
#include "stategen/store.h"
#include "util/pool.h"
#include "util/units.h"

namespace molvex {
namespace {

// The tree of NAME.FTR as the generation builds it, its messages kept from
// the screen: they go into the error.  `node` gets each place's node number,
// its x coordinate in the file (the NODE number of a text description).
bool buildTree(const std::string& file, FaultTree& tree, std::map<int, int>& node, Error& error) {
  Array1<int> index(3 * MAXNOD + 1);
  Array1<int> words(4 * MAXBAS * MAXNOD);
  Array1<int> heads(MAXNSZ);
  NodePool pool{words, heads};
  INIDYN(pool, 0, 1, 5, 6);
  const auto build = [&] { return BLDLST(file, index, tree, pool, MAXNOD, MAXBAS); };
  if (!readsAsGenerationDoes(build, file, "a fault tree", error)) return false;
  for (int i = 1; i <= ftr::entryCount(index); ++i) {
    node[index(ftr::entryPos(i) + 2)] = index(ftr::entryPos(i));
  }
  return true;
}

// The model's names for the places of the tree: a basic component by its
// type's name (numbered where several components share the type), a gate by
// its kind and its inputs.
class Names {
 public:
  Names(const Chain& chain, const FaultTree& tree, const std::map<int, int>& node)
      : tree_(tree), node_(node) {
    std::map<int, int> seen;
    for (int b = 1; b <= tree.NBASIC; ++b) ++seen[tree.BASTYP(b)];
    for (int b = 1; b <= tree.NBASIC; ++b) {
      const int t = tree.BASTYP(b);
      std::string name = t <= chain.ntypes ? chain.typeLabels(t) : "type " + std::to_string(t);
      if (seen[t] > 1) name += " #" + std::to_string(++numbered_[t]);
      components_.push_back(name);
    }
  }

  const std::string& component(int b) const {
    return components_[static_cast<std::size_t>(b - 1)];
  }

  // The place p: a component's name, or a gate with all it stands on; a
  // gate that would take more than a line is named by its node instead,
  // with its inputs one level deep.
  std::string place(int p) const {
    const std::string whole = expression(p, -1);
    if (whole.size() <= 80) return whole;
    const auto at = node_.find(p);
    return expression(p, 1) + (at == node_.end() ? "" : " at node " + std::to_string(at->second));
  }

  int input(int p, int j) const { return field(p, FNARC + j); }
  int inputs(int p) const { return field(p, FNARC); }
  int basicOf(int p) const { return field(p, FBASIC); }

 private:
  int field(int p, int offset) const { return tree_.PLCTAB(p + offset); }

  // `depth` levels of gates below p (all for -1), the rest shown as "(…)".
  std::string expression(int p, int depth) const {
    if (field(p, FTYPE) == TBASIC) return component(field(p, FBASIC));
    std::string text = kind(p);
    if (depth == 0) return text + "(…)";
    text += '(';
    for (int j = 1; j <= field(p, FNARC); ++j) {
      if (j > 1) text += ", ";
      text += expression(field(p, FNARC + j), depth - 1);
    }
    return text + ')';
  }

  std::string kind(int p) const {
    const int type = field(p, FTYPE);
    if (type == TMOFN) return std::to_string(field(p, FGATM)) + "of" + std::to_string(field(p, FGATN));
    const std::pair<int, const char*> words[] = {
        {TOR, "or"},    {TAND, "and"},   {TBOX, "box"},   {TFBOX, "top"}, {TXOR, "xor"},
        {TCSP, "spare"}, {TNOT, "not"}, {TPAND, "pand"}, {TSEQ, "seq"},  {TFDEP, "fdep"}};
    for (const auto& [code, word] : words) {
      if (code == type) return word;
    }
    return "gate";
  }

  const FaultTree& tree_;
  const std::map<int, int>& node_;
  std::map<int, int> numbered_;
  std::vector<std::string> components_;
};

// The legend of every slot of the tree's state vector, in its order.
std::vector<Slot> legendOf(const Chain& chain, const FaultTree& tree,
                           const std::map<int, int>& node) {
  const Names names(chain, tree, node);
  std::vector<Slot> legend;
  for (int b = 1; b <= tree.NBASIC; ++b) {
    legend.push_back({"u" + std::to_string(b), "working units of " + names.component(b)});
  }
  for (int i = 1; i <= tree.PNDLST(1); ++i) {
    const int p = tree.PNDLST(i + 1);
    legend.push_back({"o" + std::to_string(i),
                      "which input of " + names.place(p) + " failed first (0: neither yet)"});
  }
  int held = 0;
  for (int g = 1; g <= tree.NSHCSP; ++g) {
    const int p = tree.CSPTAB(g + 1);
    for (int j = 1; j <= names.inputs(p); ++j) {
      legend.push_back({"s" + std::to_string(++held),
                        "units of " + names.component(names.basicOf(names.input(p, j))) +
                            " held by " + names.place(p)});
    }
  }
  return legend;
}

// The slots of one side of a listing comment, " * SLOTS -> SLOTS|F n|T n
// RATE;", or none when that side is a failure or truncation state.
struct Listing {
  std::vector<int> source;
  std::vector<int> target;
};

bool readListing(std::string_view line, Listing& out) {
  out = Listing{};
  const std::vector<std::string_view> w = blankWords(line);
  std::vector<int>* side = &out.source;
  for (std::size_t i = 1; i + 1 < w.size(); ++i) {
    if (w[i] == "->") {
      side = &out.target;
      continue;
    }
    int v = 0;
    if (!toInt(w[i], v)) {
      if (side == &out.target && (w[i] == "F" || w[i] == "T")) {
        out.target.clear();
        return true;
      }
      return false;
    }
    side->push_back(v);
  }
  return side == &out.target;
}

// The slots of each expanded state from the listing of NAME.INT: a state's
// own where it is a source (its stored form), else the first target form
// whose units are its own.  False with `error` where the listing is not of
// the chain; `listed` false when NAME.INT has no listing.
bool readListingSlots(const Chain& chain, std::size_t nslot, std::vector<int>& rest, bool& listed,
                      Error& error) {
  const std::string file = chain.model + ".INT";
  const std::unique_ptr<std::istream> in = openStream(file);
  if (in == nullptr) {
    error = {file, 0, unreadable(file)};
    return false;
  }
  const auto nbasic = static_cast<std::size_t>(chain.nbasic);
  const std::size_t n = nslot - nbasic;
  rest.assign(static_cast<std::size_t>(chain.nstates) * n, -1);
  std::vector<char> known(static_cast<std::size_t>(chain.nstates), 0);
  const auto unitsMatch = [&](int s, const std::vector<int>& v) {
    const Span1<const int> units = chain.unitsOf(s);
    for (std::size_t b = 0; b < nbasic; ++b) {
      if (units(static_cast<int>(b) + 1) != v[b]) return false;
    }
    return true;
  };
  const auto take = [&](int s, const std::vector<int>& v, char how) {
    std::copy(v.begin() + static_cast<std::ptrdiff_t>(nbasic), v.end(),
              rest.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(s - 1) * n));
    known[static_cast<std::size_t>(s - 1)] = how;
  };
  constexpr char asSource = 2, asTarget = 1;
  Listing listing;
  bool pending = false;
  listed = false;
  int number = 0;
  for (std::string line; std::getline(*in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string_view> w = blankWords(line);
    if (w.empty()) continue;
    // A comment of someone's own is no line of the listing.
    if (w[0] == "*" && std::find(w.begin(), w.end(), "->") != w.end()) {
      if (!readListing(line, listing) || listing.source.size() != nslot ||
          (!listing.target.empty() && listing.target.size() != nslot)) {
        error = {file, number,
                 "the listing does not have the " + std::to_string(nslot) + " slots of " +
                     chain.model + ".FTR: the files are not of one run"};
        return false;
      }
      pending = listed = true;
      continue;
    }
    int source = 0, target = 0;
    if (!pending || w.size() < 2 || !toInt(w[0], source) || !toInt(w[1], target)) continue;
    pending = false;
    if (source < 1 || source > chain.nstates || target < 1 || target > chain.nstates) {
      error = {file, number, "an arc outside the chain's states: the files are not of one run"};
      return false;
    }
    // The reader has placed every arc of the file: both are its states.
    if (!unitsMatch(source, listing.source)) {
      error = {file, number,
               "the listing gives state " + std::to_string(source) + " other units than " +
                   chain.model + ".TUP: the files are not of one run"};
      return false;
    }
    take(source, listing.source, asSource);
    const auto t = static_cast<std::size_t>(target - 1);
    if (chain.kind(target) == StateKind::Expanded && known[t] == 0 && !listing.target.empty() &&
        unitsMatch(target, listing.target)) {
      take(target, listing.target, asTarget);
    }
  }
  for (int s = 1; listed && s <= chain.nstates; ++s) {
    if (chain.kind(s) == StateKind::Expanded && known[static_cast<std::size_t>(s - 1)] == 0) {
      error = {file, 0, "no line of the listing shows state " + std::to_string(s)};
      return false;
    }
  }
  return true;
}

}  // namespace

StateSlots numberedUnits(const Chain& chain) {
  StateSlots slots;
  for (int b = 1; b <= chain.nbasic; ++b) {
    slots.legend.push_back(
        {"u" + std::to_string(b), "working units of basic component " + std::to_string(b)});
  }
  return slots;
}

bool readStateSlots(const Chain& chain, StateSlots& slots, Error& error) {
  const std::string treeFile = chain.model + ".FTR";
  if (openStream(treeFile) == nullptr) {
    slots = numberedUnits(chain);
    slots.warning = treeFile + " " + unreadable(treeFile) +
                    ": the components are shown by number, and no order or spare slot";
    return true;
  }
  slots = StateSlots{};
  auto tree = std::make_unique<FaultTree>();
  std::map<int, int> node;
  if (!buildTree(treeFile, *tree, node, error)) return false;
  if (tree->NBASIC != chain.nbasic) {
    error = {treeFile, 0,
             std::to_string(tree->NBASIC) + " basic components, " + chain.model + ".TUP " +
                 std::to_string(chain.nbasic) + ": the files are not of one run"};
    return false;
  }
  slots.legend = legendOf(chain, *tree, node);
  if (slots.legend.size() == static_cast<std::size_t>(chain.nbasic)) return true;
  bool listed = false;
  if (!readListingSlots(chain, slots.legend.size(), slots.rest, listed, error)) return false;
  if (listed) return true;
  // A chain of one state has nothing to tell apart.
  slots.legend.resize(static_cast<std::size_t>(chain.nbasic));
  slots.rest.clear();
  if (chain.expansion.size() > 1) {
    slots.warning = chain.model +
                    ".INT has no listing of the states' slots, so states that differ only in "
                    "the order or spare slots look alike: molvex generate " +
                    chain.model + " writes it";
  }
  return true;
}

}  // namespace molvex
