// Widget tests run on Qt's offscreen platform unless a platform is chosen.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
#if defined(__SANITIZE_ADDRESS__)
    // The children of the death tests end through the shut-down routine and
    // its leak check, where the suppressions name functions inside the
    // libraries: they need full allocation stacks. Only the children pay for
    // the slow unwinder; this process has read its options already.
    const char* options = std::getenv("ASAN_OPTIONS");
    const std::string childOptions = std::string(options ? options : "") + ":fast_unwind_on_malloc=0";
    setenv("ASAN_OPTIONS", childOptions.c_str(), 1);
#endif
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the test binary, so that the child has a fresh
    // QApplication of its own rather than a forked copy.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
