// The location commands from the menu through the real file dialog, typed
// into as a user would.

#include "window_fixture.h"

#include "support/fixture.h"

#include "core/deep_view.h"
#include "core/numeric.h"
#include "files/location_file.h"

#include "navigation/plot_settings.h"
#include "qt/export_dialog.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <filesystem>

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

// Answers every message box while it lives, as a user would: Yes where it
// asks, OK otherwise; keeps the title and text of each.
class MessageAnswers {
public:
    MessageAnswers()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen << box->windowTitle() + "|" + box->text();
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        });
        timer.start(10);
    }
    QStringList seen;

private:
    QTimer timer;
};

// Chooses the size in the export's size dialog (a preset index, or free
// values when index is -1), then the file as typeIntoFileDialog does.
void answerExport(int preset, int width, int height, const QString& folder, const QString& name, QStringList* presets)
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<qt::ExportSizeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (int i = 0; i < dialog->presets->count(); ++i)
            *presets << dialog->presets->itemText(i);
        if (preset >= 0) {
            dialog->presets->setCurrentIndex(preset);
        } else {
            dialog->width->setValue(width);
            dialog->height->setValue(height);
        }
        *presets << dialog->presets->currentText();
        static QString title;
        typeIntoFileDialog(folder, name, &title);
        dialog->accept();
    });
}

// The size of a PNG from its header.
QSize pngSize(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.read(24);
    const auto u32 = [&](int at) {
        return static_cast<int>(static_cast<unsigned char>(b[at]) << 24 | static_cast<unsigned char>(b[at + 1]) << 16
                                | static_cast<unsigned char>(b[at + 2]) << 8 | static_cast<unsigned char>(b[at + 3]));
    };
    return b.size() == 24 ? QSize(u32(16), u32(20)) : QSize();
}

// "&Start" of a fresh program with these settings on an in-memory canvas of
// this size, as an image; the window's program is left as it was.
QImage startedImage(const PlotSettings& settings, int width, int height)
{
    const ExplorationState saved = state;
    Platform* window = &platform();
    const std::vector<Colour> pixels = startOnCanvas(settings, width, height);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto c = static_cast<std::uint32_t>(pixels[static_cast<std::size_t>(y) * width + x]);
            image.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    setPlatform(window);
    state = saved;
    return image;
}

TEST_F(FileCommandsTest, ExportPictureTakesASizeAndAFileDrawsInTheBackgroundAndSaysWhereItWent)
{
    QTemporaryDir folder;
    MessageAnswers messages;
    const QImage canvasBefore = canvas()->image();
    QStringList presets;
    // The settings of the moment: the view, the three bars and the options.
    PlotSettings now;
    now.view[0] = state.viewXMin = -1.5, now.view[3] = state.viewYMax = 0.75;
    now.iterations = 200, now.step = 3, now.intensity = 900, now.refinement = false;
    bar("itera")->setValue(200);
    bar("kstep")->setValue(3);
    bar("colourbar")->setValue(900);
    state.refinementBase = 1;

    answerExport(-1, 37, 21, folder.path(), "wide", &presets);
    action("mnuexportpicture")->trigger();
    EXPECT_EQ(presets, (QStringList{"1920 × 1080", "3840 × 2160", "7680 × 4320", "600 × 500", "Other size",
                                    "Other size"}));
    ASSERT_TRUE(QTest::qWaitFor([] { return !qt::exportRunning(); }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.seen.isEmpty(); }, 5000));
    const QString file = folder.path() + "/wide.png";  // the dialog added the extension
    EXPECT_EQ(messages.seen.join(";").toStdString(), "Vantorel|The picture was saved to \"" + file.toStdString() + "\".");
    EXPECT_EQ(pngSize(file), QSize(37, 21));
    EXPECT_EQ(QImage(file).convertToFormat(QImage::Format_RGB32), startedImage(now, 37, 21));
    // Nothing of the window's own picture or state was touched.
    EXPECT_FALSE(state.plotStarted);
    EXPECT_EQ(canvas()->image(), canvasBefore);

    // A preset; a BMP by its extension.
    presets.clear();
    messages.seen.clear();
    answerExport(3, 0, 0, folder.path(), "small.bmp", &presets);
    action("mnuexportpicture")->trigger();
    EXPECT_EQ(presets.last().toStdString(), "600 × 500");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !qt::exportRunning() && !messages.seen.isEmpty(); }, 20000));
    QFile bmp(folder.path() + "/small.bmp");
    EXPECT_EQ(bmp.size(), 900054);
}

TEST_F(FileCommandsTest, ACancelledExportLeavesNoFileAndAFailedOneSaysWhy)
{
    QTemporaryDir folder;
    MessageAnswers messages;
    QStringList presets;
    // A picture that takes a while: the largest preset at a deep limit.
    bar("itera")->setValue(30000);
    bar("kstep")->setValue(1);
    answerExport(2, 0, 0, folder.path(), "poster.png", &presets);
    action("mnuexportpicture")->trigger();
    ASSERT_TRUE(qt::exportRunning());
    auto* progress = form1()->findChild<QProgressDialog*>("exportProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_FALSE(progress->isModal());
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    cancel->click();
    ASSERT_TRUE(QTest::qWaitFor([] { return !qt::exportRunning(); }, 20000));
    QTest::qWait(200);
    EXPECT_TRUE(messages.seen.isEmpty()) << messages.seen.join("; ").toStdString();
    EXPECT_TRUE(std::filesystem::is_empty(folder.path().toStdString()));

    // A read-only file of that name is kept, and the user is told why.
    bar("itera")->setValue(100);
    const QString kept = folder.path() + "/kept.png";
    writeBytes(kept.toStdString(), "older");
    std::filesystem::permissions(kept.toStdString(), std::filesystem::perms::owner_read);
    answerExport(-1, 20, 10, folder.path(), "kept.png", &presets);
    action("mnuexportpicture")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !qt::exportRunning() && messages.seen.size() >= 2; }, 20000));
    EXPECT_TRUE(messages.seen[0].contains("already exists")) << messages.seen[0].toStdString();  // the dialog asks
    EXPECT_EQ(messages.seen[1].toStdString(),
              "Vantorel|Could not export the picture to \"" + kept.toStdString() + "\".\nThe file is read-only.");
    EXPECT_EQ(readBytes(kept.toStdString()), "older");

    // A name of another kind is refused at once.
    messages.seen.clear();
    answerExport(-1, 20, 10, folder.path(), "photo.jpg", &presets);
    action("mnuexportpicture")->trigger();
    EXPECT_FALSE(qt::exportRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.seen.isEmpty(); }, 5000));
    EXPECT_EQ(messages.seen[0].toStdString(), "Vantorel|Could not export the picture to \""
                                                  + folder.path().toStdString()
                                                  + "/photo.jpg\".\nThe name must end in .png or .bmp.");
}

TEST_F(FileCommandsTest, CopyLocationFillsTheClipboardAndADeepViewsLabelsHoldTheirCornersWhole)
{
    state.zoomFactor = 5;
    action("mnucopylocation")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), locationText());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("Vantorel location 1\nprecision 64\nx-min -2.25\n"));

    // A deep view: the label shows it shortened, its tool tip and accessible
    // description the whole corner; "Deep zoom" off draws the doubles.
    const auto at = [](const char* decimal) { return *BigFloat::parse(decimal, 200); };
    adoptDeepView({at("-0.7436438870371587047521915061147"), at("0.1318259042053119704931320563851"),
                   at("-0.7436438870371587047521915061135"), at("0.1318259042053119704931320563861")});
    click("Command1");
    auto* label1 = control<QLabel>("Label1");
    std::string exact = deep.view.xMin.toExactDecimal();
    exact.replace(exact.find('.'), 1, qt->decimalSeparator());
    EXPECT_EQ(label1->accessibleDescription().toStdString(), exact);
    EXPECT_EQ(label1->toolTip().toStdString(), exact);  // 62 digits: one line
    EXPECT_LT(label1->text().size(), 20);

    QAction* deepZoom = action("mnudeepzoom");
    EXPECT_TRUE(deepZoom->isChecked());
    deepZoom->trigger();
    EXPECT_FALSE(deepZoom->isChecked());
    EXPECT_FALSE(deep.enabled);
    EXPECT_EQ(label1->text().toStdString(), formatGeneral(state.viewXMin, qt->decimalSeparator()));
    EXPECT_TRUE(label1->toolTip().isEmpty());
    EXPECT_TRUE(label1->accessibleDescription().isEmpty());
    // On again: the doubles it left, one point, stay as they are.
    deepZoom->trigger();
    EXPECT_TRUE(deepZoom->isChecked());
    EXPECT_TRUE(deep.enabled);
    EXPECT_EQ(state.viewXMin, state.viewXMax);
}

}  // namespace
}  // namespace vantorel::testing
