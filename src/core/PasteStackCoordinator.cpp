#include "core/PasteStackCoordinator.h"

#include "content/Logging.h"
#include "core/AccessibilityManager.h"
#include "core/PasteService.h"
#include "core/PasteStackManager.h"
#include "core/StackPasteMatcher.h"
#include "history/ClipboardItem.h"
#include "ports/GlobalKeyWatcher.h"
#include "ports/Pasteboard.h"

namespace quillbox {

PasteStackCoordinator::PasteStackCoordinator(PasteStackManager& stack, Pasteboard& pasteboard,
                                             GlobalKeyWatcher* keyWatcher,
                                             AccessibilityManager& accessibility,
                                             WindowFactory makeWindow, QString stopKeys,
                                             QObject* parent)
    : QObject(parent)
    , m_stack(stack)
    , m_pasteboard(pasteboard)
    , m_keyWatcher(keyWatcher)
    , m_accessibility(accessibility)
    , m_makeWindow(std::move(makeWindow))
    , m_stopKeys(std::move(stopKeys)) {
    m_pastes = new StackPasteMatcher(
        pasteboard.reportsOfferReads(),
        [this] {
            m_stack.advance();
            loadCurrentItem();
        },
        this);
    if (m_keyWatcher) {
        m_keyWatcher->onPasteKeyPressed = [this] {
            if (m_stack.hasNext())
                m_pastes->pastePressed();
        };
    }
    m_pasteboard.onOfferRead = [this] {
        if (m_stack.hasNext())
            m_pastes->offerRead();
    };
    // The stack announces every assignment; the window and the watcher
    // follow changes only. Each start or end also forgets presses and reads
    // still unmatched from the run before.
    connect(&m_stack, &PasteStackManager::isActiveChanged, this, [this](bool active) {
        m_pastes->reset();
        if (active == m_isShown)
            return;
        m_isShown = active;
        activeChanged(active);
    });
    // A watcher started without access hears nothing: it starts again once
    // access is granted, and the running stack goes on.
    connect(&m_accessibility, &AccessibilityManager::isAccessibilityGrantedChanged, this,
            [this](bool granted) {
                if (granted && m_stack.isActive())
                    startWatching();
            });
}

PasteStackCoordinator::~PasteStackCoordinator() {
    m_pasteboard.onOfferRead = nullptr;
    if (m_keyWatcher)
        m_keyWatcher->onPasteKeyPressed = nullptr;
}

void PasteStackCoordinator::itemCaptured(const ClipboardItemPtr& item) {
    if (!m_stack.isActive())
        return;
    m_stack.addItem(item);
    loadCurrentItem();
}

void PasteStackCoordinator::activeChanged(bool active) {
    if (!active) {
        // The window is kept for the next run.
        if (m_window)
            m_window->hide();
        stopWatching();
        return;
    }
    if (!m_window && m_makeWindow)
        m_window = m_makeWindow(PasteStackSetup{m_stack, m_accessibility, m_stopKeys});
    if (m_window)
        m_window->show();
    m_accessibility.checkAccess();
    if (!m_accessibility.isAccessibilityGranted())
        m_accessibility.requestAccess();
    startWatching();
}

void PasteStackCoordinator::startWatching() {
    stopWatching();
    // A watcher that cannot start has said why; the stack still collects,
    // and the window shows it.
    if (m_keyWatcher && !m_keyWatcher->start())
        qCWarning(lcApp) << "Quillbox: the Paste Stack will not move on by itself after a paste";
}

void PasteStackCoordinator::stopWatching() {
    if (m_keyWatcher)
        m_keyWatcher->stop();
}

void PasteStackCoordinator::loadCurrentItem() {
    if (!m_stack.hasNext())
        return;
    const ClipboardItemPtr& item = m_stack.stackItems().at(m_stack.currentIndex());
    if (item)
        m_pasteboard.write(PasteService::pasteboardItems(*item, false));
}

} // namespace quillbox
