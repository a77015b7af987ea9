// The built program in a Wayland session (headless sway, no X display),
// driven by wl-copy, wl-paste and its own command line; and its refusal to
// start on an X display that does not exist.
#include "QuillboxSession.h"
#include "SwaySession.h"
#include "Waiting.h"

#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

class WaylandEndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_sway = new SwaySession;
        if (!s_sway->start()) {
            delete s_sway;
            s_sway = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete s_sway;
        s_sway = nullptr;
    }
    void SetUp() override { ASSERT_NE(s_sway, nullptr) << "headless sway did not start"; }

    static RunResult wayland(const QString& program, const QStringList& arguments,
                             const QByteArray& input = {}) {
        return runCommand(program, arguments, 10s, s_sway->environment(), input);
    }

    inline static SwaySession* s_sway = nullptr;
};

TEST_F(WaylandEndToEndTest, RecordsCopiesPutsItemsBackAndKeepsTheClipboardWithoutAnXDisplay) {
    QuillboxSession quillbox(s_sway->environment());
    ASSERT_TRUE(quillbox.start()) << quillbox.log().constData();
    const RunResult status = quillbox.run({u"status"_s});
    EXPECT_TRUE(status.standardOutput.contains("Platform:  Wayland"))
        << status.standardOutput.constData();
    EXPECT_TRUE(status.standardOutput.contains("capture: every copy (data control"))
        << status.standardOutput.constData();

    ASSERT_EQ(wayland(u"wl-copy"_s, {}, "copied in a Wayland application").exitCode, 0);
    ASSERT_TRUE(quillbox.waitForItemCount(1)) << quillbox.log().constData();
    ASSERT_EQ(wayland(u"wl-copy"_s, {}, "copied later").exitCode, 0);
    ASSERT_TRUE(quillbox.waitForItemCount(2)) << quillbox.log().constData();

    const RunResult inspected = quillbox.run({u"inspect-clipboard"_s});
    EXPECT_TRUE(inspected.standardOutput.contains("Category: text"))
        << inspected.standardOutput.constData();
    EXPECT_TRUE(inspected.standardOutput.contains("Platform:  Wayland"))
        << inspected.standardOutput.constData();

    const QString first = quillbox.items().last().toObject().value(u"id"_s).toString();
    ASSERT_EQ(quillbox.run({u"copy"_s, first}).exitCode, 0);
    EXPECT_TRUE(waitUntil([] {
        return wayland(u"wl-paste"_s, {u"--no-newline"_s}).standardOutput ==
               "copied in a Wayland application";
    })) << quillbox.log().constData();
    // Putting it back is Quillbox's own write: not recorded again.
    serveFor(1s);
    EXPECT_EQ(quillbox.items().size(), 2);

    // The selection ends with its source: Quillbox offers what it recorded.
    ChildProcess source(u"wl-copy"_s, {u"--foreground"_s, u"kept on Wayland"_s},
                        s_sway->environment());
    ASSERT_TRUE(quillbox.waitForItemCount(3)) << quillbox.log().constData();
    source.stop();
    EXPECT_TRUE(waitUntil([] {
        return wayland(u"wl-paste"_s, {u"--no-newline"_s}).standardOutput == "kept on Wayland";
    })) << quillbox.log().constData();
    serveFor(1s);
    EXPECT_EQ(quillbox.items().size(), 3);
}

TEST(DisplayChoiceTest, AnXDisplayWithoutServerIsRefusedWithAMessage) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.remove(u"QUILLBOX_PLATFORM"_s);
    environment.insert(u"DISPLAY"_s, u":32749"_s); // no server there
    QuillboxSession quillbox(environment);
    const RunResult result = quillbox.run({}, 20s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains("cannot open the X display \":32749\""))
        << result.standardError.constData();
}

} // namespace
} // namespace quillbox::testing
