#pragma once
// Form2, the information window: one read-only text box that shows a help text.

#include <QSize>
#include <QWidget>

class QPlainTextEdit;

namespace vantorel::qt {

class InformationWindow : public QWidget {
    Q_OBJECT

public:
    InformationWindow();
    QPlainTextEdit* textBox() const { return text1; }

    // The outer size in twips by which the text box is sized: the client
    // area plus the frame the layout was drawn for. The frame a window
    // manager draws is known late or not at all, and the text box has to
    // fit the client area whatever that frame is.
    QSize outerSizeTwips() const;
    // Width and height the text box gives up to the frame and its margins.
    static constexpr int TextBoxWidthLossTwips = 250;
    static constexpr int TextBoxHeightLossTwips = 600;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPlainTextEdit* text1;
};

}  // namespace vantorel::qt
