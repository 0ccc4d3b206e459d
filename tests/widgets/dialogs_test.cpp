// The file dialogs and message boxes behind the platform seam, answered by
// the test as a user would answer them.

#include "window_fixture.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include <filesystem>

#include <QDialogButtonBox>
#include <QDir>
#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace vantorel::testing {
namespace {

using DialogTest = WindowTest;

// Runs `answer` on the modal dialog as soon as it is open.
void whenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer = std::move(answer)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        answer(modal);
    });
}

TEST(DialogFilter, PairsOfDisplayTextAndPatternAndABareExtension)
{
    using namespace std::string_literals;
    EXPECT_EQ(qt::dialogFilter("sav\0"s), "sav (*.sav)");
    EXPECT_EQ(qt::dialogFilter("Pictures\0*.bmp;*.dib\0Everything\0*\0"s), "Pictures (*.bmp *.dib);;Everything (*)");
    EXPECT_EQ(qt::dialogFilter("bmp\0\0"s), "bmp (*.bmp)");
    EXPECT_EQ(qt::dialogFilter(""), "");
}

TEST_F(DialogTest, SaveDialogStartsInTheFolderAddsTheExtensionAndKeepsTheCurrentDirectory)
{
    QTemporaryDir folder;
    // The working directory holds a folder of the name typed below: the
    // extension is added with the dialog's folder in mind all the same.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir("home"));
    const QString started = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const QString cwd = QDir::currentPath();
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Save As");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
        EXPECT_EQ(dialog->nameFilters(), QStringList{"sav (*.sav)"});
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->selectFile("home");
        static_cast<QDialog*>(dialog)->accept();  // as the Save or Open button does
    });
    using namespace std::string_literals;
    const std::string chosen = qt->showSaveDialog("sav\0"s, "sav", folder.path().toStdString());
    EXPECT_EQ(QDir(QFileInfo(QString::fromStdString(chosen)).path()).canonicalPath(),
              QDir(folder.path()).canonicalPath());
    EXPECT_EQ(QFileInfo(QString::fromStdString(chosen)).fileName(), "home.sav");
    EXPECT_EQ(QDir::currentPath(), cwd);

    // A typed name of a folder in the dialog's own folder opens that folder.
    ASSERT_TRUE(QDir(folder.path()).mkdir("shots"));
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        dialog->selectFile("shots");
        static_cast<QDialog*>(dialog)->accept();
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path() + "/shots").canonicalPath());
        dialog->selectFile("view");
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::string inShots = qt->showSaveDialog("sav\0"s, "sav", folder.path().toStdString());
    EXPECT_EQ(QFileInfo(QString::fromStdString(inShots)).fileName(), "view.sav");
    EXPECT_EQ(QDir(QFileInfo(QString::fromStdString(inShots)).path()).canonicalPath(),
              QDir(folder.path() + "/shots").canonicalPath());
    QDir::setCurrent(started);
}

TEST_F(DialogTest, EntriesAreTypedByTheirNamesSoAPipeNeverBlocksTheDialog)
{
    QTemporaryDir folder;
    const QString pipe = folder.path() + "/pipe.sav";
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    // A picture's bytes under a name without extension: read, it would be a
    // picture; by its name it is nothing in particular.
    QFile picture(folder.path() + "/picture");
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    picture.close();
    const QMimeDatabase names;
    bool pumped = false;
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        // Typing the pipe's path makes the dialog's model look at it at once.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(pipe);
        QTimer::singleShot(0, [&] { pumped = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return pumped; }, 5000));
        const QAbstractFileIconProvider* icons = dialog->iconProvider();
        ASSERT_NE(icons, nullptr);
        EXPECT_EQ(icons->type(QFileInfo(folder.path() + "/picture")),
                  names.mimeTypeForFile("picture", QMimeDatabase::MatchExtension).comment());
        EXPECT_EQ(icons->type(QFileInfo(pipe)),
                  names.mimeTypeForFile("pipe.sav", QMimeDatabase::MatchExtension).comment());
        EXPECT_EQ(icons->type(QFileInfo(folder.path())), "Folder");
        dialog->reject();
    });
    using namespace std::string_literals;
    EXPECT_EQ(qt->showOpenDialog("sav\0"s, folder.path().toStdString()), "");
}

TEST_F(DialogTest, CancelGivesAnEmptyPathAndTheOpenDialogTakesAMissingFile)
{
    QTemporaryDir folder;
    using namespace std::string_literals;
    whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(qt->showSaveDialog("bmp\0"s, "bmp", folder.path().toStdString()), "");
    whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(qt->showOpenDialog("sav\0"s, folder.path().toStdString()), "");

    whenModal([](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        EXPECT_EQ(dialog->windowTitle(), "Open");
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        dialog->selectFile("missing.sav");
        static_cast<QDialog*>(dialog)->accept();  // as the Save or Open button does
    });
    const std::string chosen = qt->showOpenDialog("sav\0"s, folder.path().toStdString());
    EXPECT_EQ(QFileInfo(QString::fromStdString(chosen)).fileName(), "missing.sav");
}

TEST_F(DialogTest, MessageBoxesHaveNoIconAndTheYesNoBoxDefaultsToYes)
{
    whenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->windowTitle(), "Note");
        EXPECT_EQ(box->text(), "one\ntwo");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    qt->messageBox("one\r\ntwo", "Note");

    whenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(qt->askYesNo("visit?", "About Vantorel"));
    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_TRUE(qt->askYesNo("visit?", "About Vantorel"));
    // Esc and the close button answer as Yes does.
    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_TRUE(qt->askYesNo("visit?", "About Vantorel"));
    whenModal([](QWidget* w) { w->close(); });
    EXPECT_TRUE(qt->askYesNo("visit?", "About Vantorel"));
}

TEST_F(DialogTest, TheCanvasAsABitmapHoldsThePicture)
{
    canvas()->fillBox(0, 0, 599, 499, 255 + 256 * 128);  // orange
    canvas()->setPixel(599, 499, 65536 * 255);           // blue corner
    const std::string bytes = qt->canvasBmp();
    ASSERT_EQ(bytes.substr(0, 2), "BM");
    const QImage saved = QImage::fromData(QByteArray::fromStdString(bytes), "BMP");
    ASSERT_EQ(saved.size(), QSize(600, 500));
    EXPECT_EQ(saved.pixel(0, 0), qRgb(255, 128, 0));
    EXPECT_EQ(saved.pixel(599, 499), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace vantorel::testing
