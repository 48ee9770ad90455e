// UNLHA32.DLL: makes .lzh archives through the archiver entry-point contract.
// Command:  a [-d1] [-n] ARCHIVE BASEFOLDER\ [PATTERN...]
//   -d1  sub-folders too, stored with their paths below the base folder
//   -n   no progress window
#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/ArchiverCall.h"
#include "archiver/common/win32/MakeArchive.h"
#include "archiver/common/win32/ProgressCallback.h"
#include "archiver/common/win32/SourceFile.h"
#include "archiver/common/win32/TextConvert.h"
#include "archiver/lha/LhaReader.h"
#include "archiver/lha/LhaWriter.h"

#include <windows.h>

#include <stdexcept>

namespace {

constexpr uint64_t MaxLhaFileSize = 0xFFFFFFFFu;

// One part of a name as the archive stores it: in the ANSI code page, or in
// the Unicode mode in UTF-8 (lhasa and 7-Zip give such names back exactly; an
// archive holds one code only, since readers decode every name alike). A
// character the code cannot hold is refused rather than stored as '?', which
// would extract under another name.
std::string StoredName(std::wstring_view part, const TSourceEntry& entry)
{
    if (part.empty()) return {};
    const bool utf8 = IsUnicodeMode();
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    BOOL* const lostAt = utf8 ? nullptr : &lost;  // UTF-8 takes no default character
    const int length = WideCharToMultiByte(codePage, flags, part.data(), static_cast<int>(part.size()), nullptr, 0, nullptr, lostAt);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, part.data(), static_cast<int>(part.size()), text.data(), length, nullptr, lostAt);
    // 0xFF separates folders in the archive: no byte of a name may be one.
    if (lost || length == 0 || text.find('\xFF') != std::string::npos) {
        throw TArchiverError(ArchiverSourceError, "LZH書庫に格納できない文字を含む名前です: " + DisplayName(entry));
    }
    return text;
}

// The entry as the archive stores it: folders, file name, time, attributes.
TLhaEntry MakeLhaEntry(const TSourceEntry& source)
{
    TLhaEntry entry;
    size_t start = 0;
    const std::wstring& path = source.RelativePath;
    for (size_t at; (at = path.find(L'\\', start)) != std::wstring::npos; start = at + 1) {
        entry.Directories.push_back(StoredName(std::wstring_view(path).substr(start, at - start), source));
    }
    const std::string last = StoredName(std::wstring_view(path).substr(start), source);
    if (source.IsDirectory) {
        entry.Directories.push_back(last);
        entry.Attributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
        entry.FileName = last;
        entry.Attributes = static_cast<uint16_t>(source.Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    }
    const int32_t time = UnixTime(source.LastWriteTime);
    entry.UnixTime = time > 0 ? static_cast<uint32_t>(time) : 0;
    TLhaEntryHeader header;
    header.Directories = entry.Directories;
    header.FileName = entry.FileName;
    try {
        BuildLevel2Header(header);
    } catch (const std::length_error&) {
        throw TArchiverError(ArchiverSourceError, "名前が長すぎてLZH書庫に格納できません: " + DisplayName(source));
    }
    return entry;
}

// A source file as the writer reads it: checksummed for the verification,
// and the place where Cancel is noticed while a large file is packed.
class TSourceInput final : public TByteInput {
public:
    TSourceInput(const TSourceEntry& entry, TProgressWindow& progress)
        : File(entry.Path, DisplayName(entry), [&progress] { progress.ThrowIfCancelled(); }), Progress(progress) {}
    size_t Read(void* buffer, size_t size) override
    {
        Progress.ThrowIfCancelled();
        const size_t n = File.Read(buffer, size);
        Progress.AddPackedBytes(n);
        Crc = Crc32Update(Crc, buffer, n);
        Size += n;
        return n;
    }
    uint32_t Crc = 0;
    uint64_t Size = 0;

private:
    TSourceFile File;
    TProgressWindow& Progress;
};

class TDigestOutput final : public TByteOutput {
public:
    void Write(const void* data, size_t size) override
    {
        Crc = Crc32Update(Crc, data, size);
        Size += size;
    }
    uint32_t Crc = 0;
    uint64_t Size = 0;
};

std::vector<TEntryDigest> ReadLhaDigests(const TByteSource& archive, const std::string& archiveName)
{
    // The names as the mode stores them (StoredName), shown in UTF-8.
    const auto display = [](const std::string& stored) { return IsUnicodeMode() ? stored : AnsiToUtf8(stored); };
    std::vector<TEntryDigest> found;
    std::string where = archiveName;
    try {
        TByteSourceInput input(archive);
        TLhaReader reader(input);
        TLhaEntryHeader header;
        while (reader.Next(header)) {
            const std::string stored = LhaEntryPath(header, '\\');
            where = display(stored);
            TDigestOutput data;
            reader.Extract(data);
            TEntryDigest digest;
            digest.Name = stored;
            digest.DisplayName = where;
            digest.IsDirectory = header.Method == "-lhd-";
            digest.Size = data.Size;
            digest.Crc = data.Crc;
            found.push_back(std::move(digest));
        }
        where = archiveName;
        reader.CheckEnd();
    } catch (const TLhaFormatError& error) {
        throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + std::string(error.what()) + "): " + where);
    }
    return found;
}

class TLhaFormat final : public TArchiveFormat {
public:
    TArchiverSwitches Switches() const override { return {"a", "-d1", "-n", nullptr}; }

    // Everything that can be refused is refused before the archive is begun. The
    // entries are made again while writing: in a deep tree every entry holds
    // every folder above it, too much to keep for all at once.
    void Prepare(const TArchiverCommandLine&, const TSourceTree& tree) override
    {
        for (const TSourceEntry& source : tree.Entries) {
            if (source.Size > MaxLhaFileSize) {
                throw TArchiverError(ArchiverSourceError, "4GB以上のファイルはLZH書庫に格納できません: " + DisplayName(source));
            }
            MakeLhaEntry(source);
        }
    }

    std::vector<TEntryDigest> Write(const TSourceTree& tree, TByteSink& output, TProgressWindow& progress) override
    {
        TLhaWriter writer(output);
        std::vector<TEntryDigest> written;
        size_t done = 0;
        for (const TSourceEntry& source : tree.Entries) {
            const TLhaEntry entry = MakeLhaEntry(source);
            progress.SetProgress(done, DisplayName(source));
            progress.ThrowIfCancelled();
            TEntryDigest digest;
            digest.DisplayName = DisplayName(source);
            digest.IsDirectory = source.IsDirectory;
            const TLhaEntryHeader header = [&] {
                if (source.IsDirectory) return writer.AddDirectory(entry);
                TSourceInput input(source, progress);
                try {
                    TLhaEntryHeader added = writer.AddFile(entry, input);
                    digest.Size = input.Size;
                    digest.Crc = input.Crc;
                    return added;
                } catch (const std::length_error&) { // the file grew while it was read
                    throw TArchiverError(ArchiverSourceError, "4GB以上のファイルはLZH書庫に格納できません: " + digest.DisplayName);
                }
            }();
            digest.Name = LhaEntryPath(header, '\\');
            written.push_back(std::move(digest));
            if (!source.IsDirectory) ++done;
        }
        writer.Finish();
        progress.SetProgress(done, "");
        return written;
    }

    std::vector<TEntryDigest> ReadBack(const TByteSource& archive, const std::string& archivePath, const TProgressWindow&) override
    {
        return ReadLhaDigests(archive, archivePath);
    }
};

} // namespace

extern "C" {

int WINAPI Unlha(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize)
{
    TLhaFormat format;
    return MakeArchive(format, window, commandLine, output, outputSize);
}

BOOL WINAPI UnlhaGetRunning(void) { return ArchiverIsRunning(); }

// On: the command line, the output buffer and every name are UTF-8; off: the ANSI code page.
BOOL WINAPI UnlhaSetUnicodeMode(BOOL on)
{
    SetUnicodeMode(on != FALSE);
    return TRUE;
}

// For calls made later from the calling thread; null removes it (ProgressWindow.h reports to it).
BOOL WINAPI UnlhaSetProgressCallback(ARCHIVER_PROGRESS_CALLBACK callback, LPVOID context)
{
    SetThreadProgressCallback(callback, context);
    return TRUE;
}

int WINAPI UnlhaGetFileCount(LPCSTR archive)
{
    return CountArchiveFiles(archive, [&](const TByteSource& source) { return ReadLhaDigests(source, archive); });
}

} // extern "C"
