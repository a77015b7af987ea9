#pragma once

#include "ports/AccessProbe.h"
#include "ports/ColorSampler.h"
#include "ports/FrontmostApplicationSource.h"
#include "ports/Pasteboard.h"
#include "ports/SoundPlayer.h"

#include <memory>
#include <vector>

namespace quillbox {

// The desktop's implementations of the ports, chosen in one place:
// makeLinuxPlatform() for the real program, fakes in tests.
struct AppPlatform {
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<FrontmostApplicationSource> frontmostApplications;
    std::unique_ptr<SoundPlayer> soundPlayer;
    std::unique_ptr<AccessProbe> accessProbe;
    // What colorSampler is built from (the desktop's sampler and our own);
    // declared first so that it goes last.
    std::vector<std::unique_ptr<ColorSampler>> colorSamplerParts;
    std::unique_ptr<ColorSampler> colorSampler;
};

// X11 clipboard and active window, libcanberra sounds, XTest access, and the
// portal's colour picker with Quillbox's own overlay where there is no portal.
AppPlatform makeLinuxPlatform();

} // namespace quillbox
