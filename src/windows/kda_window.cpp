#include "windows/kda_window.h"

#include "resources/resource.h"
#include "windows/operator_windows.h"
#include "windows/window_placement.h"

namespace korvan {

namespace {

constexpr platform::Color kBackground = platform::rgb(255, 250, 198);

constexpr std::array<int, kAreaCount> kBoxIds = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) id,
#include "resources/kda_grid.h"
#undef KDA_GRID_BOX
};

constexpr std::array<const char*, kAreaCount> kGridCodes = {
#define KDA_GRID_BOX(id, code, caption, x, y, width) code,
#include "resources/kda_grid.h"
#undef KDA_GRID_BOX
};

// The grid holds, letter by letter, the numbers 01 up to some last one, so
// a code's box is found from its letter and number without a search: per
// letter the index of its 01 box and its last number (0: no such letter).
struct LetterRun {
    int first = 0;
    int last = 0;
};
using LetterRuns = std::array<LetterRun, 26>;

constexpr int digit(char c) { return c - '0'; }

constexpr LetterRuns letterRuns() {
    LetterRuns runs{};
    for (int k = 0; k < kAreaCount; ++k) {
        const char* code = kGridCodes[static_cast<std::size_t>(k)];
        LetterRun& run = runs[static_cast<std::size_t>(code[0] - 'A')];
        if (run.last == 0) run.first = k;
        run.last = digit(code[1]) * 10 + digit(code[2]);
    }
    return runs;
}
constexpr LetterRuns kRuns = letterRuns();

// Every code is where its letter and number say.
constexpr bool runsAreDense() {
    for (int k = 0; k < kAreaCount; ++k) {
        const char* code = kGridCodes[static_cast<std::size_t>(k)];
        if (code[0] < 'A' || code[0] > 'Z' || code[3] != '\0') return false;
        const LetterRun& run = kRuns[static_cast<std::size_t>(code[0] - 'A')];
        if (run.first + digit(code[1]) * 10 + digit(code[2]) - 1 != k) return false;
    }
    return true;
}
static_assert(runsAreDense(), "the grid must hold each letter's codes 01 to its last, in order");

// The grid index of a code, or -1 when the grid has no box for it (exact
// bytes: "c05", "C5" and "C051" have none).
int gridIndexOf(const std::string& code) {
    if (code.size() != 3 || code[0] < 'A' || code[0] > 'Z') return -1;
    if (code[1] < '0' || code[1] > '9' || code[2] < '0' || code[2] > '9') return -1;
    const LetterRun& run = kRuns[static_cast<std::size_t>(code[0] - 'A')];
    const int number = digit(code[1]) * 10 + digit(code[2]);
    if (number < 1 || number > run.last) return -1;
    return run.first + number - 1;
}

}  // namespace

const std::array<const char*, kAreaCount> areaGridCodes = kGridCodes;

KdaAreaWindow::KdaAreaWindow(OperatorWindows& owner) : platform::Dialog(IDD_OBLAST), owner_(owner) {}

AreaMarks KdaAreaWindow::marksOf(const std::vector<std::string>& codes) {
    AreaMarks marks{};
    for (const std::string& code : codes)
        if (const int k = gridIndexOf(code); k >= 0) marks[static_cast<std::size_t>(k)] = 1;
    return marks;
}

void KdaAreaWindow::showMarks(const AreaMarks& marks) {
    if (!boxesShowMarks_) {
        areaMarks = marks;
        updateData(false);
        boxesShowMarks_ = true;
        return;
    }
    for (std::size_t k = 0; k < kAreaCount; ++k) {
        if (marks[k] == areaMarks[k]) continue;
        areaMarks[k] = marks[k];
        setCheckState(kBoxIds[k], marks[k]);
    }
}

void KdaAreaWindow::onCommand(int controlId, int) {
    if (controlId >= IDC_OBLAST_FIRST_BOX && controlId <= IDC_OBLAST_LAST_BOX) boxesShowMarks_ = false;
}

void KdaAreaWindow::rebuildMarks(const std::vector<std::string>& codes) { showMarks(marksOf(codes)); }

void KdaAreaWindow::doDataExchange(platform::DataExchange& exchange) {
    for (std::size_t k = 0; k < kAreaCount; ++k) exchange.check(kBoxIds[k], areaMarks[k]);
}

bool KdaAreaWindow::onInitDialog() {
    platform::Dialog::onInitDialog();
    boxesShowMarks_ = true;
    // No default position: a window never placed opens at (0, 0).
    WindowMemory& memory = owner_.memory();
    memory.rememberedLeft = readSettingsNumber("oblast_x");
    memory.rememberedTop = readSettingsNumber("oblast_y");
    moveTo(memory.rememberedLeft, memory.rememberedTop);
    if (memory.keepWindowsOnTop != 0) makeTopmost();
    setLargeIcon(IDI_KORVAN);
    disableCloseItem();
    return true;
}

void KdaAreaWindow::onSetCursor() { saveWindowPosition(*this, owner_.memory(), "oblast_x", "oblast_y"); }

std::optional<platform::ControlColors> KdaAreaWindow::onControlColor(int) {
    // The boxes blend with the window's background.
    return platform::ControlColors{platform::rgb(0, 0, 0), kBackground, kBackground};
}

}  // namespace korvan
