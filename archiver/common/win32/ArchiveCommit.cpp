#include "archiver/common/win32/ArchiveCommit.h"

#include "archiver/common/win32/TextConvert.h"

void VerifyAndCommit(TArchiveOutputFile& output, TProgressWindow& progress, const std::vector<TEntryDigest>& written,
                     const std::function<std::vector<TEntryDigest>(const TByteSource&)>& readBack)
{
    output.Flush();
    progress.ThrowIfCancelled();
    {
        const TFileByteSource source(output.TemporaryPath(), WideToUtf8(output.TargetPath()));
        CompareEntryDigests(written, readBack(source));
    }
    progress.Close();
    progress.ThrowIfCancelled();
    output.Commit();
}
