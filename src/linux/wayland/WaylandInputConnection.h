#pragma once

#include "linux/wayland/PasteKeySequence.h"

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace quillbox {

// Quillbox's own Wayland connection for what is in front and for typing:
// the compositor's list of toplevel windows (wlroots foreign-toplevel, with
// their app ids and which one is activated) and a virtual keyboard. Runs on
// the main thread without ever waiting: requests are flushed, and answers
// are read as the socket becomes readable.
class WaylandInputConnection : public QObject {
    Q_OBJECT
public:
    struct Toplevel {
        std::uint32_t id = 0; // ours, for the life of the window
        QString appId;
        QString title;
        bool isActivated = false;
    };

    // `ownAppId`: the app id of Quillbox's own windows, which are never taken
    // for the application in front. Connects to WAYLAND_DISPLAY's compositor;
    // what it offers arrives shortly after, from the event loop.
    explicit WaylandInputConnection(QString ownAppId, QObject* parent = nullptr);
    ~WaylandInputConnection() override;

    // The app id Qt gives this program's windows.
    static QString applicationAppId();

    bool isConnected() const;
    // The compositor has answered the first questions (its globals and, where
    // it lists them, its windows).
    bool isReady() const { return m_isReady; }
    bool hasVirtualKeyboard() const;
    bool listsToplevels() const;

    // The window in front, if it is another program's; while one of ours is
    // in front, the other program's window that last was.
    std::optional<Toplevel> activeToplevel() const;
    std::optional<Toplevel> toplevel(std::uint32_t id) const;
    // Whether a window of Quillbox's own is activated.
    bool isOwnWindowActive() const;
    // Asks the compositor to activate the window (focus it).
    void activate(std::uint32_t id);

    // Makes the virtual keyboard with this keymap as soon as the compositor
    // offers one. Early: clients learn of a new keyboard on the seat only
    // after a round trip of their own, so keys typed on a keyboard made
    // just before would reach nobody.
    void prepareKeyboard(const QByteArray& keymapText);
    // Types the steps on the virtual keyboard. False when there is none.
    bool type(const QList<VirtualKeyStep>& steps);

Q_SIGNALS:
    void becameReady();
    void toplevelsChanged();

private:
    struct Wayland;
    friend struct Wayland;

    void readEvents();
    void flush();
    void markReady();
    void makeKeyboard();

    QString m_ownAppId;
    std::unique_ptr<Wayland> m_wayland;
    QSocketNotifier* m_notifier = nullptr;
    bool m_isReady = false;
    QByteArray m_keymapText;
};

} // namespace quillbox
