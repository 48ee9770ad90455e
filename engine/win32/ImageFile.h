#pragma once
// The page check on a file on disk, read through the wide file API so that long
// paths and any name reach the file.
#include "pages/ImageCheck.h"

#include <cstdint>
#include <string>

// A page's bytes told apart cheaply: its size and the CRC-32 of the bytes the
// check read, in the order read. Files with the same bytes have the same digest;
// the same digest proves nothing until the bytes are compared.
struct TPageDigest {
    uint64_t Size = 0;
    uint32_t Crc = 0;
    friend bool operator==(const TPageDigest&, const TPageDigest&) = default;
};

// The verdict on the file as a page (its first bytes decide how it is read). A
// file that cannot be opened or read is Unreadable. digest, when given, gets the
// file's digest as it is read.
TPageVerdict CheckImageFile(const std::wstring& path, TCheckDepth depth = TCheckDepth::Quick,
                            TPageDigest* digest = nullptr);

// True when both files can be read and hold the same bytes.
bool SameFileBytes(const std::wstring& first, const std::wstring& second);

// True when kind is None (not a page) or the file is a whole page.
bool IsIntactImageFile(TImageKind kind, const std::wstring& path, TCheckDepth depth = TCheckDepth::Quick);
