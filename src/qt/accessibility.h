#pragma once
// What screen readers and other assistive technology are told about the
// windows: every control's accessible name and role, the read-outs named by
// what they show, the plot's progress, and short announcements. All names
// live here, so a new control is named in one place (the table in
// accessibility.cpp).

#include "platform/platform.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <vector>

class QLabel;
class QWidget;

namespace vantorel::qt {

class MainWindow;

// Installs the accessible interfaces of the canvas (an image), the progress
// label (a progress bar), the parameter scroll bars (with their value text)
// and the announcement notice. Once per program, before the first window.
void installAccessibleInterfaces();

// Names and describes the controls of Form1 and ties each scroll bar to its
// caption. Called once its controls exist.
void nameControls(MainWindow& form1);

// What a value label says to a screen reader: its meaning and its text, as
// "Time 86 ms" or "Top left x -2.25". The placeholder a label is created
// with gives the meaning alone where it names no value ("ms", "%", "itera").
QString readoutName(Caption label, const QString& text);

// The name of the help text box for the text chosen ("info" or "howto").
QString helpTextName(const std::string& infoFileName);

// The canvas's description: the view, the iteration limit and the keys.
QString pictureDescription(int iterationLimit);

// Keeps what assistive technology sees of the read-outs in step with the
// labels, without flooding it: the pass rewrites its progress and time after
// every column, thousands of times a second. A change is published at most
// once per AccessibleFrameMs (the rest waits for a timer), and only a name or
// value that differs from the one published sends an event.
class AccessibleReadouts {
public:
    explicit AccessibleReadouts(MainWindow& form1);

    // The label's text has been set.
    void changed(Caption label);
    // Publishes what is pending now (at the end of a pass).
    void publish();
    // Brings the canvas's description up to date (after every pass).
    void describePicture();

    // A short message spoken at once, whatever has the focus (the end of a
    // pass, the new state of an option whose button gave the focus away).
    void announce(const QString& message);

    static constexpr int AccessibleFrameMs = 100;

private:
    MainWindow& form1;
    std::vector<Caption> pending;
    QElapsedTimer sincePublished;
    QTimer timer;
    int shownPercent = -1;
};

}  // namespace vantorel::qt
