#include "archiver/common/win32/ArchiverCall.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/TextConvert.h"

#include <algorithm>
#include <climits>

#include <atomic>
#include <mutex>
#include <new>
#include <optional>

namespace {

// Per library: archiver_common is linked statically into each DLL.
std::atomic<int> RunningCalls{0};

// The library's static C++ runtime leaves a few kilobytes behind each time the
// library is loaded and freed again, and a caller loads it anew for every
// folder: once used, it stays loaded for the rest of the process.
void StayLoaded()
{
    static std::atomic<bool> pinned{false};
    if (pinned.exchange(true)) return;
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&RunningCalls), &self);
}

// The last archive made and verified, and its files.
std::mutex VerifiedLock;
std::optional<std::pair<TArchiveIdentity, size_t>> Verified;

std::optional<size_t> VerifiedFileCount(const TArchiveIdentity& identity)
{
    std::lock_guard<std::mutex> guard(VerifiedLock);
    if (Verified && Verified->first == identity) return Verified->second;
    return std::nullopt;
}

// The call's answer in the call's code.
void Answer(LPSTR output, DWORD outputSize, std::string_view text)
{
    CopyToOutputBuffer(output, outputSize, ToCallText(text), IsUnicodeMode());
}

} // namespace

int RunArchiverCall(LPSTR output, DWORD outputSize, const std::function<std::string()>& body)
{
    StayLoaded();
    int expected = 0;
    if (!RunningCalls.compare_exchange_strong(expected, 1)) {
        Answer(output, outputSize, "他の書庫処理が実行中のため使用できません");
        return ArchiverBusy;
    }
    int result = ArchiverOk;
    try {
        const std::string text = body();
        Answer(output, outputSize, text);
    } catch (const TArchiverError& error) {
        Answer(output, outputSize, error.what());
        result = error.Code;
    } catch (const std::bad_alloc&) {
        Answer(output, outputSize, "メモリが不足しています");
        result = ArchiverInternalError;
    } catch (const std::exception& error) {
        Answer(output, outputSize, std::string("予期しないエラーです: ") + error.what());
        result = ArchiverInternalError;
    } catch (...) {
        Answer(output, outputSize, "予期しないエラーです");
        result = ArchiverInternalError;
    }
    RunningCalls = 0;
    return result;
}

BOOL ArchiverIsRunning()
{
    StayLoaded();
    return RunningCalls.load() != 0 ? TRUE : FALSE;
}

int CountArchiveFiles(LPCSTR archive, const std::function<std::vector<TEntryDigest>(const TByteSource&)>& read)
{
    StayLoaded();
    if (!archive || !*archive) return -1;
    try {
        const std::string name = FromCallText(archive);
        std::wstring path = Utf8ToWide(name);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        const TFileByteSource source(path, name);
        TArchiveIdentity identity;
        if (source.Identity(identity)) {
            if (const auto known = VerifiedFileCount(identity)) return *known > INT_MAX ? -1 : static_cast<int>(*known);
        }
        size_t files = 0;
        for (const TEntryDigest& entry : read(source)) files += entry.IsDirectory ? 0 : 1;
        return files > INT_MAX ? -1 : static_cast<int>(files);
    } catch (...) {
        return -1;
    }
}

void RememberVerifiedArchive(const TArchiveIdentity& identity, size_t files)
{
    std::lock_guard<std::mutex> guard(VerifiedLock);
    Verified.reset();
    if (identity.Index != 0) Verified.emplace(identity, files);
}
