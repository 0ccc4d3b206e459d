#pragma once
// A platform without a window system: the canvas is a pixel buffer (600 x 500
// unless a test asks for another size),
// captions and scroll bars are plain values, the event pump runs whatever
// actions a caller scheduled for it. The headless tools and the tests use it.

#include "platform/large_buffer.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantorel {

// Thrown by MemoryPlatform::quit so that a test can watch the program end
// without ending the test process.
// The pixels of the in-memory canvas, row by row from the top.
using CanvasPixels = LargeVector<Colour>;

struct ProgramEnded : std::runtime_error {
    ProgramEnded() : std::runtime_error("program ended") {}
};

class MemoryPlatform : public Platform {
public:
    static constexpr int Width = 600;   // the canvas of the main window
    static constexpr int Height = 500;
    static constexpr Colour Background = 0;  // the menu-text colour, black

    // A canvas of another size: the pass reads its size from the canvas, so
    // this is how the pass draws pictures of other sizes (its 16-bit state
    // takes up to 2184 pixels a side: 32767 twips).
    explicit MemoryPlatform(int width = Width, int height = Height);

    // --- Platform ---
    void canvasClear() override;
    void canvasSetPixel(int x, int y, Colour colour) override;
    void canvasFillBox(int x1, int y1, int x2, int y2, Colour colour) override;
    void canvasPaintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks) override;
    void canvasDrawBox(int x1, int y1, int x2, int y2, Colour colour) override;
    double canvasOuterWidthTwips() override { return width * double(TwipsPerPixel); }
    double canvasOuterHeightTwips() override { return reportedHeight * double(TwipsPerPixel); }
    bool persistentImage() override { return persistent; }
    void setPersistentImage(bool on) override { persistent = on; }
    void setCanvasPointer(Pointer p) override { pointer = p; }
    void focusCanvas() override { ++canvasFocusCount; }
    std::string canvasBmp() override;
    void setCaption(Caption control, const std::string& text) override;
    std::string caption(Caption control) override { return captions[index(control)]; }
    void setCaptionDetail(Caption control, const std::string& text) override { details[index(control)] = text; }
    std::int16_t scrollValue(ScrollBar bar) override { return scrollValues[static_cast<int>(bar)]; }
    void setScrollValue(ScrollBar bar, std::int16_t value) override;
    int pumpEvents(bool waitForEvents = false) override;
    std::int32_t tickCount() override;
    void showMainWindow() override { ++mainWindowShows; }
    [[noreturn]] void quit() override;
    std::string showSaveDialog(const std::string& filter, const std::string& defaultExtension,
                               const std::string& startFolder) override;
    std::string showOpenDialog(const std::string& filter, const std::string& startFolder) override;
    void messageBox(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
    void openAddress(const std::string& address) override { openedAddresses.push_back(address); }
    void copyToClipboard(const std::string& text) override { clipboard = text; }
    void showInformationWindow() override;
    double informationWindowOuterWidthTwips() override { return informationOuterWidthTwips; }
    double informationWindowOuterHeightTwips() override { return informationOuterHeightTwips; }
    void setInformationTextBoxSize(int widthTwips, int heightTwips) override
    {
        informationTextBoxWidthTwips = widthTwips;
        informationTextBoxHeightTwips = heightTwips;
    }
    void setInformationText(const std::string& bytes) override { informationText = bytes; }
    std::string applicationFolder() override { return folder; }
    std::string decimalSeparator() override { return separator; }

    // --- the program's handlers for what happens here ---
    // This platform sits below the layers that own the handlers, so whoever
    // starts a headless program hands them in (connectHeadlessHandlers does).
    std::function<void(ScrollBar)> onScrollBarChanged;  // after a value changed
    std::function<void()> onInformationWindowLoad;      // before the window first shows
    // The bytes of a BMP file of the canvas.
    std::function<std::string(std::span<const Colour> pixels, int width, int height)> encodeBmp;

    // --- what a test sets up or inspects ---
    Colour pixel(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    int canvasWidth() const { return width; }
    int canvasHeight() const { return height; }
    const CanvasPixels& canvas() const { return pixels; }
    // Runs `action` during the pump with this 1-based number.
    void atPump(long pumpNumber, std::function<void()> action);
    // Runs `action` during every pump (after the scheduled ones).
    std::function<void()> onEveryPump;
    std::string captionDetail(Caption control) const { return details[index(control)]; }
    // Every caption ever written to a control, in order.
    const std::vector<std::string>& captionHistory(Caption control) { return history[index(control)]; }
    bool keepCaptionHistory = true;  // off for a tool that only wants the picture
    // Sets a scroll bar without running its change handler (for arranging a test).
    void presetScrollValue(ScrollBar bar, std::int16_t value) { scrollValues[static_cast<int>(bar)] = value; }

    // The canvas height the platform reports, for a test of a shorter canvas
    // (the pixels stay as they are).
    int reportedHeight;
    long pumps = 0;       // pumps so far
    int openWindows = 1;  // what pumpEvents reports
    long setPixelCalls = 0, fillBoxCalls = 0;
    bool persistent = false;
    Pointer pointer = Pointer::Arrow;
    int canvasFocusCount = 0;
    int informationWindowShows = 0;
    int mainWindowShows = 0;
    // The information window: open or not, its outer size and its text box.
    bool informationWindowOpen = false;
    double informationOuterWidthTwips = 6165 + 2 * 60, informationOuterHeightTwips = 5925 + 2 * 60 + 345;
    int informationTextBoxWidthTwips = 75, informationTextBoxHeightTwips = 195;
    std::string informationText;
    std::int32_t ticks = 0;  // the clock; advanced by tickStep on every read
    std::int32_t tickStep = 0;
    std::function<std::int32_t()> clock;  // when set, the clock instead of ticks
    std::string folder = "/nonexistent/vantorel";
    std::string separator = ".";
    // Dialog and message box answers, and what they were asked.
    std::string saveDialogAnswer, openDialogAnswer;
    bool yesNoAnswer = true;
    std::vector<std::string> dialogRequests, messages, openedAddresses;
    int bitmapsTaken = 0;  // calls of canvasBmp
    std::string clipboard;  // the text copied last

private:
    static int index(Caption c) { return static_cast<int>(c); }
    void fill(int x1, int y1, int x2, int y2, Colour colour);

    int width, height;
    CanvasPixels pixels;
    std::array<std::string, static_cast<int>(Caption::Count)> captions{};
    std::array<std::vector<std::string>, static_cast<int>(Caption::Count)> history{};
    std::array<std::string, static_cast<int>(Caption::Count)> details{};
    std::array<std::int16_t, static_cast<int>(ScrollBar::Count)> scrollValues{};
    std::multimap<long, std::function<void()>> scheduled;
};

}  // namespace vantorel
