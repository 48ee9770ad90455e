#pragma once
// The window placement as settings text: left,top,width,height,state, where the
// rectangle is the normal (restored) frame in screen coordinates and the state
// is 0 normal, 1 minimised, 2 maximised.
#include <cstdint>
#include <string>
#include <string_view>

struct PlacementRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    bool operator==(const PlacementRect&) const = default;
};

struct Placement {
    PlacementRect Bounds;
    int32_t State = 0;

    bool operator==(const Placement&) const = default;
};

std::string FormatPlacementText(const Placement& placement);

// Applies the items of the text over the given placement: a missing item keeps
// what it would set (with two items the right and bottom edges stay, so the size
// changes), items after the fifth are ignored, and an item that is not an
// integer stops the apply there, keeping the items before it.
Placement ApplyPlacementText(Placement placement, std::string_view text);

// The frame with its width and height scaled by numerator / denominator (rounded
// to the nearest pixel, held to the 32-bit range); the top left stays, being a
// place on the screen. Settings keep the size in 96-DPI pixels.
PlacementRect ScalePlacementSize(const PlacementRect& frame, int32_t numerator, int32_t denominator);

// A frame a window can be used in on a work area: grown to at least the minimum
// size (and no larger than the work area), and moved wholly onto the work area
// when less than a grip of it (100 by 50 pixels, or all of a smaller frame) lies
// there. A frame that is usable already comes back unchanged.
PlacementRect UsablePlacementBounds(PlacementRect frame, const PlacementRect& workArea, int32_t minWidth,
                                    int32_t minHeight);
