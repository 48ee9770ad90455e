#pragma once
// A lock on a path shared by every Fennoro process of the session: two windows
// never archive the same folder, or write the same archive, at once. Keyed by the
// exact path without regard to case, as the file system compares names.
#include "toolkit/ScopedHandle.h"

#include <string>
#include <vector>

class TPathLock {
public:
    TPathLock() = default;
    ~TPathLock();
    TPathLock(const TPathLock&) = delete;
    TPathLock& operator=(const TPathLock&) = delete;

    // Takes the path's lock without waiting; false when another process holds it.
    // Released when the object goes, on the thread that took it.
    bool TryLock(const std::wstring& path);

private:
    std::vector<ScopedHandle> Held;
};
