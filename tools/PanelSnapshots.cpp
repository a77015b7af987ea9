// Renders the history panel of the real program in its states, the Paste
// Stack window, the settings pages and the tray menu into PNG files, for a
// person to look at:
//
//   panel_snapshots FOLDER
//
// Runs on the display in DISPLAY, or off screen without one. Not a test:
// ctest does not run it.
#include "FakeAccessProbe.h"
#include "PanelRig.h"
#include "TestContent.h"
#include "core/AccessibilityManager.h"
#include "core/PasteStackManager.h"
#include "linux/desktop/DesktopApplicationCatalog.h"
#include "linux/desktop/XdgAutostartLoginItem.h"
#include "ui/CardContextMenu.h"
#include "ui/PanelWindow.h"
#include "ui/PasteStackWindow.h"
#include "ui/StatusItemController.h"
#include "ui/SystemTrayIcon.h"
#include "ui/settings/SettingsSnapshots.h"
#include "ui/settings/SettingsWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace quillbox;
using namespace quillbox::testing;

namespace {

void settle(int milliseconds = 150) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(const QImage& image, const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name + u".png"_s);
    const bool saved = image.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: panel_snapshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    QTemporaryDir data;
    PanelRig rig(data.path());
    HistoryStore& store = rig.store;
    AppState& state = rig.state;
    PanelWindow& window = *rig.panel.window();
    const auto shoot = [&](const QString& name) {
        settle();
        return save(window.grab().toImage(), folder, name);
    };

    bool ok = true;
    state.showPanel();
    settle(400);
    ok &= shoot(u"01-empty-history"_s);

    const auto source = [&](const ParsedClipboardContent& parsed, const char* app,
                            const char* name) {
        return store.record(parsed, QString::fromLatin1(app), QString::fromLatin1(name));
    };
    source(textContent(u"Meeting notes: budget review moved to Thursday 10:00, bring the "
                       "quarterly figures and the draft of the summary."_s),
           "org.gnome.TextEditor", "Text Editor");
    ParsedClipboardContent code = textContent(
        u"for (const auto& item : items) {\n    if (item.isPinned())\n        keep(item);\n}"_s);
    code.category = ContentCategory::code;
    source(code, "org.kde.kate", "Kate");
    source(urlContent(u"https://www.example.org/guide/getting-started/"_s, u"Getting started"_s),
           "firefox", "Firefox");
    source(imageContent(encodedImage(gradientImage(320, 200), "PNG"), u"320 x 200"_s),
           "org.gnome.Shell", "Screenshot");
    source(fileContent({u"/home/user/Documents/report.pdf"_s, u"/home/user/Documents/a.txt"_s,
                        u"/home/user/Documents/b.txt"_s}),
           "org.gnome.Nautilus", "Files");
    // A file that is an image: its card shows a thumbnail.
    const QString photo = data.filePath(u"beach.png"_s);
    gradientImage(640, 400).save(photo);
    source(fileContent({photo}), "org.gnome.Nautilus", "Files");
    const auto colour = source(colorContent(u"#3C8DBC"_s), "quillbox", "Quillbox");
    settle(600); // thumbnails decode off the main thread
    ok &= shoot(u"02-every-kind"_s);

    state.setSearchQuery(u"no such words anywhere"_s);
    ok &= shoot(u"03-search-without-result"_s);
    state.setSearchQuery(QString());

    state.setMonitoringPaused(true);
    ok &= shoot(u"04-paused"_s);
    state.setMonitoringPaused(false);

    const auto work = store.createPinboard(u"Work"_s, u"#4CAF50"_s, 0);
    store.createPinboard(u"Ideas"_s, u"#E91E63"_s, 1);
    for (const auto& item : store.allItems().mid(0, 3))
        store.add(item, work);
    state.setSelectedPinboardID(work->id());
    ok &= shoot(u"05-pinboard-tab"_s);
    // At its narrowest the chips share the row with the tabs.
    window.resize(PanelWindow::minimumPanelSize.width(), window.height());
    ok &= shoot(u"05-pinboard-tab-narrow"_s);
    if (auto* chips = window.findChild<QScrollArea*>(u"chipsArea"_s)) {
        chips->horizontalScrollBar()->setValue(chips->horizontalScrollBar()->maximum());
        ok &= shoot(u"05-pinboard-tab-narrow-chips-scrolled"_s);
    }
    window.resize(PanelWindow::defaultSize);
    state.setSelectedPinboardID(std::nullopt);

    // The context menu of the colour card, drawn where it opens.
    state.setSelectedCardID(colour->id());
    settle(300);
    QImage withMenu = window.grab().toImage();
    CardContextMenu::Context context;
    context.item = colour;
    context.pinboards = store.pinboards();
    context.store = &store;
    std::unique_ptr<QMenu> menu(CardContextMenu::create(context, &window));
    menu->adjustSize();
    {
        QPainter painter(&withMenu);
        painter.drawImage(QPoint(withMenu.width() / 2, 60), menu->grab().toImage());
    }
    ok &= save(withMenu, folder, u"06-context-menu"_s);
    state.setPanelVisible(false);

    // The Paste Stack window: three copies, the first pasted.
    FakeAccessProbe access;
    access.setGranted(true);
    AccessibilityManager accessibility(access);
    PasteStackManager stack;
    PasteStackWindow stackWindow(PasteStackSetup{stack, accessibility}, nullptr);
    stack.activate();
    const auto texts = store.allItems();
    stack.addItem(source(textContent(u"\n\nDear Ms Lindqvist,\nthank you for the quick reply"_s),
                         "org.gnome.TextEditor", "Text Editor"));
    for (const auto& item : texts) {
        if (item->category() == u"file"_s || item->category() == u"url"_s)
            stack.addItem(item);
    }
    stack.advance();
    stackWindow.show();
    settle(300);
    ok &= save(stackWindow.grab().toImage(), folder, u"07-paste-stack"_s);

    // A new run without paste access: the banner over the empty stack.
    access.setGranted(false);
    accessibility.checkAccess();
    stack.activate();
    settle(300);
    ok &= save(stackWindow.grab().toImage(), folder, u"08-paste-stack-permission"_s);
    stackWindow.hide();

    // The settings window's pages and the tray menu (paused, to show both icons' menu texts).
    store.addAppRule(u"org.keepassxc.KeePassXC"_s, u"KeePassXC"_s);
    XdgAutostartLoginItem loginItem(data.filePath(u"autostart"_s), u"quillbox"_s);
    DesktopApplicationCatalog applications;
    SettingsWindow settings(SettingsContext{rig.preferences,
                                            store,
                                            accessibility,
                                            loginItem,
                                            applications,
                                            data.filePath(u"Quillbox.store"_s),
                                            {}});
    auto tray = std::make_unique<SystemTrayIcon>();
    QMenu* trayMenu = tray->menu();
    state.setMonitoringPaused(true);
    StatusItemController controller(state, stack, std::move(tray), {});
    const QStringList written = renderSettingsSnapshots(folder, settings, trayMenu);
    for (const QString& file : written)
        std::printf("wrote %s\n", qPrintable(file));
    ok &= written.size() == 6;

    // The general page with the login-item change refused (a file stands
    // where the autostart folder belongs), beside the missing paste access.
    QFile blocker(data.filePath(u"autostart"_s));
    if (blocker.open(QIODevice::WriteOnly))
        blocker.close();
    settings.tabs()->setCurrentIndex(0);
    if (auto* launch = settings.findChild<QCheckBox*>(u"launchAtLoginSwitch"_s))
        launch->click();
    settle();
    ok &= save(settings.grab().toImage(), folder, u"settings-general-error"_s);
    return ok ? 0 : 1;
}
