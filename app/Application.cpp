// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/QtDesktopShell.h"
#include "app/WaitForm.h"
#include "desktop/RunCommand.h"
#include "scan/FolderArgument.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace nullsweep {

namespace {

// What Qt said first while starting; shown in one line if it cannot start at all (a display
// named but out of reach), instead of Qt's abort.
std::string startupProblem;

void startupMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (startupProblem.empty()) startupProblem = text.toStdString();
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "nullsweep: cannot open the window: %s\n", startupProblem.c_str());
        std::_Exit(1);
    }
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The installed icon: from the icon theme, else beside an install whose program lives in
// lib/nullsweep/.
QIcon programIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("nullsweep"));
    if (icon.isNull()) {
        const QString installed =
            QCoreApplication::applicationDirPath() +
            QStringLiteral("/../../share/icons/hicolor/scalable/apps/nullsweep.svg");
        if (QFileInfo::exists(installed)) icon = QIcon(installed);
    }
    return icon;
}

} // namespace

bool HasDisplay() {
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

int RunMainWindow(const std::vector<std::string>& folders, QtDesktopShell* shell) {
    // The desktop matches the window to nullsweep.desktop (Wayland's app id) and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("nullsweep"));
    QApplication::setWindowIcon(programIcon());
    TFMMain main;
    if (shell) shell->SetOwner(&main);
    TWaitForm wait(&main);
    WaitDisplay* previousWait = SetWaitWindow(&wait);
    main.show();
    int status = 1;
    if (!main.StartFailed()) {
        if (!folders.empty())
            QTimer::singleShot(0, &main, [&] { RunCommand([&] { main.DropFolders(folders); }); });
        status = QApplication::exec();
    }
    SetWaitWindow(previousWait);
    return status;
}

std::vector<std::string> FoldersOfArguments(int argc, char** argv) {
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        AbsolutePathOf folder = AbsolutePath(argv[i]);
        // One that names no folder is skipped as a missing one.
        if (folder.error == 0) folders.push_back(std::move(folder.path));
    }
    return folders;
}

int RunWindow(int argc, char** argv) {
    // Qt aborts with a trace when it finds no display; say it in one line instead.
    if (!HasDisplay()) {
        std::fputs("nullsweep: no display to open the window on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set); 'nullsweep scan FOLDER...' works without one\n",
                   stderr);
        return 1;
    }
    const QtMessageHandler previous = qInstallMessageHandler(startupMessage);
    QApplication app(argc, argv); // takes Qt's own options out of argv
    qInstallMessageHandler(previous);
    const std::vector<std::string> folders = FoldersOfArguments(argc, argv);

    QtDesktopShell shell;
    SetShell(&shell);
    const int status = RunMainWindow(folders, &shell);
    SetShell(nullptr);
    return status;
}

} // namespace nullsweep
