#include "engine/win32/ImageFile.h"

#include "engine/win32/LongPath.h"
#include "toolkit/ScopedHandle.h"

#include <windows.h>

namespace {

// Plain reads from the file's own position, moved only when a read starts
// elsewhere. (A read at an OVERLAPPED offset costs Wine one more server request
// per read; a page check is bound by such round trips, not by its bytes.)
class TFileByteSource final : public TByteSource {
public:
    TFileByteSource(HANDLE file, uint64_t size) : File(file), Length(size) {}
    uint64_t Size() const override { return Length; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset != Position) {
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(offset);
            if (!SetFilePointerEx(File, to, nullptr, FILE_BEGIN)) return false;
            Position = offset;
        }
        auto* out = static_cast<char*>(buffer);
        while (size > 0) {
            const DWORD wanted = static_cast<DWORD>(size < 0x1000000 ? size : 0x1000000);
            DWORD read = 0;
            if (!ReadFile(File, out, wanted, &read, nullptr) || read == 0) return false;
            out += read;
            Position += read;
            size -= read;
        }
        return true;
    }

private:
    HANDLE File;
    uint64_t Length;
    uint64_t Position = 0;
};

} // namespace

TPageVerdict CheckImageFile(const std::wstring& path, TCheckDepth depth)
{
    const TPageVerdict unreadable{TPageFault::Unreadable};
    // Shared for everything: the check must not stand in the way of a program
    // that writes, renames or deletes the file meanwhile.
    ScopedHandle file(CreateFileW(FileApiPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file || file.get() == INVALID_HANDLE_VALUE) return unreadable;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return unreadable;
    TFileByteSource source(file.get(), static_cast<uint64_t>(size.QuadPart));
    return CheckImage(source, depth);
}

bool IsIntactImageFile(TImageKind kind, const std::wstring& path, TCheckDepth depth)
{
    return kind == TImageKind::None || CheckImageFile(path, depth).Whole();
}
