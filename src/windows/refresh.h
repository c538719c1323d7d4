#pragma once

namespace korvan {
// The live refresh of the operator windows, run on the window thread when
// the setup panel gets WM_STATS_REFRESH: it opens the wanted windows, reads
// the host's frequency and the callsign being worked, tells the host
// "<SP1>" when the frequency has moved, works out the band, reads what the
// windows show from the contest state once (OperatorView), and sets the
// titles and the KDA marks from it and has the DXCC window repaint it.
// refreshPending goes back to 1 however it ends.

class OperatorWindows;

// The windows the panel's check boxes ask for.
struct WantedWindows {
    bool kda = false;
    bool dxcc = false;
};

void refreshOperatorWindows(OperatorWindows& windows, WantedWindows wanted);

}  // namespace korvan
