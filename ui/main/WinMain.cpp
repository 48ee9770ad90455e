// Fennoro's entry point: the command line, the application object, the main
// window, the message loop, and the exit code a script reads (TExitCode).
#include "base/WideText.h"
#include "settings/FennoroSettings.h"
#include "settings/StartOptions.h"
#include "settings/win32/SettingsFile.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/TApplication.h"
#include "ui/StartOptionsCheck.h"
#include "ui/UnitFennoro.h"

#include <windows.h>

#include <memory>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TApplication application;
    TStartOptions options;
    int exitCode = ExitDone;
    try {
        options = ParseStartOptions(Utf8Text(GetCommandLineW()));
        if (options.Help) {
            MessageBoxW(nullptr, WideText(StartOptionsUsage()).c_str(), L"Fennoro", MB_OK | MB_ICONINFORMATION);
            return options.Errors.empty() ? ExitDone : ExitBadArguments;
        }
        // The profiles the format switch names, read as the window will read them.
        FennoroSettings settings;
        LoadSettingsFile(settings, GetSettingsFileName());
        CheckStartOptions(options, settings.ArchiveEntries);
        if (options.Unattended() && !options.Errors.empty()) {
            // Nobody to tell: the record says why, and nothing else is written.
            RecordStartErrors(options.Errors, TFormFennoro::JobLogFileName());
            return ExitBadArguments;
        }
        if (options.Unattended()) {
            // An error box would wait for ever: the record takes the message instead.
            application.OnException = [](const std::string& message) {
                RecordStartErrors({message}, TFormFennoro::JobLogFileName(), "!エラー");
            };
        }
        auto form = std::make_unique<TFormFennoro>();
        form->SetStartOptions(options);
        application.Run(*form);
        exitCode = form->ExitCode();
        // Saves the settings and ends a running job before the window goes.
        form.reset();
    } catch (...) {
        ReportException();
        if (options.Compress) exitCode = ExitFailed;
    }
    return exitCode;
}
