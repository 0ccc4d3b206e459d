#pragma once
// A fresh program on the in-memory platform for every test: the state record
// back at its zero start values, then start-up as the program runs it. The
// user's data folder is a throw-away one, so that no test writes into the
// home folder of whoever runs it.

#include "core/state.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include "files/file_test_support.h"

#include <gtest/gtest.h>

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
