#include "archiver/common/win32/SourceFile.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ExactPath.h"
#include "archiver/common/win32/TextConvert.h"

namespace {

constexpr size_t MaxStep = 1u << 30;

} // namespace

TSourceFile::TSourceFile(const std::wstring& path, const std::string& displayName, std::function<void()> poll)
    : DisplayName(displayName)
{
    // No write sharing: a file another program is still writing (whose listing may
    // still show its old size) is refused with the system's reason, a sharing
    // violation, rather than archived half-written.
    const HANDLE file = CreateFileW(ExactPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("ファイルを開けません: ", GetLastError());
    File.reset(file);
    if (GetFileType(file) != FILE_TYPE_DISK) {
        throw TArchiverError(ArchiverSourceError, "通常のファイルではないため格納できません: " + DisplayName);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) Fail("ファイルを開けません: ", GetLastError());
    FileSize = static_cast<uint64_t>(size.QuadPart);
    Reader = std::make_unique<TOverlappedReader>(file, std::move(poll));
}

void TSourceFile::Fail(const char* what, DWORD error) const
{
    throw TArchiverError(ArchiverSourceError, what + DisplayName + " (" + SystemErrorText(error) + ")");
}

size_t TSourceFile::Read(void* data, size_t size)
{
    const size_t read = ReadAt(Position, data, size);
    Position += read;
    return read;
}

size_t TSourceFile::ReadAt(uint64_t position, void* data, size_t size)
{
    auto* p = static_cast<uint8_t*>(data);
    size_t total = 0;
    while (total < size) {
        DWORD read = 0;
        const DWORD step = static_cast<DWORD>(size - total < MaxStep ? size - total : MaxStep);
        if (!Reader->ReadAt(position + total, p + total, step, read)) Fail("ファイルを読み込めません: ", GetLastError());
        if (read == 0) break;
        total += read;
    }
    return total;
}
