// Placement and column-width texts from a hand-edited file: any text applies
// without harm, and what is written reads back the same.
#include "listview/ListViewUtilityText.h"
#include "settings/PlacementText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Placement placement = ApplyPlacementText(Placement{}, text);
    if (ApplyPlacementText(Placement{}, FormatPlacementText(placement)) != placement) std::abort();

    const auto widths = ParseColumnWidthsText(text);
    if (ParseColumnWidthsText(FormatColumnWidthsText(widths)) != widths) std::abort();
    return 0;
}
