// The progress-and-cancel callback of the three libraries, loaded by name as
// the program loads them: a large text file packed (by LZMA for the .7z, by
// deflate for the .zip, both on worker threads) reports on the calling thread
// often, with figures that only grow up to the whole; a FALSE ends the call
// soon with the cancel code and nothing beside the target. The .lzh and .zip
// calls run in the Unicode mode and get their file's name in UTF-8.
#include "archiver/common/ArchiverError.h"
#include "support/ArchiverTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using TCallback = BOOL(WINAPI*)(LPVOID, LPCSTR, ULONGLONG, ULONGLONG);
using TSetCallback = BOOL(WINAPI*)(TCallback, LPVOID);
using TSetMode = BOOL(WINAPI*)(BOOL);

struct TLibrary {
    const char* Dll;
    const char* Function;
    const char* Switches;    // the default profile's, quiet
    const char* Extension;
    bool Unicode;
    const wchar_t* FileName;
    const char* FileNameInCall;  // FileName as the callback gets it
    size_t FileSize;             // LZMA takes a few seconds a MiB here
};

const TLibrary SevenZip{"7-zip32.DLL", "SevenZip", "a -r -hide -t7z", ".7z", false, L"big.txt", "big.txt", 6u << 20};
const TLibrary Zip{"7-zip32.DLL", "SevenZip", "a -r -hide -tzip", ".zip", true, L"Pokémon.txt", "Pok\xC3\xA9mon.txt", 24u << 20};
const TLibrary Lha{"UNLHA32.DLL", "Unlha", "a -d1 -n", ".lzh", true, L"𠮷野家.txt", "\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6.txt",
                   12u << 20};
const TLibrary Cab{"CAB32.DLL", "Cab", "-a -r -i", ".cab", false, L"big.txt", "big.txt", 12u << 20};

struct TReport {
    ULONGLONG At;
    ULONGLONG Done, Total;
    std::string Name;
    DWORD Thread;
};

struct TRecorder {
    std::vector<TReport> Reports;
    ULONGLONG CancelAt = 0;  // a FALSE once Done reaches it (0: never)
    ULONGLONG CancelledAt = 0;

    static BOOL WINAPI Record(LPVOID context, LPCSTR name, ULONGLONG done, ULONGLONG total)
    {
        auto* self = static_cast<TRecorder*>(context);
        self->Reports.push_back({GetTickCount64(), done, total, name ? name : "<null>", GetCurrentThreadId()});
        if (self->CancelAt == 0 || done < self->CancelAt || self->CancelledAt) return TRUE;
        self->CancelledAt = GetTickCount64();
        return FALSE;
    }
};

// Pseudo-random text: LZMA packs it to about a third, slowly.
void WriteText(const std::wstring& path, size_t size)
{
    static const char* const words[] = {"page ", "scan ", "folder ", "archive ", "numbered ", "volume ", "chapter ", "the ",
                                        "of ", "and ", "image ", "cover ", "index ", "\r\n", "001 ", "spine "};
    std::string text;
    text.reserve(size + 16);
    uint32_t state = 12345;
    while (text.size() < size) {
        state = state * 1664525u + 1013904223u;
        text += words[state >> 28];
        if ((state & 0xFF) < 8) text += std::to_string(state % 100000) + ' ';
    }
    text.resize(size);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

class ProgressCallback : public testing::TestWithParam<TLibrary> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dll.Loaded());
        SetCallback = Dll.Export<TSetCallback>(std::string(GetParam().Function) + "SetProgressCallback");
        const auto setMode = Dll.Export<TSetMode>(std::string(GetParam().Function) + "SetUnicodeMode");
        ASSERT_TRUE(SetCallback && setMode);
        EXPECT_TRUE(setMode(GetParam().Unicode));
        Folder = Temp.AddFolder("pages") + "\\";
        WriteText(std::wstring(Folder.begin(), Folder.end()) + GetParam().FileName, GetParam().FileSize);
    }
    void TearDown() override
    {
        if (SetCallback) SetCallback(nullptr, nullptr);
    }

    // Runs the call with the recorder registered; returns the milliseconds it took.
    ULONGLONG Run(TRecorder& recorder, const std::string& archive)
    {
        EXPECT_TRUE(SetCallback(&TRecorder::Record, &recorder));
        const ULONGLONG start = GetTickCount64();
        Result = Dll.Call(std::string(GetParam().Switches) + " \"" + archive + "\" \"" + Folder + "\" *");
        Returned = GetTickCount64();
        // The longest wait for a report, from the call's start to its return.
        LongestGap = 0;
        ULONGLONG last = start;
        for (const TReport& report : recorder.Reports) {
            if (report.At - last > LongestGap) {
                LongestGap = report.At - last;
                GapEndsAt = report.Done;
            }
            last = report.At;
        }
        LongestGap = std::max(LongestGap, Returned - last);
        return Returned - start;
    }

    TArchiverDll Dll{GetParam().Dll, GetParam().Function};
    TSetCallback SetCallback = nullptr;
    TTempFolder Temp;
    std::string Folder;
    int Result = -1;
    ULONGLONG Returned = 0, LongestGap = 0, GapEndsAt = 0;
};

} // namespace

TEST_P(ProgressCallback, ReportsOftenOnTheCallingThreadUpToTheWholeAndAFalseCancels)
{
    const TLibrary& library = GetParam();
    TRecorder recorder;
    const ULONGLONG took = Run(recorder, Temp.Path() + "pages" + library.Extension);
    ASSERT_EQ(Result, ArchiverOk) << Dll.Output;
    ASSERT_GE(recorder.Reports.size(), 2u);
    const ULONGLONG total = recorder.Reports.front().Total;
    EXPECT_GE(total, library.FileSize);
    bool named = false;
    for (size_t i = 0; i < recorder.Reports.size(); ++i) {
        const TReport& report = recorder.Reports[i];
        EXPECT_EQ(report.Thread, GetCurrentThreadId());
        EXPECT_EQ(report.Total, total);
        EXPECT_LE(report.Done, report.Total);
        if (i > 0) {
            EXPECT_GE(report.Done, recorder.Reports[i - 1].Done) << i;
        }
        named = named || report.Name == library.FileNameInCall;
    }
    EXPECT_TRUE(named) << "no report named the file";
    EXPECT_EQ(recorder.Reports.back().Done, total);
    // Reports come every 20 to 40 ms; a loaded machine may stretch a gap, never to a second.
    EXPECT_LT(LongestGap, 1000u) << "over " << took << " ms";
    std::printf("%s: %zu reports in %llu ms, longest gap %llu ms (up to %llu of %llu bytes)\n", library.Dll, recorder.Reports.size(),
                took, LongestGap, GapEndsAt, total);

    // A FALSE once a sixteenth of the work is done.
    TRecorder cancelling;
    cancelling.CancelAt = total / 16;
    Run(cancelling, Temp.Path() + "cancelled" + library.Extension);
    EXPECT_EQ(Result, ArchiverCancelled) << Dll.Output;
    EXPECT_EQ(Dll.Output, library.Unicode ? "\xE4\xB8\xAD\xE6\x96\xAD\xE3\x81\x95\xE3\x82\x8C\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F"
                                          : "中断されました");
    ASSERT_NE(cancelling.CancelledAt, 0u);
    EXPECT_LT(Returned - cancelling.CancelledAt, 5000u);
    std::printf("%s: returned %llu ms after the FALSE\n", library.Dll, Returned - cancelling.CancelledAt);
    const std::vector<std::string> left{"pages", "pages" + std::string(library.Extension)};
    EXPECT_EQ(Temp.List(), left);
}

INSTANTIATE_TEST_SUITE_P(Libraries, ProgressCallback, testing::Values(SevenZip, Zip, Lha, Cab),
                         [](const testing::TestParamInfo<TLibrary>& info) { return std::string(info.param.Extension + 1); });
