#include "archiver/common/ArchiveStream.h"

#include "archiver/common/ArchiverError.h"

#include <cstring>

void TMemorySink::Write(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    Bytes.insert(Bytes.end(), p, p + size);
}

void TMemorySink::WriteAt(uint64_t position, const void* data, size_t size)
{
    if (position > Bytes.size() || size > Bytes.size() - position) throw TArchiverError(ArchiverInternalError, "書庫の書き込み位置が正しくありません");
    std::memcpy(Bytes.data() + position, data, size);
}

void TMemorySource::ReadAt(uint64_t position, void* data, size_t size) const
{
    if (position > Bytes.size() || size > Bytes.size() - position) throw TArchiverError(ArchiverVerifyError, "書庫が途中で終わっています");
    std::memcpy(data, Bytes.data() + position, size);
}

void PutLe16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t value)
{
    PutLe16(out, static_cast<uint16_t>(value));
    PutLe16(out, static_cast<uint16_t>(value >> 16));
}

void PutLe64(std::vector<uint8_t>& out, uint64_t value)
{
    PutLe32(out, static_cast<uint32_t>(value));
    PutLe32(out, static_cast<uint32_t>(value >> 32));
}

uint16_t GetLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetLe32(const uint8_t* p) { return GetLe16(p) | (static_cast<uint32_t>(GetLe16(p + 2)) << 16); }

uint64_t GetLe64(const uint8_t* p) { return GetLe32(p) | (static_cast<uint64_t>(GetLe32(p + 4)) << 32); }
