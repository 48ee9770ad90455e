#pragma once
// The byte streams the LHA code reads and writes through, so that it stays free
// of any platform: the Windows shell adapts files to them, tests adapt memory.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class TByteInput {
public:
    virtual ~TByteInput() = default;
    // Reads up to size bytes; fewer only at the end of the stream.
    virtual size_t Read(void* buffer, size_t size) = 0;
};

class TByteOutput {
public:
    virtual ~TByteOutput() = default;
    virtual void Write(const void* data, size_t size) = 0;
};

// A stream that is not a well-formed LHA archive or -lh5- stream.
class TLhaFormatError : public std::runtime_error {
public:
    explicit TLhaFormatError(const std::string& what) : std::runtime_error(what) {}
};
