#include "core/SoundManager.h"

#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "ports/SoundPlayer.h"

namespace quillbox {

SoundManager::SoundManager(SoundPlayer& player, Preferences& preferences)
    : m_player(player)
    , m_preferences(preferences) {
}

void SoundManager::playCopySound() {
    playIfEnabled(copySoundName);
}

void SoundManager::playPasteSound() {
    playIfEnabled(pasteSoundName);
}

void SoundManager::playIfEnabled(const QString& name) {
    if (m_preferences.boolValue(AppConstants::Keys::soundEnabled))
        m_player.play(name);
}

} // namespace quillbox
