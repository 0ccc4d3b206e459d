#pragma once
// The platform seam on Qt Widgets: Form1 and Form2, the event pump, the
// clock, the file dialogs and the message boxes.

#include "platform/platform.h"
#include "qt/information_window.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QLabel;

namespace vantorel::qt {

class AccessibleReadouts;
class Canvas;
class InformationWindow;
class MainWindow;

class QtPlatform : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    void canvasClear() override;
    void canvasSetPixel(int x, int y, Colour colour) override;
    void canvasFillBox(int x1, int y1, int x2, int y2, Colour colour) override;
    void canvasPaintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks) override;
    void canvasDrawBox(int x1, int y1, int x2, int y2, Colour colour) override;
    double canvasOuterWidthTwips() override;
    double canvasOuterHeightTwips() override;
    bool persistentImage() override { return persistent; }
    void setPersistentImage(bool on) override { persistent = on; }
    void setCanvasPointer(Pointer pointer) override;
    void focusCanvas() override;
    std::string canvasBmp() override;

    void setCaption(Caption control, const std::string& text) override;
    std::string caption(Caption control) override;
    void setCaptionDetail(Caption control, const std::string& text) override;

    std::int16_t scrollValue(ScrollBar bar) override;
    void setScrollValue(ScrollBar bar, std::int16_t value) override;

    int pumpEvents(bool waitForEvents = false) override;
    std::int32_t tickCount() override;

    void plotEnded(bool completed) override;

    void showMainWindow() override;
    [[noreturn]] void quit() override;
    std::string showSaveDialog(const std::string& filterList, const std::string& defaultExtension,
                               const std::string& startFolder) override;
    std::string showOpenDialog(const std::string& filterList, const std::string& startFolder) override;
    void messageBox(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
    void openAddress(const std::string& address) override;
    void copyToClipboard(const std::string& text) override;
    void showInformationWindow() override;
    double informationWindowOuterWidthTwips() override;
    double informationWindowOuterHeightTwips() override;
    void setInformationTextBoxSize(int widthTwips, int heightTwips) override;
    void setInformationText(const std::string& bytes) override;
    std::string applicationFolder() override;
    std::string decimalSeparator() override;

    MainWindow* mainWindow() const { return form1.get(); }
    InformationWindow* informationWindow() const { return form2.data(); }
    Canvas* canvas() const;

    // For tests: runs after every event pump, inside the pass that pumped.
    std::function<void()> afterPump;

private:
    void showStaleLabels();
    void setOptionCaption(Caption control, QAbstractButton* b, const QString& text);

    std::unique_ptr<MainWindow> form1;
    std::unique_ptr<AccessibleReadouts> readouts;
    // The pass rewrites its progress and time labels after every column. A
    // label's text changes at once, but it is repainted at most once a frame:
    // repainting it thousands of times a second would cost more than the
    // drawing itself. Labels written within a frame wait, repaint switched
    // off, until the timer shows them.
    static constexpr int LabelFrameMs = 10;
    QElapsedTimer sinceLabelsShown;
    QTimer labelTimer;
    std::vector<QLabel*> staleLabels;
    QPointer<InformationWindow> form2;
    // Picture saving. The canvas always keeps its picture in its image, so
    // the switch only decides whether that picture may be saved; with it off
    // the canvas still repaints from the image when it is uncovered.
    bool persistent = false;
};

// The filter text of a QFileDialog from a filter list of NUL-separated
// (display text, pattern) pairs; a missing or empty pattern lists the files
// whose extension is the display text.
QString dialogFilter(const std::string& filterList);

}  // namespace vantorel::qt
