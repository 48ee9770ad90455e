#include "archiver/sevenzip/EntryDecoder.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr size_t BufferSize = 1 << 20;

[[noreturn]] void Broken(const std::string& what, const std::string& name)
{
    throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + what + "): " + name);
}

struct TInflater {
    TInflater()
    {
        if (inflateInit2(&Stream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    }
    ~TInflater() { inflateEnd(&Stream); }
    z_stream Stream{};
};

} // namespace

TDecodedData DecodePackedStream(const TByteSource& source, uint64_t offset, uint64_t packedSize, TEntryMethod method,
                                const std::string& name)
{
    if (offset > source.Size() || packedSize > source.Size() - offset) Broken("データが書庫の外にあります", name);
    TDecodedData result;
    std::vector<uint8_t> input(static_cast<size_t>(std::min<uint64_t>(BufferSize, packedSize)));
    if (method == TEntryMethod::Stored) {
        for (uint64_t done = 0; done < packedSize;) {
            const size_t step = static_cast<size_t>(std::min<uint64_t>(input.size(), packedSize - done));
            source.ReadAt(offset + done, input.data(), step);
            result.Crc = Crc32Update(result.Crc, input.data(), step);
            done += step;
        }
        result.Size = packedSize;
        return result;
    }

    TInflater inflater;
    std::vector<uint8_t> output(BufferSize);
    uint64_t done = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (inflater.Stream.avail_in == 0) {
            if (done == packedSize) Broken("圧縮データが途中で終わっています", name);
            const size_t step = static_cast<size_t>(std::min<uint64_t>(input.size(), packedSize - done));
            source.ReadAt(offset + done, input.data(), step);
            done += step;
            inflater.Stream.next_in = input.data();
            inflater.Stream.avail_in = static_cast<uInt>(step);
        }
        inflater.Stream.next_out = output.data();
        inflater.Stream.avail_out = static_cast<uInt>(output.size());
        status = inflate(&inflater.Stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) Broken("圧縮データが壊れています", name);
        const size_t produced = output.size() - inflater.Stream.avail_out;
        result.Crc = Crc32Update(result.Crc, output.data(), produced);
        result.Size += produced;
        source.Poll();
    }
    if (inflater.Stream.avail_in != 0 || done != packedSize) Broken("圧縮データの長さが違います", name);
    return result;
}
