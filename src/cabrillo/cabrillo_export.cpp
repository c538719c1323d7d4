#include "cabrillo/cabrillo_export.h"

#include <mutex>

#include "cabrillo/cabrillo_log.h"
#include "engine/contest_state.h"
#include "platform/message_box.h"

void runExportHeaderEditor(const std::string& ownCall, const COleDateTime&, const COleDateTime&) {
    cabrilloLog().editHeader(ownCall);
}

const char* cabrilloModeCode(const std::string& mode) {
    if (mode == "CW") return "CW";
    if (mode == "SSB") return "PH";
    return "??";
}

void runCabrilloExport() {
    CabrilloLog& log = cabrilloLog();
    {
        std::lock_guard<std::mutex> lock(stateLock());
        const ContestState& state = contestState();
        if (state.exportRun == 0) return;
        // Each request writes the whole log afresh: every stored QSO once.
        log.qsoLines.clear();
        log.qsoLines.reserve(state.qsoList.size());
        for (const CInfo& qso : state.qsoList)
            log.addQsoLine(qso.call, qso.frequencyKHz, cabrilloModeCode(qso.mode), qso.qsoTime, qso.rstSent,
                           qso.exchangeSent, qso.rstReceived, qso.exchangeReceived);
    }
    // The file is written and the box shown with the lock released.
    const std::string message = log.writeLog();
    platform::messageBox(message, "Output", platform::kMessageBoxIconInformation,
                         platform::MessageBoxOwner::activeWindowOfThread);
}
