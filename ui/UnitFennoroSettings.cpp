// The settings file: read into the window's controls and commands when the
// window is made, written back from them when it goes.
#include "ui/UnitFennoro.h"

#include "listview/ListViewUtilityText.h"
#include "listview/win32/ListViewUtility.h"
#include "settings/PlacementText.h"
#include "settings/FennoroSettings.h"
#include "settings/win32/IniUtility.h"
#include "settings/win32/SettingsFile.h"
#include "toolkit/Dpi.h"
#include "transfer/TDataCopyDrag.h"

namespace {

// The least a window needs to be used.
constexpr int MinimumFormWidth = 320;
constexpr int MinimumFormHeight = 200;

// Lengths in the settings are 96-DPI pixels, so that a window keeps its
// apparent size at any density; a window's top left is a place on the screen.
std::string PlacementTextAtDpi(HWND form, std::string_view text, UINT dpi)
{
    Placement current;
    current = ApplyPlacementText(current, GetFormPlacementText(form));
    Placement designed{ScalePlacementSize(current.Bounds, DesignDpi, dpi), current.State};
    const Placement wanted = ApplyPlacementText(designed, text);
    if (wanted == designed) return std::string(text);
    return FormatPlacementText({ScalePlacementSize(wanted.Bounds, dpi, DesignDpi), wanted.State});
}

std::string PlacementTextAtDesignDpi(const std::string& text, UINT dpi)
{
    const Placement placement = ApplyPlacementText(Placement{}, text);
    return FormatPlacementText({ScalePlacementSize(placement.Bounds, DesignDpi, dpi), placement.State});
}

} // namespace

bool IsMenuExtension(const std::string& extension)
{
    return extension.size() > 1 && extension.find('&') == std::string::npos;
}

void TFormFennoro::LoadSettings()
{
    FennoroSettings settings;
    const UINT dpi = Dpi();
    settings.ToolBar = ToolBarWidthForDpi(ToolBar->OwnWidth(), dpi, DesignDpi);
    const TSettingsLoad load = LoadSettingsFile(settings, GetSettingsFileName());
    SettingsProblem = load.Problem;
    SettingsUnreadable = load.Unreadable;

    SetFormPlacementText(Handle(), dpi == DesignDpi ? settings.Window : PlacementTextAtDpi(Handle(), settings.Window, dpi));
    KeepFormUsable(Handle(), Scale(MinimumFormWidth), Scale(MinimumFormHeight));
    SetColumnWidthsText(ListView->Handle(), dpi == DesignDpi ? settings.ListView
                                                             : ScaleColumnWidthsText(settings.ListView, dpi, DesignDpi));
    // Saved as given: the header's layout narrows the toolbar only while the window
    // leaves the folder box too little room.
    ToolBar->SetWidth(ToolBarWidthForDpi(settings.ToolBar, DesignDpi, dpi));
    PanelHeader->Realign();
    EditFolder->SetText(settings.Path);
    ActionRecursive->SetChecked(settings.Recursive);
    ActionNumbered->SetChecked(settings.Numbered);
    ActionNumberedAbout->SetChecked(settings.NumberedAbout);
    ActionSilentArchive->SetChecked(settings.SilentArchive);
    ActionRemoveFolder->SetChecked(settings.RemoveFolder);
    ActionAutoFind->SetChecked(settings.AutoFind);
    if (!settings.CopyDragFileName.empty()) TDataCopyDrag::Instance().SetFileName(settings.CopyDragFileName.c_str());
    ExtensionsAside.clear();
    for (const ExtensionItem& extension : settings.Extensions) {
        if (IsMenuExtension(extension.Caption)) {
            MainMenuExtensions->AddItem(extension.Caption, true, extension.Checked);
        } else {
            ExtensionsAside.emplace_back(extension.Caption, extension.Checked);
        }
    }
    ArchiveEntries = settings.ArchiveEntries;
    for (size_t position = 0; position < ArchiveEntries.size(); ++position) {
        MainMenuArchiveExtension->AddItem(ArchiveEntryName(ArchiveEntries[position]), true,
                                          settings.IsArchiveFormatChecked(position), true);
    }
    ActionVerifyImages->SetChecked(settings.VerifyImages);
    ActionDeepImageCheck->SetChecked(settings.DeepImageCheck);
    ActionFindInTree->SetChecked(settings.FindInTree);
    IgnoredFiles = settings.IgnoredFiles;
    FillComicInfoMenu(settings.ComicInfo);
    ActionRightToLeft->SetChecked(settings.RightToLeft);
    ComicInfoLanguage = settings.LanguageISO;
}

void TFormFennoro::SaveSettings()
{
    FennoroSettings settings;
    const UINT dpi = Dpi();
    settings.Window = GetFormPlacementText(Handle());
    settings.ListView = GetColumnWidthsText(ListView->Handle());
    if (dpi != DesignDpi) {
        settings.Window = PlacementTextAtDesignDpi(settings.Window, dpi);
        settings.ListView = ScaleColumnWidthsText(settings.ListView, DesignDpi, dpi);
    }
    settings.ToolBar = ToolBarWidthForDpi(ToolBar->OwnWidth(), dpi, DesignDpi);
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
    for (const auto& [caption, checked] : ExtensionsAside) settings.Extensions.push_back(ExtensionItem{caption, checked});
    std::vector<bool> formatChecks;
    for (size_t i = 0; i < MainMenuArchiveExtension->Count(); ++i) {
        formatChecks.push_back(MainMenuArchiveExtension->Item(i).Checked());
    }
    settings.ArchiveExtensionIndex = CheckedArchiveIndex(formatChecks);
    settings.ArchiveEntries = ArchiveEntries;
    settings.VerifyImages = ActionVerifyImages->Checked();
    settings.DeepImageCheck = ActionDeepImageCheck->Checked();
    settings.FindInTree = ActionFindInTree->Checked();
    settings.IgnoredFiles = IgnoredFiles;
    settings.ComicInfo = CheckedComicInfoMode();
    settings.RightToLeft = ActionRightToLeft->Checked();
    settings.LanguageISO = ComicInfoLanguage;
    KeepSettingsFromStart(settings);
    if (SaveSettingsFile(settings, GetSettingsFileName(), SettingsUnreadable)) SettingsUnreadable = false;
}
