// The library's application object: its exit step closes the windows before
// the library goes away.
#include "windows/window_thread.h"
#include "platform/threads.h"

namespace {

class CTestApp {
public:
    void exitInstance() {
        stopWindows();
        platform::sleepMilliseconds(20);
    }
};

CTestApp theApp;

}  // namespace

void exitInstance() {
    try {
        theApp.exitInstance();
    } catch (...) {
    }
}
