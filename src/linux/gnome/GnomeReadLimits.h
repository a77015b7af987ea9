#pragma once

#include <QtGlobal>
#include <chrono>

namespace quillbox {

// How much and how long one copy's representations may take.
struct GnomeReadLimits {
    // Until a pipe's first bytes, and between two of its writes.
    std::chrono::milliseconds idleTimeout{1000};
    // For one copy's representations altogether.
    std::chrono::milliseconds totalTimeout{15000};
    // Representations larger than this are left out.
    qsizetype maximumRepresentationSize = qsizetype(256) * 1024 * 1024;
};

} // namespace quillbox
