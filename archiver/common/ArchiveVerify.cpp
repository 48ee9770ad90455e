#include "archiver/common/ArchiveVerify.h"

#include "archiver/common/ArchiverError.h"

namespace {

[[noreturn]] void Mismatch(const std::string& what, const TEntryDigest& entry)
{
    throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + what + "): " + entry.DisplayName);
}

} // namespace

void CompareEntryDigests(const std::vector<TEntryDigest>& written, const std::vector<TEntryDigest>& readBack)
{
    for (size_t i = 0; i < written.size(); ++i) {
        const TEntryDigest& expected = written[i];
        if (i >= readBack.size()) Mismatch("項目がありません", expected);
        const TEntryDigest& actual = readBack[i];
        if (actual.Name != expected.Name || actual.IsDirectory != expected.IsDirectory) Mismatch("名前が違います", expected);
        if (actual.Size != expected.Size) Mismatch("サイズが違います", expected);
        if (actual.Crc != expected.Crc) Mismatch("CRCが違います", expected);
    }
    if (readBack.size() > written.size()) {
        TEntryDigest extra = readBack[written.size()];
        extra.DisplayName = extra.Name;
        Mismatch("余分な項目があります", extra);
    }
}
