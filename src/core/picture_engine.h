#pragma once
// Pictures of any size, row by row, in bounded memory and on every core: the
// picture a fresh program's "&Start" draws on a canvas of that size, without
// the canvas.
//
// A complete pass ends with its 1 x 1 stage, which paints every pixel, column
// by column from the top, over whatever the earlier stages left. In that
// stage computePoint never changes: with refinement off every block is
// computed; with it on it keeps what the 16 x 16 stage left, which is "yes"
// unless the canvas is narrower or lower than 16 pixels, where that stage has
// no block and the start-up value "no" stays. Then nothing is ever computed
// and every pixel gets the start-up count 0 and shade 0: the picture is flat.
// Otherwise each pixel is painted with its own count. A positive count has a
// colour of its own; a count of 0 (the point fails the first test, |c|^2 > 4)
// takes the shade of the block painted last before it with a positive count:
// higher up in its column, or in the nearest column to the left that has
// one, or, for the first columns, the last such block of the earlier stages.
// The disc |c| <= 2 meets every column in one run of rows, so those blocks are
// found per column with a few first tests, without iterating.
//
// Nothing here touches the state record or the platform: the engine runs
// beside the window's own plotting pass.

#include "core/pixel_counts.h"
#include "platform/platform.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace vantorel {

struct PictureSettings {
    int width = 600, height = 500;  // 1 .. MaxPictureSide
    float maxIterations = 1000;     // a whole number, 1 .. 30000, as the source counts with
    int intensity = 500;            // the colour intensity scroll bar, 0 .. 1020
    bool refinement = true, synchronized = false;
};

constexpr int MaxPictureSide = 65535;

// Where the rows go, top to bottom, each once.
class PictureRows {
public:
    virtual ~PictureRows() = default;
    // Row y: `width` colours and the counts the pixels were painted with.
    // False stops the picture (a write failed).
    virtual bool takeRow(int y, const Colour* colours, const std::int16_t* counts) = 0;
};

struct PictureControl {
    const std::atomic<bool>* cancel = nullptr;  // may be set from any thread; checked between rows
    std::function<void(int rowsDone)> progress;  // called on the drawing thread after every row
    int threads = 0;                             // counting threads; 0: one per core
    std::size_t rowMemory = std::size_t{48} << 20;  // bytes for rows counted ahead of the writer
};

enum class PictureEnd { Complete, Cancelled, Stopped };

// Draws the picture: counts from `source` (made for this size), colours from
// the settings, rows to `rows`. Returns Stopped when rows refused one.
// Throws std::invalid_argument for a size or limit out of range.
PictureEnd drawPicture(const PictureSettings& settings, const PixelCountSource& source, PictureRows& rows,
                       const PictureControl& control = {});

// The block sizes of the stages of a fresh program's complete pass.
std::vector<std::pair<int, int>> freshPassStages(bool refinement, bool synchronized);

}  // namespace vantorel
