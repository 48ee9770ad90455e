// The transfer collector on the real clipboard: renderings, the temporary file
// offered as CF_HDROP, another process reading them, and the teardown at exit.
// The executable doubles as that other process (see main at the end).
#include "base/WideText.h"
#include "transfer/TDataCopyDrag.h"

#include "listview/ListViewExport.h"
#include "base/PathUtility.h"
#include "toolkit/ScopedHandle.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

CLIPFORMAT CsvFormat()
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Csv"));
}

std::string ReadFileBytes(const std::string& path)
{
    FILE* file = _wfopen(WideText(path).c_str(), L"rb");
    if (!file) return "<missing>";
    std::string bytes;
    char block[4096];
    for (size_t read; (read = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, read);
    std::fclose(file);
    return bytes;
}

// The file list of a DROPFILES block (wide names) in UTF-8, its NULs kept.
std::string DroppedList(const std::string& drop)
{
    const auto* wide = reinterpret_cast<const wchar_t*>(drop.data() + sizeof(DROPFILES));
    const size_t length = (drop.size() - sizeof(DROPFILES)) / sizeof(wchar_t);
    std::string list;
    for (size_t start = 0; start < length;) {
        size_t end = start;
        while (end < length && wide[end] != L'\0') ++end;
        list += Utf8Text(std::wstring_view(wide + start, end - start)) + '\0';
        start = end + 1;
    }
    return list;
}

std::string BlockBytes(HGLOBAL block)
{
    TGlobalLock lock(block);
    return lock ? std::string(static_cast<const char*>(lock.Get()), lock.Size()) : std::string();
}

// The first path of a CF_HDROP block and how many it lists.
std::pair<std::string, UINT> FirstDroppedPath(HGLOBAL block)
{
    char path[MAX_PATH] = {};
    const UINT count = DragQueryFileA(static_cast<HDROP>(block), 0xFFFFFFFF, nullptr, 0);
    DragQueryFileA(static_cast<HDROP>(block), 0, path, sizeof path);
    return {path, count};
}

// The clipboard's bytes in a format, read through OLE as a consumer in this process would.
std::optional<std::string> OleClipboardBytes(CLIPFORMAT format)
{
    IDataObject* raw = nullptr;
    if (OleGetClipboard(&raw) != S_OK || !raw) return std::nullopt;
    TComRef<IDataObject> data(raw);
    FORMATETC request{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&request, &medium) != S_OK) return std::nullopt;
    std::string bytes = medium.tymed == TYMED_HGLOBAL ? BlockBytes(medium.hGlobal) : std::string("<medium>");
    ReleaseStgMedium(&medium);
    return bytes;
}

std::vector<std::string> SubdirectoryNames(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    ScopedFind find(FindFirstFileA((directory + "\\*").c_str(), &found));
    if (find.get() == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find.get(), &found));
    return names;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path)
{
    std::string from = path;
    from.append(2, '\0');
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&operation);
}

// The three renderings of the worked example of the list export.
struct Renderings {
    std::string Tab, Csv, Sylk;
};

Renderings ExampleRenderings()
{
    TListViewSnapshot list;
    list.CheckBoxes = true;
    list.Columns = {{120, CellKindLeft}, {60, CellKindRight}};
    list.Rows = {{true, {"a\"b", "12"}}, {false, {"表x", "7"}}};
    return {ListViewToTabText(list, true, false), ListViewToCsvText(list, true, false),
            ListViewToSylkText(list, true, false)};
}

// Collects them as the main window does: tab, CSV (with NUL), SYLK (without).
void AddRenderings(TDataCopyDrag& transfer, const Renderings& r)
{
    ASSERT_TRUE(transfer.AddText(r.Tab));
    ASSERT_TRUE(transfer.AddData(CsvFormat(), r.Csv.c_str(), r.Csv.size() + 1));
    ASSERT_TRUE(transfer.AddData(CF_SYLK, r.Sylk.data(), r.Sylk.size()));
}

std::string SelfPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

// Runs this executable with `arguments` and serves this thread's messages
// until it ends (the clipboard asks the owner to render while it waits).
DWORD RunChild(const std::string& arguments)
{
    std::string command = "\"" + SelfPath() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 0xDEAD;
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, 120000, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) break;
        if (wait != WAIT_OBJECT_0 + 1) {
            TerminateProcess(info.hProcess, 0xDEAD);
            return 0xDEAD;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    DWORD code = 0xDEAD;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

// What the reader process found: one entry per line of its report.
struct ClipboardReport {
    std::optional<std::string> Text, Csv, Sylk, Drop;
    std::string DroppedPath;
    UINT DroppedCount = 0;
    std::string DroppedFileContent;
};

// Records are "name length\n" followed by the bytes; absent ones are "name -\n".
void WriteRecord(std::ostream& out, const char* name, const std::optional<std::string>& bytes)
{
    if (!bytes) {
        out << name << " -\n";
        return;
    }
    out << name << ' ' << bytes->size() << '\n';
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
}

std::optional<std::string> ReadRecord(std::istream& in, const char* name)
{
    std::string tag, size;
    in >> tag >> size;
    in.get();
    if (tag != name || size == "-") return std::nullopt;
    std::string bytes(std::strtoul(size.c_str(), nullptr, 10), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::optional<std::string> ClipboardBytes(UINT format)
{
    HANDLE data = GetClipboardData(format);
    if (!data) return std::nullopt;
    return BlockBytes(data);
}

// The reader process: reads the clipboard with the plain clipboard functions.
int ReaderMain(const std::string& reportPath)
{
    bool open = false;
    for (int attempt = 0; attempt < 500 && !(open = OpenClipboard(nullptr)); ++attempt) Sleep(10);
    if (!open) return 2;
    std::ofstream out(reportPath, std::ios::binary);
    WriteRecord(out, "text", ClipboardBytes(CF_TEXT));
    WriteRecord(out, "csv", ClipboardBytes(CsvFormat()));
    WriteRecord(out, "sylk", ClipboardBytes(CF_SYLK));
    HANDLE drop = GetClipboardData(CF_HDROP);
    WriteRecord(out, "drop", drop ? std::optional<std::string>(BlockBytes(drop)) : std::nullopt);
    if (drop) {
        const auto [path, count] = FirstDroppedPath(drop);
        WriteRecord(out, "path", path);
        WriteRecord(out, "count", std::to_string(count));
        WriteRecord(out, "content", ReadFileBytes(path));
    }
    CloseClipboard();
    return out ? 0 : 3;
}

ClipboardReport ReadReport(const std::string& reportPath)
{
    ClipboardReport report;
    std::ifstream in(reportPath, std::ios::binary);
    report.Text = ReadRecord(in, "text");
    report.Csv = ReadRecord(in, "csv");
    report.Sylk = ReadRecord(in, "sylk");
    report.Drop = ReadRecord(in, "drop");
    if (report.Drop) {
        report.DroppedPath = ReadRecord(in, "path").value_or("");
        report.DroppedCount = std::strtoul(ReadRecord(in, "count").value_or("0").c_str(), nullptr, 10);
        report.DroppedFileContent = ReadRecord(in, "content").value_or("");
    }
    return report;
}

// Points the system's temporary directory at a fresh folder of this test.
void UseTemporaryRoot(const std::string& root)
{
    SetEnvironmentVariableA("TMP", root.c_str());
    SetEnvironmentVariableA("TEMP", root.c_str());
}

// The writer process of the teardown test: copies, says where its file went, and exits.
int WriterMain(const std::string& temporaryRoot, const std::string& reportPath)
{
    UseTemporaryRoot(temporaryRoot);
    TDataCopyDrag& transfer = TDataCopyDrag::Instance();
    transfer.SetFileName("List.txt");
    const Renderings r = ExampleRenderings();
    if (!transfer.AddText(r.Tab) || !transfer.AddData(CsvFormat(), r.Csv.c_str(), r.Csv.size() + 1) ||
        !transfer.AddData(CF_SYLK, r.Sylk.data(), r.Sylk.size()))
        return 4;
    if (transfer.CopyToClipboard() != 1) return 5;
    std::ofstream(reportPath, std::ios::binary) << transfer.TemporaryDirectory();
    return 0; // the collector is torn down after this
}

class TransferClipboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        char base[MAX_PATH] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, base), 0u);
        SavedTemp = base;
        Root = SavedTemp + "fennoro-transfer-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(Root);
        ASSERT_TRUE(CreateDirectoryA(Root.c_str(), nullptr));
        UseTemporaryRoot(Root);
        Transfer.SetFileName(nullptr);
    }

    void TearDown() override
    {
        Transfer.SetFileName(nullptr);
        UseTemporaryRoot(SavedTemp);
        RemoveTree(Root);
    }

    std::string SavedTemp;
    std::string Root;
    TDataCopyDrag& Transfer = TDataCopyDrag::Instance();
};

} // namespace

TEST_F(TransferClipboard, AnotherProcessReadsEveryRenderingAndTheFile)
{
    const Renderings r = ExampleRenderings();
    Transfer.SetFileName("List.txt");
    AddRenderings(Transfer, r);
    EXPECT_EQ(Transfer.PendingCount(), 4u);  // the text in UTF-16 and in ANSI
    ASSERT_EQ(Transfer.CopyToClipboard(), 1);
    EXPECT_EQ(Transfer.PendingCount(), 0u);

    const std::string directory = Transfer.TemporaryDirectory();
    ASSERT_EQ(SubdirectoryNames(Root).size(), 1u);
    EXPECT_EQ(directory, Root + "\\" + SubdirectoryNames(Root)[0]);
    const std::string file = directory + "\\List.txt";
    EXPECT_EQ(ReadFileBytes(file), FileFormOfText(r.Tab));

    const std::string reportPath = Root + "\\report.bin";
    ASSERT_EQ(RunChild("--read-clipboard \"" + reportPath + "\""), 0u);
    const ClipboardReport report = ReadReport(reportPath);
    EXPECT_EQ(report.Text, FileFormOfText(r.Tab) + '\0');
    EXPECT_EQ(report.Csv, r.Csv + '\0');
    EXPECT_EQ(report.Sylk, r.Sylk);
    ASSERT_TRUE(report.Drop);
    EXPECT_EQ(report.DroppedCount, 1u);
    EXPECT_EQ(report.DroppedPath, file);
    EXPECT_EQ(report.DroppedFileContent, FileFormOfText(r.Tab));

    // The DROPFILES block: list at 20, point (0, 0), non-client, wide, one path, two NULs.
    const std::string drop = *report.Drop;
    const std::wstring widePath = WideText(file);
    ASSERT_EQ(drop.size(), 20 + (widePath.size() + 2) * sizeof(wchar_t));
    DROPFILES header;
    std::memcpy(&header, drop.data(), sizeof header);
    EXPECT_EQ(header.pFiles, 20u);
    EXPECT_EQ(header.pt.x, 0);
    EXPECT_EQ(header.pt.y, 0);
    EXPECT_EQ(header.fNC, TRUE);
    EXPECT_EQ(header.fWide, TRUE);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(drop.data() + 20), widePath.size() + 2),
              widePath + std::wstring(2, L'\0'));
}

TEST_F(TransferClipboard, RenderingsReadBackThroughOleInThisProcess)
{
    const Renderings r = ExampleRenderings();
    AddRenderings(Transfer, r);
    ASSERT_EQ(Transfer.CopyToClipboard(), 1);
    EXPECT_EQ(OleClipboardBytes(CF_TEXT), FileFormOfText(r.Tab) + '\0');
    EXPECT_EQ(OleClipboardBytes(CsvFormat()), r.Csv + '\0');
    EXPECT_EQ(OleClipboardBytes(CF_SYLK), r.Sylk);
    EXPECT_EQ(OleClipboardBytes(CF_HDROP), std::nullopt); // no file name: no file
    EXPECT_TRUE(SubdirectoryNames(Root).empty());
}

TEST_F(TransferClipboard, TwoTransfersLeaveOnlyTheSecondDirectory)
{
    AddRenderings(Transfer, ExampleRenderings());
    ASSERT_EQ(Transfer.CopyToClipboard("first.txt"), 1);
    const std::string first = Transfer.TemporaryDirectory();
    ASSERT_TRUE(Exists(first + "\\first.txt"));

    ASSERT_TRUE(Transfer.AddText("second\r\n"));
    ASSERT_EQ(Transfer.CopyToClipboard("second.txt"), 1);
    const std::string second = Transfer.TemporaryDirectory();
    EXPECT_NE(first, second);
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(ReadFileBytes(second + "\\second.txt"), "second\r\n");
    EXPECT_EQ(SubdirectoryNames(Root).size(), 1u);

    const auto drop = OleClipboardBytes(CF_HDROP);
    ASSERT_TRUE(drop);
    EXPECT_EQ(DroppedList(*drop), second + "\\second.txt" + std::string(2, '\0'));
}

TEST_F(TransferClipboard, ATakenTickCountNameMovesOnToTheNextNumber)
{
    const DWORD start = GetTickCount();
    constexpr DWORD taken = 300;
    char name[16];
    for (DWORD n = start; n < start + taken; ++n) {
        std::snprintf(name, sizeof name, "%lx", static_cast<unsigned long>(n));
        ASSERT_TRUE(CreateDirectoryA((Root + "\\" + name).c_str(), nullptr));
    }
    ASSERT_TRUE(Transfer.AddText("x"));
    ASSERT_EQ(Transfer.CopyToClipboard("List.txt"), 1);
    const DWORD after = GetTickCount();

    const std::string directory = Transfer.TemporaryDirectory();
    ASSERT_FALSE(directory.empty());
    const std::string own = directory.substr(Root.size() + 1);
    const DWORD number = std::strtoul(own.c_str(), nullptr, 16);
    EXPECT_GE(number, start + taken);
    if (after < start + taken) {
        EXPECT_EQ(number, start + taken); // every name before it was taken
    }
    EXPECT_EQ(SubdirectoryNames(Root).size(), taken + 1);
    EXPECT_EQ(ReadFileBytes(directory + "\\List.txt"), "x");
}

TEST_F(TransferClipboard, AnUnwritableTemporaryDirectoryOffersNoFileButTheRest)
{
    const std::string missing = Root + "\\missing\\deeper";
    UseTemporaryRoot(missing);
    const Renderings r = ExampleRenderings();
    AddRenderings(Transfer, r);
    // The search for a free name gives up instead of running for ever.
    ASSERT_EQ(Transfer.CopyToClipboard("List.txt"), 1);
    EXPECT_EQ(Transfer.TemporaryDirectory(), "");
    EXPECT_FALSE(Exists(missing));
    EXPECT_EQ(OleClipboardBytes(CF_HDROP), std::nullopt);
    EXPECT_EQ(OleClipboardBytes(CF_TEXT), FileFormOfText(r.Tab) + '\0');
    EXPECT_EQ(OleClipboardBytes(CF_SYLK), r.Sylk);
}

TEST_F(TransferClipboard, UnsafeFileNamesOfferNoFile)
{
    const char* const unsafe[] = {"..\\escape.txt", "sub\\List.txt", "sub/List.txt", "..", ".", "dot.",
                                  "C:List.txt",     "\\List.txt",    "NUL",          "con.txt", "com1",
                                  "LPT9.log",       "a|b.txt",       "a*.txt",       "tab\tname", ""};
    for (const char* name : unsafe) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsPlainFileName(name));
        ASSERT_TRUE(Transfer.AddText("text"));
        EXPECT_EQ(Transfer.CopyToClipboard(name), 1);
        EXPECT_EQ(OleClipboardBytes(CF_HDROP), std::nullopt);
        EXPECT_EQ(OleClipboardBytes(CF_TEXT), std::string("text", 5));
        EXPECT_TRUE(SubdirectoryNames(Root).empty());
    }
    // A stored unsafe name is no name either.
    Transfer.SetFileName("..\\..\\List.txt");
    ASSERT_TRUE(Transfer.AddText("text"));
    EXPECT_EQ(Transfer.CopyToClipboard(), 1);
    EXPECT_EQ(OleClipboardBytes(CF_HDROP), std::nullopt);
    EXPECT_TRUE(SubdirectoryNames(Root).empty());
    EXPECT_FALSE(Exists(SavedTemp + "List.txt") && ReadFileBytes(SavedTemp + "List.txt") == "text");
}

TEST_F(TransferClipboard, JapaneseNamesWithTrailBytesAreWritten)
{
    // 表 ends in 0x5C, ポ in 0x7C ('|'): both are characters, not separators or pipes.
    for (const std::string name : {"表.txt", "ポ一覧.txt", "List.txt", "Vol..2.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsPlainFileName(name));
        ASSERT_TRUE(Transfer.AddText("本文"));
        ASSERT_EQ(Transfer.CopyToClipboard(name.c_str()), 1);
        const auto drop = OleClipboardBytes(CF_HDROP);
        ASSERT_TRUE(drop);
        const std::string path = Transfer.TemporaryDirectory() + "\\" + name;
        EXPECT_EQ(DroppedList(*drop), path + std::string(2, '\0'));
        EXPECT_EQ(ReadFileBytes(path), FileFormOfText("本文"));
    }
}

TEST_F(TransferClipboard, StoredNameNeedsATextRendering)
{
    Transfer.SetFileName("List.txt");
    EXPECT_STREQ(Transfer.FileName(), "List.txt");
    const std::string csv = "1,\"a\"\r\n";
    ASSERT_TRUE(Transfer.AddData(CsvFormat(), csv.c_str(), csv.size() + 1));
    ASSERT_EQ(Transfer.CopyToClipboard(), 1);
    EXPECT_EQ(OleClipboardBytes(CF_HDROP), std::nullopt);
    EXPECT_EQ(OleClipboardBytes(CsvFormat()), csv + '\0');
    EXPECT_TRUE(SubdirectoryNames(Root).empty());

    // The argument wins over the stored name; null clears the stored one.
    ASSERT_TRUE(Transfer.AddText("t"));
    ASSERT_EQ(Transfer.CopyToClipboard("Other.txt"), 1);
    EXPECT_TRUE(Exists(Transfer.TemporaryDirectory() + "\\Other.txt"));
    Transfer.SetFileName(nullptr);
    EXPECT_EQ(Transfer.FileName(), nullptr);
}

TEST_F(TransferClipboard, AnEmptyTransferEmptiesTheClipboard)
{
    ASSERT_TRUE(Transfer.AddText("before"));
    ASSERT_EQ(Transfer.CopyToClipboard(), 1);
    ASSERT_EQ(OleClipboardBytes(CF_TEXT), std::string("before", 7));
    EXPECT_EQ(Transfer.CopyToClipboard(), 1);
    EXPECT_EQ(OleClipboardBytes(CF_TEXT), std::nullopt);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(TransferClipboard, AddDataRefusesWhatItCannotCopy)
{
    EXPECT_FALSE(Transfer.AddData(CF_TEXT, nullptr, 4));
    EXPECT_EQ(Transfer.PendingCount(), 0u);
    const char bytes[] = {'a', '\0', 'b'};
    ASSERT_TRUE(Transfer.AddData(CF_SYLK, bytes, sizeof bytes)); // bytes as given, NULs and all
    ASSERT_EQ(Transfer.CopyToClipboard(), 1);
    EXPECT_EQ(OleClipboardBytes(CF_SYLK), std::string(bytes, sizeof bytes));
}

TEST_F(TransferClipboard, SeveralPathsMakeOneFileList)
{
    ASSERT_TRUE(Transfer.AddFiles("\r\nC:\\表\\a\r\nC:\\b\tC:\\c\r\n"));
    ASSERT_EQ(Transfer.CopyToClipboard(), 1);
    const auto drop = OleClipboardBytes(CF_HDROP);
    ASSERT_TRUE(drop);
    const char expected[] = "C:\\表\\a\0C:\\b\0C:\\c\0"; // and the array's own NUL
    EXPECT_EQ(DroppedList(*drop), std::string(expected, sizeof expected));
}

TEST_F(TransferClipboard, TheClipboardOutlivesTheWriterAndItsDirectoryGoes)
{
    const std::string reportPath = Root + "\\writer.txt";
    ASSERT_EQ(RunChild("--write-and-exit \"" + Root + "\" \"" + reportPath + "\""), 0u);
    const std::string directory = ReadFileBytes(reportPath);
    ASSERT_EQ(directory.rfind(Root + "\\", 0), 0u);
    EXPECT_FALSE(Exists(directory));

    // Rendered before the writer ended, so the data is still there.
    const Renderings r = ExampleRenderings();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(ClipboardBytes(CF_TEXT), FileFormOfText(r.Tab) + '\0');
    const std::wstring unicode = WideText(r.Tab) + L'\0';
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT),
              std::string(reinterpret_cast<const char*>(unicode.data()), unicode.size() * sizeof(wchar_t)));
    EXPECT_EQ(ClipboardBytes(CsvFormat()), r.Csv + '\0');
    EXPECT_EQ(ClipboardBytes(CF_SYLK), r.Sylk);
    HANDLE drop = GetClipboardData(CF_HDROP);
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(FirstDroppedPath(drop).first, directory + "\\List.txt");
    CloseClipboard();
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--read-clipboard") == 0) return ReaderMain(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--write-and-exit") == 0) return WriterMain(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
