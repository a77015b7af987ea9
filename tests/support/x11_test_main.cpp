// Entry point of the tests that run against a real X server: starts a private
// Xvfb display with openbox before the application connects to it.
#include "X11TestEnvironment.h"
#include "XvfbSession.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    quillbox::testing::XvfbSession session;
    if (!session.startForThisProcess())
        return 1;
    quillbox::testing::X11TestEnvironment::setSession(&session);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
