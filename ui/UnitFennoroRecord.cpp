// The record of the compress jobs, the allowed extensions added from the window,
// and the rows judged again when the archive format changes.
#include "ui/UnitFennoro.h"

#include "base/AnsiText.h"
#include "engine/win32/LongPath.h"
#include "settings/FennoroSettings.h"
#include "settings/win32/SettingsFile.h"
#include "toolkit/TInputBox.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>

namespace {

// True when the shell knows a program that opens a file of this kind.
bool HasAssociatedProgram(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find_first_of("\\/", dot) != std::string::npos) return false;
    const std::wstring extension = WideText(path.substr(dot));
    wchar_t program[MAX_PATH * 2] = {};
    DWORD length = static_cast<DWORD>(std::size(program));
    return SUCCEEDED(AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE,
                                       extension.c_str(), nullptr, program, &length)) &&
           program[0] != L'\0';
}

} // namespace

std::string TFormFennoro::JobLogFileName()
{
    // Beside the settings file, under the program's name: fennoro.ini, fennoro-log.csv.
    std::string name = GetSettingsFileName();
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.find_first_of("\\/", dot) == std::string::npos) name.resize(dot);
    return name + "-log.csv";
}

void TFormFennoro::ActionOpenLogExecute(TAction&)
{
    const std::string path = JobLogFileName();
    if (!LongFileExists(path)) {
        SetStatusText("圧縮の記録はまだありません");
        return;
    }
    const std::string shellPath = ShellPath(path);
    if (shellPath.empty()) {
        SetStatusText("圧縮の記録を開けません: " + path);
        return;
    }
    // Where no program is associated with the record's kind (a fresh Wine prefix,
    // a machine without a spreadsheet), Notepad shows it: the record is UTF-8 text.
    if (HasAssociatedProgram(shellPath)) {
        ShellLauncher(shellPath, "");
        SetStatusText("圧縮の記録を開きました: " + path);
    } else {
        ShellLauncher("notepad.exe", "\"" + shellPath + "\"");
        SetStatusText("圧縮の記録をメモ帳で開きました: " + path);
    }
}

void TFormFennoro::ActionAddExtensionExecute(TAction&)
{
    std::string text;
    if (!InputQuery(Handle(), "許容拡張子の追加", "追加する拡張子 (例: .jpeg)", text)) return;
    AddAllowedExtension(text);
}

bool TFormFennoro::AddAllowedExtension(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    std::string extension = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    if (extension[0] != '.') extension.insert(0, 1, '.');
    // One dot, at the front, and nothing a file name cannot hold, the list text
    // would split, or the menu would take for a mnemonic ("&"): a file's extension
    // is what follows its last dot.
    const bool fits = IsMenuExtension(extension) && extension.find('.', 1) == std::string::npos &&
                      std::none_of(extension.begin(), extension.end(), [](char c) {
                          return static_cast<unsigned char>(c) <= 0x20 || std::strchr("\\/:*?\"<>|;,", c) != nullptr;
                      });
    if (!fits) {
        SetStatusText("拡張子として使えません: " + text);
        return false;
    }
    for (size_t i = 0; i < MainMenuExtensions->Count(); ++i) {
        TMenuItem& item = MainMenuExtensions->Item(i);
        if (SameTextLocaleOrder(GetPlainCaption(item.Caption()), extension)) {
            item.SetChecked(true);
            SetStatusText("許容拡張子にあります: " + extension);
            return true;
        }
    }
    MainMenuExtensions->AddItem(extension, true, true);
    SetStatusText("許容拡張子に追加しました: " + extension);
    return true;
}

void TFormFennoro::JudgeArchivesForFormat()
{
    const std::string extension = CheckedArchiveExtension();
    if (extension.empty() || extension == RowsJudgedFor) return;
    RowsJudgedFor = extension;
    FolderList->JudgeExistingArchives(extension);
}
