#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace quillbox {

// Exit statuses of the command line; --help documents them.
namespace ExitCode {
inline constexpr int success = 0;
inline constexpr int failure = 1;
inline constexpr int usage = 2;
inline constexpr int notRunning = 3;
} // namespace ExitCode

// What a command produced: the text for standard output and standard error
// and the exit status. Travels back from a running instance as JSON.
struct CommandResult {
    int exitCode = ExitCode::success;
    QString output;
    QString error;

    static CommandResult success(const QString& output = {}) {
        return {ExitCode::success, output, {}};
    }
    static CommandResult failure(const QString& error, int exitCode = ExitCode::failure) {
        return {exitCode, {}, error};
    }

    QJsonObject toJson() const;
    static std::optional<CommandResult> fromJson(const QJsonObject& object);
};

} // namespace quillbox
