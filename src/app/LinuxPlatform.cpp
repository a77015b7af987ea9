#include "app/AppPlatform.h"
#include "core/FallbackColorSampler.h"
#include "linux/CanberraSoundPlayer.h"
#include "linux/DesktopApplicationCatalog.h"
#include "linux/InotifyDirectoryWatcher.h"
#include "linux/PortalColorSampler.h"
#include "linux/TesseractTextRecognizer.h"
#include "linux/X11AccessProbe.h"
#include "linux/X11FrontmostApplicationSource.h"
#include "linux/X11HotkeyBackend.h"
#include "linux/X11Pasteboard.h"
#include "linux/X11WindowHints.h"
#include "linux/XInputPasteKeyWatcher.h"
#include "linux/XTestKeystrokeSender.h"
#include "linux/XdgAutostartLoginItem.h"
#include "ui/HistoryPanel.h"
#include "ui/OverlayColorSampler.h"
#include "ui/PasteStackWindow.h"
#include "ui/SystemTrayIcon.h"

namespace quillbox {

AppPlatform makeLinuxPlatform() {
    AppPlatform platform;
    platform.pasteboard = std::make_unique<X11Pasteboard>();
    platform.frontmostApplications = std::make_unique<X11FrontmostApplicationSource>();
    platform.soundPlayer = std::make_unique<CanberraSoundPlayer>();
    platform.accessProbe = std::make_unique<X11AccessProbe>();
    platform.windowHints = std::make_unique<X11WindowHints>();
    platform.makePanel = [](const PanelSetup& setup, WindowHints* hints) {
        return std::make_unique<HistoryPanel>(setup, hints);
    };
    platform.makePasteStackWindow = [](const PasteStackSetup& setup, WindowHints* hints) {
        return std::make_unique<PasteStackWindow>(setup, hints);
    };
    platform.hotkeyBackend = std::make_unique<X11HotkeyBackend>();
    auto keystrokeSender = std::make_unique<XTestKeystrokeSender>();
    platform.pasteKeyWatcher = std::make_unique<XInputPasteKeyWatcher>(keystrokeSender.get());
    platform.keystrokeSender = std::move(keystrokeSender);
    platform.directoryWatcher = std::make_unique<InotifyDirectoryWatcher>();
    platform.textRecognizer = std::make_shared<TesseractTextRecognizer>();
    // The desktop's picker where a portal offers one, else our own overlay.
    auto portal = std::make_unique<PortalColorSampler>();
    auto overlay = std::make_unique<OverlayColorSampler>();
    platform.colorSampler = std::make_unique<FallbackColorSampler>(*portal, *overlay);
    platform.colorSamplerParts.push_back(std::move(portal));
    platform.colorSamplerParts.push_back(std::move(overlay));
    platform.loginItem = std::make_unique<XdgAutostartLoginItem>();
    platform.installedApplications = std::make_unique<DesktopApplicationCatalog>();
    platform.makeTrayIcon = [] { return std::make_unique<SystemTrayIcon>(); };
    return platform;
}

} // namespace quillbox
