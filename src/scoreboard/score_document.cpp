#include "scoreboard/score_document.h"

#include <cstdio>

#include "platform/http_post.h"

#ifndef KORVAN_VERSION_TEXT
#define KORVAN_VERSION_TEXT "0.0.0"
#endif

namespace korvan {
namespace {

const char kSoftware[] = "Korvan contest statistics";

// The length of the UTF-8 character that starts at text[at] and its code
// point; 0 when the bytes there are no character (a stray continuation
// byte, a cut or overlong sequence, a surrogate, beyond U+10FFFF).
std::size_t utf8Character(std::string_view text, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    return length;
}

// C0 and C1 controls, DEL, and the two noncharacters XML excludes.
bool dropped(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0xFFFE || code == 0xFFFF;
}

void element(std::string& out, const char* name, const std::string& text) {
    out += '<';
    out += name;
    out += '>';
    out += xmlText(text);
    out += "</";
    out += name;
    out += ">\n";
}

void breakdownRows(std::string& out, const BandFigures& figures) {
    const std::string band = xmlText(figures.band);
    const struct {
        const char* name;
        std::int64_t value;
    } rows[] = {{"qso", figures.qsos}, {"mult", figures.mults}, {"point", figures.points}};
    for (const auto& row : rows)
        out += std::string("<") + row.name + " band=\"" + band + "\" mode=\"ALL\">" + std::to_string(row.value) +
               "</" + row.name + ">\n";
}

// "20m" and "160M" name the band by its metres alone; other texts stay.
std::string bandName(const std::string& band) {
    if (band.size() < 2 || (band.back() != 'm' && band.back() != 'M')) return band;
    for (std::size_t i = 0; i + 1 < band.size(); ++i)
        if (band[i] < '0' || band[i] > '9') return band;
    return band.substr(0, band.size() - 1);
}

}  // namespace

ScoreSnapshot snapshotOf(const report::Statistics& stats, std::chrono::system_clock::time_point takenAt) {
    ScoreSnapshot snapshot;
    snapshot.bands.reserve(stats.rows.size());
    for (const report::BandRow& row : stats.rows)
        snapshot.bands.push_back({bandName(row.band), row.qsos, std::int64_t{row.dxcc} + row.kda, row.points});
    const report::ResultTotals& t = stats.totals;
    snapshot.total = {"total", t.qsos, std::int64_t{t.dxcc} + t.kda, t.points};
    snapshot.score = t.score;
    snapshot.takenAt = takenAt;
    return snapshot;
}

std::string xmlText(std::string_view hostText) {
    const std::string text = platform::hostTextToUtf8(std::string(hostText));
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = utf8Character(text, at, code);
        if (length == 0) {
            ++at;
            continue;
        }
        if (!dropped(code)) {
            switch (code) {
                case '<': out += "&lt;"; break;
                case '>': out += "&gt;"; break;
                case '&': out += "&amp;"; break;
                case '"': out += "&quot;"; break;
                case '\'': out += "&apos;"; break;
                default: out.append(text, at, length);
            }
        }
        at += length;
    }
    return out;
}

std::string utcTimestamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto day = floor<days>(seconds);
    const year_month_day date{day};
    const hh_mm_ss<std::chrono::seconds> clock{seconds - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string scoreDocument(const StationDetails& station, const ScoreSnapshot& snapshot) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dynamicresults>\n";
    element(out, "contest", station.contest);
    element(out, "call", station.call);
    element(out, "ops", station.operators);
    out += "<class ops=\"" + xmlText(station.categoryOperator) + "\" mode=\"" + xmlText(station.categoryMode) +
           "\" power=\"" + xmlText(station.categoryPower) + "\" bands=\"" + xmlText(station.categoryBand) +
           "\" transmitter=\"" + xmlText(station.categoryTransmitter) + "\" assisted=\"" +
           xmlText(station.categoryAssisted) + "\"></class>\n";
    element(out, "club", station.club);
    element(out, "soft", kSoftware);
    element(out, "version", KORVAN_VERSION_TEXT);
    out += "<qth>\n";
    element(out, "dxcccountry", station.dxccCountry);
    element(out, "stprvoth", station.location);
    out += "</qth>\n<breakdown>\n";
    for (const BandFigures& band : snapshot.bands) breakdownRows(out, band);
    breakdownRows(out, snapshot.total);
    out += "</breakdown>\n";
    element(out, "score", std::to_string(snapshot.score));
    element(out, "timestamp", utcTimestamp(snapshot.takenAt));
    out += "</dynamicresults>\n";
    return out;
}

std::string formBody(const std::string& document) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string body = "xml=";
    body.reserve(document.size() * 3 / 2 + 4);
    for (const char c : document) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' || byte == '*';
        if (plain) {
            body += c;
        } else if (byte == ' ') {
            body += '+';
        } else {
            body += '%';
            body += kHex[byte >> 4];
            body += kHex[byte & 0x0F];
        }
    }
    return body;
}

}  // namespace korvan
