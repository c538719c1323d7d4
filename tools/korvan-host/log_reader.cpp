#include "log_reader.h"

#include <filesystem>

#include "adif_reader.h"
#include "bands.h"
#include "cabrillo_reader.h"
#include "log_error.h"
#include "text.h"

namespace korvan::host {

namespace {

enum class Format { unknown, adif, cabrillo };

Format formatByContent(std::string_view text) {
    const std::string start = toUpper(trim(text.substr(0, 4096)));
    if (start.rfind("START-OF-LOG", 0) == 0) return Format::cabrillo;
    const std::string head = toUpper(text.substr(0, 65536));
    for (const char* tag : {"<EOH>", "<EOR>", "<CALL:", "<ADIF_VER:"})
        if (head.find(tag) != std::string::npos) return Format::adif;
    return Format::unknown;
}

Format formatByName(const std::string& fileName) {
    const std::string extension = toLower(std::filesystem::path(fileName).extension().string());
    if (extension == ".adi" || extension == ".adif") return Format::adif;
    if (extension == ".cbr" || extension == ".log") return Format::cabrillo;
    return Format::unknown;
}

void fillLoggerDefaults(Qso& q) {
    if (q.frequencyHz == 0)
        if (auto edge = bandLowerEdge(q.band)) q.frequencyHz = static_cast<std::uint32_t>(*edge);
    const char* report = q.mode == "CW" ? "599" : q.mode == "SSB" ? "59" : nullptr;
    if (report && q.rstSent.empty()) q.rstSent = report;
    if (report && q.rstReceived.empty()) q.rstReceived = report;
}

}  // namespace

ContactLog readLogText(std::string_view text, const std::string& fileName) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // UTF-8 byte order mark

    const Format byName = formatByName(fileName), byContent = formatByContent(text);
    if (byContent == Format::unknown && byName == Format::unknown && !trim(text).empty()) {
        ContactLog log;
        log.fileName = fileName;
        log.errors.push_back({0, "is neither an ADIF log (no <EOH> or <EOR>) nor a Cabrillo log (no START-OF-LOG:)",
                              "format"});
        return log;
    }
    const Format format = byContent != Format::unknown ? byContent : byName != Format::unknown ? byName : Format::adif;
    ContactLog log = format == Format::cabrillo ? readCabrillo(text, fileName) : readAdif(text, fileName);
    if (byName != Format::unknown && byContent != Format::unknown && byName != byContent)
        log.warnings.insert(log.warnings.begin(),
                            {0,
                             byContent == Format::cabrillo ? "this looks like a Cabrillo log; read as one"
                                                           : "this looks like an ADIF log; read as one",
                             "format"});
    for (Qso& q : log.qsos) fillLoggerDefaults(q);
    return log;
}

ContactLog readLogFile(const std::string& path) {
    return readLogText(readWholeFile(path, "log"), path == kStandardInputName ? "standard input" : path);
}

}  // namespace korvan::host
