#include "archiver/common/ArchiverError.h"

#include "base/PathUtility.h"

#include <cstring>

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

void CopyToOutputBuffer(char* buffer, size_t bufferSize, std::string_view text, bool utf8)
{
    if (!buffer || bufferSize == 0) return;
    size_t length = 0;
    while (length < text.size()) {
        size_t step = 1;
        if (utf8) {
            while (length + step < text.size() && IsUtf8Continuation(text[length + step])) ++step;
        } else if (IsAnsiLeadByte(static_cast<unsigned char>(text[length])) && length + 1 < text.size()) {
            step = 2;
        }
        if (length + step > bufferSize - 1) break;
        length += step;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}
