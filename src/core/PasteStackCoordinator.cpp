#include "core/PasteStackCoordinator.h"

#include "content/Logging.h"
#include "core/AccessibilityManager.h"
#include "core/PasteService.h"
#include "core/PasteStackManager.h"
#include "core/StackPasteMatcher.h"
#include "history/ClipboardItem.h"
#include "ports/GlobalKeyWatcher.h"
#include "ports/KeystrokeSender.h"
#include "ports/Pasteboard.h"
#include "ports/UserNotifier.h"

#include <QPointer>
#include <QTimer>

namespace quillbox {

PasteStackCoordinator::PasteStackCoordinator(PasteStackManager& stack, Pasteboard& pasteboard,
                                             GlobalKeyWatcher* keyWatcher,
                                             KeystrokeSender* keystrokes,
                                             AccessibilityManager& accessibility,
                                             WindowFactory makeWindow, Texts texts, QObject* parent)
    : QObject(parent)
    , m_stack(stack)
    , m_pasteboard(pasteboard)
    , m_keyWatcher(keyWatcher)
    , m_keystrokes(keystrokes)
    , m_accessibility(accessibility)
    , m_makeWindow(std::move(makeWindow))
    , m_texts(std::move(texts)) {
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
        m_window = m_makeWindow(
            PasteStackSetup{m_stack, m_accessibility, m_texts.stopKeys, m_texts.pasteNextHint});
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

void PasteStackCoordinator::pasteNext(PasteNextDone done) {
    m_pasteRequests.push_back(std::move(done));
    if (m_pasteRequests.size() == 1)
        serveNextPasteRequest();
}

void PasteStackCoordinator::serveNextPasteRequest() {
    if (m_pasteRequests.empty())
        return;
    if (!m_stack.isActive()) {
        finishPasteRequest({PasteNextResult::noRun});
        return;
    }
    const int index = m_stack.currentIndex();
    const qsizetype count = m_stack.stackItems().size();
    if (!m_stack.hasNext()) {
        finishPasteRequest({PasteNextResult::noItem, index, count});
        return;
    }
    m_accessibility.checkAccess();
    if (!m_keystrokes || !m_accessibility.isAccessibilityGranted()) {
        finishPasteRequest({PasteNextResult::keysNotSent, index + 1, count});
        return;
    }
    // The item is on the clipboard already: every capture and every move
    // of the run puts the next one there. The keys go to the window in
    // front now, the one whose key binding asked for them.
    m_keystrokes->rememberTargetWindow();
    QPointer<PasteStackCoordinator> self = this;
    m_keystrokes->sendPasteKeystroke([self, index, count](bool sent) {
        if (!self)
            return;
        if (!sent) {
            self->finishPasteRequest({PasteNextResult::keysNotSent, index + 1, count});
            return;
        }
        QTimer::singleShot(StackPasteMatcher::advanceDelay, self, [self, index, count] {
            // The user's own paste (where it is watched) or a stop may have
            // moved the run meanwhile; only this item's paste moves it here.
            if (self->m_stack.isActive() && self->m_stack.currentIndex() == index) {
                self->m_stack.advance();
                self->loadCurrentItem();
            }
            self->finishPasteRequest({PasteNextResult::pasted, index + 1, count});
        });
    });
}

void PasteStackCoordinator::finishPasteRequest(const PasteNextOutcome& outcome) {
    const PasteNextDone done = std::move(m_pasteRequests.front());
    m_pasteRequests.pop_front();
    if (done)
        done(outcome);
    // The next request from the event loop, so a caller's reply goes first.
    if (!m_pasteRequests.empty())
        QTimer::singleShot(0, this, &PasteStackCoordinator::serveNextPasteRequest);
}

void PasteStackCoordinator::pasteNextFromKey(UserNotifier* notifier) {
    pasteNext([notifier](const PasteNextOutcome& outcome) {
        // Only a paste that leaves the item waiting needs the user: pressed
        // with no run, or with nothing left, the key does nothing.
        if (outcome.result != PasteNextResult::keysNotSent)
            return;
        qCInfo(lcCore) << "Quillbox: no paste keys were sent; the stack's item is on the clipboard";
        if (notifier)
            notifier->notify(QStringLiteral("Quillbox"), PasteService::pasteByHandText());
    });
}

QString PasteStackCoordinator::pasteNextHint(bool pasteKeyIsWatched,
                                             const std::optional<QString>& keys) {
    if (pasteKeyIsWatched)
        return {};
    if (keys)
        return QStringLiteral("Press %1 to paste the next item").arg(*keys);
    return QStringLiteral("Run quillbox paste-next to paste the next item");
}

} // namespace quillbox
