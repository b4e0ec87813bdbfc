#include "plot/plot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string_view>

namespace molvex {
namespace {

// Canvas geometry in SVG user units.  The plot area keeps its size; the
// canvas widens for long legend labels and grows taller for many entries, so
// that the legend never covers a curve.
constexpr double WIDTH = 800;
constexpr double HEIGHT = 500;
constexpr double LEFT = 90;    // y tick labels and the y axis title
constexpr double TOP = 44;     // the title
constexpr double BOTTOM = 56;  // x tick labels and the x axis title
constexpr double GAP = 32;     // to the legend: half the last x tick label sticks out
constexpr double RIGHT = 12;
constexpr double MINPLOTWIDTH = 400;
constexpr double PLOTHEIGHT = HEIGHT - TOP - BOTTOM;

constexpr double ROW = 18;        // legend line spacing
constexpr double PAD = 10;        // inside the legend box
constexpr double SAMPLE = 28;     // length of a legend's line sample
constexpr double LABELSIZE = 11;  // legend and tick text
constexpr double TITLESIZE = 16;
constexpr double MAXLABELWIDTH = 320;  // legend text beyond this is cut

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Eight colours far enough apart to tell the curves of a crowded plot apart;
// after eight curves the colours come back with another dash, so the first
// thirty-two curves all look different.
constexpr std::array<const char*, 8> PALETTE = {
    "#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b", "#e377c2", "#17becf",
};
constexpr std::array<const char*, 4> DASHES = {"", "7,3", "2,3", "8,3,2,3"};

constexpr const char* BOUNDCOLOR = "#000000";
constexpr const char* LOWERDASH = "6,3";
constexpr const char* BAND = "#808080";

// ---------------------------------------------------------------- text

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";

// The characters of a text from the data, each as its UTF-8 bytes.  Bytes
// that are not UTF-8, and characters XML 1.0 forbids, would make the whole
// document unreadable, so they become U+FFFD; tabs and line ends become
// blanks because a label is drawn on one line.
std::vector<std::string_view> characters(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    unsigned cp = 0;
    if (c < 0x80) {
      len = 1;
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07u;
    }
    bool ok = len > 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      ok = (d & 0xC0u) == 0x80u;
      cp = (cp << 6) | (d & 0x3Fu);
    }
    if (ok) {
      const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
      const bool outside =
          cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF;
      ok = !overlong && !outside;
    }
    if (!ok) {
      out.push_back(REPLACEMENT);
      ++i;  // resynchronise on the next byte
      continue;
    }
    if (cp == '\t' || cp == '\n' || cp == '\r') {
      out.push_back(" ");
    } else if (cp < 0x20) {
      out.push_back(REPLACEMENT);
    } else {
      out.push_back(s.substr(i, len));
    }
    i += len;
  }
  return out;
}

std::string escaped(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The advance of a character in ems.  The document cannot measure its own
// text, so this follows one of the wider sans-serif faces a renderer may
// pick; an estimate errs on the wide side, where it only costs some room.
double advance(std::string_view c) {
  if (c.size() > 1) return 1.0;  // beyond ASCII, possibly a full-width glyph
  const char ch = c[0];
  if (std::string_view("ijl.,:;'!|").find(ch) != std::string_view::npos) return 0.32;
  if (std::string_view("ftrI ()[]-").find(ch) != std::string_view::npos) return 0.44;
  if (std::string_view("mwMW%@").find(ch) != std::string_view::npos) return 1.0;
  if (ch >= 'A' && ch <= 'Z') return 0.78;
  if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) return 0.62;
  return 0.85;
}

// A text from the data made safe for the document and, when wider than
// `room`, cut to fit with an ellipsis.
struct Shown {
  std::string text;  // escaped
  std::string full;  // escaped, uncut
  double width = 0;  // estimated
  bool cut = false;
};

Shown shown(std::string_view raw, double room, double size) {
  const std::vector<std::string_view> chars = characters(raw);
  Shown s;
  std::string all;
  for (const std::string_view c : chars) {
    all += c;
    s.width += advance(c) * size;
  }
  s.full = escaped(all);
  if (s.width <= room) {
    s.text = s.full;
    return s;
  }
  const std::string_view ellipsis = "\xE2\x80\xA6";
  std::string kept;
  s.width = advance(ellipsis) * size;
  for (const std::string_view c : chars) {
    if (s.width + advance(c) * size > room) break;
    kept += c;
    s.width += advance(c) * size;
  }
  s.text = escaped(kept) + std::string(ellipsis);
  s.cut = true;
  return s;
}

// ---------------------------------------------------------------- numbers

// Trailing zeros of a fraction carry nothing and make the file larger.
std::string trimmedFraction(std::string s) {
  const std::size_t e = s.find('e');
  std::string exponent = e == std::string::npos ? "" : s.substr(e);
  std::string mantissa = s.substr(0, e);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  if (mantissa == "-0") mantissa = "0";
  return mantissa + exponent;
}

// std::to_chars rather than printf: the result must not depend on a locale's
// decimal comma.
std::string formatted(double v, std::chars_format format, int precision) {
  std::array<char, 400> buf{};  // any double, even 1e308 written out in full
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v, format, precision);
  return trimmedFraction(std::string(buf.data(), r.ptr));
}

// A coordinate on the canvas; every caller keeps it on the canvas, and the
// guard keeps a slip from ever writing "nan" into the document.
std::string num(double v) {
  return formatted(std::isfinite(v) ? v : 0.0, std::chars_format::fixed, 2);
}

int decade(double v) { return static_cast<int>(std::floor(std::log10(v) + 1e-9)); }

// A tick label as short as its axis allows: plain decimals for ordinary
// magnitudes, otherwise a mantissa with just the digits the step resolves.
std::string tickLabel(double v, double step, double largest) {
  if (std::abs(v) < step * 1e-6) return "0";
  const int stepDecade = decade(step);
  if (largest < 1e4 && stepDecade >= -3) {
    return formatted(v, std::chars_format::fixed, std::max(0, -stepDecade));
  }
  return formatted(v, std::chars_format::scientific, std::max(0, decade(std::abs(v)) - stepDecade));
}

// ---------------------------------------------------------------- axes

struct Tick {
  double at = 0;         // in axis units
  std::string label;     // empty for a minor tick
  std::string exponent;  // a label drawn as 10 to this power
};

struct Axis {
  double lo = 0, hi = 1;  // in axis units: the time, or its log10
  bool log = false;
  std::vector<Tick> ticks;

  // Halved terms keep the span finite for any two finite ends.
  double fraction(double u) const {
    return std::clamp((u / 2 - lo / 2) / (hi / 2 - lo / 2), 0.0, 1.0);
  }
};

// One, two or five times a power of ten, near `raw`.
double niceStep(double raw) {
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / p;
  return (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * p;
}

// An axis from a multiple of a nice step at or below `lo` to one at or above
// `hi`, with a tick at each multiple between.
Axis linearAxis(double lo, double hi, int intervals) {
  // Too narrow a span would need labels of a dozen digits to tell the ticks
  // apart; a single time has no span at all.
  const double least = std::max({std::abs(lo), std::abs(hi), 1e-300}) * 1e-6;
  if (hi / 2 - lo / 2 < least / 2) {
    const double middle = lo / 2 + hi / 2;
    const double half = middle == 0 ? 0.5 : std::max(std::abs(middle) / 2, least);
    lo = middle - half;
    hi = middle + half;
  }
  const double step = niceStep((hi / 2 - lo / 2) / intervals * 2);
  const double first = std::floor(lo / step + 1e-9);
  const double last = std::ceil(hi / step - 1e-9);
  Axis axis;
  axis.lo = std::isfinite(first * step) ? first * step : lo;
  axis.hi = std::isfinite(last * step) ? last * step : hi;
  const double largest = std::max(std::abs(axis.lo), std::abs(axis.hi));
  // Counted in integers: were the ends ever far beyond the step, adding 1 to
  // a double index would stop changing it.
  const int count = last - first <= 20 ? static_cast<int>(last - first) : 0;
  for (int i = 0; i <= count; ++i) {
    const double at = (first + i) * step;
    if (std::isfinite(at)) axis.ticks.push_back({at, tickLabel(at, step, largest), ""});
  }
  return axis;
}

// Whole decades around the times, labelled as powers of ten; with few
// decades the 2..9 multiples get unlabelled ticks to read values by.
Axis logAxis(double tmin, double tmax) {
  Axis axis;
  axis.log = true;
  axis.lo = std::floor(std::log10(tmin) + 1e-9);
  axis.hi = std::ceil(std::log10(tmax) - 1e-9);
  if (axis.hi <= axis.lo) axis.hi = axis.lo + 1;
  const double decades = axis.hi - axis.lo;
  const double every = std::ceil(decades / 8);
  for (double k = axis.lo; k <= axis.hi; ++k) {
    const bool labelled = std::fmod(k - axis.lo, every) == 0;
    axis.ticks.push_back(
        {k, labelled ? "10" : "", labelled ? formatted(k, std::chars_format::fixed, 0) : ""});
    if (decades > 6 || k == axis.hi) continue;
    for (int m = 2; m <= 9; ++m) axis.ticks.push_back({k + std::log10(m), "", ""});
  }
  return axis;
}

// ---------------------------------------------------------------- drawing

struct Point {
  double x, y;
};
using Run = std::vector<Point>;

struct Frame {
  double left, top, width, height;
  Axis x, y;

  // NaN for a time the axis cannot place.
  double xAt(double t) const {
    if (!std::isfinite(t) || (x.log && t <= 0)) return NaN;
    return left + width * x.fraction(x.log ? std::log10(t) : t);
  }
  double xOf(double u) const { return left + width * x.fraction(u); }
  // A value beyond the axis, such as a rounding error below 0 or above 1,
  // is drawn at its edge; NaN for one that is no number at all.
  double yAt(double v) const {
    if (!std::isfinite(v) || (y.log && v <= 0)) return NaN;
    return yOf(y.log ? std::log10(v) : v);
  }
  double yOf(double u) const { return top + height * (1 - y.fraction(u)); }
};

// The stretches of consecutive points the curve can show.  A point without a
// place splits the curve rather than being bridged, so no line claims values
// that were never computed.
std::vector<Run> runs(const Frame& f, const std::vector<double>& times,
                      const std::vector<double>& values) {
  std::vector<Run> out(1);
  const std::size_t n = std::min(times.size(), values.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Point p{f.xAt(times[i]), f.yAt(values[i])};
    if (std::isnan(p.x) || std::isnan(p.y)) {
      if (!out.back().empty()) out.emplace_back();
    } else {
      out.back().push_back(p);
    }
  }
  if (out.back().empty()) out.pop_back();
  return out;
}

std::string pointList(const Run& run) {
  std::string s;
  for (const Point& p : run) {
    if (!s.empty()) s += ' ';
    s += num(p.x) + ',' + num(p.y);
  }
  return s;
}

struct Style {
  const char* color;
  const char* dash;
  double width;
};

std::string strokeOf(const Style& s) {
  std::string a = " stroke=\"" + std::string(s.color) + "\" stroke-width=\"" + num(s.width) + "\"";
  if (*s.dash != '\0') a += " stroke-dasharray=\"" + std::string(s.dash) + "\"";
  return a;
}

// A lone point has no line to show it, so it gets a dot.
void drawCurve(std::string& out, const std::vector<Run>& curve, const Style& style) {
  for (const Run& run : curve) {
    if (run.size() == 1) {
      out += "<circle cx=\"" + num(run[0].x) + "\" cy=\"" + num(run[0].y) + "\" r=\"" +
             num(style.width + 1.5) + "\" fill=\"" + style.color + "\"/>\n";
    } else {
      out += "<polyline fill=\"none\" stroke-linejoin=\"round\"" + strokeOf(style) + " points=\"" +
             pointList(run) + "\"/>\n";
    }
  }
}

// The area between the bounds, over the stretches where both are known.
void drawBand(std::string& out, const Frame& f, const PlotData& d) {
  const std::size_t n = std::min({d.times.size(), d.lower.size(), d.upper.size()});
  Run up, down;
  auto flush = [&] {
    if (up.size() >= 2) {
      Run outline = up;
      outline.insert(outline.end(), down.rbegin(), down.rend());
      out += "<polygon fill=\"" + std::string(BAND) +
             "\" fill-opacity=\"0.3\" stroke=\"none\" points=\"" + pointList(outline) + "\"/>\n";
    }
    up.clear();
    down.clear();
  };
  for (std::size_t i = 0; i < n; ++i) {
    const double x = f.xAt(d.times[i]);
    const double yu = f.yAt(d.upper[i]);
    const double yl = f.yAt(d.lower[i]);
    if (std::isnan(x) || std::isnan(yu) || std::isnan(yl)) {
      flush();
    } else {
      up.push_back({x, yu});
      down.push_back({x, yl});
    }
  }
  flush();
}

void text(std::string& out, double x, double y, const char* anchor, const std::string& attrs,
          const std::string& body) {
  out += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor + "\"" + attrs +
         ">" + body + "</text>\n";
}

// A tick's label, a power of ten as 10 with its exponent raised.
std::string tickBody(const Tick& t) {
  if (t.exponent.empty()) return t.label;
  return t.label + "<tspan dy=\"-5\" font-size=\"8\">" + t.exponent + "</tspan>";
}

void drawAxes(std::string& out, const Frame& f) {
  const double bottom = f.top + f.height;
  const double right = f.left + f.width;
  out += "<g id=\"grid\" stroke=\"#e0e0e0\" stroke-width=\"1\">\n";
  for (const Tick& t : f.x.ticks) {
    if (t.label.empty()) continue;
    const std::string x = num(f.xOf(t.at));
    out += "<line x1=\"" + x + "\" y1=\"" + num(f.top) + "\" x2=\"" + x + "\" y2=\"" + num(bottom) +
           "\"/>\n";
  }
  for (const Tick& t : f.y.ticks) {
    if (t.label.empty()) continue;
    const std::string y = num(f.yOf(t.at));
    out += "<line x1=\"" + num(f.left) + "\" y1=\"" + y + "\" x2=\"" + num(right) + "\" y2=\"" + y +
           "\"/>\n";
  }
  out += "</g>\n";

  out += "<g id=\"x-axis\" font-size=\"11\" stroke=\"#000000\">\n";
  for (const Tick& t : f.x.ticks) {
    const std::string x = num(f.xOf(t.at));
    const double len = t.label.empty() ? 3 : 5;
    out += "<line x1=\"" + x + "\" y1=\"" + num(bottom) + "\" x2=\"" + x + "\" y2=\"" +
           num(bottom + len) + "\"/>\n";
    if (t.label.empty()) continue;
    text(out, f.xOf(t.at), bottom + 18, "middle", " stroke=\"none\"", tickBody(t));
  }
  text(out, f.left + f.width / 2, bottom + 42, "middle", " font-size=\"13\" stroke=\"none\"",
       f.x.log ? "time (log scale)" : "time");
  out += "</g>\n";

  out += "<g id=\"y-axis\" font-size=\"11\" stroke=\"#000000\">\n";
  for (const Tick& t : f.y.ticks) {
    const double y = f.yOf(t.at);
    const double len = t.label.empty() ? 3 : 5;
    out += "<line x1=\"" + num(f.left - len) + "\" y1=\"" + num(y) + "\" x2=\"" + num(f.left) +
           "\" y2=\"" + num(y) + "\"/>\n";
    if (!t.label.empty()) text(out, f.left - 8, y + 4, "end", " stroke=\"none\"", tickBody(t));
  }
  const double mid = f.top + f.height / 2;
  text(out, 18, mid, "middle",
       " font-size=\"13\" stroke=\"none\" transform=\"rotate(-90 18 " + num(mid) + ")\"",
       f.y.log ? "unreliability (log scale)" : "unreliability");
  out += "</g>\n";

  out += "<rect id=\"plot-area\" x=\"" + num(f.left) + "\" y=\"" + num(f.top) + "\" width=\"" +
         num(f.width) + "\" height=\"" + num(f.height) +
         "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1\"/>\n";
}

struct Entry {
  Shown label;
  Style style;
};

// Times the axis can place, and the largest finite value drawn at them.
struct Extent {
  double tmin = std::numeric_limits<double>::infinity();
  double tmax = -std::numeric_limits<double>::infinity();
  double vmax = 0;
  double vmin = std::numeric_limits<double>::infinity();  // the least above 0
  bool any = false;  // a point that can be drawn
};

Extent extentOf(const PlotData& d) {
  Extent e;
  std::vector<const std::vector<double>*> curves = {&d.lower};
  if (d.truncated) curves.push_back(&d.upper);
  for (const PlotCurve& c : d.byType) curves.push_back(&c.values);
  for (std::size_t i = 0; i < d.times.size(); ++i) {
    const double t = d.times[i];
    if (!std::isfinite(t) || (d.logTime && t <= 0)) continue;
    e.tmin = std::min(e.tmin, t);
    e.tmax = std::max(e.tmax, t);
    for (const std::vector<double>* c : curves) {
      if (i >= c->size() || !std::isfinite((*c)[i])) continue;
      e.vmax = std::max(e.vmax, (*c)[i]);
      if ((*c)[i] > 0) e.vmin = std::min(e.vmin, (*c)[i]);
      e.any = e.any || !d.logProbability || (*c)[i] > 0;
    }
  }
  return e;
}

// The document up to its content: the canvas, a white ground and the title
// `what` of `model`, cut to the width.
std::string documentHead(double width, double height, const std::string& what,
                         const std::string& model) {
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + num(width) +
         "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
  const std::string prefix = model.empty() ? what : what + " of ";
  // Bold runs about a tenth wider.
  const double titleRoom = (width - 2 * RIGHT) / 1.1 - shown(prefix, width, TITLESIZE).width;
  const Shown name = shown(model, titleRoom, TITLESIZE);
  out += "<title>" + escaped(prefix) + name.full + "</title>\n";
  out += "<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) +
         "\" fill=\"#ffffff\"/>\n";
  text(out, width / 2, 26, "middle", " font-size=\"" + num(TITLESIZE) + "\" font-weight=\"bold\"",
       escaped(prefix) + name.text);
  return out;
}

}  // namespace

std::string svgPlot(const PlotData& data) {
  std::vector<Entry> entries;
  if (data.truncated) {
    entries.push_back({shown("upper bound (truncation states as failed)", MAXLABELWIDTH, LABELSIZE),
                       {BOUNDCOLOR, "", 2}});
    entries.push_back(
        {shown("lower bound (truncation states as working)", MAXLABELWIDTH, LABELSIZE),
         {BOUNDCOLOR, LOWERDASH, 2}});
  } else {
    entries.push_back({shown("unreliability", MAXLABELWIDTH, LABELSIZE), {BOUNDCOLOR, "", 2}});
  }
  for (std::size_t i = 0; i < data.byType.size(); ++i) {
    const Style style{PALETTE[i % PALETTE.size()], DASHES[(i / PALETTE.size()) % DASHES.size()],
                      1.5};
    entries.push_back({shown(data.byType[i].label, MAXLABELWIDTH, LABELSIZE), style});
  }

  double widest = 0;
  for (const Entry& e : entries) widest = std::max(widest, e.label.width);
  const double legendWidth = 2 * PAD + SAMPLE + 8 + widest;
  const double legendHeight = 2 * PAD + static_cast<double>(entries.size()) * ROW - 4;
  const double width = std::max(WIDTH, std::ceil(LEFT + MINPLOTWIDTH + GAP + legendWidth + RIGHT));
  const double height = std::max(HEIGHT, std::ceil(TOP + legendHeight + RIGHT));

  const Extent ext = extentOf(data);
  Frame f{LEFT, TOP, width - LEFT - GAP - legendWidth - RIGHT, PLOTHEIGHT, {}, {}};
  if (ext.tmin <= ext.tmax) {
    f.x = data.logTime ? logAxis(ext.tmin, ext.tmax) : linearAxis(ext.tmin, ext.tmax, 4);
  } else {
    f.x = data.logTime ? logAxis(1, 10) : linearAxis(0, 1, 4);
  }
  // A value above 1 can only be a rounding error, and smaller values than
  // these are no different from 0 at any size the plot can have.  The steps
  // for a top of at most 1 all divide 1, so the axis ends at 1 at most.
  const double vtop = std::min(ext.vmax, 1.0);
  if (data.logProbability) {
    // Whole decades from the least value above 0 to the largest.
    f.y = std::isfinite(ext.vmin) ? logAxis(std::min(ext.vmin, vtop), vtop) : logAxis(0.1, 1);
  } else {
    f.y = linearAxis(0, vtop > 1e-300 ? vtop : 1.0, 5);
  }

  std::string out = documentHead(width, height, "Unreliability", data.model);

  drawAxes(out, f);

  out += "<g id=\"curves\">\n";
  if (data.truncated) drawBand(out, f, data);
  for (std::size_t i = 0; i < data.byType.size(); ++i) {
    drawCurve(out, runs(f, data.times, data.byType[i].values),
              entries[entries.size() - data.byType.size() + i].style);
  }
  if (data.truncated) {
    drawCurve(out, runs(f, data.times, data.upper), entries[0].style);
    drawCurve(out, runs(f, data.times, data.lower), entries[1].style);
  } else {
    drawCurve(out, runs(f, data.times, data.lower), entries[0].style);
  }
  out += "</g>\n";
  if (!ext.any) {
    text(out, f.left + f.width / 2, f.top + f.height / 2, "middle",
         " font-size=\"14\" fill=\"#808080\"", "no points");
  }

  const double lx = f.left + f.width + GAP;
  out += "<g id=\"legend\" font-size=\"" + num(LABELSIZE) + "\">\n";
  out += "<rect x=\"" + num(lx) + "\" y=\"" + num(TOP) + "\" width=\"" + num(legendWidth) +
         "\" height=\"" + num(legendHeight) +
         "\" fill=\"#ffffff\" stroke=\"#a0a0a0\" stroke-width=\"1\"/>\n";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    const double y = TOP + PAD + 7 + static_cast<double>(i) * ROW;
    out += "<line x1=\"" + num(lx + PAD) + "\" y1=\"" + num(y - 4) + "\" x2=\"" +
           num(lx + PAD + SAMPLE) + "\" y2=\"" + num(y - 4) + "\"" + strokeOf(e.style) + "/>\n";
    // A cut label keeps its whole text as a tooltip.
    const std::string body =
        e.label.cut ? "<title>" + e.label.full + "</title>" + e.label.text : e.label.text;
    text(out, lx + PAD + SAMPLE + 8, y, "start", "", body);
  }
  out += "</g>\n";
  out += "</svg>\n";
  return out;
}

std::string svgBars(const BarData& data) {
  constexpr double BAR = 22;         // a row of the chart
  constexpr double LABELROOM = 220;  // the names left of the bars
  std::vector<Shown> names;
  double widest = 0;
  double lo = 0;
  double hi = 0;
  for (const Bar& b : data.bars) {
    names.push_back(shown(b.label, LABELROOM, LABELSIZE));
    widest = std::max(widest, names.back().width);
    if (std::isfinite(b.value)) {
      lo = std::min(lo, b.value);
      hi = std::max(hi, b.value);
    }
  }
  const double left = 16 + widest + 12;
  const double rows = std::max<double>(1, static_cast<double>(data.bars.size()));
  Frame f{left, TOP, WIDTH - left - 70, rows * BAR, linearAxis(lo, hi > lo ? hi : lo + 1, 5), {}};
  const double height = TOP + f.height + BOTTOM;
  std::string out = documentHead(WIDTH, height, data.title, data.model);
  out += "<g id=\"x-axis\" font-size=\"11\" stroke=\"#000000\">\n";
  const double bottom = f.top + f.height;
  for (const Tick& t : f.x.ticks) {
    const std::string x = num(f.xOf(t.at));
    out += "<line x1=\"" + x + "\" y1=\"" + num(f.top) + "\" x2=\"" + x + "\" y2=\"" +
           num(bottom + 5) + "\" stroke=\"#e0e0e0\"/>\n";
    text(out, f.xOf(t.at), bottom + 18, "middle", " stroke=\"none\"", tickBody(t));
  }
  text(out, f.left + f.width / 2, bottom + 42, "middle", " font-size=\"13\" stroke=\"none\"",
       escaped(data.axis));
  out += "</g>\n<g id=\"bars\" font-size=\"" + num(LABELSIZE) + "\">\n";
  const double zero = f.xOf(0);
  for (std::size_t i = 0; i < data.bars.size(); ++i) {
    const double y = f.top + static_cast<double>(i) * BAR;
    const std::string body =
        names[i].cut ? "<title>" + names[i].full + "</title>" + names[i].text : names[i].text;
    text(out, left - 12, y + BAR / 2 + 4, "end", "", body);
    const double v = data.bars[i].value;
    if (!std::isfinite(v)) {
      text(out, zero + 4, y + BAR / 2 + 4, "start", " fill=\"#808080\"", "no value");
      continue;
    }
    const double end = f.xOf(v);
    out += "<rect x=\"" + num(std::min(zero, end)) + "\" y=\"" + num(y + 4) + "\" width=\"" +
           num(std::abs(end - zero)) + "\" height=\"" + num(BAR - 8) + "\" fill=\"" +
           (v < 0 ? PALETTE[1] : PALETTE[0]) + "\"/>\n";
    text(out, std::max(zero, end) + 4, y + BAR / 2 + 4, "start", "",
         formatted(v, std::chars_format::general, 4));
  }
  out += "<line x1=\"" + num(zero) + "\" y1=\"" + num(f.top) + "\" x2=\"" + num(zero) + "\" y2=\"" +
         num(bottom) + "\" stroke=\"#000000\"/>\n</g>\n</svg>\n";
  return out;
}

}  // namespace molvex
