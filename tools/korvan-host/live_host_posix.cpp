// korvan-host live without COM: the host object and the plug-in's headless
// windows meet through the two C functions this executable exports
// (platform/headless/host_stand_in.h).
#include <atomic>
#include <cstring>
#include <thread>

#include "live_host.h"
#include "platform/headless/host_stand_in.h"

namespace korvan::host {
namespace {

// What a call of a host object that went away returns (the RPC error a
// COM client sees, RPC_E_DISCONNECTED).
constexpr int kDisconnected = static_cast<int>(0x80010108u);

std::atomic<HostObjectState*> runningState{nullptr};
std::atomic<const KorvanHeadlessDesktop*> attachedDesktop{nullptr};

HostObjectState& stateOf(void* context) { return *static_cast<HostObjectState*>(context); }

int sendCommand(void* context, const char* text) {
    return stateOf(context).command(text ? text : "") ? 0 : kDisconnected;
}

int frequency(void* context, double* hertz) {
    double value = 0;
    if (!stateOf(context).frequency(value)) return kDisconnected;
    if (hertz) *hertz = value;
    return 0;
}

int qsoItem(void* context, int item, int* isString, char* text, unsigned size) {
    QsoItemAnswer answer;
    if (!stateOf(context).qsoItem(item, answer)) return kDisconnected;
    if (isString) *isString = answer.kind == QsoItemAnswer::text ? 1 : 0;
    if (text && size > 0) {
        const std::string& value = answer.kind == QsoItemAnswer::text ? answer.value : std::string();
        const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
        std::memcpy(text, value.data(), n);
        text[n] = '\0';
    }
    return 0;
}

void release(void*) {}

KorvanHostObject hostObject{nullptr, &sendCommand, &frequency, &qsoItem, &release};

class PosixLiveHost : public LiveHost {
public:
    explicit PosixLiveHost(HostObjectState& state) : state_(state) {}

    void start(Automation automation, Apartment) override {
        // Without COM, a registered class with no running instance and no
        // class at all look the same to the plug-in: no object.
        hostObject.context = &state_;
        if (automation == Automation::registered) runningState.store(&state_);
    }
    void disconnect() override {}
    void stop() override {
        runningState.store(nullptr);
        attachedDesktop.store(nullptr);
    }
    void closeWindows(std::chrono::milliseconds) override {}  // the library's unload closes them
    void idle(std::chrono::milliseconds time) override { std::this_thread::sleep_for(time); }

    bool windowsAnswered(std::chrono::milliseconds limit) override {
        const KorvanHeadlessDesktop* desktop = attachedDesktop.load();
        return !desktop || desktop->waitUntilIdle(static_cast<unsigned>(limit.count())) == 0;
    }

    std::vector<WindowView> windows() override {
        const KorvanHeadlessDesktop* desktop = attachedDesktop.load();
        if (!desktop) return {};
        std::string buffer(64 * 1024, '\0');
        for (;;) {
            unsigned length = desktop->describeWindows(buffer.data(), static_cast<unsigned>(buffer.size()));
            if (length < buffer.size()) {
                buffer.resize(length);
                break;
            }
            buffer.assign(length + 1024, '\0');
        }
        std::vector<WindowView> list = parseWindowList(buffer);
        sortWindows(list);
        return list;
    }
    bool click(int controlId) override {
        const KorvanHeadlessDesktop* desktop = attachedDesktop.load();
        return desktop && desktop->pressControl("panel", controlId) == 0;
    }
    bool key(const std::string& kind, bool escape) override {
        const KorvanHeadlessDesktop* desktop = attachedDesktop.load();
        return desktop && desktop->pressKey(kind.c_str(), escape ? KORVAN_KEY_ESCAPE : KORVAN_KEY_ENTER) == 0;
    }
    std::vector<std::string> snapshot(const std::string&, const std::string&) override { return {}; }
    std::optional<long> gdiObjects() override { return std::nullopt; }

private:
    HostObjectState& state_;
};

}  // namespace

std::unique_ptr<LiveHost> makeLiveHost(HostObjectState& state) { return std::make_unique<PosixLiveHost>(state); }

}  // namespace korvan::host

extern "C" {

__attribute__((visibility("default"))) const KorvanHostObject* korvan_host_running_object(void) {
    using namespace korvan::host;
    HostObjectState* state = runningState.load();
    if (!state || state->disconnected()) return nullptr;
    return &hostObject;
}

__attribute__((visibility("default"))) void korvan_host_attach_desktop(const KorvanHeadlessDesktop* desktop) {
    korvan::host::attachedDesktop.store(desktop);
}

}
