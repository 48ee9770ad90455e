#include "archiver/lha/LhaWriter.h"

#include "archiver/lha/Crc16.h"
#include "archiver/lha/Lh5Encoder.h"

#include <stdexcept>

namespace {

constexpr size_t ChunkSize = 1 << 16;
// After this much input, data that has not shrunk by 3% is stored instead
// (images already compressed); the rest of it is then not compressed at all.
constexpr uint64_t ProbeSize = 1 << 16;
constexpr uint64_t ProbePercent = 97;
// Up to this size a file's input and output are both held until its end, so
// the choice between stored and compressed is exact; beyond it the probe decides.
constexpr size_t StageLimit = 4 << 20;
constexpr uint64_t MaxEntrySize = 0xFFFFFFFFu;

// The encoder's output, held back until the method is decided.
class TStagedOutput : public TByteOutput {
public:
    explicit TStagedOutput(TByteSink& sink) : sink_(sink) {}
    void Write(const void* data, size_t size) override
    {
        if (!staging_) {
            sink_.Write(data, size);
            return;
        }
        const auto* bytes = static_cast<const uint8_t*>(data);
        staged_.insert(staged_.end(), bytes, bytes + size);
    }
    void Release()
    {
        staging_ = false;
        if (!staged_.empty()) sink_.Write(staged_.data(), staged_.size());
        std::vector<uint8_t>().swap(staged_);
    }

private:
    TByteSink& sink_;
    bool staging_ = true;
    std::vector<uint8_t> staged_;
};

TLhaEntryHeader MakeHeader(const TLhaEntry& entry, const char* method)
{
    TLhaEntryHeader header;
    header.Method = method;
    header.UnixTime = entry.UnixTime;
    header.Attributes = entry.Attributes;
    header.Directories = entry.Directories;
    header.FileName = entry.FileName;
    return header;
}

} // namespace

TLhaEntryHeader TLhaWriter::AddFile(const TLhaEntry& entry, TByteInput& data)
{
    TLhaEntryHeader header = MakeHeader(entry, "-lh5-");
    const uint64_t headerOffset = sink_.Position();
    const std::vector<uint8_t> placeholder = BuildLevel2Header(header);
    sink_.Write(placeholder.data(), placeholder.size());
    const uint64_t dataOffset = sink_.Position();

    TStagedOutput output(sink_);
    TLh5Encoder encoder(output, blockSymbols_);
    std::vector<uint8_t> raw;       // the input while the method is open
    bool compress = true, staging = true, probed = false;
    buffer_.resize(ChunkSize);
    for (size_t n; (n = data.Read(buffer_.data(), buffer_.size())) > 0;) {
        header.Crc = UpdateCrc16(header.Crc, buffer_.data(), n);
        header.OriginalSize += n;
        if (header.OriginalSize > MaxEntrySize) throw std::length_error("file of 4 GiB or more");
        if (!compress) {
            sink_.Write(buffer_.data(), n);
            continue;
        }
        encoder.Write(buffer_.data(), n);
        if (staging) raw.insert(raw.end(), buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(n));
        if (!probed && header.OriginalSize >= ProbeSize) {
            probed = true;
            encoder.FlushBlock();
            if (encoder.PackedBits() * 100 >= encoder.Consumed() * 8 * ProbePercent) {
                compress = false;
                sink_.Write(raw.data(), raw.size());
                std::vector<uint8_t>().swap(raw);
                continue;
            }
        }
        if (staging && raw.size() >= StageLimit) {
            staging = false;
            output.Release();
            std::vector<uint8_t>().swap(raw);
        }
    }
    if (compress) {
        encoder.Finish();
        if (staging) {
            compress = encoder.PackedBits() / 8 < header.OriginalSize;
            if (compress) output.Release();
            else sink_.Write(raw.data(), raw.size());
        }
    }
    header.Method = compress ? "-lh5-" : "-lh0-";
    header.PackedSize = sink_.Position() - dataOffset;
    const std::vector<uint8_t> final = BuildLevel2Header(header);
    if (final.size() != placeholder.size()) throw std::logic_error("header size changed");
    sink_.WriteAt(headerOffset, final.data(), final.size());
    return header;
}

TLhaEntryHeader TLhaWriter::AddDirectory(const TLhaEntry& entry)
{
    TLhaEntryHeader header = MakeHeader(entry, "-lhd-");
    header.FileName.clear();
    const std::vector<uint8_t> bytes = BuildLevel2Header(header);
    sink_.Write(bytes.data(), bytes.size());
    return header;
}

void TLhaWriter::Finish()
{
    const uint8_t end = 0;
    sink_.Write(&end, 1);
}
