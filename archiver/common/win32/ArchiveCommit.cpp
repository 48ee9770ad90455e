#include "archiver/common/win32/ArchiveCommit.h"

#include "archiver/common/win32/TextConvert.h"

#include <algorithm>

namespace {

// The archive as the read-back reads it: every read and every piece a decoder
// makes hears Cancel, and the share of the archive read is the read-back's progress.
class TReadBackSource final : public TByteSource {
public:
    TReadBackSource(const TByteSource& source, TProgressWindow& progress) : Source(source), Progress(progress) {}
    uint64_t Size() const override { return Source.Size(); }
    void ReadAt(uint64_t position, void* data, size_t size) const override
    {
        Poll();
        Source.ReadAt(position, data, size);
        Read = std::min(Source.Size(), Read + size);
        Progress.SetReadBack(Read, Source.Size());
    }
    void Poll() const override { Progress.ThrowIfCancelled(); }

private:
    const TByteSource& Source;
    TProgressWindow& Progress;
    mutable uint64_t Read = 0;
};

} // namespace

void VerifyAndCommit(TArchiveOutputFile& output, TProgressWindow& progress, const std::vector<TEntryDigest>& written,
                     const std::function<std::vector<TEntryDigest>(const TByteSource&)>& readBack)
{
    output.Flush();
    progress.ThrowIfCancelled();
    {
        const TFileByteSource file(output.Handle(), WideToUtf8(output.TargetPath()));
        const TReadBackSource source(file, progress);
        progress.SetReadBack(0, file.Size());
        CompareEntryDigests(written, readBack(source));
    }
    progress.ReportFinished();
    progress.Close();
    progress.ThrowIfCancelled();
    output.Commit();
}
