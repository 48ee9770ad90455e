#include "engine/win32/PathLock.h"

#include <cstdint>
#include <cstdio>

namespace {

// A name for the path's mutex: object names are shorter than any path may be,
// so the path goes in as two independent 64-bit hashes of its folded form.
std::wstring LockName(const std::wstring& path)
{
    std::wstring folded = path;
    if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    uint64_t first = 0xCBF29CE484222325ULL;
    uint64_t second = 0x84222325CBF29CE4ULL;
    for (const wchar_t c : folded) {
        first = (first ^ static_cast<uint16_t>(c)) * 0x100000001B3ULL;
        second = (second + static_cast<uint16_t>(c) + 1) * 0x9E3779B97F4A7C15ULL;
        second ^= second >> 29;
    }
    wchar_t name[80];
    swprintf(name, sizeof name / sizeof name[0], L"Local\\Fennoro-path-%016llx%016llx-%zu",
             static_cast<unsigned long long>(first), static_cast<unsigned long long>(second), folded.size());
    return name;
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
