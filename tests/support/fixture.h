#pragma once
// A fresh program on the in-memory platform for every test: the state record
// back at its zero start values, then start-up as the program runs it.

#include "core/state.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

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
};

} // namespace vantorel::testing
