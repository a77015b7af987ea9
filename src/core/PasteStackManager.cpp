#include "core/PasteStackManager.h"

namespace quillbox {

PasteStackManager::PasteStackManager(QObject* parent)
    : QObject(parent) {
}

bool PasteStackManager::hasNext() const {
    return m_isActive && m_currentIndex < m_stackItems.size();
}

void PasteStackManager::activate() {
    setActive(true);
    clearItems();
    setCurrentIndex(0);
}

void PasteStackManager::deactivate() {
    setActive(false);
    clearItems();
    setCurrentIndex(0);
}

void PasteStackManager::toggle() {
    if (m_isActive)
        deactivate();
    else
        activate();
}

void PasteStackManager::addItem(const ClipboardItemPtr& item) {
    if (!m_isActive)
        return;
    m_stackItems.append(item);
    Q_EMIT stackItemsChanged();
}

void PasteStackManager::advance() {
    if (!hasNext())
        return;
    setCurrentIndex(m_currentIndex + 1);
    if (m_currentIndex >= m_stackItems.size())
        deactivate();
}

void PasteStackManager::setActive(bool active) {
    m_isActive = active;
    Q_EMIT isActiveChanged(active);
}

void PasteStackManager::clearItems() {
    m_stackItems.clear();
    Q_EMIT stackItemsChanged();
}

void PasteStackManager::setCurrentIndex(int index) {
    m_currentIndex = index;
    Q_EMIT currentIndexChanged(index);
}

} // namespace quillbox
