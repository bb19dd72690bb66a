// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WaitForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace nullsweep;

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
}

TEST(WaitForm, CancelShowsOnlyWhenAskedAndShowingClearsTheRequest) {
    QWidget main;
    main.show();
    TWaitForm wait(&main);
    wait.ShowWait(true, true);
    ASSERT_TRUE(wait.Cancel()->isVisible());
    QTest::mouseClick(wait.Cancel(), Qt::LeftButton);
    EXPECT_TRUE(wait.CancelRequested());
    wait.ShowWait(true, false); // already shown: the request stays
    EXPECT_FALSE(wait.Cancel()->isVisible());
    EXPECT_TRUE(wait.CancelRequested());
    wait.ShowWait(false, false);
    wait.ShowWait(true, false);
    EXPECT_FALSE(wait.CancelRequested());
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
