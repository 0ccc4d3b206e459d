#pragma once
// A fresh program in real Qt windows for every test: the state record back at
// its start values, a new Form1 on the offscreen platform, then start-up.

#include "core/state.h"
#include "files/file_test_support.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "qt/canvas.h"
#include "qt/qt_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"
#include "qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vantorel::testing {

// The picture "&Start" draws from a fresh start, on the headless platform.
inline QImage referencePicture()
{
    const ExplorationState saved = state;
    MemoryPlatform memory;
    state = ExplorationState{};
    connectHeadlessHandlers(memory);
    setPlatform(&memory);
    startUp();
    Command1_Click();
    QImage image(MemoryPlatform::Width, MemoryPlatform::Height, QImage::Format_RGB32);
    for (int y = 0; y < MemoryPlatform::Height; ++y)
        for (int x = 0; x < MemoryPlatform::Width; ++x) {
            const auto c = static_cast<std::uint32_t>(memory.pixel(x, y));
            image.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    state = saved;
    return image;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = ExplorationState{};
        qt = std::make_unique<qt::QtPlatform>();
        setPlatform(qt.get());
        startUp();
        form1()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form1()));
        qt->afterPump = [this] {
            ++pumps;
            if (auto it = atPump.find(pumps); it != atPump.end()) {
                auto action = it->second;
                action();
            }
        };
    }
    // Runs `action` inside the pass, during its pump with this number
    // (counted from the start of the test).
    void during(long pump, std::function<void()> action) { atPump[pump] = std::move(action); }
    std::string caption(Caption c) { return qt->caption(c); }
    void TearDown() override
    {
        qt.reset();
        setPlatform(nullptr);
    }

    qt::MainWindow* form1() const { return qt->mainWindow(); }
    qt::Canvas* canvas() const { return qt->canvas(); }
    template <class T = QWidget> T* control(const char* name) const
    {
        T* w = form1()->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QScrollBar* bar(const char* name) const { return control<QScrollBar>(name); }
    QAction* action(const char* name) const { return control<QAction>(name); }
    std::string text(const char* name) const
    {
        if (auto* l = form1()->findChild<QLabel*>(QString::fromUtf8(name)))
            return l->text().toStdString();
        return button(name)->text().toStdString();
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // A point of the canvas in the coordinates of the window, for events that
    // travel the window system's path (implicit grab, double clicks).
    QPoint inWindow(QPoint canvasPoint) const
    {
        return form1()->windowHandle()->mapFromGlobal(canvas()->mapToGlobal(canvasPoint));
    }

    TempFolder userData;  // $XDG_DATA_HOME while the test runs: no test writes into a real home
    ScopedEnvironment dataHome{"XDG_DATA_HOME", userData.root.string()};
    std::unique_ptr<qt::QtPlatform> qt;
    long pumps = 0;
    std::map<long, std::function<void()>> atPump;
};

}  // namespace vantorel::testing
