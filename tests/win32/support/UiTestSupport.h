#pragma once
// Driving windows of the program inside a test: an application object whose
// error box is replaced by a record, and message pumping with a generous bound
// (a hang fails the test instead of blocking it).
#include "toolkit/TApplication.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class UiTestApplication {
public:
    UiTestApplication();
    TApplication& Application() { return App; }
    // The messages the error box would have shown.
    std::vector<std::string> Errors;

private:
    TApplication App;
};

// Handles the waiting messages and runs the idle pass once.
void PumpPending();
// Pumps messages (with idle passes) until done() holds; false when it never did.
bool PumpUntil(const std::function<bool()>& done, DWORD limitMilliseconds = 60000);

// Posts a key press (down and up) to a window, as the keyboard would deliver it.
void PostKey(HWND window, WPARAM virtualKey);
// Holds or releases a modifier key in this thread's keyboard state.
void SetKeyHeld(BYTE virtualKey, bool held);
