#include "qt/information_window.h"

#include "qt/main_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace vantorel::qt {
namespace {

// A sizable frame of the desktop the layout was drawn for: 4-pixel borders
// and a 19-pixel caption.
constexpr int FrameWidthTwips = 8 * TwipsPerPixel;
constexpr int FrameHeightTwips = 27 * TwipsPerPixel;

// The help text can be selected and copied but not dragged away: a drag
// would start a drag-and-drop loop of its own, also inside the event pump
// of a running plot. A press inside the selection starts a new selection
// instead of a drag.
class HelpTextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit HelpTextBox(QWidget* parent) : QPlainTextEdit(parent) { setAcceptDrops(false); }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTextCursor cursor = textCursor();
        if (cursor.hasSelection() && !(event->modifiers() & Qt::ShiftModifier)) {
            cursor.clearSelection();
            setTextCursor(cursor);
        }
        QPlainTextEdit::mousePressEvent(event);
    }
};

}  // namespace

InformationWindow::InformationWindow() : text1(new HelpTextBox(this))
{
    setObjectName("Form2");
    setWindowTitle("Vantorel - Information");
    // Closing the window unloads it; the next help item builds it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setGeometry(3270 / TwipsPerPixel, 4695 / TwipsPerPixel, 6165 / TwipsPerPixel, 5925 / TwipsPerPixel);

    text1->setObjectName("Text1");
    text1->setReadOnly(true);
    // A keyboard caret, so that the text can be read line by line with the
    // arrow keys (a screen reader follows the caret).
    text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The text box takes the desktop's colours, light or dark, as the
    // window around it and the about box do.
    // Created small; the window's load handler sizes it to the window.
    text1->setGeometry(120 / TwipsPerPixel, 120 / TwipsPerPixel, 75 / TwipsPerPixel, 195 / TwipsPerPixel);
}

QSize InformationWindow::outerSizeTwips() const
{
    return QSize(width() * TwipsPerPixel + FrameWidthTwips, height() * TwipsPerPixel + FrameHeightTwips);
}

void InformationWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The text box follows the window as the load handler sized it: the
    // outer size less the same widths and heights.
    const QSize outer = outerSizeTwips();
    text1->resize((outer.width() - TextBoxWidthLossTwips) / TwipsPerPixel,
                  (outer.height() - TextBoxHeightLossTwips) / TwipsPerPixel);
}

void InformationWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vantorel::qt

#include "information_window.moc"
