// A picture of the unreliability over time, as an SVG document the program
// draws itself: the curve (or, after a truncated run, the band between its
// lower and upper bound), the share of each component type's failure state,
// labelled axes, a legend and the model's name.
#pragma once

#include <string>
#include <vector>

namespace molvex {

struct PlotCurve {
  std::string label;           // for the legend
  std::vector<double> values;  // one per time of the plot
};

struct PlotData {
  std::string model;
  std::vector<double> times;      // increasing; above 0 throughout when logTime
  std::vector<double> lower;      // the unreliability, or its lower bound
  std::vector<double> upper;      // equal to lower unless truncated
  bool truncated = false;         // draw the band between lower and upper
  std::vector<PlotCurve> byType;  // probability of each type's failure state
  bool logTime = false;           // a logarithmic time axis
  // A logarithmic probability axis, down to the least value above 0 (a value
  // of 0 splits the curve there).
  bool logProbability = false;
};

// The SVG text of the plot.
std::string svgPlot(const PlotData& data);

// A bar chart of one value per component, in the order given, for the
// ranking of --importance: a bar from 0 to each value (a value that is no
// number drawn as "no value").
struct Bar {
  std::string label;
  double value;
};
struct BarData {
  std::string model;
  std::string title;  // of the chart, before "of MODEL"
  std::string axis;   // what the values are
  std::vector<Bar> bars;
};
std::string svgBars(const BarData& data);

}  // namespace molvex
