// 7-zip32.DLL loaded by name and called as the program calls it, with the
// default profiles' command lines, on generated trees; archives are read back
// with the library's own readers here and with Debian's in sevenzip_test.sh.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/sevenzip/SevenZipFormat.h"
#include "archiver/sevenzip/ZipFormat.h"
#include "support/ArchiverTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

// The default templates as BuildCommandLine makes them, quiet and not.
std::string ZipCommand(const std::string& archive, const std::string& folder, bool quiet = true)
{
    return std::string("a -r ") + (quiet ? "-hide" : "") + " -tzip \"" + archive + "\" \"" + folder + "\" *";
}

std::string SevenZipCommand(const std::string& archive, const std::string& folder, bool quiet = true)
{
    return std::string("a -r ") + (quiet ? "-hide" : "") + " -t7z \"" + archive + "\" \"" + folder + "\" *";
}

std::vector<TEntryDigest> ReadArchive(const std::string& path)
{
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1));
    const TFileByteSource source(wide, path);
    const bool zip = path.size() > 4 && path.compare(path.size() - 4, 4, ".zip") == 0;
    return zip ? ReadZipDigests(source) : ReadSevenZipDigests(source);
}

std::vector<std::string> Names(const std::vector<TEntryDigest>& digests)
{
    std::vector<std::string> names;
    for (const TEntryDigest& d : digests) names.push_back(d.Name + (d.IsDirectory ? "/" : ""));
    return names;
}

class SevenZipDll : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dll.Loaded()) << "7-zip32.DLL with SevenZip and SevenZipGetRunning"; }

    // The folder "表紙" beside the archive, with Japanese names whose trail byte is 0x5C.
    std::string MakeTree()
    {
        const std::string folder = Temp.AddFolder("表紙") + "\\";
        Temp.AddFile("表紙\\001.txt", SampleBytes(5000, 1));
        Temp.AddFile("表紙\\空.txt", "");
        Temp.AddFile("表紙\\ソ\\能\\002.bin", SampleBytes(2500000, 2));  // several chunks
        Temp.AddFolder("表紙\\空フォルダ");
        return folder;
    }

    // Nothing but the expected entries in the temporary root: no temporary files left.
    void ExpectRootHolds(const std::vector<std::string>& names) { EXPECT_EQ(Temp.List(), names); }

    TArchiverDll Dll{"7-zip32.DLL", "SevenZip"};
    TTempFolder Temp;
};

} // namespace

TEST_F(SevenZipDll, DefaultZipAndSevenZipProfilesMakeVerifiedArchives)
{
    const std::string folder = MakeTree();
    const std::vector<std::string> expected{"001.txt", "ソ/", "ソ/能/", "ソ/能/002.bin", "空.txt", "空フォルダ/"};
    for (const bool quiet : {true, false}) {
        const std::string suffix = quiet ? "" : "-loud";
        const std::string zip = Temp.Path() + "表紙" + suffix + ".zip", sevenZip = Temp.Path() + "表紙" + suffix + ".7z";
        EXPECT_FALSE(Dll.IsRunning());
        ASSERT_EQ(Dll.Call(ZipCommand(zip, folder, quiet)), 0) << Dll.Output;
        ASSERT_EQ(Dll.Call(SevenZipCommand(sevenZip, folder, quiet)), 0) << Dll.Output;
        EXPECT_FALSE(Dll.IsRunning());
        EXPECT_NE(Dll.Output.find("3 個のファイル"), std::string::npos) << Dll.Output;
        for (const std::string& archive : {zip, sevenZip}) {
            const std::vector<TEntryDigest> digests = ReadArchive(archive);
            std::vector<std::string> names = Names(digests);
            std::sort(names.begin(), names.end());
            std::vector<std::string> utf8;
            for (const std::string& name : expected) {
                wchar_t wide[200];
                char out[400];
                const int n = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, 200);
                WideCharToMultiByte(CP_UTF8, 0, wide, n, out, sizeof out, nullptr, nullptr);
                utf8.push_back(out);
            }
            std::sort(utf8.begin(), utf8.end());
            EXPECT_EQ(names, utf8) << archive;
        }
    }
    ExpectRootHolds({"表紙", "表紙-loud.7z", "表紙-loud.zip", "表紙.7z", "表紙.zip"});
}

TEST_F(SevenZipDll, FormatFromExtensionLevelsPatternsAndFlatFolder)
{
    const std::string folder = MakeTree();
    // No -t: the extension decides; -mx0 stores, -mx9 packs hardest; without -r only the folder's own files.
    ASSERT_EQ(Dll.Call("a -hide -mx0 \"" + Temp.Path() + "s.zip\" \"" + folder + "\" *.*"), 0) << Dll.Output;
    EXPECT_EQ(Names(ReadArchive(Temp.Path() + "s.zip")).size(), 2u);
    ASSERT_EQ(Dll.Call("a -r -hide -MX9 \"" + Temp.Path() + "s.7z\" \"" + folder + "\" *.bin"), 0) << Dll.Output;
    const std::vector<TEntryDigest> onlyBin = ReadArchive(Temp.Path() + "s.7z");
    ASSERT_FALSE(onlyBin.empty());
    EXPECT_EQ(onlyBin.back().Name, "\xE3\x82\xBD/\xE8\x83\xBD/002.bin");
    // A relative base folder and a missing trailing separator are taken too.
    SetCurrentDirectoryA(Temp.Path().c_str());
    ASSERT_EQ(Dll.Call("a -r -hide rel.zip 表紙"), 0) << Dll.Output;
    EXPECT_EQ(Names(ReadArchive(Temp.Path() + "rel.zip")).size(), 6u);
    // Unknown extension without -t is refused, naming the path.
    EXPECT_EQ(Dll.Call("a -r -hide \"" + Temp.Path() + "x.rar\" \"" + folder + "\" *"), ArchiverBadCommandLine);
    EXPECT_NE(Dll.Output.find("x.rar"), std::string::npos);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
}

TEST_F(SevenZipDll, ExistingArchiveIsNeverTouched)
{
    const std::string folder = MakeTree();
    const std::string zip = Temp.AddFile("表紙.zip", "not an archive");
    EXPECT_EQ(Dll.Call(ZipCommand(zip, folder)), ArchiverArchiveExists);
    EXPECT_EQ(Dll.Output, "書庫が既に存在します: " + zip);
    HANDLE file = CreateFileA(zip.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char contents[64] = {};
    DWORD read = 0;
    ReadFile(file, contents, sizeof contents, &read, nullptr);
    CloseHandle(file);
    EXPECT_STREQ(contents, "not an archive");
    // A folder of that name counts as existing too.
    Temp.AddFolder("表紙.7z");
    EXPECT_EQ(Dll.Call(SevenZipCommand(Temp.Path() + "表紙.7z", folder)), ArchiverArchiveExists);
    ExpectRootHolds({"表紙", "表紙.7z", "表紙.zip"});
}

TEST_F(SevenZipDll, FailuresLeaveNothingBehindAndSayWhy)
{
    const std::string folder = MakeTree();
    const std::string zip = Temp.Path() + "表紙.zip";

    EXPECT_EQ(Dll.Call("a -r -hide -x \"" + zip + "\" \"" + folder + "\" *"), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "不明なスイッチです: -x");
    EXPECT_EQ(Dll.Call("u -r \"" + zip + "\" \"" + folder + "\" *"), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "対応していないコマンドです: u");
    EXPECT_EQ(Dll.Call("a -r -hide \"" + zip + "\""), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "圧縮するフォルダが指定されていません");

    EXPECT_EQ(Dll.Call(ZipCommand(zip, Temp.Path() + "無い\\")), ArchiverSourceError);
    EXPECT_EQ(Dll.Output, "フォルダが見つかりません: " + Temp.Path() + "無い\\");
    Temp.AddFolder("空");
    EXPECT_EQ(Dll.Call(ZipCommand(zip, Temp.Path() + "空\\")), ArchiverSourceError);
    EXPECT_NE(Dll.Output.find("圧縮するファイルがありません"), std::string::npos);

    // A source file another program holds open without sharing cannot be read.
    const std::string locked = Temp.Path() + "表紙\\ソ\\能\\002.bin";
    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Dll.Call(ZipCommand(zip, folder)), ArchiverSourceError);
    EXPECT_EQ(Dll.Output.rfind("ファイルを開けません: ソ\\能\\002.bin", 0), 0u) << Dll.Output;
    EXPECT_EQ(Dll.Call(SevenZipCommand(Temp.Path() + "表紙.7z", folder)), ArchiverSourceError);
    CloseHandle(hold);

    // The archive's folder does not exist: it cannot be created.
    EXPECT_EQ(Dll.Call(ZipCommand(Temp.Path() + "無い\\x.zip", folder)), ArchiverWriteError);
    EXPECT_EQ(Dll.Output.rfind("書庫を作成できません: ", 0), 0u) << Dll.Output;

    ExpectRootHolds({"空", "表紙"});
    EXPECT_FALSE(Dll.IsRunning());
}

TEST_F(SevenZipDll, OutputBufferIsAlwaysTerminatedWithinItsSize)
{
    const std::string folder = MakeTree();
    const std::string bad = "a -r -hide -x \"" + Temp.Path() + "a.zip\" \"" + folder + "\" *";
    // Call checks the guard bytes past the given size.
    EXPECT_EQ(Dll.Call(bad, 1), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "");
    EXPECT_EQ(Dll.Call(bad, 6), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "不明");  // whole characters only
    EXPECT_EQ(Dll.Call(bad, 7), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "不明な");
    char guard[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Dll.CallRaw(bad.c_str(), guard, 0), ArchiverBadCommandLine);
    EXPECT_EQ(guard[0], 'x');
    EXPECT_EQ(Dll.CallRaw(bad.c_str(), nullptr, 1024), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.CallRaw(nullptr, nullptr, 0), ArchiverBadCommandLine);
    // Success with a tiny buffer still makes the archive.
    EXPECT_EQ(Dll.Call(ZipCommand(Temp.Path() + "ok.zip", folder), 3), 0);
    EXPECT_LE(Dll.Output.size(), 2u);
    EXPECT_TRUE(TTempFolder::Exists(Temp.Path() + "ok.zip"));
}

TEST_F(SevenZipDll, CancelInTheProgressWindowStopsAndRemovesThePartialArchive)
{
    // Enough compressible data that the call lasts well past the click: zip at the
    // hardest level, 7z at the default one (Cancel reaches into the LZMA blocks).
    for (int i = 0; i < 24; ++i) Temp.AddFile("大\\" + std::to_string(i) + ".txt", SampleBytes(3000000, i));
    const std::string folder = Temp.Path() + "大\\";
    // A first window of the process takes Wine a while to make: one shown before, so the
    // window of the call under test comes up early in it.
    Temp.AddFile("小\\a.txt", "a");
    ASSERT_EQ(Dll.Call("a -r -tzip \"" + Temp.Path() + "小.zip\" \"" + Temp.Path() + "小\\\" *"), 0) << Dll.Output;
    for (const char* command : {"a -r -mx9 -tzip", "a -r -t7z"}) {
        SCOPED_TRACE(command);
        std::atomic<int> result{-1};
        TArchiverDll other("7-zip32.DLL", "SevenZip");
        std::thread call([&] { result = Dll.Call(std::string(command) + " \"" + Temp.Path() + "大.arc\" \"" + folder + "\" *"); });

        // The window, once its Cancel button is there.
        HWND button = nullptr;
        for (int i = 0; i < 3000 && !button && result == -1; ++i) {
            button = GetDlgItem(FindWindowA("FennoroArchiverProgress", nullptr), IDCANCEL);
            if (!button) Sleep(5);
        }
        ASSERT_NE(button, nullptr) << "no progress window; result " << result;
        // While it runs the library says so, and refuses a second call.
        EXPECT_TRUE(Dll.IsRunning());
        EXPECT_EQ(other.Call(ZipCommand(Temp.Path() + "b.zip", folder)), ArchiverBusy);
        Sleep(300);  // into the packing
        SendMessageA(button, BM_CLICK, 0, 0);
        call.join();
        EXPECT_EQ(result, ArchiverCancelled);
        EXPECT_EQ(Dll.Output, "中断されました");
        EXPECT_FALSE(Dll.IsRunning());
        // Gone with the call; under a heavy load Wine's window list was once seen
        // to lag the window's destruction by a moment.
        for (int i = 0; i < 200 && FindWindowA("FennoroArchiverProgress", nullptr); ++i) Sleep(10);
        EXPECT_EQ(FindWindowA("FennoroArchiverProgress", nullptr), nullptr);
        ExpectRootHolds({"小", "小.zip", "大"});
    }
}

TEST_F(SevenZipDll, NamesBeyondTheCodePageAndPathsBeyondMaxPath)
{
    // A Korean name has no code page 932 form, and a deep path passes 260 characters:
    // both are read through the wide file API and stored exactly.
    const std::string folder = Temp.AddFolder("深い") + "\\";
    wchar_t base[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, base, MAX_PATH);
    std::wstring path = std::wstring(L"\\\\?\\") + base;
    std::string expectedDeep;
    for (int i = 0; i < 8; ++i) {
        const std::wstring part = L"\u8868\u30BD" + std::wstring(40, static_cast<wchar_t>(L'a' + i));
        path += part + L"\\";
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        expectedDeep += "\xE8\xA1\xA8\xE3\x82\xBD" + std::string(40, static_cast<char>('a' + i)) + "/";
    }
    ASSERT_GT(path.size(), 300u);
    for (const std::wstring& file : {path + L"deep.txt", std::wstring(L"\\\\?\\") + base + L"\uD55C\uAD6D.txt"}) {
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(handle, "deep", 4, &written, nullptr);
        CloseHandle(handle);
    }
    for (const char* ext : {".zip", ".7z"}) {
        const std::string archive = Temp.Path() + "深い" + ext;
        const std::string command = std::string(ext) == ".zip" ? ZipCommand(archive, folder) : SevenZipCommand(archive, folder);
        ASSERT_EQ(Dll.Call(command), 0) << Dll.Output;
        const std::vector<std::string> names = Names(ReadArchive(archive));
        EXPECT_NE(std::find(names.begin(), names.end(), expectedDeep + "deep.txt"), names.end()) << ext;
        EXPECT_NE(std::find(names.begin(), names.end(), "\xED\x95\x9C\xEA\xB5\xAD.txt"), names.end()) << ext;
    }
    std::wstring remove = std::wstring(L"\\\\?\\") + base;
    DeleteFileW((remove + L"\uD55C\uAD6D.txt").c_str());
    DeleteFileW((path + L"deep.txt").c_str());
    while (path.size() > remove.size()) {
        RemoveDirectoryW(path.c_str());
        path.resize(path.find_last_of(L'\\', path.size() - 2) + 1);
    }
}
