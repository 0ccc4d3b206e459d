// Pictures of any size against the plotting pass itself on an in-memory
// canvas of that size, pixel for pixel, and the counts against escapeCount.

#include "core/deep_counts.h"
#include "core/deep_view.h"
#include "core/escape.h"
#include "core/picture_engine.h"
#include "core/pixel_counts.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "support/deep_views.h"
#include "support/fixture.h"

#include <numeric>
#include <stdexcept>

namespace vantorel::testing {
namespace {

struct Picture {
    std::vector<Colour> colours;
    std::vector<std::int16_t> counts;
    std::vector<int> order;  // the rows in the order they came
};

class Collect : public PictureRows {
public:
    Collect(Picture& p, int width, int stopAt = -1) : picture(p), width(width), stopAt(stopAt) {}
    bool takeRow(int y, const Colour* colours, const std::int16_t* counts) override
    {
        if (y == stopAt)
            return false;
        picture.order.push_back(y);
        picture.colours.insert(picture.colours.end(), colours, colours + width);
        picture.counts.insert(picture.counts.end(), counts, counts + width);
        return true;
    }

private:
    Picture& picture;
    int width, stopAt;
};

Picture engine(const PlotSettings& p, int width, int height, int threads = 0)
{
    Picture picture;
    PictureSettings s{width, height, static_cast<float>(p.iterations), p.intensity, p.refinement, p.synchronized};
    const DoubleViewCounts source(p.view[0], p.view[1], p.view[2], p.view[3], width, height,
                                  static_cast<float>(p.iterations), p.step);
    Collect rows(picture, width);
    PictureControl control;
    control.threads = threads;
    control.rowMemory = 1;  // the smallest ring: rows wait for the writer
    EXPECT_EQ(drawPicture(s, source, rows, control), PictureEnd::Complete);
    return picture;
}

DeepView parseView(const char* const (&corners)[4])
{
    const auto at = [&](int k) { return *BigFloat::parse(corners[k], 512); };
    return {at(0), at(1), at(2), at(3)};
}

// A deep view: counted as the window counts it on a canvas of this size.
Picture engine(const DeepView& view, const PlotSettings& p, int width, int height)
{
    Picture picture;
    PictureSettings s{width, height, static_cast<float>(p.iterations), p.intensity, p.refinement, p.synchronized};
    const auto source = pictureCountsFor(view, true, width, height, static_cast<float>(p.iterations), p.step);
    Collect rows(picture, width);
    EXPECT_EQ(drawPicture(s, *source, rows), PictureEnd::Complete);
    return picture;
}

std::int16_t escapeCountAt(const PlotSettings& p, int width, int height, int x, int y)
{
    state.cRe = x * ((p.view[2] - p.view[0]) / width) + p.view[0];
    state.cIm = y * ((p.view[3] - p.view[1]) / height) + p.view[1];
    state.maxIterations = static_cast<float>(p.iterations);
    state.calcStep = static_cast<std::int16_t>(p.step);
    return escapeCount();
}

TEST(PictureEngineTest, EverySizeIsTheCompletePassOnACanvasOfThatSize)
{
    // The full view (count-0 pixels at the top left take the shade of the
    // stage before), a view across the disc's edge at -2 (the first columns
    // take the shade of the last block inside it of the stage before, whose
    // count varies from pixel to pixel), one upside down about -2 (the
    // imaginary part falls down the columns, which cross the disc's edge),
    // one that meets the disc in its first column only, one wholly outside
    // the disc, and a deep one.
    PlotSettings full, edge, flipped, first, outside, deep;
    edge.view[0] = -2.6, edge.view[1] = -0.6, edge.view[2] = -1.98, edge.view[3] = 0.6;
    edge.intensity = 1020, edge.iterations = 997, edge.step = 1;
    flipped = edge;
    flipped.view[0] = -2.05, flipped.view[1] = 0.5, flipped.view[2] = -1.9, flipped.view[3] = -0.4;
    first.view[0] = 1.99, first.view[1] = -0.5, first.view[2] = 3.0, first.view[3] = 0.5;
    outside.view[0] = 2.5, outside.view[1] = 2.5, outside.view[2] = 3.0, outside.view[3] = 3.5;
    deep.view[0] = -0.75, deep.view[1] = 0.095, deep.view[2] = -0.74, deep.view[3] = 0.105;
    deep.iterations = 3000, deep.step = 1;
    const std::pair<int, int> sizes[] = {{7, 3}, {601, 1}, {1, 1}, {17, 33}, {33, 17}, {16, 16}, {203, 61}};
    for (const PlotSettings* view : {&full, &edge, &flipped, &first, &outside, &deep})
        for (const auto& [width, height] : sizes)
            for (const bool refinement : {true, false})
                for (const bool synchronized : {false, true}) {
                    PlotSettings p = *view;
                    p.refinement = refinement, p.synchronized = synchronized;
                    const Picture picture = engine(p, width, height);
                    EXPECT_EQ(picture.colours, startOnCanvas(p, width, height))
                        << width << " x " << height << " refinement " << refinement << " synchronized "
                        << synchronized << " view " << p.view[0];
                }
    // Deep views, drawn with the deep engine on some canvases and with their
    // nearest doubles on others: the tip of the antenna, whose left half is
    // outside the disc, and a copy of the set on the antenna 1e-70 wide.
    for (const auto* corners : {&TipOfTheAntenna, &Antenna1e70}) {
        const DeepView view = parseView(*corners);
        PlotSettings p;
        p.iterations = 400, p.step = 1;
        for (const auto& [width, height] : {std::pair{7, 3}, {17, 33}, {203, 61}, {600, 500}})
            EXPECT_EQ(engine(view, p, width, height).colours, startOnCanvas(p, width, height, &view))
                << (*corners)[0] << " " << width << " x " << height;
    }
    // Today's picture, and the counts it was painted with.
    const Picture picture = engine(full, 600, 500, 1);
    EXPECT_EQ(picture.colours, startOnCanvas(full, 600, 500));
    for (int y = 0; y < 500; y += 7)
        for (int x = 0; x < 600; x += 3)
            ASSERT_EQ(picture.counts[y * 600 + x], escapeCountAt(full, 600, 500, x, y)) << x << ", " << y;
    std::vector<int> topDown(500);
    std::iota(topDown.begin(), topDown.end(), 0);
    EXPECT_EQ(picture.order, topDown);
}

TEST(PictureEngineTest, ACanvasBelowTheFirstBlockIsFlatWithCountsOfZero)
{
    // With refinement on nothing is ever computed there.
    const Picture picture = engine({}, 15, 40);
    EXPECT_EQ(picture.colours, std::vector<Colour>(15 * 40, 0));
    EXPECT_EQ(picture.counts, std::vector<std::int16_t>(15 * 40, 0));
    PlotSettings off;
    off.refinement = false;
    EXPECT_EQ(engine(off, 15, 40).counts[20 * 15 + 10], escapeCountAt(off, 15, 40, 10, 20));
}

TEST(PictureEngineTest, StopsWhenTheRowsRefuseOrOnCancelAndRefusesBadSizes)
{
    Picture picture;
    const DoubleViewCounts source(-2.25, -1.5, 1.25, 1.5, 300, 200, 1000, 15);
    Collect refusing(picture, 300, 50);
    PictureSettings s{300, 200};
    EXPECT_EQ(drawPicture(s, source, refusing), PictureEnd::Stopped);
    EXPECT_EQ(picture.order.size(), 50u);

    std::atomic<bool> cancel{false};
    PictureControl control;
    control.cancel = &cancel;
    int last = 0;
    control.progress = [&](int rows) {
        last = rows;
        if (rows == 20)
            cancel = true;
    };
    Picture more;
    Collect all(more, 300);
    EXPECT_EQ(drawPicture(s, source, all, control), PictureEnd::Cancelled);
    EXPECT_EQ(last, 20);
    EXPECT_EQ(more.order.size(), 20u);

    for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {65536, 1}, {1, 65536}})
        EXPECT_THROW(drawPicture({width, height}, source, all), std::invalid_argument) << width << " x " << height;
    EXPECT_THROW(drawPicture({5, 5, 0.5f}, source, all), std::invalid_argument);
    EXPECT_THROW(drawPicture({5, 5, 30001}, source, all), std::invalid_argument);
}

}  // namespace
}  // namespace vantorel::testing
