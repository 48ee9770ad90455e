#pragma once
// Byte sinks and sources that the format writers and readers work on, so that
// the formats stay platform-free: the Win32 side provides file-backed ones
// (ArchiveFile.h), tests use the memory ones below.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Where an archive is written: appended in order, with patches of bytes
// already written (headers whose sizes and CRCs are known only afterwards).
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual void Write(const void* data, size_t size) = 0;
    virtual uint64_t Position() const = 0;  // bytes written so far
    // Overwrites bytes at an earlier position; the end position stays.
    virtual void WriteAt(uint64_t position, const void* data, size_t size) = 0;
};

// Random-access reading of a whole archive, for verification.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly size bytes at position; throws TArchiverError when it cannot.
    virtual void ReadAt(uint64_t position, void* data, size_t size) const = 0;
    // Called by a long decode between pieces of its output, which a few bytes
    // read may make large: a source that reports and hears Cancel does it here too.
    virtual void Poll() const {}
};

class TMemorySink final : public TByteSink {
public:
    void Write(const void* data, size_t size) override;
    uint64_t Position() const override { return Bytes.size(); }
    void WriteAt(uint64_t position, const void* data, size_t size) override;
    std::vector<uint8_t> Bytes;
};

class TMemorySource final : public TByteSource {
public:
    explicit TMemorySource(const std::vector<uint8_t>& bytes) : Bytes(bytes) {}
    uint64_t Size() const override { return Bytes.size(); }
    void ReadAt(uint64_t position, void* data, size_t size) const override;

private:
    const std::vector<uint8_t>& Bytes;
};

// Another source read through, calling poll before every read: a long
// read-back can then be stopped (poll throws) between two reads.
class TPolledSource final : public TByteSource {
public:
    TPolledSource(const TByteSource& source, std::function<void()> poll) : Source(source), PollFunction(std::move(poll)) {}
    uint64_t Size() const override { return Source.Size(); }
    void ReadAt(uint64_t position, void* data, size_t size) const override
    {
        PollFunction();
        Source.ReadAt(position, data, size);
    }
    void Poll() const override { PollFunction(); }

private:
    const TByteSource& Source;
    std::function<void()> PollFunction;
};

// Little-endian appends used by the format writers.
void PutLe16(std::vector<uint8_t>& out, uint16_t value);
void PutLe32(std::vector<uint8_t>& out, uint32_t value);
void PutLe64(std::vector<uint8_t>& out, uint64_t value);
uint16_t GetLe16(const uint8_t* p);
uint32_t GetLe32(const uint8_t* p);
uint64_t GetLe64(const uint8_t* p);
