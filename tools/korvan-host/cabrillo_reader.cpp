#include "cabrillo_reader.h"

#include <algorithm>
#include <vector>

#include "bands.h"
#include "log_error.h"
#include "text.h"

namespace korvan::host {

namespace {

// VHF and up may be given by band designator instead of kHz.
struct Designator {
    const char* text;
    const char* band;
};
constexpr Designator kDesignators[] = {
    {"50", "6m"},      {"70", "4m"},      {"144", "2m"},     {"222", "1.25m"},  {"432", "70cm"},
    {"902", "33cm"},   {"1.2G", "23cm"},  {"2.3G", "13cm"},  {"3.4G", "9cm"},   {"5.7G", "6cm"},
    {"10G", "3cm"},    {"24G", "1.25cm"}, {"47G", "6mm"},    {"75G", "4mm"},    {"122G", "2.5mm"},
    {"134G", "2mm"},   {"241G", "1mm"},
};

class QsoLineParser {
public:
    QsoLineParser(ContactLog& log) : log_(log) {}

    // words: the fields after "QSO:"; fieldCount: the number of fields the
    // QSO lines of this log have (see qsoLayout).
    Qso parse(const std::vector<std::string_view>& words, std::size_t fieldCount, std::size_t line) {
        // freq mo date time mycall sent... call rcvd... [transmitter]
        if (fieldCount < 8)
            fail(line, "expected QSO: freq mode date time own-call sent-exchange call received-exchange, found " +
                           std::to_string(words.size()) + " fields");
        // Sent and received parts have the same number of fields, with the
        // worked call between them; one field more means a transmitter
        // number at the end.
        std::size_t rest = fieldCount - 5;
        std::size_t perSide = (rest % 2 == 1 ? rest - 1 : rest - 2) / 2;
        if (words.size() != fieldCount)
            fail(line, "expected " + std::to_string(fieldCount) + " fields as the other QSO lines of the log have (" +
                           layoutText(perSide, rest % 2 == 0) + "), found " + std::to_string(words.size()));
        for (std::string_view word : words)
            if (word.size() > kMaxFieldLength)
                fail(line, "a field holds " + std::to_string(word.size()) + " characters; a field holds at most " +
                               std::to_string(kMaxFieldLength) + " (\"" + printable(shortened(word)) + "\")");
        Qso q;
        q.line = line;
        readFrequency(words[0], q);
        readMode(words[1], q);
        q.time = makeDateTime(readTime(words[2], words[3], line));
        q.ownCall = toUpper(words[4]);

        auto sent = words.begin() + 5;
        auto received = sent + static_cast<std::ptrdiff_t>(perSide) + 1;
        q.call = toUpper(*(sent + static_cast<std::ptrdiff_t>(perSide)));
        splitExchange(sent, perSide, q.rstSent, q.exchangeSent);
        splitExchange(received, perSide, q.rstReceived, q.exchangeReceived);
        return q;
    }

private:
    using Iter = std::vector<std::string_view>::const_iterator;

    [[noreturn]] void fail(std::size_t line, const std::string& message) {
        throw InputError(log_.fileName, line, message);
    }
    void warn(std::size_t line, const std::string& kind, const std::string& message) {
        log_.warnings.push_back({line, message, kind});
    }

    static std::string layoutText(std::size_t perSide, bool transmitter) {
        std::string side = perSide == 1 ? "exch" : "rst exch";
        for (std::size_t i = 2; i < perSide; ++i) side += " exch";
        return "freq mode date time own-call " + side + " call " + side + (transmitter ? " transmitter" : "");
    }

    // One field is the exchange alone; with more, the first is the report.
    static void splitExchange(Iter first, std::size_t count, std::string& rst, std::string& exchange) {
        if (count == 1) {
            exchange = std::string(*first);
            return;
        }
        rst = std::string(*first);
        for (std::size_t i = 1; i < count; ++i) {
            if (i > 1) exchange += ' ';
            exchange += first[static_cast<std::ptrdiff_t>(i)];
        }
    }

    void readFrequency(std::string_view text, Qso& q) {
        for (const Designator& d : kDesignators)
            if (equalsNoCase(text, d.text)) {
                q.band = d.band;
                return;
            }
        auto hertz = parseScaled(text, 3);  // the column is in kHz
        if (!hertz) fail(q.line, "expected the frequency in kHz such as 14025, found \"" + shortened(text) + "\"");
        if (*hertz <= 0xFFFFFFFFull) q.frequencyHz = static_cast<std::uint32_t>(*hertz);
        if (auto band = bandForFrequency(*hertz))
            q.band = *band;
        else
            warn(q.line, "unknown band", "unknown band: " + shortened(text) + " kHz lies in no amateur band");
    }

    void readMode(std::string_view text, Qso& q) {
        q.mode = hostMode(text);
        if (!isKnownMode(text))
            warn(q.line, "unknown mode", "unknown mode \"" + shortened(text) + "\" (expected CW, PH, FM, RY or DG)");
    }

    CivilTime readTime(std::string_view date, std::string_view time, std::size_t line) {
        auto d = [&](std::size_t at, std::size_t n) { return parseDigits(date.substr(at, n)); };
        if (date.size() != 10 || date[4] != '-' || date[7] != '-' || !d(0, 4) || !d(5, 2) || !d(8, 2))
            fail(line, "expected the date as YYYY-MM-DD, found \"" + shortened(date) + "\"");
        if (time.size() != 4 || !parseDigits(time))
            fail(line, "expected the time as HHMM, found \"" + shortened(time) + "\"");
        CivilTime t{static_cast<int>(*d(0, 4)), static_cast<int>(*d(5, 2)), static_cast<int>(*d(8, 2)),
                    static_cast<int>(*parseDigits(time.substr(0, 2))), static_cast<int>(*parseDigits(time.substr(2, 2))),
                    0};
        if (!isValidCivilTime(t))
            fail(line, "expected a real date and time, found " + std::string(date) + " " + std::string(time));
        return t;
    }

    ContactLog& log_;
};

struct QsoLine {
    std::vector<std::string_view> words;
    std::size_t line;
};

// The number of fields of this log's QSO lines: the count most of them
// have (the first such count on a tie). A line that differs is malformed,
// so a line missing a field never shifts the worked call into another
// column.
std::size_t qsoLayout(const std::vector<QsoLine>& lines) {
    std::vector<std::pair<std::size_t, std::size_t>> counts;  // field count, lines
    for (const QsoLine& l : lines) {
        auto it = std::find_if(counts.begin(), counts.end(), [&](auto& c) { return c.first == l.words.size(); });
        if (it == counts.end())
            counts.push_back({l.words.size(), 1});
        else
            ++it->second;
    }
    std::size_t best = 0, bestLines = 0;
    for (auto [fields, number] : counts)
        if (number > bestLines) {
            best = fields;
            bestLines = number;
        }
    return best;
}

}  // namespace

ContactLog readCabrillo(std::string_view text, const std::string& fileName) {
    ContactLog log;
    log.fileName = fileName;
    auto error = [&](std::size_t line, const std::string& message) {
        log.errors.push_back({line, message, "malformed"});
    };
    std::vector<QsoLine> qsoLines;
    bool started = false;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (trim(line).empty()) continue;

        // Every line is one field list; tabs may separate fields, any other
        // control character (a lone CR among them) would break the line in
        // the files the plug-in writes.
        for (char c : line)
            if (c != '\t' && firstControlCharacter(std::string_view(&c, 1))) {
                error(lineNumber, "the line holds the control character " + printable(std::string(1, c)) +
                                      "; a line of a Cabrillo log may hold none but tabs");
                break;
            }
        if (!log.errors.empty() && log.errors.back().line == lineNumber) continue;

        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            error(lineNumber, "expected a line of the form TAG: value");
            continue;
        }
        std::string tag = toUpper(trim(line.substr(0, colon)));
        std::string_view value = trim(line.substr(colon + 1));
        if (!started) {
            if (tag != "START-OF-LOG") {
                error(lineNumber, "expected START-OF-LOG: as the first line of a Cabrillo log");
                return log;
            }
            started = true;
            continue;
        }
        if (tag == "END-OF-LOG") break;
        if (tag == "CALLSIGN") {
            if (value.size() > kMaxFieldLength) {
                error(lineNumber, "CALLSIGN holds " + std::to_string(value.size()) + " characters; a call holds at most " +
                                      std::to_string(kMaxFieldLength));
                continue;
            }
            log.ownCall = toUpper(value);
        } else if (tag == "CONTEST") {
            log.contestName = std::string(value);
        } else if (tag == "QSO") {
            qsoLines.push_back({splitWords(value), lineNumber});
        } else if (tag != "X-QSO") {
            // CATEGORY-*, SOAPBOX ...: what the Cabrillo header editor holds
            // is carried over to an export run.
            log.header.push_back({tag, std::string(value)});
        }
    }
    if (!started) {
        error(lineNumber, "expected START-OF-LOG: as the first line of a Cabrillo log");
        return log;
    }

    QsoLineParser parser(log);
    const std::size_t fieldCount = qsoLayout(qsoLines);
    for (const QsoLine& l : qsoLines) {
        try {
            log.qsos.push_back(parser.parse(l.words, fieldCount, l.line));
        } catch (const InputError& e) {
            error(e.line(), e.message());
        }
    }
    std::stable_sort(log.errors.begin(), log.errors.end(), [](auto& a, auto& b) { return a.line < b.line; });
    if (log.ownCall.empty())
        for (const Qso& q : log.qsos)
            if (!q.ownCall.empty()) {
                log.ownCall = q.ownCall;
                break;
            }
    return log;
}

}  // namespace korvan::host
