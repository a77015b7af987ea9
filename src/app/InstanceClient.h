#pragma once

#include "app/CommandLine.h"
#include "app/CommandResult.h"

#include <QString>
#include <chrono>
#include <optional>

namespace quillbox {

// The command line's end of the per-user socket: sends one command to the
// running instance and waits for its answer. Runs in the short-lived client
// process, which may block; the application never uses it.
class InstanceClient {
public:
    explicit InstanceClient(QString socketPath);

    // Whether an instance accepts connections at the path.
    bool isInstanceRunning() const;

    // The instance's answer; none when no instance runs. A lost or garbled
    // answer comes back as a failure with the reason.
    std::optional<CommandResult> send(const Command& command,
                                      std::optional<std::chrono::milliseconds> timeout) const;

private:
    QString m_socketPath;
};

} // namespace quillbox
