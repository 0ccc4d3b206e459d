#pragma once
// Form2, the information window: one read-only text box that shows a help text.

#include <QWidget>

class QPlainTextEdit;

namespace vantorel::qt {

class InformationWindow : public QWidget {
public:
    InformationWindow();
    QPlainTextEdit* textBox() const { return text1; }

private:
    QPlainTextEdit* text1;
};

} // namespace vantorel::qt
