#pragma once
// Form1, the main window: the canvas, buttons, labels, scroll bars, the
// "Corners" box and the menu tree, laid out at fixed positions. The widgets
// hold no logic; every event goes to its handler in navigation/, ui/ or files/.

#include "platform/platform.h"

#include <QMainWindow>
#include <QRect>
#include <QSize>

#include <array>

class QAbstractButton;
class QAction;
class QCloseEvent;
class QGroupBox;
class QScrollArea;
class QScrollBar;

namespace vantorel::qt {

class Canvas;

// Positions and sizes in the layout tables are twips (TwipsPerPixel of them to a pixel).
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow();

    Canvas* canvas() const { return picture1; }
    QScrollBar* scrollBar(ScrollBar bar) const { return bars[static_cast<int>(bar)]; }
    // The label or button whose caption the program writes.
    QWidget* captionWidget(Caption control) const { return captions[static_cast<int>(control)]; }
    // The Options menu item of an option button, or nullptr.
    QAction* optionAction(Caption button) const;
    // The client area below the menu bar (722 x 625 pixels at the layout
    // scale 1).
    QWidget* clientArea() const { return client; }
    // The area that shows the client area, scrolling it where the screen is
    // too small for the whole window.
    QScrollArea* clientScroller() const { return scroller; }

    // The factor by which the twip layout grows so that every caption fits
    // the font (1 where the designed 8-point font fits): pixels are
    // twips * layoutScale() / 15. The canvas keeps its 600 x 500 pixels.
    double layoutScale() const { return scale; }
    // A rectangle of the layout tables (twips) on screen at the layout scale.
    QRect toPixels(const QRect& twips) const;

    // Set while the program ends, so that the close request that ending
    // raises does not start the shut-down a second time.
    bool shuttingDown = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void fitLayout();
    void applyScale();
    bool everyTextFits() const;
    void fitToScreen();

    // Room kept for the window frame when the window is fitted to the screen.
    static constexpr QSize FrameAllowance{16, 48};

    double scale = 1;
    QScrollArea* scroller = nullptr;
    QGroupBox* corners = nullptr;
    QWidget* client = nullptr;
    Canvas* picture1 = nullptr;
    std::array<QScrollBar*, static_cast<int>(ScrollBar::Count)> bars{};
    std::array<QWidget*, static_cast<int>(Caption::Count)> captions{};
    QAction* successiveAction = nullptr;
    QAction* synchronizedAction = nullptr;
    QAction* savingAction = nullptr;
};

}  // namespace vantorel::qt
