#pragma once
// Where a compression's time goes, phase by phase, for a timing build only
// (CMake option FENNORO_PHASE_TIMES): such a build appends each compress job's
// totals to "fennoro-phases.txt" beside the executable. In a normal build every
// member does nothing, so the job pays a few empty calls per folder.
#include <cstddef>
#include <cstdint>

enum class TCompressPhase {
    Other,        // building paths, sizes, anything not named below
    SafetyWalk,   // the lock, the walks of the tree before and after, identities
    Library,      // loading the archiver, finding its exports, the running check
    Packing,      // the call, up to its read-back
    ReadBack,     // the call reading its archive back
    Commit,       // the call flushing, closing and renaming the archive
    Counting,     // the library counting the archive's files
    Recycling,    // the shell moving the folder to the recycle bin, its question too
    Window,       // the round trips to the window: rows picked and updated, status texts
    Count
};

class TCompressPhases {
public:
    // Ends the phase under way and begins this one; returns the one ended.
    TCompressPhase Enter(TCompressPhase phase);
    // The folder's archiver call reports: the read-back has begun, or it is done.
    void CallReport(bool readingBack, bool finished);
    void FolderDone() { ++Folders; }
    // Ends the job: a timing build writes its totals.
    void Finish();

private:
    TCompressPhase Phase = TCompressPhase::Other;
    int64_t Since = 0;
    int64_t Ticks[static_cast<size_t>(TCompressPhase::Count)] = {};
    size_t Folders = 0;
};
