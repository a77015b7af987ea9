// Pasting into another process over a real X server (Xvfb with openbox):
// the clipboard written by X11Pasteboard, the focus given back and the keys
// sent by XTestKeystrokeSender, read by a Qt text field.
#include "X11TestEnvironment.h"
#include "core/PasteTestSupport.h"
#include "e2e/PasteTarget.h"
#include "linux/desktop/TerminalPasteKeys.h"
#include "linux/x11/X11AccessProbe.h"
#include "linux/x11/X11Pasteboard.h"
#include "linux/x11/XTestKeystrokeSender.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// The target's report of a press of V with the modifiers.
QByteArray keyLine(Qt::KeyboardModifiers modifiers) {
    return QByteArray::number(modifiers.toInt()) + ' ' + QByteArray::number(Qt::Key_V);
}

quint32 activeWindow() {
    return xdotool({QStringLiteral("getactivewindow")}).standardOutput.trimmed().toUInt();
}

// The paste service with every desktop part real, except the sound.
class X11Paste : public ::testing::Test {
protected:
    X11Paste() {
        AppConstants::registerDefaults(preferences);
        pasteService =
            std::make_unique<PasteService>(pasteboard, store, keystrokes, access, sounds);
    }

    // Starts the paste target, makes it the active window and remembers it
    // as where the keys go.
    std::unique_ptr<PasteTarget> openTarget(const QString& resourceName = {}) {
        auto target = std::make_unique<PasteTarget>(X11TestEnvironment::session().environment(),
                                                    resourceName);
        EXPECT_TRUE(target->start());
        keystrokes.rememberTargetWindow();
        return target;
    }

    QTemporaryDir folder;
    Preferences preferences{folder.filePath(QStringLiteral("Quillbox.conf"))};
    HistoryStore store{StoreContainer::makeInMemory()};
    X11Pasteboard pasteboard;
    XTestKeystrokeSender keystrokes;
    X11AccessProbe probe;
    AccessibilityManager access{probe};
    FakeSoundPlayer player;
    SoundManager sounds{player, preferences};
    std::unique_ptr<PasteService> pasteService;
};

TEST_F(X11Paste, TextReachesTheWindowThatWasActiveBeforeOurs) {
    ASSERT_TRUE(keystrokes.isAvailable());
    const auto target = openTarget();
    EXPECT_EQ(keystrokes.targetWindow(), target->windowID().toUInt());

    // Our own window takes the keyboard, as the panel does; the paste must
    // still land in the target, not here.
    QLineEdit panel;
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == panel.winId(); }));
    keystrokes.rememberTargetWindow(); // our own window is never the target
    EXPECT_EQ(keystrokes.targetWindow(), target->windowID().toUInt());

    const auto item = store.record(textContent(QStringLiteral("Hello from Quillbox")), std::nullopt,
                                   std::nullopt);
    std::optional<PasteService::PasteOutcome> outcome;
    pasteService->paste(item, false, [&](PasteService::PasteOutcome got) { outcome = got; });
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, PasteService::PasteOutcome::pasted);
    EXPECT_TRUE(waitUntil([&] { return target->text() == QStringLiteral("Hello from Quillbox"); },
                          std::chrono::seconds(10)))
        << "target has \"" << target->text().toStdString() << '"';
    EXPECT_TRUE(panel.text().isEmpty());
    EXPECT_EQ(player.played(), QStringList{QStringLiteral("Tink")});
}

TEST_F(X11Paste, ATerminalGetsCtrlShiftVOnceTheUserLetsGoOfTheShortcutsModifiers) {
    const auto target = openTarget(QStringLiteral("kitty"));
    std::optional<bool> sent;
    xdotool({QStringLiteral("keydown"), QStringLiteral("shift")});
    keystrokes.sendPasteKeystroke([&](bool ok) { sent = ok; });
    EXPECT_FALSE(waitUntil([&] { return sent.has_value(); }, std::chrono::milliseconds(400)))
        << "the keys went out while Shift was held";
    xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
    ASSERT_TRUE(waitUntil([&] { return sent.has_value(); }));
    EXPECT_TRUE(*sent);
    EXPECT_TRUE(waitUntil([&] {
        return target->keys().contains(keyLine(Qt::ControlModifier | Qt::ShiftModifier));
    })) << target->keys().join(',').toStdString();
}

TEST(TerminalKeys, ChooseThePasteKeysByWindowClass) {
    const struct {
        const char* instance;
        const char* windowClass;
        PasteKeys expected;
    } rows[] = {
        {"gnome-terminal-server", "Gnome-terminal", PasteKeys::ctrlShiftV},
        {"konsole", "konsole", PasteKeys::ctrlShiftV},
        {"wezterm-gui", "org.wezfurlong.wezterm", PasteKeys::ctrlShiftV},
        {"Alacritty", "Alacritty", PasteKeys::ctrlShiftV}, // any case
        {"urxvt", "URxvt", PasteKeys::ctrlAltV},
        {"xterm", "XTerm", PasteKeys::none}, // no key pastes the clipboard
        {"gedit", "Gedit", PasteKeys::ctrlV},
        {"", "", PasteKeys::ctrlV},
    };
    for (const auto& row : rows)
        EXPECT_EQ(pasteKeysForWindowClass(QString::fromLatin1(row.instance),
                                          QString::fromLatin1(row.windowClass)),
                  row.expected)
            << row.windowClass;
}

} // namespace
} // namespace quillbox::testing
