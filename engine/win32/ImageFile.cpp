#include "engine/win32/ImageFile.h"

#include "engine/win32/LongPath.h"
#include "toolkit/ScopedHandle.h"

#include <windows.h>

namespace {

// Reads at an offset on a plain (not overlapped) handle: the offset travels in
// the OVERLAPPED block, so no separate seek is needed.
class TFileByteSource final : public TByteSource {
public:
    TFileByteSource(HANDLE file, uint64_t size) : File(file), Length(size) {}
    uint64_t Size() const override { return Length; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        auto* out = static_cast<char*>(buffer);
        while (size > 0) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const DWORD wanted = static_cast<DWORD>(size < 0x100000 ? size : 0x100000);
            DWORD read = 0;
            if (!ReadFile(File, out, wanted, &read, &at) || read == 0) return false;
            out += read;
            offset += read;
            size -= read;
        }
        return true;
    }

private:
    HANDLE File;
    uint64_t Length;
};

} // namespace

bool IsIntactImageFile(TImageKind kind, const std::wstring& path)
{
    if (kind == TImageKind::None) return true;
    // Shared for everything: the check must not stand in the way of a program
    // that writes, renames or deletes the file meanwhile.
    ScopedHandle file(CreateFileW(FileApiPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || file.get() == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
    TFileByteSource source(file.get(), static_cast<uint64_t>(size.QuadPart));
    return IsIntactImage(kind, source);
}
