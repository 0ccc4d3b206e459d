#include "qt/export_dialog.h"

#include "core/deep_counts.h"
#include "core/deep_view.h"
#include "core/picture_engine.h"
#include "core/pixel_counts.h"
#include "core/state.h"
#include "files/dialogs.h"
#include "files/location_file.h"
#include "files/picture_export.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QPointer>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <thread>

namespace vantorel::qt {
namespace {

struct Preset {
    int width, height;
};
constexpr Preset Presets[] = {{1920, 1080}, {3840, 2160}, {7680, 4320}, {600, 500}};

void tell(const std::string& text) { platform().messageBox(text, "Vantorel"); }

// One export in the background: the thread that draws and writes, and the
// progress dialog that follows it through a timer.
class Export : public QObject {
    Q_OBJECT

public:
    Export(QWidget* window, const PictureSettings& settings, const DeepView& view, bool deepZoom, int calcStep,
           const std::string& target)
        : QObject(window), settings(settings), path(target)
    {
        progress = new QProgressDialog("Exporting the picture…", "Cancel", 0, settings.height, window);
        progress->setObjectName("exportProgress");
        progress->setWindowTitle("Vantorel");
        progress->setWindowModality(Qt::NonModal);  // the window stays usable
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->setMinimumDuration(0);
        progress->setValue(0);
        connect(progress, &QProgressDialog::canceled, this, [this] { cancel.store(true); });
        // The program ends at once when its window closes: the picture is
        // stopped first, so that no temporary file is left behind.
        window->installEventFilter(this);

        PictureControl control;
        control.cancel = &cancel;
        control.progress = [this](int rows) { rowsDone.store(rows, std::memory_order_relaxed); };
        worker = std::thread([this, control, view, deepZoom, calcStep] {
            try {
                // A deep view's reference orbit is computed here too, out of
                // the window's way; Cancel stops it.
                const auto source = pictureCountsFor(view, deepZoom, this->settings.width, this->settings.height,
                                                     this->settings.maxIterations, calcStep, &cancel);
                if (source)
                    result = exportPicture(this->settings, *source, ExportTargets{path, {}}, control);
                else
                    result.end = PictureEnd::Cancelled;
            } catch (const std::exception& e) {
                result.file = path;
                result.problem = e.what();
            }
            finished.store(true, std::memory_order_release);
        });
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Export::poll);
        timer->start(100);
    }
    ~Export() override
    {
        stop();
        if (running == this)
            running = nullptr;  // the window went first
    }

    void show()
    {
        progress->show();
        progress->raise();
        progress->activateWindow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close)
            stop();
        return QObject::eventFilter(watched, event);
    }

private:
    void stop()
    {
        cancel.store(true);
        if (worker.joinable())
            worker.join();
    }

    void poll()
    {
        progress->setValue(rowsDone.load(std::memory_order_relaxed));
        if (!finished.load(std::memory_order_acquire))
            return;
        timer->stop();
        worker.join();
        progress->close();
        progress->deleteLater();
        running = nullptr;
        // A cancelled export says nothing: it left no file, as asked.
        if (!result.problem.empty())
            tell("Could not export the picture to \"" + result.file + "\".\r\n" + result.problem);
        else if (result.end == PictureEnd::Complete)
            tell("The picture was saved to \"" + path + "\".");
        deleteLater();
    }

public:
    static inline Export* running = nullptr;

private:
    PictureSettings settings;
    std::string path;
    QProgressDialog* progress = nullptr;
    QTimer* timer = nullptr;
    std::atomic<bool> cancel{false}, finished{false};
    std::atomic<int> rowsDone{0};
    ExportResult result;
    std::thread worker;
};

}  // namespace

ExportSizeDialog::ExportSizeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("exportSizeDialog");
    setWindowTitle("Export picture");
    presets = new QComboBox(this);
    presets->setObjectName("exportPresets");
    for (const Preset& p : Presets)
        presets->addItem(QString("%1 × %2").arg(p.width).arg(p.height));
    presets->addItem("Other size");
    width = new QSpinBox(this);
    height = new QSpinBox(this);
    width->setObjectName("exportWidth");
    height->setObjectName("exportHeight");
    for (QSpinBox* side : {width, height}) {
        side->setRange(1, MaxPictureSide);
        side->setSuffix(" pixels");
    }
    const auto choose = [this](int index) {
        if (index < 0 || index >= static_cast<int>(std::size(Presets)))
            return;
        const QSignalBlocker quietWidth(width), quietHeight(height);
        width->setValue(Presets[index].width);
        height->setValue(Presets[index].height);
    };
    connect(presets, &QComboBox::currentIndexChanged, this, choose);
    // A value typed by hand makes the size another one than the preset's.
    const auto typed = [this] {
        const int index = presets->currentIndex();
        if (index < static_cast<int>(std::size(Presets))
            && (width->value() != Presets[index].width || height->value() != Presets[index].height))
            presets->setCurrentIndex(static_cast<int>(std::size(Presets)));
    };
    connect(width, &QSpinBox::valueChanged, this, typed);
    connect(height, &QSpinBox::valueChanged, this, typed);
    choose(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow("&Size:", presets);
    form->addRow("&Width:", width);
    form->addRow("&Height:", height);
    form->addRow(buttons);
}

int ExportSizeDialog::pictureWidth() const { return width->value(); }
int ExportSizeDialog::pictureHeight() const { return height->value(); }

bool exportRunning() { return Export::running != nullptr; }

void mnuexportpicture_Click(QWidget* window)
{
    if (Export::running) {
        Export::running->show();
        return;
    }
    ExportSizeDialog sizes(window);
    if (sizes.exec() != QDialog::Accepted)
        return;
    const std::string path =
        showSaveDialog("PNG picture|*.png|BMP picture|*.bmp", "png", dataFolderPath("picture"));
    if (path.empty())
        return;
    const auto format = pictureFormatFor(path);
    const std::string problem = !format ? "The name must end in .png or .bmp."
                                        : pictureSizeProblem(*format, sizes.pictureWidth(), sizes.pictureHeight());
    if (!problem.empty()) {
        tell("Could not export the picture to \"" + path + "\".\r\n" + problem);
        return;
    }
    // What the window would plot now: the view, the limit, step and intensity
    // on their scroll bars, and the two refinement options.
    Platform& p = platform();
    PictureSettings settings;
    settings.width = sizes.pictureWidth();
    settings.height = sizes.pictureHeight();
    settings.maxIterations = static_cast<float>(p.scrollValue(ScrollBar::itera));
    settings.intensity = p.scrollValue(ScrollBar::colourbar);
    settings.refinement = state.refinementBase > 1;
    settings.synchronized = state.synchronizedMode;
    if (!std::isfinite(state.viewXMin) || !std::isfinite(state.viewYMin) || !std::isfinite(state.viewXMax)
        || !std::isfinite(state.viewYMax)) {
        tell("Could not export the picture to \"" + path + "\".\r\nThe view is not a finite part of the plane.");
        return;
    }
    Export::running = new Export(window, settings, currentDeepView(), deep.enabled, p.scrollValue(ScrollBar::kstep),
                                 path);
    Export::running->show();
}

}  // namespace vantorel::qt

#include "export_dialog.moc"
