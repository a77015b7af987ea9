#include "ChildProcess.h"
#include "X11TestEnvironment.h"
#include "linux/x11/X11WindowProperties.h"
#include "linux/x11/XTestKeystrokeSender.h"
#include "linux/x11/XcbConnection.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace quillbox {
namespace {

using testing::ChildProcess;

// A window that goes away is an everyday case: the one the window manager
// still names as active after it closed, or one closed between two requests.
TEST(X11WindowProperties, AWindowThatIsGoneHasNoValuesAndLeavesNoErrorBehind) {
    XcbConnection connection;
    ASSERT_TRUE(connection.isValid());
    X11WindowProperties properties(connection);

    QString id;
    auto window =
        testing::openActiveWindow(QStringLiteral(QUILLBOX_TEST_WINDOW),
                                  {QStringLiteral("qbwindow"), QStringLiteral("kitty")}, &id);
    ASSERT_NE(window, nullptr);
    const auto windowID = std::uint32_t(id.toULong());
    EXPECT_TRUE(testing::waitUntil([&] { return properties.activeWindow() == windowID; }));
    const auto identity = properties.identity(windowID);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->instance, QStringLiteral("qbwindow"));
    EXPECT_EQ(identity->windowClass, QStringLiteral("kitty"));
    EXPECT_EQ(identity->pid, std::uint32_t(window->pid()));
    EXPECT_EQ(XTestKeystrokeSender::pasteKeysFor(connection, windowID), PasteKeys::ctrlShiftV);

    window.reset();
    // The client's windows go with its connection; a request that reaches the
    // server after that finds none.
    EXPECT_TRUE(testing::waitUntil([&] { return !properties.identity(windowID); }));
    struct Row {
        const char* name;
        std::uint32_t window;
    };
    const Row rows[] = {{"closed", windowID}, {"never made", 0x7fff'fff0}};
    for (const auto& row : rows) {
        EXPECT_FALSE(properties.identity(row.window)) << row.name;
        EXPECT_EQ(XTestKeystrokeSender::pasteKeysFor(connection, row.window), PasteKeys::ctrlV)
            << row.name;
    }
    // The errors were answers, taken with their requests: none waits in the
    // queue for a reader this connection does not have.
    xcb_generic_event_t* event = xcb_poll_for_event(connection.get());
    EXPECT_EQ(event, nullptr) << "event type " << int(event->response_type);
    std::free(event);
}

} // namespace
} // namespace quillbox
