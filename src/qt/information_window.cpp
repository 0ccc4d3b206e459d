#include "qt/information_window.h"

#include "qt/main_window.h"

#include <QPalette>
#include <QPlainTextEdit>

namespace vantorel::qt {

InformationWindow::InformationWindow() : text1(new QPlainTextEdit(this))
{
    setObjectName("Form2");
    setWindowTitle("Vantorel - Information");
    // Closing the window unloads it; the next help item builds it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setGeometry(3270 / TwipsPerPixel, 4695 / TwipsPerPixel, 6165 / TwipsPerPixel, 5925 / TwipsPerPixel);

    text1->setObjectName("Text1");
    text1->setReadOnly(true);
    text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colours = text1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, QColor(0, 0, 0));
        colours.setColor(group, QPalette::Text, QColor(224, 224, 224));
    }
    text1->setPalette(colours);
    // Created small; the window's load handler sizes it to the window.
    text1->setGeometry(120 / TwipsPerPixel, 120 / TwipsPerPixel, 75 / TwipsPerPixel, 195 / TwipsPerPixel);
}

} // namespace vantorel::qt
