// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WaitForm.h"
#include "app/OffThreadWork.h"
#include "support/FakeShell.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

using namespace nullsweep;
using nullsweep::test::FakeShell;

TEST(WaitForm, ShowsItsNoticeAndKeepsTheLastProgressText) {
    QWidget main;
    main.setGeometry(100, 100, 800, 500);
    main.show();
    TWaitForm wait(&main);
    EXPECT_FALSE(wait.isVisible());
    EXPECT_EQ(wait.Notice()->text(), "This will take a few minutes.Please be patient...");
    EXPECT_EQ(wait.Progress()->text(), "...");
    // The notice is never cut, whatever the desktop's font.
    EXPECT_GE(wait.Notice()->width(), wait.Notice()->sizeHint().width());
    EXPECT_LE(wait.Notice()->geometry().right(), wait.width());

    wait.SetWaitText("Loading info..");
    EXPECT_FALSE(wait.isVisible()); // setting the text does not show it
    wait.ShowWait(true, false);
    EXPECT_TRUE(wait.isVisible());
    EXPECT_TRUE(wait.isWindow());
    EXPECT_TRUE(wait.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(wait.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(wait.Cancel()->isVisible());
    EXPECT_LE((wait.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 2);
    wait.ShowWait(false, false);
    EXPECT_FALSE(wait.isVisible());

    // A later showing (a drop) still reads the last text.
    wait.ShowWait(true, false);
    EXPECT_EQ(wait.Progress()->text(), "Loading info..");
    wait.ShowWait(false, false);
    wait.ShowWait(false, false); // hiding a hidden window does nothing
    EXPECT_FALSE(wait.isVisible());

    // A long progress line widens the window rather than being cut.
    wait.SetWaitText("1,234,567 folders, 98,765,432 entries seen, 12,345,678 empty files");
    EXPECT_GE(wait.Progress()->width(), wait.Progress()->sizeHint().width());
    EXPECT_LE(wait.Progress()->geometry().right(), wait.width());
}

TEST(WaitForm, CancelShowsOnlyWhenAsked) {
    QWidget main;
    main.show();
    TWaitForm wait(&main);
    wait.ShowWait(true, true);
    EXPECT_TRUE(wait.Cancel()->isVisible());
    wait.ShowWait(true, false);
    EXPECT_FALSE(wait.Cancel()->isVisible());
}

TEST(WaitForm, IsPaintedBeforeShowWaitReturns) {
    QWidget main;
    main.show();
    TWaitForm wait(&main);
    wait.SetWaitText("Loading info..");
    wait.ShowWait(true, false);
    // Exposed (so drawn) without the caller running the event loop.
    EXPECT_TRUE(wait.windowHandle()->isExposed());
    wait.ShowWait(false, false);
}

// The indicator moves while work runs off the user-interface thread, and stands still while the
// thread itself is held.
TEST(WaitForm, TheBusyIndicatorMovesWhileWorkRunsOffTheUiThread) {
    QWidget main;
    main.show();
    TWaitForm wait(&main);
    wait.ShowWait(true, false);
    int before = wait.Busy()->Phase();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(wait.Busy()->Phase(), before);

    std::thread::id worker;
    RunOffUiThread([&] {
        worker = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_GE(wait.Busy()->Phase() - before, 3);
    before = wait.Busy()->Phase();
    wait.ShowWait(false, false);
    QTest::qWait(100);
    EXPECT_EQ(wait.Busy()->Phase(), before); // hidden: still
}

// What the work asks of the shell and the wait window is done on the user-interface thread;
// what it throws arrives at the caller.
TEST(WaitForm, WorkOffTheUiThreadUsesTheShellOnTheUiThread) {
    FakeShell shell;
    struct ThreadWait final : WaitDisplay {
        std::vector<bool> onUiThread;
        void ShowWait(bool, bool) override {
            onUiThread.push_back(QThread::currentThread() == qApp->thread());
        }
        void SetWaitText(const std::string&) override {}
    } wait;
    WaitDisplay* previousWait = SetWaitWindow(&wait);
    shell.answers = {true};
    bool answer = false;
    RunOffUiThread([&] {
        answer = Shell().AskYesNo("Go on?", "Question");
        ShowWait(true, false);
    });
    EXPECT_TRUE(answer);
    EXPECT_EQ(shell.CallsOf(FakeShell::Kind::AskYesNo).size(), 1u);
    EXPECT_EQ(wait.onUiThread, std::vector<bool>{true});

    EXPECT_THROW(RunOffUiThread([] { throw std::runtime_error("write failed"); }),
                 std::runtime_error);
    EXPECT_EQ(&Shell(), &shell); // the shell and wait window are the test's again
    EXPECT_EQ(SetWaitWindow(previousWait), &wait);
}

// The window closed while an export runs ends the application's loops; the work still gets the
// user-interface thread for what it asks, and the caller waits for it to end.
TEST(WaitForm, WorkOffTheUiThreadOutlivesAQuitOfTheApplication) {
    FakeShell shell;
    std::atomic<bool> finished = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 200 && !finished; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!finished) {
            std::fputs("RunOffUiThread hung after the application quit\n", stderr);
            std::_Exit(1);
        }
    });
    bool asked = false;
    QEventLoop outer;
    QTimer::singleShot(0, [&] {
        RunOffUiThread([&] {
            QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Shell().AskYesNo("Still there?", "Question");
            asked = true;
        });
        finished = true;
    });
    outer.exec();
    QTRY_VERIFY(finished.load());
    watchdog.join();
    EXPECT_TRUE(asked);
    EXPECT_EQ(shell.CallsOf(FakeShell::Kind::AskYesNo).size(), 1u);
}
