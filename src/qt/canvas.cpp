#include "qt/canvas.h"

#include "platform/pixel_box.h"

#include "navigation/drag.h"
#include "navigation/zoom_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPen>
#include <QPalette>

#include <algorithm>
#include <utility>

namespace vantorel::qt {
namespace {

QRgb toQRgb(Colour colour)
{
    const auto c = static_cast<std::uint32_t>(colour);
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

// Button and shift codes as the canvas handlers take them: left 1, right 2,
// middle 4; Shift 1, Ctrl 2, Alt 4. The handlers ignore both today, but they
// are passed on faithfully.
int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

}  // namespace

Canvas::Canvas(QWidget* parent)
    : QWidget(parent), pixels(new QRgb[Width * Height]),
      picture(reinterpret_cast<uchar*>(pixels.get()), Width, Height, Width * int(sizeof(QRgb)), QImage::Format_RGB32),
      // The canvas background is the menu-text colour of the desktop.
      backgroundColour(QApplication::palette("QMenu").color(QPalette::Active, QPalette::Text).rgb())
{
    setFixedSize(Width, Height);
    frameTimer.setSingleShot(true);
    connect(&frameTimer, &QTimer::timeout, this, &Canvas::repaintDirty);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the image: no background fill before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    std::fill_n(pixels.get(), Width * Height, backgroundColour);
}

void Canvas::markDirty(int x1, int y1, int x2, int y2)
{
    dirtyX1 = std::min(dirtyX1, x1);
    dirtyY1 = std::min(dirtyY1, y1);
    dirtyX2 = std::max(dirtyX2, x2);
    dirtyY2 = std::max(dirtyY2, y2);
}

void Canvas::fill(int x1, int y1, int x2, int y2, QRgb colour)
{
    PixelBox box{x1, y1, x2, y2};
    if (!box.clipTo(Width, Height))
        return;
    for (int y = box.y1; y <= box.y2; ++y) {
        QRgb* line = pixels.get() + y * Width;
        std::fill(line + box.x1, line + box.x2 + 1, colour);
    }
    markDirty(box.x1, box.y1, box.x2, box.y2);
}

void Canvas::clear()
{
    std::fill_n(pixels.get(), Width * Height, backgroundColour);
    markDirty(0, 0, Width - 1, Height - 1);
}

void Canvas::setPixel(int x, int y, Colour colour)
{
    if (x < 0 || x >= Width || y < 0 || y >= Height)
        return;
    pixels[y * Width + x] = toQRgb(colour);
    markDirty(x, y, x, y);
}

void Canvas::fillBox(int x1, int y1, int x2, int y2, Colour colour) { fill(x1, y1, x2, y2, toQRgb(colour)); }

bool Canvas::paintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks)
{
    PixelBox box{};
    if (!columnBox(x, blockWidth, blockHeight, blocks, Width, Height, box))
        return false;
    paintColumnInto(pixels.get(), Width, box, blockHeight, colours, toQRgb);
    markDirty(box.x1, box.y1, box.x2, box.y2);
    return true;
}

void Canvas::drawBox(int x1, int y1, int x2, int y2, Colour colour)
{
    const QRgb c = toQRgb(colour);
    fill(x1, y1, x2, y1, c);
    fill(x1, y2, x2, y2, c);
    fill(x1, y1, x1, y2, c);
    fill(x2, y1, x2, y2, c);
}

void Canvas::flush()
{
    if (dirtyX1 > dirtyX2)
        return;
    const qint64 since = sinceRepaint.isValid() ? sinceRepaint.elapsed() : FrameMs;
    if (since >= FrameMs) {
        repaintDirty();
    } else if (!frameTimer.isActive()) {
        frameTimer.start(static_cast<int>(FrameMs - since));
    }
}

void Canvas::repaintDirty()
{
    frameTimer.stop();
    if (dirtyX1 <= dirtyX2)
        update(QRect(QPoint(dirtyX1, dirtyY1), QPoint(dirtyX2, dirtyY2)));
    dirtyX1 = Width, dirtyY1 = Height, dirtyX2 = -1, dirtyY2 = -1;
    sinceRepaint.restart();
}

void drawFocusMark(QWidget* control)
{
    QPainter painter(control);
    const QRect edge = control->rect().adjusted(0, 0, -1, -1);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(edge);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(edge);
}

void Canvas::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        for (const QRect& r : event->region())
            painter.drawImage(r.topLeft(), picture, r);
    }
    // The mark covers the picture's outermost pixels on screen only; the
    // image, and so a saved picture, keeps them.
    if (hasFocus())
        drawFocusMark(this);
}

void Canvas::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    Picture1_MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), static_cast<float>(at.x()),
                       static_cast<float>(at.y()));
}

void Canvas::mouseReleaseEvent(QMouseEvent* event)
{
    // Qt keeps delivering to the widget that got the press until the last
    // button is up, also when the pointer has left it: the release of a drag
    // always arrives here, with coordinates that may lie outside the canvas.
    const QPointF at = event->position();
    Picture1_MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), static_cast<float>(at.x()),
                     static_cast<float>(at.y()));
}

void Canvas::mouseDoubleClickEvent(QMouseEvent*)
{
    // Qt's default treats the second press of a double click as a press; the
    // canvas wants press, release, double click, release, so the second press
    // only zooms. Its release arrives through mouseReleaseEvent.
    Picture1_DblClick();
}

int Canvas::keyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (qtKey) {
    case Qt::Key_Escape: return KeyEscape;
    case Qt::Key_Left: return KeyLeft;
    case Qt::Key_Up: return KeyUp;
    case Qt::Key_Right: return KeyRight;
    case Qt::Key_Down: return KeyDown;
    // The main keyboard's plus (or the = it shares a key with on many
    // layouts) and minus zoom as the keypad's do.
    case Qt::Key_Plus:
    case Qt::Key_Equal: return KeyKeypadPlus;
    case Qt::Key_Minus: return KeyKeypadMinus;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    default: break;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? 96 + (qtKey - Qt::Key_0) : '0' + (qtKey - Qt::Key_0);
    return 0;  // any other key: no action
}

namespace {

bool isModifierKey(int qtKey)
{
    return qtKey == Qt::Key_Shift || qtKey == Qt::Key_Control || qtKey == Qt::Key_Alt || qtKey == Qt::Key_Meta
           || qtKey == Qt::Key_AltGr;
}

}  // namespace

bool Canvas::event(QEvent* event)
{
    // A key that makes a shortcut with the held modifier (Ctrl+Q, Alt+O)
    // never reaches keyPressEvent; the modifier was part of it all the same.
    if (event->type() == QEvent::ShortcutOverride && !isModifierKey(static_cast<QKeyEvent*>(event)->key()))
        heldModifier = 0;
    return QWidget::event(event);
}

void Canvas::keyPressEvent(QKeyEvent* event)
{
    // A modifier goes to the handler as a key of its own only when it is
    // released without another key in between: Shift and = make the main
    // keyboard's plus, which zooms, while Shift alone still counts as a key
    // without an action.
    if (isModifierKey(event->key())) {
        if (!event->isAutoRepeat())
            heldModifier = event->key();
        return;
    }
    heldModifier = 0;
    // Every press and every automatic repeat of a held key goes to the handler.
    Picture1_KeyDown(keyCode(event->key(), event->modifiers()), shiftCode(event->modifiers()));
}

void Canvas::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat() || event->key() != heldModifier)
        return;
    heldModifier = 0;
    Picture1_KeyDown(keyCode(event->key(), event->modifiers()), shiftCode(event->modifiers()));
}

void Canvas::focusOutEvent(QFocusEvent* event)
{
    heldModifier = 0;  // its release goes elsewhere
    QWidget::focusOutEvent(event);
}

}  // namespace vantorel::qt
