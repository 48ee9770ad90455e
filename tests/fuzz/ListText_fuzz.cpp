// Splitting never fails, and joining what was split splits back to the same items.
#include "base/ListText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const char delimiter = (data[0] & 1) ? ',' : ';';
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto items = SplitListText(text, delimiter);
    for (const auto& item : items) {
        if (item.find('\0') != std::string::npos) std::abort();
    }
    if (SplitListText(JoinListText(items, delimiter), delimiter) != items) std::abort();
    return 0;
}
