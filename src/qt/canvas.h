#pragma once
// Picture1: the 600 x 500 canvas of the main window.
//
// The picture lives in a pixel buffer of the canvas's own, seen by Qt as a
// QImage; blocks are written into the buffer directly and the widget only
// copies the part that changed since the last repaint. Mouse and key events are translated here into the canvas
// handlers of the navigation code.

#include "platform/platform.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace vantorel::qt {

// A dotted rectangle along the edge of a control that has the keyboard
// focus, visible on any colour: black under white dots.
void drawFocusMark(QWidget* control);

class Canvas : public QWidget {
    Q_OBJECT

public:
    static constexpr int Width = 600;
    static constexpr int Height = 500;

    explicit Canvas(QWidget* parent);

    // Drawing; coordinates outside the canvas are clipped.
    void clear();
    void setPixel(int x, int y, Colour colour);
    void fillBox(int x1, int y1, int x2, int y2, Colour colour);
    void drawBox(int x1, int y1, int x2, int y2, Colour colour);
    // The column of blocks of Platform::canvasPaintColumn; false, with
    // nothing painted, when part of it would leave the canvas.
    bool paintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks);
    // Schedules a repaint of what was drawn since the last repaint, at most
    // once a frame; a timer repaints what is left when no further call comes.
    void flush();

    // Read it or copy() it: a plain copy shares the pixels the next block
    // overwrites.
    const QImage& image() const { return picture; }
    QRgb background() const { return backgroundColour; }

    // Key codes the canvas handler understands, from a Qt key event.
    static int keyCode(int qtKey, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void fill(int x1, int y1, int x2, int y2, QRgb colour);
    void markDirty(int x1, int y1, int x2, int y2);
    void repaintDirty();

    // A pass pumps events after every column, thousands of times a second;
    // repainting each column on its own would cost more than drawing it.
    static constexpr int FrameMs = 10;

    // A pass draws hundreds of thousands of blocks: each goes straight into
    // the buffer, without QImage's checks for shared data per row.
    std::unique_ptr<QRgb[]> pixels;
    QImage picture;  // wraps pixels, never written through
    QRgb backgroundColour;
    // Drawn since the last repaint: the bounding box, empty while x1 > x2.
    int dirtyX1 = Width, dirtyY1 = Height, dirtyX2 = -1, dirtyY2 = -1;
    // A modifier key pressed on the canvas and not yet part of another key.
    int heldModifier = 0;
    QElapsedTimer sinceRepaint;
    QTimer frameTimer;
};

}  // namespace vantorel::qt
