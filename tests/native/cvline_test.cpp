#include "support/cvline.h"

#include <gtest/gtest.h>

#include <vector>

namespace cvinst {
namespace {

struct Stroke {
    float x1, y1, x2, y2;
    uint32_t color;
    bool operator==(const Stroke&) const = default;
};

void PrintTo(const Stroke& s, std::ostream* os) {
    *os << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ") #" << std::hex
        << s.color;
}

class FakeSurface : public LineSurface {
public:
    void SetAutoRedraw(bool on) override {
        autoRedraw = on;
        autoRedrawBeforeFirstLine = strokes.empty();
    }
    float Width() override { return width; }
    float Height() override { return height; }
    uint32_t BackColor() override { return back; }
    void Line(float x1, float y1, float x2, float y2, uint32_t color) override {
        strokes.push_back({x1, y1, x2, y2, color});
    }

    float width = 6000, height = 5000;
    uint32_t back = 0xC0C0C0;
    bool autoRedraw = false, autoRedrawBeforeFirstLine = false;
    std::vector<Stroke> strokes;
};

using Strokes = std::vector<Stroke>;

class CVLineTest : public ::testing::Test {
protected:
    // Initialises, then forgets what InitCVLine drew so a test sees only what follows.
    void Init(float x, float y, bool vertical, bool dbl, float l) {
        line.InitCVLine(x, y, surface, vertical, dbl, l);
        surface.strokes.clear();
    }

    FakeSurface surface;
    CVLine line;
};

TEST_F(CVLineTest, FirstInitPaintsOverTheEmptySettingsThenDrawsDarkBeforeWhite) {
    line.InitCVLine(100, 40, surface, false, true);
    EXPECT_TRUE(surface.autoRedraw);
    EXPECT_TRUE(surface.autoRedrawBeforeFirstLine);
    EXPECT_EQ(surface.strokes, (Strokes{{0, 15, 5900, 15, 0xC0C0C0},
                                        {100, 40, 5800, 40, kLineDark},
                                        {100, 55, 5800, 55, kLineWhite}}));
    EXPECT_EQ(line.StartX, 100);
    EXPECT_EQ(line.StartY, 40);
    EXPECT_EQ(line.DrawnLength, 5700);
    EXPECT_TRUE(line.DoubleLine);
}

TEST_F(CVLineTest, DefaultsGiveASingleFittedHorizontalLine) {
    line.InitCVLine(100, 40, surface);
    ASSERT_EQ(surface.strokes.size(), 2u);
    EXPECT_EQ(surface.strokes[1], (Stroke{100, 55, 5800, 55, kLineWhite}));
}

TEST_F(CVLineTest, ReinitPaintsOverTheOldSettingsInTheBackgroundColour) {
    Init(100, 40, false, true, 0);
    surface.back = 0x123456;
    line.InitCVLine(200, 300, surface, true, false, 1000);
    EXPECT_EQ(surface.strokes, (Strokes{{100, 40, 5800, 40, 0x123456},
                                        {100, 55, 5800, 55, 0x123456},
                                        {215, 300, 215, 1300, kLineWhite}}));
    EXPECT_TRUE(line.Vertical);
    EXPECT_FALSE(line.DoubleLine);
    EXPECT_EQ(line.RequestedLength, 1000);
}

TEST_F(CVLineTest, SingleLineDrawsOnlyTheWhiteOne) {
    Init(100, 40, false, false, 0);
    line.Refresh();
    EXPECT_EQ(surface.strokes, (Strokes{{100, 55, 5800, 55, kLineWhite}}));
    surface.strokes.clear();
    Init(200, 300, true, false, 0);
    line.Refresh();
    EXPECT_EQ(surface.strokes, (Strokes{{215, 300, 215, 4350, kLineWhite}}));
}

TEST_F(CVLineTest, FittedVerticalLine) {
    Init(200, 300, true, true, 0);
    line.Refresh();
    EXPECT_EQ(surface.strokes,
              (Strokes{{200, 300, 200, 4350, kLineDark}, {215, 300, 215, 4350, kLineWhite}}));
    EXPECT_EQ(line.DrawnLength, 4050);
}

TEST_F(CVLineTest, GivenLengthIgnoresTheWindowSize) {
    Init(100, 40, false, true, 750.5f);
    surface.width = 300;
    line.Refresh();
    line.Clear();
    EXPECT_EQ(surface.strokes, (Strokes{{100, 40, 850.5f, 40, kLineDark},
                                        {100, 55, 850.5f, 55, kLineWhite},
                                        {100, 40, 850.5f, 40, 0xC0C0C0},
                                        {100, 55, 850.5f, 55, 0xC0C0C0}}));
}

TEST_F(CVLineTest, FittedLengthFollowsAResizeInRefreshAndClear) {
    Init(100, 40, false, true, 0);
    surface.width = 8000;
    line.Refresh();
    EXPECT_EQ(line.DrawnLength, 7700);
    surface.width = 7000;
    line.Clear();
    EXPECT_EQ(line.DrawnLength, 6700);
    EXPECT_EQ(surface.strokes, (Strokes{{100, 40, 7800, 40, kLineDark},
                                        {100, 55, 7800, 55, kLineWhite},
                                        {100, 40, 6800, 40, 0xC0C0C0},
                                        {100, 55, 6800, 55, 0xC0C0C0}}));
}

TEST_F(CVLineTest, VerticalFittedLengthFollowsTheHeight) {
    Init(200, 300, true, false, 0);
    surface.height = 2000;
    surface.width = 100;  // must not matter
    line.Refresh();
    EXPECT_EQ(surface.strokes, (Strokes{{215, 300, 215, 1350, kLineWhite}}));
}

TEST_F(CVLineTest, TooSmallWindowGivesANegativeLength) {
    surface.width = 200;
    Init(100, 40, false, true, 0);
    line.Refresh();
    EXPECT_EQ(line.DrawnLength, -100);
    EXPECT_EQ(surface.strokes,
              (Strokes{{100, 40, 0, 40, kLineDark}, {100, 55, 0, 55, kLineWhite}}));
}

TEST_F(CVLineTest, ClearUsesTheBackgroundColourOfThatMoment) {
    Init(100, 40, false, true, 0);
    surface.back = 0x00FF00;
    line.Clear();
    surface.back = 0x0000FF;
    line.Clear();
    EXPECT_EQ(surface.strokes, (Strokes{{100, 40, 5800, 40, 0x00FF00},
                                        {100, 55, 5800, 55, 0x00FF00},
                                        {100, 40, 5800, 40, 0x0000FF},
                                        {100, 55, 5800, 55, 0x0000FF}}));
}

TEST(CVLineUninitialised, RefreshAndClearDoNothing) {
    CVLine line;
    line.RequestedLength = 500;
    line.Refresh();
    line.Clear();
    EXPECT_EQ(line.DrawnLength, 0) << "without a surface not even the length is worked out";
}

}  // namespace
}  // namespace cvinst
