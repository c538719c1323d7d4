#include "report/report_rendering.h"

#include <cinttypes>

#include "report/text_format.h"

namespace korvan::report {

namespace {

// The score takes a 64-bit placeholder wherever it appears.

constexpr char kTextHeading[] =
    "\t\tKorvan Contest %s\r\n\t\t   Contestant: %s \r\n\tQSOs\tPoints\tDXCC\tKDA\tCW\tSSB\r\n";
constexpr char kTextBandRow[] = "%s\t %i\t %i\t %i\t %i\t %i\t %i\r\n";
constexpr char kTextTotals[] = "Total\t %i\t %i\t %i\t %i\t %i\t %i\r\nDupe\t %i\r\nBad QSO\t %i\r\n";
constexpr char kTextTail[] =
    "Score: %i * (%i + %i) = %" PRId64
    "\r\nHourly (10min) QSO rate: %5i (%i) QSOs/hour\r\nHourly (10min) pts rate: %5i (%i) pts/hour\r\n"
    "Last QSO points: %5i";

// Appended as it stands: it is no format (its "100%" holds a percent sign).
constexpr char kHtmlHead[] =
    "<html><head><style>table{ width:100%; }table, th, td{ border: 1px solid black; border-collapse: "
    "collapse; }th, td{ padding: 1px; text-align: middle; }th,td{ background-color: #fffac6; color: "
    "black}</style></head><body>";
constexpr char kHtmlHeading[] = "   Korvan Contest %s";
constexpr char kHtmlTitle[] = "<center><b>%s</b></center><center>Contestant:  <b>%s</center></b><table>";
constexpr char kHtmlHeaderRow[] =
    "<tr><th> %s</th><th> %s</th><th> %s</th><th> %s</th><th> %s</th><th> %s</th><th> %s</th></tr>";
constexpr char kHtmlBandRow[] =
    "<tr><th> <center>%s</center></th><td><center>%i</center></td><td><center>%i</center></td><td><center>%i"
    "</center></td><td><center>%i</center></td><td><center>%i</center></td><td><center>%i</center></td></tr>";
constexpr char kHtmlCountRow[] = "<tr><th> <center>%s</center></th><td><center>%i</center></td><td colspan=8> </td></tr>";
constexpr char kHtmlScoreRow[] =
    "<tr><th>%s</th><td colspan=9><center>%i * (%i + %i) = %" PRId64 "</center></td></tr>";
constexpr char kHtmlLastRow[] = "<tr><th>%s</small></th><td colspan=9><center>%5i</center></td></tr>";
constexpr char kHtmlRateHeader[] = "<th colspan=10><center>%s</center></th></tr>";
constexpr char kHtmlRateRow[] = "<tr><th> %s </th><td colspan=9><center>%5i /%i</center></td></tr>";
constexpr char kHtmlFooter[] = "</table></body></html>";

}  // namespace

std::string renderText(const Statistics& stats, const ReportHeading& heading) {
    const ResultTotals& t = stats.totals;
    std::string out;
    appendFormat(out, kTextHeading, heading.contestDate.c_str(), heading.ownCall.c_str());
    for (const BandRow& row : stats.rows)
        appendFormat(out, kTextBandRow, row.band.c_str(), row.qsos, row.points, row.dxcc, row.kda, row.cw, row.ssb);
    // The text's "Bad QSO" is the number of stored QSOs flagged with a bad code.
    appendFormat(out, kTextTotals, t.qsos, t.points, t.dxcc, t.kda, t.cw, t.ssb, t.dupes, t.badStored);
    appendFormat(out, kTextTail, t.points, t.dxcc, t.kda, t.score, t.qsos60, 6 * t.qsos10, t.points60,
                 6 * t.points10, t.lastQsoPoints);
    return out;
}

std::string renderHtml(const Statistics& stats, const ReportHeading& heading) {
    const ResultTotals& t = stats.totals;
    std::string title;
    appendFormat(title, kHtmlHeading, heading.contestDate.c_str());

    std::string out = kHtmlHead;
    appendFormat(out, kHtmlTitle, title.c_str(), heading.ownCall.c_str());
    appendFormat(out, kHtmlHeaderRow, "Band", "QSOs", "Points", "DXCC", "KDA", "CW", "SSB");
    for (const BandRow& row : stats.rows)
        appendFormat(out, kHtmlBandRow, row.band.c_str(), row.qsos, row.points, row.dxcc, row.kda, row.cw, row.ssb);
    appendFormat(out, kHtmlBandRow, "Total", t.qsos, t.points, t.dxcc, t.kda, t.cw, t.ssb);
    appendFormat(out, kHtmlCountRow, "Dupe", t.dupes);
    // The HTML's "Bad QSO" is the number of counted lines of the bad-QSO file.
    appendFormat(out, kHtmlCountRow, "Bad QSO", t.badLineCount);
    appendFormat(out, kHtmlScoreRow, "Score:", t.points, t.dxcc, t.kda, t.score);
    appendFormat(out, kHtmlLastRow, "Last QSO points:", t.lastQsoPoints);
    appendFormat(out, kHtmlRateHeader, "Rate");
    appendFormat(out, kHtmlRateRow, "Hourly (10min/1 hour) QSO rate:", t.qsos60, 6 * t.qsos10);
    appendFormat(out, kHtmlRateRow, "Hourly (10min/1 hour) pts rate:", t.points60, 6 * t.points10);
    out += kHtmlFooter;
    return out;
}

}  // namespace korvan::report
