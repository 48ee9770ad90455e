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
    for (const ScopedHandle& mutex : Held) ReleaseMutex(mutex.get());
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
