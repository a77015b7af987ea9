#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

namespace quillbox {

// Quillbox's link to its GNOME Shell extension over the session bus
// (data/dbus/io.github.quillbox.Shell1.xml, docs/gnome-shell.md): owning
// Quillbox's bus name is what wakes the extension, which then reports the
// clipboard, the focused application and the shortcuts. When the Shell or
// the extension restarts (the Shell disables extensions while the screen is
// locked), the link picks up again by itself. Main thread; nothing here
// waits on the Shell except probe().
class GnomeShellConnection : public QObject {
    Q_OBJECT
public:
    static constexpr const char* extensionUuid = "quillbox@quillbox.github.io";
    static constexpr const char* quillboxName = "io.github.quillbox.Quillbox";
    static constexpr uint interfaceVersion = 1;

    // The Shell's version when the extension answers within the timeout.
    // Bounded: used to choose the backend, before the application runs.
    static std::optional<QString>
    probe(std::chrono::milliseconds timeout = std::chrono::milliseconds(500));
    // The command that enables the extension, for the user.
    static QString enableCommand();

    explicit GnomeShellConnection(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);
    ~GnomeShellConnection() override;

    // Whether the extension answered the last time it was asked.
    bool isAvailable() const { return m_available; }
    // The application id of the focused window, as last reported.
    QString focusedApplication() const { return m_focusedApplication; }

    // Asks for the current contents; announced with selectionChanged.
    void requestSelection();
    // Starts the transfer of one representation of the contents `serial`
    // names into the pipe's write end (which this closes); a refusal or a
    // failure closes it without writing.
    void transfer(uint serial, const QByteArray& mimeType, int writeFd);
    // Makes these representations the clipboard; false without the extension.
    bool setSelection(const QList<QPair<QByteArray, QByteArray>>& representations);
    // Presses the keys (Clutter's names: "Control_L", "v") in order to the
    // focused window; `done` gets whether the Shell took them.
    void sendKeys(const QStringList& keyNames, std::function<void(bool)> done);
    // Centres, raises and (optionally) focuses this process's window of that title.
    void placeWindow(const QString& title, bool focus);

Q_SIGNALS:
    // The clipboard's owner changed (or, at start, the contents found).
    // `setByQuillbox`: the extension made this selection for us.
    void selectionChanged(uint serial, const QList<QByteArray>& mimeTypes, const QString& appId,
                          bool setByQuillbox, bool isChange);
    // requestSelection brings no contents: the extension did not answer, or
    // a change came before its answer (and is announced instead).
    void selectionUnavailable();
    void shortcutActivated(const QString& name);
    // The extension answered after being away (or for the first time).
    void connected();

private Q_SLOTS:
    void onSelectionChanged(uint serial, const QStringList& mimeTypes, const QString& appId,
                            bool setByQuillbox);
    void onFocusChanged(const QString& appId);
    void onShortcutActivated(const QString& name);
    void onShellOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onAttached();
    void onDetached();

private:
    void greet();
    // Sends the call; an error is only logged (for debugging).
    void callAndForget(const QDBusMessage& message, int timeoutMs);

    QDBusConnection m_bus;
    bool m_available = false;
    QString m_focusedApplication;
    quint64 m_changesSeen = 0;
    int m_selectionRequests = 0; // asked, not answered yet
};

} // namespace quillbox
