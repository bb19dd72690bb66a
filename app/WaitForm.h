// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopShell.h"

#include <QWidget>

#include <QTimer>

class QLabel;
class QPushButton;

namespace nullsweep {

// A busy indicator: a block that sweeps to and fro across a groove while it is shown, driven by
// a timer, so it moves whenever the thread that owns it handles its events.
class BusyIndicator final : public QWidget {
    Q_OBJECT

  public:
    explicit BusyIndicator(QWidget* parent);
    // How many steps it has moved since it was made.
    int Phase() const { return phase_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer timer_;
    int phase_ = 0;
};

// The small borderless window that stays on top, centred over the main window, while a long
// operation runs. Created hidden at start-up and reused for the whole run. ShowWait and
// SetWaitText paint the window themselves before they return, in case the operation holds the
// thread; while the operation runs elsewhere (RunOffUiThread), the busy indicator moves. Its
// Cancel button and Escape set the cancel request (WaitCancel.h) that long work reads.
class TWaitForm final : public QWidget, public WaitDisplay {
    Q_OBJECT

  public:
    // `over` is the window to centre on (the main window); it also owns this one.
    explicit TWaitForm(QWidget* over);

    // Shows the window (without making it modal) and paints it at once, or hides it; hiding a
    // hidden window does nothing. `cancelVisible` sets the visibility of "Cancel".
    void ShowWait(bool visible, bool cancelVisible) override;
    // Sets the progress line, which keeps its text until the next call, and paints it at once.
    // Does not show the window.
    void SetWaitText(const std::string& text) override;

    QLabel* Notice() const { return label1_; }
    QLabel* Progress() const { return label2_; }
    QPushButton* Cancel() const { return cancel_; }
    BusyIndicator* Busy() const { return busy_; }

  protected:
    // Escape asks the work to stop, as Cancel does, while Cancel shows.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void paintNow();
    void fitProgress();

    BusyIndicator* busy_;
    QLabel* label1_;
    QLabel* label2_;
    QPushButton* cancel_;
};

} // namespace nullsweep
