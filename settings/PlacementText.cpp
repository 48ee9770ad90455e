#include "settings/PlacementText.h"

#include "base/IntegerText.h"
#include "base/ListText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

std::string FormatPlacementText(const Placement& placement)
{
    const PlacementRect& r = placement.Bounds;
    // Width and height in 64 bits: a hand-made extreme rectangle must not overflow.
    const auto width = static_cast<int64_t>(r.Right) - r.Left;
    const auto height = static_cast<int64_t>(r.Bottom) - r.Top;
    return std::to_string(r.Left) + ',' + std::to_string(r.Top) + ',' + std::to_string(width) + ',' +
           std::to_string(height) + ',' + std::to_string(placement.State);
}

Placement ApplyPlacementText(Placement placement, std::string_view text)
{
    const std::vector<std::string> items = SplitListText(text, ',');
    PlacementRect& r = placement.Bounds;
    for (size_t i = 0; i < items.size() && i < 5; ++i) {
        const auto value = ParseIntegerText(items[i]);
        if (!value) break;
        // Right and bottom are left plus width and top plus height, held to the
        // 32-bit range so that hand-edited extremes cannot overflow.
        const auto add = [](int32_t a, int32_t b) {
            return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
        };
        switch (i) {
        case 0: r.Left = *value; break;
        case 1: r.Top = *value; break;
        case 2: r.Right = add(r.Left, *value); break;
        case 3: r.Bottom = add(r.Top, *value); break;
        case 4: placement.State = *value; break;
        }
    }
    return placement;
}

PlacementRect UsablePlacementBounds(PlacementRect frame, const PlacementRect& workArea, int32_t minWidth,
                                    int32_t minHeight)
{
    const int64_t areaWidth = static_cast<int64_t>(workArea.Right) - workArea.Left;
    const int64_t areaHeight = static_cast<int64_t>(workArea.Bottom) - workArea.Top;
    if (areaWidth <= 0 || areaHeight <= 0) return frame;
    int64_t width = static_cast<int64_t>(frame.Right) - frame.Left;
    int64_t height = static_cast<int64_t>(frame.Bottom) - frame.Top;
    const bool tooSmall = width < minWidth || height < minHeight;
    width = std::min<int64_t>(std::max<int64_t>(width, minWidth), areaWidth);
    height = std::min<int64_t>(std::max<int64_t>(height, minHeight), areaHeight);

    int64_t left = frame.Left, top = frame.Top;
    const int64_t seenWidth = std::min<int64_t>(left + width, workArea.Right) - std::max<int64_t>(left, workArea.Left);
    const int64_t seenHeight = std::min<int64_t>(top + height, workArea.Bottom) - std::max<int64_t>(top, workArea.Top);
    const bool offArea = seenWidth < std::min<int64_t>(100, width) || seenHeight < std::min<int64_t>(50, height) ||
                         top < workArea.Top - 8;  // the caption must stay within reach
    if (!tooSmall && !offArea) return frame;
    if (offArea) {
        left = std::clamp<int64_t>(left, workArea.Left, workArea.Right - width);
        top = std::clamp<int64_t>(top, workArea.Top, workArea.Bottom - height);
    }
    return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(left + width),
            static_cast<int32_t>(top + height)};
}

PlacementRect ScalePlacementSize(const PlacementRect& frame, int32_t numerator, int32_t denominator)
{
    if (denominator <= 0 || numerator <= 0) return frame;
    const auto scale = [&](int32_t origin, int32_t end) {
        const int64_t length = int64_t{end} - origin;
        const int64_t half = denominator / 2;
        const int64_t scaled = (length >= 0 ? length * numerator + half : length * numerator - half) / denominator;
        return static_cast<int32_t>(std::clamp<int64_t>(int64_t{origin} + scaled, INT32_MIN, INT32_MAX));
    };
    return {frame.Left, frame.Top, scale(frame.Left, frame.Right), scale(frame.Top, frame.Bottom)};
}
