#include "settings/FennoroSettings.h"

#include "base/AnsiText.h"
#include "base/ListText.h"
#include "base/PathUtility.h"

namespace {

constexpr std::string_view SettingSection = "Setting";
constexpr std::string_view ArchiveSection = "Archive";

} // namespace

void FennoroSettings::Load(const IniDocument& document)
{
    const std::string_view s = SettingSection;
    Window = document.ReadString(s, "Window", "");
    ListView = document.ReadString(s, "ListView", "");
    // A negative width is no width: the toolbar keeps its own.
    const int32_t toolBar = document.ReadInteger(s, "ToolBar", ToolBar);
    if (toolBar >= 0) ToolBar = toolBar;
    Path = document.ReadString(s, "Path", "");
    Recursive = document.ReadBool(s, "Recursive", false);
    Numbered = document.ReadBool(s, "Numbered", true);
    NumberedAbout = document.ReadBool(s, "NumberedAbout", false);
    SilentArchive = document.ReadBool(s, "SilentArchive", true);
    // Removal is the one flag whose misreading costs folders: a hand-written value
    // that is no integer ("false", "off", an empty one) means off, not the default.
    RemoveFolder = !document.FindValue(s, "RemoveFolder") || document.ReadInteger(s, "RemoveFolder", 0) != 0;
    AutoFind = document.ReadBool(s, "AutoFind", false);

    CopyDragFileName = document.ReadString(s, "CopyDragFileName", "List.txt");
    if (!IsPlainFileName(CopyDragFileName)) CopyDragFileName.clear();

    Extensions.clear();
    for (std::string& caption : SplitListText(document.ReadString(s, "Extensions", ".jpg;.png;.gif"), ';'))
        Extensions.push_back({std::move(caption), true});
    const std::vector<std::string> select = SplitListText(document.ReadString(s, "ExtensionsSelect", ""), ';');
    for (size_t j = 0; j < select.size() && j < Extensions.size(); ++j) Extensions[j].Checked = select[j] != "0";

    ArchiveExtensionIndex = document.ReadInteger(s, "ArchiveExtensionIndex", 0);

    ArchiveEntries.clear();
    for (const std::string& name : document.ReadSectionKeys(ArchiveSection))
        ArchiveEntries.push_back(name + '=' + document.ReadString(ArchiveSection, name, ""));
    if (ArchiveEntries.empty()) ArchiveEntries = DefaultArchiveEntries();

    VerifyImages = document.ReadBool(s, "VerifyImages", false);
    DeepImageCheck = document.ReadBool(s, "DeepImageCheck", false);
    FindInTree = document.ReadBool(s, "FindInTree", false);
    // An empty value is a list of none: the user wants every entry judged.
    IgnoredFiles = document.FindValue(s, "IgnoredFiles") ? document.ReadString(s, "IgnoredFiles", "") : DefaultIgnoredFiles;
    ComicInfo = document.ReadInteger(s, "ComicInfo", 1);
    if (ComicInfo < 0 || ComicInfo > 2) ComicInfo = 1;
    RightToLeft = document.ReadBool(s, "RightToLeft", true);
    LanguageISO = document.ReadString(s, "LanguageISO", "ja");
}

void FennoroSettings::Save(IniDocument& document) const
{
    const std::string_view s = SettingSection;
    document.WriteString(s, "Window", Window);
    document.WriteString(s, "ListView", ListView);
    document.WriteInteger(s, "ToolBar", ToolBar);
    document.WriteString(s, "Path", Path);
    document.WriteBool(s, "Recursive", Recursive);
    document.WriteBool(s, "Numbered", Numbered);
    document.WriteBool(s, "NumberedAbout", NumberedAbout);
    document.WriteBool(s, "SilentArchive", SilentArchive);
    document.WriteBool(s, "RemoveFolder", RemoveFolder);
    document.WriteBool(s, "AutoFind", AutoFind);

    std::vector<std::string> captions;
    std::vector<std::string> checks;
    for (const ExtensionItem& item : Extensions) {
        // Values, not menu captions: an extension the menu could not show is kept as written.
        captions.push_back(item.Caption);
        checks.emplace_back(item.Checked ? "1" : "0");
    }
    document.WriteString(s, "Extensions", JoinListText(captions, ';'));
    document.WriteString(s, "ExtensionsSelect", JoinListText(checks, ';'));
    const bool indexInRange = ArchiveExtensionIndex >= 0 && static_cast<size_t>(ArchiveExtensionIndex) < ArchiveEntries.size();
    document.WriteInteger(s, "ArchiveExtensionIndex", indexInRange ? ArchiveExtensionIndex : 0);
    // Off is written only over a key already there: turned off, it must stay off.
    if (VerifyImages || document.FindValue(s, "VerifyImages")) document.WriteBool(s, "VerifyImages", VerifyImages);
    if (DeepImageCheck || document.FindValue(s, "DeepImageCheck"))
        document.WriteBool(s, "DeepImageCheck", DeepImageCheck);
    if (FindInTree || document.FindValue(s, "FindInTree")) document.WriteBool(s, "FindInTree", FindInTree);
    if (IgnoredFiles != DefaultIgnoredFiles || document.FindValue(s, "IgnoredFiles"))
        document.WriteString(s, "IgnoredFiles", IgnoredFiles);
    if (ComicInfo != 1 || document.FindValue(s, "ComicInfo")) document.WriteInteger(s, "ComicInfo", ComicInfo);
    if (!RightToLeft || document.FindValue(s, "RightToLeft")) document.WriteBool(s, "RightToLeft", RightToLeft);
    if (LanguageISO != "ja" || document.FindValue(s, "LanguageISO")) document.WriteString(s, "LanguageISO", LanguageISO);

    document.EraseSection(ArchiveSection);
    for (const std::string& entry : ArchiveEntries) {
        const std::string name = ArchiveEntryName(entry);
        document.WriteString(ArchiveSection, name, LookupArchiveEntry(ArchiveEntries, name));
    }
}

const std::vector<std::string>& DefaultArchiveEntries()
{
    static const std::vector<std::string> entries{
        R"(.zip=7-zip32.DLL,SevenZip,"a -r $Q -tzip ""$A"" ""$D"" *",-hide)",
        R"(.7z=7-zip32.DLL,SevenZip,"a -r $Q -t7z ""$A"" ""$D"" *",-hide)",
        R"(.lzh=UNLHA32.DLL,Unlha,"a -d1 $Q ""$A"" ""$D"" *.*",-n)",
        R"(.cab=CAB32.DLL,Cab,"-a -r $Q ""$A"" ""$D"" *.*",-i)",
        // A comic book archive: a zip under the name comic readers look for.
        R"(.cbz=7-zip32.DLL,SevenZip,"a -r $Q -tzip ""$A"" ""$D"" *",-hide)",
    };
    return entries;
}

std::string ArchiveEntryName(std::string_view entry) { return std::string(entry.substr(0, entry.find('='))); }

std::string ArchiveEntryValue(std::string_view entry)
{
    const size_t equals = entry.find('=');
    return equals == std::string_view::npos ? std::string() : std::string(entry.substr(equals + 1));
}

std::string LookupArchiveEntry(const std::vector<std::string>& entries, std::string_view name)
{
    for (const std::string& entry : entries) {
        const size_t equals = entry.find('=');
        const std::string_view entryName = std::string_view(entry).substr(0, equals);
        if (SameTextAsciiFolded(entryName, name)) return ArchiveEntryValue(entry);
    }
    return {};
}

int32_t CheckedArchiveIndex(const std::vector<bool>& checked)
{
    int32_t index = 0;
    for (size_t i = 0; i < checked.size(); ++i)
        if (checked[i]) index = static_cast<int32_t>(i);
    return index;
}

std::string GetPlainCaption(std::string_view caption)
{
    std::string plain;
    for (char c : caption)
        if (c != '&') plain += c;
    return plain;
}
