// The file menu's Send To command: the program's shortcut in the user's Send To
// folder, so that folders chosen in Explorer reach it on its command line.
#include "ui/UnitFennoro.h"

#include "base/WideText.h"
#include "settings/win32/SendToShortcut.h"

void TFormFennoro::ActionSendToUpdate(TAction& sender)
{
    if (!SendToPathKnown) {
        SendToPath = SendToShortcutPath();
        SendToPathKnown = true;
    }
    sender.SetEnabled(!SendToPath.empty());
    sender.SetChecked(ShortcutExists(SendToPath));
}

void TFormFennoro::ActionSendToExecute(TAction& sender)
{
    if (SendToPath.empty()) return;
    const std::string where = Utf8Text(SendToPath);
    if (ShortcutExists(SendToPath)) {
        if (RemoveShortcut(SendToPath)) {
            SetStatusText("「送る」メニューから外しました: " + where);
        } else {
            SetStatusText("「送る」メニューから外せません: " + where);
        }
    } else {
        std::string error;
        if (MakeShortcut(SendToPath, ProgramPath(), error)) {
            SetStatusText("「送る」メニューに入れました: " + where);
        } else {
            SetStatusText(error + ": " + where);
        }
    }
    sender.SetChecked(ShortcutExists(SendToPath));
}
