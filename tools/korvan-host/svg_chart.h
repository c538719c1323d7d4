// Charts as inline SVG: scales, round ticks, stacked bars, lines over a
// shaded background, a legend. The geometry (scales, ticks, stacking,
// points) is computed apart from the markup, so it can be checked on its
// own; the markup writes every number the same way on every platform.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::host::chart {

// Text for HTML and SVG, inside elements and in quoted attributes: & < > "
// and ' escaped; control characters and bytes that are no valid UTF-8
// become U+FFFD.
std::string escapeText(std::string_view text);

// A coordinate as the markup writes it: rounded to one decimal, without a
// trailing ".0" and without "-0".
std::string coordinate(double value);

// A tick value for an axis: whole numbers below 10,000 as they are, larger
// ones as "12k", "1.5M" (at most one decimal).
std::string tickLabel(double value);

// Maps [domainLow, domainHigh] linearly onto [rangeLow, rangeHigh]; an
// empty domain maps every value to rangeLow.
struct LinearScale {
    double domainLow = 0, domainHigh = 1, rangeLow = 0, rangeHigh = 1;
    double operator()(double value) const;
};

// Round ticks covering [low, high]: the step is 1, 2 or 5 times a power of
// ten (at least minStep), chosen so there are at most maxIntervals steps;
// the first value is the step's multiple at or below low, the last the one
// at or above high. high <= low is taken as high = low + 1.
struct Ticks {
    double step = 1;
    std::vector<double> values;
    double low() const { return values.front(); }
    double high() const { return values.back(); }
};
Ticks niceTicks(double low, double high, int maxIntervals, double minStep = 0);

struct Box {
    double x = 0, y = 0, width = 0, height = 0;
};

struct Series {
    std::string name;
    std::string colour;  // an SVG colour such as "#1f77b4"
    std::vector<double> values;
};

// One piece of a stacked bar: series s in bin b.
struct BarSegment {
    std::size_t series = 0, bin = 0;
    Box box;
};

// Bin b gets the slot plot.width / binCount wide from plot.x + b * slot, its
// bar the middle 80 % of the slot. The series are stacked bottom-up in
// their order; a value of 0 or less (or missing) gives no segment.
std::vector<BarSegment> stackBars(const std::vector<Series>& series, std::size_t binCount, const Box& plot,
                                  const LinearScale& y);

// The largest stack of any bin (0 without data).
double largestStack(const std::vector<Series>& series, std::size_t binCount);

struct Point {
    double x = 0, y = 0;
};
// xs[i], ys[i] through the scales, for as many points as both have.
std::vector<Point> linePoints(const std::vector<double>& xs, const std::vector<double>& ys, const LinearScale& x,
                              const LinearScale& y);

// A label under the x axis at a position in domain units (bins count from
// 0 at the left edge); sub is an optional second line.
struct XLabel {
    double position = 0;
    std::string text, sub;
};

struct Span {
    double from = 0, to = 0;
};

struct Size {
    int width = 720, height = 240;
};

// The margins of every chart: the plot area of a chart of this size.
Box plotArea(const Size& size);

struct BarChart {
    std::string title;   // also the SVG's accessible name
    std::string yTitle;  // the unit of the y axis
    std::size_t binCount = 0;
    std::vector<Series> series;  // values per bin
    std::vector<XLabel> xLabels;
};

struct LineChart {
    std::string title;
    std::string yTitle;
    double xLow = 0, xHigh = 1;  // the x domain
    std::vector<double> x;       // shared by every line
    std::vector<Series> lines;
    std::vector<Span> shaded;    // drawn behind the lines, clipped to the domain
    std::vector<XLabel> xLabels;
};

std::string renderBarChart(const BarChart& chart, const Size& size = {});
std::string renderLineChart(const LineChart& chart, const Size& size = {});

}  // namespace korvan::host::chart
