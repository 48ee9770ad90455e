#include "archiver/lha/LhaHeader.h"

#include "archiver/lha/Crc16.h"

#include <stdexcept>

namespace {

constexpr size_t FixedSize = 26;   // up to and with the size of the first extended header
constexpr uint8_t CommonHeader = 0x00;
constexpr uint8_t FileNameHeader = 0x01;
constexpr uint8_t DirectoryHeader = 0x02;
constexpr uint8_t AttributeHeader = 0x40;
constexpr uint8_t PathSeparator = 0xFF;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get16(const uint8_t* p)
{
    return p[0] | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t Get32(const uint8_t* p)
{
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// One extended header: type, data, and room for the size of the next one.
void AppendExtended(std::vector<uint8_t>& out, uint8_t type, const std::string& data)
{
    const size_t size = 1 + data.size() + 2;
    if (size > 0xFFFF) throw std::length_error("extended header too long");
    Put16(out, out.size() - 2, static_cast<uint32_t>(size));
    out.push_back(type);
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(0);
    out.push_back(0);
}

void Fail(const char* what)
{
    throw TLhaFormatError(what);
}

void ReadExactly(TByteInput& input, void* buffer, size_t size)
{
    if (input.Read(buffer, size) != size) Fail("書庫がヘッダの途中で終わっています");
}

} // namespace

std::vector<uint8_t> BuildLevel2Header(const TLhaEntryHeader& header)
{
    if (header.PackedSize > 0xFFFFFFFFu || header.OriginalSize > 0xFFFFFFFFu) throw std::length_error("entry too large");
    if (header.Method.size() != 5) throw std::invalid_argument("method must be five characters");
    std::vector<uint8_t> out(FixedSize, 0);
    for (int i = 0; i < 5; ++i) out[2 + i] = static_cast<uint8_t>(header.Method[i]);
    Put32(out, 7, static_cast<uint32_t>(header.PackedSize));
    Put32(out, 11, static_cast<uint32_t>(header.OriginalSize));
    Put32(out, 15, header.UnixTime);
    out[19] = 0x20;
    out[20] = 2;
    Put16(out, 21, header.Crc);
    out[23] = header.Os;

    AppendExtended(out, CommonHeader, std::string(2, '\0'));
    const size_t crcAt = out.size() - 4;
    if (!header.FileName.empty()) AppendExtended(out, FileNameHeader, header.FileName);
    if (!header.Directories.empty()) {
        std::string directory;
        for (const std::string& part : header.Directories) {
            directory += part;
            directory += static_cast<char>(PathSeparator);
        }
        AppendExtended(out, DirectoryHeader, directory);
    }
    // A header whose size has a zero low byte would read as the end mark. The
    // attribute header then takes one byte more (readers take its first two):
    // a padding byte after the last extended header breaks other readers.
    const size_t attributeSize = 3 + 2;
    std::string attributes(((out.size() + attributeSize) & 0xFF) == 0 ? 3 : 2, '\0');
    attributes[0] = static_cast<char>(header.Attributes & 0xFF);
    attributes[1] = static_cast<char>(header.Attributes >> 8);
    AppendExtended(out, AttributeHeader, attributes);
    if (out.size() > 0xFFFF) throw std::length_error("header too long");
    Put16(out, 0, static_cast<uint32_t>(out.size()));
    Put16(out, crcAt, UpdateCrc16(0, out.data(), out.size()));
    return out;
}

bool ReadLevel2Header(TByteInput& input, TLhaEntryHeader& header)
{
    uint8_t first[2];
    if (input.Read(first, 1) != 1) Fail("書庫の終端がありません");
    if (first[0] == 0) return false;
    ReadExactly(input, first + 1, 1);
    const size_t size = Get16(first);
    if (size < FixedSize) Fail("ヘッダが短すぎます");
    std::vector<uint8_t> bytes(size);
    bytes[0] = first[0];
    bytes[1] = first[1];
    ReadExactly(input, bytes.data() + 2, size - 2);
    if (bytes[20] != 2) Fail("ヘッダのレベルが2ではありません");

    header = TLhaEntryHeader();
    header.Method.assign(reinterpret_cast<const char*>(bytes.data() + 2), 5);
    header.PackedSize = Get32(&bytes[7]);
    header.OriginalSize = Get32(&bytes[11]);
    header.UnixTime = Get32(&bytes[15]);
    header.Crc = static_cast<uint16_t>(Get16(&bytes[21]));
    header.Os = bytes[23];

    bool crcSeen = false;
    size_t at = FixedSize - 2;
    for (size_t next = Get16(&bytes[at]); next != 0;) {
        if (next < 3 || at + 2 + next > size) Fail("拡張ヘッダが壊れています");
        const size_t start = at + 2;
        const uint8_t type = bytes[start];
        const uint8_t* data = &bytes[start + 1];
        const size_t length = next - 3;
        if (type == CommonHeader) {
            if (length < 2) Fail("拡張ヘッダが壊れています");
            const uint32_t stored = Get16(data);
            bytes[start + 1] = bytes[start + 2] = 0;
            if (UpdateCrc16(0, bytes.data(), bytes.size()) != stored) Fail("ヘッダのCRCが一致しません");
            crcSeen = true;
        } else if (type == FileNameHeader) {
            header.FileName.assign(reinterpret_cast<const char*>(data), length);
        } else if (type == DirectoryHeader) {
            std::string part;
            for (size_t i = 0; i < length; ++i) {
                if (data[i] != PathSeparator) {
                    part += static_cast<char>(data[i]);
                } else if (!part.empty()) {
                    header.Directories.push_back(part);
                    part.clear();
                }
            }
            if (!part.empty()) header.Directories.push_back(part);
        } else if (type == AttributeHeader && length >= 2) {
            header.Attributes = static_cast<uint16_t>(Get16(data));
        }
        at = start + 1 + length;
        next = Get16(&bytes[at]);
    }
    if (!crcSeen) Fail("ヘッダにCRCがありません");
    return true;
}

std::string LhaEntryPath(const TLhaEntryHeader& header, char separator)
{
    std::string path;
    for (const std::string& part : header.Directories) {
        if (!path.empty()) path += separator;
        path += part;
    }
    if (!header.FileName.empty()) {
        if (!path.empty()) path += separator;
        path += header.FileName;
    }
    return path;
}
