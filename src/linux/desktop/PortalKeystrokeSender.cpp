#include "linux/desktop/PortalKeystrokeSender.h"

#include "content/AppConstants.h"
#include "content/Logging.h"
#include "content/Preferences.h"
#include "linux/desktop/PortalRequest.h"
#include "ports/FrontmostApplicationSource.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <chrono>

namespace quillbox {

namespace {

const QString remoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

// SelectDevices: the keyboard alone, and a grant that lasts until the user
// revokes it.
constexpr uint keyboardDevice = 1;
constexpr uint persistUntilRevoked = 2;

// The consent dialog held the keyboard a moment ago; the window to paste
// into gets it back when the dialog closes.
constexpr std::chrono::milliseconds afterDialogDelay{150};

QString sessionPathIn(const QVariantMap& results) {
    const QVariant value = results.value(QStringLiteral("session_handle"));
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

QString reasonFor(const PortalRequest::Outcome& outcome, const QString& step) {
    using Kind = PortalRequest::Outcome::Kind;
    if (outcome.kind == Kind::absent)
        return QStringLiteral("the desktop offers no RemoteDesktop portal");
    if (outcome.kind == Kind::failed)
        return QStringLiteral("the RemoteDesktop portal failed to %1 (%2)")
            .arg(step, outcome.error);
    if (outcome.response == 1)
        return QStringLiteral("the keyboard was not granted to Quillbox");
    return QStringLiteral("the RemoteDesktop portal refused to %1 (response %2)")
        .arg(step)
        .arg(outcome.response);
}

} // namespace

QList<PortalKeystrokeSender::KeyEvent> PortalKeystrokeSender::keyEventsFor(PasteKeys keys) {
    QList<int> chord{leftCtrlKey};
    switch (keys) {
    case PasteKeys::none:
        return {};
    case PasteKeys::ctrlShiftV:
        chord << leftShiftKey;
        break;
    case PasteKeys::ctrlAltV:
        chord << leftAltKey;
        break;
    case PasteKeys::ctrlV:
        break;
    }
    QList<KeyEvent> events;
    for (const int key : chord)
        events.append({key, true});
    events.append({vKey, true});
    events.append({vKey, false});
    for (auto it = chord.crbegin(); it != chord.crend(); ++it)
        events.append({*it, false});
    return events;
}

PortalKeystrokeSender::PortalKeystrokeSender(FrontmostApplicationSource* frontmost,
                                             const QString& settingsFile, QObject* parent)
    : PortalKeystrokeSender(frontmost, settingsFile, QDBusConnection::sessionBus().name(), parent) {
}

PortalKeystrokeSender::PortalKeystrokeSender(FrontmostApplicationSource* frontmost,
                                             const QString& settingsFile,
                                             const QString& connectionName, QObject* parent)
    : QObject(parent)
    , m_frontmost(frontmost)
    , m_settings(std::make_unique<Preferences>(settingsFile))
    , m_connectionName(connectionName) {
}

PortalKeystrokeSender::~PortalKeystrokeSender() {
    closeSession();
}

std::optional<QString> PortalKeystrokeSender::frontmostIdentifier() const {
    if (!m_frontmost)
        return std::nullopt;
    const auto application = m_frontmost->frontmostApplication();
    if (!application || !application->identifier ||
        *application->identifier == AppConstants::applicationID)
        return std::nullopt;
    return application->identifier;
}

void PortalKeystrokeSender::rememberTargetWindow() {
    // With one of Quillbox's own windows in front, the application to paste
    // into is still the one remembered before.
    if (const auto identifier = frontmostIdentifier())
        m_targetApplication = identifier;
}

void PortalKeystrokeSender::sendPasteKeystroke(Outcome done) {
    if (m_isRefused) {
        if (done)
            done(false);
        return;
    }
    if (done)
        m_waiting.append(std::move(done));
    if (m_isPastePending)
        return; // the keys on their way paste what the clipboard holds then
    const auto target = m_targetApplication ? m_targetApplication : frontmostIdentifier();
    m_keys = target ? pasteKeysForApplication(*target) : PasteKeys::ctrlV;
    m_isPastePending = true;
    switch (m_phase) {
    case Phase::started:
        sendKeys();
        break;
    case Phase::none:
        startSession();
        break;
    case Phase::starting:
        break; // the keys go out once the session has started
    }
}

void PortalKeystrokeSender::startSession() {
    m_phase = Phase::starting;
    const quint64 attempt = ++m_attempt;
    const QString sessionToken = PortalRequest::newToken();
    PortalRequest::send(m_connectionName, remoteDesktopInterface, QStringLiteral("CreateSession"),
                        {}, {{QStringLiteral("session_handle_token"), sessionToken}}, this,
                        [this, attempt, sessionToken](const PortalRequest::Outcome& outcome) {
                            if (!isCurrent(attempt))
                                return;
                            if (!outcome.isSuccess()) {
                                refuse(reasonFor(outcome, QStringLiteral("create a session")));
                                return;
                            }
                            m_sessionPath = sessionPathIn(outcome.results);
                            if (m_sessionPath.isEmpty())
                                m_sessionPath = PortalRequest::pathFor(
                                    m_connectionName, QStringLiteral("session"), sessionToken);
                            QDBusConnection(m_connectionName)
                                .connect(PortalRequest::service, m_sessionPath, sessionInterface,
                                         QStringLiteral("Closed"), this,
                                         SLOT(onSessionClosed(QVariantMap)));
                            selectDevices(attempt);
                        });
}

void PortalKeystrokeSender::selectDevices(quint64 attempt) {
    QVariantMap options{{QStringLiteral("types"), keyboardDevice},
                        {QStringLiteral("persist_mode"), persistUntilRevoked}};
    const QString restoreToken =
        m_settings->value(AppConstants::Keys::remoteDesktopRestoreToken).toString();
    if (!restoreToken.isEmpty())
        options.insert(QStringLiteral("restore_token"), restoreToken);
    PortalRequest::send(m_connectionName, remoteDesktopInterface, QStringLiteral("SelectDevices"),
                        {QVariant::fromValue(QDBusObjectPath(m_sessionPath))}, options, this,
                        [this, attempt](const PortalRequest::Outcome& outcome) {
                            if (!isCurrent(attempt))
                                return;
                            if (!outcome.isSuccess()) {
                                refuse(reasonFor(outcome, QStringLiteral("lend a keyboard")));
                                return;
                            }
                            start(attempt);
                        });
}

void PortalKeystrokeSender::start(quint64 attempt) {
    // Without a valid restore token the desktop asks the user here.
    PortalRequest::send(
        m_connectionName, remoteDesktopInterface, QStringLiteral("Start"),
        {QVariant::fromValue(QDBusObjectPath(m_sessionPath)), QString()}, {}, this,
        [this, attempt](const PortalRequest::Outcome& outcome) {
            if (!isCurrent(attempt))
                return;
            if (!outcome.isSuccess()) {
                refuse(reasonFor(outcome, QStringLiteral("start the session")));
                return;
            }
            if (!(outcome.results.value(QStringLiteral("devices")).toUInt() & keyboardDevice)) {
                refuse(QStringLiteral("the keyboard was not granted to Quillbox"));
                return;
            }
            // A token serves one session: the next one needs the new token.
            const QString token = outcome.results.value(QStringLiteral("restore_token")).toString();
            if (token.isEmpty())
                m_settings->remove(AppConstants::Keys::remoteDesktopRestoreToken);
            else
                m_settings->setValue(AppConstants::Keys::remoteDesktopRestoreToken, token);
            m_settings->sync();
            m_phase = Phase::started;
            if (m_isPastePending)
                QTimer::singleShot(afterDialogDelay, this, [this, attempt] {
                    if (isCurrent(attempt) && m_phase == Phase::started && m_isPastePending)
                        sendKeys();
                });
        });
}

void PortalKeystrokeSender::sendKeys() {
    const QList<KeyEvent> events = keyEventsFor(m_keys);
    if (events.isEmpty()) {
        qCInfo(lcCore) << "Quillbox: this terminal has no key that pastes the clipboard;"
                          " the item is on the clipboard";
        finish(false);
        return;
    }
    // Sent in order on one connection; the paste has gone out once the
    // portal has taken every key.
    QDBusConnection bus(m_connectionName);
    auto remaining = std::make_shared<int>(static_cast<int>(events.size()));
    auto failed = std::make_shared<bool>(false);
    const quint64 attempt = m_attempt;
    for (const KeyEvent& event : events) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            PortalRequest::service, PortalRequest::objectPath, remoteDesktopInterface,
            QStringLiteral("NotifyKeyboardKeycode"));
        call << QVariant::fromValue(QDBusObjectPath(m_sessionPath)) << QVariantMap{}
             << event.keyCode << uint(event.isPress ? 1 : 0);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, remaining, failed, attempt](QDBusPendingCallWatcher* finished) {
                    finished->deleteLater();
                    const QDBusPendingReply<> reply = *finished;
                    if (reply.isError() && !*failed) {
                        *failed = true;
                        qCWarning(lcCore, "Quillbox: the RemoteDesktop portal refused a key: %s",
                                  qPrintable(reply.error().message()));
                    }
                    if (--*remaining == 0 && isCurrent(attempt) && m_isPastePending)
                        finish(!*failed);
                });
    }
}

void PortalKeystrokeSender::finish(bool sent) {
    m_isPastePending = false;
    const QList<Outcome> waiting = std::exchange(m_waiting, {});
    for (const Outcome& done : waiting)
        done(sent);
}

void PortalKeystrokeSender::refuse(const QString& reason) {
    closeSession();
    m_phase = Phase::none;
    m_isRefused = true;
    qCWarning(lcCore).noquote()
        << QStringLiteral("Quillbox: paste keys: %1; pasting only copies, press Ctrl+V to paste")
               .arg(reason);
    if (m_isPastePending)
        finish(false);
}

void PortalKeystrokeSender::onSessionClosed(const QVariantMap& details) {
    Q_UNUSED(details);
    // The desktop ended the session (the user revoked it, or the portal
    // restarted): the next paste starts another, with the restore token.
    QDBusConnection(m_connectionName)
        .disconnect(PortalRequest::service, m_sessionPath, sessionInterface,
                    QStringLiteral("Closed"), this, SLOT(onSessionClosed(QVariantMap)));
    m_sessionPath.clear();
    m_phase = Phase::none;
    ++m_attempt;
    if (m_isPastePending)
        finish(false);
}

void PortalKeystrokeSender::closeSession() {
    PortalRequest::closeSession(m_connectionName, m_sessionPath, this,
                                SLOT(onSessionClosed(QVariantMap)));
}

} // namespace quillbox
