#include "plugin/plugin_wiring.h"

#include <mutex>

#include "cabrillo/cabrillo_export.h"
#include "engine/contest_state.h"
#include "engine/host_calls.h"
#include "engine/window_control.h"
#include "platform/threads.h"
#include "plugin/score_posting.h"
#include "windows/window_thread.h"

namespace korvan {

void exitLibrary();  // library_exit.cpp

void wirePlugin() {
    static std::once_flag once;
    std::call_once(once, [] {
        WindowControl windows;
        windows.panelRunning = &windowThreadRunning;
        windows.startWindows = &startWindowThread;
        windows.postRefresh = &postPanelRefresh;
        setWindowControl(windows);
        setExportHeaderEditor(&runExportHeaderEditor);
        // The unload step runs before the library's statics that existed when
        // it was registered are destroyed: make sure the state and its lock
        // exist by then, so stopWindows still finds them alive.
        contestState();
        stateLock();
        korvan::wireScorePosting();
        platform::runAtLibraryUnload(&exitLibrary);
    });
}

}  // namespace korvan
