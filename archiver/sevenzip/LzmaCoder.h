#pragma once
// The LZMA coder of .7z archives: the LZMA SDK's C encoder and decoder behind
// a few C++ calls. Exceptions thrown by the callbacks come out of the calls
// unchanged (they never pass through the C code). Platform-free.
#include "archiver/common/ArchiveStream.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

using TLzmaProperties = std::array<uint8_t, 5>;

// The SDK's level (1..9: dictionary size, match finder, fast bytes), with the
// dictionary cut down to what reduceSize bytes of data can use.
struct TLzmaLevel {
    int Level = 5;
    uint64_t ReduceSize = ~uint64_t{0};
    uint32_t DictionarySize() const;
    // What one encoder of this level allocates (window, hash and tree), roughly.
    uint64_t EncoderMemory() const;
};

class TLzmaEncoder {
public:
    explicit TLzmaEncoder(const TLzmaLevel& level);  // throws std::bad_alloc
    ~TLzmaEncoder();
    TLzmaEncoder(const TLzmaEncoder&) = delete;
    TLzmaEncoder& operator=(const TLzmaEncoder&) = delete;

    const TLzmaProperties& Properties() const { return Props; }

    using TRead = std::function<size_t(uint8_t* data, size_t size)>;       // 0 at the end
    using TWrite = std::function<void(const uint8_t* data, size_t size)>;
    using TKeepGoing = std::function<bool(uint64_t encoded)>;               // bytes taken so far; false stops at once
    // Encodes one stream (no end mark: its size is kept in the header). A stop
    // from keepGoing throws TLzmaStopped unless a callback threw first. Returns
    // false when the encoder's memory could not be had, before anything was read
    // (a 32-bit address space may hold no hole large enough for the level's
    // dictionary): a smaller level may then try again.
    bool Encode(const TRead& read, const TWrite& write, const TKeepGoing& keepGoing);

private:
    struct TState;
    std::unique_ptr<TState> State;
    TLzmaProperties Props{};
};

struct TLzmaStopped {};

// Decodes the stream of packedSize bytes at offset into exactly unpackSize
// bytes handed to write in pieces; the stream must end exactly there. Throws
// TArchiverError (ArchiverVerifyError) naming name.
void DecodeLzmaStream(const TByteSource& source, uint64_t offset, uint64_t packedSize, const TLzmaProperties& properties,
                      uint64_t unpackSize, const std::function<void(const uint8_t*, size_t)>& write, const std::string& name);
