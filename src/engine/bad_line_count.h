#pragma once
// What the plug-in knows of the bad-QSO file across calls instead of reading
// it on each: the number of lines the statistics count and, after its own
// rewrite, the lines themselves. The plug-in appends to that file and
// rewrites it itself, so it knows what each append adds; whenever the
// file's stamp (size, modification time, identity) is not the one the
// plug-in last saw, someone else changed the file, and the lines are read
// again, once.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files.h"

namespace korvan::badqso {

// Whether the statistics count this line: every line except those where
// "DUPE" or "UBN" first occurs after the first character (the header and
// the dupe lines).
bool isCountedLine(const std::string& line);

// Counted lines of the file, reading one line at a time; 0 when it cannot
// be opened.
std::int32_t countLines(const std::string& fileName);

struct KnownLineCount {
    std::string fileName;
    platform::FileStamp stamp;  // of the file when count was right
    std::int32_t count = 0;
    bool known = false;
    // Appended lines start lines of their own (a last line without its line
    // end would be continued by the first of them).
    bool endsWithLineEnd = false;
    // The file is byte for byte what removeQsoLines writes (the rewrite
    // header and every other line with CR LF), so a removal that matches
    // none of its lines would write it unchanged. It holds after the
    // plug-in's own rewrite and its appends since; the lines after the
    // header are then kept here, by their date-time field.
    bool asRewritten = false;
    std::unordered_map<std::string, std::vector<std::string>> linesByDateTime;
};

// The plug-in appended lines (each written with CR LF) to the file, whose
// stamps before and after the append are given: the count grows by the
// counted ones when the file was as last seen before and grew by exactly
// those bytes; otherwise it is no longer known.
void noteAppend(KnownLineCount& known, const std::string& fileName, const platform::FileStamp& before,
                const platform::FileStamp& after, const std::vector<std::string>& lines);

// The count of the file now: the known one while the file's stamp is the
// one it was known for, else counted again (and known from then on, when
// the file held still while it was read).
std::int32_t currentCount(KnownLineCount& known, const std::string& fileName);

// Removes the lines of the QSO of this callsign and minute from the file
// (see bad_qso_file.h), and knows the file as rewritten afterwards. When the
// file is known as rewritten and none of its lines describes the QSO, the
// file is left alone: the rewrite would write the same bytes.
void removeQsoLines(KnownLineCount& known, const std::string& fileName, const std::string& call,
                    const std::string& dateText);

}  // namespace korvan::badqso
