// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

namespace nullsweep {

// The About box: the program's title, a notice line, and the maker's web and e-mail addresses
// as links that open in the user's browser and mail program. No buttons: the window's close box
// closes it.
class TFMAbout final : public QDialog {
    Q_OBJECT

  public:
    explicit TFMAbout(QWidget* owner);

    QLabel* Title() const { return title_; }
    QLabel* WebLink() const { return web_; }
    QLabel* MailLink() const { return mail_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* title_;
    QLabel* web_;
    QLabel* mail_;
};

} // namespace nullsweep
