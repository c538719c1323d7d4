// A stand-in plug-in for testing korvan-host: every export writes what it was
// given into a journal that GetResult0 returns, so a test can check which
// argument position the host filled with what.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/headless/host_stand_in.h"

namespace {

struct DateTime {
    double days;
    int status;
};

std::string journal;
bool html = false;
bool htmlAsked = false;
// The Cabrillo log an export run writes at each statistics request, as the
// plug-in does: "OWN.cbr" in the current folder.
std::string exportLog;

using T = const char*;
using D = DateTime*;

std::string show(const DateTime* t) {
    if (!t) return "null-pointer";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f/%d", t->days, t->status);
    return buffer;
}

int record(const char* name, T own, T call, D time, unsigned frequency, T mode, T rstSent, T rstReceived,
           T exchangeSent, T exchangeReceived, T prefix, T continent, T band) {
    journal += std::string(name) + " own=" + own + " call=" + call + " time=" + show(time) +
               " freq=" + std::to_string(frequency) + " mode=" + mode + " rsts=" + rstSent + " rstr=" + rstReceived +
               " xs=" + exchangeSent + " xr=" + exchangeReceived + " pfx=" + prefix + " cont=" + continent +
               " band=" + band + "\n";
    return 1;
}

// Every text position the plug-in does not read must still be a valid text.
bool allEmpty(std::initializer_list<T> texts) {
    for (T t : texts)
        if (!t || *t) return false;
    return true;
}

}  // namespace

extern "C" {

int AddData0(T a1, T a2, D a3, D a4, D a5, D a6, unsigned a7, unsigned a8, T a9, T a10, T a11, T a12, T a13,
             T a14, T a15, T a16, T a17, T a18, T a19, T a20, T a21, T a22, T a23, int a24, int a25, int a26,
             double a27, double a28, T a29, T a30, T a31, T a32, T a33) {
    if (!a4 || !a5 || !a6 || a7 != 0 || a24 || a25 || a26 || a27 != 0 || a28 != 0 ||
        !allEmpty({a14, a15, a16, a17, a18, a19, a20, a21, a22, a29, a31, a33}))
        journal += "AddData0 unexpected filler\n";
    return record("add", a1, a2, a3, a8, a9, a10, a11, a12, a13, a23, a30, a32);
}

int RemoveData0(T a1, T a2, D a3, D, D, D, unsigned, unsigned a8, T a9, T a10, T a11, T a12, T a13, T, T, T, T,
                T, T, T, T, T, T a23, int, int, int, double, double, T, T a30, T, T a32, T) {
    return record("remove", a1, a2, a3, a8, a9, a10, a11, a12, a13, a23, a30, a32);
}

int ResetStats0(T folder, int exportRun, T own, D first, D second, T a6, T a7, T a8, T a9, T a10, T a11, T a12,
                T a13, T a14, T prefix, int, int, int, double, double, T a21, T continent, T a23) {
    // A reset starts a new journal. The library may stay loaded between the
    // tests of one process, so the HTML switch is cleared here too: the host
    // calls setVersion before the reset when it wants HTML.
    journal.clear();
    exportLog = exportRun ? std::string(own) + ".cbr" : std::string();
    html = htmlAsked;
    htmlAsked = false;
    if (!allEmpty({a6, a7, a8, a9, a10, a11, a12, a13, a14, a21, a23})) journal += "ResetStats0 unexpected filler\n";
    journal += std::string("reset folder=") + folder + " export=" + std::to_string(exportRun) + " own=" + own +
               " first=" + show(first) + " second=" + show(second) + " pfx=" + prefix + " cont=" + continent + "\n";
    // What the headless Cabrillo header editor (template 101) would be
    // answered with.
    auto modalAnswer =
        reinterpret_cast<KorvanHostModalAnswerFunction>(dlsym(RTLD_DEFAULT, KORVAN_HOST_MODAL_ANSWER_SYMBOL));
    if (const unsigned length = modalAnswer ? modalAnswer(101, nullptr, 0) : 0) {
        std::string shown(length + 1, '\0');
        modalAnswer(101, shown.data(), length + 1);
        shown.resize(length);
        for (char& c : shown) c = c == '\x1f' ? '|' : c == '\r' ? 'R' : c == '\n' ? 'N' : c;
        journal += "editor " + shown + "\n";
    }
    return 1;
}

// A call check of the call "HOST" plays the windows' part against the
// host stand-in's object: the command, the frequency and item 5, each
// answer or failure written to the out-buffer.
void callHostObject(char* out) {
    auto running = reinterpret_cast<KorvanHostRunningObjectFunction>(dlsym(RTLD_DEFAULT, KORVAN_HOST_RUNNING_OBJECT_SYMBOL));
    const KorvanHostObject* host = running ? running() : nullptr;
    if (!host) {
        std::strcpy(out, "no host");
        return;
    }
    double hertz = 0;
    int isString = 0;
    char item[16] = {};
    const int sent = host->sendCommand(host->context, "<SP1>");
    const int read = host->frequency(host->context, &hertz);
    const int asked = host->qsoItem(host->context, 5, &isString, item, sizeof item);
    std::snprintf(out, 100, "%d %d %.0f %d %d %s", sent, read, hertz, asked, isString, item);
    host->release(host->context);
}

int CheckCall0(T call, unsigned, unsigned, T mode, T, T, T, T, T, T, T, T, T, T prefix, int, int, int, double,
               double, T, T continent, T, T, T, T band, T, char* out, char*) {
    if (out && std::strcmp(call, "HOST") == 0) {
        callHostObject(out);
        return 1;
    }
    journal += std::string("check call=") + call + " mode=" + mode + " pfx=" + prefix + " cont=" + continent +
               " band=" + band + "\n";
    if (out) std::strcpy(out, "K07");
    return 2;
}

int IsValidExchg0(T, T, T, T, int, int, int) { return 0; }
int GetExchgCount0(T, T, T) { return 1; }

const char* GetResult0(int* status) {
    static std::string text;
    if (status) *status = -1;
    text = html ? "<html>" + journal + "</html>" : journal;
    if (!exportLog.empty()) {
        if (std::FILE* log = std::fopen(exportLog.c_str(), "wb")) {
            std::fputs("START-OF-LOG: 3.0\r\n", log);
            std::fclose(log);
        }
    }
    return text.c_str();
}

const char* GetSetName(int index) { return index == 0 ? "Korvan (C)" : ""; }
int GetNumberOfSets() { return 1; }
void SetupSet0() {}

unsigned long setVersion(const char*) {
    htmlAsked = true;
    return 0;
}

}  // extern "C"
