// The settings file: read into the window's controls and commands when the
// window is made, written back from them when it goes.
#include "ui/UnitFennoro.h"

#include "listview/win32/ListViewUtility.h"
#include "settings/FennoroSettings.h"
#include "settings/win32/IniUtility.h"
#include "settings/win32/SettingsFile.h"
#include "transfer/TDataCopyDrag.h"

namespace {

// The least a window needs to be used.
constexpr int MinimumFormWidth = 320;
constexpr int MinimumFormHeight = 200;

} // namespace

void TFormFennoro::LoadSettings()
{
    FennoroSettings settings;
    settings.ToolBar = ToolBar->OwnWidth();
    LoadSettingsFile(settings, GetSettingsFileName());

    SetFormPlacementText(Handle(), settings.Window);
    KeepFormUsable(Handle(), MinimumFormWidth, MinimumFormHeight);
    SetColumnWidthsText(ListView->Handle(), settings.ListView);
    // Saved as given: the header's layout narrows the toolbar only while the window
    // leaves the folder box too little room.
    ToolBar->SetWidth(settings.ToolBar);
    PanelHeader->Realign();
    EditFolder->SetText(settings.Path);
    ActionRecursive->SetChecked(settings.Recursive);
    ActionNumbered->SetChecked(settings.Numbered);
    ActionNumberedAbout->SetChecked(settings.NumberedAbout);
    ActionSilentArchive->SetChecked(settings.SilentArchive);
    ActionRemoveFolder->SetChecked(settings.RemoveFolder);
    ActionAutoFind->SetChecked(settings.AutoFind);
    if (!settings.CopyDragFileName.empty()) TDataCopyDrag::Instance().SetFileName(settings.CopyDragFileName.c_str());
    for (const ExtensionItem& extension : settings.Extensions) {
        MainMenuExtensions->AddItem(extension.Caption, true, extension.Checked);
    }
    ArchiveEntries = settings.ArchiveEntries;
    for (size_t position = 0; position < ArchiveEntries.size(); ++position) {
        MainMenuArchiveExtension->AddItem(ArchiveEntryName(ArchiveEntries[position]), true,
                                          settings.IsArchiveFormatChecked(position), true);
    }
    ActionVerifyImages->SetChecked(settings.VerifyImages);
    ActionDeepImageCheck->SetChecked(settings.DeepImageCheck);
}

void TFormFennoro::SaveSettings()
{
    FennoroSettings settings;
    settings.Window = GetFormPlacementText(Handle());
    settings.ListView = GetColumnWidthsText(ListView->Handle());
    settings.ToolBar = ToolBar->OwnWidth();
    settings.Path = EditFolder->Text();
    settings.Recursive = ActionRecursive->Checked();
    settings.Numbered = ActionNumbered->Checked();
    settings.NumberedAbout = ActionNumberedAbout->Checked();
    settings.SilentArchive = ActionSilentArchive->Checked();
    settings.RemoveFolder = ActionRemoveFolder->Checked();
    settings.AutoFind = ActionAutoFind->Checked();
    settings.Extensions.clear();
    for (size_t i = 0; i < MainMenuExtensions->Count(); ++i) {
        const TMenuItem& item = MainMenuExtensions->Item(i);
        settings.Extensions.push_back(ExtensionItem{GetPlainCaption(item.Caption()), item.Checked()});
    }
    std::vector<bool> formatChecks;
    for (size_t i = 0; i < MainMenuArchiveExtension->Count(); ++i) {
        formatChecks.push_back(MainMenuArchiveExtension->Item(i).Checked());
    }
    settings.ArchiveExtensionIndex = CheckedArchiveIndex(formatChecks);
    settings.ArchiveEntries = ArchiveEntries;
    settings.VerifyImages = ActionVerifyImages->Checked();
    settings.DeepImageCheck = ActionDeepImageCheck->Checked();
    SaveSettingsFile(settings, GetSettingsFileName());
}
