#include "settings/win32/SettingsFile.h"

#include "base/WideText.h"

#include "toolkit/ScopedHandle.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// A fresh folder under the temporary directory for each test.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        Folder = std::string(temp) + "fennoro-settings-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryW(WideText(Folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        File = Folder + "\\表ソフト.ini";
        DeleteFileW(WideText(File).c_str());
    }
    void TearDown() override
    {
        DeleteFileW(WideText(File).c_str());
        DeleteFileW(WideText(File + ".unreadable").c_str());
        DeleteFileW(WideText((File + ".new")).c_str());
        RemoveDirectoryW(WideText((File + ".new")).c_str());
        RemoveDirectoryW(WideText(Folder).c_str());
    }

    void WriteBytes(const std::string& bytes) const
    {
        ScopedHandle file(CreateFileW(WideText(File).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
        // The test's UTF-8 text as a file of the ANSI code page holds it (bytes that are no such text as they are).
        std::string ansi;
        if (bytes.starts_with("\xEF\xBB\xBF") || !ExactCodePageText(bytes, CP_ACP, ansi)) ansi = bytes;
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), ansi.data(), static_cast<DWORD>(ansi.size()), &written, nullptr));
    }

    static std::string ReadBytesOf(const std::string& name)
    {
        ScopedHandle file(CreateFileW(WideText(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) return "<missing>";
        std::string bytes(1 << 20, '\0');
        DWORD read = 0;
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        return bytes;
    }

    // The UTF-8 text as UTF-16 bytes behind the mark, in either byte order.
    static std::string Utf16(const char* mark, const std::string& utf8, bool bigEndian)
    {
        std::string bytes = mark;
        for (const wchar_t unit : WideText(utf8)) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    }

    std::string ReadBytes() const
    {
        ScopedHandle file(CreateFileW(WideText(File).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) return "<missing>";
        std::string bytes(1 << 20, '\0');
        DWORD read = 0;
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        const bool raw = bytes.starts_with("\xEF\xBB\xBF") || bytes.find('\0') != std::string::npos;
        return raw ? bytes : CodePageToUtf8(bytes, CP_ACP);
    }

    std::string Folder;
    std::string File;
};

} // namespace

TEST(SettingsFileName, ExecutablePathWithIniExtension)
{
    EXPECT_EQ(SettingsFileNameFor("C:\\Tools\\fennoro.exe"), "C:\\Tools\\fennoro.ini");
    EXPECT_EQ(SettingsFileNameFor("C:\\v1.2\\fennoro"), "C:\\v1.2\\fennoro.ini");
    EXPECT_EQ(SettingsFileNameFor("C:\\表\\a.b.EXE"), "C:\\表\\a.b.ini");
    const std::string own = GetSettingsFileName();
    const std::string tail = "SettingsFile_test.ini";
    ASSERT_GT(own.size(), tail.size());
    EXPECT_EQ(own.substr(own.size() - tail.size()), tail);
}

TEST_F(SettingsFileTest, FirstRunCreatesTheFileWithEveryKey)
{
    FennoroSettings settings;
    settings.ToolBar = 223;
    LoadSettingsFile(settings, File);
    EXPECT_EQ(settings.ArchiveEntries, DefaultArchiveEntries());
    EXPECT_EQ(ReadBytes(), "<missing>");   // loading writes nothing

    settings.Window = "0,0,640,480,0";
    settings.ListView = "250,200,160";
    ASSERT_TRUE(SaveSettingsFile(settings, File));
    EXPECT_EQ(ReadBytes(),
              "[Setting]\r\nWindow=0,0,640,480,0\r\nListView=250,200,160\r\nToolBar=223\r\nPath=\r\nRecursive=0\r\n"
              "Numbered=1\r\nNumberedAbout=0\r\nSilentArchive=1\r\nRemoveFolder=1\r\nAutoFind=0\r\n"
              "Extensions=.jpg;.png;.gif\r\nExtensionsSelect=1;1;1\r\nArchiveExtensionIndex=0\r\n\r\n"
              "[Archive]\r\n"
              ".zip=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
              ".7z=7-zip32.DLL,SevenZip,\"a -r $Q -t7z \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n"
              ".lzh=UNLHA32.DLL,Unlha,\"a -d1 $Q \"\"$A\"\" \"\"$D\"\" *.*\",-n\r\n"
              ".cab=CAB32.DLL,Cab,\"-a -r $Q \"\"$A\"\" \"\"$D\"\" *.*\",-i\r\n"
              ".cbz=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n\r\n");
    EXPECT_EQ(GetFileAttributesW(WideText((File + ".new")).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFileTest, HandEditedFileSurvivesLoadAndSave)
{
    WriteBytes("; written by hand\n"
               "[archive]\n"
               "  .zip =  7-zip32.DLL,SevenZip,\"a -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide  \n"
               "\n"
               "[Setting]\r"
               "Path=D:\\表\\ソ\r"
               "Recursive=\r"
               "Numbered=0x0\r"
               "ArchiveExtensionIndex=0x0\r"
               "ToolBar=12abc\r"
               "ListView=250, 200 ,160\r"
               "Extensions=.jpg .png;.GIF\r"
               "ExtensionsSelect=0;1\r"
               "CopyDragFileName=\r"
               "Mine=keep\r\n"
               "[Extra]\r\n"
               "a = b\r\n");
    FennoroSettings settings;
    settings.ToolBar = 223;
    LoadSettingsFile(settings, File);
    EXPECT_EQ(settings.Path, "D:\\表\\ソ");
    EXPECT_FALSE(settings.Recursive);
    EXPECT_FALSE(settings.Numbered);
    EXPECT_EQ(settings.ToolBar, 223);
    EXPECT_EQ(settings.ListView, "250, 200 ,160");
    EXPECT_EQ(settings.CopyDragFileName, "");
    EXPECT_EQ(settings.Extensions, (std::vector<ExtensionItem>{{".jpg", false}, {".png", true}, {".GIF", true}}));
    ASSERT_EQ(settings.ArchiveEntries.size(), 1u);
    EXPECT_TRUE(settings.IsArchiveFormatChecked(0));

    ASSERT_TRUE(SaveSettingsFile(settings, File));
    const std::string saved = ReadBytes();
    EXPECT_EQ(saved,
              "[Setting]\r\nPath=D:\\表\\ソ\r\nRecursive=0\r\nNumbered=0\r\nArchiveExtensionIndex=0\r\nToolBar=223\r\n"
              "ListView=250, 200 ,160\r\nExtensions=.jpg;.png;.GIF\r\nExtensionsSelect=0;1;1\r\nCopyDragFileName=\r\n"
              "Mine=keep\r\nWindow=\r\nNumberedAbout=0\r\nSilentArchive=1\r\nRemoveFolder=1\r\nAutoFind=0\r\n\r\n"
              "[Extra]\r\na=b\r\n\r\n"
              "[Archive]\r\n.zip=7-zip32.DLL,SevenZip,\"a -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide\r\n\r\n");

    // Loading and saving again changes nothing.
    FennoroSettings again;
    LoadSettingsFile(again, File);
    ASSERT_TRUE(SaveSettingsFile(again, File));
    EXPECT_EQ(ReadBytes(), saved);
}

TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileWhole)
{
    // Something in the way of the new file: the write cannot happen, and the old
    // file stays where it is, an unreadable one too (not left aside).
    ASSERT_TRUE(CreateDirectoryW(WideText((File + ".new")).c_str(), nullptr));
    for (const std::string& old : {std::string("[Setting]\r\nPath=old\r\n"), std::string("[Setting]\r\nPath=\0\r\n", 19)}) {
        WriteBytes(old);
        FennoroSettings settings;
        settings.Path = "new";
        EXPECT_FALSE(SaveSettingsFile(settings, File));
        EXPECT_EQ(ReadBytesOf(File), old);
        EXPECT_EQ(ReadBytesOf(File + ".unreadable"), "<missing>");
    }

    // A folder that does not exist: nothing is written, nothing breaks.
    EXPECT_FALSE(SaveSettingsFile(FennoroSettings(), Folder + "\\missing\\x.ini"));
}

TEST_F(SettingsFileTest, FileThatCannotBeOpenedIsNotOverwritten)
{
    WriteBytes("[Setting]\r\nPath=kept\r\n[Mine]\r\nx=1\r\n");
    {
        ScopedHandle locked(CreateFileW(WideText(File).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(locked.get(), INVALID_HANDLE_VALUE);
        IniDocument document;
        EXPECT_FALSE(TryLoadIniFile(File, document));
        FennoroSettings settings;
        EXPECT_TRUE(LoadSettingsFile(settings, File).Unreadable);
        EXPECT_EQ(settings.Path, "");
        EXPECT_FALSE(settings.RemoveFolder);
        // Neither replaced nor renamed while another program holds it.
        EXPECT_FALSE(SaveSettingsFile(settings, File));
    }
    EXPECT_EQ(ReadBytes(), "[Setting]\r\nPath=kept\r\n[Mine]\r\nx=1\r\n");
    EXPECT_EQ(GetFileAttributesW(WideText(File + ".unreadable").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFileTest, Utf8AndUtf16WithTheirMarksAreRead)
{
    // As text editors save them (本 is E6 9C AC, U+672C).
    const struct {
        const char* Name;
        std::string Bytes;
    } files[] = {
        {"UTF-8", "\xEF\xBB\xBF[Setting]\r\nPath=C:\\\xE6\x9C\xAC\r\nRemoveFolder=0\r\n"},
        {"UTF-16LE", Utf16("\xFF\xFE", "[Setting]\r\nPath=C:\\\xE6\x9C\xAC\r\nRemoveFolder=0\r\n", false)},
        {"UTF-16BE", Utf16("\xFE\xFF", "[Setting]\r\nPath=C:\\\xE6\x9C\xAC\r\nRemoveFolder=0\r\n", true)},
    };
    for (const auto& file : files) {
        WriteBytes(file.Bytes);
        FennoroSettings settings;
        EXPECT_FALSE(LoadSettingsFile(settings, File).Unreadable) << file.Name;
        EXPECT_EQ(settings.Path, "C:\\本") << file.Name;
        EXPECT_FALSE(settings.RemoveFolder) << file.Name;
        ASSERT_TRUE(SaveSettingsFile(settings, File));
        FennoroSettings again;
        LoadSettingsFile(again, File);
        EXPECT_EQ(again.Path, "C:\\本") << file.Name;
        EXPECT_FALSE(again.RemoveFolder) << file.Name;
    }
}

TEST_F(SettingsFileTest, UnreadableFilesStartWithRemovalOffAndAreKeptAside)
{
    const struct {
        const char* Name;
        std::string Bytes;
    } files[] = {
        {"a NUL byte", std::string("[Setting]\r\nRemoveFolder=0\r\nPath=a\0b\r\n", 37)},
        {"the UTF-8 mark and a bad byte", "\xEF\xBB\xBF[Setting]\r\nRemoveFolder=0\r\nPath=\xE6\x9C\r\n"},
        {"UTF-16 cut in a character", std::string("\xFF\xFE[\0S\0]", 7)},
        {"UTF-16 with a lone surrogate", std::string("\xFF\xFE[\0S\0]\0\x00\xD8", 10)},
    };
    for (const auto& file : files) {
        WriteBytes(file.Bytes);
        FennoroSettings settings;
        const TSettingsLoad load = LoadSettingsFile(settings, File);
        EXPECT_TRUE(load.Unreadable) << file.Name;
        EXPECT_FALSE(settings.RemoveFolder) << file.Name;
        EXPECT_EQ(settings.Path, "") << file.Name;
        EXPECT_NE(load.Problem.find(File), std::string::npos) << file.Name;
        EXPECT_NE(load.Problem.find(File + ".unreadable"), std::string::npos) << file.Name;

        // The file goes aside whole, and the settings start a new one.
        ASSERT_TRUE(SaveSettingsFile(settings, File)) << file.Name;
        EXPECT_EQ(ReadBytesOf(File + ".unreadable"), file.Bytes) << file.Name;
        FennoroSettings again;
        EXPECT_FALSE(LoadSettingsFile(again, File).Unreadable) << file.Name;
        EXPECT_FALSE(again.RemoveFolder) << file.Name;
        // An earlier one aside is never replaced.
        WriteBytes(file.Bytes);
        EXPECT_NE(LoadSettingsFile(settings, File).Problem.find(File + ".unreadable2"), std::string::npos);
        ASSERT_TRUE(SaveSettingsFile(settings, File)) << file.Name;
        EXPECT_EQ(ReadBytesOf(File + ".unreadable2"), file.Bytes) << file.Name;
        DeleteFileW(WideText(File + ".unreadable").c_str());
        DeleteFileW(WideText(File + ".unreadable2").c_str());
    }
}

TEST_F(SettingsFileTest, Utf8FileKeepsItsSectionsForAReaderOfTheAnsiCodePage)
{
    // A value the code page cannot hold (a Hangul syllable) makes the file UTF-8.
    FennoroSettings settings;
    LoadSettingsFile(settings, File);
    settings.Path = "\xEA\xB0\x80";
    settings.RemoveFolder = false;
    ASSERT_TRUE(SaveSettingsFile(settings, File));
    const std::string bytes = ReadBytesOf(File);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF\r\n[Setting]\r\n"));
    // Read as bytes by the file's own rules, the mark is a line before the first
    // section, dropped alone: every key is still there.
    const IniDocument asBytes = IniDocument::Parse(bytes);
    EXPECT_EQ(asBytes.SectionNames(), (std::vector<std::string>{"Setting", "Archive"}));
    EXPECT_EQ(asBytes.ReadString("Setting", "RemoveFolder", ""), "0");
    EXPECT_EQ(asBytes.ReadString("Setting", "Extensions", ""), ".jpg;.png;.gif");
    FennoroSettings again;
    LoadSettingsFile(again, File);
    EXPECT_EQ(again.Path, "\xEA\xB0\x80");
}

TEST_F(SettingsFileTest, LinesTheProgramDoesNotChangeKeepTheirBytes)
{
    // NEC special characters (0x87 0x90 is ≒, which the code page also has as
    // 0x81 0xE0), a byte pair that is no character, and a value the program
    // writes back unchanged.
    const std::string bytes = "[Setting]\r\nMyNote=\x87\x90\x87\x9A\r\nPath=C:\\\x87\x90\r\n[Mine]\r\n\x87\x90 line\r\nodd=\x85\x40\r\n";
    WriteBytes(bytes);
    FennoroSettings settings;
    LoadSettingsFile(settings, File);
    ASSERT_TRUE(SaveSettingsFile(settings, File));
    const std::string saved = ReadBytesOf(File);
    for (const char* line : {"\r\nMyNote=\x87\x90\x87\x9A\r\n", "\r\nPath=C:\\\x87\x90\r\n", "\r\n[Mine]\r\n\x87\x90 line\r\nodd=\x85\x40\r\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
}

TEST_F(SettingsFileTest, GarbageFilesLoadWithSoundDefaults)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 4000);
        for (int i = 0; i < length; ++i) bytes += static_cast<char>(1 + random() % 255);
        if (round % 2) bytes = "[Setting]\nWindow=" + bytes + "\nListView=" + bytes + "\nExtensions=" + bytes + "\n";
        WriteBytes(bytes);
        FennoroSettings settings;
        LoadSettingsFile(settings, File);
        ASSERT_FALSE(settings.ArchiveEntries.empty());
        ASSERT_TRUE(SaveSettingsFile(settings, File));
        // What was written loads back to the same values.
        FennoroSettings again;
        again.ToolBar = settings.ToolBar;
        LoadSettingsFile(again, File);
        EXPECT_EQ(again.Extensions.size(), settings.Extensions.size());
        EXPECT_EQ(again.Window, settings.Window);
        EXPECT_EQ(again.ArchiveEntries, settings.ArchiveEntries);
    }
}

TEST(PlainMenuCaption, AccessKeyMarkersAreRemoved)
{
    HMENU menu = CreatePopupMenu();
    ASSERT_TRUE(menu);
    AppendMenuW(menu, MF_STRING, 1, L"圧縮形式(&H)");
    AppendMenuA(menu, MF_STRING, 2, ".z&ip");
    EXPECT_EQ(GetPlainCaption(menu, 0), "圧縮形式(H)");
    EXPECT_EQ(GetPlainCaption(menu, 1), ".zip");
    EXPECT_EQ(GetPlainCaption(menu, 5), "");
    DestroyMenu(menu);
}

TEST_F(SettingsFileTest, AFileUnreadableAtStartIsNeverWrittenOverWhateverItIsAtExit)
{
    const std::string mine = "[Setting]\r\nPath=C:\\mine\r\n[Archive]\r\n.my=my.dll,My,\"a $A $D\"\r\n";
    // What becomes of the file between the start and the save.
    enum class Exit { Released, StillHeld };
    const struct {
        const char* Name;
        Exit AtExit;
        bool Saved;
    } cases[] = {
        {"held at start, let go before the save", Exit::Released, true},
        {"held at start and at the save", Exit::StillHeld, false},
    };
    for (const auto& test : cases) {
        WriteBytes(mine);
        ScopedHandle held(CreateFileW(WideText(File).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
        FennoroSettings settings;
        const TSettingsLoad load = LoadSettingsFile(settings, File);
        ASSERT_TRUE(load.Unreadable) << test.Name;
        if (test.AtExit == Exit::Released) held.reset();
        EXPECT_EQ(SaveSettingsFile(settings, File, load.Unreadable), test.Saved) << test.Name;
        held.reset();
        if (test.Saved) {
            // The user's file aside, whole; the defaults in a new one.
            EXPECT_EQ(ReadBytesOf(File + ".unreadable"), mine) << test.Name;
            EXPECT_EQ(ReadBytes().find("C:\\mine"), std::string::npos) << test.Name;
        } else {
            EXPECT_EQ(ReadBytes(), mine) << test.Name;
            EXPECT_EQ(ReadBytesOf(File + ".unreadable"), "<missing>") << test.Name;
        }
        DeleteFileW(WideText(File + ".unreadable").c_str());
    }
}

TEST_F(SettingsFileTest, AFolderNamedLikeTheSettingsFileIsLeftWhereItIs)
{
    ASSERT_TRUE(CreateDirectoryW(WideText(File).c_str(), nullptr));
    FennoroSettings settings;
    const TSettingsLoad load = LoadSettingsFile(settings, File);
    EXPECT_TRUE(load.Unreadable);
    EXPECT_EQ(load.Problem.find(".unreadable"), std::string::npos) << "no promise to move a folder aside";
    for (const bool unreadableAtStart : {true, false}) {
        EXPECT_FALSE(SaveSettingsFile(settings, File, unreadableAtStart));
        const DWORD attributes = GetFileAttributesW(WideText(File).c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
        EXPECT_EQ(GetFileAttributesW(WideText(File + ".unreadable").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    RemoveDirectoryW(WideText(File).c_str());
    RemoveDirectoryW(WideText(File + ".unreadable").c_str());
}
