#include "image/TrimmingPlan.h"

#include "core/Exception.h"

#include <gtest/gtest.h>

using namespace pictor;

TEST(TrimmingPlan, ControlRectangleOnAStretchedPicture)
{
    // 400 x 200 shown on 200 x 100.
    const TTrimmingPlan plan = PlanTrimming(Rect(10, 20, 109, 69), false, true, 200, 100, 400, 200);
    ASSERT_TRUE(plan.Accepted());
    EXPECT_EQ(plan.Source, Rect(20, 40, 219, 139)); // columns 20..218, rows 40..138
    EXPECT_EQ(plan.CropWidth(), 199);
    EXPECT_EQ(plan.CropHeight(), 99);
    EXPECT_EQ(plan.ControlWidth, 100);
    EXPECT_EQ(plan.ControlHeight, 50);
}

TEST(TrimmingPlan, PictureRectangleOnAStretchedPicture)
{
    const TTrimmingPlan plan = PlanTrimming(Rect(20, 40, 219, 139), true, true, 200, 100, 400, 200);
    ASSERT_TRUE(plan.Accepted());
    EXPECT_EQ(plan.Source, Rect(20, 40, 220, 140));
    EXPECT_EQ(plan.CropWidth(), 200);
    EXPECT_EQ(plan.CropHeight(), 100);
    EXPECT_EQ(plan.ControlWidth, 100); // V = (10, 20, 109, 69)
    EXPECT_EQ(plan.ControlHeight, 50);
}

TEST(TrimmingPlan, MappingTruncatesEachCorner)
{
    // 3000 x 2000 on 900 x 600.
    const TTrimmingPlan plan = PlanTrimming(Rect(100, 100, 800, 500), false, true, 900, 600, 3000, 2000);
    ASSERT_TRUE(plan.Accepted());
    EXPECT_EQ(plan.Source, Rect(333, 333, 2667, 1667)); // S = (333, 333, 2666, 1666)
    EXPECT_EQ(plan.CropWidth(), 2334);
    EXPECT_EQ(plan.CropHeight(), 1334);
    EXPECT_EQ(plan.ControlWidth, 701);
    EXPECT_EQ(plan.ControlHeight, 401);
}

TEST(TrimmingPlan, ProductsDoNotOverflow)
{
    // 65536 x 65536 on a 40000 x 40000 control: 39999 * 65536 needs more
    // than 32 bits.
    const TTrimmingPlan plan = PlanTrimming(Rect(0, 0, 39999, 39999), false, true, 40000, 40000, 65536, 65536);
    ASSERT_TRUE(plan.Accepted());
    EXPECT_EQ(plan.Source, Rect(0, 0, 65535, 65535)); // 39999 * 65536 div 40000 = 65534
    const TTrimmingPlan back = PlanTrimming(Rect(65535, 65535, 65535, 65535), true, true, 40000, 40000, 65536, 65536);
    ASSERT_TRUE(back.Accepted());
    EXPECT_EQ(back.ControlWidth, 1);
}

TEST(TrimmingPlan, UnstretchedTakesTheRectangleAsPicturePixels)
{
    for (bool pictureCoords : {false, true}) {
        const TTrimmingPlan plan = PlanTrimming(Rect(10, 20, 109, 69), pictureCoords, false, 200, 100, 400, 200);
        ASSERT_TRUE(plan.Accepted());
        EXPECT_EQ(plan.Source, Rect(10, 20, 110, 70));
        EXPECT_EQ(plan.ControlWidth, 200);
        EXPECT_EQ(plan.ControlHeight, 100);
    }
}

TEST(TrimmingPlan, EdgesOfThePicture)
{
    EXPECT_TRUE(PlanTrimming(Rect(0, 0, 399, 199), true, false, 200, 100, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(0, 0, 400, 199), true, false, 200, 100, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(0, 0, 399, 200), true, false, 200, 100, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(-1, 0, 399, 199), true, false, 200, 100, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(0, -1, 399, 199), true, false, 200, 100, 400, 200).Accepted());
    // Stretched: the control's last column maps inside, the next one outside.
    EXPECT_TRUE(PlanTrimming(Rect(0, 0, 199, 99), false, true, 200, 100, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(0, 0, 200, 99), false, true, 200, 100, 400, 200).Accepted());
    const TTrimmingPlan pixel = PlanTrimming(Rect(5, 7, 5, 7), true, false, 200, 100, 400, 200);
    ASSERT_TRUE(pixel.Accepted());
    EXPECT_EQ(pixel.CropWidth(), 1);
    EXPECT_EQ(pixel.CropHeight(), 1);
}

TEST(TrimmingPlan, ReversedAndNegativeRectanglesAreRefused)
{
    EXPECT_FALSE(PlanTrimming(Rect(50, 10, 49, 20), true, false, 200, 100, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(10, 50, 20, 49), false, true, 200, 100, 400, 200).Accepted());
    // Reversed on the control but one pixel in the picture: 400 x 200 on a
    // 4000 x 2000 control maps 41 and 40 both to 4.
    EXPECT_FALSE(PlanTrimming(Rect(41, 10, 40, 20), false, true, 4000, 2000, 400, 200).Accepted());
    // Negative control coordinates that would truncate to 0.
    EXPECT_FALSE(PlanTrimming(Rect(-1, 0, 100, 100), false, true, 4000, 2000, 400, 200).Accepted());
    EXPECT_FALSE(PlanTrimming(Rect(0, -5, 100, 100), false, true, 4000, 2000, 400, 200).Accepted());
}

TEST(TrimmingPlan, ZeroDivisorRaisesDivisionByZero)
{
    EXPECT_THROW(PlanTrimming(Rect(0, 0, 1, 1), false, true, 0, 100, 400, 200), EDivByZero);
    EXPECT_THROW(PlanTrimming(Rect(0, 0, 1, 1), false, true, 200, 0, 400, 200), EDivByZero);
    EXPECT_THROW(PlanTrimming(Rect(0, 0, 1, 1), true, true, 200, 100, 0, 200), EDivByZero);
    EXPECT_THROW(PlanTrimming(Rect(0, 0, 1, 1), true, true, 200, 100, 400, 0), EDivByZero);
    // Not stretched: no mapping, no division.
    EXPECT_FALSE(PlanTrimming(Rect(0, 0, 1, 1), false, false, 0, 0, 0, 0).Accepted());
}
