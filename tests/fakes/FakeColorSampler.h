#pragma once

#include "ports/ColorSampler.h"

namespace quillbox::testing {

// A sampler the test answers for the user: sample() only records the
// request; pick() or cancel() reports to the request waiting.
class FakeColorSampler : public ColorSampler {
public:
    bool isAvailable() const override { return m_isAvailable; }
    void sample(Completion completion) override {
        ++m_sampleCount;
        m_pending = std::move(completion);
    }

    // Reports to the waiting request; false when none waits.
    bool pick(const QColor& color) { return report(color); }
    bool cancel() { return report(std::nullopt); }
    // A portal that turns out missing reports nothing and is then unavailable.
    bool reportMissing() {
        m_isAvailable = false;
        return report(std::nullopt);
    }

    void setAvailable(bool available) { m_isAvailable = available; }
    int sampleCount() const { return m_sampleCount; }
    bool isShowing() const { return static_cast<bool>(m_pending); }

private:
    bool report(std::optional<QColor> color) {
        if (!m_pending)
            return false;
        auto completion = std::exchange(m_pending, {});
        completion(color);
        return true;
    }

    bool m_isAvailable = true;
    int m_sampleCount = 0;
    Completion m_pending;
};

} // namespace quillbox::testing
