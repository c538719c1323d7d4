#include "plugin/plugin_wiring.h"

#include <mutex>

#include "cabrillo/cabrillo_export.h"
#include "engine/host_calls.h"
#include "engine/window_thread.h"
#include "platform/threads.h"
#include "windows/setup_panel.h"

void exitInstance();  // test_app.cpp

void wirePlugin() {
    static std::once_flag once;
    std::call_once(once, [] {
        setPanelFactory(&makeSetupPanel);
        setExportHeaderEditor(&runExportHeaderEditor);
        // Registered after the contest state exists, so the unload step runs
        // while the state is still alive.
        platform::runAtLibraryUnload(&exitInstance);
    });
}
