#pragma once

#include "core/PanelWindowPort.h"

#include <QObject>
#include <memory>

namespace quillbox {

class CardDelegate;
class PanelContentView;
class PreviewImageCache;
class PanelKeyFilter;
class PanelWindow;
class WindowHints;

// The history panel as the application sees it: its window with the
// content, the cards' painting and menu, and the panel's keys, put together.
class HistoryPanel : public QObject, public PanelWindowPort {
    Q_OBJECT
public:
    HistoryPanel(const PanelSetup& setup, WindowHints* hints, QObject* parent = nullptr);
    ~HistoryPanel() override;

    void showPanel() override;
    void hidePanel() override;
    bool isShowing() const override;

    PanelWindow* window() const { return m_window.get(); }
    PanelContentView* content() const { return m_content; }
    PanelKeyFilter* keyFilter() const { return m_keyFilter; }
    CardDelegate* cardDelegate() const { return m_delegate; }
    PreviewImageCache* previewImages() const { return m_images; }

private:
    void openCardMenu(int row, const QPoint& globalPosition);

    PanelSetup m_setup;
    PanelContentView* m_content = nullptr;
    PreviewImageCache* m_images = nullptr;
    CardDelegate* m_delegate = nullptr;
    std::unique_ptr<PanelWindow> m_window;
    WindowHints* m_hints;
    PanelKeyFilter* m_keyFilter = nullptr;
};

} // namespace quillbox
