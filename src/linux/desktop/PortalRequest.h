#pragma once

#include <QDBusError>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

namespace quillbox {

// One call of a desktop portal method that answers later, through a Request
// object: the call carries a handle_token of ours, and the Response signal is
// awaited at the path the portal derives from it, subscribed before the call
// so that an early answer is not missed. Nothing waits: the completion runs
// once, from the event loop, unless the context object is destroyed first.
//
// Before the first call on a connection, the application registers its id
// with the portal's host registry where the portal has one (newer portals
// refuse unsandboxed callers without it); the calls wait for that answer.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    static const QString service;    // org.freedesktop.portal.Desktop
    static const QString objectPath; // /org/freedesktop/portal/desktop

    struct Outcome {
        enum class Kind {
            answered, // the Response signal came: see response
            absent,   // no portal, or none with this interface
            failed,   // the call itself failed
        };
        Kind kind = Kind::failed;
        uint response = 2; // 0 success, 1 cancelled by the user, 2 ended otherwise
        QVariantMap results;
        QString error; // absent and failed: the D-Bus error's name and message

        bool isSuccess() const { return kind == Kind::answered && response == 0; }
    };
    using Completion = std::function<void(const Outcome&)>;

    // Calls `method` of `interface` with `arguments` and then `options`, to
    // which the handle_token is added.
    static void send(const QString& connectionName, const QString& interface, const QString& method,
                     const QVariantList& arguments, QVariantMap options, QObject* context,
                     Completion completion);

    // A token for handle_token or session_handle_token, unique in the process.
    static QString newToken();
    // Where the portal puts an object it makes for this connection under our
    // token: kind "request" or "session".
    static QString pathFor(const QString& connectionName, const QString& kind,
                           const QString& token);
    // Errors that mean there is no such portal, rather than a failed call.
    static bool meansAbsent(QDBusError::ErrorType type);
    // Stops listening for the session's end at `receiver`'s `closedSlot` and
    // asks the portal to close it, without waiting; clears the path.
    static void closeSession(const QString& connectionName, QString& sessionPath, QObject* receiver,
                             const char* closedSlot);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

private:
    PortalRequest(const QString& connectionName, QObject* context, Completion completion);
    void call(const QString& interface, const QString& method, const QVariantList& arguments,
              QVariantMap options);
    void listenAt(const QString& path);
    void finish(const Outcome& outcome);

    QString m_connectionName;
    QString m_requestPath;
    Completion m_completion;
};

} // namespace quillbox
