// Form1 and Form2 as the user sees them right after start-up.

#include "window_fixture.h"

#include "qt/canvas.h"
#include "qt/information_window.h"

#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QToolTip>

namespace vantorel::testing {
namespace {

struct Layout {
    const char* name;
    const char* parent;
    const char* caption;           // nullptr: no caption to check
    int left, top, width, height;  // twips
};

// Every control after start-up (the option buttons, Labelkstep and
// labelitera carry the captions start-up writes).
const Layout controls[] = {
    {"Label13", "Frame1", "Time:", 120, 240, 375, 255},
    {"Labeltime", "Frame1", "ms", 600, 240, 735, 255},
    {"Label9", "Frame1", "Chunk size :", 1560, 240, 975, 255},
    {"labelchunkx", "Frame1", "x", 2520, 240, 255, 255},
    {"Labelchunky", "Frame1", "y", 2760, 240, 255, 255},
    {"Labelcompleted", "Frame1", "%", 3000, 240, 495, 255},
    {"cmdpicturesaving", "clientArea", "Picture saving off", 3600, 240, 1815, 255},
    {"cmdSuccessiverefinement", "clientArea", "Successive refinement on", 5640, 240, 2295, 255},
    {"cmdsynchronizedmode", "clientArea", "Synchronized mode off", 8160, 240, 2175, 255},
    {"Command1", "Frame1", "&Start", 120, 720, 1215, 495},
    {"Command2", "Frame1", "Restart all", 120, 1440, 1215, 495},
    {"Label14", "Frame1", "Zoom * factor", 120, 2640, 975, 255},
    {"Labelzoom", "Frame1", "Zoomed", 120, 3000, 1095, 255},
    {"zoomin", "Frame1", "+ Zoom &in", 120, 3480, 1215, 495},
    {"zoomout", "Frame1", "- Zoom &out", 120, 4200, 1215, 495},
    {"Picture1", "Frame1", nullptr, 1440, 600, 9000, 7500},
    {"Label12", "Frame1", "Calc. step  :", 120, 8280, 975, 255},
    {"kstep", "Frame1", nullptr, 1440, 8280, 3495, 255},
    {"Labelkstep", "Frame1", "15", 5040, 8280, 975, 255},
    {"Label11", "Frame1", "Iterations :", 120, 8640, 855, 255},
    {"itera", "Frame1", nullptr, 1440, 8640, 3495, 255},
    {"labelitera", "Frame1", "1000", 5040, 8640, 855, 255},
    {"Label5", "Frame1", "Colour intensity :", 120, 9000, 1335, 255},
    {"colourbar", "Frame1", nullptr, 1440, 9000, 3495, 255},
    {"Label6", "Frame1", "normal", 5040, 9000, 975, 255},
    {"CornersXY", "Frame1", nullptr, 5760, 8160, 4695, 1095},
    {"Label1", "CornersXY", "0", 120, 360, 2175, 255},
    {"Label2", "CornersXY", "0", 120, 720, 2175, 255},
    {"Label3", "CornersXY", "0", 2520, 360, 2055, 255},
    {"Label4", "CornersXY", "0", 2520, 720, 2055, 255},
    {"Frame1", "clientArea", nullptr, 0, 0, 10815, 9375},
};

TEST_F(WindowTest, EveryControlSitsInItsContainerAtItsPlaceWithItsCaption)
{
    for (const Layout& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* w = control(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName().toStdString(), c.parent);
        EXPECT_EQ(w->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
        EXPECT_TRUE(w->isVisible());
        if (c.caption) {
            EXPECT_EQ(text(c.name), c.caption);
        }
    }
    EXPECT_EQ(control<QGroupBox>("CornersXY")->title(), "Corners");
    EXPECT_EQ(control<QGroupBox>("Frame1")->title(), "");
    EXPECT_EQ(control("Label9")->toolTip(), "Size of the grid");
}

// The longest text each caption can show: the fixed captions, what start-up
// and the toggles write, and the longest read-outs of the pass, the zoom
// steps and the scroll bars.
const std::pair<const char*, const char*> longestCaptions[] = {
    {"Label13", "Time:"},
    {"Labeltime", "9999999"},
    {"Label9", "Chunk size :"},
    {"labelchunkx", "16"},
    {"Labelchunky", "16"},
    {"Labelcompleted", " 100 %"},
    {"cmdpicturesaving", "&Picture saving"},
    {"cmdpicturesaving", "Picture saving off"},
    {"cmdSuccessiverefinement", "S&uccessive refinement"},
    {"cmdSuccessiverefinement", "Successive refinement off"},
    {"cmdsynchronizedmode", "Synchronized &mode"},
    {"cmdsynchronizedmode", "Synchronized mode off"},
    {"Command1", "&Start"},
    {"Command2", "Restart all"},
    {"Label14", "Zoom * factor"},
    {"Label14", "-163835"},
    {"Labelzoom", "-32767 times"},
    {"zoomin", "+ Zoom &in"},
    {"zoomout", "- Zoom &out"},
    {"Label12", "Calc. step  :"},
    {"Labelkstep", "kstep"},
    {"Labelkstep", "400"},
    {"Label11", "Iterations :"},
    {"labelitera", "30000"},
    {"Label5", "Colour intensity :"},
    {"Label6", "normal"},
    {"Label6", "1020"},
    {"Label1", "-1.23456789012345e-308"},
    {"Label2", "-1.23456789012345e-308"},
    {"Label3", "-1.23456789012345e-308"},
    {"Label4", "-1.23456789012345e-308"},
};

// Run at every scale factor and font DPI the window must serve (see the
// test list): the fitted font makes every text fit, and the screen's free
// area holds the window, whose client area scrolls where it must.
TEST_F(WindowTest, EveryCaptionAndLongestTextFitsItsRectangleAndTheWindowFitsTheScreen)
{
    const QFont font = form1()->clientArea()->font();
    RecordProperty("fontPixels", QFontInfo(font).pixelSize());
    // Still readable: never below 8 pixels, never above 8 points.
    EXPECT_GE(QFontInfo(font).pixelSize(), 8);
    QFont designed = font;
    designed.setPointSizeF(8);
    EXPECT_LE(QFontInfo(font).pixelSize(), QFontInfo(designed).pixelSize());
    for (const auto& [name, longest] : longestCaptions) {
        SCOPED_TRACE(std::string(name) + ": " + longest);
        QWidget* w = control(name);
        QRect room = w->contentsRect();
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton option;
            option.initFrom(b);
            option.text = b->text();
            room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
        }
        QString shown = QString::fromUtf8(longest);
        shown.remove('&');
        const QFontMetrics metrics = w->fontMetrics();
        EXPECT_LE(metrics.horizontalAdvance(shown), room.width());
        EXPECT_LE(metrics.height(), w->height());
    }

    const QRect free = form1()->screen()->availableGeometry();
    EXPECT_TRUE(free.contains(form1()->frameGeometry())) << free.width() << "x" << free.height();
    QScrollArea* scroller = form1()->clientScroller();
    EXPECT_EQ(scroller->widget(), form1()->clientArea());
    for (const char* name : {"colourbar", "Label4", "cmdsynchronizedmode", "Command1"}) {
        QWidget* w = control(name);
        scroller->ensureWidgetVisible(w, 0, 0);
        const QRect shown(w->mapTo(scroller->viewport(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(scroller->viewport()->rect().contains(shown)) << name;
    }
}

TEST_F(WindowTest, WindowIsCaptionedVantorelWithA722By625ClientAreaBelowItsMenuBar)
{
    EXPECT_EQ(form1()->windowTitle(), "Vantorel");
    QWidget* client = form1()->clientArea();
    EXPECT_EQ(client->size(), QSize(722, 625));
    EXPECT_EQ(client->mapTo(form1(), QPoint(0, 0)).y(), form1()->menuBar()->height());
    EXPECT_EQ(form1()->size(), QSize(722, 625 + form1()->menuBar()->height()));
    // The option buttons lie above Frame1, so clicks reach them.
    QWidget* frame = control("Frame1");
    for (const char* name : {"cmdpicturesaving", "cmdSuccessiverefinement", "cmdsynchronizedmode"}) {
        QWidget* b = control(name);
        EXPECT_EQ(client->childAt(b->geometry().center()), b) << name;
        EXPECT_GT(client->children().indexOf(b), client->children().indexOf(frame));
    }
}

TEST_F(WindowTest, CanvasIs600By500InTheMenuTextColourAndReportsTwips)
{
    EXPECT_EQ(canvas()->size(), QSize(600, 500));
    EXPECT_EQ(qt->canvasOuterWidthTwips(), 9000);
    EXPECT_EQ(qt->canvasOuterHeightTwips(), 7500);
    EXPECT_EQ(canvas()->background(), QApplication::palette("QMenu").color(QPalette::Text).rgb());
    const QImage shown = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (QPoint p : {QPoint(0, 0), QPoint(599, 499), QPoint(300, 250)})
        EXPECT_EQ(shown.pixel(p), canvas()->background());
    EXPECT_EQ(canvas()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(qt->persistentImage());
}

TEST_F(WindowTest, DividerLinesUseTheHighlightColour)
{
    const QRgb highlight = form1()->palette().color(QPalette::Active, QPalette::Highlight).rgb();
    const struct {
        const char* name;
        QRect geometry;
    } lines[] = {{"Line1", {0, 40, 96, 1}},  {"Line2", {0, 88, 96, 1}},  {"Line3", {0, 136, 96, 1}},
                 {"Line6", {0, 224, 96, 1}}, {"Line5", {0, 272, 96, 1}}, {"Line7", {0, 320, 96, 1}},
                 {"Line4", {96, 8, 1, 32}}};
    for (const auto& line : lines) {
        QWidget* w = control(line.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), line.geometry) << line.name;
        EXPECT_EQ(w->grab().toImage().pixel(0, 0), highlight) << line.name;
    }
    // Line8 runs down to 1080 twips from the inside of the "Corners" box,
    // below its title.
    QWidget* line8 = control("Line8");
    EXPECT_EQ(line8->parentWidget()->objectName(), "CornersXY");
    EXPECT_EQ(line8->geometry(), QRect(160, line8->parentWidget()->contentsRect().top(), 1, 72 - line8->y()));
    EXPECT_GE(line8->y(), 8);
    EXPECT_EQ(line8->grab().toImage().pixel(0, 0), highlight);
}

TEST_F(WindowTest, TabOrderFollowsTheLayoutAndStartsOnStart)
{
    const char* order[] = {"Command1",
                           "Command2",
                           "zoomin",
                           "zoomout",
                           "Picture1",
                           "cmdpicturesaving",
                           "cmdSuccessiverefinement",
                           "cmdsynchronizedmode",
                           "kstep",
                           "itera",
                           "colourbar"};
    EXPECT_EQ(QApplication::focusWidget(), control("Command1"));
    // What Tab moves to: the next widget in the chain that takes the focus.
    auto next = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible());
        return w;
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        EXPECT_EQ(next(control(order[i - 1])), control(order[i])) << order[i - 1];
    // Labels and frames never take the focus.
    for (const char* name : {"Labeltime", "Label9", "Frame1", "CornersXY"})
        EXPECT_EQ(control(name)->focusPolicy(), Qt::NoFocus) << name;
}

TEST_F(WindowTest, KeyboardFocusShowsEnterPressesTheFocusedButtonAndAltOOpensOptions)
{
    // The canvas and the scroll bars show that they have the focus.
    for (const char* name : {"Picture1", "kstep", "itera", "colourbar"}) {
        QWidget* w = control(name);
        control("Command2")->setFocus();
        const QImage without = w->grab().toImage();
        w->setFocus();
        ASSERT_TRUE(w->hasFocus()) << name;
        EXPECT_NE(w->grab().toImage(), without) << name;
    }
    // Enter, keypad Enter and Space press the button that has the focus.
    QPushButton* synchronized = button("cmdsynchronizedmode");
    synchronized->setFocus();
    QTest::keyClick(synchronized, Qt::Key_Return);
    EXPECT_EQ(text("cmdsynchronizedmode"), "Synchronized mode on");
    QTest::keyClick(synchronized, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(text("cmdsynchronizedmode"), "Synchronized mode off");
    QTest::keyClick(synchronized, Qt::Key_Space);
    EXPECT_EQ(text("cmdsynchronizedmode"), "Synchronized mode on");

    // Alt+O opens the Options menu; "- Zoom &out" keeps its caption.
    auto* options = form1()->findChild<QMenu*>("mnuoptions");
    QTest::keyClick(form1(), Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), options);
    EXPECT_FALSE(button("zoomout")->hasFocus());
    QTest::keyClick(options, Qt::Key_Escape);
    EXPECT_FALSE(options->isVisible());
    EXPECT_EQ(text("zoomout"), "- Zoom &out");
}

TEST_F(WindowTest, MenuTreeHasEveryItemSeparatorAndTheTwoGreyedItems)
{
    // Depth in dots, caption ("-" a separator), object name.
    const char* tree[][2] = {
        {"&File", "mnufile"},
        {".&Location", "mnulocation"},
        {"..&Load location", "mnuloadlocation"},
        {"..&Save location", "mnusavelocation"},
        {".&Copy location", "mnucopylocation"},
        {".&Save picture", "mnusavepicture"},
        {"..&Bitmap format (bmp)", "mnusavepicturebmp"},
        {"..&Jpeg format (jpeg)", "mnusavepicturejpeg"},
        {".-", "mnufileseparator1"},
        {".&Exit", "mnuend"},
        {"&Run", "mnurun"},
        {".&Start (plots the set)", "mnustart"},
        {".Stop", "mnustop"},
        {".-", "mnurunseparator1"},
        {".Restart all (!)", "mnurestart"},
        {".-", "mnurunseparator2"},
        {".&Pause", "mnupause"},
        {"&Options", "mnuoptions"},
        {".Successive refinement on/off", "mnusuccessive"},
        {".Synchronized mode on/off", "mnusynchronized"},
        {".Deep zoom", "mnudeepzoom"},
        {".-", "mnuoptionsseparator1"},
        {".&Change colours", "mnuchangecoulours"},
        {".Restart resolution", "mnurestartresolution"},
        {".-", "mnuoptionsseparator2"},
        {".Picture saving enabled (slow)", "mnusavingenabled"},
        {"&Help", "mnuhelp"},
        {".Mandel...?", "mnumandel"},
        {".How to use the program", "howto"},
        {".-", "mnuhelpseparator1"},
        {".About", "mnuabout"},
    };
    // Walk the real menus depth first into the same form.
    std::vector<std::pair<std::string, std::string>> found;
    std::function<void(const QList<QAction*>&, std::string)> walk = [&](const QList<QAction*>& actions,
                                                                        std::string dots) {
        for (QAction* a : actions) {
            found.emplace_back(dots + (a->isSeparator() ? "-" : a->text().toStdString()),
                               a->objectName().toStdString());
            EXPECT_TRUE(a->isVisible());
            // "Deep zoom" alone has a check mark, set at start.
            EXPECT_EQ(a->isCheckable(), a->objectName() == "mnudeepzoom");
            EXPECT_EQ(a->isChecked(), a->objectName() == "mnudeepzoom");
            EXPECT_TRUE(a->shortcut().isEmpty());
            if (a->menu())
                walk(a->menu()->actions(), dots + ".");
        }
    };
    walk(form1()->menuBar()->actions(), "");
    ASSERT_EQ(found.size(), std::size(tree));
    for (std::size_t i = 0; i < std::size(tree); ++i) {
        EXPECT_EQ(found[i].first, tree[i][0]);
        EXPECT_EQ(found[i].second, tree[i][1]);
    }
    for (QAction* a : form1()->findChildren<QAction*>()) {
        const bool greyed = a->objectName() == "mnusavepicturejpeg" || a->objectName() == "mnuchangecoulours";
        if (!a->objectName().isEmpty()) {
            EXPECT_EQ(a->isEnabled(), !greyed) << a->objectName().toStdString();
        }
    }
}

TEST_F(WindowTest, ScrollBarsHaveTheirRangesStepsAndStartValues)
{
    const struct {
        const char* name;
        int minimum, maximum, value;
    } bars[] = {{"itera", 1, 30000, 1000}, {"kstep", 1, 400, 15}, {"colourbar", 0, 1020, 500}};
    for (const auto& b : bars) {
        QScrollBar* s = bar(b.name);
        EXPECT_EQ(s->orientation(), Qt::Horizontal);
        EXPECT_EQ(s->minimum(), b.minimum) << b.name;
        EXPECT_EQ(s->maximum(), b.maximum) << b.name;
        EXPECT_EQ(s->value(), b.value) << b.name;
        EXPECT_EQ(s->singleStep(), 1);
        EXPECT_EQ(s->pageStep(), 1);
        EXPECT_FALSE(s->hasTracking());
    }
    EXPECT_EQ(state.calcStep, 15);

    // While the thumb is dragged a tool tip shows its value; the value and
    // its label change on release.
    QScrollBar* itera = bar("itera");
    itera->setSliderDown(true);
    itera->setSliderPosition(1234);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "1234");
    EXPECT_EQ(itera->value(), 1000);
    EXPECT_EQ(text("labelitera"), "1000");
    itera->setSliderDown(false);
    EXPECT_EQ(text("labelitera"), "1234");
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
}

TEST_F(WindowTest, InformationWindowOpensOnceWithItsTextBoxAndClosesAlone)
{
    qt->showInformationWindow();
    QPointer<qt::InformationWindow> form2 = qt->informationWindow();
    ASSERT_NE(form2, nullptr);
    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(form2->windowTitle(), "Vantorel - Information");
    EXPECT_EQ(form2->size(), QSize(411, 395));
    QPlainTextEdit* text1 = form2->textBox();
    EXPECT_EQ(text1->pos(), QPoint(8, 8));
    // Sized by the load handler, once shown and after every resize: the
    // outer size (the client area and the frame the layout was drawn for,
    // 8 x 27 pixels) less 250 x 600 twips.
    EXPECT_EQ(text1->size(), QSize((6285 - 250) / 15, (6330 - 600) / 15));
    form2->resize(600, 300);
    EXPECT_EQ(text1->size(), QSize((9120 - 250) / 15, (4905 - 600) / 15));
    EXPECT_TRUE(text1->isReadOnly());
    EXPECT_EQ(text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text1->palette().color(QPalette::Base), QColor(0, 0, 0));
    EXPECT_EQ(text1->palette().color(QPalette::Text), QColor(224, 224, 224));

    EXPECT_EQ(qt->informationWindowOuterWidthTwips(), 9120);
    EXPECT_EQ(qt->informationWindowOuterHeightTwips(), 4905);
    qt->setInformationText("first line\r\nsecond line");
    EXPECT_EQ(text1->toPlainText(), "first line\nsecond line");  // CR LF is one line break

    // The text can be selected, but a press into the selection starts a new
    // selection there rather than a drag.
    text1->selectAll();
    QTextCursor second(text1->document());
    second.setPosition(11);  // "second line"
    const QPoint inText = text1->cursorRect(second).center() + QPoint(1, 0);
    QTest::mousePress(text1->viewport(), Qt::LeftButton, {}, inText);
    QTest::mouseMove(text1->viewport(), inText + QPoint(30, 0));
    QTest::mouseRelease(text1->viewport(), Qt::LeftButton, {}, inText + QPoint(30, 0));
    EXPECT_EQ(text1->textCursor().selectionStart(), 11);
    EXPECT_GT(text1->textCursor().selectionEnd(), 12);
    EXPECT_LT(text1->textCursor().selectionEnd(), 22);

    // Asked again while open: the same window, only brought to the front.
    qt->showInformationWindow();
    EXPECT_EQ(qt->informationWindow(), form2.data());

    // Esc closes it, which unloads it and leaves the main window open.
    QTest::keyClick(text1, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form2.isNull());
    EXPECT_TRUE(form1()->isVisible());
    EXPECT_EQ(qt->pumpEvents(), 1);
    qt->showInformationWindow();
    EXPECT_NE(qt->informationWindow(), nullptr);
    EXPECT_EQ(qt->pumpEvents(), 2);
}

}  // namespace
}  // namespace vantorel::testing
