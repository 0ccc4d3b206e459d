#include "core/picture_engine.h"

#include "core/escape.h"
#include "core/numeric.h"
#include "core/plotting_pass.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vantorel {
namespace {

// Runs work(i) for i < n on `threads` threads, the calling one among them.
template <class Work> void inParallel(int n, int threads, const Work& work)
{
    std::atomic<int> next{0};
    const auto run = [&] {
        for (;;) {
            const int first = next.fetch_add(64, std::memory_order_relaxed);
            if (first >= n)
                return;
            for (int i = first; i < std::min(n, first + 64); ++i)
                work(i);
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads && t * 64 < n; ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread& t : helpers)
        t.join();
}

std::int16_t countOf(const PixelCountSource& source, int px, int py)
{
    std::int16_t count = 0;
    source.countRun(py, px, 1, &count);
    return count;
}

// The shade the earlier stages leave for the 1 x 1 stage: that of their last
// block with a positive count, or the start-up shade 0.
float shadeBeforeLastStage(const PictureSettings& s, const PixelCountSource& source, const CountColours& colours)
{
    const auto stages = freshPassStages(s.refinement, s.synchronized);
    for (auto stage = stages.rbegin() + 1; stage < stages.rend(); ++stage) {
        const auto [blockWidth, blockHeight] = *stage;
        if (s.width < blockWidth || s.height < blockHeight)
            continue;
        const int rows = (s.height - blockHeight) / blockHeight + 1;
        for (int x = (s.width - blockWidth) / blockWidth * blockWidth; x >= 0; x -= blockWidth) {
            const RowRun run = source.rowsInsideDisc(x, blockHeight, rows);
            if (!run.empty())
                return colours.shade(countOf(source, x, run.last * blockHeight));
        }
    }
    return 0;
}

// What the count-0 pixels of each column are painted with: above its run of
// pixels inside the disc (or all of it, when it has none) the shade carried
// in from the columns before, below it the shade of the run's last pixel.
struct Columns {
    std::vector<RowRun> inside;
    std::vector<Colour> above, below;
};

Columns planColumns(const PictureSettings& s, const PixelCountSource& source, const CountColours& colours,
                    int threads)
{
    const int width = s.width, height = s.height;
    Columns c;
    c.inside.resize(static_cast<std::size_t>(width));
    c.above.resize(static_cast<std::size_t>(width));
    c.below.resize(static_cast<std::size_t>(width));
    inParallel(width, threads, [&](int x) { c.inside[x] = source.rowsInsideDisc(x, 1, height); });

    // Only the shades some pixel takes are counted: a view inside the disc needs none.
    std::vector<char> wanted(static_cast<std::size_t>(width), 0);
    bool startWanted = false;
    int lastWithRun = -1;
    for (int x = 0; x < width; ++x) {
        const RowRun& run = c.inside[x];
        if (run.empty() || run.first > 0) {
            if (lastWithRun >= 0)
                wanted[lastWithRun] = 1;
            else
                startWanted = true;
        }
        if (!run.empty()) {
            if (run.last < height - 1)
                wanted[x] = 1;
            lastWithRun = x;
        }
    }
    std::vector<float> shade(static_cast<std::size_t>(width), 0);
    inParallel(width, threads, [&](int x) {
        if (wanted[x])
            shade[x] = colours.shade(countOf(source, x, c.inside[x].last));
    });
    float carried = startWanted ? shadeBeforeLastStage(s, source, colours) : 0;
    for (int x = 0; x < width; ++x) {
        c.above[x] = colours.zeroColour(carried);
        if (wanted[x]) {
            c.below[x] = colours.zeroColour(shade[x]);
            carried = shade[x];
        }
    }
    return c;
}

// Rows counted and coloured ahead of the writer, in a ring: row y lives in
// slot y % slots until it is written.
class RowRing {
public:
    RowRing(int width, int slots)
        : width(width), slots(slots), colours(new Colour[static_cast<std::size_t>(width) * slots]),
          counts(new std::int16_t[static_cast<std::size_t>(width) * slots]), ready(static_cast<std::size_t>(slots), -1)
    {
    }
    Colour* coloursOf(int y) { return colours.get() + static_cast<std::size_t>(y % slots) * width; }
    std::int16_t* countsOf(int y) { return counts.get() + static_cast<std::size_t>(y % slots) * width; }

    // A row to count, once its slot is free; -1 when there is none left.
    int claim(int height)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stopping || next >= height || next < written + slots; });
        if (stopping || next >= height)
            return -1;
        return next++;
    }
    // No wake-up here: the writer looks for its rows every millisecond
    // instead. Waking it for every row cost a system call and a switch of
    // threads per row, a fifth of the time of a 1000 x 1000 picture.
    void finish(int y)
    {
        const std::lock_guard lock(mutex);
        ready[static_cast<std::size_t>(y % slots)] = y;
    }
    // Waits up to `patience` for row y; false when it is not there yet.
    bool waitFor(int y, std::chrono::milliseconds patience)
    {
        const auto until = std::chrono::steady_clock::now() + patience;
        std::unique_lock lock(mutex);
        while (ready[static_cast<std::size_t>(y % slots)] != y && !failed) {
            if (std::chrono::steady_clock::now() >= until)
                return false;
            changed.wait_for(lock, std::chrono::milliseconds(1));
        }
        return true;
    }
    void markWritten(int y)
    {
        {
            const std::lock_guard lock(mutex);
            written = y + 1;
        }
        changed.notify_all();
    }
    void stop()
    {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
    }
    void fail(std::exception_ptr e)
    {
        {
            const std::lock_guard lock(mutex);
            failed = true;
            if (!error)
                error = e;
        }
        changed.notify_all();
    }
    std::exception_ptr failure()
    {
        const std::lock_guard lock(mutex);
        return error;
    }

private:
    const int width, slots;
    // Left uninitialised: a page is touched only when a row first uses it.
    std::unique_ptr<Colour[]> colours;
    std::unique_ptr<std::int16_t[]> counts;
    std::vector<int> ready;  // the row each slot holds, once counted and coloured
    std::mutex mutex;
    std::condition_variable changed;
    int next = 0, written = 0;
    bool stopping = false, failed = false;
    std::exception_ptr error;
};

}  // namespace

std::vector<std::pair<int, int>> freshPassStages(bool refinement, bool synchronized)
{
    // The pass's own stage ends, from the start-up stageCounter 0.
    const int first = refinement ? 16 : 1;
    std::vector<std::pair<int, int>> stages{{first, first}};
    int width = first, height = first;
    std::int16_t counter = 0;
    while (first != 1 && !(width == 1 && height == 1)) {
        counter = wrappingAdd16(counter, 1);
        const BlockSize next = nextStageBlock({static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)},
                                              counter, synchronized);
        width = next.width;
        height = next.height;
        stages.emplace_back(width, height);
    }
    return stages;
}

PictureEnd drawPicture(const PictureSettings& s, const PixelCountSource& source, PictureRows& rows,
                       const PictureControl& control)
{
    if (s.width < 1 || s.height < 1 || s.width > MaxPictureSide || s.height > MaxPictureSide)
        throw std::invalid_argument("drawPicture: a side outside 1 .. 65535");
    const CountColours colours(s.maxIterations, s.intensity);
    const auto cancelled = [&] { return control.cancel && control.cancel->load(std::memory_order_relaxed); };
    const int threads =
        control.threads > 0 ? control.threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const std::size_t width = static_cast<std::size_t>(s.width);

    // The first stage has no block on a canvas narrower or lower than its
    // blocks: computePoint keeps its start-up "no" for the whole pass.
    const int firstBlock = freshPassStages(s.refinement, s.synchronized).front().first;
    if (s.width < firstBlock || s.height < firstBlock) {
        const std::vector<Colour> flat(width, colours.zeroColour(0));
        const std::vector<std::int16_t> zeros(width, 0);
        for (int y = 0; y < s.height; ++y) {
            if (cancelled())
                return PictureEnd::Cancelled;
            if (!rows.takeRow(y, flat.data(), zeros.data()))
                return PictureEnd::Stopped;
            if (control.progress)
                control.progress(y + 1);
        }
        return PictureEnd::Complete;
    }

    const Columns columns = planColumns(s, source, colours, threads);
    const std::size_t rowBytes = width * (sizeof(Colour) + sizeof(std::int16_t));
    // Enough rows to keep the counting threads busy while the writer
    // compresses one; more would only cost memory to set up.
    const int slots = static_cast<int>(std::clamp<std::size_t>(
        std::min<std::size_t>(control.rowMemory / rowBytes, 256), static_cast<std::size_t>(2 * threads), 4096));
    RowRing ring(s.width, slots);

    const auto count = [&] {
        try {
            for (int y; (y = ring.claim(s.height)) >= 0;) {
                std::int16_t* counts = ring.countsOf(y);
                Colour* out = ring.coloursOf(y);
                source.countRun(y, 0, s.width, counts);
                for (std::size_t x = 0; x < width; ++x) {
                    const std::int16_t c = counts[x];
                    const RowRun& run = columns.inside[x];
                    out[x] = c > 0                            ? colours.colour(c, 0)
                             : !run.empty() && y > run.last ? columns.below[x]
                                                              : columns.above[x];
                }
                ring.finish(y);
            }
        } catch (...) {
            ring.fail(std::current_exception());
        }
    };
    std::vector<std::thread> counters;
    for (int t = 0; t < threads; ++t)
        counters.emplace_back(count);
    const auto endWith = [&](PictureEnd end) {
        ring.stop();
        for (std::thread& t : counters)
            t.join();
        if (const std::exception_ptr e = ring.failure())
            std::rethrow_exception(e);
        return end;
    };

    for (int y = 0; y < s.height; ++y) {
        while (!ring.waitFor(y, std::chrono::milliseconds(100)))
            if (cancelled())
                return endWith(PictureEnd::Cancelled);
        if (ring.failure() || cancelled())
            return endWith(PictureEnd::Cancelled);
        if (!rows.takeRow(y, ring.coloursOf(y), ring.countsOf(y)))
            return endWith(PictureEnd::Stopped);
        ring.markWritten(y);
        if (control.progress)
            control.progress(y + 1);
    }
    return endWith(PictureEnd::Complete);
}

}  // namespace vantorel
