#include "core/escape.h"
#include "platform/memory_platform.h"
#include "platform/pixel_box.h"
#include "support/fixture.h"

#include <vector>

namespace vantorel::testing {
namespace {

constexpr Colour rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

class PaintBlockTest : public ProgramTest {
protected:
    // Paints a 4 x 4 block at (8, 8) with the count and returns its colour.
    Colour paint(int count, float limit = 1000)
    {
        state.maxIterations = limit;
        state.iterationCount = static_cast<std::int16_t>(count);
        state.pixelX = 8;
        state.pixelY = 8;
        state.blockWidth = 4;
        state.blockHeight = 4;
        paintBlock();
        EXPECT_EQ(state.blockColour, fake.pixel(11, 11));
        return state.blockColour;
    }
};

TEST_F(PaintBlockTest, ColoursOfTheFourBandsAndTheSet)
{
    EXPECT_EQ(paint(1005), 0);            // band 4: black
    EXPECT_EQ(paint(100), 0);             // band 0, shade 1000 mod 100 = 0
    EXPECT_EQ(paint(15), rgb(19, 0, 0));  // shade 10, 500 * 10 \ 255
    EXPECT_EQ(state.colourLevel, 19);
    EXPECT_EQ(paint(255), rgb(200, 235, 0));  // band 1
    EXPECT_EQ(paint(600), rgb(0, 0, 255));    // band 2, shade 400 clamped
    EXPECT_EQ(paint(990), rgb(245, 0, 10));   // band 3
    EXPECT_EQ(state.colourBand, 3.0f);
}

TEST_F(PaintBlockTest, ACountOfZeroKeepsTheShadeOfThePreviousBlock)
{
    EXPECT_EQ(paint(0), 0);  // shade 0 after start-up
    paint(15);               // shade 10
    EXPECT_EQ(paint(0), rgb(19, 0, 0));
    EXPECT_EQ(state.shade, 10.0f);
}

TEST_F(PaintBlockTest, IntensityScalesBandZeroOnlyAndSaturatesAt255)
{
    EXPECT_EQ(paint(7), rgb(11, 0, 0));  // shade 6 at 500; again at 1020 below
    paint(990);                           // shade 10
    fake.presetScrollValue(ScrollBar::colourbar, 0);
    EXPECT_EQ(paint(0), 0);
    fake.presetScrollValue(ScrollBar::colourbar, 1020);
    EXPECT_EQ(paint(0), rgb(40, 0, 0));
    EXPECT_EQ(paint(7), rgb(24, 0, 0));     // shade 6
    EXPECT_EQ(paint(70), rgb(80, 0, 0));    // shade 20
    EXPECT_EQ(paint(130), rgb(255, 0, 0));  // shade 90: 360 saturates
    EXPECT_EQ(state.colourLevel, 360);
    EXPECT_EQ(paint(900), rgb(155, 0, 100));  // band 3 ignores the intensity
}

TEST_F(PaintBlockTest, ACountJustBelowTheLimitKeepsItsBandColour)
{
    // With step 1, 999 is above limit - 2 but still in band 3: shade 1000 mod 999 = 1.
    EXPECT_EQ(paint(999), rgb(254, 0, 1));
    EXPECT_EQ(paint(1001), 0);
    // With a limit of 1 every positive count is black; 0 is band 0.
    EXPECT_EQ(paint(15, 1), 0);
    EXPECT_EQ(paint(1, 1), 0);
}

TEST_F(PaintBlockTest, BlocksOneHighSetOnlyTheirLeftPixel)
{
    state.maxIterations = 1000;
    state.iterationCount = 600;
    state.pixelX = 10;
    state.pixelY = 20;
    state.blockWidth = 2;
    state.blockHeight = 1;
    paintBlock();
    EXPECT_EQ(fake.pixel(10, 20), rgb(0, 0, 255));
    EXPECT_EQ(fake.pixel(11, 20), 0);
    EXPECT_EQ(fake.setPixelCalls, 1);
    EXPECT_EQ(fake.fillBoxCalls, 0);
    state.blockWidth = 1;
    state.blockHeight = 2;
    paintBlock();
    EXPECT_EQ(fake.fillBoxCalls, 1);
    EXPECT_EQ(fake.pixel(10, 21), rgb(0, 0, 255));
    EXPECT_EQ(state.blockRight, 10);
    EXPECT_EQ(state.blockBottom, 21);
}

// A column of blocks painted at once sets exactly the pixels that its blocks
// painted one by one set, for every block width the stages use, an odd
// width, and columns that run off the canvas.
TEST(PaintColumnTest, SamePixelsAsBlockByBlock)
{
    struct Column {
        int x, width, height, blocks;
    };
    for (const Column c : {Column{0, 16, 16, 31}, Column{8, 8, 16, 31}, Column{592, 8, 4, 125}, Column{596, 4, 8, 62},
                           Column{7, 2, 1, 500}, Column{599, 1, 2, 250}, Column{3, 3, 5, 100}, Column{590, 16, 16, 32},
                           Column{-2, 4, 4, 3}, Column{10, 2, 4, 125}, Column{16, 16, 16, 32}}) {
        std::vector<Colour> colours;
        for (int k = 0; k < c.blocks; ++k)
            colours.push_back(rgb(k % 256, 255 - k % 256, 7));
        MemoryPlatform atOnce, oneByOne;
        atOnce.canvasPaintColumn(c.x, c.width, c.height, colours.data(), c.blocks);
        oneByOne.Platform::canvasPaintColumn(c.x, c.width, c.height, colours.data(), c.blocks);
        EXPECT_TRUE(atOnce.canvas() == oneByOne.canvas()) << "column at " << c.x << " of " << c.width << " x " << c.height;
        EXPECT_EQ(atOnce.setPixelCalls, oneByOne.setPixelCalls);
        EXPECT_EQ(atOnce.fillBoxCalls, oneByOne.fillBoxCalls);
    }
    // Rows past the bottom would land outside the canvas's pixels, where the
    // comparison above cannot see them: such a column must go block by block.
    PixelBox box{};
    EXPECT_FALSE(columnBox(16, 16, 16, 32, 600, 500, box));
    ASSERT_TRUE(columnBox(16, 16, 4, 125, 600, 500, box));
    EXPECT_EQ(box.y2, 499);
}

}  // namespace
}  // namespace vantorel::testing
