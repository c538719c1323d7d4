#include "svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "text.h"

namespace korvan::host::chart {

namespace {

constexpr double kMarginLeft = 48, kMarginRight = 12, kMarginTop = 28, kMarginBottom = 34;
constexpr int kYIntervals = 5;
constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD
constexpr const char* kAxisColour = "#444";
constexpr const char* kGridColour = "#ddd";
constexpr const char* kShadeColour = "#eee";

std::string attribute(const char* name, double value) {
    return std::string(" ") + name + "=\"" + coordinate(value) + "\"";
}

// The opening tag of a chart and its accessible title.
std::string openChart(const std::string& title, const Size& size) {
    const std::string w = std::to_string(size.width), h = std::to_string(size.height);
    const std::string name = escapeText(title);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" viewBox=\"0 0 " + w + " " + h +
           "\" width=\"" + w + "\" height=\"" + h + "\" role=\"img\" aria-label=\"" + name + "\"><title>" + name +
           "</title>";
}

// Horizontal grid lines with their labels at the y ticks, the unit above
// the axis, and the two axis lines.
std::string gridAndAxes(const Box& plot, const Ticks& ticks, const LinearScale& y, const std::string& yTitle) {
    std::string out = "<g font-size=\"10\" fill=\"" + std::string(kAxisColour) + "\">";
    for (double value : ticks.values) {
        const double at = y(value);
        out += "<line" + attribute("x1", plot.x) + attribute("x2", plot.x + plot.width) + attribute("y1", at) +
               attribute("y2", at) + " stroke=\"" + kGridColour + "\"/>";
        out += "<text" + attribute("x", plot.x - 4) + attribute("y", at + 3) + " text-anchor=\"end\">" +
               escapeText(tickLabel(value)) + "</text>";
    }
    out += "<text" + attribute("x", 4) + attribute("y", plot.y - 10) + ">" + escapeText(yTitle) + "</text>";
    const double bottom = plot.y + plot.height;
    out += "<path d=\"M" + coordinate(plot.x) + " " + coordinate(plot.y) + "V" + coordinate(bottom) + "H" +
           coordinate(plot.x + plot.width) + "\" fill=\"none\" stroke=\"" + kAxisColour + "\"/></g>";
    return out;
}

std::string xLabels(const std::vector<XLabel>& labels, const Box& plot, const LinearScale& x) {
    std::string out = "<g font-size=\"10\" text-anchor=\"middle\" fill=\"" + std::string(kAxisColour) + "\">";
    const double bottom = plot.y + plot.height;
    for (const XLabel& label : labels) {
        const double at = x(label.position);
        out += "<text" + attribute("x", at) + attribute("y", bottom + 13) + ">" + escapeText(label.text) + "</text>";
        if (!label.sub.empty())
            out += "<text" + attribute("x", at) + attribute("y", bottom + 25) + ">" + escapeText(label.sub) +
                   "</text>";
    }
    return out + "</g>";
}

// The series names with their colours along the top right.
std::string legend(const std::vector<Series>& series, const Box& plot) {
    if (series.size() < 2) return {};
    std::string out = "<g font-size=\"10\" fill=\"" + std::string(kAxisColour) + "\">";
    double x = plot.x + plot.width;
    for (auto it = series.rbegin(); it != series.rend(); ++it) {
        const double textWidth = 6.0 * static_cast<double>(it->name.size());
        x -= textWidth + 18;
        out += "<rect" + attribute("x", x) + attribute("y", plot.y - 19) + " width=\"10\" height=\"10\" fill=\"" +
               escapeText(it->colour) + "\"/>";
        out += "<text" + attribute("x", x + 13) + attribute("y", plot.y - 10) + ">" + escapeText(it->name) +
               "</text>";
    }
    return out + "</g>";
}

std::string noData(const Box& plot) {
    return "<text" + attribute("x", plot.x + plot.width / 2) + attribute("y", plot.y + plot.height / 2) +
           " font-size=\"12\" text-anchor=\"middle\" fill=\"" + kAxisColour + "\">no data</text>";
}

}  // namespace

std::string escapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (std::size_t n = utf8SequenceLength(text, i)) {
                out.append(text.substr(i, n));
                i += n;
            } else {
                out += kReplacementCharacter;
                ++i;
            }
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                if (c < 0x20 || c == 0x7F)
                    out += kReplacementCharacter;
                else
                    out += static_cast<char>(c);
        }
        ++i;
    }
    return out;
}

std::string coordinate(double value) {
    if (!std::isfinite(value)) return "0";
    const long long tenths = std::llround(value * 10.0);
    if (tenths == 0) return "0";
    const long long whole = tenths / 10, fraction = tenths % 10;
    std::string out = tenths < 0 ? "-" : "";
    out += std::to_string(whole < 0 ? -whole : whole);
    if (fraction != 0) out += "." + std::to_string(fraction < 0 ? -fraction : fraction);
    return out;
}

std::string tickLabel(double value) {
    const double magnitude = std::fabs(value);
    if (magnitude < 10000) return coordinate(value);
    const bool millions = magnitude >= 1e6;
    return coordinate(value / (millions ? 1e6 : 1e3)) + (millions ? "M" : "k");
}

double LinearScale::operator()(double value) const {
    const double span = domainHigh - domainLow;
    if (!(span != 0) || !std::isfinite(span)) return rangeLow;
    return rangeLow + (value - domainLow) / span * (rangeHigh - rangeLow);
}

Ticks niceTicks(double low, double high, int maxIntervals, double minStep) {
    if (!std::isfinite(low)) low = 0;
    if (!std::isfinite(high) || high <= low) high = low + 1;
    maxIntervals = std::max(maxIntervals, 1);
    double raw = std::max((high - low) / maxIntervals, minStep);
    if (!(raw > 0) || !std::isfinite(raw)) raw = 1;
    // The power of ten at or below raw, by plain multiplications and
    // divisions: the C libraries' pow and log10 may differ in the last bit
    // between platforms, and the page must come out the same everywhere.
    double power = 1;
    while (power * 10 <= raw) power *= 10;
    while (power > raw) power /= 10;
    double step = power * 10;
    for (double multiple : {1.0, 2.0, 5.0}) {
        if (power * multiple >= raw * (1 - 1e-9)) {
            step = power * multiple;
            break;
        }
    }
    // Whole multiples of the step, so values such as 0.3 carry no rounding
    // error from repeated additions.
    const double first = std::floor(low / step + 1e-9), last = std::ceil(high / step - 1e-9);
    const double intervals = std::max(last - first, 1.0);
    Ticks ticks;
    ticks.step = step;
    if (!(intervals <= 2.0 * maxIntervals + 2)) {  // numbers too large for their difference to show
        ticks.values = {low, high};
        ticks.step = high - low;
        return ticks;
    }
    for (int k = 0; k <= static_cast<int>(intervals); ++k) ticks.values.push_back((first + k) * step);
    return ticks;
}

double largestStack(const std::vector<Series>& series, std::size_t binCount) {
    double largest = 0;
    for (std::size_t bin = 0; bin < binCount; ++bin) {
        double stack = 0;
        for (const Series& s : series)
            if (bin < s.values.size() && s.values[bin] > 0) stack += s.values[bin];
        largest = std::max(largest, stack);
    }
    return largest;
}

std::vector<BarSegment> stackBars(const std::vector<Series>& series, std::size_t binCount, const Box& plot,
                                  const LinearScale& y) {
    std::vector<BarSegment> segments;
    if (binCount == 0) return segments;
    const double slot = plot.width / static_cast<double>(binCount);
    for (std::size_t bin = 0; bin < binCount; ++bin) {
        double base = 0;
        for (std::size_t s = 0; s < series.size(); ++s) {
            const double value = bin < series[s].values.size() ? series[s].values[bin] : 0;
            if (!(value > 0)) continue;
            const double top = y(base + value), bottom = y(base);
            segments.push_back({s, bin, {plot.x + slot * bin + slot * 0.1, top, slot * 0.8, bottom - top}});
            base += value;
        }
    }
    return segments;
}

std::vector<Point> linePoints(const std::vector<double>& xs, const std::vector<double>& ys, const LinearScale& x,
                              const LinearScale& y) {
    std::vector<Point> points;
    const std::size_t n = std::min(xs.size(), ys.size());
    points.reserve(n);
    for (std::size_t i = 0; i < n; ++i) points.push_back({x(xs[i]), y(ys[i])});
    return points;
}

Box plotArea(const Size& size) {
    return {kMarginLeft, kMarginTop, std::max(1.0, size.width - kMarginLeft - kMarginRight),
            std::max(1.0, size.height - kMarginTop - kMarginBottom)};
}

std::string renderBarChart(const BarChart& chart, const Size& size) {
    const Box plot = plotArea(size);
    const Ticks ticks = niceTicks(0, largestStack(chart.series, chart.binCount), kYIntervals, 1);
    const LinearScale y{ticks.low(), ticks.high(), plot.y + plot.height, plot.y};
    const LinearScale x{0, static_cast<double>(std::max<std::size_t>(chart.binCount, 1)), plot.x,
                        plot.x + plot.width};

    std::string out = openChart(chart.title, size) + gridAndAxes(plot, ticks, y, chart.yTitle);
    const std::vector<BarSegment> segments = stackBars(chart.series, chart.binCount, plot, y);
    // One group per series, so each segment needs no colour of its own.
    for (std::size_t s = 0; s < chart.series.size(); ++s) {
        out += "<g fill=\"" + escapeText(chart.series[s].colour) + "\">";
        for (const BarSegment& segment : segments) {
            if (segment.series != s) continue;
            out += "<rect" + attribute("x", segment.box.x) + attribute("y", segment.box.y) +
                   attribute("width", segment.box.width) + attribute("height", segment.box.height) + "/>";
        }
        out += "</g>";
    }
    if (segments.empty()) out += noData(plot);
    out += xLabels(chart.xLabels, plot, x) + legend(chart.series, plot);
    return out + "</svg>";
}

std::string renderLineChart(const LineChart& chart, const Size& size) {
    const Box plot = plotArea(size);
    double largest = 0;
    bool anyPoint = false;
    for (const Series& line : chart.lines) {
        for (std::size_t i = 0; i < line.values.size() && i < chart.x.size(); ++i) {
            largest = std::max(largest, line.values[i]);
            anyPoint = true;
        }
    }
    const Ticks ticks = niceTicks(0, largest, kYIntervals, 1);
    const LinearScale y{ticks.low(), ticks.high(), plot.y + plot.height, plot.y};
    const LinearScale x{chart.xLow, chart.xHigh, plot.x, plot.x + plot.width};

    std::string out = openChart(chart.title, size);
    out += "<g fill=\"" + std::string(kShadeColour) + "\">";
    for (const Span& span : chart.shaded) {
        const double from = x(std::max(span.from, chart.xLow)), to = x(std::min(span.to, chart.xHigh));
        if (to <= from) continue;
        out += "<rect" + attribute("x", from) + attribute("y", plot.y) + attribute("width", to - from) +
               attribute("height", plot.height) + "/>";
    }
    out += "</g>" + gridAndAxes(plot, ticks, y, chart.yTitle);
    for (const Series& line : chart.lines) {
        const std::vector<Point> points = linePoints(chart.x, line.values, x, y);
        if (points.empty()) continue;
        out += "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"" + escapeText(line.colour) + "\" points=\"";
        for (std::size_t i = 0; i < points.size(); ++i)
            out += (i ? " " : "") + coordinate(points[i].x) + "," + coordinate(points[i].y);
        out += "\"/>";
    }
    if (!anyPoint) out += noData(plot);
    out += xLabels(chart.xLabels, plot, x) + legend(chart.lines, plot);
    return out + "</svg>";
}

}  // namespace korvan::host::chart
