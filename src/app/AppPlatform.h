#pragma once

#include "app/PlatformDescription.h"
#include "core/PanelWindowPort.h"
#include "core/PasteStackWindowPort.h"
#include "ports/AccessProbe.h"
#include "ports/ColorSampler.h"
#include "ports/DirectoryWatcher.h"
#include "ports/FrontmostApplicationSource.h"
#include "ports/GlobalKeyWatcher.h"
#include "ports/HotkeyBackend.h"
#include "ports/InstalledApplications.h"
#include "ports/KeystrokeSender.h"
#include "ports/LoginItemService.h"
#include "ports/Pasteboard.h"
#include "ports/SoundPlayer.h"
#include "ports/TextRecognizer.h"
#include "ports/TrayIcon.h"
#include "ports/UserNotifier.h"
#include "ports/WindowHints.h"

#include <functional>
#include <memory>
#include <vector>

namespace quillbox {

// The desktop's implementations of the ports, chosen in one place:
// makePlatform() (app/PlatformFactory.h) for the real program, fakes in tests.
struct AppPlatform {
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<FrontmostApplicationSource> frontmostApplications;
    std::unique_ptr<SoundPlayer> soundPlayer;
    std::unique_ptr<AccessProbe> accessProbe;
    // What the window manager is told about Quillbox's floating windows.
    std::unique_ptr<WindowHints> windowHints;
    // Builds the history panel's window; without it (tests of the services
    // alone) the panel state changes but nothing is shown.
    std::function<std::unique_ptr<PanelWindowPort>(const PanelSetup&, WindowHints*)> makePanel;
    // Builds the Paste Stack's window, on the first run; without it the
    // stack runs with nothing shown.
    std::function<std::unique_ptr<PasteStackWindowPort>(const PasteStackSetup&, WindowHints*)>
        makePasteStackWindow;
    // System-wide key combinations; absent in tests that need none.
    std::unique_ptr<HotkeyBackend> hotkeyBackend;
    // Pasting into other applications and reading text in images; without
    // them (tests) there is no paste service or recognition.
    std::unique_ptr<KeystrokeSender> keystrokeSender;
    std::shared_ptr<TextRecognizer> textRecognizer;
    // The paste key pressed in other applications (the Paste Stack's advance);
    // declared after the keystroke sender, whose own keys it tells apart.
    std::unique_ptr<GlobalKeyWatcher> pasteKeyWatcher;
    // New files in the screenshot folder; absent in tests that need none.
    std::unique_ptr<DirectoryWatcher> directoryWatcher;
    // What colorSampler is built from (the desktop's sampler and our own);
    // declared first so that it goes last.
    std::vector<std::unique_ptr<ColorSampler>> colorSamplerParts;
    std::unique_ptr<ColorSampler> colorSampler;
    // Launch at login and the installed applications, for the settings
    // window; the desktop's own ones are used where these are absent.
    std::unique_ptr<LoginItemService> loginItem;
    std::unique_ptr<InstalledApplications> installedApplications;
    // Makes the tray item once the application's widgets can exist; without
    // it there is no tray item.
    std::function<std::unique_ptr<TrayIcon>()> makeTrayIcon;
    // Notices for the user outside Quillbox's windows; without it they are
    // only logged.
    std::unique_ptr<UserNotifier> notifier;
    // What these parts can do in this session, for `status`.
    PlatformDescription description;
    // A line for the panel when this session keeps something from Quillbox
    // that the user can give back (the GNOME Shell extension, not enabled).
    QString sessionNotice;
};

} // namespace quillbox
