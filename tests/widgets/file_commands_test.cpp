// The location commands from the menu through the real file dialog, typed
// into as a user would.

#include "window_fixture.h"

#include "core/deep_view.h"
#include "core/numeric.h"
#include "files/location_file.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
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

    // The open dialog adds nothing: "home" fails the extension test.
    state.viewXMin = 1;
    typeIntoFileDialog(folder.path(), "home", &title);
    action("mnuloadlocation")->trigger();
    EXPECT_EQ(title, "Open");
    EXPECT_EQ(state.viewXMin, 1.0);
    EXPECT_FALSE(state.plotStarted);

    typeIntoFileDialog(folder.path(), "home.sav", &title);
    action("mnuloadlocation")->trigger();
    EXPECT_EQ(state.viewXMin, -2.25);
    EXPECT_TRUE(state.plotStarted);  // the loaded place was plotted
    EXPECT_EQ(caption(Caption::Label1), "-2" + qt->decimalSeparator() + "25");
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
