#include "cli/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>

#include "dict/dict.h"

namespace molvex {
namespace {

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

// Twelve digits: more than any rate a user gives, fewer than a table needs.
std::string readable(double value) { return format("%.12g", value); }

std::string padLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string mttfLine(const Figures& f, const Report& r) {
  if (std::isinf(f.mttfLower)) {
    return f.pStuck > 0.0 ? "infinite: the system can end in a state where it has not failed"
                          : "beyond the range of a double";
  }
  const std::string quadrature =
      r.parts.empty()      ? ""
      : r.mttfError == 0.0 ? "  (exact, over the product of the parts' chains)"
                           : format("  (by quadrature, within %.1e relative)", r.mttfError);
  if (f.mttfUpper == f.mttfLower) return readable(f.mttfLower) + quadrature;
  if (std::isinf(f.mttfUpper)) {
    return "at least " + readable(f.mttfLower) +
           " (no upper bound: truncation states are reached)" + quadrature;
  }
  return "between " + readable(f.mttfLower) + " and " + readable(f.mttfUpper) + quadrature;
}

std::string boundsLine(double lower, double upper) {
  return lower == upper ? readable(lower)
                        : "between " + readable(lower) + " and " + readable(upper);
}

// The component's own name, where the dictionary gives one.
std::string typeLabel(const Chain& chain, int t) {
  return t <= chain.typeLabels.size() ? chain.typeLabels(t) : "";
}

void breakdown(std::string& out, const Chain& chain, const Unreliability& u) {
  double total = 0.0;
  for (int t = 1; t <= chain.ntypes; ++t) total += u.byType(t);
  out += "\nFailure state by component type at time " + readable(u.time) +
         (chain.truncated() ? ", of the lower bound" : "") + ":\n";
  out += "  type  rate name        probability           share  component\n";
  for (int t = 1; t <= chain.ntypes; ++t) {
    if (chain.failst(t) == 0) continue;
    const std::string share = total > 0.0 ? format("%.2f %%", 100.0 * u.byType(t) / total) : "-";
    out += padLeft(std::to_string(t), 6) + "  " + padRight(chain.typeNames(t), TYPLEN) + "  " +
           padRight(readable(u.byType(t)), 20) + padLeft(share, 8) + "  " + typeLabel(chain, t) +
           "\n";
  }
}

int largestChain(const Report& r) {
  int largest = 0;
  for (const ReportPart& p : r.parts) largest = std::max(largest, p.states);
  return largest;
}

void partsBreakdown(std::string& out, const Report& r, std::size_t j) {
  out += "\nUnreliability of each part at time " + readable(r.unreliability[j].time) + ":\n";
  out += "  part                            states  unreliability\n";
  for (const ReportPart& p : r.parts) {
    out += "  " + padRight(p.root, 30) + "  " + padLeft(std::to_string(p.states), 6) + "  " +
           boundsLine(p.lower[j], p.upper[j]) +
           (p.sameAs.empty() ? "" : "  (as " + p.sameAs + ")") + "\n";
  }
}

std::string foldLines(const Report& r) {
  constexpr std::size_t shown = 6;
  std::string out;
  for (const auto& [gate, events] : r.folded) {
    out += "Folded " + std::to_string(events.size()) + " identical basic events under " + gate +
           " into one of " + std::to_string(events.size()) + " units:";
    for (std::size_t i = 0; i < events.size() && i < shown; ++i) out += " " + events[i];
    out += events.size() > shown ? " ...\n" : "\n";
  }
  return out;
}

std::string foldsJson(const Report& r) {
  std::string out = ", \"folded\": [";
  for (std::size_t i = 0; i < r.folded.size(); ++i) {
    out += std::string(i ? ", " : "") + "{\"gate\": " + jsonString(r.folded[i].first) +
           ", \"events\": [";
    for (std::size_t j = 0; j < r.folded[i].second.size(); ++j) {
      out += std::string(j ? ", " : "") + jsonString(r.folded[i].second[j]);
    }
    out += "]}";
  }
  return out + "]";
}

std::string partsJson(const Report& r) {
  std::string out = ", \"mttf_relative_error\": " + jsonNumber(r.mttfError) + ", \"parts\": [";
  for (std::size_t i = 0; i < r.parts.size(); ++i) {
    const ReportPart& p = r.parts[i];
    out += std::string(i ? ", " : "") + "{\"root\": " + jsonString(p.root) +
           ", \"same_as\": " + (p.sameAs.empty() ? "null" : jsonString(p.sameAs)) +
           ", \"states\": " + std::to_string(p.states) + ", \"unreliability\": [";
    for (std::size_t j = 0; j < p.lower.size(); ++j) {
      out += std::string(j ? ", " : "") + "{\"time\": " + jsonNumber(r.unreliability[j].time) +
             ", \"lower\": " + jsonNumber(p.lower[j]) + ", \"upper\": " + jsonNumber(p.upper[j]) +
             "}";
    }
    out += "]}";
  }
  return out + "]";
}

// The parts a chain was composed of and the events they share.
std::string sharedJson(const Report& r) {
  std::string out =
      ", \"shared_parts\": {\"count\": " + std::to_string(r.sharedParts) + ", \"triggers\": [";
  for (std::size_t i = 0; i < r.sharedEvents.size(); ++i) {
    out += std::string(i ? ", " : "") + jsonString(r.sharedEvents[i]);
  }
  return out + "]}";
}

// Six digits: a ranking is read, not computed further.
std::string brief(double value) { return std::isnan(value) ? "-" : format("%.6g", value); }

std::string briefBounds(double lower, double upper) {
  const bool same = lower == upper || (std::isnan(lower) && std::isnan(upper));
  return same ? brief(lower) : brief(lower) + ".." + brief(upper);
}

// How many times the figure improves with the component perfect: U/U0 for
// the unreliability, MTTF0/MTTF for the mean time; bounds from bounds.
struct Worth {
  double lower;
  double upper;
};
Worth ratio(double nowLower, double nowUpper, double thenLower, double thenUpper) {
  // Something over nothing is infinitely better; nothing over nothing has no
  // ratio.
  const auto divide = [](double x, double y) {
    if (y > 0.0 || std::isnan(y)) return x / y;
    return x > 0.0 ? std::numeric_limits<double>::infinity()
                   : std::numeric_limits<double>::quiet_NaN();
  };
  return {divide(nowLower, thenUpper), divide(nowUpper, thenLower)};
}
Worth reductionWorth(const Report& r, const ComponentMeasures& m, std::size_t j) {
  const Unreliability& u = r.unreliability[j];
  return ratio(u.lower, u.upper, m.perfectLower[j], m.perfectUpper[j]);
}
Worth mttfWorth(const Report& r, const ComponentMeasures& m) {
  return ratio(m.mttfPerfectLower, m.mttfPerfectUpper, r.figures.mttfLower, r.figures.mttfUpper);
}

std::string row(const std::vector<std::pair<std::string, std::size_t>>& cells) {
  std::string out;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    out += i == 1 ? "  " + padRight(cells[i].first, cells[i].second)
                  : "  " + padLeft(cells[i].first, cells[i].second);
  }
  return out + "\n";
}

// The components ranked, at the last time asked and for the MTTF, with the
// two sums that every model's derivatives must give.
std::string importanceTable(const Report& r) {
  const Measures& m = *r.importance;
  std::size_t width = 9;
  for (const ComponentMeasures& c : m.components) width = std::max(width, c.component.size());
  std::string out;
  if (!r.unreliability.empty()) {
    const std::size_t j = r.unreliability.size() - 1;
    out += "\nImportance at time " + readable(r.unreliability[j].time) +
           ", the most critical component first:\n";
    out += row({{"rank", 4},
                {"component", width},
                {"rate", 12},
                {"dU/drate", 12},
                {"criticality", 12},
                {"U if perfect", 14},
                {"U / that", 12}});
    for (std::size_t i = 0; i < m.components.size(); ++i) {
      const ComponentMeasures& c = m.components[i];
      const Worth w = reductionWorth(r, c, j);
      out += row({{std::to_string(i + 1), 4},
                  {c.component, width},
                  {brief(c.lambda), 12},
                  {brief(c.dU[j]), 12},
                  {brief(c.criticality[j]), 12},
                  {briefBounds(c.perfectLower[j], c.perfectUpper[j]), 14},
                  {briefBounds(w.lower, w.upper), 12}});
    }
    for (std::size_t t = 0; t < m.why.size(); ++t) {
      if (m.why[t].empty()) {
        out += "Check at time " + readable(r.unreliability[t].time) +
               ": the sum of rate * dU/drate " + readable(m.elasticitySum[t]) + ", T * dU/dT " +
               readable(m.timeDerivative[t]) +
               " (equal for every model, each within the error bound)\n";
      } else {
        out += "No derivatives of U at time " + readable(r.unreliability[t].time) + ": " +
               m.why[t] + "\n";
      }
    }
  }
  out += "\nImportance for the MTTF:\n";
  out += row({{"rank", 4},
              {"component", width},
              {"dMTTF/drate", 12},
              {"criticality", 12},
              {"MTTF if perfect", 16},
              {"that / MTTF", 12}});
  for (std::size_t i = 0; i < m.components.size(); ++i) {
    const ComponentMeasures& c = m.components[i];
    const Worth w = mttfWorth(r, c);
    out += row({{std::to_string(i + 1), 4},
                {c.component, width},
                {brief(c.dMttf), 12},
                {brief(c.mttfCriticality), 12},
                {briefBounds(c.mttfPerfectLower, c.mttfPerfectUpper), 16},
                {briefBounds(w.lower, w.upper), 12}});
  }
  out += m.mttfWhy.empty() ? "Check: the criticalities for the MTTF add up to " +
                                 readable(m.mttfCriticalitySum) + " (-1 for every model)\n"
                           : "No derivatives of the MTTF: " + m.mttfWhy + "\n";
  std::set<std::string> said;
  for (const ComponentMeasures& c : m.components) {
    if (!c.perfectWhy.empty() && said.insert(c.perfectWhy).second) {
      out += "No figures with " + c.component + " or an element like it perfect: " +
             c.perfectWhy + "\n";
    }
  }
  return out;
}

// `importance` of --json: one object per component in the order of the
// ranking, with fixed keys.
std::string importanceJson(const Report& r) {
  const Measures& m = *r.importance;
  std::string out = ", \"importance\": [";
  for (std::size_t i = 0; i < m.components.size(); ++i) {
    const ComponentMeasures& c = m.components[i];
    const Worth mw = mttfWorth(r, c);
    out += std::string(i ? ", " : "") + "{\"component\": " + jsonString(c.component) +
           ", \"rate_name\": " + jsonString(c.rateName) + ", \"rates\": {";
    for (std::size_t k = 0; k < c.rates.size(); ++k) {
      out += std::string(k ? ", " : "") + jsonString(c.rates[k].first) + ": " +
             jsonNumber(c.rates[k].second);
    }
    out += "}, \"rate\": " + jsonNumber(c.lambda) +
           ", \"mttf\": {\"derivative\": " + jsonNumber(c.dMttf) +
           ", \"criticality\": " + jsonNumber(c.mttfCriticality) +
           ", \"perfect_lower\": " + jsonNumber(c.mttfPerfectLower) +
           ", \"perfect_upper\": " + jsonNumber(c.mttfPerfectUpper) +
           ", \"improvement_lower\": " + jsonNumber(mw.lower) +
           ", \"improvement_upper\": " + jsonNumber(mw.upper) +
           ", \"perfect_why\": " + jsonString(c.perfectWhy) + "}, \"unreliability\": [";
    for (std::size_t j = 0; j < c.dU.size(); ++j) {
      const Worth w = reductionWorth(r, c, j);
      out += std::string(j ? ", " : "") + "{\"time\": " + jsonNumber(r.unreliability[j].time) +
             ", \"derivative\": " + jsonNumber(c.dU[j]) +
             ", \"criticality\": " + jsonNumber(c.criticality[j]) +
             ", \"perfect_lower\": " + jsonNumber(c.perfectLower[j]) +
             ", \"perfect_upper\": " + jsonNumber(c.perfectUpper[j]) +
             ", \"reduction_worth_lower\": " + jsonNumber(w.lower) +
             ", \"reduction_worth_upper\": " + jsonNumber(w.upper) + "}";
    }
    out += "]}";
  }
  out +=
      "], \"importance_checks\": {\"mttf_criticality_sum\": " + jsonNumber(m.mttfCriticalitySum) +
      ", \"mttf_why\": " + jsonString(m.mttfWhy) + ", \"unreliability\": [";
  for (std::size_t j = 0; j < m.why.size(); ++j) {
    out += std::string(j ? ", " : "") + "{\"time\": " + jsonNumber(r.unreliability[j].time) +
           ", \"rate_derivative_sum\": " + jsonNumber(m.elasticitySum[j]) +
           ", \"time_derivative\": " + jsonNumber(m.timeDerivative[j]) +
           ", \"why\": " + jsonString(m.why[j]) + "}";
  }
  return out + "]}";
}

}  // namespace

std::string jsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  return format("%.17g", value);
}

void addToMixture(Report& m, const Report& part, double weight) {
  if (m.chain == nullptr) {
    m.chain = part.chain;
    m.ratesFile = part.ratesFile;
    m.epsilon = part.epsilon;
    m.chains = 0;
    m.unreliability.resize(part.unreliability.size());
    for (std::size_t j = 0; j < part.unreliability.size(); ++j) {
      m.unreliability[j].time = part.unreliability[j].time;
      m.unreliability[j].byType.resize(part.unreliability[j].byType.size(), 0.0);
    }
  }
  ++m.chains;
  Figures& f = m.figures;
  const Figures& g = part.figures;
  f.operational += g.operational;
  f.failure += g.failure;
  f.truncation += g.truncation;
  f.transitions += g.transitions;
  m.symmetries += part.symmetries;
  if (m.unsolved.empty()) m.unsolved = part.unsolved;
  // An outcome of infinite time counts whatever its weight, as its 0 * inf
  // would not.
  const auto weighed = [&](double x) { return std::isinf(x) ? x : weight * x; };
  f.mttfLower += weighed(g.mttfLower);
  f.mttfUpper += weighed(g.mttfUpper);
  f.pFailLower += weight * g.pFailLower;
  f.pFailUpper += weight * g.pFailUpper;
  f.pStuck += weight * g.pStuck;
  for (std::size_t j = 0; j < m.unreliability.size(); ++j) {
    Unreliability& u = m.unreliability[j];
    const Unreliability& v = part.unreliability[j];
    u.lower += weight * v.lower;
    u.upper += weight * v.upper;
    u.terms = std::max(u.terms, v.terms);
    for (int t = 1; t <= u.byType.size(); ++t) u.byType(t) += weight * v.byType(t);
  }
}

std::string reportTable(const Report& r) {
  const Chain& chain = *r.chain;
  const Figures& f = r.figures;
  std::string out = "Model " + chain.model + ": " + plural(f.operational, "operational state") +
                    ", " + plural(f.failure, "failure state") + ", " +
                    plural(f.truncation, "truncation state") + ", " +
                    plural(f.transitions, "transition") + "\n";
  out += "Rates from " + r.ratesFile + "\n";
  if (r.draws > 0) {
    out += "A mixture of " + plural(r.chains, "chain") + ", one for each outcome of " +
           plural(r.draws, "draw") + " at the start (prob=, pdep=)\n";
  }
  out += foldLines(r);
  if (r.symmetries > 0) {
    out += "Symmetries of the model: " + std::to_string(r.symmetries) +
           " (states they map onto each other are one; the types they map onto each other "
           "share their failures evenly)\n";
  }
  if (r.sharedParts > 0) {
    out += "Composed from the chain of one of " + std::to_string(r.sharedParts) +
           " parts the same up to names, which share only the triggers";
    for (const std::string& e : r.sharedEvents) out += " " + e;
    out += "\n";
  }
  if (!r.parts.empty()) {
    out += "Solved by " + plural(static_cast<int>(r.parts.size()), "independent part") +
           " under static gates in " + plural(r.chains, "chain") +
           " (parts the same up to names share one), the largest of " +
           plural(largestChain(r), "state") + "\n";
  }
  if (chain.truncated()) {
    out += "Truncated after " + plural(chain.ntrunc, "failure") +
           ": bounds, not values. Truncation states counted as\n"
           "working give the lower bounds, counted as failed the upper bounds.\n";
  }
  out += "\nMean time to failure (MTTF)    " + mttfLine(f, r) + "\n";
  out += "Probability of failing at all  " + boundsLine(f.pFailLower, f.pFailUpper) + "\n";
  if (r.unreliability.empty()) return r.importance ? out + importanceTable(r) : out;
  const bool bounds = chain.truncated();
  out += "\nUnreliability, each " + std::string(bounds ? "bound" : "value") + " within " +
         format("%g", r.epsilon) + ":\n";
  out += bounds ? "                time           lower bound           upper bound     terms\n"
                : "                time         unreliability     terms\n";
  for (const Unreliability& u : r.unreliability) {
    // Two blanks before each column, whatever the width of the one before.
    out += padLeft(readable(u.time), 20) + "  ";
    if (std::isnan(u.lower)) {
      out += padLeft("not solved", 20) + "\n";
      continue;
    }
    out += padLeft(readable(u.lower), 20);
    if (bounds) out += "  " + padLeft(readable(u.upper), 20);
    out += "  " + padLeft(std::to_string(u.terms), 8) + "\n";
  }
  for (std::size_t j = 0; j < r.unreliability.size(); ++j) {
    if (std::isnan(r.unreliability[j].lower)) continue;
    if (r.parts.empty()) {
      breakdown(out, chain, r.unreliability[j]);
    } else {
      partsBreakdown(out, r, j);
    }
  }
  return r.importance ? out + importanceTable(r) : out;
}

std::string reportCsv(const Report& r) {
  std::string out = "time,lower,upper\n";
  for (const Unreliability& u : r.unreliability) {
    out += jsonNumber(u.time) + "," + jsonNumber(u.lower) + "," + jsonNumber(u.upper) + "\n";
  }
  return out;
}

std::string reportText(const Report& report, bool json, bool csv) {
  return json ? reportJson(report) : csv ? reportCsv(report) : reportTable(report);
}

std::string reportJson(const Report& r) {
  const Chain& chain = *r.chain;
  const Figures& f = r.figures;
  std::string out = "{\"model\": " + jsonString(chain.model) +
                    ", \"chains\": " + std::to_string(r.chains) +
                    ", \"truncated\": " + (chain.truncated() ? "true" : "false") +
                    ", \"states\": {\"operational\": " + std::to_string(f.operational) +
                    ", \"failure\": " + std::to_string(f.failure) +
                    ", \"truncation\": " + std::to_string(f.truncation) +
                    ", \"transitions\": " + std::to_string(f.transitions) + "}" +
                    ", \"mttf_lower\": " + jsonNumber(f.mttfLower) +
                    ", \"mttf_upper\": " + jsonNumber(f.mttfUpper) +
                    ", \"p_fail\": {\"lower\": " + jsonNumber(f.pFailLower) +
                    ", \"upper\": " + jsonNumber(f.pFailUpper) + "}" + ", \"unreliability\": [";
  for (std::size_t i = 0; i < r.unreliability.size(); ++i) {
    const Unreliability& u = r.unreliability[i];
    out += std::string(i ? ", " : "") + "{\"time\": " + jsonNumber(u.time) +
           ", \"lower\": " + jsonNumber(u.lower) + ", \"upper\": " + jsonNumber(u.upper) +
           ", \"terms\": " + std::to_string(u.terms) + ", \"by_type\": {";
    for (int t = 1; t <= chain.ntypes; ++t) {
      out += std::string(t > 1 ? ", " : "") + "\"" + std::to_string(t) +
             "\": " + jsonNumber(u.byType(t));
    }
    out += "}}";
  }
  out += "]";
  if (chain.ntypes > 0) {
    out += ", \"type_names\": {";
    for (int t = 1; t <= chain.ntypes; ++t) {
      out += std::string(t > 1 ? ", " : "") + "\"" + std::to_string(t) +
             "\": " + jsonString(typeLabel(chain, t));
    }
    out += "}";
  }
  return out + (r.parts.empty() ? "" : partsJson(r)) +
         (r.symmetries == 0 ? "" : ", \"symmetries\": " + std::to_string(r.symmetries)) +
         (r.sharedParts == 0 ? "" : sharedJson(r)) + (r.folded.empty() ? "" : foldsJson(r)) +
         (r.importance ? importanceJson(r) : "") + "}\n";
}

}  // namespace molvex
