#pragma once

#include <QString>

namespace quillbox {

class Preferences;
class SoundPlayer;

// The two feedback sounds, each subject to the `soundEnabled` preference,
// which is read at every call so a change in the settings applies at once.
class SoundManager {
public:
    static inline const QString copySoundName = QStringLiteral("Pop");
    static inline const QString pasteSoundName = QStringLiteral("Tink");

    SoundManager(SoundPlayer& player, Preferences& preferences);

    // After new content entered the history (a copy, a picked colour).
    void playCopySound();
    // After a paste.
    void playPasteSound();

private:
    void playIfEnabled(const QString& name);

    SoundPlayer& m_player;
    Preferences& m_preferences;
};

} // namespace quillbox
