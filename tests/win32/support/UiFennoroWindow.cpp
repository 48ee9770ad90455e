#include "win32/support/UiFennoroWindow.h"

#include "base/WideText.h"
#include "settings/win32/SettingsFile.h"

#include <fstream>
#include <iterator>

UiFennoroWindow::UiFennoroWindow(const std::vector<std::string>& settingsLines)
{
    const std::string fileName = GetSettingsFileName();
    DeleteFileW(WideText(fileName).c_str());
    DeleteFileW(WideText(TFormFennoro::JobLogFileName()).c_str());
    if (!settingsLines.empty()) {
        // As the program saves it: ANSI while every text fits, else UTF-8 with its mark.
        std::string text;
        for (const std::string& line : settingsLines) text += line + "\r\n";
        std::string bytes;
        if (!ExactCodePageText(text, CP_ACP, bytes)) bytes = "\xEF\xBB\xBF" + text;
        std::ofstream(fileName, std::ios::binary) << bytes;
    }
    Window = std::make_unique<TFormFennoro>();
}

UiFennoroWindow::UiFennoroWindow(const UiSettingsBytes& settings)
{
    std::ofstream(GetSettingsFileName(), std::ios::binary | std::ios::trunc) << settings.Bytes;
    Window = std::make_unique<TFormFennoro>();
}

UiFennoroWindow::UiFennoroWindow(const UiSettingsBytes& settings, const std::function<void()>& beforeOpen)
{
    std::ofstream(GetSettingsFileName(), std::ios::binary | std::ios::trunc) << settings.Bytes;
    beforeOpen();
    Window = std::make_unique<TFormFennoro>();
}

UiFennoroWindow::~UiFennoroWindow()
{
    Window.reset();
    DeleteFileW(WideText(GetSettingsFileName()).c_str());
    DeleteFileW(WideText(TFormFennoro::JobLogFileName()).c_str());
}

std::string UiFennoroWindow::SettingsText()
{
    const std::string bytes = SettingsBytes();
    if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
    return CodePageToUtf8(bytes, CP_ACP);
}

std::string UiFennoroWindow::SettingsBytes()
{
    std::ifstream file(GetSettingsFileName(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void UiFennoroWindow::Choose(const TAction& action)
{
    SendMessageW(Window->Handle(), WM_COMMAND, MAKEWPARAM(action.Id(), 0), 0);
}

void UiFennoroWindow::Choose(const TMenuItem& item)
{
    SendMessageW(Window->Handle(), WM_COMMAND, MAKEWPARAM(item.Command(), 0), 0);
}

void UiFennoroWindow::Press(WPARAM virtualKey, bool control)
{
    HWND focus = GetFocus();
    if (!focus || GetAncestor(focus, GA_ROOT) != Window->Handle()) focus = Window->EditFolder->Handle();
    if (control) SetKeyHeld(VK_CONTROL, true);
    PostKey(focus, virtualKey);
    PumpPending();
    if (control) SetKeyHeld(VK_CONTROL, false);
}

bool UiFennoroWindow::WaitForJob()
{
    const bool ended = PumpUntil([this] { return !Window->IsRunning(); });
    PumpPending();
    return ended;
}

std::vector<UiRow> UiFennoroWindow::Rows() const
{
    std::vector<UiRow> rows;
    const TListView& list = *Window->ListView;
    for (int i = 0; i < list.Count(); ++i) {
        rows.push_back(UiRow{list.Checked(i), list.ItemText(i, 0), list.ItemText(i, 1), list.ItemText(i, 2)});
    }
    return rows;
}

UiRow UiFennoroWindow::Row(const std::string& name) const
{
    for (const UiRow& row : Rows()) {
        if (row.Name == name) return row;
    }
    return {};
}
