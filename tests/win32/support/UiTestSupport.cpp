#include "win32/support/UiTestSupport.h"

UiTestApplication::UiTestApplication()
{
    App.OnException = [this](const std::string& message) { Errors.push_back(message); };
}

void PumpPending()
{
    if (TApplication* application = TApplication::Current()) {
        // As after input: the test has changed what the commands depend on.
        application->RequestIdle();
        application->ProcessMessages();
        return;
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMilliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        PumpPending();
        if (done()) return true;
        if (GetTickCount() - start > limitMilliseconds) return false;
        // Wakes for any message, sent ones included; the bound only guards against a hang.
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PostKey(HWND window, WPARAM virtualKey)
{
    const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16)));
    PostMessageW(window, WM_KEYUP, virtualKey, static_cast<LPARAM>(1 | (scanCode << 16) | (3u << 30)));
}

void SetKeyHeld(BYTE virtualKey, bool held)
{
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[virtualKey] = held ? 0x80 : 0;
    SetKeyboardState(state);
}
