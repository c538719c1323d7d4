#pragma once
// How a host stand-in program (korvan-host) and the plug-in's headless
// windows meet on platforms without COM and a window system. The program
// exports C functions (it must be linked with its symbols exported);
// the plug-in looks them up with dlsym in the global scope and does nothing
// when they are absent. The plug-in's export table is not involved.
//
//   korvan_host_running_object   the host's automation object, or null when
//                                no host object is running
//   korvan_host_attach_desktop   the plug-in hands over its headless window
//                                system once, when its first window opens
//   korvan_host_modal_answer     what the operator would answer in a modal
//                                dialog of the plug-in
//
// Texts are zero-terminated 8-bit texts unless said otherwise.

#ifdef __cplusplus
extern "C" {
#endif

// The host's automation object. Every function returns 0 on success and a
// nonzero error code when the call failed (the host went away, say).
struct KorvanHostObject {
    void* context;
    // Member 16: one command text.
    int (*sendCommand)(void* context, const char* text);
    // Member 2: the frequency in Hz.
    int (*frequency)(void* context, double* hertz);
    // Member 8 with an integer argument. *isString is set to 0 when the
    // result is not a text; otherwise at most size - 1 bytes of the text and
    // a terminating zero are written to text.
    int (*qsoItem)(void* context, int item, int* isString, char* text, unsigned size);
    // Drops the reference that korvan_host_running_object gave.
    void (*release)(void* context);
};
typedef const struct KorvanHostObject* (*KorvanHostRunningObjectFunction)(void);
#define KORVAN_HOST_RUNNING_OBJECT_SYMBOL "korvan_host_running_object"

// Window kinds as a host tells them apart by their controls: 1107 makes the
// setup panel, the boxes 1015 to 1225 the KDA grid, a lone owner-drawn 1003
// the DXCC window.
enum KorvanWindowKey { KORVAN_KEY_ESCAPE = 0, KORVAN_KEY_ENTER = 1 };

// The plug-in's headless windows, callable from any thread. kind is
// "panel", "kda" or "dxcc"; the first open window of that kind is meant.
struct KorvanHeadlessDesktop {
    // Writes a JSON array with one object per open window, in the order the
    // windows were created:
    //   {"kind": "...", "title": "...", "visible": true|false,
    //    "topmost": true|false, "checks": {"<caption>": 0|1, ...}}
    // Texts are UTF-8. Returns the length of the whole text; writes at most
    // size - 1 bytes and a terminating zero.
    unsigned (*describeWindows)(char* buffer, unsigned size);
    // Presses a button or check box of the window as the operator would
    // (the click is posted to the window's thread). 0 when delivered.
    int (*pressControl)(const char* kind, int controlId);
    // Presses Esc or Enter in the window. 0 when delivered.
    int (*pressKey)(const char* kind, int key);
    // Waits, at most timeoutMilliseconds, until the thread of each open
    // window has handled what was queued for the window before the call
    // and has no owner-drawn control left to paint. 0 when it has.
    int (*waitUntilIdle)(unsigned timeoutMilliseconds);
};
typedef void (*KorvanHostAttachDesktopFunction)(const struct KorvanHeadlessDesktop* desktop);
#define KORVAN_HOST_ATTACH_DESKTOP_SYMBOL "korvan_host_attach_desktop"

// The answer to a modal dialog of the plug-in, asked once the dialog has
// been initialised: "cancel" (Cancel is pressed), or entries
// "CONTROLID=TEXT" separated by the byte 0x1F, typed into the controls
// before OK is pressed. Returns the length of the whole answer, 0 when the
// program gives none for this template (a dialog with an OK button is then
// confirmed as it opened); writes at most size - 1 bytes and a terminating
// zero.
typedef unsigned (*KorvanHostModalAnswerFunction)(int templateId, char* buffer, unsigned size);
#define KORVAN_HOST_MODAL_ANSWER_SYMBOL "korvan_host_modal_answer"

#ifdef __cplusplus
}
#endif
