// SPDX-License-Identifier: GPL-3.0-or-later
// Delete All Checked in the window against `find -delete`, side by side in one run, on the
// offscreen platform: ROWS empty files in two fresh folders under WORK (one for each), the
// window's from the click to its final status bar text. Usage: delete_bench WORK [ROWS]
#include "app/MainWindow.h"
#include "app/WaitForm.h"
#include "desktop/DesktopShell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace nullsweep;

namespace {

// Answers every question with Yes, as the user does who asked for the delete.
class YesShell final : public DesktopShell {
  public:
    std::string SelectFolder() override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string SaveFileName(const SaveFileRequest&) override { return {}; }
};

// ROWS empty files, 1,000 to a folder.
void makeTree(const std::string& root, std::size_t rows) {
    std::filesystem::remove_all(root);
    for (std::size_t i = 0; i < rows; ++i) {
        const std::string folder = root + "/" + std::to_string(i / 1000);
        if (i % 1000 == 0) std::filesystem::create_directories(folder);
        const int fd = ::open((folder + "/" + std::to_string(i)).c_str(),
                              O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(folder.c_str());
            std::exit(1);
        }
        ::close(fd);
    }
    ::sync();
}

double seconds(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WORK [ROWS]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const std::size_t rows = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100000;

    const std::string findTree = work + "/find", windowTree = work + "/window";
    makeTree(findTree, rows);
    QElapsedTimer clock;
    clock.start();
    const std::string command = "find '" + findTree + "' -type f -empty -delete";
    if (std::system(command.c_str()) != 0) return 1;
    const double findSeconds = seconds(clock);

    makeTree(windowTree, rows);
    YesShell shell;
    SetShell(&shell);
    TFMMain window;
    TWaitForm wait(&window);
    SetWaitWindow(&wait);
    window.show();
    if (window.StartFailed() || !QTest::qWaitForWindowExposed(&window)) return 1;
    window.DropFolders({windowTree});
    if (window.VT().TotalCount() != rows) {
        std::fprintf(stderr, "the window listed %zu rows, not %zu\n", window.VT().TotalCount(),
                     rows);
        return 1;
    }
    clock.restart();
    QTest::mouseClick(window.btnDelAll, Qt::LeftButton);
    while (window.SBPanels[0]->text().isEmpty())
        QApplication::processEvents();
    const double windowSeconds = seconds(clock);
    SetWaitWindow(nullptr);
    SetShell(nullptr);

    std::printf("rows:                              %zu\n", rows);
    std::printf("find -type f -empty -delete:       %.2f s\n", findSeconds);
    std::printf("Delete All Checked -> status bar:  %.2f s (%s)\n", windowSeconds,
                window.SBPanels[0]->text().toUtf8().constData());
    std::printf("ratio window / find:               %.2fx (target: at most 1.5x)\n",
                windowSeconds / findSeconds);
    std::filesystem::remove_all(findTree);
    std::filesystem::remove_all(windowTree);
    return 0;
}
