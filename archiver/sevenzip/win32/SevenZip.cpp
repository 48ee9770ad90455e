// 7-zip32.DLL: makes .zip and .7z archives through the archiver entry-point
// contract. Command:  a [-r] [-hide] [-tzip|-t7z] [-mx0..-mx9] ARCHIVE BASEFOLDER\ [PATTERN...]
#include "archiver/common/ArchiveVerify.h"
#include "archiver/common/ArchiverCommandLine.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ArchiveCommit.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/ArchiverCall.h"
#include "archiver/common/win32/ProgressWindow.h"
#include "archiver/common/win32/SourceTree.h"
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

struct TOptions {
    bool Recursive = false, Quiet = false;
    TFormat Format = TFormat::Unknown;
    // -mx level. For .zip the default 5 is zlib's fastest level that still finds
    // about as much as its 6 (on text often more), at nearly twice the speed; for
    // .7z it is LZMA's normal level (16 MiB dictionary, binary-tree match finder).
    int Level = 5;
};

bool IsLevelSwitch(std::string_view text)
{
    return text.size() == 4 && EqualsIgnoringAsciiCase(text.substr(0, 3), "-mx") && text[3] >= '0' && text[3] <= '9';
}

bool IsSevenZipSwitch(std::string_view text)
{
    for (const char* known : {"-r", "-hide", "-tzip", "-t7z"}) {
        if (EqualsIgnoringAsciiCase(text, known)) return true;
    }
    return IsLevelSwitch(text);
}

TOptions ReadOptions(const TArchiverCommandLine& command)
{
    TOptions options;
    for (const std::string& s : command.Switches) {
        if (EqualsIgnoringAsciiCase(s, "-r")) options.Recursive = true;
        else if (EqualsIgnoringAsciiCase(s, "-hide")) options.Quiet = true;
        else if (EqualsIgnoringAsciiCase(s, "-tzip")) options.Format = TFormat::Zip;
        else if (EqualsIgnoringAsciiCase(s, "-t7z")) options.Format = TFormat::SevenZip;
        else if (IsLevelSwitch(s)) options.Level = s[3] - '0';
    }
    if (options.Format == TFormat::Unknown) {
        const std::string& path = command.ArchivePath;
        const auto endsWith = [&](std::string_view suffix) {
            return path.size() >= suffix.size() && EqualsIgnoringAsciiCase(std::string_view(path).substr(path.size() - suffix.size()), suffix);
        };
        if (endsWith(".zip")) options.Format = TFormat::Zip;
        else if (endsWith(".7z")) options.Format = TFormat::SevenZip;
        else throw TArchiverError(ArchiverBadCommandLine, "書庫の形式を決められません(-tzip か -t7z を指定してください): " + path);
    }
    return options;
}

class TFileReader final : public TDataReader {
public:
    TFileReader(const std::wstring& path, const std::string& name) : File(path, name) {}
    size_t Read(void* data, size_t size) override { return File.Read(data, size); }

private:
    TSourceFile File;
};

std::string MakeArchive(HWND window, LPCSTR commandLine)
{
    if (!commandLine) throw TArchiverError(ArchiverBadCommandLine, "コマンドが指定されていません");
    const TArchiverCommandLine command = ParseArchiverCommandLine(commandLine, TArchiverSyntax{{"a"}, IsSevenZipSwitch});
    const TOptions options = ReadOptions(command);
    const TSourceTree tree = CollectSources(command.BaseFolder, command.Patterns, options.Recursive);

    std::vector<TPipelineEntry> entries;
    entries.reserve(tree.Entries.size());
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
            entry.Open = [path, name] { return std::make_unique<TFileReader>(path, name); };
        }
        entries.push_back(std::move(entry));
    }

    TProgressWindow progress(!options.Quiet, window, "圧縮中 - " + command.ArchivePath, command.BaseFolder, tree.FileCount);
    TArchiveOutputFile output(command.ArchivePath);
    const auto report = [&](size_t done, const TArchiveEntry& current) {
        progress.SetProgress(done, current.DisplayName);
        progress.ThrowIfCancelled();
    };
    std::vector<TEntryDigest> written;
    if (options.Format == TFormat::Zip) {
        TZipWriter writer(output);
        TPipelineOptions pipelineOptions;
        pipelineOptions.Level = options.Level;  // zlib's scale matches 7-Zip's: 0 stores, 9 packs hardest
        pipelineOptions.Progress = report;
        written = RunDeflatePipeline(entries, writer, pipelineOptions);
        writer.Finish();
    } else {
        TSevenZipWriter writer(output);
        TSolidOptions solidOptions;
        solidOptions.Level = options.Level;  // the LZMA levels: 0 stores, 5 the default, 9 packs hardest
        solidOptions.Progress = report;
        written = RunSolidPipeline(entries, writer, solidOptions);
        writer.Finish();
    }

    const TNameForMessages display = [](const std::string& utf8) { return Utf8ToAnsi(utf8); };
    VerifyAndCommit(output, progress, written, [&](const TByteSource& source) {
        if (options.Format == TFormat::Zip) return ReadZipDigests(source, display);
        // Decoding LZMA takes a while on large folders: Cancel is heard between reads.
        return ReadSevenZipDigests(TPolledSource(source, [&] { progress.ThrowIfCancelled(); }), display);
    });
    return std::to_string(tree.FileCount) + " 個のファイルを " + command.ArchivePath + " に格納しました";
}

} // namespace

extern "C" {

int WINAPI SevenZip(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    return RunArchiverCall(output, outputSize, [&] { return MakeArchive(window, commandLine); });
}

BOOL WINAPI SevenZipGetRunning(void) { return ArchiverIsRunning(); }

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
