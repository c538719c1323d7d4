#pragma once
// The live refresh of the operator windows (SetupPanel::refreshDisplays, in
// refresh.cpp): reads the host's frequency and the callsign being worked,
// tells the host "<SP1>" when the frequency has moved, works out the band,
// and brings the KDA and DXCC windows up to date. It runs on the window
// thread when the panel gets WM_STATS_REFRESH, one handler at a time (a
// refresh posted while one runs, as when a host call lets the thread's
// messages through, runs after it, once).
#include <string>

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
