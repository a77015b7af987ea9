#pragma once

#include "app/CommandLine.h"
#include "app/CommandResult.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace quillbox {

// The command line's end of the per-user socket: sends one command to the
// running instance and waits for its answer. Runs in the short-lived client
// process, which may block; the application never uses it.
class InstanceClient {
public:
    using Progress = std::function<void(const QString& line)>;
    using Output = std::function<void(const QByteArray& bytes)>;

    explicit InstanceClient(QString socketPath);

    // Whether an instance accepts connections at the path.
    bool isInstanceRunning() const;

    // The instance's answer; none when no instance runs. The timeout counts
    // silence: every progress line or keep-alive starts it again, so a long
    // command is waited for as long as the instance works on it. Progress
    // lines go to `progress`; streamed output to `output` (without one, it is
    // put before the result's output). A lost or garbled answer, or a socket
    // of another user, comes back as a failure with the reason.
    std::optional<CommandResult> send(const Command& command,
                                      std::optional<std::chrono::milliseconds> timeout,
                                      const Progress& progress = {},
                                      const Output& output = {}) const;

private:
    QString m_socketPath;
};

} // namespace quillbox
