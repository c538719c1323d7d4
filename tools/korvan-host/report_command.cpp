#include "report_command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host_commands.h"
#include "log_error.h"
#include "plugin_loader.h"
#include "report_figures.h"
#include "report_page.h"
#include "report_replay.h"
#include "text.h"

namespace fs = std::filesystem;

namespace korvan::host {

ReportPage::ReportPage(const std::string& path) : path_(path), part_(path + ".part") {
    std::error_code ec;
    if (fs::is_directory(path_, ec)) throw InputError(path_, 0, "cannot be written: it is a folder");
    file_.open(part_, std::ios::binary | std::ios::trunc);
    if (!file_) throw InputError(path_, 0, std::string("cannot be written: ") + std::strerror(errno));
}

ReportPage::~ReportPage() {
    if (committed_) return;
    file_.close();
    std::error_code ignored;
    fs::remove(part_, ignored);
}

void ReportPage::commit(const std::string& text) {
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    file_.close();
    if (!file_) throw InputError(path_, 0, std::string("cannot be written: ") + std::strerror(errno));
    std::error_code ec;
    fs::rename(part_, path_, ec);
    if (ec) throw InputError(path_, 0, "cannot be replaced: " + ec.message());
    committed_ = true;
}

int writeReport(HostSession& session, const ReportRun& run, ReportPage& page, std::ostream& out, std::ostream& err) {

    const TimeBins bins = timeBinsFor(run.log);
    const bool showProgress = run.log.qsos.size() > 5000 && stderrIsTerminal();
    const ReportReplay replay = replayForReport(
        session, run.log, badQsoFileName(run.contestDate), sampleMoments(bins),
        [&](std::size_t done, std::size_t total) {
            if (showProgress)
                err << "\rkorvan-host: replaying QSO " << done << " of " << total << (done == total ? "\n" : "")
                    << std::flush;
        });
    if (replay.final().total.qsos == 0)
        throw InputError(run.log.fileName, 0,
                         "holds no QSO that the plug-in counts (" + std::to_string(run.log.qsos.size()) +
                             " logged); no report was written");

    const ReportFigures figures = computeFigures({run.log, replay, run.countries, run.own, run.log.header,
                                                  run.offTimeMinutes},
                                                 bins);
    const std::string logName = fs::path(run.log.fileName).filename().string();
    page.commit(renderReportPage(figures, run.log, {logName.empty() ? run.log.fileName : logName, kHostVersion}));

    out << figures.totals.scoreLine << "\n"
        << "Report: " << printable(run.pageName) << " (" << figures.countedQsos << " QSOs counted, " << figures.problems.size()
        << " not counted)\n";
    return exitSuccess;
}

}  // namespace korvan::host
