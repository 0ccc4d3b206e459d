// The product's counts (column batches, kept counts, the worker thread)
// against the plain loop: whole canvases, every caption ever written and the
// state each pass leaves must be the same, also when the limit, the step,
// the view or the options change in the middle of a pass.

#include "core/column_counts.h"
#include "core/count_kernel.h"
#include "core/deep_view.h"
#include "core/state.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "support/deep_views.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace vantorel::testing {
namespace {

struct PassSetup {
    double view[4] = {-2.25, -1.5, 1.25, 1.5};
    int limit = 1000, step = 15, intensity = 500;
    bool refinement = true, synchronized = false;
    // Values that carry over from an earlier pass and show in the picture.
    std::int16_t stageCounter = 0, iterationCount = 0;
    bool computePoint = false;
    float shade = 0;
    const char* const (*deepView)[4] = nullptr;  // drawn instead of `view` when set

    std::string describe() const
    {
        std::ostringstream out;
        out.precision(17);
        out << "view " << view[0] << " " << view[1] << " " << view[2] << " " << view[3] << " limit " << limit
            << " step " << step << " refinement " << refinement << " synchronized " << synchronized << " stageCounter "
            << stageCounter << " computePoint " << computePoint;
        return out.str();
    }
};

struct Recording {
    CanvasPixels canvas;
    std::vector<std::vector<std::string>> captions;
    std::vector<std::uint64_t> finalState;
    long pumps = 0;
};

std::uint64_t bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// What a test does during the pass: schedules actions on the platform's pumps.
using Script = std::function<void(MemoryPlatform&)>;

class FastPathTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        setCountPath(CountPath::Fast);
        setThreadingThreshold(1 << 21);
        setPlatform(nullptr);
    }

    static void applySetup(const PassSetup& setup)
    {
        applyPlotSettings({{setup.view[0], setup.view[1], setup.view[2], setup.view[3]},
                           setup.limit,
                           setup.step,
                           setup.intensity,
                           setup.refinement,
                           setup.synchronized});
        if (setup.deepView) {
            const auto corner = [&](int k) { return *BigFloat::parse((*setup.deepView)[k], 512); };
            adoptDeepView({corner(0), corner(1), corner(2), corner(3)});
        }
    }

    Recording record(const PassSetup& setup, CountPath path, const Script& script = {})
    {
        if (setup.deepView) {
            // A pass first for the reference orbit, which the recorded one
            // keeps: the pumps while it is computed depend on the machine.
            state = ExplorationState{};
            MemoryPlatform warmUp;
            connectHeadlessHandlers(warmUp);
            setPlatform(&warmUp);
            startUp();
            applySetup(setup);
            Command1_Click();
        }
        state = ExplorationState{};
        MemoryPlatform fake;
        connectHeadlessHandlers(fake);
        setPlatform(&fake);
        startUp();
        applySetup(setup);
        state.stageCounter = setup.stageCounter;
        state.computePoint = setup.computePoint;
        state.iterationCount = setup.iterationCount;
        state.shade = setup.shade;
        if (script)
            script(fake);
        setCountPath(path);
        Command1_Click();
        setCountPath(CountPath::Fast);

        Recording r;
        r.canvas = fake.canvas();
        for (int c = 0; c < static_cast<int>(Caption::Count); ++c)
            r.captions.push_back(fake.captionHistory(static_cast<Caption>(c)));
        const ExplorationState& s = state;
        r.finalState = {std::uint64_t(s.iterationCount),
                        bits(s.shade),
                        bits(s.colourBand),
                        std::uint64_t(s.blockColour),
                        std::uint64_t(s.colourLevel),
                        s.computePoint,
                        std::uint64_t(s.stageCounter),
                        std::uint64_t(s.pixelX),
                        std::uint64_t(s.pixelY),
                        std::uint64_t(s.blockWidth),
                        std::uint64_t(s.blockHeight),
                        bits(s.cRe),
                        bits(s.cIm),
                        bits(s.maxIterations),
                        std::uint64_t(s.calcStep),
                        bits(s.viewXMin),
                        bits(s.viewYMax),
                        s.paused,
                        s.abortRequested};
        r.pumps = fake.pumps;
        setPlatform(nullptr);
        return r;
    }

    // Runs the pass both ways and compares everything; the fast path must
    // also never have fallen back to counting a block on its own.
    void expectSamePicture(const PassSetup& setup, const Script& script = {}, long expectedPlans = -1)
    {
        const Recording plain = record(setup, CountPath::Plain, script);
        const ColumnCountStats before = columnCountStats();
        const Recording fast = record(setup, CountPath::Fast, script);
        const ColumnCountStats after = columnCountStats();
        EXPECT_EQ(after.single, before.single) << setup.describe();
        EXPECT_EQ(after.late, before.late) << setup.describe();
        if (expectedPlans >= 0) {
            EXPECT_EQ(after.plans - before.plans, expectedPlans) << setup.describe();
        }
        EXPECT_GT(after.batched, before.batched) << setup.describe();
        ASSERT_EQ(plain.pumps, fast.pumps) << setup.describe();
        std::size_t differing = 0, first = 0;
        for (std::size_t i = 0; i < plain.canvas.size(); ++i)
            if (plain.canvas[i] != fast.canvas[i] && differing++ == 0)
                first = i;
        EXPECT_EQ(differing, 0u) << "first at x " << first % 600 << " y " << first / 600 << "; " << setup.describe();
        for (int c = 0; c < static_cast<int>(Caption::Count); ++c)
            EXPECT_EQ(plain.captions[c], fast.captions[c]) << "caption " << c << "; " << setup.describe();
        EXPECT_EQ(plain.finalState, fast.finalState) << setup.describe();
    }

    // A random view near the boundary of the set, from the full view down
    // to spans of 1e-7, sometimes mirrored; random limits and steps.
    static PassSetup randomSetup(std::mt19937_64& rng)
    {
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const double centres[][2] = {{-0.745, 0.1}, {-0.75, 0.0}, {0.28, 0.01}, {-0.1, 0.65}, {-1.77, 0.0}, {-0.5, 0}};
        const auto& c = centres[static_cast<std::size_t>(unit(rng) * 6) % 6];
        const double span = 3.5 * std::pow(10.0, -7.0 * unit(rng));
        PassSetup s;
        s.view[0] = c[0] - span / 2 + span * 0.1 * (unit(rng) - 0.5);
        s.view[1] = c[1] - span * 0.4;
        s.view[2] = s.view[0] + span;
        s.view[3] = s.view[1] + span * 0.85;
        if (unit(rng) < 0.15)
            std::swap(s.view[0], s.view[2]);
        const bool fineStep = unit(rng) < 0.5;
        s.step = fineStep ? 1 + static_cast<int>(unit(rng) * 3) : 5 + static_cast<int>(unit(rng) * 396);
        s.limit = 1 + static_cast<int>(unit(rng) * (fineStep ? 600 : 8000));
        s.intensity = static_cast<int>(unit(rng) * 1021);
        s.refinement = unit(rng) < 0.75;
        s.synchronized = unit(rng) < 0.3;
        s.stageCounter = static_cast<std::int16_t>(unit(rng) * 5);
        s.computePoint = unit(rng) < 0.5;
        s.iterationCount = static_cast<std::int16_t>(unit(rng) * 50);
        s.shade = static_cast<float>(static_cast<int>(unit(rng) * 40));
        return s;
    }
};

TEST_F(FastPathTest, RandomViewsLimitsAndStepsGiveThePlainLoopsPicture)
{
    std::mt19937_64 rng(7061);
    for (int i = 0; i < 14; ++i) {
        const PassSetup setup = randomSetup(rng);
        setThreadingThreshold(i % 2 ? 1 : 0);  // with and without the worker
        // At a deep limit the pass plans its pixels once, when it begins.
        const bool deep = countBound(static_cast<float>(setup.limit), setup.step).rounds >= RoundsWorthPlanning;
        expectSamePicture(setup, {}, deep ? 1 : 0);
    }
}

TEST_F(FastPathTest, TheStagesOfEveryRefinementOrderAndTheCarriedOverValues)
{
    // The height-first order repaints the lattice blocks of its second stage
    // with the count of the block before them; the first block of that stage
    // takes the last count of the first stage, and computePoint, shade and
    // iterationCount carry over from the pass before. On a canvas 488 high
    // the last block of that second stage's even columns lies on the lattice,
    // so the stages after it compute nothing in those columns.
    for (const std::int16_t counter : {std::int16_t(0), std::int16_t(1)})
        for (const bool computePoint : {false, true})
            for (const bool synchronized : {false, true})
                for (const int height : {500, 488}) {
                    PassSetup s;
                    s.stageCounter = counter;
                    s.computePoint = computePoint;
                    s.synchronized = synchronized;
                    s.iterationCount = 37;
                    s.shade = 12;
                    s.limit = 200;
                    s.step = 3;
                    expectSamePicture(s, [height](MemoryPlatform& fake) { fake.reportedHeight = height; });
                }
}

TEST_F(FastPathTest, ALimitAndStepChangedAtAPumpTakeEffectAsInThePlainLoop)
{
    std::mt19937_64 rng(99);
    std::uniform_int_distribution<long> pump(1, 2500);
    std::uniform_int_distribution<int> limit(1, 700), step(1, 400);
    for (int i = 0; i < 6; ++i) {
        PassSetup s;
        s.view[0] = -0.80, s.view[1] = 0.05, s.view[2] = -0.70, s.view[3] = 0.15;
        s.limit = 400;
        s.step = i % 2 ? 1 : 7;
        const long p1 = pump(rng), p2 = pump(rng), p3 = pump(rng);
        const int l1 = limit(rng), s1 = step(rng), l2 = limit(rng), s2 = 1 + i;
        // With and without the worker: alone, the pass's own lanes still hold
        // points of the old limit when it changes.
        setThreadingThreshold(i % 4 < 2 ? 1 : 0);
        expectSamePicture(s, [=](MemoryPlatform& fake) {
            fake.atPump(p1, [&fake, l1] { fake.setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(l1)); });
            fake.atPump(p2, [&fake, s1] { fake.setScrollValue(ScrollBar::kstep, static_cast<std::int16_t>(s1)); });
            fake.atPump(p3, [&fake, l2, s2] {
                fake.setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(l2));
                fake.setScrollValue(ScrollBar::kstep, static_cast<std::int16_t>(s2));
                fake.setScrollValue(ScrollBar::colourbar, 900);
            });
        });
    }
}

TEST_F(FastPathTest, NestedPassesStopAndPauseLeaveTheSamePicture)
{
    // A shallow limit, whose columns are counted when they begin, and a deep
    // one, whose pixels are counted ahead of the pass on both threads and
    // planned again when a pass begins, ends or changes course.
    for (const int limit : {300, 600}) {
        PassSetup s;
        s.limit = limit;
        s.step = limit == 300 ? 25 : 1;  // 13 rounds and 601
        // A new view plotted from inside the pump runs to its end; the outer pass
        // then ends without drawing.
        expectSamePicture(s, [](MemoryPlatform& fake) {
            fake.atPump(40, [] {
                state.viewXMin = -1.0, state.viewYMin = -0.2, state.viewXMax = -0.6, state.viewYMax = 0.2;
                replot();
            });
        });
        // The inner pass is stopped: the outer one carries on with the inner
        // pass's view, block sizes and columns.
        expectSamePicture(s, [](MemoryPlatform& fake) {
            fake.atPump(300, [&fake] {
                state.viewXMin = 0.2, state.viewYMin = -0.1, state.viewXMax = 0.45, state.viewYMax = 0.1;
                fake.setScrollValue(ScrollBar::itera, 900);
                fake.atPump(fake.pumps + 150, [] { state.abortRequested = true; });
                replot();
            });
        });
        // Pause for a few pumps, then go on; stop in the last column of a stage.
        expectSamePicture(s, [](MemoryPlatform& fake) {
            fake.atPump(20, [] { mnupause_Click(); });
            fake.atPump(24, [] { mnupause_Click(); });
            fake.atPump(37 + 75, [] { state.abortRequested = true; });
        });
        // Stopped at the end of the first stage, whose first columns the
        // worker cannot have counted ahead: the picture shows their counts,
        // in a view whose first column crosses the set.
        PassSetup inside = s;
        inside.view[0] = -0.8, inside.view[1] = -0.3, inside.view[2] = 0.0, inside.view[3] = 0.3;
        expectSamePicture(inside, [](MemoryPlatform& fake) { fake.atPump(37, [] { state.abortRequested = true; }); });
        // Synchronized mode switched in the middle of a stage.
        expectSamePicture(s, [](MemoryPlatform& fake) {
            fake.atPump(120, [] {
                state.synchronizedMode = !state.synchronizedMode;
                state.blockWidth = state.blockHeight;
            });
        });
    }
}

TEST_F(FastPathTest, DeepViewsGiveThePlainLoopsPicture)
{
    // The deep engine's counts through the plan and both threads against one
    // count per block on the pass's thread: also when a pass is nested,
    // stopped, paused or given a lower limit in the middle.
    PassSetup s;
    s.deepView = &Antenna1e70;
    s.limit = 800;
    s.step = 1;
    expectSamePicture(s);
    expectSamePicture(s, [](MemoryPlatform& fake) {
        fake.atPump(30, [&fake] { fake.setScrollValue(ScrollBar::itera, 500); });
        fake.atPump(90, [] { mnupause_Click(); });
        fake.atPump(93, [] { mnupause_Click(); });
        fake.atPump(400, [] { state.abortRequested = true; });
    });
    expectSamePicture(s, [](MemoryPlatform& fake) {
        fake.atPump(50, [&fake] {
            // A double view inside, stopped part way: the outer pass carries
            // on with its view and columns, counted by the double loop.
            adoptDeepView({BigFloat(-0.8), BigFloat(0.05), BigFloat(-0.7), BigFloat(0.15)});
            fake.atPump(fake.pumps + 60, [] { state.abortRequested = true; });
            replot();
        });
    });
}

}  // namespace
}  // namespace vantorel::testing
