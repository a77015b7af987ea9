#pragma once

#include "linux/wayland/PasteKeySequence.h"
#include "ports/KeystrokeSender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quillbox {

class WaylandInputConnection;

// Pastes into another Wayland application through a virtual keyboard: once
// Quillbox's own window is gone and the window that was in front before it
// is activated again (asked for through foreign-toplevel, awaited on a
// main-thread timer, bounded), it types Ctrl+V, or a terminal's paste keys
// chosen by its app id. Without a virtual keyboard nothing is typed and the
// outcome says so.
class WaylandKeystrokeSender : public QObject, public KeystrokeSender {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pollInterval{10};
    // How long the compositor gets to give the focus back; the wait ends as
    // soon as it has.
    static constexpr std::chrono::milliseconds focusTimeout{1000};

    explicit WaylandKeystrokeSender(std::shared_ptr<WaylandInputConnection> connection,
                                    QObject* parent = nullptr);
    ~WaylandKeystrokeSender() override;

    void rememberTargetWindow() override;
    void sendPasteKeystroke(Outcome done) override;

private:
    void step();
    void finish(bool sent);

    std::shared_ptr<WaylandInputConnection> m_connection;
    std::optional<PasteKeySequence> m_keys;
    std::optional<std::uint32_t> m_target;
    std::vector<Outcome> m_waiting;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_hasAskedForFocus = false;
};

} // namespace quillbox
