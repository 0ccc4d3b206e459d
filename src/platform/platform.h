#pragma once
// The seam between the program's logic and the window system.
//
// Core, navigation, files and the handlers of src/ui talk to the desktop only
// through this interface, so that they run without a display in tests and in
// the headless tools. The Qt implementation lives in src/qt/, a headless
// one with a pixel buffer in memory_platform.h.

#include <cstdint>
#include <string>

namespace vantorel {

// clang-format off
// Controls whose caption the program writes.
enum class Caption {
    Label1, Label2, Label3, Label4,          // corners of the view
    labelchunkx, Labelchunky,                 // block width and height
    Labeltime, Labelcompleted,                // elapsed ms and stage progress
    Labelzoom, Label14,                       // zoom count and count * factor
    labelitera, Labelkstep, Label6,           // values of the three scroll bars
    cmdpicturesaving, cmdSuccessiverefinement, cmdsynchronizedmode,
    Count
};
// clang-format on

enum class ScrollBar { itera, kstep, colourbar, Count };

enum class Pointer { Arrow, Cross };

// The layout of the windows is given in twips; on screen a pixel is 15 twips.
constexpr int TwipsPerPixel = 15;

// Colours are red + 256 * green + 65536 * blue.
using Colour = std::int32_t;

class Platform {
public:
    virtual ~Platform() = default;

    // --- canvas (Picture1), pixel coordinates, origin top-left ---
    virtual void canvasClear() = 0;
    virtual void canvasSetPixel(int x, int y, Colour colour) = 0;
    // Fills every pixel of the rectangle with both corners included.
    virtual void canvasFillBox(int x1, int y1, int x2, int y2, Colour colour) = 0;
    // One-pixel outline of the rectangle with both corners included.
    virtual void canvasDrawBox(int x1, int y1, int x2, int y2, Colour colour) = 0;
    // A column of blocks as the plotting pass paints them: block k, with
    // colours[k], has its top-left pixel at (x, k * blockHeight). A block one
    // pixel high sets only that pixel; a higher one fills its blockWidth x
    // blockHeight box. The same pixels as one canvasSetPixel or canvasFillBox
    // per block, which is what this does unless a canvas does it faster.
    virtual void canvasPaintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks);
    // Outer size of the canvas in twips (pixels * 15).
    virtual double canvasOuterWidthTwips() = 0;
    virtual double canvasOuterHeightTwips() = 0;
    // The persistent-image switch that picture saving toggles.
    virtual bool persistentImage() = 0;
    virtual void setPersistentImage(bool on) = 0;
    virtual void setCanvasPointer(Pointer pointer) = 0;
    virtual void focusCanvas() = 0;
    // The persistent image as the bytes of a BMP file.
    virtual std::string canvasBmp() = 0;

    // --- labels and buttons ---
    virtual void setCaption(Caption control, const std::string& text) = 0;
    virtual std::string caption(Caption control) = 0;
    // The full text behind a shortened caption, shown as the control's tool
    // tip and given as its accessible description; empty text removes it.
    virtual void setCaptionDetail(Caption control, const std::string& text) = 0;

    // --- scroll bars ---
    virtual std::int16_t scrollValue(ScrollBar bar) = 0;
    // Setting a value different from the current one runs the bar's change
    // handler before returning; the same value runs nothing.
    // The caller keeps the value inside the bar's range.
    virtual void setScrollValue(ScrollBar bar, std::int16_t value) = 0;

    // --- assistive technology ---
    // A plotting pass has ended, completed down to its last stage or stopped.
    // The window tells screen readers; nothing else needs to know.
    virtual void plotEnded(bool completed) { (void)completed; }

    // --- event loop and clock ---
    // Handles the pending window events once and returns the number of open
    // windows. With waitForEvents it may sleep until something arrives (used
    // while a plot is paused, so that pausing does not burn a core).
    virtual int pumpEvents(bool waitForEvents = false) = 0;
    // Milliseconds of a monotonic clock; differences wrap modulo 2^32.
    virtual std::int32_t tickCount() = 0;

    // --- windows, dialogs, shell ---
    // Creates (if need be) and shows the main window, not modal.
    virtual void showMainWindow() = 0;
    // Closes every window and ends the process; never returns.
    [[noreturn]] virtual void quit() = 0;
    // Modal file dialogs: the chosen full path, or "" on cancel or failure.
    // filterList is what buildDialogFilter makes: pieces each ended by NUL,
    // taken in pairs (display text, pattern); a missing or empty pattern means
    // the files whose extension is the display text. The save dialog adds
    // defaultExtension to a name typed without one and confirms before
    // replacing a file; neither dialog changes the current directory.
    virtual std::string showSaveDialog(const std::string& filterList, const std::string& defaultExtension,
                                       const std::string& startFolder) = 0;
    virtual std::string showOpenDialog(const std::string& filterList, const std::string& startFolder) = 0;
    // Modal message box with an OK button, no icon.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    // Modal Yes/No box, Yes the default; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& title) = 0;
    virtual void openAddress(const std::string& address) = 0;
    // Puts the text on the desktop's clipboard.
    virtual void copyToClipboard(const std::string& text) = 0;
    // Shows the information window (Form2), modeless. If it is not open it
    // is created and its load handler runs before it shows; if it is open it
    // is only brought to the front.
    virtual void showInformationWindow() = 0;
    // Outer size of the information window (frame and caption included), twips.
    virtual double informationWindowOuterWidthTwips() = 0;
    virtual double informationWindowOuterHeightTwips() = 0;
    // Size of the text box Text1 in twips, and its text given as bytes in the
    // system's 8-bit encoding (shown unconverted otherwise).
    virtual void setInformationTextBoxSize(int widthTwips, int heightTwips) = 0;
    virtual void setInformationText(const std::string& bytes) = 0;
    // Folder of the executable, without a trailing separator.
    virtual std::string applicationFolder() = 0;
    // The user's decimal separator for numbers in labels.
    virtual std::string decimalSeparator() = 0;
};

// The platform the program runs on; set once at start.
Platform& platform();
void setPlatform(Platform* p);

}  // namespace vantorel
