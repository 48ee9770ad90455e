#include "archiver/cab/CabinetLayout.h"

#include "archiver/common/ArchiverError.h"

#include <algorithm>

namespace {

constexpr uint16_t PreviousCabinet = 0x0001, NextCabinet = 0x0002, ReservePresent = 0x0004;

class TLayoutReader {
public:
    TLayoutReader(const TByteSource& cabinet, const std::string& displayName) : Cabinet(cabinet), DisplayName(displayName) {}

    [[noreturn]] void Fail(const std::string& why) const
    {
        throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + why + "): " + DisplayName);
    }
    void Read(uint64_t position, void* data, size_t size) const
    {
        if (position > Cabinet.Size() || size > Cabinet.Size() - position) Fail("CAB書庫が途中で切れています");
        Cabinet.ReadAt(position, data, size);
    }
    // A zero-terminated string at position; returns the position after it.
    uint64_t SkipString(uint64_t position) const
    {
        for (size_t length = 0; length < 1024; ++length) {
            uint8_t c;
            Read(position++, &c, 1);
            if (c == 0) return position;
        }
        Fail("CAB書庫の名前が長すぎます");
    }

private:
    const TByteSource& Cabinet;
    const std::string& DisplayName;
};

} // namespace

std::vector<TCabinetFolderLayout> CheckCabinetLayout(const TByteSource& cabinet, const std::string& displayName)
{
    const TLayoutReader reader(cabinet, displayName);
    uint8_t header[36];
    reader.Read(0, header, sizeof header);
    if (GetLe32(header) != 0x4643534D) reader.Fail("CAB書庫ではありません");  // "MSCF"
    const uint32_t filesAt = GetLe32(header + 16);
    const uint16_t folderCount = GetLe16(header + 26), fileCount = GetLe16(header + 28), flags = GetLe16(header + 30);
    if (flags & (PreviousCabinet | NextCabinet)) reader.Fail("複数の書庫に分かれています");
    uint64_t at = sizeof header;
    uint8_t folderReserve = 0, blockReserve = 0;
    if (flags & ReservePresent) {
        uint8_t reserve[4];
        reader.Read(at, reserve, sizeof reserve);
        folderReserve = reserve[2];
        blockReserve = reserve[3];
        at += sizeof reserve + GetLe16(reserve);
    }

    std::vector<TCabinetFolderLayout> folders(folderCount);
    for (TCabinetFolderLayout& folder : folders) {
        uint8_t entry[8];
        reader.Read(at, entry, sizeof entry);
        folder.DataStart = GetLe32(entry);
        folder.BlockCount = GetLe16(entry + 4);
        at += sizeof entry + folderReserve;
    }
    at = filesAt;
    for (uint16_t i = 0; i < fileCount; ++i) {
        uint8_t entry[16];
        reader.Read(at, entry, sizeof entry);
        const uint16_t folder = GetLe16(entry + 8);
        if (folder >= folders.size()) reader.Fail("ファイルの属するフォルダがありません");
        folders[folder].FileBytes = std::max<uint64_t>(folders[folder].FileBytes, uint64_t{GetLe32(entry + 4)} + GetLe32(entry));
        at = reader.SkipString(at + sizeof entry);
    }
    for (TCabinetFolderLayout& folder : folders) {
        uint64_t block = folder.DataStart;
        for (uint32_t i = 0; i < folder.BlockCount; ++i) {
            uint8_t entry[8];
            reader.Read(block, entry, sizeof entry);
            const uint16_t packed = GetLe16(entry + 4), unpacked = GetLe16(entry + 6);
            if (unpacked > CabinetBlockBytes) reader.Fail("データブロックが大きすぎます");
            folder.BlockBytes += unpacked;
            block += sizeof entry + blockReserve + packed;
            if (block > cabinet.Size()) reader.Fail("CAB書庫が途中で切れています");
        }
        if (folder.BlockBytes != folder.FileBytes) reader.Fail("フォルダのデータブロック数が内容と合いません");
    }
    return folders;
}
