#include "ui/HistoryPanel.h"

#include "core/PanelCommandHandler.h"
#include "core/PanelListModel.h"
#include "history/HistoryStore.h"
#include "ui/CardContextMenu.h"
#include "ui/CardDelegate.h"
#include "ui/CardStripView.h"
#include "ui/FileIcons.h"
#include "ui/PanelContentView.h"
#include "ui/PanelKeyFilter.h"
#include "ui/PanelWindow.h"
#include "ui/PreviewImageCache.h"

#include <QApplication>
#include <QMenu>

namespace quillbox {

HistoryPanel::HistoryPanel(const PanelSetup& setup, WindowHints* hints, QObject* parent)
    : QObject(parent)
    , m_setup(setup)
    , m_hints(hints) {
    m_content = new PanelContentView(PanelViewContext{setup.appState, setup.store, setup.list,
                                                      setup.commands, setup.pasteService,
                                                      setup.clipboardText, setup.pickColor});
    m_images = new PreviewImageCache(this);
    m_delegate = new CardDelegate(*m_images, this);
    m_content->setCardDelegate(m_delegate);
    // A decoded thumbnail repaints its card, if the card is still listed.
    connect(m_images, &PreviewImageCache::imageReady, this, [this](const QUuid& id) {
        if (const int row = m_setup.list.rowOf(id); row >= 0)
            m_content->strip()->update(m_setup.list.index(row, 0));
    });
    // A file's thumbnail or kind arrived: the cards in sight repaint (a file
    // may be on several of them).
    connect(&m_delegate->fileIcons(), &FileIcons::thumbnailReady, this,
            [this] { m_content->strip()->viewport()->update(); });
    m_window = std::make_unique<PanelWindow>(m_content, setup.preferences, hints);
    m_window->onResignKey = [this] {
        if (onResignKey)
            onResignKey();
    };
    m_content->onCardMenu = [this](int row, const QPoint& position) {
        openCardMenu(row, position);
    };
    m_keyFilter = new PanelKeyFilter(setup.appState, m_window.get(), this);
    qApp->installEventFilter(m_keyFilter);
}

HistoryPanel::~HistoryPanel() {
    qApp->removeEventFilter(m_keyFilter);
}

void HistoryPanel::showPanel() {
    m_window->showPanel();
}

void HistoryPanel::hidePanel() {
    m_window->hidePanel();
}

bool HistoryPanel::isShowing() const {
    return m_window->isShowing();
}

void HistoryPanel::openCardMenu(int row, const QPoint& globalPosition) {
    const ClipboardItemPtr item = m_setup.list.itemAt(row);
    if (!item)
        return;
    CardContextMenu::Context context;
    context.item = item;
    context.pinboards = m_setup.store.pinboards();
    context.currentPinboard = m_setup.list.selectedPinboard();
    context.store = &m_setup.store;
    context.pasteService = m_setup.pasteService;
    context.onPaste = [this, item](bool asPlainText) { m_setup.commands.paste(item, asPlainText); };
    context.hints = m_hints;
    QMenu* menu = CardContextMenu::create(context, m_window.get());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

} // namespace quillbox
