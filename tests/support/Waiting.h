#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>

namespace quillbox::testing {

// Serves the event loop until the condition holds or the timeout passes.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Serves the event loop for the whole duration.
inline void serveFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

} // namespace quillbox::testing
