// Fennoro's entry point: the application object, the main window, the message
// loop. The command line is not read; the exit code is always 0.
#include "toolkit/ErrorReport.h"
#include "toolkit/TApplication.h"
#include "ui/UnitFennoro.h"

#include <windows.h>

#include <memory>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TApplication application;
    try {
        auto form = std::make_unique<TFormFennoro>();
        application.Run(*form);
        // Saves the settings and ends a running job before the window goes.
        form.reset();
    } catch (...) {
        ReportException();
    }
    return 0;
}
