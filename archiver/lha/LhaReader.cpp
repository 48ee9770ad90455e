#include "archiver/lha/LhaReader.h"

#include "archiver/lha/Crc16.h"
#include "archiver/lha/Lh5Decoder.h"

#include <vector>

namespace {

// The input cut to one entry's packed data.
class TLimitedInput : public TByteInput {
public:
    TLimitedInput(TByteInput& input, uint64_t limit) : input_(input), left_(limit) {}
    size_t Read(void* buffer, size_t size) override
    {
        if (size > left_) size = static_cast<size_t>(left_);
        const size_t n = size ? input_.Read(buffer, size) : 0;
        left_ -= n;
        if (n < size) {
            truncated_ = true;
            left_ = 0;
        }
        return n;
    }
    void Drain()
    {
        uint8_t scratch[4096];
        while (left_ > 0 && Read(scratch, sizeof(scratch)) > 0) {
        }
    }
    bool Truncated() const { return truncated_; }

private:
    TByteInput& input_;
    uint64_t left_;
    bool truncated_ = false;
};

// Counts and checksums what passes on to the real output.
class TCheckedOutput : public TByteOutput {
public:
    explicit TCheckedOutput(TByteOutput& output) : output_(output) {}
    void Write(const void* data, size_t size) override
    {
        crc_ = UpdateCrc16(crc_, data, size);
        size_ += size;
        output_.Write(data, size);
    }
    uint16_t Crc() const { return crc_; }
    uint64_t Size() const { return size_; }

private:
    TByteOutput& output_;
    uint16_t crc_ = 0;
    uint64_t size_ = 0;
};

} // namespace

bool TLhaReader::Next(TLhaEntryHeader& header)
{
    if (pending_) Skip();
    if (!ReadLevel2Header(input_, current_)) return false;
    pending_ = true;
    header = current_;
    return true;
}

void TLhaReader::Skip()
{
    TLimitedInput data(input_, current_.PackedSize);
    data.Drain();
    pending_ = false;
    if (data.Truncated()) throw TLhaFormatError("書庫が項目の途中で終わっています");
}

void TLhaReader::Extract(TByteOutput& output)
{
    if (!pending_) throw TLhaFormatError("展開する項目がありません");
    pending_ = false;
    TLimitedInput data(input_, current_.PackedSize);
    TCheckedOutput checked(output);
    if (current_.Method == "-lh0-" || current_.Method == "-lhd-") {
        if (current_.PackedSize != current_.OriginalSize) throw TLhaFormatError("無圧縮の項目のサイズが一致しません");
        std::vector<uint8_t> buffer(1 << 16);
        for (size_t n; (n = data.Read(buffer.data(), buffer.size())) > 0;) checked.Write(buffer.data(), n);
    } else if (current_.Method == "-lh5-") {
        DecodeLh5(data, current_.PackedSize, current_.OriginalSize, checked);
        data.Drain();
    } else {
        throw TLhaFormatError("対応していない圧縮方法です: " + current_.Method);
    }
    if (data.Truncated()) throw TLhaFormatError("書庫が項目の途中で終わっています");
    if (checked.Size() != current_.OriginalSize) throw TLhaFormatError("サイズが一致しません");
    if (checked.Crc() != current_.Crc) throw TLhaFormatError("CRCが一致しません");
}

void TLhaReader::CheckEnd()
{
    uint8_t extra;
    if (input_.Read(&extra, 1) != 0) throw TLhaFormatError("書庫の終端の後にデータがあります");
}

size_t TByteSourceInput::Read(void* buffer, size_t size)
{
    const uint64_t left = source_.Size() - position_;
    if (size > left) size = static_cast<size_t>(left);
    if (size == 0) return 0;
    source_.ReadAt(position_, buffer, size);
    position_ += size;
    return size;
}
