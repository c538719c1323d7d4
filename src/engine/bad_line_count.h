#pragma once
// The number of lines of the bad-QSO file that the statistics count, known
// across requests instead of read on each: the plug-in appends to that file
// itself and so knows what each append adds; whenever the file's stamp
// (size, modification time, identity) is not the one the plug-in last saw,
// someone else changed the file (or the plug-in rewrote it), and the lines
// are counted again, once.
#include <cstdint>
#include <string>
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

}  // namespace korvan::badqso
