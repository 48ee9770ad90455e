#include "settings/StartOptions.h"

#include <gtest/gtest.h>

using Items = std::vector<std::string>;

TEST(StartOptions, SplitsAsTheSystemDoes)
{
    struct Case {
        const char* Line;
        Items Arguments;
    } cases[] = {
        {"fennoro.exe", {}},
        {"\"C:\\Program Files\\fennoro.exe\"   a  b\t c ", {"a", "b", "c"}},
        {"\"C:\\Program Files\\fennoro.exe\"x y", {"y"}},
        {"f \"C:\\My Books\\vol 1\"", {"C:\\My Books\\vol 1"}},
        {"f C:\\a\"b c\"d e", {"C:\\ab cd", "e"}},
        {"f a\\\\\\b", {"a\\\\\\b"}},
        {"f a\\\\\"b c\"", {"a\\b c"}},
        {"f a\\\"b", {"a\"b"}},
        {"f \"a\"\"\"b\"", {"a\"b"}},
        {"f \"\" x", {"", "x"}},
        {"f \"unterminated text", {"unterminated text"}},
        // Explorer quotes a folder with its trailing backslash: the quote still closes.
        {"f \"C:\\books\\\" /exit", {"C:\\books\\", "/exit"}},
        {"f \"C:\\\"", {"C:\\"}},
        {"f \"C:\\books\\\\\" x", {"C:\\books\\", "x"}},
        {"f \"\\\\server\\share\\本\\\"", {"\\\\server\\share\\本\\"}},
        {"f \"D:\\漫画\\第1巻\" \"D:\\😀 絵\"", {"D:\\漫画\\第1巻", "D:\\😀 絵"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitCommandLineArguments(c.Line), c.Arguments) << c.Line;
    }
}

TEST(StartOptions, FoldersAsTheProgramShowsThem)
{
    struct Case {
        const char* Argument;
        const char* Folder;
    } cases[] = {
        {"C:\\books\\", "C:\\books"},
        {"C:\\books\\\\", "C:\\books"},
        {"C:\\", "C:\\"},
        {"C:", "C:\\"},
        {"C:/books/表", "C:\\books\\表"},
        {"\\\\?\\C:\\books\\ソ\\", "C:\\books\\ソ"},
        {"\\\\?\\UNC\\server\\share\\x", "\\\\server\\share\\x"},
        {"\\\\?\\unc\\server\\share\\", "\\\\server\\share"},
        {"\\\\server\\share\\😀\\", "\\\\server\\share\\😀"},
        {"relative\\x", "relative\\x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlainFolderText(c.Argument), c.Folder) << c.Argument;
    }
}

TEST(StartOptions, SwitchesAndFolders)
{
    struct Case {
        const char* Line;
        Items Folders;
        bool Compress, Recycle, Keep, Exit, Help;
        const char* Format;
        Items Errors;
    } cases[] = {
        {"f \"C:\\本 棚\\\"", {"C:\\本 棚"}, false, false, false, false, false, "", {}},
        {"f C:\\a /COMPRESS -exit /Keep", {"C:\\a"}, true, false, true, true, false, "", {}},
        {"f /recycle /format:.cbz C:\\a C:\\b", {"C:\\a", "C:\\b"}, false, true, false, false, false, ".cbz", {}},
        {"f -Format:7z", {}, false, false, false, false, false, ".7z", {}},
        {"f /?", {}, false, false, false, false, true, "", {}},
        // Twice, in another case, with and without the prefix or a trailing separator: one folder.
        {"f C:\\Books\\a c:\\books\\A\\ \\\\?\\C:\\books\\a D:\\a",
         {"C:\\Books\\a", "D:\\a"}, false, false, false, false, false, "", {}},
        {"f \"\" C:\\a", {"C:\\a"}, false, false, false, false, false, "", {}},
        {"f /x C:\\a -zip", {"C:\\a"}, false, false, false, false, false, "",
         {"不明なスイッチです: /x", "不明なスイッチです: -zip"}},
        {"f C:\\books\\* \"C:\\a?b\" C:\\c", {"C:\\c"}, false, false, false, false, false, "",
         {"フォルダ名として使えません: C:\\books\\*", "フォルダ名として使えません: C:\\a?b"}},
        {"f /format: /format", {}, false, false, false, false, false, "",
         {"圧縮形式が指定されていません: /format:", "圧縮形式が指定されていません: /format"}},
        {"f /recycle /keep", {}, false, true, true, false, false, "", {"/recycle と /keep は同時に指定できません"}},
    };
    for (const Case& c : cases) {
        const TStartOptions options = ParseStartOptions(c.Line);
        EXPECT_EQ(options.Folders, c.Folders) << c.Line;
        EXPECT_EQ(options.Compress, c.Compress) << c.Line;
        EXPECT_EQ(options.Recycle, c.Recycle) << c.Line;
        EXPECT_EQ(options.Keep, c.Keep) << c.Line;
        EXPECT_EQ(options.Exit, c.Exit) << c.Line;
        EXPECT_EQ(options.Help, c.Help) << c.Line;
        EXPECT_EQ(options.Format, c.Format) << c.Line;
        EXPECT_EQ(options.Errors, c.Errors) << c.Line;
    }
    EXPECT_FALSE(ParseStartOptions("f C:\\a C:\\A\\").NamesList()) << "one folder, given twice, is a root";
    EXPECT_TRUE(ParseStartOptions("f C:\\a C:\\b").NamesList());
    EXPECT_TRUE(ParseStartOptions("f /compress /exit").Unattended());
    EXPECT_FALSE(ParseStartOptions("f /compress").Unattended());
    EXPECT_FALSE(ParseStartOptions("f /exit").Unattended());
}
