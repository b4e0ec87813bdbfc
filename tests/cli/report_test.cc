// A time without a figure in the report: its row says so in every form, and
// the figures of the other times are there beside it.
#include "cli/report.h"

#include <gtest/gtest.h>

#include <limits>

namespace molvex {
namespace {

TEST(Report, ATimeWithoutAFigureSaysSoBesideTheOthers) {
  Chain chain;
  chain.model = "M";
  Report report;
  report.chain = &chain;
  report.epsilon = 1e-12;
  report.unsolved = "M: time 5 needs more than 30 steps";
  for (const double lower : {0.25, std::numeric_limits<double>::quiet_NaN()}) {
    Unreliability u;
    u.time = report.unreliability.size() + 1.0;
    u.lower = u.upper = lower;
    u.terms = lower == lower ? 7 : 0;
    report.unreliability.push_back(std::move(u));
  }
  const std::string table = reportTable(report);
  EXPECT_NE(table.find("                   1                  0.25         7\n"), std::string::npos)
      << table;
  EXPECT_NE(table.find("                   2            not solved\n"), std::string::npos) << table;
  EXPECT_NE(reportCsv(report).find("\n2,null,null\n"), std::string::npos) << reportCsv(report);
  EXPECT_NE(reportJson(report).find("{\"time\": 2, \"lower\": null, \"upper\": null"),
            std::string::npos)
      << reportJson(report);
}

}  // namespace
}  // namespace molvex
