#include "core/ClipboardKeeper.h"

#include "capture/ClipboardMonitor.h"
#include "content/AppConstants.h"
#include "content/Logging.h"
#include "content/Preferences.h"
#include "core/PasteService.h"
#include "history/HistoryStore.h"
#include "ports/Pasteboard.h"

#include <QCoreApplication>

namespace quillbox {

ClipboardKeeper::ClipboardKeeper(Pasteboard& pasteboard, ClipboardMonitor& monitor,
                                 HistoryStore& store, Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_monitor(monitor)
    , m_store(store)
    , m_preferences(preferences) {
    m_pasteboard.onOwnerVanished = [this] { ownerVanished(); };
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == AppConstants::Keys::keepClipboardOnQuit)
            refresh();
    });
    // Quillbox's own toolkit asks the clipboard manager to save Quillbox's
    // offer as it quits; nothing will keep it, so the answer says so at once.
    if (auto* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this, [this] {
            m_isQuitting = true;
            refresh();
        });
    }
    refresh();
}

void ClipboardKeeper::refresh() {
    m_pasteboard.setKeepsContentsOfOwnersThatQuit(!m_isQuitting && isEnabled() &&
                                                  !m_monitor.isPaused());
}

ClipboardKeeper::~ClipboardKeeper() {
    m_pasteboard.onOwnerVanished = nullptr;
}

bool ClipboardKeeper::isEnabled() const {
    return m_preferences.boolValue(AppConstants::Keys::keepClipboardOnQuit);
}

void ClipboardKeeper::ownerVanished() {
    if (!isEnabled() || !m_monitor.isRunning() || m_monitor.isPaused())
        return;
    // The vanished owner's copy may still wait in the queue: record it first,
    // by the monitor's own rules, so that what is offered is what they kept.
    m_monitor.checkForChanges();
    const ClipboardItemPtr item = m_monitor.lastRecordedContents();
    const QList<ClipboardItemPtr> items = m_store.allItems();
    if (!item || items.isEmpty() || items.first() != item) {
        qCDebug(lcCore) << "Quillbox: the clipboard's owner quit; its contents were not recorded, "
                           "so the clipboard stays empty";
        return;
    }
    // With Quillbox's marker, as every write of ours: the monitor skips it.
    if (m_pasteboard.write(PasteService::pasteboardItems(*item, false)))
        qCInfo(lcCore) << "Quillbox: kept the clipboard of an application that quit";
    else
        qCWarning(lcCore) << "Quillbox: could not keep the clipboard of an application that quit";
}

} // namespace quillbox
