#include "settings/DragDetector.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Thresholds as the system would report them, with a count of how often each is asked.
int32_t CxDrag = 4;
int32_t CyDrag = 6;
int XAsked = 0;
int YAsked = 0;
int32_t ThresholdX() { ++XAsked; return CxDrag; }
int32_t ThresholdY() { ++YAsked; return CyDrag; }

class DragDetector : public ::testing::Test {
protected:
    void SetUp() override { XAsked = YAsked = 0; }
    int32_t Move(uint32_t left, int32_t x, int32_t y)
    {
        return DragDetectorMouseMove(State, left, x, y, ThresholdX, ThresholdY);
    }
    DragDetectorState State;
};

} // namespace

TEST_F(DragDetector, ADistanceEqualToTheMetricIsNoDragAndOnePixelMoreIsOnce)
{
    DragDetectorMouseDown(State, 1, 100, 200);
    EXPECT_EQ(Move(1, 104, 200), 0);
    EXPECT_EQ(Move(1, 96, 206), 0);
    EXPECT_EQ(Move(1, 104, 194), 0);
    EXPECT_EQ(Move(1, 105, 200), 1);
    EXPECT_EQ(Move(1, 150, 250), 0) << "later moves of the same press";
    EXPECT_EQ(Move(1, 105, 200), 0);

    DragDetectorMouseDown(State, 1, 100, 200);
    EXPECT_EQ(Move(1, 100, 207), 1) << "vertical, one past";
    DragDetectorMouseDown(State, 1, 100, 200);
    EXPECT_EQ(Move(1, 95, 200), 1) << "to the left";
    DragDetectorMouseDown(State, 1, 100, 200);
    EXPECT_EQ(Move(1, 100, 193), 1) << "upwards";
}

TEST_F(DragDetector, TheVerticalMetricIsAskedOnlyWhenTheHorizontalDistanceDidNotDecide)
{
    DragDetectorMouseDown(State, 1, 0, 0);
    EXPECT_EQ(Move(1, 10, 0), 1);
    EXPECT_EQ(XAsked, 1);
    EXPECT_EQ(YAsked, 0);
    DragDetectorMouseDown(State, 1, 0, 0);
    EXPECT_EQ(Move(1, 1, 1), 0);
    EXPECT_EQ(XAsked, 2);
    EXPECT_EQ(YAsked, 1);
    CxDrag = 20; // asked afresh on every move
    DragDetectorMouseDown(State, 1, 0, 0);
    EXPECT_EQ(Move(1, 10, 0), 0);
    CxDrag = 4;
}

TEST_F(DragDetector, AMoveWithoutALeftPressOrWithoutTheLeftButtonNeverDrags)
{
    EXPECT_EQ(Move(1, 500, 500), 0) << "pressed outside the list";
    DragDetectorMouseDown(State, 2, 0, 0); // another button only
    EXPECT_EQ(Move(1, 500, 500), 0);
    DragDetectorMouseDown(State, 1, 0, 0);
    EXPECT_EQ(Move(0, 500, 500), 0) << "left button not held";
    EXPECT_EQ(Move(2, 500, 500), 0) << "only bit 0 counts";
    EXPECT_EQ(Move(3, 500, 500), 1);
    EXPECT_EQ(XAsked, 1) << "no metric asked for moves that cannot drag";
}

TEST_F(DragDetector, ReleasingAnotherButtonDuringALeftPressKeepsThePress)
{
    DragDetectorMouseDown(State, 1, 10, 10);
    DragDetectorMouseUp(State, 1); // right button released, left still down
    EXPECT_EQ(Move(1, 30, 10), 1);

    DragDetectorMouseDown(State, 1, 10, 10);
    DragDetectorMouseUp(State, 0); // left released
    EXPECT_EQ(Move(1, 30, 10), 0);
    EXPECT_EQ(State.Armed, 0u);
}

TEST_F(DragDetector, ANewPressStartsOverAndAnotherButtonsPressOnlyClearsReported)
{
    DragDetectorMouseDown(State, 1, 0, 0);
    EXPECT_EQ(Move(1, 10, 0), 1);
    DragDetectorMouseDown(State, 1, 10, 0); // new press from the new position
    EXPECT_EQ(Move(1, 14, 0), 0);
    EXPECT_EQ(Move(1, 15, 0), 1);

    // A press of another button (bit 0 clear) only clears the report; the
    // start point of the left press stays.
    DragDetectorMouseDown(State, 1, 0, 0);
    EXPECT_EQ(Move(1, 10, 0), 1);
    DragDetectorMouseDown(State, 2, 999, 999);
    EXPECT_EQ(State.StartX, 0);
    EXPECT_EQ(Move(1, 10, 0), 1);
}

TEST_F(DragDetector, PositionsAtOppositeEndsOfTheRangeDoNotOverflow)
{
    DragDetectorMouseDown(State, 1, INT32_MIN, 0);
    EXPECT_EQ(Move(1, INT32_MAX, 0), 1);
    DragDetectorMouseDown(State, 1, 0, INT32_MAX);
    EXPECT_EQ(Move(1, 0, INT32_MIN), 1);
}
