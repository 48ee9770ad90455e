// CAB32.DLL: makes .cab archives through the archiver entry-point contract,
// with the system's cabinet library.
// Command:  -a [-r] [-i] ARCHIVE BASEFOLDER\ [PATTERN...]
//   -r  sub-folders too, stored with their paths below the base folder
//   -i  no progress window
#include "archiver/cab/win32/CabReader.h"
#include "archiver/cab/win32/CabWriter.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiverCall.h"
#include "archiver/common/win32/MakeArchive.h"
#include "archiver/common/win32/ProgressCallback.h"
#include "archiver/common/win32/TextConvert.h"

#include <windows.h>

namespace {

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

// A cabinet keeps files only: folders come with the paths of their files.
class TCabFormat final : public TArchiveFormat {
public:
    TArchiverSwitches Switches() const override { return {"-a", "-r", "-i", nullptr}; }

    void Prepare(const TArchiverCommandLine& command, const TSourceTree& tree) override
    {
        for (const TSourceEntry& entry : tree.Entries) {
            if (!entry.IsDirectory) Sources.push_back(MakeCabSource(entry));
        }
        if (Sources.empty()) throw TArchiverError(ArchiverSourceError, "圧縮するファイルがありません: " + command.BaseFolder);
        if (Sources.size() > MaxCabinetFiles) {
            throw TArchiverError(ArchiverSourceError, "ファイルが多すぎてCAB書庫に格納できません: " + command.BaseFolder);
        }
    }

    std::vector<TEntryDigest> Write(const TSourceTree&, TByteSink& output, TProgressWindow& progress) override
    {
        std::vector<TEntryDigest> written;
        TCabWriter writer(output, [&] { progress.ThrowIfCancelled(); }, [&](uint64_t bytes) { progress.AddPackedBytes(bytes); });
        for (const TCabSource& source : Sources) {
            progress.SetProgress(written.size(), source.DisplayName);
            progress.ThrowIfCancelled();
            written.push_back(writer.AddFile(source));
        }
        progress.SetProgress(written.size(), "");
        writer.Finish();
        return written;
    }

    std::vector<TEntryDigest> ReadBack(const TByteSource& archive, const std::string& archivePath, const TProgressWindow&) override
    {
        return ReadCabinetDigests(archive, archivePath);
    }

private:
    std::vector<TCabSource> Sources;
};

} // namespace

extern "C" {

int WINAPI Cab(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    TCabFormat format;
    return MakeArchive(format, window, commandLine, output, outputSize);
}

BOOL WINAPI CabGetRunning(void) { return ArchiverIsRunning(); }

// On: the command line, the output buffer and every name are UTF-8; off: the ANSI code page.
BOOL WINAPI CabSetUnicodeMode(BOOL on)
{
    SetUnicodeMode(on != FALSE);
    return TRUE;
}

// For calls made later from the calling thread; null removes it (ProgressWindow.h reports to it).
BOOL WINAPI CabSetProgressCallback(ARCHIVER_PROGRESS_CALLBACK callback, LPVOID context)
{
    SetThreadProgressCallback(callback, context);
    return TRUE;
}

int WINAPI CabGetFileCount(LPCSTR archive)
{
    return CountArchiveFiles(archive, [&](const TByteSource& source) { return ReadCabinetDigests(source, archive); });
}

} // extern "C"
