#pragma once
// The Cabrillo log holder: the header fields that the operator confirms in
// the header editor at the reset of an export run, the QSO lines collected
// by the statistics requests of that run, and the writer of the log file.
// Touched only on the host's thread.
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace korvan {

struct CabrilloLog {
    std::string callsign;             // CALLSIGN line and own-call column of the QSO lines
    std::string name;
    std::string address;
    std::string claimed;              // shown in the editor, never written to the log
    std::string contest;
    std::string email;
    std::string club;
    std::string soapbox;              // after editHeader: its log-file form
    std::string operators;
    std::string categoryOperator;
    std::string categoryBand;
    std::string categoryPower;
    std::string location;
    std::string addressCity;
    std::string addressPostalCode;
    std::string addressCountry;
    std::string categoryTransmitter;
    std::string categoryMode;
    std::string categoryStation;
    std::string fileCallsign;         // base of the log file's name
    std::vector<std::string> qsoLines;  // each a whole QSO line with its CR LF

    // Loads the header fields, lets the operator edit them in the modal
    // editor and stores them. true when confirmed; on cancel clears the
    // state's exportRun and returns false, storing nothing.
    bool editHeader(const std::string& ownCall);

    // Formats one QSO line with callsign as the own call and appends it.
    void addQsoLine(const std::string& call, int frequencyKHz, const std::string& modeCode,
                    const COleDateTime& qsoTime, const std::string& rstSent, const std::string& exchangeSent,
                    const std::string& rstReceived, const std::string& exchangeReceived);

    // The whole log file as bytes, with the given host version and score.
    std::string logText(const std::string& hostVersion, long long claimedScore) const;

    // Writes fileCallsign + ".cbr" in the current folder (whole or not at
    // all) and returns the message for the operator. Reads hostVersion and
    // claimedScore from the contest state under its lock: must be called
    // without the lock held.
    std::string writeLog() const;
    // "File not produced: " and the log file's name.
    std::string notProducedMessage() const;
};

// The one log holder of the library.
CabrilloLog& cabrilloLog();

// text with every leftmost, non-overlapping occurrence of what replaced by
// with; the inserted text is not scanned again. what must not be empty.
std::string replaceAll(const std::string& text, const std::string& what, const std::string& with);

// The base of the log file's name for an own callsign: "/", "\" and every
// other character that a Windows file name cannot hold become "_", then
// blanks are trimmed at both ends; "KVOR" when nothing is left.
std::string fileCallsignFor(const std::string& ownCall);

}  // namespace korvan
