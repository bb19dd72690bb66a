// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest entry point for tests that drive real widgets: one QApplication for the whole run,
// on the offscreen platform unless told otherwise (test discovery runs without CTest's
// environment and must not need a display either).
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
