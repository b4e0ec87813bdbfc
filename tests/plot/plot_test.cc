#include "plot/plot.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/console.h"

namespace molvex {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

PlotData plot(std::vector<double> times, std::vector<double> lower, bool log = false) {
  PlotData d;
  d.model = "pump";
  d.times = std::move(times);
  d.upper = d.lower = std::move(lower);
  d.logTime = log;
  return d;
}

// A truncated run over 0..1e4 (or 0.01..1e4 on a log axis), with `types`
// component types.
PlotData banded(int types, bool log = false) {
  PlotData d = plot({}, {}, log);
  d.truncated = true;
  auto failing = [&](double rate) {
    std::vector<double> v;
    for (const double t : d.times) v.push_back(1 - std::exp(-rate * t));
    return v;
  };
  for (int i = 0; i < 60; ++i) d.times.push_back(log ? 0.01 * std::pow(1e6, i / 59.0) : i * 170.0);
  d.lower = failing(1e-4);
  d.upper = failing(3e-4);
  for (int i = 0; i < types; ++i) {
    d.byType.push_back({"type " + std::to_string(i + 1), failing(1e-4 / (i + 2))});
  }
  return d;
}

std::string attr(const std::string& element, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const std::size_t at = element.find(key);
  if (at == std::string::npos) return "";
  return element.substr(at + key.size(), element.find('"', at + key.size()) - at - key.size());
}
double number(const std::string& element, const std::string& name) {
  return std::stod(attr(element, name));
}

// The elements of a kind ("<text", "<line"...) in the group of the given id,
// or in the whole document for an empty id.
std::vector<std::string> elements(const std::string& svg, const std::string& id,
                                  const std::string& kind) {
  std::vector<std::string> out;
  const std::size_t start = id.empty() ? 0 : svg.find("<g id=\"" + id + "\"");
  const std::size_t end = id.empty() ? svg.size() : svg.find("</g>", start);
  for (std::size_t at = svg.find(kind, start); at < end; at = svg.find(kind, at + 1)) {
    out.push_back(svg.substr(at, svg.find(kind == "<text" ? "</text>" : ">", at) - at));
  }
  return out;
}

// What a reader sees of each text of a group, a superscript after '^'.
std::vector<std::string> texts(const std::string& svg, const std::string& id) {
  std::vector<std::string> out;
  for (const std::string& e : elements(svg, id, "<text")) {
    std::string seen;
    for (std::size_t i = e.find('>') + 1; i < e.size(); ++i) {
      if (e[i] != '<') {
        seen += e[i];
      } else {
        if (e.compare(i, 6, "<tspan") == 0) seen += '^';
        i = e.find('>', i);
      }
    }
    out.push_back(seen);
  }
  return out;
}

// Every point a curve or the band passes through.
std::vector<std::pair<double, double>> drawnPoints(const std::string& svg) {
  std::vector<std::pair<double, double>> out;
  for (const char* kind : {"<polyline", "<polygon"}) {
    for (const std::string& e : elements(svg, "curves", kind)) {
      std::string points = attr(e, "points");
      std::replace(points.begin(), points.end(), ',', ' ');
      std::istringstream in(points);
      for (double x = 0, y = 0; in >> x >> y;) out.emplace_back(x, y);
    }
  }
  for (const std::string& e : elements(svg, "curves", "<circle")) {
    out.emplace_back(number(e, "cx"), number(e, "cy"));
  }
  return out;
}

PlotData logProbability(PlotData data) {
  data.logProbability = true;
  return data;
}

TEST(Plot, EveryKindOfPlotRendersCleanly) {
  PlotData named = plot({0, 1}, {0, 1});
  named.model = "a<b&c\"d'e> \x01 \xC3 \xED\xA0\x80 \xE2\x9C\x93";
  PlotData broken = plot({0, 1, 2, NaN, 4, INF, 1e308}, {0, NaN, 0.5, 0.5, INF, 0.7, -INF});
  broken.upper = {0, 0.2, 0.6, 0.6, 0.8, 0.9};
  broken.truncated = true;
  broken.byType = {{"short", {0.1, 0.2}}, {"missing", {NaN, NaN, NaN}}};
  PlotData cycling = banded(11);
  cycling.byType[9].label = std::string(80, 'w');
  const std::string pump = "Unreliability of pump";
  const struct {
    const char* name;
    PlotData data;
    std::string title;
  } cases[] = {
      {"untruncated", plot({0, 1, 2, 3}, {0, 0.1, 0.15, 0.3}), pump},
      {"truncated band and three types", banded(3), pump},
      {"log time", banded(3, true), pump},
      {"name to escape", named,
       "Unreliability of a&lt;b&amp;c&quot;d&apos;e&gt; \uFFFD \uFFFD \uFFFD\uFFFD\uFFFD \u2713"},
      {"empty", plot({}, {}), pump},
      {"empty log time", plot({}, {}, true), pump},
      {"single point", plot({5}, {0.25}), pump},
      {"nothing finite", plot({1, 2}, {NaN, INF}), pump},
      {"non-finite and short curves", broken, pump},
      {"extreme times, values beyond 0..1", plot({-1e308, 1e308}, {-1e-17, 1 + 1e-12}), pump},
      {"log time, times it cannot place", plot({-1, 0, 1e-300, 1e300}, {0.1, 0.2, 0.3, 0.4}, true),
       pump},
      {"eleven types and a long label", cycling, pump},
      {"log probability, zeros and values past 1",
       logProbability(plot({0, 1, 2, 3}, {0, 1e-9, 0.5, 1 + 1e-12})), pump},
      {"log probability, nothing above 0", logProbability(plot({0, 1}, {0, 0})), pump},
  };

  if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0) {
    if (std::getenv("CI") != nullptr) FAIL() << "rsvg-convert is missing on CI";
    GTEST_SKIP() << "rsvg-convert is not installed (Debian: librsvg2-bin)";
  }
  testing::ScratchDir dir;
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string svg = svgPlot(c.data);
    EXPECT_NE(svg.find(">" + c.title + "</text>"), std::string::npos);
    std::string lower = svg;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(lower.find("nan"), std::string::npos);
    EXPECT_EQ(lower.find("inf"), std::string::npos);

    const std::string area = elements(svg, "", "<rect id=\"plot-area\"").at(0);
    const double left = number(area, "x"), right = left + number(area, "width");
    const double top = number(area, "y"), bottom = top + number(area, "height");
    const std::vector<std::pair<double, double>> points = drawnPoints(svg);
    for (const auto& [x, y] : points) {
      EXPECT_TRUE(x >= left && x <= right && y >= top && y <= bottom)
          << x << "," << y << " is off the plot";
    }
    // The note shows exactly when nothing is drawn, and a lone point is
    // drawn as a dot, since a line through one point shows nothing.
    EXPECT_EQ(svg.find(">no points</text>") != std::string::npos, points.empty());
    for (const std::string& e : elements(svg, "curves", "<polyline")) {
      EXPECT_NE(attr(e, "points").find(' '), std::string::npos) << e;
    }

    const std::string base = "case" + std::to_string(++n);
    dir.write(base + ".svg", svg);
    const int status = std::system(
        ("rsvg-convert -o " + base + ".png " + base + ".svg 2>" + base + ".err").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(dir.read(base + ".err"), "");
    EXPECT_EQ(dir.read(base + ".png").substr(0, 4), "\x89PNG");
  }
}

TEST(Plot, LegendListsEachCurveBesideThePlot) {
  PlotData escaping = plot({0, 1}, {0, 1});
  escaping.byType = {{"x&y<z", {0, 0.5}}};
  PlotData wide = banded(30);
  wide.byType[4].label = std::string(60, 'w');
  const std::string upper = "upper bound (truncation states as failed)";
  const std::string lower = "lower bound (truncation states as working)";
  const struct {
    const char* name;
    PlotData data;
    std::vector<std::string> first;  // the legend's first texts
  } cases[] = {
      {"plain", escaping, {"unreliability", "x&amp;y&lt;z"}},
      {"banded", banded(3), {upper, lower, "type 1", "type 2", "type 3"}},
      {"many and long", wide, {upper, lower, "type 1", "type 2", "type 3", "type 4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string svg = svgPlot(c.data);
    std::vector<std::string> legend = texts(svg, "legend");
    ASSERT_EQ(legend.size(), (c.data.truncated ? 2 : 1) + c.data.byType.size());
    legend.resize(c.first.size());
    EXPECT_EQ(legend, c.first);

    // The box lies right of the plot area and inside the canvas.
    const std::string box = elements(svg, "legend", "<rect").at(0);
    const std::string area = elements(svg, "", "<rect id=\"plot-area\"").at(0);
    const std::string root = elements(svg, "", "<svg").at(0);
    EXPECT_GT(number(box, "x"), number(area, "x") + number(area, "width"));
    EXPECT_LE(number(box, "x") + number(box, "width"), number(root, "width"));
    EXPECT_LE(number(box, "y") + number(box, "height"), number(root, "height"));
  }

  // A label too long for the box is cut, the cut marked and the whole label
  // kept as a tooltip.
  const std::string cut = elements(svgPlot(wide), "legend", "<text").at(6);
  EXPECT_EQ(cut.substr(cut.size() - 4), "w\xE2\x80\xA6");
  EXPECT_NE(cut.find("<title>" + std::string(60, 'w') + "</title>"), std::string::npos);
  EXPECT_EQ(cut.find(std::string(60, 'w') + "\xE2"), std::string::npos);

  // Past the palette a colour comes back, but with another dash.
  const std::vector<std::string> lines = elements(svgPlot(wide), "legend", "<line");
  EXPECT_NE(attr(lines[2], "stroke"), attr(lines[3], "stroke"));
  EXPECT_EQ(attr(lines[2], "stroke"), attr(lines[10], "stroke"));
  EXPECT_NE(attr(lines[2], "stroke-dasharray"), attr(lines[10], "stroke-dasharray"));
}

TEST(Plot, AxesHaveNiceCompactTicks) {
  const std::vector<std::string> tenths = {"0", "0.2", "0.4", "0.6", "0.8", "1", "unreliability"};
  const struct {
    const char* name;
    PlotData data;
    std::vector<std::string> x, y;  // tick labels, then the axis title
  } cases[] = {
      {"a year in hours",
       plot({0, 8760}, {0, 0.37}),
       {"0", "2e+03", "4e+03", "6e+03", "8e+03", "1e+04", "time"},
       {"0", "0.1", "0.2", "0.3", "0.4", "unreliability"}},
      {"all zero",
       plot({0, 1000}, {0, 0}),
       {"0", "200", "400", "600", "800", "1000", "time"},
       tenths},
      {"small",
       plot({0, 0.25}, {0, 0.25}),
       {"0", "0.05", "0.1", "0.15", "0.2", "0.25", "time"},
       {"0", "0.05", "0.1", "0.15", "0.2", "0.25", "unreliability"}},
      {"tiny",
       plot({0, 3e4}, {0, 3e-6}),
       {"0", "1e+04", "2e+04", "3e+04", "time"},
       {"0", "5e-07", "1e-06", "1.5e-06", "2e-06", "2.5e-06", "3e-06", "unreliability"}},
      {"ends of the doubles, a value past 1",
       plot({-1e308, 1e308}, {0, 1.3}),
       {"-1e+308", "-5e+307", "0", "5e+307", "1e+308", "time"},
       tenths},
      {"log time",
       banded(0, true),
       {"10^-2", "10^-1", "10^0", "10^1", "10^2", "10^3", "10^4", "time (log scale)"},
       tenths},
      {"log probability: decades from the least value above 0",
       logProbability(plot({0, 10, 20}, {0, 2e-6, 3e-3})),
       {"0", "5", "10", "15", "20", "time"},
       {"10^-6", "10^-5", "10^-4", "10^-3", "10^-2", "unreliability (log scale)"}},
      {"many decades",
       plot({1e-6, 1e18}, {0, 0.5}, true),
       {"10^-6", "10^-3", "10^0", "10^3", "10^6", "10^9", "10^12", "10^15", "10^18",
        "time (log scale)"},
       {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "unreliability"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string svg = svgPlot(c.data);
    EXPECT_EQ(texts(svg, "x-axis"), c.x);
    EXPECT_EQ(texts(svg, "y-axis"), c.y);
  }
}

// Each bar runs from 0 to its value, on one scale; a value that is no
// number gets no bar but says so, and a name is escaped.
TEST(Plot, BarsRunFromZeroToEachValue) {
  const BarData data{"pump",
                     "Criticality",
                     "criticality",
                     {{"A<B", 0.4}, {"half", 0.2}, {"negative", -0.1}, {"none", NaN}}};
  const std::string svg = svgBars(data);
  const std::vector<std::string> bars = elements(svg, "bars", "<rect");
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_NEAR(number(bars[0], "width"), 2 * number(bars[1], "width"), 0.02);
  EXPECT_NEAR(number(bars[0], "width"), 4 * number(bars[2], "width"), 0.04);
  // The negative bar ends where the positive ones begin.
  EXPECT_NEAR(number(bars[2], "x") + number(bars[2], "width"), number(bars[0], "x"), 0.01);
  const std::vector<std::string> labels = texts(svg, "bars");
  for (const char* seen : {"A&lt;B", "half", "negative", "none", "no value"}) {
    EXPECT_NE(std::find(labels.begin(), labels.end(), seen), labels.end()) << seen;
  }
  EXPECT_NE(svg.find("<title>Criticality of pump</title>"), std::string::npos);
}

}  // namespace
}  // namespace molvex
