// The layout check of a cabinet, on cabinets built here byte by byte: what the
// system's library makes, and a folder whose 16-bit block count wrapped.
#include "archiver/cab/CabinetLayout.h"
#include "archiver/common/ArchiverError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TFile {
    uint16_t Folder;
    uint32_t Offset, Size;
};

// Folders of stored blocks of the given uncompressed sizes; counts, where
// given, replace the block counts the folders' headers state.
std::vector<uint8_t> MakeCabinet(const std::vector<std::vector<uint16_t>>& folders, const std::vector<TFile>& files,
                                 const std::vector<uint16_t>& counts = {})
{
    const uint32_t filesAt = 36 + 8 * static_cast<uint32_t>(folders.size());
    std::vector<uint8_t> entries;
    for (const TFile& file : files) {
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

std::string FailureOf(const std::vector<uint8_t>& cabinet)
{
    try {
        CheckCabinetLayout(TMemorySource(cabinet), "t.cab");
    } catch (const TArchiverError& error) {
        EXPECT_EQ(error.Code, ArchiverVerifyError);
        return error.what();
    }
    return "";
}

} // namespace

TEST(CabinetLayout, FoldersWhoseBlocksCoverTheirFilesPass)
{
    // Files share blocks, a file spans blocks, an empty file, and a folder without data.
    const auto cabinet = MakeCabinet({{0x8000, 0x8000, 100}, {50}, {}},
                                     {{0, 0, 10}, {0, 10, 0x10000 - 10}, {0, 0x10000, 100}, {1, 0, 50}, {2, 0, 0}});
    const std::vector<TCabinetFolderLayout> layout = CheckCabinetLayout(TMemorySource(cabinet), "t.cab");
    ASSERT_EQ(layout.size(), 3u);
    EXPECT_EQ(layout[0].BlockCount, 3);
    EXPECT_EQ(layout[0].BlockBytes, 0x10064u);
    EXPECT_EQ(layout[1].FileBytes, 50u);
    EXPECT_EQ(layout[2].BlockBytes, 0u);
}

TEST(CabinetLayout, AWrappedBlockCountOrDamagedHeadersFail)
{
    const std::string mismatch = "書庫の検査に失敗しました(フォルダのデータブロック数が内容と合いません): t.cab";
    // 65,537 blocks counted in 16 bits: the header says 1, and the files need 3.
    EXPECT_EQ(FailureOf(MakeCabinet({{0x8000, 0x8000, 0x8000}}, {{0, 0, 0x18000}}, {1})), mismatch);
    // A count of 0 after exactly 65,536 blocks, in the second folder.
    EXPECT_EQ(FailureOf(MakeCabinet({{10}, {0x8000, 0x8000}}, {{0, 0, 10}, {1, 0, 0x10000}}, {1, 0})), mismatch);
    // More blocks than the files cover.
    EXPECT_EQ(FailureOf(MakeCabinet({{0x8000, 0x8000}}, {{0, 0, 0x8000}})), mismatch);

    auto cut = MakeCabinet({{0x8000}}, {{0, 0, 0x8000}});
    cut.resize(cut.size() - 1);
    EXPECT_EQ(FailureOf(cut), "書庫の検査に失敗しました(CAB書庫が途中で切れています): t.cab");
    EXPECT_EQ(FailureOf(MakeCabinet({{10}}, {{1, 0, 10}})), "書庫の検査に失敗しました(ファイルの属するフォルダがありません): t.cab");
    EXPECT_EQ(FailureOf({'P', 'K', 3, 4}), "書庫の検査に失敗しました(CAB書庫が途中で切れています): t.cab");
}
