#pragma once
// Every value the settings file holds for the main window, free of any window:
// Load fills it from a document (with the defaults and the rules for the
// extension checks and the format position), Save writes it back key by key in
// the file's order. The window copies these values to and from its controls.
#include "base/IgnoredNames.h"
#include "settings/IniDocument.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One item of the allowed-extensions submenu.
struct ExtensionItem {
    std::string Caption;   // the plain caption: the extension itself
    bool Checked = true;

    bool operator==(const ExtensionItem&) const = default;
};

struct FennoroSettings {
    std::string Window;                 // placement text (SetFormPlacementText)
    std::string ListView;               // column widths text (SetColumnWidthsText)
    int32_t ToolBar = 0;                // pixels; set it to the toolbar's width before Load: that is the default (also for a negative value)
    std::string Path;                   // folder box text, unchecked
    bool Recursive = false;
    bool Numbered = true;
    bool NumberedAbout = false;
    bool SilentArchive = true;
    bool RemoveFolder = true;
    bool AutoFind = false;
    // Read only (Save never writes it). Empty means no file is offered; Load also
    // empties a name that would leave the temporary folder ("..", a separator, a drive).
    std::string CopyDragFileName = "List.txt";
    std::vector<ExtensionItem> Extensions{{".jpg", true}, {".png", true}, {".gif", true}};
    // Position of the checked format; any value outside ArchiveEntries checks none.
    int32_t ArchiveExtensionIndex = 0;
    // "name=value" per profile, in file order (the main window's ArchiveEntries).
    std::vector<std::string> ArchiveEntries;
    // Check the image files of a folder that passed every other check. Written
    // only when on (or when the file already holds the key), so that the file of
    // a user who never turns it on stays as it was.
    bool VerifyImages = false;
    // The page check's deep level (every block of a JPEG decoded), written the same way.
    bool DeepImageCheck = false;
    // Book folders at any depth below the root (folders of books gone through),
    // written the same way.
    bool FindInTree = false;
    // The names that are no pages (a ";" list with wildcards), written when it
    // differs from the default or the file holds the key.
    std::string IgnoredFiles = DefaultIgnoredFiles;
    // ComicInfo.xml written into archives: 0 none, 1 ".cbz" only, 2 every format
    // that can hold it. With RightToLeft the book reads right to left; LanguageISO
    // (empty: none) is the language written. The three are written only when they
    // differ from these defaults (or the file holds the key already).
    int32_t ComicInfo = 1;
    bool RightToLeft = true;
    std::string LanguageISO = "ja";

    // Reads every key in the table's order. Values absent, empty (for numbers
    // and flags) or malformed keep the defaults, except RemoveFolder, which such a
    // value turns off; ToolBar's default is its value on entry. With no keys in "Archive" the five default profiles are taken.
    void Load(const IniDocument& document);

    // Writes every key except CopyDragFileName into section "Setting", then
    // replaces section "Archive" with one line per distinct profile name.
    // Keys and sections this does not write are left as they are.
    void Save(IniDocument& document) const;

    // True when the format item at this position is the checked one.
    bool IsArchiveFormatChecked(size_t position) const
    {
        return ArchiveExtensionIndex >= 0 && static_cast<size_t>(ArchiveExtensionIndex) == position;
    }
};

// The five profiles used when "Archive" has no keys, as written to the file.
const std::vector<std::string>& DefaultArchiveEntries();

// The text of an entry before its first "=": the archive extension and menu caption.
std::string ArchiveEntryName(std::string_view entry);
// The text after the first "=".
std::string ArchiveEntryValue(std::string_view entry);

// The value of the first entry whose name matches without regard to case; empty when none.
std::string LookupArchiveEntry(const std::vector<std::string>& entries, std::string_view name);

// The position to save for the format submenu: the last checked item, or 0 when none is.
int32_t CheckedArchiveIndex(const std::vector<bool>& checked);

// A menu caption without its accelerator markers: every "&" removed.
std::string GetPlainCaption(std::string_view caption);
