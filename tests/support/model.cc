#include "support/model.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "chain/rates.h"
#include "chain/solve.h"
#include "stategen/ft2mc.h"

namespace molvex::testing {

Loaded::Loaded(const std::string& txt, const std::vector<double>& rates, int ntrunc) {
  std::string dic;
  std::string rat;
  for (std::size_t t = 0; t < rates.size(); ++t) {
    const std::string name(1, static_cast<char>('A' + t));
    dic += std::to_string(t + 1) + " PART " + name + "\n  BODY\n";
    char value[40];
    std::snprintf(value, sizeof value, "%.17g", rates[t]);
    rat += name + " " + value + "\n";
  }
  dir.write("M.DIC", dic);
  dir.write("M.TXT", txt);
  dir.write("M.RAT", rat);
  EXPECT_EQ(FT2MC("M              ", 15, ntrunc, 1), 1) << con.screen();
  RateTable table;
  Error error;
  EXPECT_TRUE(readChain("M", chain, error)) << error.message();
  EXPECT_TRUE(readRates("M.RAT", table, error)) << error.message();
  EXPECT_TRUE(arcRates(chain, table, rate, error)) << error.message();
  EXPECT_TRUE(topologicalOrder(chain, order, error)) << error.message();
}

}  // namespace molvex::testing
