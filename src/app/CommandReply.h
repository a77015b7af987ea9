#pragma once

#include "app/CommandResult.h"

#include <QByteArray>
#include <QString>
#include <concepts>
#include <functional>
#include <memory>

namespace quillbox {

// Where a command's answer goes. Besides the final result, a long command
// may send progress lines (standard error) and stream its standard output in
// pieces, pacing itself by whenDrained() so that a slow reader never makes
// the instance hold the whole output. Cheap to copy; copies share the channel.
class CommandReply {
public:
    // What carries the answer out. Absent parts fall back: progress is
    // dropped, output is kept and put before the final result's output, and
    // whenDrained runs the next step from the event loop.
    struct Channel {
        std::function<void(const CommandResult&)> finish;
        std::function<void(const QString&)> progress;
        std::function<void(const QByteArray&)> write;
        std::function<void(std::function<void()>)> whenDrained;
    };

    explicit CommandReply(std::shared_ptr<Channel> channel);
    // Only a final result, as tests and simple callers want it.
    template <typename Finish>
    requires std::invocable<Finish, const CommandResult&> &&
        (!std::same_as<std::decay_t<Finish>, CommandReply>)CommandReply(Finish finish)
        : CommandReply(makeChannel(std::function<void(const CommandResult&)>(std::move(finish)))) {}

    void operator()(const CommandResult& result) const;
    void progress(const QString& line) const;
    void write(const QByteArray& bytes) const;
    // Runs `next` once what was written so far has mostly gone out.
    void whenDrained(std::function<void()> next) const;

private:
    static std::shared_ptr<Channel> makeChannel(std::function<void(const CommandResult&)> finish);

    std::shared_ptr<Channel> m_channel;
    std::shared_ptr<QByteArray> m_pendingOutput; // written without a channel for it
};

} // namespace quillbox
