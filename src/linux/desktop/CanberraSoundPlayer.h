#pragma once

#include "ports/SoundPlayer.h"

#include <QByteArray>
#include <atomic>
#include <memory>
#include <optional>

class QThread;

namespace quillbox {

class CanberraSoundWorker;

// Plays named sounds as freedesktop sound-theme events through libcanberra.
// All libcanberra calls run on a thread of their own: connecting to a sound
// server, or finding none, may take a while, and play() must return at once.
class CanberraSoundPlayer : public SoundPlayer {
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(const QString& name) override;

    // The sound-theme event id for a sound name ("Pop" → message-new-instant),
    // or none for a name the desktop has no sound for.
    static std::optional<QByteArray> eventID(const QString& name);

private:
    QThread* m_thread = nullptr;
    CanberraSoundWorker* m_worker = nullptr;
    // Sounds handed to the worker and not yet started; beyond a few, new ones
    // are dropped rather than queued behind a stuck sound server.
    std::shared_ptr<std::atomic<int>> m_pending = std::make_shared<std::atomic<int>>(0);
};

} // namespace quillbox
