// Any bytes get a verdict at both levels without reading outside the file;
// whatever follows a whole image (a GIF: after its trailer) never makes it
// damaged; the deep level never passes what the quick level refuses. The first byte chooses the format whose
// signature the rest is given (or none), so every walk is reached. A whole
// page's size is its header's; the same bytes as a book's page sizes name each
// odd page once.
#include "pages/ImageCheck.h"
#include "pages/ImageCheckRemark.h"
#include "pages/BookSizes.h"
#include "pages/PageSize.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

TPageVerdict Check(const std::string& file, TCheckDepth depth)
{
    TMemoryByteSource source(file.data(), file.size());
    return CheckImage(source, depth);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const std::string Signatures[] = {"", "\xFF\xD8", std::string("\x89PNG\r\n\x1A\n", 8), "GIF89a", "BM"};
    std::string file = Signatures[data[0] % 5];
    file.append(reinterpret_cast<const char*>(data + 1), size - 1);
    const TPageVerdict quick = Check(file, TCheckDepth::Quick);
    const TPageVerdict deep = Check(file, TCheckDepth::Deep);
    if (deep.Whole() && !quick.Whole()) std::abort();
    // A whole page's size is its header's, at either level.
    TMemoryByteSource source(file.data(), file.size());
    const TPageSize header = ReadPageSize(source);
    if ((quick.Whole() && quick.Size != header) || (deep.Whole() && deep.Size != header)) std::abort();
    // The same bytes as a book's page sizes: every page named stands in the book, once.
    std::vector<TPageSize> sizes;
    for (size_t i = 1; i + 4 <= size; i += 4)
        sizes.push_back({uint32_t(data[i] << 8 | data[i + 1]), uint32_t(data[i + 2] << 8 | data[i + 3])});
    const TBookSizes odd = FindOddSizes(sizes);
    std::vector<bool> named(sizes.size());
    for (const auto* list : {&odd.Spreads, &odd.OtherSize})
        for (const size_t page : *list) {
            if (page >= sizes.size() || named[page]) std::abort();
            named[page] = true;
        }
    if (OddSizesRemark(odd).empty() != (odd.Spreads.empty() && odd.OtherSize.empty())) std::abort();
    if (!deep.Whole() && DamagedPageRemark("p.jpg", deep).size() <= 6) std::abort();
    // (A GIF without its trailer ends where its last block does: what follows is read as blocks.)
    const bool endless = file.rfind("GIF", 0) == 0 && file.back() != ';';
    if ((quick.Whole() || deep.Whole()) && !endless) {
        const std::string followed = file + std::string(size % 97, static_cast<char>(size)) + file;
        if (quick.Whole() && !Check(followed, TCheckDepth::Quick).Whole()) std::abort();
        if (deep.Whole() && !Check(followed, TCheckDepth::Deep).Whole()) std::abort();
    }
    return 0;
}
