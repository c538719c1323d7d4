// Tests of the Win32 platform layer under wine: the dialog framework on the
// library's real dialog templates (linked into this program), the GDI
// canvas and its off-screen variant (pixels read back from a DIB), and the
// IDispatch host automation against an in-process fake host object.
// Prints one line per failed check and "N passed, N failed" last.
#include "check_tally.h"
#include "failing_allocation.h"
#include "hook_host.h"
#include <windows.h>
#include <oaidl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/host_automation.h"
#include "platform/win32/dispatch_host_automation.h"
#include "platform/win32/gdi_canvas.h"

using namespace korvan;

namespace {


using platform::Color;
using platform::rgb;
using platform::Rect;

// A 32-bit top-down DIB in a memory context, white at the start.
struct Surface {
    static constexpr int kSize = 64;
    HDC dc = CreateCompatibleDC(nullptr);
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;

    Surface() {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kSize;
        info.bmiHeader.biHeight = -kSize;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        previous = SelectObject(dc, bitmap);
        clear();
    }
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void clear() {
        GdiFlush();
        for (int i = 0; i < kSize * kSize; ++i) bits[i] = 0xFFFFFF;
    }
    // As a COLORREF (0x00BBGGRR).
    Color at(int x, int y) {
        GdiFlush();
        const std::uint32_t p = bits[y * kSize + x];
        return rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int count(Color color, const Rect& area) {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) n += at(x, y) == color;
        return n;
    }
};

// What a context looks like to the next painter: selected objects and
// text settings.
struct ContextState {
    HGDIOBJ pen, brush, font, bitmap;
    COLORREF text, background;
    int mode;
    explicit ContextState(HDC dc)
        : pen(GetCurrentObject(dc, OBJ_PEN)), brush(GetCurrentObject(dc, OBJ_BRUSH)),
          font(GetCurrentObject(dc, OBJ_FONT)), bitmap(GetCurrentObject(dc, OBJ_BITMAP)), text(GetTextColor(dc)),
          background(GetBkColor(dc)), mode(GetBkMode(dc)) {}
    bool operator==(const ContextState& o) const {
        return pen == o.pen && brush == o.brush && font == o.font && bitmap == o.bitmap && text == o.text &&
               background == o.background && mode == o.mode;
    }
};

void checkCanvas() {
    Surface s;
    platform::win32::GdiCanvas canvas(s.dc);
    SetTextColor(s.dc, rgb(1, 2, 3));
    const ContextState before(s.dc);

    canvas.fillRect({4, 4, 20, 20}, rgb(10, 20, 30));
    check(s.at(4, 4) == rgb(10, 20, 30) && s.at(19, 19) == rgb(10, 20, 30) && s.at(20, 20) == rgb(255, 255, 255),
          "fillRect fills left/top inclusive, right/bottom exclusive");

    const Color light = rgb(255, 0, 0), dark = rgb(0, 0, 255);
    canvas.draw3dRect({30, 4, 50, 20}, light, dark);
    check(s.at(30, 4) == light && s.at(48, 4) == light && s.at(30, 18) == light, "draw3dRect: top and left light");
    check(s.at(49, 4) == dark && s.at(49, 19) == dark && s.at(30, 19) == dark && s.at(48, 19) == dark,
          "draw3dRect: right and bottom dark, with the corners CDC::Draw3dRect gives them");
    check(s.at(31, 5) == rgb(255, 255, 255) && s.at(50, 4) == rgb(255, 255, 255), "draw3dRect leaves inside and outside");

    canvas.fillRect({4, 24, 8, 28}, platform::paletteRgb(128, 128, 128));
    check(s.at(5, 25) == rgb(128, 128, 128), "a palette-relative grey paints as that grey");

    const Rect oval{4, 32, 60, 62};
    canvas.drawEllipse(oval, {rgb(1, 1, 1), 1, platform::PenStyle::dotted}, rgb(0, 200, 0));
    check(s.count(rgb(1, 1, 1), oval) > 10 && s.count(rgb(0, 200, 0), oval) > 10,
          "a dotted ellipse shows dots in the pen's colour and gaps in the gap colour");
    check(s.at(32, 47) == rgb(255, 255, 255), "the ellipse's inside is left as it is");
    s.clear();
    canvas.drawEllipse(oval, {rgb(128, 128, 128), 2, platform::PenStyle::solid}, rgb(0, 200, 0));
    check(s.count(rgb(128, 128, 128), oval) > 50 && s.count(rgb(0, 200, 0), oval) == 0,
          "a solid ellipse has no gaps");

    s.clear();
    canvas.drawTextCentered({0, 0, 64, 30}, "WW", rgb(200, 0, 0));
    check(s.count(rgb(200, 0, 0), {0, 0, 64, 30}) > 0 && s.at(0, 0) == rgb(255, 255, 255),
          "drawTextCentered draws in its colour on a transparent background");
    canvas.drawTextAt(2, 34, "WW");
    check(s.count(rgb(0, 0, 0), {0, 30, 64, 64}) > 0, "drawTextAt draws black");
    canvas.drawFocusRect({2, 2, 20, 20});
    check(ContextState(s.dc) == before, "every operation leaves the context's objects and text settings as found");

    // A leaked pen, brush, bitmap or context per operation would run out
    // the process's GDI handles long before the end.
    for (int i = 0; i < 70000; ++i) {
        canvas.fillRect({0, 0, 2, 2}, rgb(i & 0xFF, 0, 0));
        canvas.drawEllipse({0, 0, 8, 8}, {rgb(0, 0, i & 0xFF), 1, platform::PenStyle::dotted}, rgb(0, 1, 0));
        platform::win32::OffscreenPaint offscreen(s.dc);
        platform::win32::GdiCanvas(offscreen.dc()).fillRect({0, 0, 2, 2}, rgb(0, i & 0xFF, 0));
    }
    s.clear();
    canvas.fillRect({0, 0, 4, 4}, rgb(9, 8, 7));
    canvas.drawEllipse({8, 8, 40, 40}, {rgb(7, 8, 9), 2, platform::PenStyle::solid}, 0);
    check(s.at(1, 1) == rgb(9, 8, 7) && s.count(rgb(7, 8, 9), {8, 8, 40, 40}) > 0,
          "after 70,000 rounds of every operation brushes and pens can still be made (no handle leak)");
}

void checkOffscreen() {
    Surface s;
    const HGDIOBJ targetBitmap = GetCurrentObject(s.dc, OBJ_BITMAP);
    HRGN clip = CreateRectRgn(10, 30, 40, 60);
    SelectClipRgn(s.dc, clip);
    DeleteObject(clip);
    {
        platform::win32::OffscreenPaint offscreen(s.dc);
        check(offscreen.dc() != s.dc, "painting goes to a context of its own");
        platform::win32::GdiCanvas canvas(offscreen.dc());
        canvas.fillRect({0, 0, 64, 64}, rgb(255, 255, 0));
        canvas.fillRect({12, 32, 14, 34}, rgb(0, 0, 9));  // in the target's coordinates
        check(s.at(20, 40) == rgb(255, 255, 255), "nothing reaches the target before the copy");
    }
    check(s.at(20, 40) == rgb(255, 255, 0) && s.at(39, 59) == rgb(255, 255, 0),
          "the copy fills the clip box of the target");
    check(s.at(12, 32) == rgb(0, 0, 9) && s.at(14, 34) == rgb(255, 255, 0),
          "the memory context paints in the target's coordinates");
    SelectClipRgn(s.dc, nullptr);
    check(s.at(5, 40) == rgb(255, 255, 255) && s.at(40, 40) == rgb(255, 255, 255),
          "nothing outside the clip box is touched");
    check(GetCurrentObject(s.dc, OBJ_BITMAP) == targetBitmap, "the target keeps its bitmap");
}

// A host object in this apartment that records each call.
class FakeHost : public IDispatch {
public:
    struct Call {
        DISPID member;
        WORD kind;
        VARTYPE argumentType;
        std::wstring text;
        LONG number;
    };
    std::vector<Call> calls;
    HRESULT answer = S_OK;
    VARIANT result{};
    LONG references = 1;
    HWND dialogToPoke = nullptr;  // gets a posted refresh and a sent click during each call

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&references); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* out,
                                     EXCEPINFO*, UINT*) override {
        Call call{member, kind, VT_EMPTY, L"", 0};
        if (parameters && parameters->cArgs == 1) {
            const VARIANTARG& a = parameters->rgvarg[0];
            call.argumentType = a.vt;
            if (a.vt == VT_BSTR) call.text.assign(a.bstrVal, SysStringLen(a.bstrVal));
            if (a.vt == VT_I4) call.number = a.lVal;
        }
        calls.push_back(call);
        if (dialogToPoke) {
            PostMessageW(dialogToPoke, WM_USER + 500, 0, 0);
            SendMessageW(dialogToPoke, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), 0);
        }
        if (FAILED(answer)) return answer;
        if (out) VariantCopy(out, &result);
        return S_OK;
    }
};

void checkHostAutomation() {
    FakeHost host;
    host.AddRef();  // the wrapper's reference
    {
        std::unique_ptr<platform::HostAutomation> automation = platform::win32::wrapHostDispatch(&host);
        check(automation->sendCommand("<MODE:CW>"), "sendCommand succeeds");
        check(host.calls.size() == 1 && host.calls[0].member == 16 && host.calls[0].kind == DISPATCH_METHOD &&
                  host.calls[0].argumentType == VT_BSTR && host.calls[0].text == L"<MODE:CW>",
              "sendCommand calls method 16 with the text as a BSTR");

        host.result.vt = VT_R8;
        host.result.dblVal = 14025300.0;
        const std::optional<double> hertz = automation->frequency();
        check(hertz && *hertz == 14025300.0 && host.calls.back().member == 2 &&
                  host.calls.back().kind == DISPATCH_PROPERTYGET && host.calls.back().argumentType == VT_EMPTY,
              "frequency reads property 2");
        host.result.vt = VT_BSTR;
        host.result.bstrVal = SysAllocString(L"7010000");
        check(automation->frequency() == 7010000.0, "a frequency given as a text is converted");
        VariantClear(&host.result);

        host.result.vt = VT_BSTR;
        host.result.bstrVal = SysAllocString(L"UN7ABC");
        const std::optional<std::string> call = automation->qsoItem(5);
        check(call == std::string("UN7ABC") && host.calls.back().member == 8 &&
                  host.calls.back().kind == DISPATCH_METHOD && host.calls.back().argumentType == VT_I4 &&
                  host.calls.back().number == 5,
              "qsoItem calls method 8 with a VT_I4 and gives the text");
        VariantClear(&host.result);
        host.result.vt = VT_I4;
        host.result.lVal = 42;
        check(automation->qsoItem(5) == std::string(), "a result that is not a text gives the empty text");

        host.answer = RPC_E_DISCONNECTED;
        check(!automation->sendCommand("<SP1>") && !automation->frequency() && !automation->qsoItem(5),
              "a host that went away fails every call, without an exception");
        host.answer = S_OK;
        check(automation->sendCommand("<SP1>"), "the next call works again");
    }
    check(host.references == 1, "the wrapper releases the host object, once");
}

// A test dialog that records what the framework delivers.
class Probe : public platform::Dialog {
public:
    using platform::Dialog::Dialog;
    std::vector<std::string> events;
    int draws = 0;
    Rect drawnRect;
    unsigned drawnState = 0;
    int labels = 0;  // short texts painted after the fill, as the DXCC band view paints prefixes

protected:
    void onOK() override { events.push_back("ok"); }
    void onCancel() override {
        events.push_back("cancel");
        platform::Dialog::onCancel();
    }
    // Clicks only: the info button (BS_NOTIFY) also reports its focus.
    void onCommand(int id, int code) override {
        if (code == BN_CLICKED) events.push_back("command " + std::to_string(id));
    }
    bool onUserMessage(unsigned message) override {
        events.push_back("user " + std::to_string(message));
        return true;
    }
    void onSetCursor() override { events.push_back("cursor"); }
    std::optional<platform::ControlColors> onControlColor(int) override {
        return platform::ControlColors{rgb(0, 0, 0), rgb(255, 240, 198), rgb(255, 250, 198)};
    }
    void onDrawItem(int, platform::Canvas& canvas, const Rect& itemRect, unsigned itemState) override {
        ++draws;
        drawnRect = itemRect;
        drawnState = itemState;
        canvas.fillRect(itemRect, rgb(0, 255, 0));
        for (int i = 0; i < labels; ++i) canvas.drawTextAt(5 + 40 * (i % 14), 15 + 15 * (i / 14), "UA9");
    }
    void onSize(int width, int height) override {
        events.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
    }
};

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool contains(const std::vector<std::string>& events, const std::string& event) {
    for (const std::string& e : events)
        if (e == event) return true;
    return false;
}

void checkModelessDialog() {
    Probe dxcc(108);
    check(dxcc.createModeless(), "dialog 108 opens modeless");
    HWND window = static_cast<HWND>(dxcc.window());
    check(!dxcc.isVisible(), "a template without WS_VISIBLE stays hidden until shown");
    dxcc.show();
    check(dxcc.isVisible(), "show() shows it");

    dxcc.moveTo(-50, 120);
    check(dxcc.windowRect().left == -50 && dxcc.windowRect().top == 120, "moveTo places the window on the screen");
    check(!dxcc.isTopmost(), "not topmost at first");
    dxcc.makeTopmost();
    check(dxcc.isTopmost(), "makeTopmost");

    dxcc.moveControl(1003, {5, 5, 395, 195});
    check(dxcc.controlRect(1003) == Rect{5, 5, 395, 195}, "moveControl and controlRect in client coordinates");
    check(dxcc.hasControl(1003) && !dxcc.hasControl(1004), "hasControl");

    dxcc.setLargeIcon(110);
    check(SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0, "the large icon is set from icon 110");
    dxcc.disableCloseItem();
    const UINT state = GetMenuState(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
    check(state != static_cast<UINT>(-1) && (state & MF_GRAYED), "the Close item is disabled");

    const std::string russian = "\xD0\xE0\xE9\xEE\xED\xFB";  // "Районы" in Windows-1251
    dxcc.setTitle(russian, platform::TextCodePage::windows1251);
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    check(std::wstring(title) == L"\u0420\u0430\u0439\u043E\u043D\u044B",
          "a Windows-1251 title shows its Cyrillic letters whatever the ANSI code page");

    check(dxcc.makeOwnerDrawn(1003, true) && !dxcc.makeOwnerDrawn(4711, false), "makeOwnerDrawn");
    dxcc.redrawControl(1003);
    check(dxcc.draws > 0 && dxcc.drawnRect == Rect{0, 0, 390, 190}, "a redraw paints the whole item at once");
    HDC screen = GetDC(GetDlgItem(window, 1003));
    const COLORREF painted = GetPixel(screen, 200, 100);
    ReleaseDC(GetDlgItem(window, 1003), screen);
    check(painted == rgb(0, 255, 0), "the off-screen paint reached the button");
    const int drawsBefore = dxcc.draws;
    dxcc.invalidateControl(1003, false);
    check(dxcc.draws == drawsBefore, "invalidateControl paints only when the thread is idle");
    pump();
    check(dxcc.draws > drawsBefore, "... and then it does");

    HDC dc = GetDC(window);
    const LRESULT brush1 = SendMessageW(window, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window));
    const LRESULT brush2 = SendMessageW(window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(GetDlgItem(window, 1003)));
    check(brush1 != 0 && brush1 == brush2, "control colours: one brush per colour, kept by the dialog");
    check(GetBkColor(dc) == rgb(255, 240, 198), "the text background colour is set");
    ReleaseDC(window, dc);

    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(window, &client);
    check(contains(dxcc.events, "size " + std::to_string(client.right) + "x" + std::to_string(client.bottom)),
          "WM_SIZE reports the client size");
    check(dxcc.clientRect() == Rect{0, 0, client.right, client.bottom}, "clientRect");

    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    check(contains(dxcc.events, "cursor"), "WM_SETCURSOR reaches onSetCursor");
    check(dxcc.postToSelf(0x0400 + 500), "postToSelf");
    pump();
    check(contains(dxcc.events, "user 1524"), "a posted message reaches onUserMessage");

    // During a host call a click is kept back and delivered afterwards.
    FakeHost host;
    host.AddRef();
    host.dialogToPoke = window;
    {
        auto automation = platform::win32::wrapHostDispatch(&host);
        dxcc.events.clear();
        automation->sendCommand("<SP1>");
        check(!contains(dxcc.events, "command 1003"), "a click during a host call does not run its handler");
        pump();
        check(contains(dxcc.events, "command 1003") && contains(dxcc.events, "user 1524"),
              "... it runs after the call has returned");
    }

    // Not a check: what an off-screen repaint of a 600 x 300 info button
    // with 338 prefixes costs here.
    SetWindowPos(window, nullptr, 0, 0, 680, 400, SWP_NOMOVE | SWP_NOZORDER);
    dxcc.moveControl(1003, {5, 5, 605, 305});
    dxcc.labels = 338;
    constexpr int kRepaints = 100;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kRepaints; ++i) dxcc.redrawControl(1003);
    QueryPerformanceCounter(&end);
    std::printf("note: off-screen repaint of a 600 x 300 button with 338 texts: %.2f ms\n",
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) /
                    kRepaints);
    dxcc.labels = 0;

    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    check(contains(dxcc.events, "cancel") && IsWindow(window) && !IsWindowVisible(window),
          "Esc (IDCANCEL) reaches onCancel; a modeless dialog is then hidden");
    SendMessageW(window, WM_CLOSE, 0, 0);
    check(!IsWindow(window) && dxcc.window() == nullptr, "WM_CLOSE destroys a modeless dialog");
}

struct OperatorScript {
    Probe* panel;
    Probe* grid;
    int step = 0;
};
OperatorScript* operatorScript = nullptr;

// Each tick of the thread's timer does the operator's next step.
void CALLBACK operatorStep(HWND, UINT, UINT_PTR, DWORD) {
    OperatorScript& s = *operatorScript;
    HWND panelWindow = static_cast<HWND>(s.panel->window());
    switch (s.step++) {
        case 0:
            s.grid->createModeless();
            break;
        case 1: {
            HWND box = GetDlgItem(static_cast<HWND>(s.grid->window()), 1015);
            SetFocus(box);
            PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 1);
            break;
        }
        case 2: {
            HWND box = GetDlgItem(panelWindow, 1107);
            SetFocus(box);
            PostMessageW(box, WM_KEYDOWN, VK_RETURN, 1);
            break;
        }
        case 3:
            PostMessageW(panelWindow, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

// The modal run serves the thread's modeless dialogs: Esc typed into the
// modeless KDA grid reaches it, Enter in the modal panel reaches onOK, a
// close ends the run.
void checkModalRun() {
    Probe panel(105);
    Probe grid(106);
    OperatorScript script{&panel, &grid};
    operatorScript = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &operatorStep);
    const int result = panel.runModal();
    KillTimer(nullptr, timer);
    check(result == platform::kIdCancel, "WM_CLOSE ends the modal run with IDCANCEL (" + std::to_string(result) + ")");
    check(contains(grid.events, "cancel") && !grid.isVisible(), "Esc in the modeless grid reaches it during the modal run");
    check(contains(panel.events, "ok"), "Enter in the modal panel reaches onOK");
    check(panel.window() == nullptr, "the modal window is gone after the run");
    grid.destroyWindow();
}

HWND closedWindow = nullptr;
bool closeHandled = false;

LRESULT CALLBACK noteClose(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_CLOSE && sent->hwnd == closedWindow) closeHandled = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct CloseSender {
    HWND window;
    bool goneWhenReturned = false;
    static DWORD WINAPI send(void* self) {
        auto& s = *static_cast<CloseSender*>(self);
        platform::sendCloseMessage(s.window);
        s.goneWhenReturned = !IsWindow(s.window);
        return 0;
    }
};

// A close sent from another thread while the window's thread is inside a
// host call (of whatever object the factory gave) runs after the call, and
// sendCloseMessage waits until then.
void checkCloseDuringHostCall() {
    Probe dxcc(108);
    dxcc.createModeless();
    CloseSender sender{static_cast<HWND>(dxcc.window())};
    closedWindow = sender.window;
    closeHandled = false;
    HANDLE thread = nullptr;
    bool senderWaitedInsideTheCall = false;
    platform::setHostAutomationFactory([&] {
        return std::make_unique<HookHost>([&] {
            HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, &noteClose, nullptr, GetCurrentThreadId());
            thread = CreateThread(nullptr, 0, &CloseSender::send, &sender, 0, nullptr);
            const DWORD deadline = GetTickCount() + 5000;
            MSG message;
            while (!closeHandled && GetTickCount() < deadline) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_SENDMESSAGE);
                PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // runs the sent messages
            }
            UnhookWindowsHookEx(hook);
            senderWaitedInsideTheCall = closeHandled && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
        });
    });
    auto host = platform::acquireHostAutomation();
    platform::setHostAutomationFactory({});
    host->sendCommand("<SP1>");
    check(IsWindow(sender.window) && senderWaitedInsideTheCall,
          "a close sent during a host call waits for the call; the window stays meanwhile");
    const DWORD deadline = GetTickCount() + 10000;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        pump();
    }
    CloseHandle(thread);
    check(sender.goneWhenReturned && dxcc.window() == nullptr,
          "... it runs after the call, and sendCloseMessage returns once the window is gone");
}

// On a fresh thread: the next allocation after the start fails.
struct AcquisitionOutOfMemory {
    bool threw = false;
    HRESULT again = E_FAIL;  // CoInitialize afterwards: S_OK when nothing was left initialised
    static DWORD WINAPI run(void* self) {
        auto& o = *static_cast<AcquisitionOutOfMemory*>(self);
        failing_allocation::failOnce(0);
        try {
            platform::acquireHostAutomation();
        } catch (const std::bad_alloc&) {
            o.threw = true;
        }
        failing_allocation::stop();
        o.again = CoInitialize(nullptr);
        if (SUCCEEDED(o.again)) CoUninitialize();
        return 0;
    }
};

// Memory that runs out just after CoInitialize leaves the thread's COM
// initialisation balanced.
void checkInitialisationBalancedWhenMemoryRunsOut() {
    AcquisitionOutOfMemory outcome;
    HANDLE thread = CreateThread(nullptr, 0, &AcquisitionOutOfMemory::run, &outcome, 0, nullptr);
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
    check(outcome.threw && outcome.again == S_OK,
          "out of memory after CoInitialize: the initialisation is ended again (" + std::to_string(outcome.again) + ")");
}

// {6F1D2C3B-5A49-4E8D-9C7B-1A2B3C4D5E6F}: the class the test registers for
// the host's ProgID.
const CLSID kTestHostClass = {0x6f1d2c3b, 0x5a49, 0x4e8d, {0x9c, 0x7b, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x6f}};
const wchar_t kHostProgId[] = L"Vexa2.Application";

bool registerHostProgId() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Vexa2.Application\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    wchar_t text[64] = {};
    StringFromGUID2(kTestHostClass, text, 64);
    const LONG written = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                        static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return written == ERROR_SUCCESS;
}

// The host object served from a thread of the multithreaded apartment, as
// a host program would serve it: calls from the window thread's apartment
// cross apartments, and COM runs its message loop while they wait.
struct HostServer {
    FakeHost host;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE disconnect = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE disconnected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HRESULT registration = E_FAIL;

    static DWORD WINAPI serve(void* self) {
        auto& s = *static_cast<HostServer*>(self);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        DWORD cookie = 0;
        s.registration = RegisterActiveObject(&s.host, kTestHostClass, ACTIVEOBJECT_STRONG, &cookie);
        SetEvent(s.ready);
        WaitForSingleObject(s.disconnect, 30000);
        if (SUCCEEDED(s.registration)) RevokeActiveObject(cookie, nullptr);
        CoDisconnectObject(&s.host, 0);
        SetEvent(s.disconnected);
        CoUninitialize();
        return 0;
    }
};

std::string fileText(const char* path) {
    std::vector<std::string> lines;
    platform::readAllLines(path, lines);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The settings file through the Windows profile functions, which write a
// value's line breaks as they are, and files with the read-only attribute.
void checkSettingsAndReadOnlyFiles() {
    const char* const ini = "win-platform-test.ini";
    const char* const log = "win-platform-test.cbr";
    for (const char* name : {ini, log}) {
        SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(name);
    }
    check(platform::writeProfileString(ini, "Settings", "Operators", "UN0KVN\r\nSETUP_MODE=SSB\r\n[HIJACK]\r\nNAME=X"),
          "a value with line breaks is written");
    check(platform::readProfileString(ini, "Settings", "Operators", "") == "UN0KVN  SETUP_MODE=SSB  [HIJACK]  NAME=X" &&
              platform::readProfileString(ini, "Settings", "SETUP_MODE", "absent") == "absent" &&
              platform::readProfileString(ini, "HIJACK", "NAME", "absent") == "absent",
          "its line breaks are blanks: it forges no key and no section");

    check(platform::writeWhole(log, "submitted\r\n", platform::WriteMode::truncate), "the log is written");
    SetFileAttributesA(log, FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(ini, FILE_ATTRIBUTE_READONLY);
    check(!platform::replaceFileContents(log, "stale\r\n") && fileText(log) == "submitted\n",
          "a read-only log is not replaced");
    check(!platform::writeProfileString(ini, "Settings", "Name", "Y") &&
              platform::readProfileString(ini, "Settings", "Name", "absent") == "absent",
          "a read-only settings file is not written");
    for (const char* name : {ini, log}) {
        SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(name);
    }
}

void checkAcquisition() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kHostProgId);
    check(platform::acquireHostAutomation() == nullptr, "no registered host: no automation object");
    platform::endThreadAutomation();
    check(registerHostProgId(), "the host's ProgID is registered for the test");
    check(platform::acquireHostAutomation() == nullptr, "a registered host that is not running: none either");
    platform::endThreadAutomation();

    HostServer server;
    HANDLE thread = CreateThread(nullptr, 0, &HostServer::serve, &server, 0, nullptr);
    WaitForSingleObject(server.ready, 30000);
    check(SUCCEEDED(server.registration), "the test host is in the running object table");
    Probe panel(108);
    panel.createModeless();
    server.host.dialogToPoke = static_cast<HWND>(panel.window());
    {
        std::unique_ptr<platform::HostAutomation> automation = platform::acquireHostAutomation();
        check(automation != nullptr, "a running host gives its automation object");
        if (automation) {
            check(automation->sendCommand("<MODE:SSB>") && !server.host.calls.empty() &&
                      server.host.calls.back().member == 16 && server.host.calls.back().text == L"<MODE:SSB>",
                  "a command crosses to the host's apartment");
            check(!contains(panel.events, "command 1003") && !contains(panel.events, "user 1524"),
                  "COM's wait for the host runs no handler of the thread's dialogs");
            pump();
            check(contains(panel.events, "command 1003") && contains(panel.events, "user 1524"),
                  "the held-back click and refresh run after the call");
            server.host.dialogToPoke = nullptr;
            SetEvent(server.disconnect);
            WaitForSingleObject(server.disconnected, 30000);
            check(!automation->sendCommand("<SP1>") && !automation->frequency() && !automation->qsoItem(5),
                  "after the host went away every call fails quietly");
        }
    }
    platform::endThreadAutomation();
    SetEvent(server.disconnect);
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
    panel.destroyWindow();
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kHostProgId);
}

}  // namespace

int main() {
    checkSettingsAndReadOnlyFiles();
    checkCanvas();
    checkOffscreen();
    checkHostAutomation();
    checkModelessDialog();
    checkModalRun();
    checkCloseDuringHostCall();
    // Before any other acquisition: the list of initialised threads has
    // never grown, so noting one allocates.
    checkInitialisationBalancedWhenMemoryRunsOut();
    checkAcquisition();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
