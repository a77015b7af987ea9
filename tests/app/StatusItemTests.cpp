// The tray item: against a real XEmbed tray (trayer) on the test display, and
// its wiring in the application services through a recording fake.
#include "AppTestSupport.h"
#include "FakeTrayIcon.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "core/AppState.h"
#include "core/PasteStackManager.h"
#include "linux/desktop/DesktopApplicationCatalog.h"
#include "linux/desktop/XdgAutostartLoginItem.h"
#include "ui/PasteStackWindow.h"
#include "ui/StatusItemController.h"
#include "ui/SystemTrayIcon.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/ShortcutsSettingsPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

// No session bus: Qt would use a StatusNotifierItem watcher there, or start a
// bus through X11 autolaunch that no test would end. The tray is XEmbed.
const bool noSessionBus = [] {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillbox-test-bus");
    return true;
}();

// The window Qt embeds in the tray; Qt knows its size but not where the
// host put it, so clicks go to the window itself.
QWidget* embeddedTrayWindow() {
    for (auto* widget : QApplication::topLevelWidgets())
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0)
            return widget;
    return nullptr;
}

// Looked up for each click: Qt makes the window anew when the tray host
// moves or restarts.
void click(int button) {
    if (QWidget* window = embeddedTrayWindow()) {
        const QPoint centre = window->rect().center();
        xdotool({u"mousemove"_s, u"--window"_s, QString::number(window->winId()),
                 QString::number(centre.x()), QString::number(centre.y()), u"click"_s,
                 QString::number(button)});
    }
}

std::unique_ptr<ChildProcess> startTrayer() {
    auto trayer = std::make_unique<ChildProcess>(
        u"trayer"_s,
        QStringList{u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s, u"--widthtype"_s, u"request"_s,
                    u"--height"_s, u"24"_s, u"--SetDockType"_s, u"true"_s},
        X11TestEnvironment::session().environment());
    EXPECT_TRUE(trayer->waitStarted());
    return trayer;
}

// The tray host has taken our window in: it is mapped, inside the host's
// window rather than on the root window.
bool isEmbedded() {
    QWidget* window = embeddedTrayWindow();
    if (!window || !window->isVisible())
        return false;
    const RunResult tree =
        runCommand(u"xwininfo"_s, {u"-tree"_s, u"-id"_s, QString::number(window->winId())}, 5s,
                   X11TestEnvironment::session().environment());
    for (const QByteArray& line : tree.standardOutput.split('\n'))
        if (line.contains("Parent window id:"))
            return !line.contains("(the root window)");
    return false;
}

TEST(TrayHostTest, ItemShowsFollowsPauseAndKeepsTheReopenGuard) {
    const auto trayer = startTrayer();
    ASSERT_TRUE(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10s))
        << "trayer did not take the system tray selection";
    AppState state;
    PasteStackManager stack;
    auto tray = std::make_unique<SystemTrayIcon>();
    SystemTrayIcon* trayIcon = tray.get();
    StatusItemController controller(state, stack, std::move(tray), {});
    // Embedded: the host gave the item a place on the screen.
    ASSERT_TRUE(waitUntil([&] { return trayIcon->geometry().width() > 0; }, 10s));
    // The host moves its panel into place after it starts, and Qt embeds
    // the item anew each time: wait until the window stays.
    QWidget* window = nullptr;
    const auto isSettled = [&] {
        QWidget* now = embeddedTrayWindow();
        const bool same = now && now == window;
        window = now;
        return same && waitUntil([&] { return embeddedTrayWindow() != window; }, 700ms) == false;
    };
    ASSERT_TRUE(waitUntil(isSettled, 10s));
    EXPECT_EQ(trayIcon->toolTip(), u"Quillbox"_s);

    // `quillbox pause` takes the same path as every pause control.
    const qint64 runningIcon = trayIcon->icon().cacheKey();
    state.toggleMonitoringPaused();
    EXPECT_TRUE(controller.isShowingPausedIcon());
    EXPECT_NE(trayIcon->icon().cacheKey(), runningIcon);
    EXPECT_EQ(trayIcon->toolTip(), u"Quillbox (paused)"_s);

    // A right click opens the menu, filled for the paused state, over a hidden panel.
    state.setPanelVisible(true);
    click(3);
    ASSERT_TRUE(waitUntil([&] { return trayIcon->menu()->isVisible(); }));
    EXPECT_FALSE(state.isPanelVisible());
    QStringList shown;
    for (const auto* action : trayIcon->menu()->actions())
        shown.append(action->isSeparator() ? QString() : action->text());
    EXPECT_EQ(shown, (QStringList{u"Open Quillbox\tSuper+Shift+V"_s,
                                  u"Pick Color\u2026"_s,
                                  {},
                                  u"Resume Monitoring"_s,
                                  u"Start Paste Stack\tSuper+Shift+C"_s,
                                  {},
                                  u"Settings\u2026\tCtrl+,"_s,
                                  u"Quit Quillbox\tCtrl+Q"_s}));
    trayIcon->menu()->hide();
    serveFor(400ms);

    // The panel just hid on losing the focus to this click: it stays hidden.
    state.setPanelVisible(true);
    QElapsedTimer sinceHide;
    state.setPanelVisible(false);
    sinceHide.start();
    click(1);
    serveFor(100ms);
    if (sinceHide.elapsed() < StatusItemController::reopenGuard.count()) {
        EXPECT_FALSE(state.isPanelVisible());
    }
    // Later, a click opens it, and the next one hides it.
    serveFor(StatusItemController::reopenGuard + 100ms);
    click(1);
    EXPECT_TRUE(waitUntil([&] { return state.isPanelVisible(); }));
    // A second click at once is a double click, which does not undo the
    // first; a click after that hides the panel.
    const std::chrono::milliseconds doubleClick(QApplication::doubleClickInterval());
    serveFor(doubleClick + 100ms);
    click(1);
    EXPECT_TRUE(waitUntil([&] { return !state.isPanelVisible(); }));
}

// Panels started after Quillbox at login, and panels that restart.
TEST(TrayHostTest, ItemJoinsATrayThatStartsLaterAndOneThatRestarts) {
    ASSERT_TRUE(waitUntil([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }, 10s))
        << "a tray from another test is still running";
    AppState state;
    PasteStackManager stack;
    StatusItemController controller(state, stack, std::make_unique<SystemTrayIcon>(), {});
    serveFor(200ms);
    EXPECT_FALSE(isEmbedded());

    auto trayer = startTrayer();
    EXPECT_TRUE(waitUntil(isEmbedded, 10s)) << "the item did not join a tray started after it";

    // The host dies without a word, and another takes its place.
    ASSERT_EQ(::kill(pid_t(trayer->pid()), SIGKILL), 0);
    ASSERT_TRUE(trayer->waitFinished(5s));
    ASSERT_TRUE(waitUntil([] { return !isEmbedded(); }, 10s));
    trayer = startTrayer();
    EXPECT_TRUE(waitUntil(isEmbedded, 10s)) << "the item did not join the restarted tray";
}

TEST(StatusItemTest, MenuEntriesFollowPauseAndPasteStackAndWithoutATrayTheItemWaitsForOne) {
    AppState state;
    PasteStackManager stack;
    auto tray = std::make_unique<FakeTrayIcon>();
    FakeTrayIcon* fake = tray.get();
    StatusItemController controller(state, stack, std::move(tray), {});
    EXPECT_EQ(fake->openMenu().at(3).title, u"Pause Monitoring"_s);
    ASSERT_TRUE(fake->choose(u"Pause Monitoring"_s));
    EXPECT_TRUE(state.isMonitoringPaused());
    ASSERT_TRUE(fake->choose(u"Start Paste Stack"_s));
    EXPECT_TRUE(stack.isActive());
    EXPECT_EQ(fake->openMenu().at(4).title, u"Stop Paste Stack"_s);

    // No tray on the desktop yet: the application goes on, and the item is
    // asked to show so that it joins a tray that starts later.
    StatusItemController trayless(state, stack, std::make_unique<FakeTrayIcon>(false), {});
    EXPECT_TRUE(trayless.trayIcon().isVisible());
}

TEST(StatusItemTest, ServicesWireTheTrayToSettingsAndNameTheKeysThePreferencesSet) {
    FakeTrayIcon* fake = nullptr;
    QTemporaryDir home;
    FakeApp app([&](AppPlatform& platform) {
        platform.makePasteStackWindow = [](const PasteStackSetup& setup, WindowHints* hints) {
            return std::make_unique<PasteStackWindow>(setup, hints);
        };
        platform.makeTrayIcon = [&fake] {
            auto tray = std::make_unique<FakeTrayIcon>();
            fake = tray.get();
            return tray;
        };
        platform.loginItem =
            std::make_unique<XdgAutostartLoginItem>(home.filePath(u"autostart"_s), u"quillbox"_s);
        platform.installedApplications = std::make_unique<DesktopApplicationCatalog>();
    });
    app.preferences->setValue(AppConstants::Keys::panelHotkey, u"ctrl+alt+v"_s);
    app.preferences->setValue(AppConstants::Keys::pasteStackHotkey, u"Super+F9"_s);
    AppServices& services = *app.services;
    services.start();
    ASSERT_NE(fake, nullptr);
    EXPECT_TRUE(fake->isVisible());

    QStringList menuKeys;
    for (const TrayMenuEntry& entry : fake->openMenu())
        if (!entry.keys.isEmpty())
            menuKeys.append(entry.title + u' ' + entry.keys);
    EXPECT_EQ(menuKeys, (QStringList{u"Open Quillbox Ctrl+Alt+V"_s, u"Start Paste Stack Super+F9"_s,
                                     u"Settings\u2026 Ctrl+,"_s, u"Quit Quillbox Ctrl+Q"_s}));
    ASSERT_TRUE(fake->choose(u"Start Paste Stack"_s));
    auto* stackWindow = dynamic_cast<PasteStackWindow*>(services.pasteStackWindow());
    ASSERT_NE(stackWindow, nullptr);
    const auto* stopHint = stackWindow->findChild<QLabel*>(u"pasteStackStopHint"_s);
    ASSERT_NE(stopHint, nullptr);
    EXPECT_EQ(stopHint->text(), u"Super+F9 to stop"_s);
    ASSERT_TRUE(fake->choose(u"Stop Paste Stack"_s));

    services.appState().setPanelVisible(true);
    ASSERT_TRUE(fake->choose(u"Settings\u2026"_s));
    SettingsWindow* window = services.settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(services.appState().isPanelVisible());
    const auto keysOn = [window](int row) {
        const auto* keys =
            window->shortcutsPage()->findChild<QLabel*>(u"shortcutKeys%1"_s.arg(row));
        return keys ? keys->text() : QString();
    };
    EXPECT_EQ(keysOn(0), u"Ctrl+Alt+V"_s);
    EXPECT_EQ(keysOn(1), u"Super+F9"_s);
    window->close();
    services.openSettings();
    EXPECT_EQ(services.settingsWindow(), window);
    EXPECT_TRUE(window->isVisible());
    services.stop();
}

} // namespace
} // namespace quillbox::testing
