#pragma once

#include <QColor>
#include <functional>
#include <optional>

namespace quillbox {

// Lets the user pick the colour of any pixel on screen.
class ColorSampler {
public:
    // The picked colour in sRGB, or nothing when the user cancelled or the
    // sampler could not run.
    using Completion = std::function<void(std::optional<QColor>)>;

    virtual ~ColorSampler() = default;

    // Whether this sampler can run on this desktop at all.
    virtual bool isAvailable() const = 0;

    // Shows the sampler and returns at once. The completion runs exactly once,
    // on the main thread, after sample() has returned. A sample() while one is
    // running cancels nothing: it reports nothing at once for the new request.
    virtual void sample(Completion completion) = 0;
};

} // namespace quillbox
