#pragma once
// The real main window inside a test: its settings file written beforehand
// beside the test program, driven by command identifiers and keys, read back
// through its controls.
#include "ui/UnitFennoro.h"
#include "win32/support/UiTestSupport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct UiRow {
    bool Checked = false;
    std::string Name;
    std::string Result;
    std::string Remark;
};

// A settings file's bytes exactly as they are to be written.
struct UiSettingsBytes {
    std::string Bytes;
};

class UiFennoroWindow {
public:
    // Writes the settings file from the lines (CR LF after each), or removes it
    // when there are none, then opens the window.
    explicit UiFennoroWindow(const std::vector<std::string>& settingsLines = {});
    // Writes the settings file with exactly these bytes, then opens the window.
    explicit UiFennoroWindow(const UiSettingsBytes& settings);
    // The same, running `beforeOpen` between the write and the window's start.
    UiFennoroWindow(const UiSettingsBytes& settings, const std::function<void()>& beforeOpen);
    // Closes the window if still open and removes the settings file.
    ~UiFennoroWindow();
    UiFennoroWindow(const UiFennoroWindow&) = delete;
    UiFennoroWindow& operator=(const UiFennoroWindow&) = delete;

    TFormFennoro& Form() { return *Window; }
    TFormFennoro* operator->() { return Window.get(); }
    // Destroys the window as closing the program does.
    void Destroy() { Window.reset(); }
    // The settings file as it is on disk now, as text (UTF-8), and its bytes.
    static std::string SettingsText();
    static std::string SettingsBytes();

    // Chooses the command as a menu item would (WM_COMMAND with its identifier).
    void Choose(const TAction& action);
    void Choose(const TMenuItem& item);
    // Presses a key in the focused control of the window (Ctrl held when asked).
    void Press(WPARAM virtualKey, bool control = false);
    // Pumps until no job runs, then once more for the idle pass; false on a hang.
    bool WaitForJob();

    std::string Status() const { return Window->StatusBar->SimpleText(); }
    std::vector<UiRow> Rows() const;
    // The row of a folder; Name is empty when there is none.
    UiRow Row(const std::string& name) const;

    std::vector<std::string> Errors() const { return App.Errors; }

private:
    UiTestApplication App;
    std::unique_ptr<TFormFennoro> Window;
};
