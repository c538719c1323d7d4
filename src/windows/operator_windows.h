#pragma once
// The owner of what the operator windows share. The window thread makes one
// OperatorWindows when it starts and lets it go when it ends; it owns the
// setup panel, the KDA and DXCC window objects, the link to the host's
// automation object, the view the last refresh made, and the memory the
// windows keep for the library's life. The windows keep a reference to it.
#include <memory>
#include <string>

#include "platform/dialog.h"
#include "windows/host_link.h"
#include "windows/operator_view.h"

namespace korvan {

class DxccWindow;
class KdaAreaWindow;
class OperatorWindows;

// The two windows the setup panel opens.
enum class OperatorWindow { kda, dxcc };

// What the windows remember for as long as the library is loaded, not for
// one panel: a new panel (started by a later reset) starts from it. The
// window thread hands it to its OperatorWindows at the start and takes it
// back at the end (see window_thread.cpp).
struct WindowMemory {
    // The position last saved by any of the three windows: a window writes
    // its keys when it stands elsewhere.
    int rememberedLeft = 0;
    int rememberedTop = 0;
    // 1 while the operator wants the KDA and DXCC windows on top; read when
    // they are created. A new panel's box starts unticked all the same.
    int keepWindowsOnTop = 0;
    // What the refresh saw last: the callsign the host showed ("" when
    // none), the slot of the last recognised band (-1 until then), and the
    // frequency (Hz) of the last "<SP1>".
    std::string currentCallsign;
    int currentBandSlot = -1;
    double lastCommandFrequency = 0.0;
};

// Builds the panel that the window thread runs (tests put their own panels
// in).
using PanelFactory = std::unique_ptr<platform::Dialog> (*)(OperatorWindows& windows);

class OperatorWindows {
public:
    explicit OperatorWindows(WindowMemory memory = {});
    // Closes the KDA and DXCC windows, deletes the panel, and releases the
    // host object (and with it the thread's use of automation).
    ~OperatorWindows();
    OperatorWindows(const OperatorWindows&) = delete;
    OperatorWindows& operator=(const OperatorWindows&) = delete;

    // Builds the panel with make (the setup panel when make is null); null
    // when it could not be built.
    platform::Dialog* makePanel(PanelFactory make = nullptr);

    WindowMemory& memory() { return memory_; }
    const WindowMemory& memory() const { return memory_; }
    HostLink& host() { return host_; }
    // What the last refresh read (before the first one: the remembered
    // callsign and band with nothing read). Window thread only.
    OperatorView& view() { return view_; }
    const OperatorView& view() const { return view_; }

    // Whether the window is open: its slot (kdaWindow, dxccWindow) is set.
    // The host's thread clears a slot when it closes the window.
    bool isOpen(OperatorWindow which) const;
    // Makes the window's object, stores it in its slot, creates the window
    // and shows it.
    void open(OperatorWindow which);
    // Sends the open window WM_CLOSE and forgets it.
    void close(OperatorWindow which);
    // The DXCC window, then the KDA window.
    void closeOperatorWindows();
    // The open window, or null.
    KdaAreaWindow* kdaIfOpen() const;
    DxccWindow* dxccIfOpen() const;

private:
    WindowMemory memory_;
    HostLink host_;
    OperatorView view_;
    std::unique_ptr<KdaAreaWindow> kda_;
    std::unique_ptr<DxccWindow> dxcc_;
    // Deleted first: a panel never outlives what it reaches.
    std::unique_ptr<platform::Dialog> panel_;
};

}  // namespace korvan
