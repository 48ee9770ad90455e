#include "archiver/common/ArchiverError.h"

#include "base/PathUtility.h"

#include <cstring>

void CopyToOutputBuffer(char* buffer, size_t bufferSize, std::string_view text)
{
    if (!buffer || bufferSize == 0) return;
    size_t length = 0;
    while (length < text.size()) {
        const size_t step = IsAnsiLeadByte(static_cast<unsigned char>(text[length])) && length + 1 < text.size() ? 2 : 1;
        if (length + step > bufferSize - 1) break;
        length += step;
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}
