#include "app/PlatformFactory.h"

#include "content/Logging.h"
#include "core/FallbackColorSampler.h"
#include "linux/desktop/CanberraSoundPlayer.h"
#include "linux/desktop/DesktopApplicationCatalog.h"
#include "linux/desktop/FreedesktopNotifier.h"
#include "linux/desktop/InotifyDirectoryWatcher.h"
#include "linux/desktop/PortalColorSampler.h"
#include "linux/desktop/ProgramRestart.h"
#include "linux/desktop/TesseractTextRecognizer.h"
#include "linux/desktop/XdgAutostartLoginItem.h"
#include "linux/x11/X11AccessProbe.h"
#include "linux/x11/X11FrontmostApplicationSource.h"
#include "linux/x11/X11HotkeyBackend.h"
#include "linux/x11/X11Pasteboard.h"
#include "linux/x11/X11WindowHints.h"
#include "linux/x11/XInputPasteKeyWatcher.h"
#include "linux/x11/XTestKeystrokeSender.h"
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
    auto keystrokeSender = std::make_unique<XTestKeystrokeSender>();
    platform.pasteKeyWatcher = std::make_unique<XInputPasteKeyWatcher>(keystrokeSender.get());
    platform.keystrokeSender = std::move(keystrokeSender);
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
    if (!forced.isEmpty() && forced != u"x11"_s) {
        return u"Quillbox: unknown platform \"%1\" in %2 (this build runs on: x11)."_s.arg(
            forced, QString::fromLatin1(platformVariable));
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return u"Quillbox: no X display to run on (DISPLAY is not set)."_s;
    return PlatformChoice{DisplayBackend::x11, u"X11"_s};
}

void prepareToolkit(const PlatformChoice& choice) {
    switch (choice.backend) {
    case DisplayBackend::x11:
        // The clipboard and the active window are X11's; under Wayland, XWayland's.
        qputenv("QT_QPA_PLATFORM", "xcb");
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
    }
    return platform;
}

ClipboardReading makeClipboardReading(const PlatformChoice& choice) {
    switch (choice.backend) {
    case DisplayBackend::x11:
        break;
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
