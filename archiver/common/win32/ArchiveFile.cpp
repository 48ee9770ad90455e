#include "archiver/common/win32/ArchiveFile.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ExactPath.h"
#include "archiver/common/win32/TemporaryFile.h"
#include "archiver/common/win32/TextConvert.h"

#include <cstring>

namespace {

constexpr size_t OutputBufferSize = 1 << 20;

// The unfinished archive's name: one no user gives a file.
constexpr wchar_t TemporaryPrefix[] = L"~fennoro-unfinished-";

std::string WithReason(const std::string& text, DWORD error) { return text + " (" + SystemErrorText(error) + ")"; }

// The folder part of a full wide path, with its separator.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}

bool IdentityOf(HANDLE file, TArchiveIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) return false;
    identity.Volume = information.dwVolumeSerialNumber;
    identity.Index = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    identity.Size = (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    identity.WriteTime = (static_cast<uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
                         information.ftLastWriteTime.dwLowDateTime;
    return identity.Index != 0;
}

} // namespace

TArchiveOutputFile::TArchiveOutputFile(const std::string& targetPath) : TargetName(targetPath)
{
    Target = AbsolutePath(Utf8ToWide(targetPath));
    if (Target.empty() || Target.back() == L'\\') {
        throw TArchiverError(ArchiverWriteError, "書庫のパスが正しくありません: " + targetPath);
    }
    if (GetFileAttributesW(ExactPath(Target).c_str()) != INVALID_FILE_ATTRIBUTES) {
        throw TArchiverError(ArchiverArchiveExists, "書庫が既に存在します: " + targetPath);
    }
    // A name of our own beside the target: same volume, so the final rename is atomic.
    RemoveStaleTemporaryFiles(FolderOf(Target), TemporaryPrefix);
    File = CreateTemporaryFile(FolderOf(Target), TemporaryPrefix, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, TempPath);
    if (File == INVALID_HANDLE_VALUE) {
        throw TArchiverError(ArchiverWriteError, WithReason("書庫を作成できません: " + targetPath, GetLastError()));
    }
    static_assert(sizeof Head == UnfinishedArchiveMarkSize);
    // The mark first: until the archive is complete its head is kept here, and a
    // leftover can be told from a user's file by it.
    DWORD marked = 0;
    LARGE_INTEGER start{};
    if (!WriteFile(File, UnfinishedArchiveMark, UnfinishedArchiveMarkSize, &marked, nullptr) ||
        marked != UnfinishedArchiveMarkSize || !SetFilePointerEx(File, start, nullptr, FILE_BEGIN)) {
        const DWORD error = GetLastError();
        CloseHandle(File);
        File = INVALID_HANDLE_VALUE;
        DeleteFileW(ExactPath(TempPath).c_str());
        throw TArchiverError(ArchiverWriteError, WithReason("書庫を作成できません: " + targetPath, error));
    }
    // Gone with the handle, however the call ends, until the archive takes its name.
    FILE_DISPOSITION_INFO disposition{TRUE};
    DeletedWithHandle = SetFileInformationByHandle(File, FileDispositionInfo, &disposition, sizeof disposition) != 0;
    Buffer.reserve(OutputBufferSize);
}

TArchiveOutputFile::~TArchiveOutputFile()
{
    if (DiskFlush.joinable()) DiskFlush.join();
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
    if (!Committed && !DeletedWithHandle && !TempPath.empty()) DeleteFileW(ExactPath(TempPath).c_str());
}

void TArchiveOutputFile::Fail(DWORD error) const
{
    throw TArchiverError(ArchiverWriteError, WithReason("書庫に書き込めません: " + TargetName, error));
}

// Writes all of it or throws with the reason. A full disk may first take part of
// a write and report success: the rest is written again, which then fails with
// the real reason instead of leaving an archive cut short.
void TArchiveOutputFile::WriteAll(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const DWORD step = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD written = 0;
        if (!WriteFile(File, p, step, &written, nullptr)) Fail(GetLastError());
        if (written == 0) Fail(ERROR_DISK_FULL);
        p += written;
        size -= written;
    }
}

void TArchiveOutputFile::WriteThrough(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    // The head waits here; the file keeps the mark in its place.
    if (!HeadRestored && WrittenBytes < UnfinishedArchiveMarkSize) {
        const size_t head = static_cast<size_t>(UnfinishedArchiveMarkSize - WrittenBytes) < size
                                ? static_cast<size_t>(UnfinishedArchiveMarkSize - WrittenBytes)
                                : size;
        std::memcpy(Head + static_cast<size_t>(WrittenBytes), p, head);
        WriteAll(UnfinishedArchiveMark + static_cast<size_t>(WrittenBytes), head);
        WrittenBytes += head;
        p += head;
        size -= head;
    }
    WriteAll(p, size);
    WrittenBytes += size;
}

void TArchiveOutputFile::RestoreHead()
{
    if (HeadRestored) return;
    const size_t head = WrittenBytes < UnfinishedArchiveMarkSize ? static_cast<size_t>(WrittenBytes)
                                                                 : UnfinishedArchiveMarkSize;
    LARGE_INTEGER at{}, end;
    end.QuadPart = static_cast<LONGLONG>(WrittenBytes);
    if (!SetFilePointerEx(File, at, nullptr, FILE_BEGIN)) Fail(GetLastError());
    WriteAll(Head, head);
    if (!SetFilePointerEx(File, end, nullptr, FILE_BEGIN)) Fail(GetLastError());
    // An archive shorter than the mark ends where it ends.
    if (!SetEndOfFile(File)) Fail(GetLastError());
    HeadRestored = true;
}

void TArchiveOutputFile::Write(const void* data, size_t size)
{
    if (Buffer.size() + size > OutputBufferSize) {
        FlushBuffer();
        if (size >= OutputBufferSize) {
            WriteThrough(data, size);
            return;
        }
    }
    const auto* p = static_cast<const uint8_t*>(data);
    Buffer.insert(Buffer.end(), p, p + size);
}

void TArchiveOutputFile::FlushBuffer()
{
    if (Buffer.empty()) return;
    WriteThrough(Buffer.data(), Buffer.size());
    Buffer.clear();
}

void TArchiveOutputFile::Flush()
{
    FlushBuffer();
    RestoreHead();
}

void TArchiveOutputFile::WriteAt(uint64_t position, const void* data, size_t size)
{
    if (position + size > Position()) throw TArchiverError(ArchiverInternalError, "書庫の書き込み位置が正しくありません");
    const auto* p = static_cast<const uint8_t*>(data);
    // The part still in the buffer is patched there; the rest on disk.
    if (position + size > WrittenBytes) {
        const uint64_t from = position > WrittenBytes ? position : WrittenBytes;
        std::memcpy(Buffer.data() + (from - WrittenBytes), p + (from - position), static_cast<size_t>(position + size - from));
        size = static_cast<size_t>(from - position);
    }
    // The part in the head kept here while the file holds the mark.
    if (!HeadRestored && position < UnfinishedArchiveMarkSize && size > 0) {
        const size_t head = static_cast<size_t>(UnfinishedArchiveMarkSize - position) < size
                                ? static_cast<size_t>(UnfinishedArchiveMarkSize - position)
                                : size;
        std::memcpy(Head + static_cast<size_t>(position), p, head);
        position += head;
        p += head;
        size -= head;
    }
    if (size == 0) return;
    LARGE_INTEGER at, end;
    at.QuadPart = static_cast<LONGLONG>(position);
    end.QuadPart = static_cast<LONGLONG>(WrittenBytes);
    if (!SetFilePointerEx(File, at, nullptr, FILE_BEGIN)) Fail(GetLastError());
    WriteAll(p, size);
    if (!SetFilePointerEx(File, end, nullptr, FILE_BEGIN)) Fail(GetLastError());
}

void TArchiveOutputFile::BeginDiskFlush()
{
    Flush();
    if (DiskFlush.joinable()) return;
    const HANDLE file = File;
    DiskFlush = std::thread([this, file] { DiskFlushError = FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError(); });
}

void TArchiveOutputFile::Commit()
{
    Flush();
    // The archive must be on the disk before it takes its name: the caller may
    // remove the folder as soon as the call succeeds.
    const auto notOnDisk = [&](DWORD error) {
        throw TArchiverError(ArchiverWriteError, WithReason("書庫をディスクに書き込めません: " + TargetName, error));
    };
    if (DiskFlush.joinable()) {
        DiskFlush.join();
        if (DiskFlushError != ERROR_SUCCESS) notOnDisk(DiskFlushError);
    } else if (!FlushFileBuffers(File)) {
        notOnDisk(GetLastError());
    }
    if (DeletedWithHandle) {
        FILE_DISPOSITION_INFO keep{FALSE};
        if (!SetFileInformationByHandle(File, FileDispositionInfo, &keep, sizeof keep)) notOnDisk(GetLastError());
        DeletedWithHandle = false;
    }
    if (!IdentityOf(File, CommittedIdentity)) CommittedIdentity = {};
    const HANDLE file = File;
    File = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file)) notOnDisk(GetLastError());
    if (!MoveFileExW(ExactPath(TempPath).c_str(), ExactPath(Target).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            throw TArchiverError(ArchiverArchiveExists, "書庫が既に存在します: " + TargetName);
        }
        throw TArchiverError(ArchiverWriteError, WithReason("書庫の名前を変更できません: " + TargetName, error));
    }
    Committed = true;
}

TFileByteSource::TFileByteSource(const std::wstring& path, const std::string& displayName) : DisplayName(displayName)
{
    File = CreateFileW(ExactPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size{};
    if (File == INVALID_HANDLE_VALUE || !GetFileSizeEx(File, &size)) {
        throw TArchiverError(ArchiverVerifyError, WithReason("書庫を検査のために開けません: " + DisplayName, GetLastError()));
    }
    FileSize = static_cast<uint64_t>(size.QuadPart);
}

TFileByteSource::TFileByteSource(HANDLE file, const std::string& displayName) : DisplayName(displayName)
{
    LARGE_INTEGER size{};
    HANDLE own = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) File = own;
    if (File == INVALID_HANDLE_VALUE || !GetFileSizeEx(File, &size)) {
        const DWORD error = GetLastError();
        throw TArchiverError(ArchiverVerifyError, WithReason("書庫を検査のために開けません: " + DisplayName, error));
    }
    FileSize = static_cast<uint64_t>(size.QuadPart);
}

bool TFileByteSource::Identity(TArchiveIdentity& identity) const { return IdentityOf(File, identity); }

TFileByteSource::~TFileByteSource()
{
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
}

void TFileByteSource::ReadAt(uint64_t position, void* data, size_t size) const
{
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD step = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD read = 0;
        if (!ReadFile(File, p, step, &read, &at) || read == 0) {
            throw TArchiverError(ArchiverVerifyError, "書庫を検査のために読み込めません: " + DisplayName);
        }
        p += read;
        size -= read;
        position += read;
    }
}
