// The map view's transform between bitmap and window pixels.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "model/Mapgrid.h"

namespace {

void ExpectSame(const TMapTransform& a, const TMapTransform& b)
{
    EXPECT_EQ(a.Scale, b.Scale);
    EXPECT_EQ(a.InvScale, b.InvScale);
    EXPECT_EQ(a.ScaleX, b.ScaleX);
    EXPECT_EQ(a.ScaleY, b.ScaleY);
    EXPECT_EQ(a.InvScaleX, b.InvScaleX);
    EXPECT_EQ(a.InvScaleY, b.InvScaleY);
    EXPECT_EQ(a.OriginX, b.OriginX);
    EXPECT_EQ(a.OriginY, b.OriginY);
}

} // namespace

TEST(MapTransform, FitScaleOriginAndRects)
{
    TMapTransform t;
    t.BitmapWidth = 4000;
    t.BitmapHeight = 3000;
    t.WindowWidth = 800;
    t.WindowHeight = 800;
    t.FitToWindow(); // width ratio 5 against height ratio 3.75
    EXPECT_EQ(t.Scale, 5.0);
    EXPECT_EQ(t.InvScaleY, 0.2);
    EXPECT_EQ(t.ImageToScreen(4000, 3000), (TScreenPoint{800, 600}));
    EXPECT_EQ(t.ImageToScreen(0, 0), (TScreenPoint{0, 0}));

    t.SetScale(1000, 500, 400, 300, 2);
    EXPECT_EQ(t.ImageToScreen(1000, 500), (TScreenPoint{400, 300}));
    EXPECT_EQ(t.ScreenToImage(0, 0).X, 200.0);
    EXPECT_EQ(t.ScreenToImage(0, 0).Y, -100.0);

    // A window 500 pixels wide showing 1001 bitmap columns: the per-axis
    // scale is that of the copied rectangle, the zoom stays.
    t.SetFromRects(10, 20, 1001, 750, 500, 375);
    EXPECT_EQ(t.ScaleX, 1001.0 / 500.0);
    EXPECT_EQ(t.ScaleY, 2.0);
    EXPECT_EQ(t.Scale, 2.0);
    EXPECT_EQ(t.ImageToScreen(1011, 770), (TScreenPoint{500, 375}));
    EXPECT_EQ(t.ScreenToImageUniform(10, 0).X, 30.0);
    EXPECT_DOUBLE_EQ(t.ScreenToImage(10, 0).X, 10 + 10 * 1001.0 / 500.0);

    // Panning keeps the scales and puts the anchor under the pointer.
    t.SetOrigin(100, 100, 50, 60);
    EXPECT_EQ(t.ScaleX, 1001.0 / 500.0);
    EXPECT_EQ(t.ImageToScreen(100, 100), (TScreenPoint{50, 60}));
}

TEST(MapTransform, RoundsHalvesUpAndTowardZeroBelowMinusHalf)
{
    TMapTransform t;
    EXPECT_EQ(t.ImageToScreen(0.4, 0.5), (TScreenPoint{0, 1}));
    EXPECT_EQ(t.ImageToScreen(-0.7, -1.7), (TScreenPoint{0, -1}));
    EXPECT_EQ(t.ImageToScreen(-0.5, 1.49), (TScreenPoint{0, 1}));
}

TEST(MapTransform, MinimisedWindowAndWildValues)
{
    TMapTransform t;
    t.BitmapWidth = 4000;
    t.BitmapHeight = 3000;
    t.WindowWidth = 800;
    t.WindowHeight = 600;
    t.FitToWindow();
    t.SetOrigin(100, 200, 0, 0);
    const TMapTransform before = t;

    // Minimised, collapsed to a line, or no bitmap: nothing to fit to.
    for (auto [w, h, bw, bh] : {std::array{0, 0, 4000, 3000}, std::array{0, 600, 4000, 3000},
                                std::array{800, 0, 4000, 3000}, std::array{-5, 600, 4000, 3000},
                                std::array{800, 600, 0, 0}}) {
        t.WindowWidth = w;
        t.WindowHeight = h;
        t.BitmapWidth = bw;
        t.BitmapHeight = bh;
        t.FitToWindow();
        ExpectSame(t, before);
    }
    // Scales that would divide by zero are not taken.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double s : {0.0, -1.0, nan, inf, 1e-320}) {
        t.SetScale(0, 0, 0, 0, s);
        ExpectSame(t, before);
    }
    // A copy onto a window of no size keeps the per-axis scales.
    t.SetFromRects(100, 200, 0, 0, 0, 0);
    ExpectSame(t, before);
    t.SetFromRects(100, 200, 10, 10, 0, 5);
    EXPECT_EQ(t.ScaleX, before.ScaleX);
    EXPECT_EQ(t.ScaleY, 2.0);

    // Values no int can hold are kept at the limit; not-a-number gives 0.
    TMapTransform u;
    const int limit = TMapTransform::ScreenLimit;
    EXPECT_EQ(u.ImageToScreen(1e300, -1e300), (TScreenPoint{limit, -limit}));
    EXPECT_EQ(u.ImageToScreen(inf, -inf), (TScreenPoint{limit, -limit}));
    EXPECT_EQ(u.ImageToScreen(nan, 3e9), (TScreenPoint{0, limit}));
    u.SetScale(0, 0, 0, 0, 1e-300); // extreme zoom: finite, kept in range
    EXPECT_EQ(u.ImageToScreen(1, -1), (TScreenPoint{limit, -limit}));
}
