#include "windows/setup_panel.h"

#include "engine/contest_state.h"
#include "windows/window_thread.h"

bool Setup::onUserMessage(unsigned message) {
    if (message != WM_STATS_REFRESH) return false;
    // The refresh is finished: the next call check may ask for another.
    refreshPending.store(1);
    return true;
}

std::unique_ptr<platform::Dialog> makeSetupPanel() { return std::make_unique<Setup>(); }
