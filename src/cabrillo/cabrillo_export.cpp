#include "cabrillo/cabrillo_export.h"

#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_log.h"
#include "engine/contest_state.h"
#include "platform/message_box.h"

namespace korvan {

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
        if (contestState().exportRun == 0) return;
    }
    std::string message;
    try {
        {
            std::lock_guard<std::mutex> lock(stateLock());
            const ContestState& state = contestState();
            // Each request writes the whole log afresh: every stored QSO once.
            log.qsoLines.clear();
            log.qsoLines.reserve(state.qsoList.size());
            for (const CInfo& qso : state.qsoList)
                log.addQsoLine(qso.call, qso.frequencyKHz, cabrilloModeCode(qso.mode), qso.qsoTime, qso.rstSent,
                               qso.exchangeSent, qso.rstReceived, qso.exchangeReceived);
        }
        // The file is written and the box shown with the lock released.
        message = log.writeLog();
    } catch (const std::bad_alloc&) {
        // The collected lines hold most of the memory the export took;
        // freeing them gives the message room.
        std::vector<std::string>().swap(log.qsoLines);
        message = log.notProducedMessage();
    }
    platform::messageBox(message, "Output", platform::kMessageBoxIconInformation,
                         platform::MessageBoxOwner::activeWindowOfThread);
}

}  // namespace korvan
