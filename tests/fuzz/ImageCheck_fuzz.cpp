// Any bytes under any image name get a verdict at both levels without reading
// outside the file; trailing zeros never turn a whole JPEG into a damaged one;
// a JPEG the deep level finds whole passes the quick level too.
// The first byte chooses the kind, the rest is the file.
#include "engine/ImageCheck.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool Intact(TImageKind kind, const std::string& file, TCheckDepth depth)
{
    TMemoryByteSource source(file.data(), file.size());
    return IsIntactImage(kind, source, depth);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const TImageKind kinds[] = {TImageKind::Jpeg, TImageKind::Png, TImageKind::Gif, TImageKind::Bmp};
    const TImageKind kind = kinds[data[0] % 4];
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool intact = Intact(kind, file, TCheckDepth::Quick);
    const bool deep = Intact(kind, file, TCheckDepth::Deep);
    if (kind != TImageKind::Jpeg) {
        if (deep != intact) std::abort();
        return 0;
    }
    if (deep && !intact) std::abort();
    if (intact || deep) {
        const std::string padded = file + std::string(size % 40000, '\0');
        if (intact && !Intact(kind, padded, TCheckDepth::Quick)) std::abort();
        if (deep && !Intact(kind, padded, TCheckDepth::Deep)) std::abort();
    }
    return 0;
}
