#pragma once
// The application object: the message loop with the forms' shortcuts and tab
// navigation, the idle pass that brings every command's state up to date, where
// reported exceptions are shown, and the busy pointer.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TForm;

class TApplication {
public:
    // Initialises the common controls. One object per process, on the user-interface thread.
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The one object, or null before it exists.
    static TApplication* Current() noexcept;

    // Shows the main form and runs the message loop until it is closed.
    void Run(TForm& mainForm);
    TForm* MainForm() const noexcept { return Main; }
    void SetMainForm(TForm* form) noexcept { Main = form; }

    // Ends the loop of Run after the message in hand.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return TerminateRequested; }

    // Handles every message waiting now, then runs the idle pass once when one of
    // them called for it (input, a timer, a command: not a paint or a mouse move,
    // and not the worker's calls, which are sent, not posted). False when WM_QUIT
    // was among them.
    bool ProcessMessages();
    // A command reached a form by other ways than the queue (sent): the next
    // ProcessMessages runs the idle pass.
    void RequestIdle() noexcept { IdlePending = true; }
    // Handles one message as the loop does: form shortcuts and Tab first.
    void HandleMessage(MSG& message);
    // Runs every form's idle pass: each command's update handler once, and the
    // resulting enabled and checked states shown by its menu items and buttons.
    void Idle();

    void AddForm(TForm* form);
    void RemoveForm(TForm* form) noexcept;

    // Reports the exception being handled (call inside a catch block) through
    // the one error path (toolkit/ErrorReport.h), which this object routes to
    // OnException when set, else to the standard error box over the main form.
    static void HandleException() noexcept;

    // Replaces the error box, for instance in tests.
    std::function<void(const std::string& message)> OnException;
    std::string Title = "Fennoro";

private:
    void ShowError(const std::string& message);

    std::vector<TForm*> Forms;
    TForm* Main = nullptr;
    bool TerminateRequested = false;
    bool IdlePending = true;  // the first pass shows the initial states
};

// The busy (hourglass) pointer over the program's windows while an object lives.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

    static bool Active() noexcept;
};
