#include "report_page.h"

#include <algorithm>
#include <vector>

#include "svg_chart.h"

namespace korvan::host {

namespace {

using chart::escapeText;

// The KDA area grid as the KDA window lays it out (dialog units).
struct GridBox {
    const char* code;
    int x, y, width;
};
constexpr GridBox kGrid[] = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) {code, x, y, width},
#include "resources/kda_grid_table.inc"
#undef KDA_GRID_BOX
};
constexpr int kGridWidth = 211, kGridHeight = 321, kGridBoxHeight = 8;

const char* const kBandColours[] = {"#4c72b0", "#dd8452", "#55a868", "#c44e52", "#8172b3",
                                    "#937860", "#da8bc3", "#8c8c8c"};
const char* const kModeColours[] = {"#2b6cb0", "#d69e2e"};
const char* const kDxccColour = "#2b6cb0";
const char* const kKdaColour = "#c05621";
const char* const kTotalColour = "#444444";

const char* const kStyle =
    "body{font:14px/1.45 system-ui,sans-serif;color:#222;margin:0 auto;max-width:980px;padding:0 16px 24px}"
    "h1{font-size:22px;margin:16px 0 4px}h2{font-size:18px;border-bottom:2px solid #2b6cb0;margin:28px 0 8px}"
    "h3{font-size:15px;margin:16px 0 4px}nav{margin:8px 0 0}nav a{margin-right:12px;color:#2b6cb0}"
    "table{border-collapse:collapse;margin:6px 0}th,td{border:1px solid #ccc;padding:2px 8px;text-align:left;"
    "vertical-align:top;unicode-bidi:isolate}th{background:#f3f6fa}.n{text-align:right}"
    "figure{margin:14px 0;break-inside:avoid}figcaption{font-weight:bold;margin-bottom:2px}"
    "svg.chart{display:block;width:100%;max-width:720px;height:auto}"
    ".grids{display:flex;flex-wrap:wrap;gap:10px}.grids figure{margin:4px 0}"
    ".grids svg{display:block;width:224px;height:auto}"
    "details{margin:4px 0 10px}summary{color:#2b6cb0;cursor:pointer}"
    ".score{font:bold 16px monospace}.note{background:#fff4e5;border-left:4px solid #dd6b20;padding:4px 10px}"
    ".cols{display:flex;flex-wrap:wrap;gap:24px}"
    "@page{size:A4;margin:12mm}"
    "@media print{body{max-width:none;padding:0;font-size:11px}nav{display:none}"
    "section{break-before:page}#summary{break-before:auto}table{font-size:10px}"
    "details::details-content{content-visibility:visible;display:contents}}";

std::string number(std::int64_t value) { return std::to_string(value); }

std::string hourOf(std::int64_t second) { return formatMoment(second).substr(11); }

// A table whose first column is text and whose other columns are numbers.
class Table {
public:
    explicit Table(std::vector<std::string> headings) : headings_(std::move(headings)) {}
    void add(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
    bool empty() const { return rows_.empty(); }

    // numeric[i]: column i is right-aligned. Texts are escaped here.
    std::string html(const std::vector<bool>& numeric = {}) const {
        auto open = [&](const char* tag, std::size_t column) {
            const bool right = column < numeric.size() ? numeric[column] : column > 0;
            return std::string("<") + tag + (right ? " class=\"n\">" : ">");
        };
        std::string out = "<table>";
        // A table of facts has no headings.
        if (std::any_of(headings_.begin(), headings_.end(), [](const std::string& h) { return !h.empty(); })) {
            out += "<tr>";
            for (std::size_t c = 0; c < headings_.size(); ++c)
                out += open("th", c) + escapeText(headings_[c]) + "</th>";
            out += "</tr>";
        }
        for (const auto& row : rows_) {
            out += "<tr>";
            for (std::size_t c = 0; c < row.size(); ++c) out += open("td", c) + escapeText(row[c]) + "</td>";
            out += "</tr>";
        }
        return out + "</table>";
    }

private:
    std::vector<std::string> headings_;
    std::vector<std::vector<std::string>> rows_;
};

std::string numbersUnder(const Table& table) {
    return "<details><summary>The numbers</summary>" + table.html() + "</details>";
}

std::string figure(const std::string& id, const std::string& title, const std::string& svg, const Table& numbers) {
    return "<figure id=\"" + id + "\" class=\"chart-figure\"><figcaption>" + escapeText(title) + "</figcaption>" + svg +
           numbersUnder(numbers) + "</figure>";
}

class PageWriter {
public:
    PageWriter(const ReportFigures& f, const ContactLog& log, const PageContext& context)
        : f_(f), log_(log), context_(context) {}

    std::string write() {
        const std::string call = f_.own.call.empty() ? std::string("(no call)") : f_.own.call;
        out_ += "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                "<title>Korvan contest report: " + escapeText(call) + "</title><style>" + kStyle +
                "</style></head>\n<body><header><h1>Korvan contest report: " + escapeText(call) + "</h1><p>" +
                escapeText(f_.totals.heading) + ", log " + escapeText(context_.logName) +
                ". Every figure comes from the Korvan statistics plug-in, which scored the log QSO by QSO; "
                "times are UTC.</p><nav><a href=\"#summary\">Summary</a><a href=\"#rates\">Rates</a>"
                "<a href=\"#multipliers\">Multipliers</a><a href=\"#stations\">Stations</a>"
                "<a href=\"#problems\">Problems</a><a href=\"#band-changes\">Band changes</a></nav></header>\n";
        summary();
        rates();
        multipliers();
        stations();
        problems();
        bandChanges();
        out_ += "<footer><p>Made by " + escapeText(context_.hostVersion) + ".</p></footer></body></html>\n";
        return std::move(out_);
    }

private:
    void section(const char* id, const char* title) {
        out_ += std::string("<section id=\"") + id + "\"><h2>" + title + "</h2>";
    }
    void endSection() { out_ += "</section>\n"; }

    std::string qsoLabel(std::size_t i) const {
        const Qso& q = log_.qsos[i];
        auto second = qsoSecond(q);
        return (second ? formatMoment(*second) + " " : std::string()) + q.call;
    }

    // Bin labels: a bar chart's at the middle of its bin, a line chart's at
    // the bin edges; at most about 24 of them, the date under the first and
    // under each new day.
    std::vector<chart::XLabel> binLabels(bool middle) const {
        std::vector<chart::XLabel> labels;
        const std::size_t every = std::max<std::size_t>(1, (f_.bins.count + 23) / 24);
        std::string lastDay;
        for (std::size_t b = 0; b < f_.bins.count; b += every) {
            const std::string moment = formatMoment(f_.bins.edge(b));
            const std::string day = moment.substr(5, 5);
            chart::XLabel label{static_cast<double>(b) + (middle ? 0.5 : 0.0),
                                f_.bins.seconds < 86400 ? moment.substr(11, 2) : day, ""};
            if (day != lastDay && f_.bins.seconds < 86400) label.sub = day;
            lastDay = day;
            labels.push_back(label);
        }
        return labels;
    }

    std::string binName(std::size_t b) const {
        std::string name = formatMoment(f_.bins.edge(b));
        return f_.bins.seconds == 3600 ? name : name + " to " + hourOf(f_.bins.edge(b + 1));
    }

    std::string perBin() const { return f_.bins.seconds == 3600 ? "per clock hour" : "per " + formatDuration(f_.bins.seconds); }

    std::vector<chart::Series> series(const std::vector<std::string>& names,
                                      const std::vector<std::vector<std::int64_t>>& values, const char* const* colours,
                                      std::size_t colourCount) const {
        std::vector<chart::Series> out;
        for (std::size_t s = 0; s < names.size(); ++s) {
            chart::Series one{names[s], colours[s % colourCount], {}};
            for (std::int64_t v : values[s]) one.values.push_back(static_cast<double>(v));
            out.push_back(std::move(one));
        }
        return out;
    }

    // A stacked bar chart over the bins, with its numbers (and their total).
    void binBars(const std::string& id, const std::string& title, const std::string& unit,
                 const std::vector<std::string>& names, const std::vector<std::vector<std::int64_t>>& values,
                 const char* const* colours, std::size_t colourCount) {
        chart::BarChart bars{title, unit, f_.bins.count, series(names, values, colours, colourCount), binLabels(true)};
        std::vector<std::string> headings{"From"};
        headings.insert(headings.end(), names.begin(), names.end());
        if (names.size() > 1) headings.push_back("All");
        Table table(headings);
        for (std::size_t b = 0; b < f_.bins.count; ++b) {
            std::vector<std::string> row{binName(b)};
            std::int64_t sum = 0;
            for (const auto& s : values) {
                row.push_back(number(s[b]));
                sum += s[b];
            }
            if (names.size() > 1) row.push_back(number(sum));
            table.add(row);
        }
        out_ += figure(id, title, chart::renderBarChart(bars), table);
    }

    // A line chart of sampled totals over the bins, the breaks shaded.
    void sampledLines(const std::string& id, const std::string& title, const std::string& unit,
                      const std::vector<std::pair<std::string, std::int64_t Sample::*>>& lines,
                      const std::vector<const char*>& colours, bool withSum) {
        chart::LineChart chart;
        chart.title = title;
        chart.yTitle = unit;
        chart.xLow = 0;
        chart.xHigh = static_cast<double>(f_.bins.count);
        const double binLength = static_cast<double>(f_.bins.seconds);
        auto position = [&](std::int64_t second) { return static_cast<double>(second - f_.bins.start) / binLength; };
        for (const Sample& s : f_.samples) chart.x.push_back(position(s.second));
        for (std::size_t l = 0; l < lines.size(); ++l) {
            chart::Series line{lines[l].first, colours[l], {}};
            for (const Sample& s : f_.samples) line.values.push_back(static_cast<double>(s.*(lines[l].second)));
            chart.lines.push_back(std::move(line));
        }
        if (withSum) {
            chart::Series sum{"All", kTotalColour, {}};
            for (std::size_t i = 0; i < f_.samples.size(); ++i) {
                double total = 0;
                for (const auto& line : chart.lines) total += line.values[i];
                sum.values.push_back(total);
            }
            chart.lines.push_back(std::move(sum));
        }
        for (const TimeSpan& span : f_.breaks) chart.shaded.push_back({position(span.from), position(span.to)});
        chart.xLabels = binLabels(false);

        std::vector<std::string> headings{"At"};
        for (const auto& line : chart.lines) headings.push_back(line.name);
        Table table(headings);
        // The numbers at the bin edges; the chart also has the steps between.
        for (std::size_t i = 0; i < f_.samples.size(); i += f_.bins.samplesPerBin) {
            std::vector<std::string> row{formatMoment(f_.samples[i].second)};
            for (const auto& line : chart.lines) row.push_back(chart::coordinate(line.values[i]));
            table.add(row);
        }
        std::string caption = title;
        if (!f_.breaks.empty()) caption += " (breaks shaded)";
        out_ += figure(id, caption, chart::renderLineChart(chart), table);
    }

    void summary() {
        section("summary", "Summary");
        Table facts({"", ""});
        std::string station = f_.own.call;
        if (!f_.own.prefix.empty() || !f_.own.continent.empty())
            station += " (DXCC prefix " + f_.own.prefix + ", continent " + f_.own.continent + ")";
        facts.add({"Station", station});
        std::string category;
        for (const HeaderLine& line : f_.category) category += (category.empty() ? "" : ", ") + line.value;
        facts.add({"Category", category.empty() ? "(no CATEGORY lines in the log's header)" : category});
        facts.add({"Log", context_.logName + ": " + number(static_cast<std::int64_t>(f_.loggedQsos)) + " QSOs, " +
                              number(static_cast<std::int64_t>(f_.countedQsos)) + " counted, " +
                              number(static_cast<std::int64_t>(f_.problems.size())) + " not counted"});
        if (f_.active) {
            facts.add({"First QSO", formatMoment(f_.active->from)});
            facts.add({"Last QSO", formatMoment(f_.active->to)});
        }
        facts.add({"On-time", formatDuration(f_.onTime)});
        const std::size_t breaks = f_.breaks.size();
        facts.add({"Off-time", formatDuration(f_.offTime) + " in " + number(static_cast<std::int64_t>(breaks)) +
                                   (breaks == 1 ? " break" : " breaks") + " of at least " +
                                   number(f_.offTimeMinutes) + " min"});
        const PluginBandRow& t = f_.totals.total;
        facts.add({"QSOs", number(t.qsos)});
        facts.add({"Points", number(t.points)});
        facts.add({"Multipliers", number(t.dxcc + t.kda) + " (" + number(t.dxcc) + " DXCC prefixes, " + number(t.kda) +
                                      " KDA areas)"});
        facts.add({"Score", number(f_.totals.score)});
        auto best = [&](const BestRate& rate, int minutes) {
            if (rate.qsos == 0) return std::string("none");
            return number(rate.qsos) + " QSOs (" + number(rate.qsos * 60 / minutes) + " an hour), from " +
                   formatMoment(rate.from);
        };
        facts.add({"Best 10 minutes", best(f_.best10, 10)});
        facts.add({"Best 60 minutes", best(f_.best60, 60)});
        out_ += facts.html({false, false});
        out_ += "<p class=\"score\">" + escapeText(f_.totals.scoreLine) + "</p>";

        Table bands({"Band", "QSOs", "Points", "DXCC", "KDA", "CW", "SSB"});
        auto add = [&](const PluginBandRow& r) {
            bands.add({r.band, number(r.qsos), number(r.points), number(r.dxcc), number(r.kda), number(r.cw),
                       number(r.ssb)});
        };
        for (const PluginBandRow& row : f_.totals.bands) add(row);
        add(f_.totals.total);
        bands.add({"Dupe", number(f_.totals.dupes), "", "", "", "", ""});
        bands.add({"Bad QSO", number(f_.totals.badQsos), "", "", "", "", ""});
        out_ += "<h3>The plug-in's statistics</h3>" + bands.html();
        if (!f_.mismatches.empty()) {
            out_ += "<div class=\"note\"><p>The QSOs the plug-in counted do not add up to its own totals here; the "
                    "totals above are the plug-in's:</p><ul>";
            for (const std::string& m : f_.mismatches) out_ += "<li>" + escapeText(m) + "</li>";
            out_ += "</ul></div>";
        }
        endSection();
    }

    void rates() {
        section("rates", "Rates");
        binBars("rate-by-band", "Counted QSOs " + perBin() + ", by band", "QSOs", f_.bands, f_.qsosByBand,
                kBandColours, std::size(kBandColours));
        binBars("rate-by-mode", "Counted QSOs " + perBin() + ", by mode", "QSOs", f_.modes, f_.qsosByMode,
                kModeColours, std::size(kModeColours));
        sampledLines("cumulative-qsos", "Cumulative QSOs", "QSOs", {{"QSOs", &Sample::qsos}}, {kBandColours[0]}, false);
        sampledLines("cumulative-score", "Cumulative score", "score", {{"Score", &Sample::score}}, {kKdaColour}, false);
        endSection();
    }

    void multipliers() {
        section("multipliers", "Multipliers");
        sampledLines("cumulative-multipliers", "Cumulative multipliers", "multipliers",
                     {{"DXCC", &Sample::dxcc}, {"KDA", &Sample::kda}}, {kDxccColour, kKdaColour}, true);
        binBars("new-multipliers", "New multipliers " + perBin(), "multipliers", {"DXCC", "KDA"},
                {f_.newDxcc, f_.newKda}, std::vector<const char*>{kDxccColour, kKdaColour}.data(), 2);

        out_ += "<h3>When each band's multipliers were first worked</h3>";
        for (const BandMultipliers& band : f_.multipliers) {
            Table table({"First worked", "Multiplier", "Kind", "Call"});
            for (const FirstWorked& first : band.firsts) {
                auto second = qsoSecond(log_.qsos[first.qso]);
                table.add({second ? formatMoment(*second) : "", first.multiplier, first.kdaArea ? "KDA area" : "DXCC",
                           log_.qsos[first.qso].call});
            }
            std::string notNew;
            for (const FirstWorked& first : band.notNew)
                notNew += (notNew.empty() ? "" : "; ") + first.multiplier + " (" + qsoLabel(first.qso) + ")";
            if (!notNew.empty())
                notNew = "<p>First on the band in the log, but not a new multiplier to the plug-in: " +
                         escapeText(notNew) + "</p>";
            out_ += "<details><summary>" + escapeText(band.band) + ": " + number(band.pluginDxcc) + " DXCC, " +
                    number(band.pluginKda) + " KDA</summary>" + table.html({false, false, false, false}) + notNew +
                    "</details>";
        }

        out_ += "<h3>KDA areas worked per band</h3><div class=\"grids\">";
        for (const BandMultipliers& band : f_.multipliers) kdaGrid(band);
        out_ += "</div>";
        endSection();
    }

    // The 210 KDA areas of a band as the KDA window shows them.
    void kdaGrid(const BandMultipliers& band) {
        const std::string title = band.band + ": " + number(static_cast<std::int64_t>(band.kdaAreas.size())) +
                                  " of " + number(static_cast<std::int64_t>(std::size(kGrid))) + " KDA areas worked";
        std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"kda-grid\" viewBox=\"0 0 " +
                          number(kGridWidth) + " " + number(kGridHeight) + "\" width=\"" + number(kGridWidth) +
                          "\" height=\"" + number(kGridHeight) + "\" role=\"img\" aria-label=\"" + escapeText(title) +
                          "\"><title>" + escapeText(title) + "</title><g font-size=\"6\" text-anchor=\"middle\">";
        std::string worked, notWorked;
        for (const GridBox& box : kGrid) {
            const bool on = std::binary_search(band.kdaAreas.begin(), band.kdaAreas.end(), std::string(box.code));
            svg += "<rect x=\"" + number(box.x) + "\" y=\"" + number(box.y) + "\" width=\"" + number(box.width - 2) +
                   "\" height=\"" + number(kGridBoxHeight) + "\" fill=\"" + (on ? "#2f855a" : "#fff") +
                   "\" stroke=\"#999\" stroke-width=\"0.4\"/><text x=\"" +
                   chart::coordinate(box.x + (box.width - 2) / 2.0) + "\" y=\"" + number(box.y + 6) + "\"" +
                   (on ? " fill=\"#fff\"" : " fill=\"#555\"") + ">" + box.code + "</text>";
            (on ? worked : notWorked) += (((on ? worked : notWorked).empty()) ? "" : " ") + std::string(box.code);
        }
        svg += "</g></svg>";
        Table table({"", "Areas"});
        table.add({"Worked", worked.empty() ? "none" : worked});
        table.add({"Not worked", notWorked.empty() ? "none" : notWorked});
        out_ += "<figure class=\"kda-figure\"><figcaption>" + escapeText(title) + "</figcaption>" + svg +
                "<details><summary>The areas</summary>" + table.html({false, false}) + "</details></figure>";
    }

    void ranked(const char* title, const std::vector<std::string>& headings, const std::vector<RankedName>& rows,
                bool withDetail, const std::string& note) {
        Table table(headings);
        for (const RankedName& row : rows) {
            std::vector<std::string> cells{row.name};
            if (withDetail) cells.push_back(row.detail);
            cells.push_back(number(row.count));
            table.add(cells);
        }
        std::vector<bool> numeric(headings.size(), false);
        numeric.back() = true;
        out_ += std::string("<div><h3>") + title + "</h3>" + (table.empty() ? "<p>none</p>" : table.html(numeric)) +
                "<p>" + escapeText(note) + "</p></div>";
    }

    void stations() {
        section("stations", "Stations");
        out_ += "<p>Counted QSOs only; countries from the country file.</p><div class=\"cols\">";
        ranked("Countries (top 20)", {"Country", "Prefix", "QSOs"}, f_.countries, true,
               number(static_cast<std::int64_t>(f_.countryCount)) + " countries in all");
        ranked("Continents", {"Continent", "QSOs"}, f_.continents, false, "");
        ranked("KDA areas by QSOs (top 20)", {"Area", "QSOs"}, f_.kdaAreas, false,
               number(static_cast<std::int64_t>(f_.kdaAreaCount)) + " areas in all");
        ranked("Stations worked on the most bands (top 20)", {"Call", "Bands", "Band count"}, f_.multiBandStations, true,
               number(static_cast<std::int64_t>(f_.stationCount)) + " stations in all");
        out_ += "</div>";
        endSection();
    }

    void problems() {
        section("problems", "Problems");
        std::int64_t dupes = 0, badKda = 0, rejected = 0;
        for (const Problem& p : f_.problems)
            ++(p.verdict.verdict == Verdict::dupe ? dupes : p.verdict.verdict == Verdict::badKda ? badKda : rejected);
        if (f_.problems.empty()) {
            out_ += "<p>The plug-in counted every QSO of the log.</p>";
            endSection();
            return;
        }
        out_ += "<p>Every QSO the plug-in did not count, with the reason it wrote into its bad-QSO file: " +
                number(dupes) + " dupes, " + number(badKda) + " with a bad KDA code, " + number(rejected) +
                " rejected.</p>";
        Table table({"Line", "Time", "Call", "Band", "Mode", "Exchange", "Reason"});
        for (const Problem& p : f_.problems) {
            const Qso& q = log_.qsos[p.qso];
            auto second = qsoSecond(q);
            std::string reason = p.verdict.reason;
            if (p.repeats)
                reason += ", repeats line " + number(static_cast<std::int64_t>(log_.qsos[*p.repeats].line)) + " (" +
                          qsoLabel(*p.repeats) + ")";
            table.add({number(static_cast<std::int64_t>(q.line)), second ? formatMoment(*second) : "", q.call, q.band,
                       q.mode, q.exchangeReceived, reason});
        }
        out_ += table.html({true, false, false, false, false, false, false});
        endSection();
    }

    void bandChanges() {
        section("band-changes", "Band changes");
        out_ += "<p>" + number(f_.bandChangeCount) + " band changes between logged QSOs. ";
        if (f_.longestRun.qsos > 0)
            out_ += "The longest run on one band: " + number(static_cast<std::int64_t>(f_.longestRun.qsos)) +
                    " QSOs on " + escapeText(f_.longestRun.band) + " from " + formatMoment(f_.longestRun.span.from) +
                    " to " + formatMoment(f_.longestRun.span.to) + ".";
        out_ += "</p>";
        binBars("band-changes-chart", "Band changes " + perBin(), "changes", {"Band changes"}, {f_.bandChanges},
                kBandColours, 1);
        endSection();
    }

    const ReportFigures& f_;
    const ContactLog& log_;
    const PageContext& context_;
    std::string out_;
};

}  // namespace

std::string renderReportPage(const ReportFigures& figures, const ContactLog& log, const PageContext& context) {
    return PageWriter(figures, log, context).write();
}

}  // namespace korvan::host
