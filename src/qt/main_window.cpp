#include "qt/main_window.h"

#include "core/deep_view.h"
#include "files/help.h"
#include "files/location_file.h"
#include "files/picture_file.h"
#include "navigation/run_control.h"
#include "navigation/zoom_keys.h"
#include "qt/accessibility.h"
#include "qt/canvas.h"
#include "qt/export_dialog.h"
#include "ui/lifecycle.h"
#include "ui/option_toggles.h"
#include "ui/parameter_controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vantorel::qt {
namespace {

// The client area in twips.
const QRect ClientTwips(0, 0, 10830, 9375);

// Every placed control keeps its rectangle of the layout tables, in twips,
// so that the whole layout can be scaled by one factor; a divider line keeps
// its two ends.
const char* const TwipsProperty = "twips";
const char* const LineProperty = "twipLine";

QRect twips(int left, int top, int width, int height) { return QRect(left, top, width, height); }

template <class W> W* place(W* w, const QRect& twipRect)
{
    w->setProperty(TwipsProperty, twipRect);
    return w;
}

// A one-pixel divider line in the colour of an active title bar (the
// palette's highlight colour is the nearest Qt offers).
class DividerLine : public QWidget {
    Q_OBJECT

public:
    DividerLine(QWidget* parent, int x1, int y1, int x2, int y2) : QWidget(parent)
    {
        setProperty(LineProperty, QLine(x1, y1, x2, y2));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Highlight));
    }
};

// Qt's horizontal scroll bar inverts its keys (Right lowers the value,
// Page Down raises it, as Qt's own settings for scrolled content want). The
// parameter bars behave like ordinary scroll bars: Left, Up and Page Up lower
// the value, Right, Down and Page Down raise it, Home and End go to the ends.
class ParameterScrollBar : public QScrollBar {
    Q_OBJECT

public:
    explicit ParameterScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent)
    {
        // The value changes only when the thumb is released; while it is
        // dragged a tool tip at the thumb shows the value it would take.
        connect(this, &QAbstractSlider::sliderMoved, this, &ParameterScrollBar::showDraggedValue);
        connect(this, &QAbstractSlider::sliderReleased, this, [] { QToolTip::hideText(); });
    }

protected:
    // The style draws no focus mark on a scroll bar; without one the user
    // cannot tell that the arrow keys will move this bar.
    void paintEvent(QPaintEvent* event) override
    {
        QScrollBar::paintEvent(event);
        if (hasFocus())
            drawFocusMark(this);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        SliderAction action = SliderNoAction;
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up: action = SliderSingleStepSub; break;
        case Qt::Key_Right:
        case Qt::Key_Down: action = SliderSingleStepAdd; break;
        case Qt::Key_PageUp: action = SliderPageStepSub; break;
        case Qt::Key_PageDown: action = SliderPageStepAdd; break;
        case Qt::Key_Home: action = SliderToMinimum; break;
        case Qt::Key_End: action = SliderToMaximum; break;
        default: QScrollBar::keyPressEvent(event); return;
        }
        triggerAction(action);
        event->accept();
    }

private:
    void showDraggedValue(int value)
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.sliderPosition = value;
        const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        // Above the bar, so that neither the pointer nor the tip hides the thumb.
        const QPoint at = mapToGlobal(QPoint(thumb.left(), -height() - 2 * fontMetrics().height()));
        // No rectangle: the pointer may wander off the bar while it drags.
        QToolTip::showText(at, QString::number(value), this);
    }
};

// A push button that Enter presses as well as Space, as the desktop the
// layout was drawn for does for the button that has the focus.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    // An option button is checkable so that its state reaches assistive
    // technology, but a click only runs its handler: the checked state
    // follows the caption the handler writes (QtPlatform::setCaption).
    void nextCheckState() override {}

    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
            event->accept();
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

QLabel* label(QWidget* parent, const char* name, const char* text, QRect geometry)
{
    // Named before its text is set: the text's first change event already
    // asks for the label's accessible interface, which goes by the name.
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setText(QString::fromUtf8(text));
    l->setTextFormat(Qt::PlainText);
    // A label of fixed size (applyScale) takes new text without asking its
    // parent to lay out again: the progress and time labels change after
    // every column.
    return place(l, geometry);
}

QPushButton* button(QWidget* parent, const char* name, const char* text, QRect geometry, std::function<void()> handler)
{
    auto* b = new CommandButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromUtf8(name));
    place(b, geometry);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, b, [handler = std::move(handler)] { handler(); });
    return b;
}

QScrollBar* makeScrollBar(QWidget* parent, const char* name, QRect geometry, int minimum, int maximum, int value,
                          ScrollBar which)
{
    auto* s = new ParameterScrollBar(parent);
    s->setObjectName(QString::fromUtf8(name));
    place(s, geometry);
    s->setRange(minimum, maximum);
    s->setValue(value);
    s->setSingleStep(1);
    s->setPageStep(1);
    // The change handler runs once per completed user action: when the thumb
    // is released, not while it is dragged.
    s->setTracking(false);
    s->setFocusPolicy(Qt::StrongFocus);
    // Connected only now, so that creating the bar raises no change event.
    QObject::connect(s, &QScrollBar::valueChanged, s, [which] { scrollBarChanged(which); });
    return s;
}

QAction* item(QMenu* menu, const char* name, const char* text, std::function<void()> handler)
{
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::fromUtf8(name));
    if (handler)
        QObject::connect(a, &QAction::triggered, a, [handler = std::move(handler)] { handler(); });
    else
        a->setEnabled(false);  // greyed, no handler
    return a;
}

void separator(QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromUtf8(name)); }

// A caption and a text it may show.
struct CaptionText {
    const char* control;  // object name
    const char* text;
};

// The longest text each caption shows in use, beside the text it has now:
// what the pass, the zoom steps, the scroll bars and the toggles write.
const CaptionText longestTexts[] = {
    {"Labeltime", "9999999"},
    {"labelchunkx", "16"},
    {"Labelchunky", "16"},
    {"Labelcompleted", " 100 %"},
    {"cmdpicturesaving", "Picture saving off"},
    {"cmdSuccessiverefinement", "Successive refinement off"},
    {"cmdsynchronizedmode", "Synchronized mode off"},
    {"Label14", "-163835"},  // -32767 zoom steps out at the factor 5
    {"Labelzoom", "-32767 times"},
    {"Labelkstep", "400"},
    {"labelitera", "30000"},
    {"Label6", "1020"},
    // A sign, 15 significant digits and a three-digit exponent.
    {"Label1", "-1.23456789012345e-308"},
    {"Label2", "-1.23456789012345e-308"},
    {"Label3", "-1.23456789012345e-308"},
    {"Label4", "-1.23456789012345e-308"},
};

QRect textRoom(const QWidget* control)
{
    if (const auto* b = qobject_cast<const QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(b);
        option.text = b->text();
        return b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
    }
    return control->contentsRect();
}

QString shownText(QString caption)
{
    // "&" marks the access key and is not drawn; "&&" draws one "&".
    caption.replace("&&", QString(QChar(0xFFFF)));
    caption.remove('&');
    caption.replace(QChar(0xFFFF), '&');
    return caption;
}

bool textFits(const QFontMetrics& metrics, const QWidget* control, const QString& caption)
{
    const QRect room = textRoom(control);
    return metrics.horizontalAdvance(shownText(caption)) <= room.width() && metrics.height() <= control->height();
}

// Every caption with every text it shows: the captions it has now and the
// longest texts of longestTexts.
std::vector<std::pair<const QWidget*, QString>> shownTexts(const QWidget* client)
{
    std::vector<std::pair<const QWidget*, QString>> texts;
    for (const QLabel* l : client->findChildren<QLabel*>())
        texts.emplace_back(l, l->text());
    for (const QPushButton* b : client->findChildren<QPushButton*>())
        texts.emplace_back(b, b->text());
    for (const CaptionText& t : longestTexts)
        texts.emplace_back(client->findChild<QWidget*>(QString::fromUtf8(t.control)), QString::fromUtf8(t.text));
    return texts;
}

}  // namespace

MainWindow::MainWindow()
{
    setObjectName("Form1");
    setWindowTitle("Vantorel");
    installAccessibleInterfaces();
    buildControls();
    buildMenus();
    fitLayout();
    fitToScreen();
    nameControls(*this);
    // Ctrl+Q ends the program as Esc on the canvas and "&Exit" do, from
    // either window; the menu item itself carries no shortcut.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this, [] { mnuend_Click(); });
    quit->setContext(Qt::ApplicationShortcut);
}

QRect MainWindow::toPixels(const QRect& t) const
{
    // Both edges are scaled, so controls that touch in twips touch on screen.
    const auto px = [this](int twips) { return static_cast<int>(std::lround(twips * scale / TwipsPerPixel)); };
    const int left = px(t.left()), top = px(t.top());
    return QRect(left, top, px(t.left() + t.width()) - left, px(t.top() + t.height()) - top);
}

QAction* MainWindow::optionAction(Caption button) const
{
    switch (button) {
    case Caption::cmdSuccessiverefinement: return successiveAction;
    case Caption::cmdsynchronizedmode: return synchronizedAction;
    case Caption::cmdpicturesaving: return savingAction;
    default: return nullptr;
    }
}

void MainWindow::buildControls()
{
    client = new QWidget();
    client->setObjectName("clientArea");
    place(client, ClientTwips);
    // The client area keeps its fixed layout; on a screen too small for it
    // the area scrolls, so that every control stays within reach.
    scroller = new QScrollArea(this);
    scroller->setObjectName("clientScroller");
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(client);
    setCentralWidget(scroller);

    auto* frame1 = new QGroupBox(QString(), client);
    frame1->setObjectName("Frame1");
    place(frame1, twips(0, 0, 10815, 9375));

    auto set = [this](Caption c, QWidget* w) { captions[static_cast<int>(c)] = w; };

    auto* label13 = label(frame1, "Label13", "Time:", twips(120, 240, 375, 255));
    set(Caption::Labeltime, label(frame1, "Labeltime", "ms", twips(600, 240, 735, 255)));
    auto* label9 = label(frame1, "Label9", "Chunk size :", twips(1560, 240, 975, 255));
    label9->setToolTip("Size of the grid");
    set(Caption::labelchunkx, label(frame1, "labelchunkx", "x", twips(2520, 240, 255, 255)));
    set(Caption::Labelchunky, label(frame1, "Labelchunky", "y", twips(2760, 240, 255, 255)));
    set(Caption::Labelcompleted, label(frame1, "Labelcompleted", "%", twips(3000, 240, 495, 255)));
    (void)label13;

    auto* command1 = button(frame1, "Command1", "&Start", twips(120, 720, 1215, 495), [] { Command1_Click(); });
    auto* command2 = button(frame1, "Command2", "Restart all", twips(120, 1440, 1215, 495), [] { Command2_Click(); });
    set(Caption::Label14, label(frame1, "Label14", "Zoom * factor", twips(120, 2640, 975, 255)));
    set(Caption::Labelzoom, label(frame1, "Labelzoom", "Zoomed", twips(120, 3000, 1095, 255)));
    auto* zoomin = button(frame1, "zoomin", "+ Zoom &in", twips(120, 3480, 1215, 495), [] { zoomin_Click(); });
    auto* zoomout = button(frame1, "zoomout", "- Zoom &out", twips(120, 4200, 1215, 495), [] { zoomout_Click(); });
    // "&Options" and "- Zoom &out" share the access key O. The menu takes
    // Alt+O, as on the desktop the layout was drawn for; the button keeps
    // its caption and is pressed by a click, Tab and Space, Enter, or the
    // keypad minus on the canvas.
    zoomout->setShortcut(QKeySequence());

    picture1 = new Canvas(frame1);
    picture1->setObjectName("Picture1");
    place(picture1, twips(1440, 600, 9000, 7500));

    label(frame1, "Label12", "Calc. step  :", twips(120, 8280, 975, 255));
    bars[static_cast<int>(ScrollBar::kstep)] =
        makeScrollBar(frame1, "kstep", twips(1440, 8280, 3495, 255), 1, 400, 15, ScrollBar::kstep);
    set(Caption::Labelkstep, label(frame1, "Labelkstep", "kstep", twips(5040, 8280, 975, 255)));
    label(frame1, "Label11", "Iterations :", twips(120, 8640, 855, 255));
    bars[static_cast<int>(ScrollBar::itera)] =
        makeScrollBar(frame1, "itera", twips(1440, 8640, 3495, 255), 1, 30000, 1, ScrollBar::itera);
    set(Caption::labelitera, label(frame1, "labelitera", "itera", twips(5040, 8640, 855, 255)));
    label(frame1, "Label5", "Colour intensity :", twips(120, 9000, 1335, 255));
    bars[static_cast<int>(ScrollBar::colourbar)] =
        makeScrollBar(frame1, "colourbar", twips(1440, 9000, 3495, 255), 0, 1020, 500, ScrollBar::colourbar);
    set(Caption::Label6, label(frame1, "Label6", "normal", twips(5040, 9000, 975, 255)));

    auto* corners = new QGroupBox("Corners", frame1);
    corners->setObjectName("CornersXY");
    place(corners, twips(5760, 8160, 4695, 1095));
    set(Caption::Label1, label(corners, "Label1", "0", twips(120, 360, 2175, 255)));
    set(Caption::Label2, label(corners, "Label2", "0", twips(120, 720, 2175, 255)));
    set(Caption::Label3, label(corners, "Label3", "0", twips(2520, 360, 2055, 255)));
    set(Caption::Label4, label(corners, "Label4", "0", twips(2520, 720, 2055, 255)));

    // Divider lines: the left column cut into bands, the top strip and the
    // two corners of the "Corners" box.
    const int lines[][4] = {{0, 600, 1440, 600},   {0, 1320, 1440, 1320}, {0, 2040, 1440, 2040}, {0, 3360, 1440, 3360},
                            {0, 4080, 1440, 4080}, {0, 4800, 1440, 4800}, {1440, 120, 1440, 600}};
    const char* lineNames[] = {"Line1", "Line2", "Line3", "Line6", "Line5", "Line7", "Line4"};
    for (int i = 0; i < 7; ++i)
        (new DividerLine(frame1, lines[i][0], lines[i][1], lines[i][2], lines[i][3]))->setObjectName(lineNames[i]);
    (new DividerLine(corners, 2400, 120, 2400, 1080))->setObjectName("Line8");
    this->corners = corners;

    // The option buttons sit on the window itself, above Frame1.
    auto* saving = button(client, "cmdpicturesaving", "&Picture saving", twips(3600, 240, 1815, 255),
                          [] { cmdpicturesaving_Click(); });
    auto* successive = button(client, "cmdSuccessiverefinement", "S&uccessive refinement", twips(5640, 240, 2295, 255),
                              [] { cmdSuccessiverefinement_Click(); });
    auto* synchronized = button(client, "cmdsynchronizedmode", "Synchronized &mode", twips(8160, 240, 2175, 255),
                                [] { cmdsynchronizedmode_Click(); });
    for (QPushButton* b : {saving, successive, synchronized}) {
        b->raise();
        b->setCheckable(true);
    }
    set(Caption::cmdpicturesaving, saving);
    set(Caption::cmdSuccessiverefinement, successive);
    set(Caption::cmdsynchronizedmode, synchronized);

    // Keyboard focus order of the controls that take the focus.
    QWidget* order[] = {command1,
                        command2,
                        zoomin,
                        zoomout,
                        picture1,
                        saving,
                        successive,
                        synchronized,
                        scrollBar(ScrollBar::kstep),
                        scrollBar(ScrollBar::itera),
                        scrollBar(ScrollBar::colourbar)};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    command1->setFocus();
}

void MainWindow::fitLayout()
{
    // Text is at least the desktop's size: the desktop's font, or 8 points
    // at the current DPI where that is smaller (the size the layout was
    // drawn for). The family stays the desktop's default.
    QFont font = QApplication::font();
    QFont designed = font;
    designed.setPointSizeF(8);
    if (QFontInfo(font).pixelSize() < QFontInfo(designed).pixelSize())
        font = designed;
    setFont(font);

    // The layout grows by one factor, the smallest at which every caption
    // and every caption's longest text fits its rectangle. Margins inside
    // a control (a button's frame) stay the same pixels at any scale, so
    // the factor follows from the text's width and the margin at scale 1;
    // rounding to whole pixels may ask for a little more.
    scale = 1;
    applyScale();
    const QFontMetrics metrics(font);
    double needed = 1;
    for (const auto& [control, text] : shownTexts(client)) {
        const QRect t = control->property(TwipsProperty).toRect();
        const int margin = control->width() - textRoom(control).width();
        needed =
            std::max(needed, (metrics.horizontalAdvance(shownText(text)) + margin) * double(TwipsPerPixel) / t.width());
        needed = std::max(needed, metrics.height() * double(TwipsPerPixel) / t.height());
    }
    scale = needed;
    applyScale();
    for (int step = 0; step < 100 && !everyTextFits(); ++step) {
        scale += 1.0 / 64;
        applyScale();
    }
}

bool MainWindow::everyTextFits() const
{
    const QFontMetrics metrics(font());
    const auto texts = shownTexts(client);
    return std::all_of(texts.begin(), texts.end(), [&](const auto& t) { return textFits(metrics, t.first, t.second); });
}

void MainWindow::applyScale()
{
    client->setFixedSize(toPixels(ClientTwips).size());
    for (QWidget* w : client->findChildren<QWidget*>()) {
        const QVariant t = w->property(TwipsProperty);
        if (w == picture1) {
            // The picture keeps its 600 x 500 pixels at any scale, in the
            // middle of the room the layout gives it.
            const QRect room = toPixels(t.toRect());
            w->move(room.left() + (room.width() - w->width()) / 2, room.top() + (room.height() - w->height()) / 2);
        } else if (t.isValid()) {
            const QRect r = toPixels(t.toRect());
            if (qobject_cast<QLabel*>(w))
                w->setFixedSize(r.size());
            w->setGeometry(r);
        } else if (const QVariant line = w->property(LineProperty); line.isValid()) {
            const QLine l = line.toLine();
            const QRect r = toPixels(QRect(l.x1(), l.y1(), l.x2() - l.x1(), l.y2() - l.y1()));
            w->setGeometry(r.left(), r.top(), std::max(r.width(), 1), std::max(r.height(), 1));
        }
    }
    // Line8 starts at the top of the "Corners" box's inside, below its
    // title and frame edge, whose height follows the font.
    QWidget* line8 = corners->findChild<QWidget*>("Line8");
    const int bottom = line8->geometry().bottom() + 1;
    const int top = std::max(line8->y(), corners->contentsRect().top());
    line8->setGeometry(line8->x(), top, 1, bottom - top);
}

void MainWindow::fitToScreen()
{
    // The window is the menu bar plus the client area, or as much of it as
    // the screen's free area holds (less room for the window frame, which
    // is known only once the window is shown): the client area then scrolls.
    const QSize whole(client->width(), client->height() + menuBar()->sizeHint().height());
    setMaximumSize(whole);
    QSize size = whole;
    QPoint at(150 / TwipsPerPixel, 435 / TwipsPerPixel);
    if (const QScreen* s = screen()) {
        const QRect free = s->availableGeometry();
        size = size.boundedTo(free.size() - FrameAllowance);
        at.setX(std::max(free.left(), std::min(at.x(), free.right() + 1 - FrameAllowance.width() - size.width())));
        at.setY(std::max(free.top(), std::min(at.y(), free.bottom() + 1 - FrameAllowance.height() - size.height())));
    }
    resize(size);
    move(at);
}

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu("&File");
    file->setObjectName("mnufile");
    file->menuAction()->setObjectName("mnufile");
    QMenu* location = file->addMenu("&Location");
    location->setObjectName("mnulocation");
    location->menuAction()->setObjectName("mnulocation");
    item(location, "mnuloadlocation", "&Load location", [] { mnuloadlocation_Click(); });
    item(location, "mnusavelocation", "&Save location", [] { mnusavelocation_Click(); });
    // Beside the location commands, whose load reads the text back; the
    // program has no Edit menu for it.
    item(file, "mnucopylocation", "&Copy location", [] { mnucopylocation_Click(); });
    QMenu* picture = file->addMenu("&Save picture");
    picture->setObjectName("mnusavepicture");
    picture->menuAction()->setObjectName("mnusavepicture");
    item(picture, "mnusavepicturebmp", "&Bitmap format (bmp)", [] { mnusavepicturebmp_Click(); });
    item(picture, "mnusavepicturejpeg", "&Jpeg format (jpeg)", nullptr);
    item(file, "mnuexportpicture", "Export picture…", [this] { mnuexportpicture_Click(this); });
    separator(file, "mnufileseparator1");
    item(file, "mnuend", "&Exit", [] { mnuend_Click(); });

    QMenu* run = bar->addMenu("&Run");
    run->setObjectName("mnurun");
    run->menuAction()->setObjectName("mnurun");
    // mnustart is element 1 of its menu control array.
    item(run, "mnustart", "&Start (plots the set)", [] { mnustart_Click(1); });
    item(run, "mnustop", "Stop", [] { mnustop_Click(); });
    separator(run, "mnurunseparator1");
    item(run, "mnurestart", "Restart all (!)", [] { mnurestart_Click(); });
    separator(run, "mnurunseparator2");
    item(run, "mnupause", "&Pause", [] { mnupause_Click(); });

    QMenu* options = bar->addMenu("&Options");
    options->setObjectName("mnuoptions");
    options->menuAction()->setObjectName("mnuoptions");
    successiveAction = item(options, "mnusuccessive", "Successive refinement on/off", [] { mnusuccessive_Click(); });
    synchronizedAction = item(options, "mnusynchronized", "Synchronized mode on/off", [] { mnusynchronized_Click(); });
    QAction* deepZoom = item(options, "mnudeepzoom", "Deep zoom", [] { mnudeepzoom_Click(); });
    deepZoom->setCheckable(true);
    deepZoom->setChecked(deep.enabled);
    // The check mark shows the true state, whatever the click made of it.
    QObject::connect(deepZoom, &QAction::triggered, deepZoom, [deepZoom] { deepZoom->setChecked(deep.enabled); });
    separator(options, "mnuoptionsseparator1");
    item(options, "mnuchangecoulours", "&Change colours", nullptr);
    item(options, "mnurestartresolution", "Restart resolution", [] { mnurestartresolution_Click(); });
    separator(options, "mnuoptionsseparator2");
    savingAction = item(options, "mnusavingenabled", "Picture saving enabled (slow)", [] { mnusavingenabled_Click(); });
    // The three options show their state as a check mark, kept with the
    // state the buttons' captions show (QtPlatform::setCaption).
    for (QAction* a : {successiveAction, synchronizedAction, savingAction})
        a->setCheckable(true);

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("mnuhelp");
    help->menuAction()->setObjectName("mnuhelp");
    item(help, "mnumandel", "Mandel...?", [] { mnumandel_Click(); });
    item(help, "howto", "How to use the program", [] { howto_Click(); });
    separator(help, "mnuhelpseparator1");
    item(help, "mnuabout", "About", [] { mnuabout_Click(); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (shuttingDown)
        return;  // the program is already ending
    // Any close request ends the program; it is never refused.
    Form_QueryUnload();
}

}  // namespace vantorel::qt

#include "main_window.moc"
