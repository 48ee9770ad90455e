// 7-zip32.DLL: makes .zip and .7z archives through the archiver entry-point
// contract. Command:  a [-r] [-hide] [-tzip|-t7z] [-mx0..-mx9] ARCHIVE BASEFOLDER\ [PATTERN...]
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/ArchiverCall.h"
#include "archiver/common/win32/MakeArchive.h"
#include "archiver/common/win32/ProgressCallback.h"
#include "archiver/common/win32/SourceFile.h"
#include "archiver/common/win32/TextConvert.h"
#include "archiver/sevenzip/DeflatePipeline.h"
#include "archiver/sevenzip/SevenZipFormat.h"
#include "archiver/sevenzip/SolidPipeline.h"
#include "archiver/sevenzip/ZipFormat.h"

#include <windows.h>

#include <algorithm>
#include <memory>

namespace {

enum class TFormat { Unknown, Zip, SevenZip };

bool IsLevelSwitch(std::string_view text)
{
    return text.size() == 4 && EqualsIgnoringAsciiCase(text.substr(0, 3), "-mx") && text[3] >= '0' && text[3] <= '9';
}

bool IsFormatSwitch(std::string_view text)
{
    return EqualsIgnoringAsciiCase(text, "-tzip") || EqualsIgnoringAsciiCase(text, "-t7z") || IsLevelSwitch(text);
}

class TFileReader final : public TDataReader {
public:
    TFileReader(const std::wstring& path, const std::string& name, const TProgressWindow& progress)
        : File(path, name, [&progress] { progress.ThrowIfCancelled(); }) {}
    size_t Read(void* data, size_t size) override { return File.Read(data, size); }

private:
    TSourceFile File;
};

class TZipOrSevenZipFormat final : public TArchiveFormat {
public:
    TArchiverSwitches Switches() const override { return {"a", "-r", "-hide", IsFormatSwitch}; }

    void ReadSwitches(const TArchiverCommandLine& command) override
    {
        for (const std::string& s : command.Switches) {
            if (EqualsIgnoringAsciiCase(s, "-tzip")) Format = TFormat::Zip;
            else if (EqualsIgnoringAsciiCase(s, "-t7z")) Format = TFormat::SevenZip;
            else if (IsLevelSwitch(s)) Level = s[3] - '0';
        }
        if (Format != TFormat::Unknown) return;
        const std::string& path = command.ArchivePath;
        const auto endsWith = [&](std::string_view suffix) {
            return path.size() >= suffix.size() && EqualsIgnoringAsciiCase(std::string_view(path).substr(path.size() - suffix.size()), suffix);
        };
        if (endsWith(".zip")) Format = TFormat::Zip;
        else if (endsWith(".7z")) Format = TFormat::SevenZip;
        else throw TArchiverError(ArchiverBadCommandLine, "書庫の形式を決められません(-tzip か -t7z を指定してください): " + path);
    }

    void Prepare(const TArchiverCommandLine&, const TSourceTree& tree) override
    {
        Entries.reserve(tree.Entries.size());
        for (const TSourceEntry& source : tree.Entries) {
            TPipelineEntry entry;
            entry.Entry.Name = Utf8ArchiveName(source);
            entry.Entry.DisplayName = DisplayName(source);
            entry.Entry.IsDirectory = source.IsDirectory;
            entry.Entry.Attributes = source.Attributes & 0xFFFF;
            entry.Entry.LastWriteTime = source.LastWriteTime;
            entry.Entry.DosDateTime = DosDateTime(source.LastWriteTime);
            entry.Entry.UnixTime = UnixTime(source.LastWriteTime);
            entry.Entry.SizeHint = source.Size;
            if (!source.IsDirectory) {
                const std::wstring path = source.Path;
                const std::string name = entry.Entry.DisplayName;
                // Read on the pipeline's threads; a read that waits still hears Cancel.
                entry.Open = [this, path, name] { return std::make_unique<TFileReader>(path, name, *Progress); };
            }
            Entries.push_back(std::move(entry));
        }
    }

    std::vector<TEntryDigest> Write(const TSourceTree&, TByteSink& output, TProgressWindow& progress) override
    {
        Progress = &progress;
        const auto report = [&](size_t done, const TArchiveEntry& current, uint64_t bytesPacked) {
            progress.SetPackedBytes(bytesPacked);
            progress.SetProgress(done, current.DisplayName);
            progress.ThrowIfCancelled();
        };
        std::vector<TEntryDigest> written;
        if (Format == TFormat::Zip) {
            TZipWriter writer(output);
            TPipelineOptions pipelineOptions;
            pipelineOptions.Level = Level;  // zlib's scale matches 7-Zip's: 0 stores, 9 packs hardest
            pipelineOptions.Progress = report;
            written = RunDeflatePipeline(Entries, writer, pipelineOptions);
            writer.Finish();
        } else {
            TSevenZipWriter writer(output);
            TSolidOptions solidOptions;
            solidOptions.Level = Level;  // the LZMA levels: 0 stores, 5 the default, 9 packs hardest
            solidOptions.Progress = report;
            written = RunSolidPipeline(Entries, writer, solidOptions);
            writer.Finish();
        }
        return written;
    }

    std::vector<TEntryDigest> ReadBack(const TByteSource& archive, const std::string&, const TProgressWindow&) override
    {
        return Format == TFormat::Zip ? ReadZipDigests(archive) : ReadSevenZipDigests(archive);
    }

private:
    TFormat Format = TFormat::Unknown;
    // -mx level. For .zip the default 5 is zlib's fastest level that still finds
    // about as much as its 6 (on text often more), at nearly twice the speed; for
    // .7z it is LZMA's normal level (16 MiB dictionary, binary-tree match finder).
    int Level = 5;
    std::vector<TPipelineEntry> Entries;
    TProgressWindow* Progress = nullptr;  // of the Write under way
};

} // namespace

extern "C" {

int WINAPI SevenZip(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    TZipOrSevenZipFormat format;
    return MakeArchive(format, window, commandLine, output, outputSize);
}

BOOL WINAPI SevenZipGetRunning(void) { return ArchiverIsRunning(); }

// On: the command line, the output buffer and every name are UTF-8; off: the ANSI code page.
BOOL WINAPI SevenZipSetUnicodeMode(BOOL on)
{
    SetUnicodeMode(on != FALSE);
    return TRUE;
}

// For calls made later from the calling thread; null removes it (ProgressWindow.h reports to it).
BOOL WINAPI SevenZipSetProgressCallback(ARCHIVER_PROGRESS_CALLBACK callback, LPVOID context)
{
    SetThreadProgressCallback(callback, context);
    return TRUE;
}

// A .7z or a .zip, told by its signature rather than by its name.
int WINAPI SevenZipGetFileCount(LPCSTR archive)
{
    return CountArchiveFiles(archive, [](const TByteSource& source) {
        static const uint8_t magic[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
        uint8_t start[6] = {};
        if (source.Size() >= sizeof start) source.ReadAt(0, start, sizeof start);
        return std::equal(start, start + 6, magic) ? ReadSevenZipDigests(source) : ReadZipDigests(source);
    });
}

} // extern "C"
