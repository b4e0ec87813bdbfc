// Failure-rate values for the rate names of a chain: a rates file (NAME.RAT
// by default) of "RATENAME VALUE" lines; blank lines and lines whose first
// non-blank character is '#' are comments.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "chain/chain.h"
#include "chain/error.h"
#include "util/array1.h"

namespace molvex {

struct RateTable {
  std::string file;                                  // where the values were read
  std::map<std::string, double, std::less<>> value;  // by rate name
};

// Reads a rates file.  Every value must be a finite number of 0 or more, every
// name given once.  False with `error` naming the file and line.
bool readRates(std::string_view file, RateTable& rates, Error& error);

// Values given as NAME=VALUE (the command line's --set) over those of the
// file: each NAME a rate name of the chain, each VALUE as in a rates file.
// False with `error` naming the first that is not.
bool setRates(const std::vector<std::string>& sets, const Chain& chain, RateTable& rates,
              Error& error);

// The rate of every arc: its multiplier times its name's value, in
// `rate`(1 .. chain.narcs()).  False with `error` naming the first
// rate name of the chain that has no value.
bool arcRates(const Chain& chain, const RateTable& rates, Array1<double>& rate, Error& error);

}  // namespace molvex
