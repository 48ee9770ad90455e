#pragma once
// A cabinet's layout as its headers give it, read without the system's
// library, which does not check it: a folder's data-block count is 16 bits
// wide, and a count that wrapped past 65,535 leaves blocks behind that the
// library may still decode. Each folder's blocks, as many as its count says,
// must hold exactly the bytes its files cover. Platform-free.
#include "archiver/common/ArchiveStream.h"

#include <cstdint>
#include <string>
#include <vector>

struct TCabinetFolderLayout {
    uint32_t DataStart = 0;   // offset of the first data block
    uint16_t BlockCount = 0;  // as the folder's header says
    uint64_t BlockBytes = 0;  // uncompressed bytes of those blocks
    uint64_t FileBytes = 0;   // where the folder's last file ends
};

// The uncompressed bytes one data block holds at most.
constexpr uint32_t CabinetBlockBytes = 0x8000;
// What a folder's blocks can hold: a larger folder's block count wraps.
constexpr uint64_t MaxCabinetFolderBytes = uint64_t{0xFFFF} * CabinetBlockBytes;

// Reads the headers and every block's header; throws TArchiverError
// (ArchiverVerifyError, naming displayName) when they do not hold together:
// a block or header past the end, a folder's blocks not covering its files
// exactly, a file in no folder or continued from another cabinet.
std::vector<TCabinetFolderLayout> CheckCabinetLayout(const TByteSource& cabinet, const std::string& displayName);
