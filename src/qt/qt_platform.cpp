#include "qt/qt_platform.h"

#include "core/state.h"
#include "files/help.h"
#include "qt/accessibility.h"
#include "qt/canvas.h"
#include "qt/information_window.h"
#include "qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vantorel::qt {
namespace {

QString fromLocal(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}
std::string toLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Message texts break lines with CR LF; Qt wants LF alone.
QString messageText(const std::string& text)
{
    QString s = fromLocal(text);
    s.replace("\r\n", "\n");
    return s;
}

QWidget* dialogParent() { return QApplication::activeWindow(); }

// Qt's file dialog on top of two fixes.
//
// The dialog's file model asks its icon provider for the type and icon of
// every entry it meets, also of each path the user types; Qt's provider
// reads the start of a file to tell its type, and reading a pipe or a file
// under /proc can block for good. This provider decides by the name alone.
//
// Qt decides whether to add the default extension to a typed name by asking
// whether that name is a folder relative to the process's working directory;
// the name is resolved in the dialog's own folder before Qt looks at it.
class FileDialog : public QFileDialog {
    Q_OBJECT

public:
    FileDialog(const QString& title, const QString& folder, const QString& filter)
        : QFileDialog(dialogParent(), title, folder, filter)
    {
        // Qt's own dialog, the same on every desktop: the fixes above apply to it.
        setOption(QFileDialog::DontUseNativeDialog, true);
        setIconProvider(&icons);
    }

    void accept() override
    {
        if (auto* edit = findChild<QLineEdit*>("fileNameEdit")) {
            const QString typed = edit->text();
            if (!typed.isEmpty() && QDir::isRelativePath(typed) && !typed.startsWith('~') && !typed.contains('"'))
                edit->setText(directory().absoluteFilePath(typed));
        }
        QFileDialog::accept();
    }

private:
    class NameOnlyIcons : public QFileIconProvider {
    public:
        QIcon icon(const QFileInfo& info) const override
        {
            return QFileIconProvider::icon(info.isDir() ? QFileIconProvider::Folder : QFileIconProvider::File);
        }
        QString type(const QFileInfo& info) const override
        {
            if (info.isDir())
                return QStringLiteral("Folder");
            return names.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
        }

    private:
        QMimeDatabase names;
    };
    NameOnlyIcons icons;
};

}  // namespace

QString dialogFilter(const std::string& filterList)
{
    // Pieces end with NUL; a trailing piece without NUL counts as well.
    QStringList pieces;
    std::string::size_type start = 0;
    while (start < filterList.size()) {
        const auto end = filterList.find('\0', start);
        const auto stop = end == std::string::npos ? filterList.size() : end;
        pieces << fromLocal(filterList.substr(start, stop - start));
        start = stop + 1;
    }
    QStringList filters;
    for (qsizetype i = 0; i < pieces.size(); i += 2) {
        const QString display = pieces[i];
        QString pattern = i + 1 < pieces.size() ? pieces[i + 1] : QString();
        if (display.isEmpty() && pattern.isEmpty())
            continue;
        if (pattern.isEmpty())
            pattern = "*." + display;
        pattern.replace(';', ' ');
        filters << display + " (" + pattern + ")";
    }
    return filters.join(";;");
}

QtPlatform::QtPlatform()
{
    staleLabels.reserve(static_cast<std::size_t>(Caption::Count));
    labelTimer.setSingleShot(true);
    QObject::connect(&labelTimer, &QTimer::timeout, [this] { showStaleLabels(); });
}

void QtPlatform::showStaleLabels()
{
    for (QLabel* l : staleLabels)
        l->setUpdatesEnabled(true);  // repaints the label
    staleLabels.clear();
    sinceLabelsShown.restart();
}
QtPlatform::~QtPlatform()
{
    if (form2)
        delete form2.data();
}

Canvas* QtPlatform::canvas() const { return form1 ? form1->canvas() : nullptr; }

void QtPlatform::canvasClear() { canvas()->clear(); }
void QtPlatform::canvasSetPixel(int x, int y, Colour colour) { canvas()->setPixel(x, y, colour); }
void QtPlatform::canvasFillBox(int x1, int y1, int x2, int y2, Colour colour)
{
    canvas()->fillBox(x1, y1, x2, y2, colour);
}
void QtPlatform::canvasPaintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks)
{
    if (!canvas()->paintColumn(x, blockWidth, blockHeight, colours, blocks))
        Platform::canvasPaintColumn(x, blockWidth, blockHeight, colours, blocks);  // clipped block by block
}
void QtPlatform::canvasDrawBox(int x1, int y1, int x2, int y2, Colour colour)
{
    canvas()->drawBox(x1, y1, x2, y2, colour);
}
double QtPlatform::canvasOuterWidthTwips() { return canvas()->width() * double(TwipsPerPixel); }
double QtPlatform::canvasOuterHeightTwips() { return canvas()->height() * double(TwipsPerPixel); }

void QtPlatform::setCanvasPointer(Pointer pointer)
{
    canvas()->setCursor(pointer == Pointer::Cross ? Qt::CrossCursor : Qt::ArrowCursor);
}

void QtPlatform::focusCanvas() { canvas()->setFocus(Qt::OtherFocusReason); }

std::string QtPlatform::canvasBmp()
{
    // Encoded in memory; the picture command writes the file itself, the
    // same careful way as a location.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    canvas()->image().save(&buffer, "BMP");
    return buffer.data().toStdString();
}

void QtPlatform::setCaption(Caption control, const std::string& text)
{
    QWidget* w = form1->captionWidget(control);
    const QString s = QString::fromStdString(text);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (sinceLabelsShown.isValid() && sinceLabelsShown.elapsed() < LabelFrameMs) {
            if (l->updatesEnabled()) {
                l->setUpdatesEnabled(false);
                staleLabels.push_back(l);
            }
            if (!labelTimer.isActive())
                labelTimer.start(LabelFrameMs);
        } else {
            sinceLabelsShown.restart();
        }
        l->setText(s);
        readouts->changed(control);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        setOptionCaption(control, b, s);
    }
}

void QtPlatform::setOptionCaption(Caption control, QAbstractButton* b, const QString& text)
{
    // An option button's caption states the option's state ("... on" or
    // "... off"); its checked state and its menu item's check mark say the
    // same to assistive technology.
    const QString before = b->text();
    const bool on = text.endsWith(QLatin1String(" on"));
    b->setText(text);
    b->setChecked(on);
    if (QAction* a = form1->optionAction(control))
        a->setChecked(on);
    // A new state is spoken: by the screen reader itself while the button
    // keeps the focus (its name changed), else announced once the handler
    // has moved the focus where it goes. The captions start-up replaces
    // state nothing yet.
    const bool wasState = before.endsWith(QLatin1String(" on")) || before.endsWith(QLatin1String(" off"));
    if (wasState && text != before) {
        QTimer::singleShot(0, b, [this, b] {
            if (!b->hasFocus())
                readouts->announce(b->text());
        });
    }
}

void QtPlatform::plotEnded(bool completed)
{
    if (!form1)
        return;
    readouts->publish();
    readouts->describePicture();
    readouts->announce(
        completed ? QStringLiteral("Plot complete in %1 ms").arg(QString::fromStdString(caption(Caption::Labeltime)))
                  : QStringLiteral("Plot stopped"));
}

void QtPlatform::setCaptionDetail(Caption control, const std::string& text)
{
    QWidget* w = form1->captionWidget(control);
    // A description the window gave the control itself comes first and
    // stays when the detail is removed.
    constexpr const char* Own = "vantorelOwnDescription";
    if (!w->property(Own).isValid())
        w->setProperty(Own, w->accessibleDescription());
    const QString own = w->property(Own).toString();
    const QString detail = QString::fromStdString(text);
    w->setAccessibleDescription(detail.isEmpty() || own.isEmpty() ? own + detail : own + ": " + detail);
    // A value of thousands of digits is broken into lines for its tool tip.
    QString tip;
    for (qsizetype at = 0; at < detail.size(); at += 80)
        tip += (at ? "\n" : "") + detail.mid(at, 80);
    w->setToolTip(tip);
}

std::string QtPlatform::caption(Caption control)
{
    QWidget* w = form1->captionWidget(control);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text().toStdString();
    return {};
}

std::int16_t QtPlatform::scrollValue(ScrollBar bar)
{
    return static_cast<std::int16_t>(form1->scrollBar(bar)->value());
}

void QtPlatform::setScrollValue(ScrollBar bar, std::int16_t value)
{
    // QScrollBar emits valueChanged, and so runs the change handler, only
    // for a different value, and before setValue returns.
    form1->scrollBar(bar)->setValue(value);
}

int QtPlatform::pumpEvents(bool waitForEvents)
{
    // Show the columns drawn since the last pump, then handle what is pending.
    if (Canvas* c = canvas())
        c->flush();
    QCoreApplication::processEvents(waitForEvents ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    if (afterPump)
        afterPump();
    // The open windows and dialogs, counted on the platform's window list:
    // asking for the top-level widgets walks every widget of the program.
    int open = 0;
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        const Qt::WindowType type = w->type();
        if (w->isVisible() && (type == Qt::Window || type == Qt::Dialog))
            ++open;
    }
    return open;
}

std::int32_t QtPlatform::tickCount()
{
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

void QtPlatform::showMainWindow()
{
    if (!form1) {
        form1 = std::make_unique<MainWindow>();
        readouts = std::make_unique<AccessibleReadouts>(*form1);
    }
    form1->show();
}

void QtPlatform::quit()
{
    // Close the windows (the close request of Form1 must not start the
    // shut-down again), then end the process here and now: a plotting pass
    // suspended in its event pump further up the stack must never resume.
    if (form1)
        form1->shuttingDown = true;
    if (form2)
        form2->close();
    if (form1)
        form1->close();
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // _Exit skips the leak check that would run at exit, and this is the only
    // way the program ends: check here (a leak ends the process with an error).
    __lsan_do_leak_check();
#endif
    std::_Exit(0);
}

std::string QtPlatform::showSaveDialog(const std::string& filterList, const std::string& defaultExtension,
                                       const std::string& startFolder)
{
    FileDialog dialog("Save As", fromLocal(startFolder), dialogFilter(filterList));
    dialog.setObjectName("saveDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(fromLocal(defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return toLocal(dialog.selectedFiles().first());
}

std::string QtPlatform::showOpenDialog(const std::string& filterList, const std::string& startFolder)
{
    FileDialog dialog("Open", fromLocal(startFolder), dialogFilter(filterList));
    dialog.setObjectName("openDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name of a file that does not exist is accepted as well.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return toLocal(dialog.selectedFiles().first());
}

void QtPlatform::messageBox(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::NoIcon, fromLocal(title), messageText(text), QMessageBox::Ok, dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtPlatform::askYesNo(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::NoIcon, fromLocal(title), messageText(text), QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    // Esc and the close button answer as Yes does (Qt's choice would be No).
    box.setEscapeButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPlatform::copyToClipboard(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtPlatform::openAddress(const std::string& address)
{
    // The address may be a bare host name; the browser gets a full URL.
    QDesktopServices::openUrl(QUrl::fromUserInput(fromLocal(address)));
}

void QtPlatform::showInformationWindow()
{
    if (form2 && form2->isVisible()) {
        form2->raise();
        form2->activateWindow();
        return;
    }
    form2 = new InformationWindow();
    form2->textBox()->setAccessibleName(helpTextName(state.infoFileName));
    Form2_Load();
    form2->show();
}

double QtPlatform::informationWindowOuterWidthTwips() { return form2 ? form2->outerSizeTwips().width() : 0; }

double QtPlatform::informationWindowOuterHeightTwips() { return form2 ? form2->outerSizeTwips().height() : 0; }

void QtPlatform::setInformationTextBoxSize(int widthTwips, int heightTwips)
{
    if (form2)
        form2->textBox()->resize(widthTwips / TwipsPerPixel, heightTwips / TwipsPerPixel);
}

void QtPlatform::setInformationText(const std::string& bytes)
{
    if (form2)
        form2->textBox()->setPlainText(fromLocal(bytes));
}

std::string QtPlatform::applicationFolder() { return toLocal(QCoreApplication::applicationDirPath()); }

std::string QtPlatform::decimalSeparator() { return QLocale().decimalPoint().toStdString(); }

}  // namespace vantorel::qt

#include "qt_platform.moc"
