// The location commands from the menu through the real file dialog, typed
// into as a user would.

#include "window_fixture.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

namespace vantorel::testing {
namespace {

using FileCommandsTest = WindowTest;

// Once the file dialog is open: goes to `folder`, types `name` into the file
// name box and accepts. Typing a whole path letter by letter would make the
// dialog select every folder on the way, so the test moves to the folder first.
void typeIntoFileDialog(const QString& folder, const QString& name, QString* title)
{
    QTimer::singleShot(0, [folder, name, title] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        *title = dialog->windowTitle();
        dialog->setDirectory(folder);
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (!edit) {
            dialog->reject();
            FAIL() << "no file name box";
        }
        edit->clear();
        QTest::keyClicks(edit, name);
        static_cast<QDialog*>(dialog)->accept();  // as the Save or Open button does
        if (dialog->isVisible()) {
            dialog->reject();
            FAIL() << "the dialog did not take " << name.toStdString();
        }
    });
}

// Closes the next message box once it is open, keeping its text.
void answerNextMessageBox(QString* text)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        *text = box->text();
        poll->stop();
        poll->deleteLater();
        box->accept();
    });
    poll->start(10);
}

TEST_F(FileCommandsTest, LocationTypedWithoutExtensionIsSavedAsSavAndOnlyTheExactNameLoads)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    state.zoomFactor = 5;
    QString title;

    typeIntoFileDialog(folder.path(), "home", &title);
    action("mnusavelocation")->trigger();
    EXPECT_EQ(title, "Save As");
    QFile saved(folder.path() + "/home.sav");  // the dialog added the extension
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.size(), 50);
    EXPECT_EQ(static_cast<unsigned char>(saved.readAll().at(7)), 0xC0);  // -2.25, high byte

    // The open dialog adds nothing: "home" fails the extension test, and a
    // message box says so.
    state.viewXMin = 1;
    QString message;
    typeIntoFileDialog(folder.path(), "home", &title);
    answerNextMessageBox(&message);
    action("mnuloadlocation")->trigger();
    EXPECT_EQ(title, "Open");
    EXPECT_TRUE(message.contains("Location files end in \".sav\"")) << message.toStdString();
    EXPECT_EQ(state.viewXMin, 1.0);
    EXPECT_FALSE(state.plotStarted);

    typeIntoFileDialog(folder.path(), "home.sav", &title);
    action("mnuloadlocation")->trigger();
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_TRUE(state.plotStarted);  // the loaded place was plotted
    EXPECT_EQ(caption(Caption::Label1), "-2" + qt->decimalSeparator() + "25");
}

}  // namespace
}  // namespace vantorel::testing
