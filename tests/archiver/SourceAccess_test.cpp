// How the libraries reach their files: the exact "\\?\" form of every path
// (names ending in a blank or a dot kept), and reads of sources that cannot
// hang a call: a source that is no file on a disk is refused when opened, and
// a read that waits on the system gives way to a stop (Cancel).
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ExactPath.h"
#include "archiver/common/win32/OverlappedReader.h"
#include "archiver/common/win32/SourceFile.h"
#include "support/ArchiverTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

TEST(SourceAccess, ExactPathKeepsEveryNameAndResolvesOnlyDotFolders)
{
    EXPECT_EQ(ExactPath(L"C:\\pics\\02.jpg."), L"\\\\?\\C:\\pics\\02.jpg.");
    EXPECT_EQ(ExactPath(L"C:/pics/sub. /./x/../nul.jpg "), L"\\\\?\\C:\\pics\\sub. \\nul.jpg ");
    EXPECT_EQ(ExactPath(L"C:\\pics\\aux\\"), L"\\\\?\\C:\\pics\\aux\\");
    EXPECT_EQ(ExactPath(L"\\\\server\\share\\a.\\b"), L"\\\\?\\UNC\\server\\share\\a.\\b");
    EXPECT_EQ(ExactPath(L"\\\\?\\C:\\a\\..\\b."), L"\\\\?\\C:\\a\\..\\b.");
    EXPECT_EQ(PlainPath(L"\\\\?\\UNC\\server\\share\\a"), L"\\\\server\\share\\a");

    wchar_t current[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_GT(length, 0u);
    std::wstring folder(current, length);
    if (folder.back() != L'\\') folder += L'\\';
    EXPECT_EQ(ExactPath(L"CON"), L"\\\\?\\" + folder + L"CON");
    EXPECT_EQ(ExactPath(L"\\x."), L"\\\\?\\" + folder.substr(0, 3) + L"x.");
}

namespace {

// A pipe that nobody writes to unless told: a read of it waits.
class TQuietPipe {
public:
    explicit TQuietPipe(const std::wstring& name) : Name(L"\\\\.\\pipe\\fennoro-" + name + L"-" + std::to_wstring(GetCurrentProcessId()))
    {
        Server = CreateNamedPipeW(Name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    }
    ~TQuietPipe() { CloseHandle(Server); }
    HANDLE OpenClient() const
    {
        return CreateFileW(Name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    }
    void Write(const std::string& text) const
    {
        DWORD written = 0;
        WriteFile(Server, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    std::wstring Name;
    HANDLE Server;
};

} // namespace

TEST(SourceAccess, AReadThatWaitsEndsOnAStopAndASourceOffTheDiskIsRefused)
{
    TQuietPipe pipe(L"read");
    ASSERT_NE(pipe.Server, INVALID_HANDLE_VALUE) << GetLastError();
    const HANDLE client = pipe.OpenClient();
    ASSERT_NE(client, INVALID_HANDLE_VALUE) << GetLastError();
    std::atomic<bool> stop{false};
    {
        TOverlappedReader reader(client, [&] {
            if (stop) throw TArchiverError(ArchiverCancelled, "中断されました");
        });
        char buffer[16];
        DWORD read = 0;
        pipe.Write("page");
        ASSERT_TRUE(reader.ReadAt(0, buffer, sizeof buffer, read));
        EXPECT_EQ(std::string(buffer, read), "page");

        std::atomic<DWORD> stoppedAt{0};
        std::thread stopper([&] {
            Sleep(200);
            stoppedAt = GetTickCount();
            stop = true;
        });
        EXPECT_THROW(reader.ReadAt(0, buffer, sizeof buffer, read), TArchiverError);
        const DWORD returnedAt = GetTickCount();
        stopper.join();
        EXPECT_LT(returnedAt - stoppedAt, 1000u);
        // The cancelled read is over: data written now is read by the next one.
        stop = false;
        pipe.Write("next");
        ASSERT_TRUE(reader.ReadAt(0, buffer, sizeof buffer, read));
        EXPECT_EQ(std::string(buffer, read), "next");
    }
    CloseHandle(client);

    const TQuietPipe other(L"source");
    try {
        TSourceFile file(other.Name, "pipe");
        ADD_FAILURE() << "a pipe was opened as a source";
    } catch (const TArchiverError& error) {
        EXPECT_EQ(error.Code, ArchiverSourceError);
        EXPECT_EQ(AnsiFromUtf8(error.what()), "通常のファイルではないため格納できません: pipe");
    }
}
