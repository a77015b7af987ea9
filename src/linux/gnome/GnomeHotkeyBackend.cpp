#include "linux/gnome/GnomeHotkeyBackend.h"

#include "linux/gnome/GnomeShellConnection.h"

using namespace Qt::StringLiterals;

namespace quillbox {

GnomeHotkeyBackend::GnomeHotkeyBackend(std::shared_ptr<GnomeShellConnection> connection,
                                       QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection)) {
    connect(m_connection.get(), &GnomeShellConnection::shortcutActivated, this,
            [this](const QString& name) {
                const auto id = m_ids.constFind(name);
                if (id != m_ids.constEnd())
                    deliverPress(*id);
            });
}

QString GnomeHotkeyBackend::shortcutName(const QString& actionName) {
    if (actionName == u"toggle-panel"_s)
        return u"show-panel"_s;
    if (actionName == u"paste-stack"_s)
        return u"show-paste-stack"_s;
    if (actionName == u"paste-next"_s)
        return u"paste-next"_s;
    return {};
}

HotkeyBackend::Result GnomeHotkeyBackend::registerHotkey(std::uint32_t, std::uint32_t,
                                                         std::uint32_t) {
    return {unavailableStatus, 0};
}

HotkeyBackend::Result GnomeHotkeyBackend::registerAction(std::uint32_t id, std::uint32_t,
                                                         std::uint32_t, const Action& action) {
    const QString name = shortcutName(action.name);
    if (name.isEmpty())
        return {unavailableStatus, 0};
    m_ids.insert(name, id);
    return {0, 0};
}

void GnomeHotkeyBackend::unregisterAll() {
    m_ids.clear();
}

} // namespace quillbox
