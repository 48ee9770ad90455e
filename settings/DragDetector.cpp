#include "settings/DragDetector.h"

namespace {

// Widened so that positions at opposite ends of the 32-bit range cannot overflow.
int64_t Distance(int32_t from, int32_t to)
{
    const int64_t d = static_cast<int64_t>(from) - static_cast<int64_t>(to);
    return d < 0 ? -d : d;
}

} // namespace

void DragDetectorMouseDown(DragDetectorState& state, uint32_t left, int32_t x, int32_t y)
{
    if (left & 1) {
        state.StartX = x;
        state.StartY = y;
        state.Armed = 1;
    }
    state.Reported = 0;
}

int32_t DragDetectorMouseMove(DragDetectorState& state, uint32_t left, int32_t x, int32_t y,
                              DragThreshold thresholdX, DragThreshold thresholdY)
{
    if (!(left & 1) || state.Armed == 0 || state.Reported == 1) return 0;
    if (Distance(state.StartX, x) <= thresholdX() && Distance(state.StartY, y) <= thresholdY()) return 0;
    state.Reported = 1;
    return 1;
}

void DragDetectorMouseUp(DragDetectorState& state, uint32_t left)
{
    if (left & 1) return;
    state.Armed = 0;
    state.Reported = 1;
}
