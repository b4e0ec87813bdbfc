// Failure-rate values for the rate names of a chain: a rates file (NAME.RAT
// by default) of "RATENAME VALUE" lines; blank lines and lines whose first
// non-blank character is '#' are comments.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "chain/chain.h"
#include "util/array1.h"

namespace molvex {

struct RateTable {
  std::string file;                                  // where the values were read
  std::map<std::string, double, std::less<>> value;  // by rate name
};

// Reads a rates file.  Every value must be a finite number of 0 or more, every
// name given once.  Returns 1, or -1 with `error` naming the file and line.
int readRates(std::string_view file, RateTable& rates, std::string& error);

// Values given as NAME=VALUE (the command line's --set) over those of the
// file: each NAME a rate name of the chain, each VALUE as in a rates file.
// Returns 1, or -1 with `error` naming the first that is not.
int setRates(const std::vector<std::string>& sets, const Chain& chain, RateTable& rates,
             std::string& error);

// The rate of every arc: its multiplier times its name's value, in
// `rate`(1 .. chain.narcs()).  Returns 1, or -1 with `error` naming the first
// rate name of the chain that has no value.
int arcRates(const Chain& chain, const RateTable& rates, Array1<double>& rate, std::string& error);

}  // namespace molvex
