#pragma once

namespace quillbox {

// Whether Quillbox may post synthetic key events into other applications and
// watch their keys: the desktop's permission for it, however it is granted.
class AccessProbe {
public:
    virtual ~AccessProbe() = default;

    // The current state, asked of the desktop each time; never prompts.
    virtual bool isGranted() const = 0;

    // Asks the desktop to grant it (showing its prompt where it has one) and
    // returns the state right after asking; a later grant shows in isGranted().
    virtual bool requestAccess() = 0;
};

} // namespace quillbox
