// The library's exit step: it closes the windows before the library goes
// away.
#include "platform/threads.h"
#include "windows/window_thread.h"

namespace korvan {

void exitLibrary() {
    try {
        stopWindows();
        platform::sleepMilliseconds(20);
    } catch (...) {
    }
}

}  // namespace korvan
