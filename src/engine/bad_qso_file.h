#pragma once
// The bad-QSO file: a header line and one line per rejected or flagged QSO,
// every line ending in CR LF. A reset creates it, each QSO appends its lines,
// a removal rewrites it without the removed QSO's lines.
#include <string>
#include <string_view>
#include <vector>

#include "engine/host_calls.h"
#include "platform/date_time.h"

namespace korvan::badqso {

// Header written by a reset (one trailing blank) and by a rewrite (two).
inline constexpr const char* kResetHeader = "KORVAN CONTEST UBN file ";
inline constexpr const char* kRewriteHeader = "KORVAN CONTEST UBN file  ";

// The messages close a line and bring their own leading blanks.
inline constexpr const char* kWrongBand = "   WRONG BAND !!!";
inline constexpr const char* kWrongMode = "   WRONG MODE !!!";
inline constexpr const char* kNoExchange = "   NO RX NUMBER !!!";
inline constexpr const char* kDupe = "   DUPE !!!";
inline constexpr const char* kBadKdaCode = "  KDA Code is not acceptable !!!";

// "BadQSO_StatsKORVAN_<day>_<month>_<year>.txt" for the contest date.
std::string fileNameFor(const COleDateTime& contestDate);

// One line (without its line end) describing a QSO: the logged fields two
// blanks apart, then the normalised KDA code when one is given, then the
// message. dateText is the QSO time as "%Y-%m-%d %H%M". A control character
// in a field is written as a blank, so a field never breaks the line.
std::string describeQso(const QsoArguments& qso, const std::string& dateText, const std::string& message,
                        const std::string* normalisedCode = nullptr);

// Creates or truncates the file with the reset header (the whole header or,
// on a full disk, nothing). Nothing happens for an empty name.
void create(const std::string& fileName);

// Appends the lines, each with CR LF, in one write: all of them or none.
// Opens the file only when there is something to write; failures are
// silent.
void appendLines(const std::string& fileName, const std::vector<std::string>& lines);

// True when the line belongs to the QSO of this callsign and minute: it
// holds the callsign as a whole field (two blanks on either side, control
// characters blanked as in describeQso) and its date-time field (the one
// after the mode) is dateText ("%Y-%m-%d %H%M", as describeQso was given).
bool describesQso(const std::string& line, const std::string& call, const std::string& dateText);

// The date-time field of a line that describeQso wrote; empty for a line of
// another shape.
std::string_view dateTimeField(std::string_view line);

// Rewrites the file with the rewrite header and every line after the first
// that does not describe the QSO; kept receives those lines. A file that
// cannot be read is left as it is. The new content replaces the old one at
// once, so a failed write keeps the old file. False when the file could not
// be read or replaced.
bool rewriteWithout(const std::string& fileName, const std::string& call, const std::string& dateText,
                    std::vector<std::string>& kept);

}  // namespace korvan::badqso
