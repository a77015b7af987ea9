#pragma once

#include "app/AppPlatform.h"

#include <QString>
#include <memory>
#include <variant>

namespace quillbox {

// The display servers Quillbox has a backend for.
enum class DisplayBackend { x11, wayland, gnome };

// Which backend serves this session.
struct PlatformChoice {
    DisplayBackend backend = DisplayBackend::x11;
    QString name; // "X11", "Wayland", "GNOME"
    // X11 through XWayland in a Wayland session (a compositor without data
    // control, as GNOME's): the compositor bridges only part of it.
    bool isXWayland = false;
    // A Wayland compositor that lets Quillbox type the paste keys itself; the
    // desktop portal sends them where it does not.
    bool offersVirtualKeyboard = false;
    // What the backend can do here, for `status` and `inspect-clipboard`.
    PlatformDescription description;
    // A GNOME Wayland session where Quillbox's Shell extension does not
    // answer: the log says once how to enable it.
    bool missingGnomeExtension = false;
};

// The only code that names concrete backends: a new one is its classes in
// linux/ and one branch in each function here. Everything else gets ports.
namespace PlatformFactory {

// The backend for this session, from the environment (QUILLBOX_PLATFORM
// forces one): Wayland where WAYLAND_DISPLAY names a compositor that offers
// data control, GNOME Shell through Quillbox's extension where it answers,
// else X11 (XWayland's under Wayland); a message for the user
// when none can run here, a DISPLAY that no X server answers included.
std::variant<PlatformChoice, QString> choose();

// Before the QApplication exists: what Qt needs to run on the choice.
void prepareToolkit(const PlatformChoice& choice);

// Every port the application uses.
AppPlatform makePlatform(const PlatformChoice& choice);

// The clipboard and the active window alone, for `inspect-clipboard`.
struct ClipboardReading {
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<FrontmostApplicationSource> frontmostApplications;
};
ClipboardReading makeClipboardReading(const PlatformChoice& choice);

// Text recognition in a command-line process (a search over the store on
// disk while no instance runs).
std::shared_ptr<TextRecognizer> makeTextRecognizer();

// First thing in main(): a process restarted under /proc/self/exe takes back
// its name.
void restoreProgramName(const char* argv0);
// Before any thread starts: the process settings that the application and a
// command that recognises text need, read by the C library and the
// recognition engine only when a program starts; may restart the program.
void prepareProcess(char** argv, bool runsApplication, bool recognizesText);

} // namespace PlatformFactory
} // namespace quillbox
