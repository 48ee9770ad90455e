#pragma once
// The steps every archiver call that makes an archive takes, written once:
// parse the command line, collect the sources, let the format refuse what it
// cannot hold, open the temporary output beside the progress window, let the
// format write, read the archive back, commit, and answer with the count.
// A library supplies only its format and keeps its exports thin:
//
//     int WINAPI Unlha(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
//     {
//         TLhaFormat format;
//         return MakeArchive(format, window, commandLine, output, outputSize);
//     }
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"
#include "archiver/common/ArchiverCommandLine.h"
#include "archiver/common/win32/ProgressWindow.h"
#include "archiver/common/win32/SourceTree.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The command a library takes and the two switches all of them know by
// different names; anything else is the format's own.
struct TArchiverSwitches {
    std::string Command;    // "a" or "-a"
    std::string Recursive;  // sub-folders too
    std::string Quiet;      // no progress window
    std::function<bool(std::string_view)> IsOwnSwitch;  // the format's further switches, or empty
};

// One format's part of a call. An object serves one call only.
class TArchiveFormat {
public:
    virtual ~TArchiveFormat() = default;

    virtual TArchiverSwitches Switches() const = 0;
    // Reads the format's own switches; may refuse the line before any source is read.
    virtual void ReadSwitches(const TArchiverCommandLine&) {}
    // Refuses (TArchiverError) what the format cannot hold, before the archive is begun.
    virtual void Prepare(const TArchiverCommandLine& command, const TSourceTree& tree) = 0;
    // Writes every entry and finishes the archive, reporting progress and
    // hearing Cancel; returns what was taken from the sources, in archive order.
    virtual std::vector<TEntryDigest> Write(const TSourceTree& tree, TByteSink& output, TProgressWindow& progress) = 0;
    // Decodes the written archive's entries for the comparison with Write's.
    virtual std::vector<TEntryDigest> ReadBack(const TByteSource& archive, const std::string& archivePath,
                                               const TProgressWindow& progress) = 0;
};

// The whole entry point: running bookkeeping and result code as RunArchiverCall
// gives them, the steps above in between.
int MakeArchive(TArchiveFormat& format, HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
