// The host's automation object without COM: a host stand-in program
// (korvan-host) exports a C function that gives its object, found in the
// process's global scope (see host_stand_in.h).
#include <dlfcn.h>

#include <vector>

#include "platform/headless/host_stand_in.h"
#include "platform/host_automation.h"
#include "platform/host_call.h"

namespace korvan::platform {
namespace {

// Longest worked-call text taken from the host.
constexpr unsigned kQsoItemBufferSize = 4096;

class StandInHostObject : public HostAutomation {
public:
    explicit StandInHostObject(const KorvanHostObject* object) : object_(object) {}
    ~StandInHostObject() override {
        if (object_->release) object_->release(object_->context);
    }

    bool sendCommand(const std::string& text) override {
        return object_->sendCommand && object_->sendCommand(object_->context, text.c_str()) == 0;
    }

    std::optional<double> frequency() override {
        double hertz = 0;
        if (!object_->frequency || object_->frequency(object_->context, &hertz) != 0) return std::nullopt;
        return hertz;
    }

    std::optional<std::string> qsoItem(int item) override {
        if (!object_->qsoItem) return std::nullopt;
        std::vector<char> text(kQsoItemBufferSize, '\0');
        int isString = 0;
        if (object_->qsoItem(object_->context, item, &isString, text.data(), kQsoItemBufferSize) != 0)
            return std::nullopt;
        if (!isString) return std::string();
        text.back() = '\0';
        return std::string(text.data());
    }

private:
    const KorvanHostObject* object_;
};

// Looked up while the library loads, on the loading thread: a lookup from
// the window thread could wait for the loader's lock while the host unloads
// the library, and go on in unmapped code once the unload is done.
const KorvanHostRunningObjectFunction runningObjectFunction =
    reinterpret_cast<KorvanHostRunningObjectFunction>(dlsym(RTLD_DEFAULT, KORVAN_HOST_RUNNING_OBJECT_SYMBOL));

}  // namespace

std::unique_ptr<HostAutomation> detail::acquireBackendHostAutomation() {
    if (!runningObjectFunction) return nullptr;
    const KorvanHostObject* object = runningObjectFunction();
    if (!object) return nullptr;
    try {
        return std::make_unique<StandInHostObject>(object);
    } catch (...) {
        if (object->release) object->release(object->context);
        throw;
    }
}

// No COM here: nothing to end.
void endThreadAutomation() {}

}  // namespace korvan::platform
