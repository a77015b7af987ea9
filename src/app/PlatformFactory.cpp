#include "app/PlatformFactory.h"

#include "content/Logging.h"
#include "content/Preferences.h"
#include "core/FallbackColorSampler.h"
#include "linux/desktop/CanberraSoundPlayer.h"
#include "linux/desktop/DesktopApplicationCatalog.h"
#include "linux/desktop/FreedesktopNotifier.h"
#include "linux/desktop/InotifyDirectoryWatcher.h"
#include "linux/desktop/PortalColorSampler.h"
#include "linux/desktop/PortalHotkeyBackend.h"
#include "linux/desktop/PortalKeystrokeSender.h"
#include "linux/desktop/ProgramRestart.h"
#include "linux/desktop/TesseractTextRecognizer.h"
#include "linux/desktop/XdgAutostartLoginItem.h"
#include "linux/gnome/GnomeAccessProbe.h"
#include "linux/gnome/GnomeFrontmostApplicationSource.h"
#include "linux/gnome/GnomeHotkeyBackend.h"
#include "linux/gnome/GnomeKeystrokeSender.h"
#include "linux/gnome/GnomePasteboard.h"
#include "linux/gnome/GnomeShellConnection.h"
#include "linux/gnome/GnomeWindowHints.h"
#include "linux/wayland/WaylandAccessProbe.h"
#include "linux/wayland/WaylandFrontmostApplicationSource.h"
#include "linux/wayland/WaylandInputConnection.h"
#include "linux/wayland/WaylandKeystrokeSender.h"
#include "linux/wayland/WaylandPasteboard.h"
#include "linux/wayland/WaylandSessionProbe.h"
#include "linux/wayland/WaylandWindowHints.h"
#include "linux/x11/X11AccessProbe.h"
#include "linux/x11/X11FrontmostApplicationSource.h"
#include "linux/x11/X11HotkeyBackend.h"
#include "linux/x11/X11Pasteboard.h"
#include "linux/x11/X11WindowHints.h"
#include "linux/x11/XInputPasteKeyWatcher.h"
#include "linux/x11/XTestKeystrokeSender.h"
#include "linux/x11/XcbConnection.h"
#include "ui/HistoryPanel.h"
#include "ui/OverlayColorSampler.h"
#include "ui/PasteStackWindow.h"
#include "ui/SystemTrayIcon.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

using namespace Qt::StringLiterals;

namespace quillbox::PlatformFactory {

namespace {

constexpr const char* platformVariable = "QUILLBOX_PLATFORM";

// A Wayland session, whichever backend serves the clipboard there (GNOME's
// runs the X11 one under XWayland).
bool isWaylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// What every backend shares: sounds, text recognition, the screenshot
// folder, launch at login, installed applications, the tray, the windows.
void addDesktopParts(AppPlatform& platform) {
    platform.soundPlayer = std::make_unique<CanberraSoundPlayer>();
    platform.makePanel = [](const PanelSetup& setup, WindowHints* hints) {
        return std::make_unique<HistoryPanel>(setup, hints);
    };
    platform.makePasteStackWindow = [](const PasteStackSetup& setup, WindowHints* hints) {
        return std::make_unique<PasteStackWindow>(setup, hints);
    };
    platform.directoryWatcher = std::make_unique<InotifyDirectoryWatcher>();
    platform.textRecognizer = makeTextRecognizer();
    // The desktop's picker where a portal offers one, else our own overlay.
    auto portal = std::make_unique<PortalColorSampler>();
    auto overlay = std::make_unique<OverlayColorSampler>();
    platform.colorSampler = std::make_unique<FallbackColorSampler>(*portal, *overlay);
    platform.colorSamplerParts.push_back(std::move(portal));
    platform.colorSamplerParts.push_back(std::move(overlay));
    platform.loginItem = std::make_unique<XdgAutostartLoginItem>();
    platform.installedApplications = std::make_unique<DesktopApplicationCatalog>();
    platform.makeTrayIcon = [] { return std::make_unique<SystemTrayIcon>(); };
    platform.notifier = std::make_unique<FreedesktopNotifier>();
}

// The X11 clipboard and active window, key grabs, XTest keys and XInput's
// view of the paste key; under a Wayland session, XWayland's.
void addX11Parts(AppPlatform& platform) {
    platform.pasteboard = std::make_unique<X11Pasteboard>();
    platform.frontmostApplications = std::make_unique<X11FrontmostApplicationSource>();
    platform.accessProbe = std::make_unique<X11AccessProbe>();
    platform.windowHints = std::make_unique<X11WindowHints>();
    platform.hotkeyBackend = std::make_unique<X11HotkeyBackend>();
    if (isWaylandSession()) {
        // XTest keys and XInput's view reach only XWayland's windows: the
        // portal's keys paste (addPortalParts), and the Paste Stack moves on
        // by its own shortcut, as in any Wayland session.
        return;
    }
    auto keystrokeSender = std::make_unique<XTestKeystrokeSender>();
    platform.pasteKeyWatcher = std::make_unique<XInputPasteKeyWatcher>(keystrokeSender.get());
    platform.keystrokeSender = std::move(keystrokeSender);
}

// The command line asks no compositor for the application in front.
class NoFrontmostApplication : public FrontmostApplicationSource {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<QIcon> installedApplicationIcon(const QString&) override { return std::nullopt; }
};

// The Wayland clipboard through data control; no paste-key watcher (no
// Wayland client sees another's keys); hot keys and paste keys come from
// the desktop portals (addPortalParts).
void addWaylandParts(AppPlatform& platform) {
    platform.pasteboard = std::make_unique<WaylandPasteboard>();
}

// The window in front (foreign-toplevel) and the paste keys (a virtual
// keyboard) over one connection of their own; without a paste-key watcher,
// the Paste Stack moves on by `quillbox paste-next`.
void addWaylandInputParts(AppPlatform& platform, bool offersVirtualKeyboard) {
    auto connection =
        std::make_shared<WaylandInputConnection>(WaylandInputConnection::applicationAppId());
    platform.frontmostApplications =
        std::make_unique<WaylandFrontmostApplicationSource>(connection);
    // Without a virtual keyboard (KDE) the portal's keys paste (addPortalParts).
    if (offersVirtualKeyboard) {
        platform.accessProbe = std::make_unique<WaylandAccessProbe>(connection);
        platform.keystrokeSender = std::make_unique<WaylandKeystrokeSender>(connection);
    }
    platform.windowHints = std::make_unique<WaylandWindowHints>(connection);
}

// A GNOME session (XDG_CURRENT_DESKTOP lists it, as "ubuntu:GNOME" does).
bool isGnomeSession() {
    const auto desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    return desktops.contains(u"GNOME"_s, Qt::CaseInsensitive);
}

// The clipboard and the focused application through Quillbox's GNOME Shell
// extension, on one connection they share.
void addGnomeParts(AppPlatform& platform) {
    auto connection = std::make_shared<GnomeShellConnection>();
    platform.pasteboard = std::make_unique<GnomePasteboard>(connection);
    platform.frontmostApplications = std::make_unique<GnomeFrontmostApplicationSource>(connection);
    platform.hotkeyBackend = std::make_unique<GnomeHotkeyBackend>(connection);
    platform.keystrokeSender = std::make_unique<GnomeKeystrokeSender>(connection);
    platform.accessProbe = std::make_unique<GnomeAccessProbe>(connection);
    platform.windowHints = std::make_unique<GnomeWindowHints>(connection);
}

PlatformDescription gnomeDescription(const QString& shellVersion) {
    return {u"GNOME Shell %1 (Quillbox's extension)"_s.arg(shellVersion),
            u"every copy (through the extension)"_s,
            u"Ctrl+V (a terminal's paste keys in terminals) through the Shell's virtual keyboard"_s,
            u"Super+Shift+V, Super+Shift+C and Super+Shift+N, bound by the Shell (gsettings "
            "schema org.gnome.shell.extensions.quillbox)"_s,
            u"the focused window's application, as GNOME Shell names it"_s};
}

// Said in `status` and, once, in the log, where GNOME runs without it.
QString gnomeExtensionAdvice() {
    return u"Quillbox's GNOME Shell extension is not enabled, so copies in native Wayland "
           "applications are not seen; enable it with `%1` (then log out and in again)"_s.arg(
               GnomeShellConnection::enableCommand());
}

PlatformDescription x11Description(bool isXWayland) {
    PlatformDescription description{u"X11"_s, u"every copy (the X11 CLIPBOARD selection)"_s,
                                    u"Ctrl+V through XTEST"_s,
                                    u"Super+Shift+V and Super+Shift+C, grabbed on the X server"_s,
                                    u"the active window (_NET_ACTIVE_WINDOW)"_s};
    if (isXWayland) {
        // Measured on sway: the compositor passes the clipboard between
        // Wayland and X11 only while an X11 window has the keyboard focus.
        description.backend = u"X11 (XWayland in a Wayland session)"_s;
        description.capture =
            u"only copies made while an X11 window has the keyboard focus; copies in native "
            "Wayland applications are not seen (the compositor offers no data control)"_s;
        description.paste = u"only into X11 windows (XTEST keys reach no Wayland window)"_s;
        description.hotKeys = u"only while an X11 window has the keyboard focus; bind "
                              "`quillbox toggle` and `quillbox paste-stack` in the desktop's "
                              "keyboard settings"_s;
        description.sourceApplication = u"X11 windows only"_s;
    }
    return description;
}

PlatformDescription waylandDescription(const QString& dataControl) {
    return {u"Wayland"_s, u"every copy (data control: %1)"_s.arg(dataControl),
            u"Ctrl+V through the compositor's virtual keyboard where it offers one (wlroots "
            "compositors); elsewhere the item is put on the clipboard: paste it with Ctrl+V"_s,
            u"not available: bind `quillbox toggle`, `quillbox paste-stack` and `quillbox "
            "paste-next` in the compositor's key settings"_s,
            u"the activated window's app id, where the compositor lists windows "
            "(foreign-toplevel); otherwise not available"_s};
}

// X11 where DISPLAY names a server that answers; else why not. Asked before
// Qt starts, which would end the program on a display it cannot open.
std::variant<PlatformChoice, QString> chooseX11(bool isXWayland) {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return u"Quillbox: no X display to run on (DISPLAY is not set)."_s;
    if (!XcbConnection(display).isValid())
        return u"Quillbox: cannot open the X display \"%1\": no X server answers there."_s.arg(
            QString::fromLocal8Bit(display));
    return PlatformChoice{DisplayBackend::x11, u"X11"_s, isXWayland, false,
                          x11Description(isXWayland)};
}

std::variant<PlatformChoice, QString> chooseWayland(const WaylandSessionProbe& probe) {
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        return u"Quillbox: no Wayland display to run on (WAYLAND_DISPLAY is not set)."_s;
    if (!probe.connected)
        return u"Quillbox: cannot connect to the Wayland display \"%1\"."_s.arg(display);
    if (!probe.offersDataControl())
        return u"Quillbox: the Wayland compositor offers no data control, so the clipboard "
               "cannot be watched natively; run with QUILLBOX_PLATFORM=x11 to use XWayland."_s;
    return PlatformChoice{DisplayBackend::wayland, u"Wayland"_s, false, probe.virtualKeyboard,
                          waylandDescription(probe.dataControl)};
}

// GNOME Shell through Quillbox's extension when it answers (a bounded
// question on the session bus); else, falling back, XWayland's X11 with the
// advice to enable the extension, or, forced, why not.
std::variant<PlatformChoice, QString> chooseGnome(bool fallBack) {
    if (const auto version = GnomeShellConnection::probe())
        return PlatformChoice{DisplayBackend::gnome, u"GNOME"_s, false, false,
                              gnomeDescription(*version)};
    if (!fallBack)
        return u"Quillbox: %1."_s.arg(gnomeExtensionAdvice());
    auto choice = chooseX11(true);
    if (auto* x11 = std::get_if<PlatformChoice>(&choice)) {
        x11->description.capture += u"; "_s + gnomeExtensionAdvice();
        x11->missingGnomeExtension = true;
    } else {
        // No XWayland either (GNOME without X11): the extension is the way.
        return u"%1\nQuillbox: %2."_s.arg(std::get<QString>(choice), gnomeExtensionAdvice());
    }
    return choice;
}

// Pasting into other applications is allowed until the desktop's
// RemoteDesktop portal says no: its consent dialog, at the first paste, is
// the prompt.
class PortalKeyboardAccess : public AccessProbe {
public:
    explicit PortalKeyboardAccess(const PortalKeystrokeSender& sender)
        : m_sender(sender) {}
    bool isGranted() const override { return m_sender.isAvailable(); }
    bool requestAccess() override { return m_sender.isAvailable(); }

private:
    const PortalKeystrokeSender& m_sender;
};

// In a Wayland session key grabs and synthetic keys reach no native window:
// hot keys go through the desktop's GlobalShortcuts portal, and paste keys,
// unless the backend has a way of its own to send them, through its
// RemoteDesktop portal (which asks the user once).
void addPortalParts(AppPlatform& platform) {
    platform.hotkeyBackend = std::make_unique<PortalHotkeyBackend>();
    platform.description.hotKeys =
        u"through the desktop's GlobalShortcuts portal where it offers one (else the log says "
        "so: bind `quillbox toggle`, `quillbox paste-stack` and `quillbox paste-next` in the "
        "desktop's keyboard settings)"_s;
    if (platform.keystrokeSender)
        return;
    auto sender = std::make_unique<PortalKeystrokeSender>(platform.frontmostApplications.get(),
                                                          Preferences::defaultFilePath());
    platform.accessProbe = std::make_unique<PortalKeyboardAccess>(*sender);
    platform.keystrokeSender = std::move(sender);
    platform.description.paste = u"Ctrl+V through the desktop's RemoteDesktop portal where it "
                                 "offers one (it asks once)"_s;
}

// At rest the instance sleeps until the clipboard changes. In a virtual
// machine with shadow page tables each wake-up costs time in proportion to
// the 4 KiB pages the process maps, and a large history is tens of megabytes
// of small allocations: asking malloc for 2 MiB pages halves that cost there,
// and elsewhere costs a megabyte or two. glibc reads the setting only when a
// program starts: it rides on the restart that limits the recognition
// threads, or restarts the program itself.
constexpr const char* mallocTunablesVariable = "GLIBC_TUNABLES";
constexpr QByteArrayView largeHeapPagesTunable = "glibc.malloc.hugetlb=1";

void useLargeHeapPages(char** argv) {
    const QByteArray tunables = qgetenv(mallocTunablesVariable);
    if (tunables.contains("glibc.malloc.hugetlb"))
        return; // the user's own choice, or this is the restarted program
    const QByteArray wanted = tunables.isEmpty()
                                  ? largeHeapPagesTunable.toByteArray()
                                  : tunables + ':' + largeHeapPagesTunable.toByteArray();
    setenv(mallocTunablesVariable, wanted.constData(), 1);
    if (!TesseractTextRecognizer::areEngineThreadsLimited())
        return; // that restart comes next and takes the setting along
    ProgramRestart::exec(argv);
    qCWarning(lcApp).noquote() << u"Quillbox: could not restart with large heap pages: %1"_s.arg(
        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

std::variant<PlatformChoice, QString> choose() {
    const QString forced = qEnvironmentVariable(platformVariable).trimmed().toLower();
    if (forced == u"x11"_s)
        return chooseX11(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    if (forced == u"wayland"_s)
        return chooseWayland(WaylandSessionProbe::probe());
    if (forced == u"gnome"_s)
        return chooseGnome(/*fallBack=*/false);
    if (!forced.isEmpty()) {
        return u"Quillbox: unknown platform \"%1\" in %2 (this build runs on: x11, wayland, gnome)."_s
            .arg(forced, QString::fromLatin1(platformVariable));
    }
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return chooseX11(false);
    const auto probe = WaylandSessionProbe::probe();
    if (probe.offersDataControl())
        return chooseWayland(probe);
    if (isGnomeSession())
        return chooseGnome(/*fallBack=*/true);
    return chooseX11(true);
}

void prepareToolkit(const PlatformChoice& choice) {
    switch (choice.backend) {
    case DisplayBackend::x11:
        // The clipboard and the active window are X11's; under Wayland, XWayland's.
        qputenv("QT_QPA_PLATFORM", "xcb");
        break;
    case DisplayBackend::wayland:
    case DisplayBackend::gnome:
        // Qt's own Wayland platform for the windows, unless the user chose
        // another; the clipboard never goes through Qt.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "wayland");
        break;
    }
}

AppPlatform makePlatform(const PlatformChoice& choice) {
    AppPlatform platform;
    addDesktopParts(platform);
    switch (choice.backend) {
    case DisplayBackend::x11:
        addX11Parts(platform);
        break;
    case DisplayBackend::wayland:
        addWaylandParts(platform);
        addWaylandInputParts(platform, choice.offersVirtualKeyboard);
        break;
    case DisplayBackend::gnome:
        addGnomeParts(platform);
        break;
    }
    platform.description = choice.description;
    if (choice.missingGnomeExtension) {
        qCWarning(lcApp).noquote() << u"Quillbox: %1."_s.arg(gnomeExtensionAdvice());
        platform.sessionNotice =
            u"Copies in Wayland apps are not seen: run %1, then log in again"_s.arg(
                GnomeShellConnection::enableCommand());
    }
    if (isWaylandSession() && choice.backend != DisplayBackend::gnome)
        addPortalParts(platform);
    return platform;
}

ClipboardReading makeClipboardReading(const PlatformChoice& choice) {
    switch (choice.backend) {
    case DisplayBackend::x11:
        break;
    case DisplayBackend::wayland:
        return {std::make_unique<WaylandPasteboard>(), std::make_unique<NoFrontmostApplication>()};
    case DisplayBackend::gnome: {
        auto connection = std::make_shared<GnomeShellConnection>();
        return {std::make_unique<GnomePasteboard>(connection),
                std::make_unique<GnomeFrontmostApplicationSource>(connection)};
    }
    }
    return {std::make_unique<X11Pasteboard>(), std::make_unique<X11FrontmostApplicationSource>()};
}

std::shared_ptr<TextRecognizer> makeTextRecognizer() {
    return std::make_shared<TesseractTextRecognizer>();
}

void restoreProgramName(const char* argv0) {
    ProgramRestart::restoreName(argv0);
}

void prepareProcess(char** argv, bool runsApplication, bool recognizesText) {
    if (runsApplication)
        useLargeHeapPages(argv);
    if (recognizesText)
        TesseractTextRecognizer::limitEngineThreads(argv);
}

} // namespace quillbox::PlatformFactory
