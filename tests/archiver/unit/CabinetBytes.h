#pragma once
// Cabinets built byte by byte for the tests: folders of stored data blocks and
// the files they hold, with the folders' block counts as given.
#include "archiver/common/ArchiveStream.h"

#include <cstdint>
#include <vector>

struct TCabinetFile {
    uint16_t Folder;
    uint32_t Offset, Size;
};

// Folders of stored blocks of the given uncompressed sizes; counts, where
// given, replace the block counts the folders' headers state.
inline std::vector<uint8_t> MakeCabinet(const std::vector<std::vector<uint16_t>>& folders, const std::vector<TCabinetFile>& files,
                                        const std::vector<uint16_t>& counts = {})
{
    const uint32_t filesAt = 36 + 8 * static_cast<uint32_t>(folders.size());
    std::vector<uint8_t> entries;
    for (const TCabinetFile& file : files) {
        PutLe32(entries, file.Size);
        PutLe32(entries, file.Offset);
        PutLe16(entries, file.Folder);
        PutLe32(entries, 0);  // date and time
        PutLe16(entries, 0);  // attributes
        entries.push_back('f');
        entries.push_back(0);
    }
    uint32_t dataAt = filesAt + static_cast<uint32_t>(entries.size());
    std::vector<uint8_t> folderHeaders, data;
    for (size_t i = 0; i < folders.size(); ++i) {
        PutLe32(folderHeaders, dataAt + static_cast<uint32_t>(data.size()));
        PutLe16(folderHeaders, i < counts.size() ? counts[i] : static_cast<uint16_t>(folders[i].size()));
        PutLe16(folderHeaders, 0);  // stored
        for (uint16_t size : folders[i]) {
            PutLe32(data, 0);
            PutLe16(data, size);
            PutLe16(data, size);
            data.insert(data.end(), size, 'x');
        }
    }
    std::vector<uint8_t> cabinet = {'M', 'S', 'C', 'F'};
    PutLe32(cabinet, 0);
    PutLe32(cabinet, dataAt + static_cast<uint32_t>(data.size()));
    PutLe32(cabinet, 0);
    PutLe32(cabinet, filesAt);
    PutLe32(cabinet, 0);
    cabinet.push_back(3);
    cabinet.push_back(1);
    PutLe16(cabinet, static_cast<uint16_t>(folders.size()));
    PutLe16(cabinet, static_cast<uint16_t>(files.size()));
    PutLe16(cabinet, 0);  // flags
    PutLe32(cabinet, 0);  // set and number in it
    cabinet.insert(cabinet.end(), folderHeaders.begin(), folderHeaders.end());
    cabinet.insert(cabinet.end(), entries.begin(), entries.end());
    cabinet.insert(cabinet.end(), data.begin(), data.end());
    return cabinet;
}
