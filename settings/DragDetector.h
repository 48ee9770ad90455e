#pragma once
// Tells a list when a press of the left mouse button has turned into a drag.
// Only bit 0 of a "left" flag counts: 1 while the left button is held.
#include <cstdint>

struct DragDetectorState {
    int32_t StartX = 0;
    int32_t StartY = 0;
    uint32_t Armed = 0;    // a left press is recorded and not yet released
    uint32_t Reported = 0; // this press has been reported as a drag, or it has ended
};

// The drag distance along one axis; asked on every move, and the vertical one
// only when the horizontal distance did not decide.
using DragThreshold = int32_t (*)();

void DragDetectorMouseDown(DragDetectorState& state, uint32_t left, int32_t x, int32_t y);

// 1 exactly once per press: on the first move farther than the threshold
// (strictly greater) along either axis while the left button is held.
int32_t DragDetectorMouseMove(DragDetectorState& state, uint32_t left, int32_t x, int32_t y,
                              DragThreshold thresholdX, DragThreshold thresholdY);

// A release of another button while the left one is held does not end the press.
void DragDetectorMouseUp(DragDetectorState& state, uint32_t left);
