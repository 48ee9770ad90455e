// Any command line an archiver library receives is parsed or refused with its
// own error, never a crash; what is parsed has its archive and base folder.
// The output-buffer copy never writes past the buffer or splits a character.
#include "archiver/common/ArchiverCommandLine.h"
#include "archiver/common/ArchiverError.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const TArchiverSyntax syntax{{"a", "-a"}, [](std::string_view token) {
                                     return EqualsIgnoringAsciiCase(token, "-r") ||
                                            EqualsIgnoringAsciiCase(token, "-hide") ||
                                            (token.size() > 2 && EqualsIgnoringAsciiCase(token.substr(0, 2), "-t"));
                                 }};
    try {
        const TArchiverCommandLine parsed = ParseArchiverCommandLine(line, syntax);
        if (parsed.ArchivePath.empty() && parsed.BaseFolder.empty() && parsed.Patterns.empty()) std::abort();
    } catch (const TArchiverError& error) {
        if (error.Code != ArchiverBadCommandLine) std::abort();
    }

    const size_t bufferSize = size % 17;
    std::vector<char> buffer(bufferSize + 1, '\x7f');
    CopyToOutputBuffer(bufferSize ? buffer.data() : nullptr, bufferSize, line);
    if (buffer[bufferSize] != '\x7f') std::abort();
    if (bufferSize && std::memchr(buffer.data(), 0, bufferSize) == nullptr) std::abort();
    return 0;
}
