// The layout check of a cabinet, on cabinets built here byte by byte: what the
// system's library makes, and a folder whose 16-bit block count wrapped.
#include "archiver/cab/CabinetLayout.h"
#include "archiver/common/ArchiverError.h"

#include "CabinetBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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
