#include "settings/PlacementText.h"

#include <gtest/gtest.h>

namespace {

const Placement Start{{100, 50, 740, 530}, 0};

} // namespace

TEST(PlacementText, FormatsNormalFrameAndState)
{
    EXPECT_EQ(FormatPlacementText(Start), "100,50,640,480,0");
    EXPECT_EQ(FormatPlacementText({{-1200, -30, -200, 770}, 2}), "-1200,-30,1000,800,2");
}

TEST(PlacementText, PartialTextsKeepWhatTheyDoNotName)
{
    EXPECT_EQ(ApplyPlacementText(Start, ""), Start);
    // Two items: left and top move, right and bottom stay (so the size changes).
    EXPECT_EQ(ApplyPlacementText(Start, "0,0"), (Placement{{0, 0, 740, 530}, 0}));
    // Three items: the width is applied, the bottom stays.
    EXPECT_EQ(ApplyPlacementText(Start, "10,20,300"), (Placement{{10, 20, 310, 530}, 0}));
    // Four: the state is unchanged.
    EXPECT_EQ(ApplyPlacementText({Start.Bounds, 2}, "10,20,300,200"), (Placement{{10, 20, 310, 220}, 2}));
    // Six or more: the first five count.
    EXPECT_EQ(ApplyPlacementText(Start, "1,2,3,4,1,9,9"), (Placement{{1, 2, 4, 6}, 1}));
    EXPECT_EQ(ApplyPlacementText(Start, "-1200,-30,1000,800,2"), (Placement{{-1200, -30, -200, 770}, 2}));
}

TEST(PlacementText, AnItemThatIsNoIntegerStopsTheApplyThere)
{
    EXPECT_EQ(ApplyPlacementText(Start, "10,x,300,200,2"), (Placement{{10, 50, 740, 530}, 0}));
    EXPECT_EQ(ApplyPlacementText(Start, "10,20,300,200,max"), (Placement{{10, 20, 310, 220}, 0}));
    EXPECT_EQ(ApplyPlacementText(Start, "garbage"), Start);
    EXPECT_EQ(ApplyPlacementText(Start, "99999999999,1,1,1,1"), Start);
}

TEST(PlacementText, ExtremeNumbersDoNotOverflow)
{
    const Placement p = ApplyPlacementText(Start, "2147483647,2147483647,2147483647,2147483647");
    EXPECT_EQ(p.Bounds.Right, INT32_MAX);
    EXPECT_EQ(p.Bounds.Bottom, INT32_MAX);
    const Placement n = ApplyPlacementText(Start, "-2147483648,0,-2147483648,0");
    EXPECT_EQ(n.Bounds.Right, INT32_MIN);
    EXPECT_EQ(FormatPlacementText({{INT32_MIN, 0, INT32_MAX, 0}, 0}), "-2147483648,0,4294967295,0,0");
}

TEST(PlacementText, UnusableFramesAreBroughtOntoTheWorkArea)
{
    const PlacementRect area{0, 0, 1024, 738};
    // Usable frames stay, partly off the area too.
    for (const PlacementRect frame : {PlacementRect{10, 10, 610, 410}, PlacementRect{-300, 0, 200, 380},
                                      PlacementRect{900, 600, 1500, 1000}})
        EXPECT_EQ(UsablePlacementBounds(frame, area, 320, 200), frame);
    // Off every edge: moved on, size kept.
    EXPECT_EQ(UsablePlacementBounds({5000, 4000, 5600, 4400}, area, 320, 200), (PlacementRect{424, 338, 1024, 738}));
    EXPECT_EQ(UsablePlacementBounds({-900, 10, -300, 410}, area, 320, 200), (PlacementRect{0, 10, 600, 410}));
    EXPECT_EQ(UsablePlacementBounds({100, -300, 700, 100}, area, 320, 200), (PlacementRect{100, 0, 700, 400}));
    // Too small: grown in place; larger than the area: cut to it.
    EXPECT_EQ(UsablePlacementBounds({10, 10, 10, 10}, area, 320, 200), (PlacementRect{10, 10, 330, 210}));
    EXPECT_EQ(UsablePlacementBounds({-5000, -5000, 9000, 9000}, area, 320, 200), (PlacementRect{0, 0, 1024, 738}));
    // A work area with an offset (a second monitor on the left).
    EXPECT_EQ(UsablePlacementBounds({0, 0, 0, 0}, {-1280, 0, 0, 1024}, 320, 200), (PlacementRect{-320, 0, 0, 200}));
}

TEST(PlacementText, SizesScaleBetweenDensitiesAndTheCornerStays)
{
    EXPECT_EQ(ScalePlacementSize(Start.Bounds, 144, 96), (PlacementRect{100, 50, 1060, 770}));
    EXPECT_EQ(ScalePlacementSize({100, 50, 1060, 770}, 96, 144), Start.Bounds);
    // Rounded to the nearest pixel, also for a frame drawn inside out.
    EXPECT_EQ(ScalePlacementSize({0, 0, 641, -641}, 96, 144), (PlacementRect{0, 0, 427, -427}));
    EXPECT_EQ(ScalePlacementSize({0, 0, INT32_MAX, 10}, 2, 1), (PlacementRect{0, 0, INT32_MAX, 20}));
}
