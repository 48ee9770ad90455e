#include "engine/win32/PathLock.h"

#include <cstdint>
#include <cstdio>

namespace {

std::wstring FoldCase(std::wstring text)
{
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// Two independent 64-bit hashes: object names are shorter than a name may be.
void HashInto(const std::wstring& text, uint64_t& first, uint64_t& second)
{
    for (const wchar_t c : text) {
        first = (first ^ static_cast<uint16_t>(c)) * 0x100000001B3ULL;
        second = (second + static_cast<uint16_t>(c) + 1) * 0x9E3779B97F4A7C15ULL;
        second ^= second >> 29;
    }
}

// The mutex's name: the folder's identity, followed to what it leads to, and the
// folded name; the folded path where the folder cannot be opened (nothing can be
// archived there then, but two windows still must not meet).
std::wstring LockName(const std::wstring& path)
{
    const size_t last = path.find_last_of(L'\\');
    const std::wstring parent = last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
    const std::wstring name = FoldCase(last == std::wstring::npos ? path : path.substr(last + 1));
    uint64_t first = 0xCBF29CE484222325ULL;
    uint64_t second = 0x84222325CBF29CE4ULL;
    HashInto(name, first, second);
    ScopedHandle folder(CreateFileW(parent.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    wchar_t text[120];
    if (!parent.empty() && folder && folder.get() != INVALID_HANDLE_VALUE &&
        GetFileInformationByHandle(folder.get(), &info)) {
        swprintf(text, sizeof text / sizeof text[0], L"Local\\Fennoro-entry-%08lx-%08lx%08lx-%016llx%016llx-%zu",
                 info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow,
                 static_cast<unsigned long long>(first), static_cast<unsigned long long>(second), name.size());
        return text;
    }
    HashInto(FoldCase(parent), first, second);
    swprintf(text, sizeof text / sizeof text[0], L"Local\\Fennoro-path-%016llx%016llx-%zu",
             static_cast<unsigned long long>(first), static_cast<unsigned long long>(second), path.size());
    return text;
}

} // namespace

TPathLock::~TPathLock()
{
    for (const ScopedHandle& count : Below) WaitForSingleObject(count.get(), 0);
    for (const ScopedHandle& mutex : Held) ReleaseMutex(mutex.get());
}

namespace {

// The folders above a full path ("\\?\C:\a\b" gives "\\?\C:\a"), nearest first,
// down to the one below the volume's root.
std::vector<std::wstring> FoldersAbove(const std::wstring& path)
{
    std::vector<std::wstring> above;
    size_t rootEnd = 0;
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        rootEnd = path.find(L'\\', 8);
        if (rootEnd != std::wstring::npos) rootEnd = path.find(L'\\', rootEnd + 1);
    } else if (path.rfind(L"\\\\?\\", 0) == 0) {
        rootEnd = path.find(L'\\', 4);
    } else {
        rootEnd = path.find(L'\\');
    }
    if (rootEnd == std::wstring::npos) return above;
    for (size_t last = path.find_last_of(L'\\'); last != std::wstring::npos && last > rootEnd;
         last = path.find_last_of(L'\\', last - 1))
        above.push_back(path.substr(0, last));
    return above;
}

// The count of jobs at work below the folder whose lock has this name.
ScopedHandle BelowCount(const std::wstring& lockName)
{
    return ScopedHandle(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, (lockName + L"-below").c_str()));
}

// One at a time: the looks at the counts and the taking of the locks.
class TLockOrder {
public:
    TLockOrder() : Mutex(CreateMutexW(nullptr, FALSE, L"Local\\Fennoro-lock-order"))
    {
        if (!Mutex) return;
        const DWORD waited = WaitForSingleObject(Mutex.get(), 30000);
        Owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~TLockOrder()
    {
        if (Owned) ReleaseMutex(Mutex.get());
    }
    TLockOrder(const TLockOrder&) = delete;
    TLockOrder& operator=(const TLockOrder&) = delete;
    bool Owned = false;

private:
    ScopedHandle Mutex;
};

} // namespace

bool TPathLock::TryLockTree(const std::wstring& folder)
{
    TLockOrder order;
    if (!order.Owned) return false;
    // A job below this folder.
    const std::wstring name = LockName(folder);
    ScopedHandle below = BelowCount(name);
    if (!below) return false;
    LONG jobsBelow = 0;
    if (!ReleaseSemaphore(below.get(), 1, &jobsBelow)) return false;
    WaitForSingleObject(below.get(), 0);
    if (jobsBelow > 0) return false;
    // A job on a folder above it: its lock is held.
    std::vector<std::wstring> names;
    for (const std::wstring& above : FoldersAbove(folder)) {
        names.push_back(LockName(above));
        ScopedHandle mutex(CreateMutexW(nullptr, FALSE, names.back().c_str()));
        if (!mutex) return false;
        const DWORD waited = WaitForSingleObject(mutex.get(), 0);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
        ReleaseMutex(mutex.get());
    }
    if (!TryLock(folder)) return false;
    for (const std::wstring& above : names) {
        ScopedHandle share = BelowCount(above);
        if (!share || !ReleaseSemaphore(share.get(), 1, nullptr)) return false;
        Below.push_back(std::move(share));
    }
    return true;
}

bool TPathLock::TryLock(const std::wstring& path)
{
    ScopedHandle mutex(CreateMutexW(nullptr, FALSE, LockName(path).c_str()));
    if (!mutex) return false;
    // An abandoned lock: its owner ended without releasing it, so it is free.
    const DWORD waited = WaitForSingleObject(mutex.get(), 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    Held.push_back(std::move(mutex));
    return true;
}
