#pragma once
// Byte vectors as the LHA codec's input and output, for the tests.
#include "archiver/lha/LhaStreams.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

class TVectorInput : public TByteInput {
public:
    explicit TVectorInput(const Bytes& bytes) : bytes_(bytes) {}
    size_t Read(void* buffer, size_t size) override
    {
        size = std::min(size, bytes_.size() - position_);
        std::copy_n(bytes_.begin() + static_cast<ptrdiff_t>(position_), size, static_cast<uint8_t*>(buffer));
        position_ += size;
        return size;
    }

private:
    const Bytes& bytes_;
    size_t position_ = 0;
};

class TVectorOutput : public TByteOutput {
public:
    void Write(const void* data, size_t size) override
    {
        const auto* p = static_cast<const uint8_t*>(data);
        Bytes.insert(Bytes.end(), p, p + size);
    }
    ::Bytes Bytes;
};
