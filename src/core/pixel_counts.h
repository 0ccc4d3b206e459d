#pragma once
// Where the counts of a picture of any size come from: the one thing a
// picture engine asks of a view. The picture engine (picture_engine.h) calls
// it from several threads at once, so an implementation keeps no state that
// a call changes.

#include <cstdint>
#include <functional>

namespace vantorel {

// Rows of one column of a stage's blocks whose point passes the first test
// of the escape count (|c|^2 <= 4), as indices of the rows 0, rowStep,
// 2 rowStep, ...: one run [first, last], or none when last < first.
struct RowRun {
    int first = 0, last = -1;
    bool empty() const { return last < first; }
};

class PixelCountSource {
public:
    virtual ~PixelCountSource() = default;
    // counts[i] = the escape count of pixel (px0 + i, py), for i < n, exactly
    // as the plotting pass on a canvas of the picture's size would count it.
    virtual void countRun(int py, int px0, int n, std::int16_t* counts) const = 0;
    // Which of `rows` rows 0, rowStep, 2 rowStep, ... of column px pass the
    // first test, that is, have a count above 0. They form one run: the disc
    // |c| <= 2 meets a column in one piece. Called for a few columns of every
    // stage and for every column of the picture, so it must not iterate.
    virtual RowRun rowsInsideDisc(int px, int rowStep, int rows) const = 0;
};

// rowsInsideDisc by bisection, for a source that can test one row: `inside`
// of a row index (0 .. rows - 1) must grow no worse from index 0 up to
// `split` and no better from `split` on (|c|^2 falls as the rows near the
// real axis and rises past it; `split` is the first row on or past the
// axis, 0 .. rows).
RowRun bisectRowsInsideDisc(int rows, int split, const std::function<bool(int row)>& inside);

// The counts of a view held in doubles: pixel (px, py) has the point
// cRe = px * pixelStepX + viewXMin, cIm = py * pixelStepY + viewYMin, with
// pixelStepX = (viewXMax - viewXMin) / width, as the plotting pass forms it,
// counted by the batch kernel (bit for bit escapeCount's count).
class DoubleViewCounts final : public PixelCountSource {
public:
    // The corners must be finite, the step at least 1 (throws std::invalid_argument).
    DoubleViewCounts(double viewXMin, double viewYMin, double viewXMax, double viewYMax, int width, int height,
                     float maxIterations, int calcStep);
    void countRun(int py, int px0, int n, std::int16_t* counts) const override;
    RowRun rowsInsideDisc(int px, int rowStep, int rows) const override;

private:
    double xMin, yMin, stepX, stepY;
    float limit;
    int step;
};

}  // namespace vantorel
