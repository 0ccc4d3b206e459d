#include "qt/accessibility.h"

#include "core/numeric.h"
#include "core/state.h"
#include "qt/canvas.h"
#include "qt/main_window.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace vantorel::qt {
namespace {

// A value label: what it shows, the unit its number is spoken with, and
// whether the placeholder it is created with says something of its own (the
// corners' "0" and the intensity's "normal" do; "ms", "%" or "itera" do not).
struct Readout {
    Caption label;
    const char* meaning;
    const char* unit;
    bool placeholderSpeaks;
};

// clang-format off
const Readout readouts[] = {
    {Caption::Labeltime, "Time", " ms", false},
    {Caption::labelchunkx, "Chunk width", "", false},
    {Caption::Labelchunky, "Chunk height", "", false},
    {Caption::Labelcompleted, "Stage progress", "", false},
    {Caption::Labelzoom, "Zoomed", "", false},
    {Caption::Label14, "Zoom times factor", "", false},
    {Caption::labelitera, "Iterations", "", false},
    {Caption::Labelkstep, "Calc. step", "", false},
    {Caption::Label6, "Colour intensity", "", true},
    {Caption::Label1, "Top left x", "", true},
    {Caption::Label2, "Top left y", "", true},
    {Caption::Label3, "Bottom right x", "", true},
    {Caption::Label4, "Bottom right y", "", true},
};
// clang-format on

// The placeholders the value labels are created with.
const char* placeholder(Caption label)
{
    switch (label) {
    case Caption::Labeltime: return "ms";
    case Caption::labelchunkx: return "x";
    case Caption::Labelchunky: return "y";
    case Caption::Labelcompleted: return "%";
    case Caption::Labelzoom: return "Zoomed";
    case Caption::Label14: return "Zoom * factor";
    case Caption::labelitera: return "itera";
    case Caption::Labelkstep: return "kstep";
    default: return "";
    }
}

const Readout* readoutOf(Caption label)
{
    for (const Readout& r : readouts)
        if (r.label == label)
            return &r;
    return nullptr;
}

// Names and descriptions that never change, by object name. A new control
// that a screen reader cannot name from its own caption gets its line here.
struct FixedName {
    const char* control;
    const char* name;
    const char* description;
};

const FixedName fixedNames[] = {
    {"Picture1", "Mandelbrot picture", nullptr},
    {"Labelcompleted", "Stage progress", "Share of the current chunk size's stage already plotted"},
    {"kstep", "Calc. step", nullptr},
    {"itera", "Iterations", nullptr},
    {"colourbar", "Colour intensity", nullptr},
    {"Label9", nullptr, "Size of the grid"},
};

// Each scroll bar, the label that captions it and the label that shows its value.
struct BarLabels {
    const char* bar;
    const char* caption;
    Caption value;
};

const BarLabels barLabels[] = {
    {"kstep", "Label12", Caption::Labelkstep},
    {"itera", "Label11", Caption::labelitera},
    {"colourbar", "Label5", Caption::Label6},
};

const BarLabels* barLabelsOf(const QObject* bar)
{
    for (const BarLabels& b : barLabels)
        if (bar->objectName() == QLatin1String(b.bar))
            return &b;
    return nullptr;
}

// The number a progress text such as " 45 %" shows; 0 for the placeholder.
int percentOf(const QString& text)
{
    bool ok = false;
    const int percent = QString(text).remove('%').trimmed().toInt(&ok);
    return ok ? std::clamp(percent, 0, 100) : 0;
}

// A parameter scroll bar: a value interface, and as its value text the
// meaning its value label gives the value ("Colour intensity normal").
class ParameterBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ParameterBarAccessible(QScrollBar* bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            const BarLabels* labels = barLabelsOf(bar());
            const auto* shown = bar()->parentWidget()->findChild<QLabel*>(valueLabelName(labels));
            return shown ? readoutName(labels->value, shown->text()) : QString::number(bar()->value());
        }
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant& value) override { bar()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

private:
    QScrollBar* bar() const { return static_cast<QScrollBar*>(widget()); }
    static QString valueLabelName(const BarLabels* labels)
    {
        switch (labels->value) {
        case Caption::Labelkstep: return QStringLiteral("Labelkstep");
        case Caption::labelitera: return QStringLiteral("labelitera");
        default: return QStringLiteral("Label6");
        }
    }
};

// The progress label as a progress bar of the current stage, 0 to 100 %.
class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(percentOf(label()->text())) + " %";
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return percentOf(label()->text()); }
    void setCurrentValue(const QVariant&) override {}  // read only
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    const QString name = widget->objectName();
    if (name == QLatin1String("Picture1"))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (name == QLatin1String("Labelcompleted"))
        if (auto* label = qobject_cast<QLabel*>(widget))
            return new ProgressAccessible(label);
    if (auto* bar = qobject_cast<QScrollBar*>(widget); bar && barLabelsOf(bar))
        return new ParameterBarAccessible(bar);
    if (name == QLatin1String("announcement"))
        return new QAccessibleWidget(widget, QAccessible::Notification);
    // The divider lines (Line1 to Line8) are decoration.
    if (name.size() == 5 && name.startsWith(QLatin1String("Line")) && name.back().isDigit())
        return new QAccessibleWidget(widget, QAccessible::Separator);
    return nullptr;
}

QLabel* labelOf(MainWindow& form1, Caption c) { return qobject_cast<QLabel*>(form1.captionWidget(c)); }

void describeBar(MainWindow& form1, const BarLabels& b)
{
    auto* bar = form1.findChild<QScrollBar*>(QString::fromUtf8(b.bar));
    const QLabel* shown = labelOf(form1, b.value);
    if (!bar || !shown)
        return;
    const QString description =
        shown->text() == QString::number(bar->value()) ? QString() : readoutName(b.value, shown->text());
    if (description != bar->accessibleDescription())
        bar->setAccessibleDescription(description);
}

}  // namespace

void installAccessibleInterfaces()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(accessibleFactory);
    installed = true;
}

QString readoutName(Caption label, const QString& text)
{
    const Readout* r = readoutOf(label);
    if (!r)
        return text;
    QString name = QString::fromUtf8(r->meaning);
    if (text == QLatin1String(placeholder(label)) && !r->placeholderSpeaks)
        return name;
    // Signed texts carry a blank before a number that is not negative.
    const QString shown = text.simplified();
    if (shown.isEmpty())
        return name;
    name += ' ' + shown;
    if (shown.back().isDigit())
        name += QString::fromUtf8(r->unit);
    return name;
}

QString helpTextName(const std::string& infoFileName)
{
    if (infoFileName == "info")
        return QStringLiteral("About the Mandelbrot set");
    if (infoFileName == "howto")
        return QStringLiteral("How to use the program");
    return QStringLiteral("Help text");
}

QString pictureDescription(int limit)
{
    const std::string separator = QLocale().decimalPoint().toStdString();
    const auto number = [&](double value) { return QString::fromStdString(formatGeneral(value, separator)); };
    return QStringLiteral("View x from %1 to %2, y from %3 to %4, up to %5 iterations. "
                          "Arrow keys move the view, plus and minus zoom in and out, Esc quits.")
        .arg(number(state.viewXMin), number(state.viewXMax), number(state.viewYMin), number(state.viewYMax))
        .arg(limit);
}

void nameControls(MainWindow& form1)
{
    for (const FixedName& f : fixedNames) {
        auto* w = form1.findChild<QWidget*>(QString::fromUtf8(f.control));
        if (!w)
            continue;
        if (f.name)
            w->setAccessibleName(QString::fromUtf8(f.name));
        if (f.description)
            w->setAccessibleDescription(QString::fromUtf8(f.description));
    }
    // A scroll bar is labelled by its caption: the caption's buddy.
    for (const BarLabels& b : barLabels) {
        auto* caption = form1.findChild<QLabel*>(QString::fromUtf8(b.caption));
        auto* bar = form1.findChild<QScrollBar*>(QString::fromUtf8(b.bar));
        if (caption && bar)
            caption->setBuddy(bar);
    }
    form1.canvas()->setAccessibleDescription(pictureDescription(form1.scrollBar(ScrollBar::itera)->value()));
    // Value labels: named by what they show (Labelcompleted keeps its fixed
    // name; it is a progress bar).
    for (const Readout& r : readouts)
        if (r.label != Caption::Labelcompleted)
            if (QLabel* l = labelOf(form1, r.label))
                l->setAccessibleName(readoutName(r.label, l->text()));
    for (const BarLabels& b : barLabels)
        describeBar(form1, b);
    // The notice that carries announcements; shown only to speak.
    auto* notice = new QWidget(form1.clientArea());
    notice->setObjectName("announcement");
    notice->setGeometry(0, 0, 0, 0);
    notice->setAttribute(Qt::WA_TransparentForMouseEvents);
    notice->hide();
}

AccessibleReadouts::AccessibleReadouts(MainWindow& form1) : form1(form1)
{
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [this] { publish(); });
    pending.reserve(static_cast<std::size_t>(Caption::Count));
}

void AccessibleReadouts::changed(Caption label)
{
    if (!readoutOf(label))
        return;
    if (std::find(pending.begin(), pending.end(), label) == pending.end())
        pending.push_back(label);
    if (!sincePublished.isValid() || sincePublished.elapsed() >= AccessibleFrameMs)
        publish();
    else if (!timer.isActive())
        timer.start(AccessibleFrameMs - static_cast<int>(sincePublished.elapsed()));
}

void AccessibleReadouts::publish()
{
    timer.stop();
    sincePublished.restart();
    bool limitChanged = false;
    for (const Caption c : pending) {
        // A scroll bar's value label gives the bar a description where it
        // shows more than the number ("normal").
        for (const BarLabels& b : barLabels)
            if (b.value == c)
                describeBar(form1, b);
        QLabel* l = labelOf(form1, c);
        if (!l)
            continue;
        if (c == Caption::Labelcompleted) {
            const int percent = percentOf(l->text());
            if (percent != shownPercent) {
                shownPercent = percent;
                QAccessibleValueChangeEvent event(l, percent);
                QAccessible::updateAccessibility(&event);
            }
            continue;
        }
        const QString name = readoutName(c, l->text());
        if (name != l->accessibleName())
            l->setAccessibleName(name);  // sends the name change
        limitChanged = limitChanged || c == Caption::labelitera;
    }
    pending.clear();
    if (limitChanged)
        describePicture();
}

void AccessibleReadouts::describePicture()
{
    const QString description = pictureDescription(form1.scrollBar(ScrollBar::itera)->value());
    if (description != form1.canvas()->accessibleDescription())
        form1.canvas()->setAccessibleDescription(description);
}

void AccessibleReadouts::announce(const QString& message)
{
    auto* notice = form1.findChild<QWidget*>("announcement");
    if (!notice)
        return;
    // A notice that shows is spoken; hiding it first makes each one show anew.
    notice->hide();
    notice->setAccessibleName(message);
    notice->show();
}

}  // namespace vantorel::qt
