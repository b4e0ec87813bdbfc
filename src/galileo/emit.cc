// The three files, written so that MOLVEX's own readers take them as meant:
// the sentences of the text description and the lines of the dictionary
// within the columns those readers read, rate names that the dictionary
// keeps whole, no name that ends the dictionary's entries early.
#include <cctype>

#include "dict/dict.h"
#include "ftinput/cvrtxt.h"
#include "galileo/translation.h"

namespace molvex::dft {
namespace {

// A line of the dictionary that holds "FEIDS" anywhere ends its entries for
// the reader and the rewrite alike: no name may carry it there.
std::string withoutMarker(std::string text, std::string_view instead) {
  for (std::size_t at; (at = text.find("FEIDS")) != std::string::npos;) {
    text.replace(at, 5, instead);
  }
  return text;
}

// Control characters as '?': a line break or a tab would change the
// lines of the file.
std::string printable(std::string_view text) {
  std::string out;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += u < 0x20 || u == 0x7f ? '?' : c;
  }
  return out;
}

// One sentence of the text description.  An input list goes on over the
// next lines within the columns read.
std::string sentence(int node, const std::string& word, const std::vector<int>& nodes) {
  std::string text;
  std::string line = "NODE " + std::to_string(node) + " TYPE " + word + " " +
                     std::to_string(nodes.size()) + " INPUT";
  for (int n : nodes) {
    const std::string item = " " + std::to_string(n);
    if (line.size() + item.size() > static_cast<std::size_t>(TXTEND)) {
      text += line + "\n";
      line = "    ";
    }
    line += item;
  }
  return text + line + "\n";
}

std::string gateWord(const Net& net, int i) {
  const DftElement& e = net.el(i);
  switch (e.kind) {
    case DftKind::andGate:
      return "AND";
    case DftKind::orGate:
      return "OR";
    case DftKind::voting:
      return std::to_string(e.k) + "/" + std::to_string(net.units(net.valued(i)));
    case DftKind::seq:
      return "SEQ";
    case DftKind::fdep:
      return "FDEP";
    default:
      // The field's spare gate: a unit a dependency forces down is
      // replaced by the next spare, as when it fails by itself.
      return "SPARE";
  }
}

// The sentences of one element.
std::string sentencesOf(const Net& net, const Layout& layout, int i) {
  const DftElement& e = net.el(i);
  const int self = layout.nodeOf(i);
  std::vector<int> nodes;
  for (int c : net.valued(i)) nodes.push_back(layout.nodeOf(c));
  if (net.isBasic(i)) {
    return "NODE " + std::to_string(self) + " TYPE BASIC " + std::to_string(e.units) +
           " OF COMPONENT TYPE " + std::to_string(layout.typeOf(i)) + "\n";
  }
  if (e.kind == DftKind::pand) {
    // PAND(a, b, c) as PAND(PAND(a, b), c), the outer gate first: the
    // inner gate has failed exactly when a and b have, a no later than
    // b, and the outer one then asks that to be no later than c.
    std::string text;
    const int n = static_cast<int>(nodes.size());
    for (int k = n - 1; k >= 1; --k) {
      const int node = self + (n - 1 - k);
      const int first = k == 1 ? nodes[0] : node + 1;
      text += sentence(node, "PAND", {first, nodes[static_cast<std::size_t>(k)]});
    }
    return text;
  }
  if (e.kind == DftKind::por) {
    // POR(a, b, c) as PAND(a, OR(a, b, c)): the OR fails with the
    // first of the three, and a no later than that is a before b and
    // c, or with them, as the inclusive gate reads it.
    return sentence(self, "PAND", {nodes[0], self + 1}) + sentence(self + 1, "OR", nodes);
  }
  return sentence(self, gateWord(net, i), nodes);
}

// The element's name as its description line: quoted, so that the line
// is never blank nor ends with a comma (either would make the dictionary
// reader take the next line), within the columns read, without control
// characters; `before` and `after` go round the quotes.
std::string description(const std::string& name, std::string_view before = "",
                        std::string_view after = "") {
  std::string text = withoutMarker(printable(name), "FEIDs");
  const std::size_t room = static_cast<std::size_t>(DICEND) - 4 - before.size() - after.size();
  if (text.size() > room) {
    std::size_t cut = room - 3;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text = text.substr(0, cut) + "...";
  }
  return "  " + std::string(before) + "\"" + text + "\"" + std::string(after);
}

// An entry of the dictionary: its header line and its one line of body.
std::string entry(int type, const std::string& header, const std::string& body) {
  return std::to_string(type) + " " + header + "\n" + body + "\n";
}

// Rate names from element names: upper-case letters, digits and
// underscores, beginning with a letter, unique, short enough for the
// dictionary reader to keep whole (it cuts a name of TYPLEN characters with
// a warning).  "X" marks arcs into failure states in the chain: not a name.
class RateNames {
 public:
  std::string operator()(const std::string& name) {
    constexpr std::size_t longest = TYPLEN - 1;
    std::string base;
    for (char c : name) {
      const unsigned char u = static_cast<unsigned char>(c);
      base += std::isalnum(u) && u < 0x80 ? static_cast<char>(std::toupper(u)) : '_';
    }
    if (base.empty() || !std::isalpha(static_cast<unsigned char>(base[0])) || base == "X") {
      base = "L" + base;
    }
    base = withoutMarker(base, "FEID_S");
    std::string candidate = base.substr(0, longest);
    for (int n = 2; !taken_.insert(candidate).second; ++n) {
      const std::string suffix = "_" + std::to_string(n);
      candidate = base.substr(0, longest - suffix.size()) + suffix;
    }
    return candidate;
  }

 private:
  std::set<std::string> taken_;
};

// The dictionary and the rates file, written together: a basic event's
// rate name is its entry's and its line's in the rates file.
class DictionaryWriting {
 public:
  DictionaryWriting(const Net& net, const Spares& spares, const Layout& layout,
                    const Dormancy& dormant, DftFiles& files)
      : net_(net), spares_(spares), layout_(layout), dormant_(dormant), files_(files) {}

  void write(std::string_view source) {
    files_.rat = "# The failure rates of the basic events of " + printable(source) + "\n";
    parameters();
    for (int i : layout_.order) {
      if (net_.isBasic(i)) event(i);
    }
  }

 private:
  // Parameters keep their names in the chain; their values are the user's.
  void parameters() {
    for (const DftInput& p : net_.model.params) {
      const std::string rate = rateName_(p.name);
      files_.parameterRates[p.name] = rate;
      files_.rat += "# " + rate + ": the parameter " + printable(quoted(p.name)) +
                    ", its value here or with --set " + rate + "=VALUE\n";
    }
  }

  void event(int i) {
    const DftElement& e = net_.el(i);
    const int type = layout_.typeOf(i);
    const std::string rate = e.parametric ? files_.parameterRates.at(e.lambda) : rateName_(e.name);
    if (e.name == net_.model.start) files_.startRate = rate;
    files_.eventTypes[e.name] = type;
    files_.eventRates[e.name] = {rate};
    const bool unit = net_.isUnit(i);
    if (unit) {
      files_.dic +=
          entry(type, "BE " + rate,
                description(net_.el(spares_.moduleWithUnit(i)).name, "unit of the spare module "));
    } else {
      const std::string more =
          e.units > 1 ? " and " + std::to_string(e.units - 1) + " identical beside it" : "";
      files_.dic += entry(type, "BE " + rate, description(e.name, "", more));
      if (!e.parametric) files_.rat += rate + " " + e.lambda + "\n";
    }
    const auto module = spares_.moduleOf.find(i);
    if (module != spares_.moduleOf.end()) {
      files_.dic +=
          entry(type, "MODULE " + std::to_string(layout_.typeOf(spares_.unit.at(module->second))),
                "  asleep while its spare module is not in use");
    }
    // A unit, or a basic event that never fails by itself.
    if (unit || e.rate == 0.0) {
      files_.dic += entry(type, "FORCED ONLY", "  fails only when forced down");
    }
    const auto dormant = dormant_.find(i);
    if (dormant == dormant_.end()) return;
    // A hot spare, or one in use from the start, fails at one rate.
    const std::string asleep = dormant->second.empty() ? rate : rateName_(e.name + " dorm");
    files_.dic += entry(type, "DORMANT " + asleep, description(e.name, "", " while dormant"));
    if (asleep == rate) return;
    files_.rat += asleep + " " + dormant->second + "\n";
    files_.eventRates[e.name].push_back(asleep);
  }

  const Net& net_;
  const Spares& spares_;
  const Layout& layout_;
  const Dormancy& dormant_;
  DftFiles& files_;
  RateNames rateName_;
};

}  // namespace

std::string textDescription(const Net& net, const Layout& layout) {
  std::string text = "NODE 1 TYPE FBOX INPUT " + std::to_string(layout.nodeOf(net.top)) + "\n";
  for (int i : layout.order) text += sentencesOf(net, layout, i);
  return text;
}

void writeDictionary(const Net& net, const Spares& spares, const Layout& layout,
                     const Dormancy& dormant, std::string_view source, DftFiles& files) {
  DictionaryWriting(net, spares, layout, dormant, files).write(source);
}

}  // namespace molvex::dft
