// The exported functions: turn the host's argument lists into the engine's
// records and keep every exception and null pointer away from the host.
#include "plugin/exports.h"

#include <exception>
#include <string>

#include "cabrillo/cabrillo_export.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "platform/message_box.h"
#include "plugin/plugin_wiring.h"
#include "plugin/score_posting.h"
#include "report/statistics_report.h"

// The exports have C linkage at global scope; what they call is the
// project's own.
using namespace korvan;

namespace {

std::string text(const char* value) { return value ? std::string(value) : std::string(); }

COleDateTime dateTime(const COleDateTime* value) {
    if (value) return *value;
    COleDateTime none;
    none.m_status = DateTimeStatus::null;
    return none;
}

QsoArguments qsoArguments(PCSTR_ ownCall, PCSTR_ call, PDT_ qsoTime, unsigned frequencyHz, PCSTR_ mode,
                          PCSTR_ rstSent, PCSTR_ rstReceived, PCSTR_ exchangeSent, PCSTR_ exchangeReceived,
                          PCSTR_ prefix, PCSTR_ continent, PCSTR_ band) {
    QsoArguments args;
    args.ownCall = text(ownCall);
    args.call = text(call);
    args.time = dateTime(qsoTime);
    args.frequencyHz = frequencyHz;
    args.mode = text(mode);
    args.rstSent = text(rstSent);
    args.rstReceived = text(rstReceived);
    args.exchangeSent = text(exchangeSent);
    args.exchangeReceived = text(exchangeReceived);
    args.prefix = text(prefix);
    args.continent = text(continent);
    args.band = text(band);
    return args;
}

// Runs body; any exception becomes the neutral result.
template <typename Result, typename Body>
Result guarded(Result neutral, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return neutral;
    }
}

const char kSetName[] = "Korvan (C)";
const char kEmpty[] = "";

}  // namespace

extern "C" {

int KORVAN_CALL AddData0(PCSTR_ ownCall, PCSTR_ call, PDT_ qsoTime, PDT_, PDT_, PDT_, unsigned,
                         unsigned frequencyHz, PCSTR_ mode, PCSTR_ rstSent, PCSTR_ rstReceived,
                         PCSTR_ exchangeSent, PCSTR_ exchangeReceived, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_,
                         PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_ prefix, int, int, int, double, double, PCSTR_,
                         PCSTR_ continent, PCSTR_, PCSTR_ band, PCSTR_) {
    return guarded(0, [&] {
        return addQso(qsoArguments(ownCall, call, qsoTime, frequencyHz, mode, rstSent, rstReceived,
                                   exchangeSent, exchangeReceived, prefix, continent, band));
    });
}

int KORVAN_CALL RemoveData0(PCSTR_ ownCall, PCSTR_ call, PDT_ qsoTime, PDT_, PDT_, PDT_, unsigned,
                            unsigned frequencyHz, PCSTR_ mode, PCSTR_ rstSent, PCSTR_ rstReceived,
                            PCSTR_ exchangeSent, PCSTR_ exchangeReceived, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_,
                            PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_ prefix, int, int, int, double, double, PCSTR_,
                            PCSTR_ continent, PCSTR_, PCSTR_ band, PCSTR_) {
    return guarded(1, [&] {
        return removeQso(qsoArguments(ownCall, call, qsoTime, frequencyHz, mode, rstSent, rstReceived,
                                      exchangeSent, exchangeReceived, prefix, continent, band));
    });
}

int KORVAN_CALL ResetStats0(PCSTR_ hostFolder, int exportRun, PCSTR_ ownCall, PDT_ firstDate, PDT_ secondDate,
                            PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_,
                            PCSTR_ ownPrefix, int, int, int, double, double, PCSTR_, PCSTR_ ownContinent,
                            PCSTR_) {
    return guarded(1, [&] {
        wirePlugin();
        ResetArguments args;
        args.hostFolder = text(hostFolder);
        args.exportRun = exportRun;
        args.ownCall = text(ownCall);
        args.firstDate = dateTime(firstDate);
        args.secondDate = dateTime(secondDate);
        args.ownPrefix = text(ownPrefix);
        args.ownContinent = text(ownContinent);
        const int result = resetStats(args);
        korvan::configureScorePosting(args);
        return result;
    });
}

int KORVAN_CALL CheckCallFunc0(PCSTR_ call, unsigned, unsigned, PCSTR_ mode, PCSTR_, PCSTR_, PCSTR_, PCSTR_,
                               PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, int, int, int, double, double,
                               PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_ band, PCSTR_, char* exchangeOut,
                               char*) {
    return guarded(2, [&] { return checkCall(text(call), text(mode), text(band), exchangeOut); });
}

int KORVAN_CALL StatsIsValidExchg0(PCSTR_ exchange, PCSTR_, PCSTR_, PCSTR_, int, int, int) {
    return guarded(0, [&] { return isValidExchange(text(exchange)); });
}

int KORVAN_CALL StatsGetExchgCount0(PCSTR_, PCSTR_, PCSTR_) { return 1; }

// One body for both: the contest has one exchange field and one set.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-alias"
int KORVAN_CALL GetNumberOfSets(void) __attribute__((alias("StatsGetExchgCount0")));
#pragma GCC diagnostic pop

const char* KORVAN_CALL GetResult0(int* status) {
    // The live score takes the figures just computed; only the hand-over
    // runs here, the post on its own thread.
    const bool posting = korvan::scorePostingWanted();
    report::Statistics computed;
    bool complete = false;
    const char* result = guarded<const char*>(kEmpty, [&] {
        const char* text = computeAndRenderResult(posting ? &computed : nullptr);
        complete = true;
        return text;
    });
    if (posting && complete)
        guarded(0, [&] {
            korvan::offerScore(computed);
            return 0;
        });
    // An export run writes the Cabrillo log after every statistics request.
    guarded(0, [] {
        runCabrilloExport();
        return 0;
    });
    if (status) *status = -1;
    return result ? result : kEmpty;
}

const char* KORVAN_CALL GetSetName(int index) { return index == 0 ? kSetName : kEmpty; }

void KORVAN_CALL SetupSet0(void) {
    guarded(0, [] {
        return platform::messageBox("No additional setup for this contest", "", platform::kMessageBoxOk);
    });
}

unsigned long KORVAN_CALL setVersion(PCSTR_) {
    extendedOutput.store(1);
    return 0;
}

}  // extern "C"

#if !defined(_WIN32)
// The plain names under which the host finds the functions whose own names
// differ (Windows gets them from the module definition file).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-alias"
extern "C" {
KORVAN_EXPORT int CheckCall0() __attribute__((alias("CheckCallFunc0")));
KORVAN_EXPORT int IsValidExchg0() __attribute__((alias("StatsIsValidExchg0")));
KORVAN_EXPORT int GetExchgCount0() __attribute__((alias("StatsGetExchgCount0")));
}
#pragma GCC diagnostic pop
#endif
