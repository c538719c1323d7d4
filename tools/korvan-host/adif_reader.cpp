#include "adif_reader.h"

#include <map>
#include <optional>

#include "bands.h"
#include "log_error.h"
#include "text.h"

namespace korvan::host {

namespace {

struct Field {
    std::string name;  // upper case
    std::string data;
    std::size_t line;
    bool hasLength = false;
};

// Walks the text tag by tag, counting lines as it goes.
class TagScanner {
public:
    TagScanner(std::string_view text, const std::string& fileName) : text_(text), file_(fileName) {}

    void skipTo(std::size_t target) {
        while (pos_ < target) advance();
    }

    // Moves to the next '<' and returns false at the end of the text.
    bool nextTag() {
        while (pos_ < text_.size() && text_[pos_] != '<') advance();
        return pos_ < text_.size();
    }

    // At a '<': reads "<NAME[:LEN[:TYPE]]>" and the data that follows it.
    Field readField() {
        Field field;
        field.line = line_;
        std::size_t close = text_.find('>', pos_);
        std::size_t nextOpen = text_.find('<', pos_ + 1);
        if (close == std::string_view::npos || (nextOpen != std::string_view::npos && nextOpen < close))
            throw InputError(file_, line_, "expected '>' to close the tag that starts with '<'");
        std::string_view tag = text_.substr(pos_ + 1, close - pos_ - 1);
        skipTo(close + 1);

        std::size_t colon = tag.find(':');
        field.name = toUpper(trim(tag.substr(0, colon)));
        if (field.name.empty()) throw InputError(file_, field.line, "expected a field name after '<'");
        if (colon == std::string_view::npos) return field;  // <EOR>, <EOH> and the like

        field.hasLength = true;
        std::string_view rest = tag.substr(colon + 1);
        std::string_view lengthText = trim(rest.substr(0, rest.find(':')));
        auto length = parseDigits(lengthText);
        if (!length)
            throw InputError(file_, field.line,
                             "expected a length in digits in <" + std::string(tag) + ">");
        if (*length > text_.size() - pos_)
            throw InputError(file_, field.line,
                             "field " + field.name + " declares " + std::to_string(*length) +
                                 " characters but the file ends after " + std::to_string(text_.size() - pos_));
        field.data = std::string(text_.substr(pos_, static_cast<std::size_t>(*length)));
        skipTo(pos_ + static_cast<std::size_t>(*length));
        return field;
    }

    std::size_t line() const { return line_; }

private:
    void advance() {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
    }
    std::string_view text_;
    const std::string& file_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

using Record = std::map<std::string, std::string>;

// Turns the collected fields of one record into a contact.
class RecordConverter {
public:
    RecordConverter(ContactLog& log) : log_(log) {}

    Qso convert(const Record& r, std::size_t line) {
        line_ = line;
        Qso q;
        q.line = line;
        q.call = toUpper(get(r, "CALL"));
        if (q.call.empty()) fail(line, "expected a CALL field in the record");
        q.ownCall = toUpper(get(r, "STATION_CALLSIGN"));
        if (q.ownCall.empty()) q.ownCall = toUpper(get(r, "OPERATOR"));
        q.time = makeDateTime(dateTime(r, line));
        readFrequencyAndBand(r, q);
        readMode(r, q);
        q.rstSent = get(r, "RST_SENT");
        q.rstReceived = get(r, "RST_RCVD");
        q.exchangeSent = r.count("STX_STRING") ? get(r, "STX_STRING") : get(r, "STX");
        q.exchangeReceived = r.count("SRX_STRING") ? get(r, "SRX_STRING") : get(r, "SRX");
        return q;
    }

    // A field the reader uses, blanks trimmed. Each is a single line: a
    // control character inside it would break the lines of the files the
    // plug-in writes, so it makes the record malformed.
    std::string get(const Record& record, const char* name) {
        auto it = record.find(name);
        if (it == record.end()) return std::string();
        std::string value(trim(it->second));
        if (value.size() > kMaxFieldLength)
            fail(line_, std::string("field ") + name + " holds " + std::to_string(value.size()) +
                            " characters; a field holds at most " + std::to_string(kMaxFieldLength) + " (\"" +
                            printable(shortened(value)) + "\")");
        if (auto c = firstControlCharacter(value))
            fail(line_, std::string("field ") + name + " holds the control character " +
                            printable(std::string(1, *c)) + "; a field of one line may hold none");
        return value;
    }

private:
    [[noreturn]] void fail(std::size_t line, const std::string& message) {
        throw InputError(log_.fileName, line, message);
    }
    void warn(std::size_t line, const std::string& kind, const std::string& message) {
        log_.warnings.push_back({line, message, kind});
    }

    CivilTime dateTime(const Record& r, std::size_t line) {
        std::string date = get(r, "QSO_DATE");
        std::string time = get(r, "TIME_ON");
        auto digits = [](const std::string& s) { return parseDigits(s).has_value(); };
        if (date.size() != 8 || !digits(date))
            fail(line, "expected QSO_DATE as YYYYMMDD, found \"" + shortened(date) + "\"");
        if ((time.size() != 4 && time.size() != 6) || !digits(time))
            fail(line, "expected TIME_ON as HHMM or HHMMSS, found \"" + shortened(time) + "\"");
        auto num = [](const std::string& s, std::size_t at, std::size_t n) {
            return static_cast<int>(*parseDigits(std::string_view(s).substr(at, n)));
        };
        CivilTime t{num(date, 0, 4), num(date, 4, 2), num(date, 6, 2), num(time, 0, 2), num(time, 2, 2),
                    time.size() == 6 ? num(time, 4, 2) : 0};
        if (!isValidCivilTime(t)) fail(line, "expected a real date and time, found " + date + " " + time);
        return t;
    }

    void readFrequencyAndBand(const Record& r, Qso& q) {
        std::string freq = get(r, "FREQ");
        std::optional<std::string> bandFromFreq;
        if (!freq.empty()) {
            auto hertz = parseScaled(freq, 6);
            if (!hertz) fail(q.line, "expected FREQ in MHz such as 14.025, found \"" + shortened(freq) + "\"");
            if (*hertz > 0xFFFFFFFFull)
                warn(q.line, "frequency", "frequency " + freq + " MHz does not fit the host's frequency field; passed as 0");
            else
                q.frequencyHz = static_cast<std::uint32_t>(*hertz);
            bandFromFreq = bandForFrequency(*hertz);
        }
        std::string band = get(r, "BAND");
        if (!band.empty()) {
            auto canonical = canonicalBand(band);
            if (canonical) {
                q.band = *canonical;
            } else {
                q.band = band;
                warn(q.line, "unknown band", "unknown band \"" + shortened(band) + "\"");
            }
        } else if (bandFromFreq) {
            q.band = *bandFromFreq;
        } else if (!freq.empty()) {
            warn(q.line, "unknown band", "unknown band: frequency " + freq + " MHz lies in no amateur band");
        } else {
            warn(q.line, "unknown band", "unknown band: the record has neither BAND nor FREQ");
        }
    }

    void readMode(const Record& r, Qso& q) {
        std::string mode = get(r, "MODE");
        std::string submode = get(r, "SUBMODE");
        q.mode = hostModeFromAdif(mode, submode);
        if (q.mode.empty())
            warn(q.line, "unknown mode", "unknown mode: the record has no MODE field");
        else if (!isKnownMode(q.mode))
            warn(q.line, "unknown mode", "unknown mode \"" + shortened(mode) + "\"");
    }

    ContactLog& log_;
    std::size_t line_ = 0;
};

void readRecords(std::string_view text, TagScanner& scanner, ContactLog& log);

}  // namespace

ContactLog readAdif(std::string_view text, const std::string& fileName) {
    ContactLog log;
    log.fileName = fileName;
    TagScanner scanner(text, fileName);
    // A record that cannot be understood is listed and skipped; a broken
    // tag ends the reading, as nothing after it can be trusted.
    try {
        readRecords(text, scanner, log);
    } catch (const InputError& e) {
        log.errors.push_back({e.line(), e.message(), "malformed"});
    }
    for (const Qso& q : log.qsos)
        if (!q.ownCall.empty()) {
            log.ownCall = q.ownCall;
            break;
        }
    return log;
}

namespace {

void readRecords(std::string_view text, TagScanner& scanner, ContactLog& log) {
    const std::string& fileName = log.fileName;
    // A file that does not begin with '<' has a header of free text, ended
    // by <EOH>; the header may hold fields of its own, which are not needed.
    std::string_view start = trim(text);
    if (!start.empty() && start.front() != '<') {
        std::size_t eoh = toUpper(text).find("<EOH>");
        if (eoh == std::string::npos) {
            scanner.skipTo(text.size());
            throw InputError(fileName, scanner.line(), "expected <EOH> to end the header");
        }
        scanner.skipTo(eoh + 5);
    }

    RecordConverter converter(log);
    Record record;
    std::size_t recordLine = 0;
    bool sawRecord = false;
    while (scanner.nextTag()) {
        Field field = scanner.readField();
        if (field.name == "EOH") {
            if (sawRecord)
                throw InputError(fileName, field.line, "expected <EOR>, found <EOH> after the first record");
            record.clear();  // the fields before it were a header
            continue;
        }
        if (field.name == "EOR") {
            if (record.empty()) continue;  // nothing to end
            sawRecord = true;
            try {
                log.qsos.push_back(converter.convert(record, recordLine));
                if (log.contestName.empty()) log.contestName = converter.get(record, "CONTEST_ID");
            } catch (const InputError& e) {
                log.errors.push_back({e.line(), e.message(), "malformed"});
            }
            record.clear();
            continue;
        }
        if (!field.hasLength)
            throw InputError(fileName, field.line, "expected <" + field.name + ":LENGTH> with the data's length");
        if (record.empty()) recordLine = field.line;
        record[field.name] = field.data;
    }
    if (!record.empty())
        throw InputError(fileName, recordLine, "expected <EOR> to end the record that starts here");
}

}  // namespace

}  // namespace korvan::host
