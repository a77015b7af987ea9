#pragma once

#include "ChildProcess.h"
#include "SwaySession.h"
#include "Waiting.h"

#include <chrono>
#include <memory>

namespace quillbox::testing {

// What the Wayland tests share: the compositor their program started.
class WaylandTestEnvironment {
public:
    static void setSession(SwaySession* session) { s_session = session; }
    static SwaySession& session() { return *s_session; }

private:
    inline static SwaySession* s_session = nullptr;
};

// Copies with wl-copy, which forks and serves the selection in the background
// until another copy replaces it; answers once the copy is in place.
inline bool wlCopy(const QByteArray& data, const QStringList& options = {}) {
    const RunResult result =
        runCommand(QStringLiteral("wl-copy"), options, std::chrono::seconds(10),
                   WaylandTestEnvironment::session().environment(), data);
    return result.exitCode == 0 && !result.timedOut;
}

// Another client's view of the clipboard: wl-paste for a MIME type (or its
// choice), run without blocking our event loop (we may be the source it asks).
inline QByteArray wlPaste(const QStringList& options = {QStringLiteral("--no-newline")},
                          std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    ChildProcess paste(QStringLiteral("wl-paste"), options,
                       WaylandTestEnvironment::session().environment());
    QByteArray output;
    if (!paste.waitStarted())
        return output;
    waitUntil(
        [&] {
            output += paste.readAllStandardOutput();
            return !paste.isRunning();
        },
        timeout);
    return output + paste.readAllStandardOutput();
}

} // namespace quillbox::testing
