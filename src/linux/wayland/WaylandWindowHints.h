#pragma once

#include "ports/WindowHints.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

namespace quillbox {

class WaylandInputConnection;

// Quillbox's floating windows on a Wayland compositor, where a client can
// neither place its windows nor refuse the focus. A window of fixed size
// floats on sway (and is not tiled); a window that must not take the
// keyboard gives it back: once the compositor has focused it, the window
// that had the focus before is activated again (foreign-toplevel), within
// a bounded wait.
class WaylandWindowHints : public QObject, public WindowHints {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pollInterval{10};
    static constexpr std::chrono::milliseconds focusTimeout{1000};

    explicit WaylandWindowHints(std::shared_ptr<WaylandInputConnection> connection,
                                QObject* parent = nullptr);

    void prepareToShow(quintptr windowId, const QSize& size) override;
    void markAsFloatingPanel(quintptr windowId) override;
    void markAsNonFocusable(quintptr windowId) override;
    bool isCompositing() const override { return true; }

private:
    void giveFocusBack();

    std::shared_ptr<WaylandInputConnection> m_connection;
    QSet<quintptr> m_nonFocusable;
    std::optional<std::uint32_t> m_focusOwner;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

} // namespace quillbox
