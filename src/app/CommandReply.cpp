#include "app/CommandReply.h"

#include <QCoreApplication>
#include <QTimer>

namespace quillbox {

CommandReply::CommandReply(std::shared_ptr<Channel> channel)
    : m_channel(std::move(channel))
    , m_pendingOutput(std::make_shared<QByteArray>()) {
}

std::shared_ptr<CommandReply::Channel>
CommandReply::makeChannel(std::function<void(const CommandResult&)> finish) {
    auto channel = std::make_shared<Channel>();
    channel->finish = std::move(finish);
    return channel;
}

void CommandReply::operator()(const CommandResult& result) const {
    if (m_pendingOutput->isEmpty()) {
        m_channel->finish(result);
        return;
    }
    CommandResult joined = result;
    joined.output = QString::fromUtf8(*m_pendingOutput) + result.output;
    m_pendingOutput->clear();
    m_channel->finish(joined);
}

void CommandReply::progress(const QString& line) const {
    if (m_channel->progress)
        m_channel->progress(line);
}

void CommandReply::write(const QByteArray& bytes) const {
    if (m_channel->write)
        m_channel->write(bytes);
    else
        *m_pendingOutput += bytes;
}

void CommandReply::whenDrained(std::function<void()> next) const {
    if (m_channel->whenDrained)
        m_channel->whenDrained(std::move(next));
    else
        QTimer::singleShot(0, QCoreApplication::instance(), std::move(next));
}

} // namespace quillbox
