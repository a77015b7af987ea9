#include "ChildProcess.h"
#include "LogCapture.h"
#include "X11TestEnvironment.h"
#include "core/HotkeyManager.h"
#include "core/KeyCombination.h"
#include "linux/x11/X11HotkeyBackend.h"

#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

// X modifier bits as Xvfb's default keyboard map assigns them.
constexpr unsigned xShift = 0x01, xLock = 0x02, xNumLock = 0x10, xSuper = 0x40;
constexpr unsigned superShift = xSuper | xShift;

// How long a press that should not arrive is waited for.
constexpr auto quietPeriod = 400ms;

// Another client holding grabs of the V key, one per X modifier mask; its
// output tells which it got.
struct OtherGrabber {
    ChildProcess process;
    QString output;

    explicit OtherGrabber(const QList<unsigned>& masks)
        : process(QStringLiteral(QUILLBOX_KEY_GRABBER), arguments(masks),
                  X11TestEnvironment::session().environment()) {
        process.waitStarted();
        waitUntil([this] {
            output += QString::fromLatin1(process.readAllStandardOutput());
            return output.contains(u"ready") || !process.isRunning();
        });
    }
    static QStringList arguments(const QList<unsigned>& masks) {
        QStringList list{u"grab"_qs, u"76"_qs}; // the keysym of V
        for (const unsigned mask : masks)
            list.append(QString::number(mask));
        return list;
    }
    QString keyCode() const { return output.section(u"key "_qs, 1).section(u'\n', 0, 0); }
};

unsigned modifierState() {
    const RunResult result = runCommand(QStringLiteral(QUILLBOX_KEY_GRABBER), {u"state"_qs}, 10s,
                                        X11TestEnvironment::session().environment());
    return QString::fromLatin1(result.standardOutput).section(u' ', 1).trimmed().toUInt();
}

class X11HotkeyTest : public ::testing::Test {
protected:
    X11HotkeyBackend backend;
    HotkeyManager manager{backend};
    int panelToggles = 0;

    bool registerPanelKey() {
        const KeyCombination combination = KeyCombination::panelDefault();
        return manager.registerHotkey(combination.keySymbol, combination.modifiers,
                                      [this] { ++panelToggles; });
    }
};

} // namespace

TEST_F(X11HotkeyTest, SuperShiftVRunsTheHandlerOnceWhateverLocksAreOnAndWhileHeld) {
    ASSERT_TRUE(backend.isAvailable());
    ASSERT_TRUE(registerPanelKey());

    struct Row {
        const char* what;
        QStringList locks;  // toggled on before the press, off after
        unsigned lockState; // what the keyboard then reports
        QStringList keys;   // the xdotool command that presses the combination
    };
    const QStringList press{u"key"_qs, u"super+shift+v"_qs};
    const QStringList hold{u"keydown"_qs, u"super+shift+v"_qs, u"sleep"_qs, u"1.2"_qs, u"keyup"_qs,
                           u"v"_qs,       u"shift"_qs,         u"super"_qs};
    const Row rows[] = {
        {"no lock", {}, 0, press},
        {"Num Lock on", {u"Num_Lock"_qs}, xNumLock, press},
        {"Caps Lock on", {u"Caps_Lock"_qs}, xLock, press},
        {"both locks on", {u"Num_Lock"_qs, u"Caps_Lock"_qs}, xNumLock | xLock, press},
        {"held past the auto-repeat delay", {}, 0, hold},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const QString& lock : row.locks)
            xdotool({u"key"_qs, lock});
        EXPECT_EQ(modifierState() & (xNumLock | xLock), row.lockState);

        const int before = panelToggles;
        xdotool(row.keys);
        EXPECT_TRUE(waitUntil([&] { return panelToggles > before; }));
        serveFor(quietPeriod);
        EXPECT_EQ(panelToggles, before + 1);

        for (const QString& lock : row.locks)
            xdotool({u"key"_qs, lock});
    }
}

TEST_F(X11HotkeyTest, ACombinationAnotherClientHoldsFailsWithBadAccessAndNothingStaysGrabbed) {
    // The other client holds only the last variant we grab (both locks on),
    // so the first three succeed before the failure and must be undone.
    auto holder = std::make_unique<OtherGrabber>(QList<unsigned>{superShift | xLock | xNumLock});
    ASSERT_TRUE(holder->output.contains(u"grabbed"));
    LogCapture log;

    EXPECT_FALSE(registerPanelKey());
    EXPECT_EQ(log.lines().join(u'\n'), u"Quillbox: could not register hotkey %1 (status 10); "
                                       u"another app may be using it."_qs.arg(holder->keyCode()))
        << qPrintable(log.lines().join(u'\n'));
    EXPECT_TRUE(manager.registeredIDs().isEmpty());

    OtherGrabber second({superShift, superShift | xLock, superShift | xNumLock});
    EXPECT_EQ(second.output.count(u"grabbed"), 3) << qPrintable(second.output);

    // The failure left nothing behind on our side either: with the other
    // clients gone the combination can be ours.
    holder.reset();
    second.process.stop();
    EXPECT_TRUE(waitUntil([&] { return registerPanelKey(); }));
    EXPECT_EQ(manager.registeredIDs().size(), 1);

    // Unregistered, all four variants are free for another client, and
    // presses go to it, not to a stale handler.
    manager.unregisterAll();
    const OtherGrabber other(
        {superShift, superShift | xLock, superShift | xNumLock, superShift | xLock | xNumLock});
    EXPECT_EQ(other.output.count(u"grabbed"), 4) << qPrintable(other.output);
    xdotool({u"key"_qs, u"super+shift+v"_qs});
    serveFor(quietPeriod);
    EXPECT_EQ(panelToggles, 0);
}
