// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/DesktopShell.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace nullsweep {

// The small borderless window that stays on top, centred over the main window, while a long
// operation keeps the one thread busy. Created hidden at start-up and reused for the whole run.
// Because the event loop does not run during the operation, ShowWait and SetWaitText paint the
// window themselves before they return.
class TWaitForm final : public QWidget, public TWaitWindow {
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

    // Set by a click on "Cancel", cleared whenever the window is shown. No operation reads it
    // yet: none can be interrupted.
    bool CancelRequested() const { return cancelRequested_; }

    QLabel* Notice() const { return label1_; }
    QLabel* Progress() const { return label2_; }
    QPushButton* Cancel() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void paintNow();

    QProgressBar* busy_;
    QLabel* label1_;
    QLabel* label2_;
    QPushButton* cancel_;
    bool cancelRequested_ = false;
};

} // namespace nullsweep
