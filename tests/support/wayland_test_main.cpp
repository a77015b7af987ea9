// Entry point of the tests that run against a real Wayland compositor: starts
// a private headless sway before the application connects to it.
#include "SwaySession.h"
#include "WaylandTestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    quillbox::testing::SwaySession session;
    if (!session.startForThisProcess())
        return 1;
    quillbox::testing::WaylandTestEnvironment::setSession(&session);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
