#pragma once
// The live refresh of the operator windows: reads the host's frequency and
// the callsign being worked, tells the host "<SP1>" when the frequency has
// moved, works out the band, and brings the KDA and DXCC windows up to
// date. It runs on the window thread when the panel gets WM_STATS_REFRESH.
#include <array>
#include <string>

#include "engine/contest_state.h"
#include "platform/host_automation.h"

// Written by the refresh, read by the DXCC window's painting; both hold
// stateLock() while they touch them.
// The callsign the host showed at the last refresh ("" when none).
extern std::string currentCallsign;
// The band slot of the host's frequency at the last refresh that recognised
// one; -1 until then.
extern int currentBandSlot;
// Window thread only: the frequency (Hz) of the last "<SP1>"; outlives
// resets and panels.
extern double lastCommandFrequency;

// The band slot of a frequency in Hz from its whole megahertz (1, 3, 7, 14,
// 21, 28), or -1.
int bandSlotOfFrequency(double hertz);

// The panel that runs the refresh, as the refresh sees it.
class RefreshedPanel {
public:
    virtual ~RefreshedPanel() = default;

    // Brings the windows up to date. A refresh asked for while one runs (an
    // outgoing host call lets the thread's messages through) does not
    // re-enter it: it runs once after it.
    void refreshDisplays();

protected:
    virtual bool kdaWindowWanted() const = 0;
    virtual bool dxccWindowWanted() const = 0;
    // Create the window, store it in kdaWindow or dxccWindow, and show it.
    virtual void openKdaWindow() = 0;
    virtual void openDxccWindow() = 0;
    // Null when the panel has no host object.
    virtual platform::HostAutomation* hostAutomation() = 0;
    // The band names by slot ("160m" ... "10m").
    virtual const std::array<std::string, kBandSlotCount>& panelBands() const = 0;

private:
    void refreshOnce();
    bool refreshRunning_ = false;
    bool refreshAgain_ = false;
};
