// Any bytes under any image name get a verdict without reading outside the
// file; trailing zeros never turn a whole JPEG into a damaged one.
// The first byte chooses the kind, the rest is the file.
#include "engine/ImageCheck.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const TImageKind kinds[] = {TImageKind::Jpeg, TImageKind::Png, TImageKind::Gif, TImageKind::Bmp};
    const TImageKind kind = kinds[data[0] % 4];
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    TMemoryByteSource source(file.data(), file.size());
    const bool intact = IsIntactImage(kind, source);
    if (intact && kind == TImageKind::Jpeg) {
        const std::string padded = file + std::string(size % 40000, '\0');
        TMemoryByteSource paddedSource(padded.data(), padded.size());
        if (!IsIntactImage(kind, paddedSource)) std::abort();
    }
    return 0;
}
