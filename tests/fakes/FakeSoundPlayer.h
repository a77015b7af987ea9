#pragma once

#include "ports/SoundPlayer.h"

#include <QStringList>

namespace quillbox::testing {

// Records the name of every sound asked for, known or not.
class FakeSoundPlayer : public SoundPlayer {
public:
    void play(const QString& name) override { m_played.append(name); }
    const QStringList& played() const { return m_played; }

private:
    QStringList m_played;
};

} // namespace quillbox::testing
