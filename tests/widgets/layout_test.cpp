// Form1 and Form2 as the user sees them right after start-up.

#include "window_fixture.h"

#include "qt/canvas.h"
#include "qt/information_window.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QToolTip>

#include <cmath>

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

// A rectangle of the layout tables on screen: both edges scaled by the
// window's layout scale, 15 twips to a pixel at scale 1.
QRect onScreen(double scale, int left, int top, int width, int height)
{
    const auto px = [scale](int twips) { return static_cast<int>(std::lround(twips * scale / 15)); };
    return QRect(px(left), px(top), px(left + width) - px(left), px(top + height) - px(top));
}

const Layout& layoutOf(const char* name)
{
    for (const Layout& c : controls)
        if (std::string(c.name) == name)
            return c;
    throw std::invalid_argument(name);
}

TEST_F(WindowTest, EveryControlSitsInItsContainerAtItsPlaceWithItsCaption)
{
    const double scale = form1()->layoutScale();
    for (const Layout& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* w = control(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName().toStdString(), c.parent);
        const QRect room = onScreen(scale, c.left, c.top, c.width, c.height);
        if (w == canvas()) {
            // The picture keeps its pixels, in the middle of its room.
            EXPECT_EQ(w->geometry(), QRect(room.topLeft() + QPoint((room.width() - 600) / 2, (room.height() - 500) / 2),
                                           QSize(600, 500)));
        } else {
            EXPECT_EQ(w->geometry(), room);
        }
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
// test list): the text is the desktop's size, the layout grows by the
// smallest factor at which every text fits, and the screen's free area
// holds the window, whose client area scrolls where it must.
TEST_F(WindowTest, EveryCaptionAndLongestTextFitsItsRectangleAndTheWindowFitsTheScreen)
{
    const QFont font = form1()->clientArea()->font();
    const double scale = form1()->layoutScale();
    RecordProperty("fontPixels", QFontInfo(font).pixelSize());
    RecordProperty("layoutScale", QString::number(scale).toStdString());
    RecordProperty("startHeight", button("Command1")->height());
    // At least the desktop's font and at least 8 points.
    QFont designed = font;
    designed.setPointSizeF(8);
    EXPECT_GE(QFontInfo(font).pixelSize(), QFontInfo(designed).pixelSize());
    EXPECT_GE(QFontInfo(font).pixelSize(), QFontInfo(QApplication::font()).pixelSize());
    // The buttons grow with the font's DPI (a larger font DPI is what users
    // set to get larger text): the Start button 495 twips at 96 DPI and more
    // in proportion, less a few percent for the fit of the captions.
    const double dpiRatio = form1()->logicalDpiY() / 96.0;
    EXPECT_GE(button("Command1")->height(), 495.0 / 15 * dpiRatio * 0.95);
    double needed = 1;
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
        const Layout& twips = layoutOf(name);
        needed = std::max({needed, (metrics.horizontalAdvance(shown) + w->width() - room.width()) * 15.0 / twips.width,
                           metrics.height() * 15.0 / twips.height});
    }
    // No larger than it must be: rounding to whole pixels may cost a pixel.
    EXPECT_GE(scale, 1);
    EXPECT_LE(scale, needed + 0.1);

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

TEST_F(WindowTest, WindowIsCaptionedVantorelWithA722By625ClientAreaAtScale1BelowItsMenuBar)
{
    EXPECT_EQ(form1()->windowTitle(), "Vantorel");
    QWidget* client = form1()->clientArea();
    EXPECT_EQ(client->size(), onScreen(form1()->layoutScale(), 0, 0, 10830, 9375).size());
    EXPECT_EQ(client->mapTo(form1(), QPoint(0, 0)).y(), form1()->menuBar()->height());
    const QSize whole(client->width(), client->height() + form1()->menuBar()->height());
    const QSize free = form1()->screen()->availableGeometry().size();
    if (whole.width() < free.width() - 16 && whole.height() < free.height() - 48) {
        EXPECT_EQ(form1()->size(), whole);
    } else {
        EXPECT_LT(form1()->width(), free.width());
        EXPECT_LT(form1()->height(), free.height());
    }
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
    const double scale = form1()->layoutScale();
    // X1, Y1, X2, Y2 in twips; at scale 1 Line1 is (0, 40, 96, 1) in pixels.
    const struct {
        const char* name;
        int x1, y1, x2, y2;
    } lines[] = {{"Line1", 0, 600, 1440, 600},   {"Line2", 0, 1320, 1440, 1320}, {"Line3", 0, 2040, 1440, 2040},
                 {"Line6", 0, 3360, 1440, 3360}, {"Line5", 0, 4080, 1440, 4080}, {"Line7", 0, 4800, 1440, 4800},
                 {"Line4", 1440, 120, 1440, 600}};
    for (const auto& line : lines) {
        QWidget* w = control(line.name);
        ASSERT_NE(w, nullptr);
        const QRect ends = onScreen(scale, line.x1, line.y1, line.x2 - line.x1, line.y2 - line.y1);
        EXPECT_EQ(w->geometry(), QRect(ends.topLeft(), ends.size().expandedTo(QSize(1, 1)))) << line.name;
        EXPECT_EQ(w->grab().toImage().pixel(0, 0), highlight) << line.name;
    }
    // Line8 runs down to 1080 twips from the inside of the "Corners" box,
    // below its title.
    QWidget* line8 = control("Line8");
    const QRect ends = onScreen(scale, 2400, 120, 0, 1080 - 120);
    EXPECT_EQ(line8->parentWidget()->objectName(), "CornersXY");
    EXPECT_EQ(line8->geometry(),
              QRect(ends.left(), line8->parentWidget()->contentsRect().top(), 1, ends.bottom() + 1 - line8->y()));
    EXPECT_GE(line8->y(), ends.top());
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
    // The canvas and the scroll bars show that they have the focus, with a
    // mark inside the control along every side: the outermost row or column
    // of each side changes (its device pixels, at a fractional scale factor).
    for (const char* name : {"Picture1", "kstep", "itera", "colourbar"}) {
        QWidget* w = control(name);
        control("Command2")->setFocus();
        const QImage without = w->grab().toImage();
        w->setFocus();
        ASSERT_TRUE(w->hasFocus()) << name;
        const QImage with = w->grab().toImage();
        ASSERT_EQ(with.size(), without.size()) << name;
        const int right = with.width() - 1, bottom = with.height() - 1;
        const int edge = static_cast<int>(std::ceil(with.devicePixelRatio()));
        int top = 0, left = 0, rightSide = 0, bottomSide = 0;
        for (int x = 0; x <= right; ++x)
            for (int d = 0; d < edge; ++d) {
                top += with.pixel(x, d) != without.pixel(x, d);
                bottomSide += with.pixel(x, bottom - d) != without.pixel(x, bottom - d);
            }
        for (int y = 0; y <= bottom; ++y)
            for (int d = 0; d < edge; ++d) {
                left += with.pixel(d, y) != without.pixel(d, y);
                rightSide += with.pixel(right - d, y) != without.pixel(right - d, y);
            }
        EXPECT_TRUE(top > 0 && left > 0 && rightSide > 0 && bottomSide > 0)
            << name << ": changed pixels on the top " << top << ", left " << left << ", right " << rightSide
            << ", bottom " << bottomSide;
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
        {".Export picture…", "mnuexportpicture"},
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
            // The three options and "Deep zoom" carry their state as a check
            // mark; at start refinement and "Deep zoom" are on.
            const QString name = a->objectName();
            const bool option = name == "mnusuccessive" || name == "mnusynchronized" || name == "mnusavingenabled";
            EXPECT_EQ(a->isCheckable(), option || name == "mnudeepzoom");
            if (name == "mnudeepzoom")
                EXPECT_TRUE(a->isChecked());
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

// What a screen reader finds right after start-up: every control named by
// what it is, the scroll bars labelled by their captions, the value labels by
// what they show, the option buttons with their state.
TEST_F(WindowTest, AssistiveTechnologyFindsEveryControlByNameRoleAndState)
{
    const auto iface = [this](const char* name) { return QAccessible::queryAccessibleInterface(control(name)); };
    const auto said = [&](const char* name, QAccessible::Text t = QAccessible::Name) {
        return iface(name)->text(t).toStdString();
    };

    EXPECT_EQ(iface("Picture1")->role(), QAccessible::Graphic);
    EXPECT_EQ(said("Picture1"), "Mandelbrot picture");
    // The limit start-up sets reaches it within an accessibility frame.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return said("Picture1", QAccessible::Description).find("1000") != std::string::npos; }, 1000));
    EXPECT_EQ(said("Picture1", QAccessible::Description),
              "View x from -2.25 to 1.25, y from -1.5 to 1.5, up to 1000 iterations. "
              "Arrow keys move the view, plus and minus zoom in and out, Esc quits.");
    EXPECT_TRUE(iface("Picture1")->state().focusable);

    // Each bar: its name, its caption as its label, and as its value text
    // the meaning its value label gives it; a description only where that
    // label says more than the number.
    const struct {
        const char *bar, *name, *caption, *valueText, *description;
    } bars[] = {{"kstep", "Calc. step", "Label12", "Calc. step 15", ""},
                {"itera", "Iterations", "Label11", "Iterations 1000", ""},
                {"colourbar", "Colour intensity", "Label5", "Colour intensity normal", "Colour intensity normal"}};
    for (const auto& b : bars) {
        SCOPED_TRACE(b.bar);
        QAccessibleInterface* i = iface(b.bar);
        EXPECT_EQ(i->role(), QAccessible::ScrollBar);
        EXPECT_EQ(said(b.bar), b.name);
        EXPECT_EQ(said(b.bar, QAccessible::Value), b.valueText);
        EXPECT_EQ(said(b.bar, QAccessible::Description), b.description);
        const auto labels = i->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels.front().first->object(), control(b.caption));
        ASSERT_NE(i->valueInterface(), nullptr);
        EXPECT_EQ(i->valueInterface()->currentValue(), bar(b.bar)->value());
    }
    qt->setScrollValue(ScrollBar::colourbar, 501);
    EXPECT_TRUE(QTest::qWaitFor([&] { return said("colourbar", QAccessible::Description).empty(); }, 1000));
    EXPECT_EQ(said("colourbar", QAccessible::Value), "Colour intensity 501");
    EXPECT_EQ(said("Label6"), "Colour intensity 501");

    // Value labels before any plot: the meaning alone where the placeholder
    // shows no value.
    const std::pair<const char*, const char*> readouts[] = {
        {"Labeltime", "Time"},           {"labelchunkx", "Chunk width"},   {"Labelchunky", "Chunk height"},
        {"Labelzoom", "Zoomed"},         {"Label14", "Zoom times factor"}, {"labelitera", "Iterations 1000"},
        {"Labelkstep", "Calc. step 15"}, {"Label1", "Top left x 0"},       {"Label2", "Top left y 0"},
        {"Label3", "Bottom right x 0"},  {"Label4", "Bottom right y 0"}};
    for (const auto& [name, spoken] : readouts)
        EXPECT_EQ(said(name), spoken) << name;

    QAccessibleInterface* progress = iface("Labelcompleted");
    EXPECT_EQ(progress->role(), QAccessible::ProgressBar);
    EXPECT_EQ(said("Labelcompleted"), "Stage progress");
    ASSERT_NE(progress->valueInterface(), nullptr);
    EXPECT_EQ(progress->valueInterface()->currentValue(), 0);
    EXPECT_EQ(progress->valueInterface()->maximumValue(), 100);

    // The option buttons and their menu items carry the state their
    // captions name.
    for (const auto& [name, item, on] : {std::tuple{"cmdpicturesaving", "mnusavingenabled", false},
                                         std::tuple{"cmdSuccessiverefinement", "mnusuccessive", true},
                                         std::tuple{"cmdsynchronizedmode", "mnusynchronized", false}}) {
        QAccessibleInterface* i = iface(name);
        EXPECT_EQ(i->role(), QAccessible::CheckBox) << name;
        EXPECT_TRUE(i->state().checkable) << name;
        EXPECT_EQ(static_cast<bool>(i->state().checked), on) << name;
        EXPECT_EQ(action(item)->isChecked(), on) << item;
    }
    EXPECT_EQ(iface("Line1")->role(), QAccessible::Separator);
    EXPECT_EQ(iface("announcement")->role(), QAccessible::Notification);
    EXPECT_TRUE(iface("announcement")->state().invisible);
}

TEST_F(WindowTest, InformationWindowOpensOnceWithItsTextBoxAndClosesAlone)
{
    // A dark desktop: the text box takes its colours, the canvas keeps the
    // menu-text colour it was made with.
    const QPalette desktop = QApplication::palette();
    const QRgb background = canvas()->background();
    QPalette dark = desktop;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    struct RestorePalette {
        QPalette palette;
        ~RestorePalette() { QApplication::setPalette(palette); }
    } restore{desktop};
    state.infoFileName = "howto";
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
    EXPECT_EQ(text1->palette().color(QPalette::Base), QColor(30, 30, 30));
    EXPECT_EQ(text1->palette().color(QPalette::Text), QColor(230, 230, 230));
    EXPECT_EQ(canvas()->background(), background);
    // Named, and read line by line with a keyboard caret.
    EXPECT_EQ(text1->accessibleName(), "How to use the program");
    EXPECT_EQ(text1->textInteractionFlags(), Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

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
