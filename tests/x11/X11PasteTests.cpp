// Pasting into another process over a real X server (Xvfb with openbox):
// the clipboard written by X11Pasteboard, the focus given back and the keys
// sent by XTestKeystrokeSender, read by a Qt text field; the file offer seen
// by xclip; and text recognition with the installed Tesseract model.
#include "X11TestEnvironment.h"
#include "core/PasteTestSupport.h"
#include "e2e/PasteTarget.h"
#include "linux/TerminalPasteKeys.h"
#include "linux/X11AccessProbe.h"
#include "linux/X11Pasteboard.h"
#include "linux/XTestKeystrokeSender.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QUrl>
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

    ClipboardItemPtr record(const ParsedClipboardContent& content) {
        return store.record(content, std::nullopt, std::nullopt);
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

    const auto item = record(textContent(QStringLiteral("Hello from Quillbox")));
    pasteService->paste(item, false);
    EXPECT_TRUE(waitUntil([&] { return target->text() == QStringLiteral("Hello from Quillbox"); },
                          std::chrono::seconds(10)))
        << "target has \"" << target->text().toStdString() << '"';
    EXPECT_TRUE(panel.text().isEmpty());
    EXPECT_EQ(player.played(), QStringList{QStringLiteral("Tink")});
}

TEST_F(X11Paste, ATerminalGetsCtrlShiftV) {
    const auto target = openTarget(QStringLiteral("kitty"));
    bool finished = false;
    QObject::connect(&keystrokes, &XTestKeystrokeSender::keystrokeFinished,
                     [&](bool sent) { finished = sent; });
    keystrokes.sendPasteKeystroke();
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_TRUE(waitUntil(
        [&] { return target->keys().contains(keyLine(Qt::ControlModifier | Qt::ShiftModifier)); }));
}

TEST_F(X11Paste, TheKeysWaitUntilTheUserLetsGoOfTheShortcutsModifiers) {
    const auto target = openTarget();
    std::optional<bool> sent;
    QObject::connect(&keystrokes, &XTestKeystrokeSender::keystrokeFinished,
                     [&](bool ok) { sent = ok; });
    xdotool({QStringLiteral("keydown"), QStringLiteral("shift")});
    keystrokes.sendPasteKeystroke();
    EXPECT_FALSE(waitUntil([&] { return sent.has_value(); }, std::chrono::milliseconds(400)))
        << "the keys went out while Shift was held";
    xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
    ASSERT_TRUE(waitUntil([&] { return sent.has_value(); }));
    EXPECT_TRUE(*sent);
    EXPECT_TRUE(waitUntil([&] { return target->keys().contains(keyLine(Qt::ControlModifier)); }))
        << target->keys().join(',').toStdString();
}

TEST_F(X11Paste, FilesAreOfferedAsOneUriListWithEveryFile) {
    QDir dir(folder.path());
    QStringList paths;
    for (const auto& name :
         {QStringLiteral("a.txt"), QStringLiteral("b c.txt"), QStringLiteral("d.txt")}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        paths.append(file.fileName());
    }
    const auto item = record(
        parsedContent(paths.join(u'\n').toUtf8(), PasteboardType::fileURL, ContentCategory::file));
    pasteService->copy(item, false);

    const QByteArray targets = readClipboardWithXclip(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("text/uri-list")) << targets.toStdString();
    const QByteArray uriList = readClipboardWithXclip(QStringLiteral("text/uri-list"));
    for (const auto& path : paths)
        EXPECT_TRUE(uriList.contains(QUrl::fromLocalFile(path).toEncoded()))
            << uriList.toStdString();
}

struct TerminalCase {
    const char* name;
    QString instance;
    QString windowClass;
    PasteKeys expected;
};

class TerminalKeys : public ::testing::TestWithParam<TerminalCase> {};

TEST_P(TerminalKeys, ChooseThePasteKeysByWindowClass) {
    EXPECT_EQ(pasteKeysForWindowClass(GetParam().instance, GetParam().windowClass),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, TerminalKeys,
    ::testing::Values(TerminalCase{"GnomeTerminal", QStringLiteral("gnome-terminal-server"),
                                   QStringLiteral("Gnome-terminal"), PasteKeys::ctrlShiftV},
                      TerminalCase{"Konsole", QStringLiteral("konsole"), QStringLiteral("konsole"),
                                   PasteKeys::ctrlShiftV},
                      TerminalCase{"WezTermByClass", QStringLiteral("wezterm-gui"),
                                   QStringLiteral("org.wezfurlong.wezterm"), PasteKeys::ctrlShiftV},
                      TerminalCase{"AlacrittyAnyCase", QStringLiteral("Alacritty"),
                                   QStringLiteral("Alacritty"), PasteKeys::ctrlShiftV},
                      TerminalCase{"Urxvt", QStringLiteral("urxvt"), QStringLiteral("URxvt"),
                                   PasteKeys::ctrlAltV},
                      TerminalCase{"XtermHasNoClipboardKey", QStringLiteral("xterm"),
                                   QStringLiteral("XTerm"), PasteKeys::none},
                      TerminalCase{"Editor", QStringLiteral("gedit"), QStringLiteral("Gedit"),
                                   PasteKeys::ctrlV},
                      TerminalCase{"NoClass", {}, {}, PasteKeys::ctrlV}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillbox::testing
