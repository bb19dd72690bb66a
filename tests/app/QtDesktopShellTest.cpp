// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtDesktopShell.h"
#include "support/TempTree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

// Runs `act` on the modal dialog of type W once it is shown; fails the test if none shows.
template <typename W> void whenShown(std::function<void(W*)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no dialog was shown";
        }
    });
    timer->start(10);
}

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls.push_back(url); }
};

} // namespace

TEST(QtDesktopShell, QuestionsAnswerYesUnlessNo) {
    TQtDesktopShell shell;
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        whenShown<QMessageBox>([button](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), "Warning");
            EXPECT_EQ(box->text(), "Are you sure to delete the files from disk?");
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
            box->button(button)->click();
        });
        EXPECT_EQ(shell.AskYesNo("Are you sure to delete the files from disk?", "Warning"),
                  button == QMessageBox::Yes);
    }
}

TEST(QtDesktopShell, MessagesHaveOneOkButtonAndTheGivenIcon) {
    TQtDesktopShell shell;
    for (const auto& [icon, expected] : {std::pair(TMessageIcon::None, QMessageBox::NoIcon),
                                         std::pair(TMessageIcon::Warning, QMessageBox::Warning)}) {
        bool shown = false;
        whenShown<QMessageBox>([&, expected = expected](QMessageBox* box) {
            shown = true;
            EXPECT_EQ(box->windowTitle(), "Done");
            EXPECT_EQ(box->text(), "Export Finished");
            EXPECT_EQ(box->icon(), expected);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            box->button(QMessageBox::Ok)->click();
        });
        shell.ShowMessage("Export Finished", "Done", icon);
        EXPECT_TRUE(shown);
    }
}

TEST(QtDesktopShell, SaveDialogAppendsTheDefaultSuffixAndLeavesOverwritingToTheCaller) {
    TempTree t;
    TQtDesktopShell shell;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->defaultSuffix(), "txt");
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Text File (*.txt)"});
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog->selectedFiles().value(0).section(u'/', -1), "list.txt");
        dialog->setDirectory(QString::fromStdString(t.Root()));
        dialog->selectFile("report");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    });
    EXPECT_EQ(shell.SaveFileName({"txt", "Text File (*.txt)", "list"}), t.Path("report.txt"));

    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(shell.SaveFileName({"csv", "CSV File (*.csv)", ""}), "");
}

TEST(QtDesktopShell, FolderPickerShowsFoldersOnly) {
    TempTree t;
    t.Folder("chosen");
    TQtDesktopShell shell;
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        dialog->setDirectory(QString::fromStdString(t.Root()));
        dialog->selectFile("chosen");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    });
    EXPECT_EQ(shell.SelectFolder(), t.Path("chosen"));
    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(shell.SelectFolder(), "");
}

TEST(QtDesktopShell, OpenRequestsGoToTheDesktopAsUrls) {
    UrlCatcher catcher;
    for (const char* scheme : {"file", "https", "mailto"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    TQtDesktopShell shell;
    shell.OpenFolder("/tmp/a b/caf\xc3\xa9");
    shell.OpenUrl("https://nullsweep.example.org/");
    shell.OpenUrl("mailto:nullsweep@example.org");
    for (const char* scheme : {"file", "https", "mailto"})
        QDesktopServices::unsetUrlHandler(scheme);
    ASSERT_EQ(catcher.urls.size(), 3);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), QString::fromUtf8("/tmp/a b/caf\u00e9"));
    EXPECT_EQ(catcher.urls[1], QUrl("https://nullsweep.example.org/"));
    EXPECT_EQ(catcher.urls[2].scheme(), "mailto");
    EXPECT_EQ(catcher.urls[2].path(), "nullsweep@example.org");
}

int main(int argc, char** argv) {
    // Test discovery runs the program without CTest's environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "QtDesktopShellTest.moc"
