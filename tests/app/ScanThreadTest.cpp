// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScanThread.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>

using namespace nullsweep;
using nullsweep::test::TempTree;

// The walk waits (in its progress callback) for a timer of the user-interface thread: only a
// walk off that thread, with that thread's events handled meanwhile, lets it fire.
TEST(ScanThread, TimersRunOnTheUserInterfaceThreadWhileTheWalkRuns) {
    TempTree t;
    t.File("a/e");
    t.File("b/e");
    std::atomic<bool> ticked{false};
    QTimer::singleShot(0, [&] { ticked = true; });
    bool sawTick = false;
    std::thread::id walker;
    ScanOptions options;
    options.onProgress = [&](const ScanProgress&) {
        walker = std::this_thread::get_id();
        for (int i = 0; i < 500 && !ticked; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        sawTick = sawTick || ticked;
    };
    const std::vector<TResultRow> rows = ScanOffThread({t.Path("b"), t.Path("a")}, options);
    EXPECT_TRUE(sawTick);
    EXPECT_NE(walker, std::this_thread::get_id());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Path(), t.Path("b/e"));
    EXPECT_EQ(rows[1].Path(), t.Path("a/e"));
}

// A walk cut short by anything but the user's cancel says so: its rows are not the whole list.
TEST(ScanThread, AWalkEndedByAFailureIsToldNotTakenForComplete) {
    TempTree t;
    t.File("a/e");
    ScanOptions options;
    options.onProgress = [](const ScanProgress&) { throw std::bad_alloc(); };
    std::string stopped;
    ScanOffThread({t.Root()}, options, &stopped);
    EXPECT_NE(stopped.find("stopped early"), std::string::npos) << stopped;
    options.onProgress = nullptr;
    stopped.clear();
    EXPECT_EQ(ScanOffThread({t.Root()}, options, &stopped).size(), 1u);
    EXPECT_EQ(stopped, "");
}
