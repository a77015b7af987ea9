#include "linux/wayland/WaylandInputConnection.h"

#include "content/Logging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <map>
#include <sys/mman.h>
#include <unistd.h>
#include <virtual-keyboard-unstable-v1-client-protocol.h>
#include <wayland-client.h>
#include <wlr-foreign-toplevel-management-unstable-v1-client-protocol.h>

namespace quillbox {

namespace {
constexpr std::uint32_t foreignToplevelVersion = 3;
constexpr std::uint32_t seatVersion = 1;
} // namespace

struct WaylandInputConnection::Wayland {
    struct Window {
        Toplevel state;
        Toplevel pending;
    };

    WaylandInputConnection* owner = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager = nullptr;
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    zwlr_foreign_toplevel_manager_v1* toplevelManager = nullptr;
    wl_callback* firstAnswers = nullptr;
    int syncsToReady = 0;
    std::map<zwlr_foreign_toplevel_handle_v1*, Window> windows;
    std::uint32_t nextId = 1;
    // The other program's window activated last.
    std::optional<std::uint32_t> lastOtherActive;

    ~Wayland() {
        for (auto& [handle, window] : windows)
            zwlr_foreign_toplevel_handle_v1_destroy(handle);
        if (keyboard)
            zwp_virtual_keyboard_v1_destroy(keyboard);
        if (keyboardManager)
            zwp_virtual_keyboard_manager_v1_destroy(keyboardManager);
        if (toplevelManager)
            zwlr_foreign_toplevel_manager_v1_destroy(toplevelManager);
        if (firstAnswers)
            wl_callback_destroy(firstAnswers);
        if (seat)
            wl_seat_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    void sync() {
        ++syncsToReady;
        firstAnswers = wl_display_sync(display);
        static const wl_callback_listener listener{
            [](void* data, wl_callback* callback, std::uint32_t) {
                auto* self = static_cast<Wayland*>(data);
                wl_callback_destroy(callback);
                self->firstAnswers = nullptr;
                // The first answer lists the globals; once bound, a second
                // one lists the windows.
                if (self->syncsToReady == 1 && self->toplevelManager)
                    self->sync();
                else
                    self->owner->markReady();
            }};
        wl_callback_add_listener(firstAnswers, &listener, this);
    }

    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<Wayland*>(data);
        const QByteArray which(interface);
        if (which == wl_seat_interface.name && !self->seat) {
            self->seat = static_cast<wl_seat*>(
                wl_registry_bind(registry, name, &wl_seat_interface, seatVersion));
        } else if (which == zwp_virtual_keyboard_manager_v1_interface.name) {
            self->keyboardManager = static_cast<zwp_virtual_keyboard_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
        } else if (which == zwlr_foreign_toplevel_manager_v1_interface.name) {
            self->toplevelManager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                                 std::min(version, foreignToplevelVersion)));
            static const zwlr_foreign_toplevel_manager_v1_listener listener{
                &Wayland::newToplevel, [](void*, zwlr_foreign_toplevel_manager_v1*) {}};
            zwlr_foreign_toplevel_manager_v1_add_listener(self->toplevelManager, &listener, self);
        }
    }

    static void newToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                            zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<Wayland*>(data);
        Window& window = self->windows[handle];
        window.state.id = window.pending.id = self->nextId++;
        static const zwlr_foreign_toplevel_handle_v1_listener listener{
            [](void* data, zwlr_foreign_toplevel_handle_v1* h, const char* title) {
                static_cast<Wayland*>(data)->windows[h].pending.title = QString::fromUtf8(title);
            },
            [](void* data, zwlr_foreign_toplevel_handle_v1* h, const char* appId) {
                static_cast<Wayland*>(data)->windows[h].pending.appId = QString::fromUtf8(appId);
            },
            [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
            [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
            [](void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* states) {
                bool activated = false;
                const auto* begin = static_cast<const std::uint32_t*>(states->data);
                for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
                    activated |= begin[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
                static_cast<Wayland*>(data)->windows[h].pending.isActivated = activated;
            },
            &Wayland::toplevelDone,
            &Wayland::toplevelClosed,
            [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
        };
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
    }

    static void toplevelDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<Wayland*>(data);
        Window& window = self->windows[handle];
        window.state = window.pending;
        if (window.state.isActivated && window.state.appId != self->owner->m_ownAppId)
            self->lastOtherActive = window.state.id;
        Q_EMIT self->owner->toplevelsChanged();
    }

    static void toplevelClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<Wayland*>(data);
        if (self->lastOtherActive == self->windows[handle].state.id)
            self->lastOtherActive.reset();
        self->windows.erase(handle);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        Q_EMIT self->owner->toplevelsChanged();
    }

    zwlr_foreign_toplevel_handle_v1* handleOf(std::uint32_t id) const {
        for (const auto& [handle, window] : windows) {
            if (window.state.id == id)
                return handle;
        }
        return nullptr;
    }
};

WaylandInputConnection::WaylandInputConnection(QString ownAppId, QObject* parent)
    : QObject(parent)
    , m_ownAppId(std::move(ownAppId))
    , m_wayland(std::make_unique<Wayland>()) {
    m_wayland->owner = this;
    m_wayland->display = wl_display_connect(nullptr);
    if (!m_wayland->display) {
        qCWarning(lcApp) << "Quillbox: no Wayland compositor to ask for windows and keys";
        m_isReady = true; // nothing more will come
        return;
    }
    m_wayland->registry = wl_display_get_registry(m_wayland->display);
    static const wl_registry_listener listener{&Wayland::global,
                                               [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(m_wayland->registry, &listener, m_wayland.get());
    m_wayland->sync();
    m_notifier =
        new QSocketNotifier(wl_display_get_fd(m_wayland->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &WaylandInputConnection::readEvents);
    flush();
}

WaylandInputConnection::~WaylandInputConnection() = default;

QString WaylandInputConnection::applicationAppId() {
    // As Qt's Wayland platform names the windows of a program.
    QString name = QGuiApplication::desktopFileName();
    if (name.endsWith(QStringLiteral(".desktop")))
        name.chop(8);
    if (!name.isEmpty())
        return name;
    return QFileInfo(QCoreApplication::applicationFilePath()).baseName();
}

bool WaylandInputConnection::isConnected() const {
    return m_wayland->display && wl_display_get_error(m_wayland->display) == 0;
}

bool WaylandInputConnection::hasVirtualKeyboard() const {
    return isConnected() && m_wayland->keyboardManager && m_wayland->seat;
}

bool WaylandInputConnection::listsToplevels() const {
    return isConnected() && m_wayland->toplevelManager;
}

void WaylandInputConnection::markReady() {
    if (std::exchange(m_isReady, true))
        return;
    makeKeyboard();
    Q_EMIT becameReady();
}

void WaylandInputConnection::readEvents() {
    wl_display* display = m_wayland->display;
    while (wl_display_prepare_read(display) != 0)
        wl_display_dispatch_pending(display);
    // The socket is readable: reading does not wait.
    if (wl_display_read_events(display) != 0 || wl_display_dispatch_pending(display) < 0) {
        qCWarning(lcApp) << "Quillbox: the Wayland connection for windows and keys broke:"
                         << std::strerror(errno);
        m_notifier->setEnabled(false);
        markReady();
        return;
    }
    flush();
}

void WaylandInputConnection::flush() {
    if (isConnected())
        wl_display_flush(m_wayland->display);
}

std::optional<WaylandInputConnection::Toplevel> WaylandInputConnection::activeToplevel() const {
    for (const auto& [handle, window] : m_wayland->windows) {
        if (window.state.isActivated && window.state.appId != m_ownAppId)
            return window.state;
    }
    if (isOwnWindowActive() && m_wayland->lastOtherActive)
        return toplevel(*m_wayland->lastOtherActive);
    return std::nullopt;
}

bool WaylandInputConnection::isOwnWindowActive() const {
    for (const auto& [handle, window] : m_wayland->windows) {
        if (window.state.isActivated && window.state.appId == m_ownAppId)
            return true;
    }
    return false;
}

std::optional<WaylandInputConnection::Toplevel>
WaylandInputConnection::toplevel(std::uint32_t id) const {
    if (auto* handle = m_wayland->handleOf(id))
        return m_wayland->windows.at(handle).state;
    return std::nullopt;
}

void WaylandInputConnection::activate(std::uint32_t id) {
    auto* handle = m_wayland->handleOf(id);
    if (!handle || !m_wayland->seat)
        return;
    zwlr_foreign_toplevel_handle_v1_activate(handle, m_wayland->seat);
    flush();
}

void WaylandInputConnection::prepareKeyboard(const QByteArray& keymapText) {
    m_keymapText = keymapText;
    if (m_isReady)
        makeKeyboard();
}

void WaylandInputConnection::makeKeyboard() {
    Wayland& w = *m_wayland;
    if (w.keyboard || m_keymapText.isEmpty() || !hasVirtualKeyboard())
        return;
    const int fd = memfd_create("quillbox-keymap", MFD_CLOEXEC);
    if (fd < 0 ||
        write(fd, m_keymapText.constData(), size_t(m_keymapText.size())) != m_keymapText.size()) {
        if (fd >= 0)
            close(fd);
        qCWarning(lcApp) << "Quillbox: could not hand the compositor a keymap";
        return;
    }
    w.keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(w.keyboardManager, w.seat);
    zwp_virtual_keyboard_v1_keymap(w.keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   std::uint32_t(m_keymapText.size()));
    close(fd);
    flush();
}

bool WaylandInputConnection::type(const QList<VirtualKeyStep>& steps) {
    makeKeyboard();
    Wayland& w = *m_wayland;
    if (!w.keyboard || !isConnected())
        return false;
    // Key times only need to grow.
    static QElapsedTimer keyClock;
    if (!keyClock.isValid())
        keyClock.start();
    for (const VirtualKeyStep& step : steps) {
        if (step.kind == VirtualKeyStep::Kind::key)
            zwp_virtual_keyboard_v1_key(w.keyboard, std::uint32_t(keyClock.elapsed()), step.code,
                                        step.isPressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                       : WL_KEYBOARD_KEY_STATE_RELEASED);
        else
            zwp_virtual_keyboard_v1_modifiers(w.keyboard, step.modifiers, 0, 0, 0);
    }
    flush();
    return true;
}

} // namespace quillbox
