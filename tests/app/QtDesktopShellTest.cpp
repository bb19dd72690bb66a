// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtDesktopShell.h"
#include "support/TempTree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
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

// A message bus of the test's own, started from a configuration in a temporary folder: no
// service can be started on request, so only what the test registers answers.
class PrivateBus {
  public:
    PrivateBus() {
        folder_.File("bus.conf",
                     "<busconfig><type>session</type><listen>unix:dir=" + folder_.Root() +
                         "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                         "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        daemon_.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
             QStringLiteral("--config-file=") + QString::fromStdString(folder_.Path("bus.conf"))});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus() {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    bool Started() const { return !address_.isEmpty(); }
    // A new connection to the bus.
    QDBusConnection Connect() {
        const QString name = QStringLiteral("test%1").arg(names_.size());
        names_.push_back(name);
        return QDBusConnection::connectToBus(address_, name);
    }

  private:
    TempTree folder_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

// A file manager on the bus that records what it is asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
  public:
    QList<QStringList> shown;
    QStringList startupIds;
  public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        shown.push_back(uris);
        startupIds.push_back(startupId);
    }
};

} // namespace

// The file manager is asked to show the file by its URI (made from the name's exact bytes);
// where no file manager answers, the folder is opened as before.
TEST(QtDesktopShell, ShowFileAsksTheFileManagerAndFallsBackToTheFolder) {
    PrivateBus bus;
    ASSERT_TRUE(bus.Started()) << "dbus-daemon did not start";
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QtDesktopShell shell;
    shell.SetBus(bus.Connect());

    FakeFileManager manager;
    QDBusConnection service = bus.Connect();
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    shell.ShowFile("/tmp/a b/caf\xc3\xa9 \xff.txt", "/tmp/a b");
    QTRY_COMPARE(manager.shown.size(), 1);
    EXPECT_EQ(manager.shown[0], QStringList{"file:///tmp/a%20b/caf%C3%A9%20%FF.txt"});
    EXPECT_EQ(manager.startupIds[0], "");
    QTest::qWait(50);
    EXPECT_TRUE(catcher.urls.isEmpty());

    // Nobody answers now: the folder opens.
    service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    shell.ShowFile("/tmp/a b/x.txt", "/tmp/a b");
    QTRY_COMPARE(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), "/tmp/a b");
    // Nor without a bus at all.
    shell.SetBus(QDBusConnection(QStringLiteral("no such bus")));
    shell.ShowFile("/tmp/c/y.txt", "/tmp/c");
    EXPECT_EQ(catcher.urls.size(), 2);
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(manager.shown.size(), 1);
}

TEST(QtDesktopShell, QuestionsAnswerYesUnlessNo) {
    QtDesktopShell shell;
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
    QtDesktopShell shell;
    for (const auto& [icon, expected] : {std::pair(MessageIcon::None, QMessageBox::NoIcon),
                                         std::pair(MessageIcon::Warning, QMessageBox::Warning)}) {
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
    QtDesktopShell shell;
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
    QtDesktopShell shell;
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
    QtDesktopShell shell;
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
