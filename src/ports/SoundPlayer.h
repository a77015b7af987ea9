#pragma once

#include <QString>

namespace quillbox {

// Plays the desktop's short feedback sounds by name ("Pop", "Tink").
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Starts the named sound and returns at once; a name the desktop does not
    // know, or a machine without audio, plays nothing.
    virtual void play(const QString& name) = 0;
};

} // namespace quillbox
