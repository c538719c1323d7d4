// The chart module's geometry: ticks, scales, stacking, points, and what
// the markup makes of empty data and of hostile texts.
#include <gtest/gtest.h>

#include <limits>
#include <regex>

#include "svg_chart.h"

using namespace korvan::host::chart;

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(ChartTicks, RoundStepsCoverTheRange) {
    struct Case {
        double low, high;
        int intervals;
        double minStep;
        double step, first, last;
    };
    const Case cases[] = {
        {0, 37, 5, 0, 10, 0, 40},                 // 7.4 a step rounds up to 10
        {0, 40, 5, 0, 10, 0, 40},                 // an exact multiple is not passed
        {0, 7730625, 5, 0, 2e6, 0, 8e6},          // large numbers: 2 x 10^6
        {0, 0.9, 5, 0, 0.2, 0, 1},                // fractions
        {0, 3, 5, 1, 1, 0, 3},                    // counts: never a step below 1
        {-12, 18, 6, 0, 5, -15, 20},              // below zero: the multiple at or below low
        {5, 5, 5, 1, 1, 5, 6},                    // an empty range is taken as one unit
        {0, 0, 5, 1, 1, 0, 1},                    // no data at all
    };
    for (const Case& c : cases) {
        const Ticks t = niceTicks(c.low, c.high, c.intervals, c.minStep);
        SCOPED_TRACE(std::to_string(c.low) + ".." + std::to_string(c.high));
        EXPECT_DOUBLE_EQ(t.step, c.step);
        EXPECT_DOUBLE_EQ(t.low(), c.first);
        EXPECT_DOUBLE_EQ(t.high(), c.last);
        EXPECT_LE(static_cast<int>(t.values.size()) - 1, std::max(c.intervals, 1) + 1);
        for (std::size_t i = 1; i < t.values.size(); ++i) EXPECT_DOUBLE_EQ(t.values[i] - t.values[i - 1], t.step);
    }
    // Numbers so large that their difference does not show: two ticks, no
    // endless loop.
    EXPECT_EQ(niceTicks(1e300, 1e300, 5).values.size(), 2u);
    EXPECT_DOUBLE_EQ(niceTicks(0, std::numeric_limits<double>::infinity(), 5).high(), 1);  // taken as 0 to 1
    // Multiples of the step, not sums: 0.6 is written as 0.6.
    const Ticks tenths = niceTicks(0, 1, 10);
    EXPECT_EQ(coordinate(tenths.values[6]), "0.6");
}

TEST(ChartScale, MapsLinearlyAndSurvivesAnEmptyDomain) {
    const LinearScale y{0, 400, 200, 20};  // the y axis grows upwards
    EXPECT_DOUBLE_EQ(y(0), 200);
    EXPECT_DOUBLE_EQ(y(400), 20);
    EXPECT_DOUBLE_EQ(y(100), 155);
    EXPECT_DOUBLE_EQ(y(-100), 245);  // outside the domain: extended, not clamped
    const LinearScale flat{3, 3, 10, 50};
    EXPECT_DOUBLE_EQ(flat(3), 10);
    EXPECT_DOUBLE_EQ(flat(1e9), 10);
}

TEST(ChartBars, StackBottomUpInSeriesOrderAndSkipEmptyValues) {
    const Box plot{40, 20, 300, 200};
    const LinearScale y{0, 10, 220, 20};  // 20 pixels a unit
    const std::vector<Series> series{{"80m", "#111", {2, 0, 5}}, {"40m", "#222", {3, 4}}, {"20m", "#333", {1, -2, 0}}};
    const std::vector<BarSegment> segments = stackBars(series, 3, plot, y);
    // Bin 0: all three; bin 1: 40m only (0 and -2 draw nothing); bin 2: 80m
    // only (40m has no value there).
    ASSERT_EQ(segments.size(), 5u);
    const double slot = 100;
    auto expectSegment = [&](const BarSegment& s, std::size_t series, std::size_t bin, double from, double to) {
        EXPECT_EQ(s.series, series);
        EXPECT_EQ(s.bin, bin);
        EXPECT_DOUBLE_EQ(s.box.x, 40 + bin * slot + 10);
        EXPECT_DOUBLE_EQ(s.box.width, 80);
        EXPECT_DOUBLE_EQ(s.box.y, y(to));
        EXPECT_DOUBLE_EQ(s.box.height, y(from) - y(to));
    };
    expectSegment(segments[0], 0, 0, 0, 2);
    expectSegment(segments[1], 1, 0, 2, 5);
    expectSegment(segments[2], 2, 0, 5, 6);
    expectSegment(segments[3], 1, 1, 0, 4);
    expectSegment(segments[4], 0, 2, 0, 5);
    EXPECT_DOUBLE_EQ(largestStack(series, 3), 6);
    // Stacks reach exactly the height of their sum.
    EXPECT_DOUBLE_EQ(segments[2].box.y, y(6));

    EXPECT_TRUE(stackBars(series, 0, plot, y).empty());
    EXPECT_TRUE(stackBars({}, 4, plot, y).empty());
    EXPECT_DOUBLE_EQ(largestStack({}, 4), 0);
}

TEST(ChartLines, PointsGoThroughBothScalesForTheShorterList) {
    const LinearScale x{0, 24, 48, 708}, y{0, 100, 206, 28};
    const std::vector<Point> points = linePoints({0, 12, 24, 36}, {0, 50, 100}, x, y);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[1].x, 378);
    EXPECT_DOUBLE_EQ(points[1].y, 117);
    EXPECT_DOUBLE_EQ(points[2].y, 28);
}

TEST(ChartNumbers, WrittenAlikeEverywhere) {
    EXPECT_EQ(coordinate(12), "12");
    EXPECT_EQ(coordinate(12.04), "12");
    EXPECT_EQ(coordinate(12.06), "12.1");
    EXPECT_EQ(coordinate(-0.04), "0");  // no "-0"
    EXPECT_EQ(coordinate(-1.25), "-1.3");
    EXPECT_EQ(coordinate(-0.5), "-0.5");
    EXPECT_EQ(coordinate(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(tickLabel(9999), "9999");
    EXPECT_EQ(tickLabel(12000), "12k");
    EXPECT_EQ(tickLabel(1500000), "1.5M");
    EXPECT_EQ(tickLabel(0), "0");
}

TEST(ChartText, EscapesMarkupAndRepairsBrokenBytes) {
    EXPECT_EQ(escapeText("<script>\"a\" & 'b'</script>"),
              "&lt;script&gt;&quot;a&quot; &amp; &#39;b&#39;&lt;/script&gt;");
    // Valid UTF-8 (Cyrillic, Hebrew, an emoji) stays; a stray Windows-1251
    // byte, a cut sequence and control characters become U+FFFD.
    EXPECT_EQ(escapeText("\xD0\x9A \xD7\xA9 \xF0\x9F\x93\xBB"), "\xD0\x9A \xD7\xA9 \xF0\x9F\x93\xBB");
    EXPECT_EQ(escapeText("A\xC0Z"), "A\xEF\xBF\xBDZ");
    EXPECT_EQ(escapeText("\xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(escapeText(std::string("a\0b\x1B\x7F", 5)), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ChartMarkup, EmptyChartsSayNoDataAndDrawNoMarks) {
    BarChart bars{"QSOs per hour", "QSOs", 0, {}, {}};
    const std::string barSvg = renderBarChart(bars);
    EXPECT_NE(barSvg.find(">no data<"), std::string::npos);
    EXPECT_EQ(count(barSvg, "<g fill="), 0u);  // no series group, no bar

    LineChart lines;
    lines.title = "Cumulative score";
    lines.lines.push_back({"Score", "#c05621", {}});
    const std::string lineSvg = renderLineChart(lines);
    EXPECT_NE(lineSvg.find(">no data<"), std::string::npos);
    EXPECT_EQ(count(lineSvg, "<polyline"), 0u);
}

TEST(ChartMarkup, OneRectPerSegmentAndTheTextsEscaped) {
    BarChart chart{"<b>rates</b>", "QSOs", 2, {{"a<b", "#111", {1, 2}}, {"c\"d", "#222", {0, 3}}}, {{0.5, "12", "03-21"}}};
    const std::string svg = renderBarChart(chart, {400, 200});
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_NE(svg.find("viewBox=\"0 0 400 200\""), std::string::npos);
    EXPECT_NE(svg.find("<title>&lt;b&gt;rates&lt;/b&gt;</title>"), std::string::npos);
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
    EXPECT_EQ(svg.find("c\"d"), std::string::npos);
    // Three bars (the 0 is left out) plus the two legend squares.
    EXPECT_EQ(count(svg, "<rect"), 3u + 2u);
    EXPECT_NE(svg.find(">03-21</text>"), std::string::npos);

    LineChart lines;
    lines.title = "QSOs";
    lines.xLow = 0;
    lines.xHigh = 10;
    lines.x = {0, 5, 10};
    lines.lines.push_back({"QSOs", "#111", {0, 5, 10}});
    lines.shaded = {{-5, 2}, {4, 4}, {8, 20}};  // clipped; the empty one dropped
    const std::string lineSvg = renderLineChart(lines, {400, 200});
    const Box plot = plotArea({400, 200});
    const std::regex shade("<rect x=\"([0-9.]+)\" y=\"[0-9.]+\" width=\"([0-9.]+)\"");
    std::vector<std::pair<double, double>> shades;
    for (auto it = std::sregex_iterator(lineSvg.begin(), lineSvg.end(), shade); it != std::sregex_iterator(); ++it)
        shades.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    ASSERT_EQ(shades.size(), 2u);
    EXPECT_NEAR(shades[0].first, plot.x, 0.05);
    EXPECT_NEAR(shades[0].second, plot.width * 0.2, 0.05);
    EXPECT_NEAR(shades[1].first + shades[1].second, plot.x + plot.width, 0.1);
    EXPECT_EQ(count(lineSvg, "<polyline"), 1u);
}
