#pragma once
// A fresh program on the in-memory platform for every test: the state record
// back at its zero start values, then start-up as the program runs it. The
// user's data folder is a throw-away one, so that no test writes into the
// home folder of whoever runs it.

#include "core/deep_view.h"
#include "core/state.h"
#include "navigation/plot_settings.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include "files/file_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantorel::testing {

// The state record back at its zero start values, then start-up on the given platform.
inline void startFreshProgram(MemoryPlatform& platform)
{
    state = ExplorationState{};
    platform = MemoryPlatform();
    connectHeadlessHandlers(platform);
    setPlatform(&platform);
    startUp();
}

// "&Start" of a fresh program with these settings, and this deep view if
// given, on an in-memory canvas of this size: its pixels, row by row. No
// platform is set afterwards.
inline std::vector<Colour> startOnCanvas(const PlotSettings& p, int width, int height,
                                         const DeepView* view = nullptr)
{
    MemoryPlatform canvas(width, height);
    state = ExplorationState{};
    connectHeadlessHandlers(canvas);
    setPlatform(&canvas);
    startUp();
    applyPlotSettings(p);
    if (view)
        adoptDeepView(*view);
    Command1_Click();
    setPlatform(nullptr);
    return {canvas.canvas().begin(), canvas.canvas().end()};
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { startFreshProgram(fake); }
    void TearDown() override { setPlatform(nullptr); }

    std::string caption(Caption c) { return fake.caption(c); }

    MemoryPlatform fake;
    TempFolder userData;  // $XDG_DATA_HOME while the test runs
    ScopedEnvironment dataHome{"XDG_DATA_HOME", userData.root.string()};
};

}  // namespace vantorel::testing
