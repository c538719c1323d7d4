#pragma once
// Threads and timing for the window thread.
namespace korvan::platform {

// Starts a detached thread running entry(); false when it could not start.
bool startThread(void (*entry)());
// The same for entry(context).
bool startThread(void (*entry)(void*), void* context);
void sleepMilliseconds(unsigned milliseconds);

// True while the process is being torn down (the system has already ended
// every other thread, so nobody may wait for one).
bool processIsTerminating();
void markProcessTerminating();

// Runs hook when the library is unloaded (DLL detach on Windows, dlclose or
// exit elsewhere), before the library's static objects that existed at the
// time of registration are destroyed.
void runAtLibraryUnload(void (*hook)());

}  // namespace korvan::platform
