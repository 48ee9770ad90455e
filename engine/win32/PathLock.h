#pragma once
// A lock on a folder entry shared by every Fennoro process of the session: two
// windows never archive the same folder, or write the same archive, at once.
// Keyed by what the path reaches, not by how it is spelled: the identity of the
// folder holding the entry (volume and file index, whatever link, mapped drive,
// short name or case led to it) and the entry's name without regard to case, as
// the file system compares names.
#include "toolkit/ScopedHandle.h"

#include <string>
#include <vector>

class TPathLock {
public:
    TPathLock() = default;
    ~TPathLock();
    TPathLock(const TPathLock&) = delete;
    TPathLock& operator=(const TPathLock&) = delete;

    // Takes the lock of the entry the path names (a full wide path without a
    // trailing separator) without waiting; false when another process or thread
    // holds it. Released when the object goes, on the thread that took it.
    bool TryLock(const std::wstring& path);

    // The same for a folder to be archived and removed, which also covers the
    // folders above and below it: false while another job holds a folder that
    // contains this one or lies inside it. Released with the object.
    bool TryLockTree(const std::wstring& folder);

private:
    std::vector<ScopedHandle> Held;
    // The counts of jobs below the folders above, this one's share of each.
    std::vector<ScopedHandle> Below;
};
