#include "cabrillo/cabrillo_log.h"

#include <mutex>
#include <utility>

#include "cabrillo/header_editor.h"
#include "engine/contest_rules.h"
#include "engine/contest_state.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "report/text_format.h"

namespace korvan {

namespace {

const char kCr[] = "\r";
const char kLf[] = "\n";
const char kEscapedCr[] = "<CR>";
const char kEscapedLf[] = "<LF>";

// Characters that a Windows file name cannot hold.
bool forbiddenInFileName(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20) return true;
    switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
            return true;
        default:
            return false;
    }
}

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string readSetting(const char* key, const std::string& fallback = std::string()) {
    return platform::readProfileString(settingsFile, settingsSection, key, fallback);
}

void writeSetting(const char* key, const std::string& value) {
    // A failed write is not reported; the edited values still hold for this run.
    platform::writeProfileString(settingsFile, settingsSection, key, value);
}

// A field's control characters are written as blanks: no value can end its
// line early or add lines of its own (such as a second CLAIMED-SCORE).
void headerLine(std::string& out, const char* label, const std::string& value) {
    out += label;
    out += blankControlCharacters(value);
    out += "\r\n";
}

const char kSoapboxLabel[] = "SOAPBOX: ";
const std::string kSoapboxBreak = std::string("\r\n") + kSoapboxLabel;

// The soapbox in its log-file form: each of its line breaks starts a new
// SOAPBOX line; within a line, control characters are blanks as anywhere.
void soapboxLines(std::string& out, const std::string& soapbox) {
    std::size_t from = 0;
    for (std::size_t at = soapbox.find(kSoapboxBreak); at != std::string::npos;
         at = soapbox.find(kSoapboxBreak, from)) {
        headerLine(out, kSoapboxLabel, soapbox.substr(from, at - from));
        from = at + kSoapboxBreak.size();
    }
    headerLine(out, kSoapboxLabel, soapbox.substr(from));
}

}  // namespace

CabrilloLog& cabrilloLog() {
    static CabrilloLog log;
    return log;
}

std::string replaceAll(const std::string& text, const std::string& what, const std::string& with) {
    if (what == with || what.empty()) return text;
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
        out.append(text, from, at - from);
        out += with;
        from = at + what.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

std::string fileCallsignFor(const std::string& ownCall) {
    std::string name = ownCall;
    for (char& c : name)
        if (forbiddenInFileName(c)) c = '_';
    name = trimmed(name);
    return name.empty() ? std::string("KVOR") : name;
}

bool CabrilloLog::editHeader(const std::string& ownCall) {
    callsign = ownCall;
    fileCallsign = fileCallsignFor(ownCall);

    name = readSetting("Name");
    address = readSetting("Address");
    addressCity = readSetting("Address-City");
    addressPostalCode = readSetting("Address-PostalCode");
    addressCountry = readSetting("Address-Country");
    claimed = readSetting("Claimed");
    location = readSetting("Loc");
    email = readSetting("Email");
    club = readSetting("Club");
    soapbox = readSetting("SoapBox");
    operators = readSetting("Operators", ownCall);

    // The categories start from the same values at every export run,
    // whatever the settings file holds under their keys.
    contest = "Korvan";
    categoryOperator = "SINGLE-OP";
    categoryBand = "ALL";
    categoryTransmitter = "ONE";
    categoryPower = "HIGH";
    categoryMode = "MIXED";
    categoryStation = "FIXED";

    // The settings file cannot hold line breaks: they are stored escaped.
    soapbox = replaceAll(replaceAll(soapbox, kEscapedCr, kCr), kEscapedLf, kLf);

    Cabrillo editor;
    editor.callsign = callsign;
    editor.claimed = claimed;
    editor.club = club;
    editor.categoryOperator = categoryOperator;
    editor.contest = contest;
    editor.email = email;
    editor.name = name;
    editor.operators = operators;
    editor.soapbox = soapbox;
    editor.categoryBand = categoryBand;
    editor.location = location;
    editor.categoryTransmitter = categoryTransmitter;
    editor.addressCity = addressCity;
    editor.addressPostalCode = addressPostalCode;
    editor.addressCountry = addressCountry;
    editor.categoryPower = categoryPower;
    editor.address = address;
    editor.categoryMode = categoryMode;
    editor.categoryStation = categoryStation;

    // Modal, on the host's thread, with no lock held.
    if (editor.runModal() != platform::kIdOk) {
        std::lock_guard<std::mutex> lock(stateLock());
        contestState().exportRun = 0;
        return false;
    }

    // Everything but CLAIMED, which only shows the stored score.
    callsign = editor.callsign;
    club = editor.club;
    categoryOperator = editor.categoryOperator;
    contest = editor.contest;
    email = editor.email;
    name = editor.name;
    operators = editor.operators;
    soapbox = editor.soapbox;
    categoryBand = editor.categoryBand;
    location = editor.location;
    categoryTransmitter = editor.categoryTransmitter;
    addressCity = editor.addressCity;
    addressPostalCode = editor.addressPostalCode;
    addressCountry = editor.addressCountry;
    categoryPower = editor.categoryPower;
    address = editor.address;
    categoryMode = editor.categoryMode;
    categoryStation = editor.categoryStation;

    soapbox = replaceAll(replaceAll(soapbox, kCr, kEscapedCr), kLf, kEscapedLf);

    writeSetting("Band", categoryBand);
    writeSetting("Power", categoryPower);
    writeSetting("Operators", operators);
    writeSetting("Name", name);
    writeSetting("Address", address);
    writeSetting("Address-City", addressCity);
    writeSetting("Address-PostalCode", addressPostalCode);
    writeSetting("Address-Country", addressCountry);
    writeSetting("Category", categoryOperator);
    writeSetting("Contest", contest);
    writeSetting("Email", email);
    writeSetting("Club", club);
    writeSetting("SoapBox", soapbox);
    writeSetting("Loc", location);

    // Log-file form: every line break of the operator starts a new
    // "SOAPBOX: " line; the line feeds of CR LF pairs disappear.
    soapbox = replaceAll(replaceAll(soapbox, kEscapedCr, "\r\nSOAPBOX: "), kEscapedLf, "");

    qsoLines.clear();
    return true;
}

void CabrilloLog::addQsoLine(const std::string& call, int frequencyKHz, const std::string& modeCode,
                             const COleDateTime& qsoTime, const std::string& rstSent,
                             const std::string& exchangeSent, const std::string& rstReceived,
                             const std::string& exchangeReceived) {
    const std::string time = qsoTime.Format("%Y-%m-%d %H%M");
    // Widths are minimum widths: a longer value shifts the rest, nothing is cut.
    std::string line;
    // Control characters in a field are written as blanks: the line stays one line.
    report::appendFormat(line, "QSO: %5i %2s %s %-13s %-3s %-6s %-13s %-3s %s\r\n", frequencyKHz,
                         blankControlCharacters(modeCode).c_str(), time.c_str(),
                         blankControlCharacters(callsign).c_str(), blankControlCharacters(rstSent).c_str(),
                         blankControlCharacters(exchangeSent).c_str(), blankControlCharacters(call).c_str(),
                         blankControlCharacters(rstReceived).c_str(), blankControlCharacters(exchangeReceived).c_str());
    qsoLines.push_back(std::move(line));
}

std::string CabrilloLog::logText(const std::string& hostVersion, long long claimedScore) const {
    std::string out;
    out += "START-OF-LOG: 3.0\r\n";
    headerLine(out, "CREATED-BY: Vexa ", hostVersion);
    headerLine(out, "CALLSIGN: ", callsign);
    headerLine(out, "CONTEST: ", contest);
    headerLine(out, "CATEGORY-BAND: ", categoryBand);
    headerLine(out, "CATEGORY-MODE: ", categoryMode);
    headerLine(out, "CATEGORY-OPERATOR: ", categoryOperator);
    headerLine(out, "CATEGORY-POWER: ", categoryPower);
    headerLine(out, "CATEGORY-STATION: ", categoryStation);
    headerLine(out, "CATEGORY-TRANSMITTER: ", categoryTransmitter);
    headerLine(out, "OPERATORS: ", operators);
    headerLine(out, "LOCATION: ", location);
    headerLine(out, "CLAIMED-SCORE: ", std::to_string(claimedScore));
    // Logs without a club keep exactly the lines they always had.
    if (!club.empty()) headerLine(out, "CLUB: ", club);
    headerLine(out, "NAME: ", name);
    headerLine(out, "ADDRESS: ", address);
    headerLine(out, "ADDRESS-CITY: ", addressCity);
    headerLine(out, "ADDRESS-POSTALCODE: ", addressPostalCode);
    headerLine(out, "ADDRESS-COUNTRY: ", addressCountry);
    soapboxLines(out, soapbox);
    headerLine(out, "E-MAIL: ", email);
    for (const std::string& line : qsoLines) out += line;
    out += "END-OF-LOG:\r\n";
    return out;
}

std::string CabrilloLog::writeLog() const {
    std::string hostVersion;
    long long claimedScore = 0;
    {
        std::lock_guard<std::mutex> lock(stateLock());
        hostVersion = contestState().hostVersion;
        claimedScore = contestState().claimedScore;
    }
    const std::string fileName = fileCallsign + ".cbr";
    // Written beside and renamed over the old file: a failure leaves the
    // previous log as it was, never a half-written one.
    if (!platform::replaceFileContents(fileName, logText(hostVersion, claimedScore))) return notProducedMessage();
    return "File produced: " + fileName;
}

std::string CabrilloLog::notProducedMessage() const { return "File not produced: " + fileCallsign + ".cbr"; }

}  // namespace korvan
