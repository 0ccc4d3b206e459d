#pragma once
// File > "Export picture…": the current view, limit, step and intensity drawn
// at a size the user picks, into a PNG or BMP file, in the background while
// the window goes on as before. The canvas, a running plot and the state are
// not touched: the picture is counted on threads of its own from a copy of
// the settings (core/picture_engine.h).

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace vantorel::qt {

// The size of the picture: presets and free values.
class ExportSizeDialog : public QDialog {
    Q_OBJECT

public:
    explicit ExportSizeDialog(QWidget* parent);
    int pictureWidth() const;
    int pictureHeight() const;

    QComboBox* presets = nullptr;
    QSpinBox* width = nullptr;
    QSpinBox* height = nullptr;
};

// The handler of the menu item: the size, then the file, then the export in
// the background with a progress dialog that can cancel it. One export at a
// time: while one runs, the item shows its progress dialog again.
void mnuexportpicture_Click(QWidget* window);

// Whether an export is running (for tests).
bool exportRunning();

}  // namespace vantorel::qt
