#pragma once
// The contest engine's operations behind the exported functions. The
// plug-in boundary turns the host's argument lists into these records
// (null texts already replaced by empty ones).
#include <string>

#include "platform/date_time.h"

namespace korvan {

struct QsoArguments {
    std::string ownCall;            // 1
    std::string call;               // 2
    COleDateTime time;              // 3 (a null pointer gives a null date-time)
    unsigned frequencyHz = 0;       // 8
    std::string mode;               // 9
    std::string rstSent;            // 10
    std::string rstReceived;        // 11
    std::string exchangeSent;       // 12
    std::string exchangeReceived;   // 13
    std::string prefix;             // 23
    std::string continent;          // 30
    std::string band;               // 32
};

struct ResetArguments {
    std::string hostFolder;         // 1
    int exportRun = 0;              // 2
    std::string ownCall;            // 3
    COleDateTime firstDate;         // 4
    COleDateTime secondDate;        // 5
    std::string ownPrefix;          // 15
    std::string ownContinent;       // 22
};

// Starts a contest run. Always 1.
int resetStats(const ResetArguments& args);
// 1 stored (possibly flagged dupe or bad code), 0 rejected.
int addQso(const QsoArguments& args);
// Always 1.
int removeQso(const QsoArguments& args);
// 0 dupe, 1 KDA area already worked on the band, 2 new area. outBuffer
// (may be null, at least 100 bytes) receives the directory's KDA code.
int checkCall(const std::string& call, const std::string& mode, const std::string& band, char* outBuffer);
// 1 when the exchange is a valid KDA code exactly as given.
int isValidExchange(const std::string& exchange);

// Hook run by the reset of an export run (the Cabrillo header editor);
// installed by the plug-in boundary. It runs on the host's thread without
// the state lock held.
using ExportHeaderEditor = void (*)(const std::string& ownCall, const COleDateTime& first,
                                    const COleDateTime& second);
void setExportHeaderEditor(ExportHeaderEditor editor);

}  // namespace korvan
