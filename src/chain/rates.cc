#include "chain/rates.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <memory>
#include <string>

#include "util/units.h"

namespace molvex {

namespace {

// A rate's value: a finite number of 0 or more, 0 being a unit that fails
// only when a dependency forces it down.  "" when it is one, else what it is
// not.
std::string rateValue(const std::string& name, const std::string& text, double& value) {
  if (!readDouble(text, value))
    return "value " + quoteText(text) + " of " + name + " is not a number";
  if (!std::isfinite(value) || value < 0.0) {
    return "value " + quoteText(text) + " of " + name + " is not a finite number of 0 or more";
  }
  return "";
}

}  // namespace

bool readRates(std::string_view file, RateTable& rates, Error& error) {
  rates = RateTable();
  rates.file = std::string(file);
  const std::unique_ptr<std::istream> in = openStream(file);
  if (in == nullptr) {
    error = {rates.file, 0, unreadable(rates.file)};
    return false;
  }
  std::string line;
  int number = 0;
  bool read = true;
  while (read && std::getline(*in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto fail = [&](const std::string& message) {
      error = {rates.file, number, message};
      return false;
    };
    // Tabs separate as blanks do: rates files are written by hand.
    for (char& c : line) {
      if (c == '\t') c = ' ';
    }
    const auto words = blankWords(line);
    if (words.empty() || words[0][0] == '#') continue;
    if (words.size() != 2) {
      read = fail(quoteText(line) +
                  (words.size() < 2 ? " is not RATENAME VALUE" : " has more than RATENAME VALUE"));
      break;
    }
    const std::string name(words[0]);
    const std::string text(words[1]);
    double value = 0.0;
    const std::string bad = rateValue(name, text, value);
    if (!bad.empty()) {
      read = fail(bad);
    } else if (!rates.value.emplace(name, value).second) {
      read = fail(name + " is given twice");
    }
  }
  if (read && in->bad()) {
    error = {rates.file, number, "read error"};
    return false;
  }
  return read;
}

bool setRates(const std::vector<std::string>& sets, const Chain& chain, RateTable& rates,
              Error& error) {
  for (const std::string& set : sets) {
    const std::size_t equals = set.find('=');
    const std::string name = set.substr(0, equals);
    const auto& names = chain.rateNames;
    if (equals == std::string::npos || std::find(names.begin(), names.end(), name) == names.end()) {
      error = "--set " + quoteText(set) + ": not RATENAME=VALUE with a rate name of " +
              chain.model + ".INT";
      return false;
    }
    double value = 0.0;
    const std::string bad = rateValue(name, set.substr(equals + 1), value);
    if (!bad.empty()) {
      error = "--set: " + bad;
      return false;
    }
    rates.value[name] = value;
  }
  return true;
}

bool arcRates(const Chain& chain, const RateTable& rates, Array1<double>& rate, Error& error) {
  Array1<double> byName(chain.rateNames.size(), 0.0);
  for (int r = 1; r <= chain.rateNames.size(); ++r) {
    const auto it = rates.value.find(chain.rateNames(r));
    if (it == rates.value.end()) {
      error = {rates.file, 0,
               "no value for the rate " + chain.rateNames(r) + " of " + chain.model + ".INT"};
      return false;
    }
    byName(r) = it->second;
  }
  rate.resize(chain.narcs());
  for (int s = 1; s <= chain.nstates; ++s) {
    double exit = 0.0;
    for (int a = chain.first(s); a < chain.first(s + 1); ++a) {
      const Arc& arc = chain.arcs(a);
      rate(a) = arc.multiplier * byName(arc.rate);
      exit += rate(a);
    }
    // Every figure divides by the exit rates: they and their inverses must
    // stay numbers.
    if (!std::isfinite(exit)) {
      error = {
          rates.file, 0,
          "the rates out of state " + std::to_string(s) + " add up beyond the range of a double"};
      return false;
    }
    if (exit > 0.0 && !std::isfinite(1.0 / exit)) {
      error = {rates.file, 0,
               "the rates out of state " + std::to_string(s) +
                   " are too small for a double to hold their mean time"};
      return false;
    }
  }
  return true;
}

}  // namespace molvex
