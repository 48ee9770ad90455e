#include "engine/win32/ImageFile.h"

#include "engine/win32/LongPath.h"
#include "pages/Crc32.h"
#include "toolkit/ScopedHandle.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

// Plain reads from the file's own position, moved only when a read starts
// elsewhere. (A read at an OVERLAPPED offset costs Wine one more server request
// per read; a page check is bound by such round trips, not by its bytes.)
class TFileByteSource final : public TByteSource {
public:
    TFileByteSource(HANDLE file, uint64_t size, uint32_t* crc) : File(file), Length(size), Crc(crc) {}
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
        if (Crc) *Crc = Crc32Continue(*Crc, buffer, static_cast<size_t>(out - static_cast<char*>(buffer)));
        return true;
    }

private:
    HANDLE File;
    uint64_t Length;
    uint32_t* Crc;  // the bytes read, when asked for
    uint64_t Position = 0;
};

ScopedHandle OpenShared(const std::wstring& path)
{
    // Shared for everything: the check must not stand in the way of a program
    // that writes, renames or deletes the file meanwhile.
    return ScopedHandle(CreateFileW(FileApiPath(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool Opened(const ScopedHandle& file) { return file && file.get() != INVALID_HANDLE_VALUE; }

} // namespace

TPageVerdict CheckImageFile(const std::wstring& path, TCheckDepth depth, TPageDigest* digest)
{
    const TPageVerdict unreadable{TPageFault::Unreadable};
    ScopedHandle file = OpenShared(path);
    if (!Opened(file)) return unreadable;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return unreadable;
    TPageDigest read{static_cast<uint64_t>(size.QuadPart), 0};
    TFileByteSource source(file.get(), read.Size, digest ? &read.Crc : nullptr);
    const TPageVerdict verdict = CheckImage(source, depth);
    if (digest) *digest = read;
    return verdict;
}

bool SameFileBytes(const std::wstring& first, const std::wstring& second)
{
    ScopedHandle a = OpenShared(first), b = OpenShared(second);
    if (!Opened(a) || !Opened(b)) return false;
    LARGE_INTEGER sizeA, sizeB;
    if (!GetFileSizeEx(a.get(), &sizeA) || !GetFileSizeEx(b.get(), &sizeB) || sizeA.QuadPart != sizeB.QuadPart) return false;
    constexpr DWORD Block = 1 << 16;
    std::vector<char> bufferA(Block), bufferB(Block);
    for (LONGLONG left = sizeA.QuadPart; left > 0;) {
        const DWORD wanted = static_cast<DWORD>(left < Block ? left : Block);
        DWORD readA = 0, readB = 0;
        if (!ReadFile(a.get(), bufferA.data(), wanted, &readA, nullptr) ||
            !ReadFile(b.get(), bufferB.data(), wanted, &readB, nullptr) || readA != wanted || readB != wanted)
            return false;
        if (std::memcmp(bufferA.data(), bufferB.data(), wanted) != 0) return false;
        left -= wanted;
    }
    return true;
}

bool IsIntactImageFile(TImageKind kind, const std::wstring& path, TCheckDepth depth)
{
    return kind == TImageKind::None || CheckImageFile(path, depth).Whole();
}
