#include "settings/FennoroSettings.h"

#include <gtest/gtest.h>

using Strings = std::vector<std::string>;

namespace {

FennoroSettings LoadFrom(const std::string& text, int32_t toolBarWidth = 223)
{
    FennoroSettings settings;
    settings.ToolBar = toolBarWidth;
    settings.Load(IniDocument::Parse(text));
    return settings;
}

std::string SaveOver(const FennoroSettings& settings, const std::string& text)
{
    IniDocument doc = IniDocument::Parse(text);
    settings.Save(doc);
    return doc.Serialize();
}

// What the format submenu shows checked, position by position.
std::vector<bool> FormatChecks(const FennoroSettings& settings)
{
    std::vector<bool> checks;
    for (size_t p = 0; p < settings.ArchiveEntries.size(); ++p) checks.push_back(settings.IsArchiveFormatChecked(p));
    return checks;
}

// The keys after "Path" as a first run saves them.
const char* const DefaultOptionLines =
    "Recursive=0\r\nNumbered=1\r\nNumberedAbout=0\r\nSilentArchive=1\r\nRemoveFolder=1\r\nAutoFind=0\r\n"
    "Extensions=.jpg;.png;.gif\r\nExtensionsSelect=1;1;1\r\nArchiveExtensionIndex=0\r\n";

const char* const DefaultArchiveSection =
    "[Archive]\r\n"
    ".zip=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
    ".7z=7-zip32.DLL,SevenZip,\"a -r $Q -t7z \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
    ".lzh=UNLHA32.DLL,Unlha,\"a -d1 $Q \"\"$A\"\" \"\"$D\"\" *.*\",-n\r\n"
    ".cab=CAB32.DLL,Cab,\"-a -r $Q \"\"$A\"\" \"\"$D\"\" *.*\",-i\r\n"
    ".cbz=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
    "\r\n";

} // namespace

TEST(FennoroSettings, FirstRunWithoutFileUsesDefaultsAndSavesEveryKeyInOrder)
{
    FennoroSettings settings = LoadFrom("");
    EXPECT_EQ(settings.Window, "");
    EXPECT_EQ(settings.ListView, "");
    EXPECT_EQ(settings.ToolBar, 223);
    EXPECT_EQ(settings.Path, "");
    EXPECT_FALSE(settings.Recursive);
    EXPECT_TRUE(settings.Numbered);
    EXPECT_FALSE(settings.NumberedAbout);
    EXPECT_TRUE(settings.SilentArchive);
    EXPECT_TRUE(settings.RemoveFolder);
    EXPECT_FALSE(settings.AutoFind);
    EXPECT_EQ(settings.CopyDragFileName, "List.txt");
    EXPECT_EQ(settings.Extensions, (std::vector<ExtensionItem>{{".jpg", true}, {".png", true}, {".gif", true}}));
    EXPECT_EQ(settings.ArchiveEntries, DefaultArchiveEntries());
    EXPECT_EQ(FormatChecks(settings), (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(ArchiveEntryName(settings.ArchiveEntries[2]), ".lzh");

    settings.Window = "10,20,640,480,0";
    settings.ListView = "250,200,160";
    EXPECT_EQ(SaveOver(settings, ""),
              std::string("[Setting]\r\n"
                          "Window=10,20,640,480,0\r\n"
                          "ListView=250,200,160\r\n"
                          "ToolBar=223\r\n"
                          "Path=\r\n") +
                  DefaultOptionLines + "\r\n" + DefaultArchiveSection);
}

TEST(FennoroSettings, ExtensionListsAndTheirChecks)
{
    auto checks = [](const FennoroSettings& s) {
        std::vector<bool> result;
        for (const ExtensionItem& item : s.Extensions) result.push_back(item.Checked);
        return result;
    };
    EXPECT_EQ(checks(LoadFrom("[Setting]\nExtensions=.jpg;.png;.gif\nExtensionsSelect=1;0\n")),
              (std::vector<bool>{true, false, true}));
    // Only exactly "0" unchecks; surplus entries are ignored.
    EXPECT_EQ(checks(LoadFrom("[Setting]\nExtensions=.a;.b;.c;.d\nExtensionsSelect=00;yes;0;;1;0\n")),
              (std::vector<bool>{true, true, false, true}));

    // Blank-separated extensions become two items, saved with a semicolon.
    FennoroSettings blank = LoadFrom("[Setting]\nExtensions=.jpg .png\n");
    ASSERT_EQ(blank.Extensions.size(), 2u);
    EXPECT_NE(SaveOver(blank, "").find("Extensions=.jpg;.png\r\nExtensionsSelect=1;1\r\n"), std::string::npos);

    // Present but empty: no items, saved empty.
    FennoroSettings empty = LoadFrom("[Setting]\nExtensions=\n");
    EXPECT_TRUE(empty.Extensions.empty());
    EXPECT_NE(SaveOver(empty, "").find("Extensions=\r\nExtensionsSelect=\r\n"), std::string::npos);
}

TEST(FennoroSettings, ExtensionsAreSavedAsTheValuesTheyAreAndCaptionsLoseTheirAccessKeys)
{
    // The window gives plain captions; an extension it could not show (one with "&")
    // goes back into the file as it was written there.
    FennoroSettings settings = LoadFrom("[Setting]\nExtensions=.jpg;.a&b\nExtensionsSelect=1;0\n");
    EXPECT_NE(SaveOver(settings, "").find("Extensions=.jpg;.a&b\r\nExtensionsSelect=1;0\r\n"), std::string::npos);
    EXPECT_EQ(GetPlainCaption("&a&&b&"), "ab");
    EXPECT_EQ(GetPlainCaption("表&ソ"), "表ソ");
}

TEST(FennoroSettings, ArchiveFormatPosition)
{
    EXPECT_EQ(FormatChecks(LoadFrom("[Setting]\nArchiveExtensionIndex=7\n")), (std::vector<bool>(5, false)));
    EXPECT_EQ(FormatChecks(LoadFrom("[Setting]\nArchiveExtensionIndex=0x1\n")), (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(FormatChecks(LoadFrom("[Setting]\nArchiveExtensionIndex=-1\n")), (std::vector<bool>(5, false)));
    EXPECT_EQ(FormatChecks(LoadFrom("[Setting]\nArchiveExtensionIndex=99999999999999\n")),
              (std::vector<bool>{true, false, false, false, false}));

    // Out of range and untouched by the user: the next save writes 0.
    FennoroSettings far = LoadFrom("[Setting]\nArchiveExtensionIndex=7\n");
    EXPECT_NE(SaveOver(far, "").find("ArchiveExtensionIndex=0\r\n"), std::string::npos);

    // The window saves the last checked item, or 0 when none is checked.
    EXPECT_EQ(CheckedArchiveIndex({false, false, false, false}), 0);
    EXPECT_EQ(CheckedArchiveIndex({false, false, true, false}), 2);
    EXPECT_EQ(CheckedArchiveIndex({false, true, false, true}), 3);
    EXPECT_EQ(CheckedArchiveIndex({}), 0);
}

TEST(FennoroSettings, FlagsAcceptAnyIntegerAndFallBackOnGarbage)
{
    EXPECT_FALSE(LoadFrom("[Setting]\nRecursive=abc\n").Recursive);
    EXPECT_FALSE(LoadFrom("[Setting]\nRecursive=\n").Recursive);
    EXPECT_TRUE(LoadFrom("[Setting]\nRecursive=2\n").Recursive);
    EXPECT_TRUE(LoadFrom("[Setting]\nNumbered=\n").Numbered);
    EXPECT_FALSE(LoadFrom("[Setting]\nNumbered=0\n").Numbered);
    FennoroSettings two = LoadFrom("[Setting]\nRecursive=2\nNumbered=junk\n");
    const std::string saved = SaveOver(two, "[Setting]\nRecursive=2\nNumbered=junk\n");
    EXPECT_NE(saved.find("Recursive=1\r\nNumbered=1\r\n"), std::string::npos);

    EXPECT_EQ(LoadFrom("[Setting]\nToolBar=oops\n", 223).ToolBar, 223);
    EXPECT_EQ(LoadFrom("[Setting]\nToolBar=300\n", 223).ToolBar, 300);
    EXPECT_EQ(LoadFrom("[Setting]\nToolBar=0x10\n", 223).ToolBar, 16);
    EXPECT_EQ(LoadFrom("[Setting]\nToolBar=-40\n", 223).ToolBar, 223);
}

TEST(FennoroSettings, RemovalIsOffUnlessItsValueIsANonZeroInteger)
{
    for (const char* off : {"false", "off", "no", "", "0", "FALSE", "1x"})
        EXPECT_FALSE(LoadFrom(std::string("[Setting]\nRemoveFolder=") + off + "\n").RemoveFolder) << off;
    EXPECT_TRUE(LoadFrom("[Setting]\nRemoveFolder=1\n").RemoveFolder);
    EXPECT_TRUE(LoadFrom("[Setting]\nRemoveFolder=-3\n").RemoveFolder);
    EXPECT_TRUE(LoadFrom("[Setting]\nPath=C:\\\n").RemoveFolder) << "absent: the default";
    // The other flags keep their defaults on such a value.
    EXPECT_TRUE(LoadFrom("[Setting]\nSilentArchive=off\n").SilentArchive);
    const FennoroSettings off = LoadFrom("[Setting]\nRemoveFolder=no\n");
    EXPECT_NE(SaveOver(off, "[Setting]\nRemoveFolder=no\n").find("RemoveFolder=0\r\n"), std::string::npos);
}

TEST(FennoroSettings, DragFileNameIsReadButNeverWritten)
{
    FennoroSettings off = LoadFrom("[Setting]\nCopyDragFileName=\n");
    EXPECT_EQ(off.CopyDragFileName, "");
    EXPECT_NE(SaveOver(off, "[Setting]\nCopyDragFileName=\n").find("CopyDragFileName=\r\n"), std::string::npos);

    EXPECT_EQ(LoadFrom("[Setting]\ncopydragfilename=リスト.txt\n").CopyDragFileName, "リスト.txt");
    // Names that would leave the temporary folder are no names.
    for (const char* bad : {"..\\evil.txt", "sub/x.txt", "C:x.txt", "..", ".", "\\\\server\\share\\a"})
        EXPECT_EQ(LoadFrom(std::string("[Setting]\nCopyDragFileName=") + bad + "\n").CopyDragFileName, "") << bad;
    // 表 ends in the byte of a backslash but is no separator.
    EXPECT_EQ(LoadFrom("[Setting]\nCopyDragFileName=表.txt\n").CopyDragFileName, "表.txt");
    EXPECT_EQ(LoadFrom("").CopyDragFileName, "List.txt");
}

TEST(FennoroSettings, ArchiveSectionKeysInFileOrder)
{
    FennoroSettings one = LoadFrom("[Archive]\n.rar=unrar.dll,Rar,\"a $A\"\n");
    EXPECT_EQ(one.ArchiveEntries, (Strings{".rar=unrar.dll,Rar,\"a $A\""}));

    // A section without keys (only a stray line) takes the defaults.
    EXPECT_EQ(LoadFrom("[Archive]\njust text\n").ArchiveEntries, DefaultArchiveEntries());

    // Duplicate names: the first value wins and the save keeps one line per name.
    FennoroSettings dup = LoadFrom("[Archive]\n.zip=first\n.ZIP=second\n.7z=s\n");
    EXPECT_EQ(dup.ArchiveEntries, (Strings{".zip=first", ".ZIP=first", ".7z=s"}));
    EXPECT_EQ(LookupArchiveEntry(dup.ArchiveEntries, ".Zip"), "first");
    EXPECT_EQ(LookupArchiveEntry(dup.ArchiveEntries, ".lzh"), "");
    const std::string saved = SaveOver(dup, "[Archive]\n.zip=first\n.ZIP=second\n.7z=s\n");
    EXPECT_NE(saved.find("[Archive]\r\n.ZIP=first\r\n.7z=s\r\n\r\n"), std::string::npos) << saved;
}

TEST(FennoroSettings, HandEditedFileSurvivesLoadAndSave)
{
    const std::string file =
        "; my settings\r\n"
        "[Archive]\r\n"
        ".zip = 7-zip32.DLL,SevenZip,\"a -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
        "\r\n"
        "[Setting]\r\n"
        "Unknown=keep me\r\n"
        "Path=D:\\表\\pics\r\n"
        "CopyDragFileName=out.txt\r\n"
        "Window=1,2,3,4,2\r\n"
        "[Mine]\r\n"
        "x=y\r\n";
    FennoroSettings settings = LoadFrom(file, 100);
    EXPECT_EQ(settings.Path, "D:\\表\\pics");
    EXPECT_EQ(settings.Window, "1,2,3,4,2");
    ASSERT_EQ(settings.ArchiveEntries.size(), 1u);
    const std::string saved = SaveOver(settings, file);
    EXPECT_EQ(saved,
              "[Setting]\r\n"
              "Unknown=keep me\r\n"
              "Path=D:\\表\\pics\r\n"
              "CopyDragFileName=out.txt\r\n"
              "Window=1,2,3,4,2\r\n"
              "ListView=\r\n"
              "ToolBar=100\r\n" +
                  std::string(DefaultOptionLines) +
              "\r\n"
              "[Mine]\r\n"
              "x=y\r\n"
              "\r\n"
              "[Archive]\r\n"
              ".zip=7-zip32.DLL,SevenZip,\"a -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
              "\r\n");
    // A second load and save changes nothing.
    FennoroSettings again = LoadFrom(saved, 1);
    EXPECT_EQ(SaveOver(again, saved), saved);
}

TEST(FennoroSettings, ClickingTheCheckedFormatOffSavesZeroAndNextStartChecksTheFirst)
{
    FennoroSettings settings = LoadFrom("[Setting]\nArchiveExtensionIndex=2\n");
    EXPECT_EQ(FormatChecks(settings), (std::vector<bool>{false, false, true, false, false}));
    settings.ArchiveExtensionIndex = CheckedArchiveIndex({false, false, false, false});
    const std::string saved = SaveOver(settings, "");
    EXPECT_EQ(FormatChecks(LoadFrom(saved)), (std::vector<bool>{true, false, false, false, false}));
}

TEST(FennoroSettings, PageCheckKeyOnlyWhenOnOrAlreadyThere)
{
    FennoroSettings settings = LoadFrom("[Setting]\nPath=x\n");
    EXPECT_FALSE(settings.VerifyImages);
    const std::string untouched = SaveOver(settings, "");
    EXPECT_EQ(untouched.find("VerifyImages"), std::string::npos);

    settings.VerifyImages = true;
    const std::string on = SaveOver(settings, "");
    EXPECT_NE(on.find("ArchiveExtensionIndex=0\r\nVerifyImages=1\r\n\r\n[Archive]"), std::string::npos) << on;
    EXPECT_TRUE(LoadFrom(on).VerifyImages);

    settings.VerifyImages = false;
    EXPECT_NE(SaveOver(settings, on).find("VerifyImages=0\r\n"), std::string::npos) << "turned off stays off";

    // The deep level alike, after it.
    EXPECT_FALSE(LoadFrom(on).DeepImageCheck);
    EXPECT_EQ(on.find("DeepImageCheck"), std::string::npos);
    settings.VerifyImages = settings.DeepImageCheck = true;
    const std::string deep = SaveOver(settings, "");
    EXPECT_NE(deep.find("VerifyImages=1\r\nDeepImageCheck=1\r\n\r\n[Archive]"), std::string::npos) << deep;
    EXPECT_TRUE(LoadFrom(deep).DeepImageCheck);
    settings.DeepImageCheck = false;
    EXPECT_NE(SaveOver(settings, deep).find("DeepImageCheck=0\r\n"), std::string::npos);
}

TEST(FennoroSettings, TreeSearchAndLeftOverNamesWrittenOnlyWhenChosen)
{
    FennoroSettings settings = LoadFrom("[Setting]\nPath=x\n");
    EXPECT_FALSE(settings.FindInTree);
    EXPECT_EQ(settings.IgnoredFiles, DefaultIgnoredFiles);
    const std::string untouched = SaveOver(settings, "");
    EXPECT_EQ(untouched.find("FindInTree"), std::string::npos);
    EXPECT_EQ(untouched.find("IgnoredFiles"), std::string::npos);

    settings.FindInTree = true;
    settings.IgnoredFiles = "Thumbs.db;*.tmp";
    const std::string chosen = SaveOver(settings, "");
    EXPECT_NE(chosen.find("FindInTree=1\r\nIgnoredFiles=Thumbs.db;*.tmp\r\n"), std::string::npos) << chosen;
    EXPECT_TRUE(LoadFrom(chosen).FindInTree);
    EXPECT_EQ(LoadFrom(chosen).IgnoredFiles, "Thumbs.db;*.tmp");
    // An empty list is the user's: nothing is left out, and it stays so.
    EXPECT_EQ(LoadFrom("[Setting]\nIgnoredFiles=\n").IgnoredFiles, "");
    settings.IgnoredFiles.clear();
    EXPECT_NE(SaveOver(settings, chosen).find("IgnoredFiles=\r\n"), std::string::npos);
}

TEST(FennoroSettings, ComicInfoKeysDefaultsAndValues)
{
    struct Case {
        std::string File;
        int32_t ComicInfo;
        bool RightToLeft;
        std::string LanguageISO;
    };
    const Case cases[] = {
        {"[Setting]\nPath=x\n", 1, true, "ja"},
        {"[Setting]\nComicInfo=0\nRightToLeft=0\nLanguageISO=\n", 0, false, ""},
        {"[Setting]\nComicInfo=2\nLanguageISO=en\n", 2, true, "en"},
        {"[Setting]\nComicInfo=7\n", 1, true, "ja"},
        {"[Setting]\nComicInfo=-1\n", 1, true, "ja"},
    };
    for (const Case& test : cases) {
        const FennoroSettings settings = LoadFrom(test.File);
        EXPECT_EQ(settings.ComicInfo, test.ComicInfo) << test.File;
        EXPECT_EQ(settings.RightToLeft, test.RightToLeft) << test.File;
        EXPECT_EQ(settings.LanguageISO, test.LanguageISO) << test.File;
        // What is saved reads back the same.
        const FennoroSettings again = LoadFrom(SaveOver(settings, test.File));
        EXPECT_EQ(again.ComicInfo, test.ComicInfo);
        EXPECT_EQ(again.RightToLeft, test.RightToLeft);
        EXPECT_EQ(again.LanguageISO, test.LanguageISO);
    }
    // The defaults leave a file without the keys as it was.
    const std::string untouched = SaveOver(LoadFrom("[Setting]\nPath=x\n"), "");
    for (const char* key : {"ComicInfo", "RightToLeft", "LanguageISO"}) EXPECT_EQ(untouched.find(key), std::string::npos);
}
