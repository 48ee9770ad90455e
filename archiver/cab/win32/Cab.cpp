// CAB32.DLL: makes .cab archives through the archiver entry-point contract,
// with the system's cabinet library.
// Command:  -a [-r] [-i] ARCHIVE BASEFOLDER\ [PATTERN...]
//   -r  sub-folders too, stored with their paths below the base folder
//   -i  no progress window
#include "archiver/cab/win32/CabReader.h"
#include "archiver/cab/win32/CabWriter.h"
#include "archiver/common/ArchiveVerify.h"
#include "archiver/common/ArchiverCommandLine.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiveCommit.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/ArchiverCall.h"
#include "archiver/common/win32/ProgressWindow.h"
#include "archiver/common/win32/SourceTree.h"
#include "archiver/common/win32/TextConvert.h"

#include <windows.h>

namespace {

bool IsCabSwitch(std::string_view text)
{
    return EqualsIgnoringAsciiCase(text, "-r") || EqualsIgnoringAsciiCase(text, "-i");
}

bool HasSwitch(const TArchiverCommandLine& command, std::string_view name)
{
    for (const std::string& s : command.Switches) {
        if (EqualsIgnoringAsciiCase(s, name)) return true;
    }
    return false;
}

// The file as the cabinet stores it: a plain ASCII name as it is, any other
// in UTF-8 with the attribute that says so, so no name depends on a code page.
TCabSource MakeCabSource(const TSourceEntry& entry)
{
    TCabSource source;
    source.Path = entry.Path;
    source.DisplayName = DisplayName(entry);
    source.NameInCabinet = WideToUtf8(entry.RelativePath);
    for (char c : source.NameInCabinet) {
        if (static_cast<unsigned char>(c) >= 0x80) source.Utf8Name = true;
    }
    if (source.NameInCabinet.size() > MaxCabinetNameBytes) {
        throw TArchiverError(ArchiverSourceError, "名前が長すぎてCAB書庫に格納できません: " + source.DisplayName);
    }
    if (entry.Size > MaxCabinetFileSize) {
        throw TArchiverError(ArchiverSourceError, "2GB以上のファイルはCAB書庫に格納できません: " + source.DisplayName);
    }
    source.DosDateTime = DosDateTime(entry.LastWriteTime);
    source.Attributes = static_cast<uint16_t>(entry.Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    return source;
}

std::string MakeArchive(HWND window, LPCSTR commandLine)
{
    if (!commandLine) throw TArchiverError(ArchiverBadCommandLine, "コマンドが指定されていません");
    const TArchiverCommandLine command = ParseArchiverCommandLine(commandLine, TArchiverSyntax{{"-a"}, IsCabSwitch});
    const bool recursive = HasSwitch(command, "-r");
    const bool quiet = HasSwitch(command, "-i");
    const TSourceTree tree = CollectSources(command.BaseFolder, command.Patterns, recursive);

    // A cabinet keeps files only: folders come with the paths of their files.
    std::vector<TCabSource> sources;
    for (const TSourceEntry& entry : tree.Entries) {
        if (!entry.IsDirectory) sources.push_back(MakeCabSource(entry));
    }
    if (sources.empty()) throw TArchiverError(ArchiverSourceError, "圧縮するファイルがありません: " + command.BaseFolder);
    if (sources.size() > MaxCabinetFiles) {
        throw TArchiverError(ArchiverSourceError, "ファイルが多すぎてCAB書庫に格納できません: " + command.BaseFolder);
    }

    TProgressWindow progress(!quiet, window, "圧縮中 - " + command.ArchivePath, command.BaseFolder, sources.size());
    TArchiveOutputFile output(command.ArchivePath);
    std::vector<TEntryDigest> written;
    {
        TCabWriter writer(output, [&] { progress.ThrowIfCancelled(); });
        for (const TCabSource& source : sources) {
            progress.SetProgress(written.size(), source.DisplayName);
            progress.ThrowIfCancelled();
            written.push_back(writer.AddFile(source));
        }
        progress.SetProgress(written.size(), "");
        writer.Finish();
    }
    VerifyAndCommit(output, progress, written, [&](const TByteSource& source) { return ReadCabinetDigests(source, command.ArchivePath); });
    return std::to_string(sources.size()) + " 個のファイルを " + command.ArchivePath + " に格納しました";
}

} // namespace

extern "C" {

int WINAPI Cab(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    return RunArchiverCall(output, outputSize, [&] { return MakeArchive(window, commandLine); });
}

BOOL WINAPI CabGetRunning(void) { return ArchiverIsRunning(); }

int WINAPI CabGetFileCount(LPCSTR archive)
{
    return CountArchiveFiles(archive, [&](const TByteSource& source) { return ReadCabinetDigests(source, archive); });
}

} // extern "C"
