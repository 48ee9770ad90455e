// CAB32.DLL and UNLHA32.DLL loaded by name and called as the program calls
// them, with the default profiles' command lines, on generated trees. The
// archives are read back here with the libraries' own readers (the cabinet
// through the system's FDI); Debian's readers check them in cab-lha_test.sh.
#include "archiver/cab/win32/CabReader.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/lha/LhaReader.h"
#include "support/ArchiverTestSupport.h"
#include "unit/CabinetBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <thread>

namespace {

struct TEntry {
    uint64_t Size = 0;
    uint32_t Crc = 0;
    bool operator==(const TEntry&) const = default;
};
using TListing = std::map<std::string, TEntry>;  // file path with '\\' (ANSI) -> size and CRC

// Bytes that do not compress, as a JPEG page's.
std::string Noise(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    return bytes;
}

std::wstring Wide(const std::string& ansi)
{
    std::wstring wide(ansi.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1));
    return wide;
}

class TDigestOutput final : public TByteOutput {
public:
    void Write(const void* data, size_t size) override
    {
        Entry.Crc = Crc32Update(Entry.Crc, data, size);
        Entry.Size += size;
    }
    TEntry Entry;
};

// Files and folders of an .lzh, as our reader decodes them (CRCs checked).
TListing ReadLzh(const std::string& path, std::vector<std::string>* folders)
{
    const TFileByteSource source(Wide(path), path);
    TByteSourceInput input(source);
    TLhaReader reader(input);
    TListing listing;
    TLhaEntryHeader header;
    while (reader.Next(header)) {
        TDigestOutput data;
        reader.Extract(data);
        if (header.Method == "-lhd-") folders->push_back(LhaEntryPath(header, '\\'));
        else listing[LhaEntryPath(header, '\\')] = data.Entry;
    }
    reader.CheckEnd();
    return listing;
}

TListing ReadCab(const std::string& path, std::vector<std::string>*)
{
    const TFileByteSource source(Wide(path), path);
    TListing listing;
    for (const TEntryDigest& digest : ReadCabinetDigests(source, path)) listing[AnsiFromUtf8(digest.DisplayName)] = {digest.Size, digest.Crc};
    return listing;
}

struct TLibrary {
    const char* Dll;
    const char* Function;
    const char* Extension;
    const char* Add;            // the command
    const char* SubFolders;     // switch for sub-folders
    const char* Quiet;          // the profile's quiet option
    const char* OtherSwitch;    // the other library's sub-folder switch: unknown here
    TListing (*Read)(const std::string& path, std::vector<std::string>* folders);
};

const TLibrary Lha{"UNLHA32.DLL", "Unlha", ".lzh", "a", "-d1", "-n", "-r", ReadLzh};
const TLibrary Cab{"CAB32.DLL", "Cab", ".cab", "-a", "-r", "-i", "-d1", ReadCab};

class CabLhaDll : public testing::TestWithParam<TLibrary> {
protected:
    void SetUp() override { ASSERT_TRUE(Dll.Loaded()) << GetParam().Dll; }

    // The default template, "... $Q "$A" "$D" *.*", as the program fills it.
    std::string Command(const std::string& archive, const std::string& folder, bool quiet = true, const std::string& pattern = "*.*",
                        bool subFolders = true) const
    {
        const TLibrary& library = GetParam();
        return std::string(library.Add) + " " + (subFolders ? library.SubFolders : "") + " " + (quiet ? library.Quiet : "") + " \"" +
               archive + "\" \"" + folder + "\" " + pattern;
    }
    std::string Archive(const std::string& stem) const { return Temp.Path() + stem + GetParam().Extension; }

    // "表紙" beside the archives: Japanese names with a 0x5C trail byte (表 ソ 能),
    // nested folders, an empty file and an empty folder.
    std::string MakeTree()
    {
        const std::string folder = Temp.AddFolder("表紙") + "\\";
        Add("表紙\\001.txt", SampleBytes(70000, 1));
        Add("表紙\\空.txt", "");
        Add("表紙\\ソ\\能\\002.bin", SampleBytes(2500000, 2));
        Add("表紙\\ソ\\003.jpg", SampleBytes(300, 3));
        Temp.AddFolder("表紙\\空フォルダ");
        return folder;
    }
    void Add(const std::string& relative, const std::string& contents)
    {
        Temp.AddFile(relative, contents);
        const size_t cut = std::string("表紙\\").size();
        Expected[relative.substr(cut)] = {contents.size(), Crc32Update(0, contents.data(), contents.size())};
    }
    void ExpectRootHolds(const std::vector<std::string>& names) const { EXPECT_EQ(Temp.List(), names); }

    TArchiverDll Dll{GetParam().Dll, GetParam().Function};
    TTempFolder Temp;
    TListing Expected;
};

} // namespace

TEST_P(CabLhaDll, DefaultProfileMakesAVerifiedArchiveQuietOrNot)
{
    const std::string folder = MakeTree();
    for (const bool quiet : {true, false}) {
        const std::string archive = Archive(quiet ? "表紙" : "表紙-window");
        EXPECT_FALSE(Dll.IsRunning());
        ASSERT_EQ(Dll.Call(Command(archive, folder, quiet)), 0) << Dll.Output;
        EXPECT_FALSE(Dll.IsRunning());
        EXPECT_EQ(Dll.Output, "4 個のファイルを " + archive + " に格納しました");
        std::vector<std::string> folders;
        EXPECT_EQ(GetParam().Read(archive, &folders), Expected);
        if (GetParam().Read == ReadLzh) {
            // Folders are entries of their own, so the empty one is kept too.
            std::sort(folders.begin(), folders.end());
            EXPECT_EQ(folders, (std::vector<std::string>{"ソ", "ソ\\能", "空フォルダ"}));
        }
    }
    ExpectRootHolds({"表紙", "表紙-window" + std::string(GetParam().Extension), "表紙" + std::string(GetParam().Extension)});
}

TEST_P(CabLhaDll, WithoutTheSubFolderSwitchOnlyTheFolderItselfAndPatternsSelect)
{
    const std::string folder = MakeTree();
    ASSERT_EQ(Dll.Call(Command(Archive("flat"), folder, true, "*.*", false)), 0) << Dll.Output;
    std::vector<std::string> folders;
    EXPECT_EQ(GetParam().Read(Archive("flat"), &folders), (TListing{{"001.txt", Expected["001.txt"]}, {"空.txt", Expected["空.txt"]}}));
    EXPECT_TRUE(folders.empty());
    ASSERT_EQ(Dll.Call(Command(Archive("jpg"), folder, true, "*.JPG")), 0) << Dll.Output;
    EXPECT_EQ(GetParam().Read(Archive("jpg"), &folders), (TListing{{"ソ\\003.jpg", Expected["ソ\\003.jpg"]}}));
}

// Empty files only (no data at all), and stored and packed files in turn.
TEST_P(CabLhaDll, EmptyFilesOnlyAndMethodsInTurn)
{
    Temp.AddFile("空\\a.jpg", "");
    Temp.AddFile("空\\表\\b.jpg", "");
    ASSERT_EQ(Dll.Call(Command(Archive("空"), Temp.Path() + "空\\")), 0) << Dll.Output;
    std::vector<std::string> folders;
    EXPECT_EQ(GetParam().Read(Archive("空"), &folders), (TListing{{"a.jpg", {}}, {"表\\b.jpg", {}}}));

    TListing expected;
    for (int i = 0; i < 6; ++i) {
        const std::string name = std::to_string(i) + (i % 3 == 0 ? ".txt" : i % 3 == 1 ? ".jpg" : ".empty");
        const std::string data = i % 3 == 0 ? std::string(20000, static_cast<char>('a' + i)) : i % 3 == 1 ? Noise(100000, i) : "";
        Temp.AddFile("交互\\" + name, data);
        expected[name] = {data.size(), Crc32Update(0, data.data(), data.size())};
    }
    ASSERT_EQ(Dll.Call(Command(Archive("交互"), Temp.Path() + "交互\\")), 0) << Dll.Output;
    EXPECT_EQ(GetParam().Read(Archive("交互"), &folders), expected);
}

TEST_P(CabLhaDll, ExistingArchiveIsNeverTouched)
{
    const std::string folder = MakeTree();
    const std::string archive = Temp.AddFile(std::string("表紙") + GetParam().Extension, "not an archive");
    EXPECT_EQ(Dll.Call(Command(archive, folder)), ArchiverArchiveExists);
    EXPECT_EQ(Dll.Output, "書庫が既に存在します: " + archive);
    HANDLE file = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char contents[64] = {};
    DWORD read = 0;
    ReadFile(file, contents, sizeof contents, &read, nullptr);
    CloseHandle(file);
    EXPECT_STREQ(contents, "not an archive");
    ExpectRootHolds({"表紙", "表紙" + std::string(GetParam().Extension)});
}

TEST_P(CabLhaDll, FailuresLeaveNothingBehindAndSayWhy)
{
    const TLibrary& library = GetParam();
    const std::string folder = MakeTree();
    const std::string archive = Archive("表紙");
    const std::string tail = " \"" + archive + "\" \"" + folder + "\" *.*";

    EXPECT_EQ(Dll.Call(std::string(library.Add) + " " + library.OtherSwitch + tail), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, std::string("不明なスイッチです: ") + library.OtherSwitch);
    EXPECT_EQ(Dll.Call(std::string(library.Add) + " -x" + tail), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "不明なスイッチです: -x");
    const std::string otherCommand = library.Add == std::string("a") ? "-a" : "a";
    EXPECT_EQ(Dll.Call(otherCommand + tail), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "対応していないコマンドです: " + otherCommand);
    EXPECT_EQ(Dll.Call(std::string(library.Add) + " \"" + archive + "\""), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "圧縮するフォルダが指定されていません");

    EXPECT_EQ(Dll.Call(Command(archive, Temp.Path() + "無い\\")), ArchiverSourceError);
    EXPECT_EQ(Dll.Output, "フォルダが見つかりません: " + Temp.Path() + "無い\\");

    // A source file another program holds open without sharing cannot be read.
    const std::string locked = Temp.Path() + "表紙\\ソ\\能\\002.bin";
    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Dll.Call(Command(archive, folder)), ArchiverSourceError);
    EXPECT_EQ(Dll.Output.rfind("ファイルを開けません: ソ\\能\\002.bin", 0), 0u) << Dll.Output;
    CloseHandle(hold);

    // The archive's folder does not exist: it cannot be created.
    EXPECT_EQ(Dll.Call(Command(Temp.Path() + "無い\\x" + library.Extension, folder)), ArchiverWriteError);
    EXPECT_EQ(Dll.Output.rfind("書庫を作成できません: ", 0), 0u) << Dll.Output;

    ExpectRootHolds({"表紙"});
    EXPECT_FALSE(Dll.IsRunning());
}

// A name outside code page 932: an .lzh holds names in that code page, so the
// file is refused rather than stored as '?'; a cabinet stores it in UTF-8.
TEST_P(CabLhaDll, NameOutsideTheCodePage)
{
    const std::string folder = MakeTree();
    const std::wstring name = Wide(folder) + L"\xD55C\xAE00.txt";  // Korean, not in code page 932
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(file);
    const int result = Dll.Call(Command(Archive("表紙"), folder));
    DeleteFileW(name.c_str());  // the folder's removal goes by ANSI names
    if (GetParam().Read == ReadLzh) {
        EXPECT_EQ(result, ArchiverSourceError);
        EXPECT_EQ(Dll.Output, "LZH書庫に格納できない文字を含む名前です: ??.txt");
        ExpectRootHolds({"表紙"});
    } else {
        ASSERT_EQ(result, 0) << Dll.Output;
        const TFileByteSource source(Wide(Archive("表紙")), Archive("表紙"));
        const std::vector<TEntryDigest> digests = ReadCabinetDigests(source, "");
        EXPECT_TRUE(std::any_of(digests.begin(), digests.end(), [](const TEntryDigest& d) { return d.Name == "\xED\x95\x9C\xEA\xB8\x80.txt"; }));
    }
}

TEST_P(CabLhaDll, OutputBufferIsAlwaysTerminatedWithinItsSize)
{
    const std::string folder = MakeTree();
    const std::string bad = std::string(GetParam().Add) + " -x \"" + Archive("a") + "\" \"" + folder + "\" *.*";
    // Call checks the guard bytes past the given size.
    EXPECT_EQ(Dll.Call(bad, 1), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "");
    EXPECT_EQ(Dll.Call(bad, 6), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Output, "不明");  // whole characters only
    EXPECT_EQ(Dll.CallRaw(bad.c_str(), nullptr, 1024), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.CallRaw(nullptr, nullptr, 0), ArchiverBadCommandLine);
    EXPECT_EQ(Dll.Call(Command(Archive("ok"), folder), 3), 0);
    EXPECT_LE(Dll.Output.size(), 2u);
    EXPECT_TRUE(TTempFolder::Exists(Archive("ok")));
}

TEST_P(CabLhaDll, CancelInTheProgressWindowStopsAndRemovesThePartialArchive)
{
    for (int i = 0; i < 24; ++i) Temp.AddFile("大\\" + std::to_string(i) + ".txt", SampleBytes(2000000, i));
    const std::string folder = Temp.Path() + "大\\";
    std::atomic<int> result{-1};
    TArchiverDll other(GetParam().Dll, GetParam().Function);
    std::thread call([&] { result = Dll.Call(Command(Archive("大"), folder, false)); });

    // The window, once its Cancel button is there (the window comes first).
    HWND window = nullptr, cancel = nullptr;
    for (int i = 0; i < 3000 && !cancel && result == -1; ++i) {
        window = FindWindowA("FennoroArchiverProgress", nullptr);
        cancel = window ? GetDlgItem(window, IDCANCEL) : nullptr;
        if (!cancel) Sleep(5);
    }
    ASSERT_NE(cancel, nullptr) << "no progress window; result " << result;
    // While it runs the library says so, and refuses a second call.
    EXPECT_TRUE(Dll.IsRunning());
    EXPECT_EQ(other.Call(Command(Archive("b"), folder)), ArchiverBusy);
    SendMessageA(cancel, BM_CLICK, 0, 0);
    call.join();
    EXPECT_EQ(result, ArchiverCancelled);
    EXPECT_EQ(Dll.Output, "中断されました");
    EXPECT_FALSE(Dll.IsRunning());
    ExpectRootHolds({"大"});
}

// The system's reader decodes blocks past a folder's count; the read-back
// refuses a count that wrapped before it decodes anything.
TEST(CabReadBack, AFolderWhoseBlockCountWrappedIsRefused)
{
    const std::vector<uint8_t> whole = MakeCabinet({{0x8000, 0x8000, 100}}, {{0, 0, 0x10000}, {0, 0x10000, 100}});
    const std::vector<TEntryDigest> digests = ReadCabinetDigests(TMemorySource(whole), "t.cab");
    ASSERT_EQ(digests.size(), 2u);
    EXPECT_EQ(digests[0].Size, 0x10000u);
    EXPECT_EQ(digests[0].Crc, Crc32Update(0, std::string(0x10000, 'x').data(), 0x10000));

    const std::vector<uint8_t> wrapped = MakeCabinet({{0x8000, 0x8000, 100}}, {{0, 0, 0x10000}, {0, 0x10000, 100}}, {1});
    try {
        ReadCabinetDigests(TMemorySource(wrapped), "t.cab");
        ADD_FAILURE() << "a wrapped block count was read back";
    } catch (const TArchiverError& error) {
        EXPECT_EQ(error.Code, ArchiverVerifyError);
        EXPECT_EQ(AnsiFromUtf8(error.what()), "書庫の検査に失敗しました(フォルダのデータブロック数が内容と合いません): t.cab");
    }
}

INSTANTIATE_TEST_SUITE_P(Libraries, CabLhaDll, testing::Values(Lha, Cab),
                         [](const testing::TestParamInfo<TLibrary>& info) { return std::string(info.param.Function); });
