#include "linux/desktop/PortalHotkeyBackend.h"

#include "content/Logging.h"
#include "linux/desktop/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QStringList>
#include <QTimer>
#include <array>
#include <utility>

namespace quillbox {

// One element of the portal's a(sa{sv}) shortcut lists: an id and its
// properties (description, preferred_trigger; trigger_description back).
struct PortalShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

} // namespace quillbox

Q_DECLARE_METATYPE(quillbox::PortalShortcutEntry)

namespace quillbox {

namespace {

const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

const QString noPortalReason = QStringLiteral("the desktop offers no GlobalShortcuts portal");
// What the user can do instead: the commands work from any key binding.
const QString bindCommandsAdvice =
    QStringLiteral("bind `quillbox toggle`, `quillbox paste-stack` and `quillbox paste-next` to "
                   "keys in the desktop's keyboard settings");

// X key symbols (keysymdef.h) and the names the shortcuts syntax gives them
// (xkbcommon's); letters, digits and function keys are handled apart.
constexpr std::uint32_t keySymbolF1 = 0xffbe;
constexpr std::uint32_t highestFunctionKey = 35;
struct KeyName {
    std::uint32_t keySymbol;
    const char* name;
};
constexpr std::array keyNames{
    KeyName{0x0020, "space"},       KeyName{0xff0d, "Return"},       KeyName{0xff09, "Tab"},
    KeyName{0xff1b, "Escape"},      KeyName{0xff08, "BackSpace"},    KeyName{0xffff, "Delete"},
    KeyName{0xff63, "Insert"},      KeyName{0xff50, "Home"},         KeyName{0xff57, "End"},
    KeyName{0xff55, "Page_Up"},     KeyName{0xff56, "Page_Down"},    KeyName{0xff51, "Left"},
    KeyName{0xff52, "Up"},          KeyName{0xff53, "Right"},        KeyName{0xff54, "Down"},
    KeyName{0xff61, "Print"},       KeyName{0xff13, "Pause"},        KeyName{0xff67, "Menu"},
    KeyName{0x002d, "minus"},       KeyName{0x003d, "equal"},        KeyName{0x002c, "comma"},
    KeyName{0x002e, "period"},      KeyName{0x002f, "slash"},        KeyName{0x005c, "backslash"},
    KeyName{0x003b, "semicolon"},   KeyName{0x0027, "apostrophe"},   KeyName{0x0060, "grave"},
    KeyName{0x005b, "bracketleft"}, KeyName{0x005d, "bracketright"},
};

QString keyName(std::uint32_t keySymbol) {
    if ((keySymbol >= u'a' && keySymbol <= u'z') || (keySymbol >= u'0' && keySymbol <= u'9'))
        return QChar(static_cast<char16_t>(keySymbol));
    if (keySymbol >= keySymbolF1 && keySymbol < keySymbolF1 + highestFunctionKey)
        return QStringLiteral("F%1").arg(keySymbol - keySymbolF1 + 1);
    for (const KeyName& key : keyNames) {
        if (key.keySymbol == keySymbol)
            return QLatin1String(key.name);
    }
    return {};
}

void registerShortcutTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<PortalShortcutEntry>();
        qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
        return true;
    }();
    (void)registered;
}

QList<PortalShortcutEntry> shortcutsIn(const QVariantMap& results) {
    QList<PortalShortcutEntry> entries;
    const QVariant value = results.value(QStringLiteral("shortcuts"));
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> entries;
    return entries;
}

// The session's object path in CreateSession's results: a string in the
// interface's definition, an object path from some desktops.
QString sessionPathIn(const QVariantMap& results) {
    const QVariant value = results.value(QStringLiteral("session_handle"));
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

PortalHotkeyBackend::PortalHotkeyBackend(QObject* parent)
    : PortalHotkeyBackend(QDBusConnection::sessionBus().name(), parent) {
}

PortalHotkeyBackend::PortalHotkeyBackend(const QString& connectionName, QObject* parent)
    : QObject(parent)
    , m_connectionName(connectionName) {
    registerShortcutTypes();
}

PortalHotkeyBackend::~PortalHotkeyBackend() {
    closeSession();
}

HotkeyBackend::Result PortalHotkeyBackend::registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                                                          std::uint32_t modifiers) {
    return registerAction(id, keySymbol, modifiers, {});
}

HotkeyBackend::Result PortalHotkeyBackend::registerAction(std::uint32_t id, std::uint32_t keySymbol,
                                                          std::uint32_t modifiers,
                                                          const Action& action) {
    if (m_state == State::unavailable)
        return {unavailableStatus, keySymbol};
    const QString trigger = triggerFor(keySymbol, modifiers);
    Shortcut shortcut{id, action.name, action.description, trigger};
    // The portal needs a name and words for every shortcut it lists.
    if (shortcut.name.isEmpty())
        shortcut.name = QStringLiteral("shortcut-%1").arg(id);
    if (shortcut.description.isEmpty())
        shortcut.description = trigger.isEmpty() ? shortcut.name : trigger;
    m_shortcuts.append(shortcut);
    if (!m_isBindScheduled) {
        m_isBindScheduled = true;
        QTimer::singleShot(0, this, &PortalHotkeyBackend::bind);
    }
    return {0, keySymbol};
}

void PortalHotkeyBackend::unregisterAll() {
    // A session's shortcuts go with the session.
    ++m_attempt;
    m_shortcuts.clear();
    closeSession();
    if (m_state != State::unavailable)
        setState(State::idle, {});
}

QString PortalHotkeyBackend::triggerFor(std::uint32_t keySymbol, std::uint32_t modifiers) {
    const QString key = keyName(keySymbol);
    if (key.isEmpty())
        return {};
    QStringList parts;
    if (modifiers & HotkeyModifier::super)
        parts << QStringLiteral("LOGO");
    if (modifiers & HotkeyModifier::control)
        parts << QStringLiteral("CTRL");
    if (modifiers & HotkeyModifier::alt)
        parts << QStringLiteral("ALT");
    if (modifiers & HotkeyModifier::shift)
        parts << QStringLiteral("SHIFT");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

void PortalHotkeyBackend::bind() {
    m_isBindScheduled = false;
    if (m_shortcuts.isEmpty() || m_state == State::unavailable)
        return;
    closeSession();
    const quint64 attempt = ++m_attempt;
    setState(State::binding, QStringLiteral("waiting for the desktop's GlobalShortcuts portal"));
    const QString sessionToken = PortalRequest::newToken();
    PortalRequest::send(
        m_connectionName, shortcutsInterface, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), sessionToken}}, this,
        [this, attempt, sessionToken](const PortalRequest::Outcome& outcome) {
            QString session = sessionPathIn(outcome.results);
            if (session.isEmpty())
                session = PortalRequest::pathFor(m_connectionName, QStringLiteral("session"),
                                                 sessionToken);
            if (attempt != m_attempt) {
                // Unregistered, or bound again, in the meantime.
                if (outcome.isSuccess())
                    QDBusConnection(m_connectionName)
                        .asyncCall(QDBusMessage::createMethodCall(PortalRequest::service, session,
                                                                  sessionInterface,
                                                                  QStringLiteral("Close")));
                return;
            }
            if (outcome.kind == PortalRequest::Outcome::Kind::absent) {
                giveUp(noPortalReason);
                return;
            }
            if (!outcome.isSuccess()) {
                giveUp(outcome.kind == PortalRequest::Outcome::Kind::failed
                           ? QStringLiteral("the GlobalShortcuts portal failed (%1)")
                                 .arg(outcome.error)
                           : QStringLiteral("the GlobalShortcuts portal refused a session "
                                            "(response %1)")
                                 .arg(outcome.response));
                return;
            }
            m_sessionPath = session;
            QDBusConnection bus(m_connectionName);
            bus.connect(PortalRequest::service, m_sessionPath, sessionInterface,
                        QStringLiteral("Closed"), this, SLOT(onSessionClosed(QVariantMap)));
            // Once the portal is known to be there: a match on its name
            // made before it owned the name would miss its signals.
            if (!m_isListening)
                m_isListening = bus.connect(
                    PortalRequest::service, PortalRequest::objectPath, shortcutsInterface,
                    QStringLiteral("Activated"), this,
                    SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
            bindShortcuts(attempt);
        });
}

void PortalHotkeyBackend::bindShortcuts(quint64 attempt) {
    QList<PortalShortcutEntry> entries;
    for (const Shortcut& shortcut : std::as_const(m_shortcuts)) {
        QVariantMap properties{{QStringLiteral("description"), shortcut.description}};
        if (!shortcut.trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), shortcut.trigger);
        entries.append({shortcut.name, properties});
    }
    // The desktop may show the user a dialog to confirm or choose the keys.
    PortalRequest::send(
        m_connectionName, shortcutsInterface, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_sessionPath)), QVariant::fromValue(entries),
         QString()},
        {}, this, [this, attempt](const PortalRequest::Outcome& outcome) {
            if (attempt != m_attempt)
                return;
            if (!outcome.isSuccess()) {
                giveUp(outcome.kind == PortalRequest::Outcome::Kind::answered
                           ? QStringLiteral("the GlobalShortcuts portal refused them (response %1)")
                                 .arg(outcome.response)
                           : QStringLiteral("the GlobalShortcuts portal failed (%1)")
                                 .arg(outcome.error));
                return;
            }
            // What the desktop bound, in its own words; a shortcut it left
            // out or without keys still shows, so the user knows to bind it.
            QHash<QString, QString> triggers;
            for (const PortalShortcutEntry& entry : shortcutsIn(outcome.results))
                triggers.insert(
                    entry.id,
                    entry.properties.value(QStringLiteral("trigger_description")).toString());
            QStringList bound;
            for (const Shortcut& shortcut : std::as_const(m_shortcuts)) {
                const QString keys = triggers.value(shortcut.name);
                bound << QStringLiteral("%1 (%2)").arg(
                    shortcut.description, keys.isEmpty() ? QStringLiteral("no keys") : keys);
            }
            const QString description =
                QStringLiteral("the desktop's GlobalShortcuts portal: ") + bound.join(u"; ");
            qCInfo(lcCore).noquote()
                << QStringLiteral("Quillbox: global hot keys through ") + description;
            setState(State::active, description);
        });
}

void PortalHotkeyBackend::closeSession() {
    PortalRequest::closeSession(m_connectionName, m_sessionPath, this,
                                SLOT(onSessionClosed(QVariantMap)));
}

void PortalHotkeyBackend::onActivated(const QDBusObjectPath& session, const QString& shortcutID,
                                      qulonglong timestamp, const QVariantMap& options) {
    Q_UNUSED(timestamp);
    Q_UNUSED(options);
    if (m_state != State::active || session.path() != m_sessionPath)
        return;
    for (const Shortcut& shortcut : std::as_const(m_shortcuts)) {
        if (shortcut.name == shortcutID) {
            deliverPress(shortcut.id);
            return;
        }
    }
}

void PortalHotkeyBackend::onSessionClosed(const QVariantMap& details) {
    Q_UNUSED(details);
    m_sessionPath.clear();
    ++m_attempt;
    giveUp(QStringLiteral("the desktop ended the GlobalShortcuts session"));
}

void PortalHotkeyBackend::setState(State state, const QString& description) {
    m_description = description;
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void PortalHotkeyBackend::giveUp(const QString& reason) {
    closeSession();
    qCWarning(lcCore).noquote()
        << QStringLiteral("Quillbox: global hot keys: %1; %2").arg(reason, bindCommandsAdvice);
    setState(State::unavailable, QStringLiteral("none: %1; %2").arg(reason, bindCommandsAdvice));
}

} // namespace quillbox
