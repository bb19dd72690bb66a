// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Application.h"
#include "app/MainWindow.h"
#include "config/ConfigStore.h"
#include "config/DefaultConfig.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "support/FakeShell.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace nullsweep;
using nullsweep::test::FakeShell;
using nullsweep::test::ReadFile;
using nullsweep::test::TempTree;

namespace {

struct ConfigFile {
    TempTree folder;
    explicit ConfigFile(const std::string& text) {
        folder.File("CorvaneConfig.xml", text);
        UseConfigFile(folder.Path("CorvaneConfig.xml"));
    }
    ~ConfigFile() { UseConfigFile({}); }
};

TFMMain* shownMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<TFMMain*>(w); main && main->isVisible()) return main;
    return nullptr;
}

} // namespace

TEST(Application, ABadConfigurationWarnsAndEndsWithStatusOne) {
    ConfigFile config("<config><nodes><node Name=\"File Name\" Visible=\"maybe\"");
    FakeShell shell;
    EXPECT_EQ(RunMainWindow({}), 1);
    const auto messages = shell.CallsOf(FakeShell::Kind::ShowMessage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Warning);
    EXPECT_NE(messages[0].text.find("CorvaneConfig.xml"), std::string::npos);
}

TEST(Application, FoldersOnTheCommandLineAreScannedAsOneDrop) {
    ConfigFile config{std::string(DefaultConfigText)};
    FakeShell shell;
    TempTree t;
    t.File("a/one");
    t.File("b/two");
    t.File("file");
    std::vector<std::string> names;
    // Once the loop runs and the drop is done, read the rows and close the window (looked at
    // until the rows are there: on a busy machine the window takes a while to come up).
    QTimer poll;
    int tries = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TFMMain* main = shownMainWindow();
        if (!main || (main->VT().TotalCount() == 0 && ++tries < 250)) return;
        poll.stop();
        for (PVirtualNode n = main->VT().GetFirst(); n; n = main->VT().GetNext(n))
            names.emplace_back(RowOf(n).Name());
        main->close();
    });
    poll.start(20);
    EXPECT_EQ(RunMainWindow({t.Path("b"), t.Path("file"), t.Path("a")}), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"two", "one"}));
}

// The desktop knows the window by its desktop file (Wayland's app id) and shows the installed
// icon for it.
TEST(Application, TheWindowNamesItsDesktopFileAndShowsTheInstalledIcon) {
    ConfigFile config{std::string(DefaultConfigText)};
    FakeShell shell;
    TempTree icons;
    icons.File("hicolor/index.theme", "[Icon Theme]\nName=Hicolor\nDirectories=scalable/apps\n"
                                      "[scalable/apps]\nSize=64\nType=Scalable\n");
    icons.File("hicolor/scalable/apps/nullsweep.svg", ReadFile(NULLSWEEP_ICON));
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({QString::fromStdString(icons.Root())});
    QIcon::setThemeName("hicolor"); // as desktops without a theme of their own have it
    QString iconName;
    QSize iconSize;
    QTimer::singleShot(50, [&] {
        if (TFMMain* main = shownMainWindow()) {
            iconName = main->windowIcon().name();
            iconSize = main->windowIcon().pixmap(QSize(48, 48)).size();
            main->close();
        }
    });
    EXPECT_EQ(RunMainWindow({}), 0);
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(theme);
    EXPECT_EQ(QGuiApplication::desktopFileName(), "nullsweep");
    EXPECT_EQ(iconName, "nullsweep");
    EXPECT_EQ(iconSize, QSize(48, 48));
}

TEST(Application, WithoutADisplayTheProgramSaysSoInOneLine) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                std::string(NULLSWEEP_BINARY) + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(output.find("no display"), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

TEST(Application, FolderArgumentsThatAreNoPathAreSkippedWithoutAnAbort) {
    TempTree t;
    t.Folder("gone");
    const std::string got = nullsweep::test::RunInChild([&] {
        if (::chdir(t.Path("gone").c_str()) != 0 || ::rmdir(t.Path("gone").c_str()) != 0)
            return std::string("setup failed");
        std::string arguments[] = {"nullsweep", "", "relative", t.Root() + "/./x/.."};
        char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                        arguments[3].data()};
        std::string out;
        for (const std::string& folder : FoldersOfArguments(4, argv))
            out += folder + "\n";
        return out;
    });
    EXPECT_EQ(got, t.Root() + "/\n");
}
