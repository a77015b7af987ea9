#include "content/Logging.h"
#include "linux/wayland/DataControl_p.h"
#include "linux/wayland/WaylandClipboardWorker_p.h"
#include "linux/wayland/WaylandConnection_p.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quillbox {

const datacontrol::SourceListener WaylandClipboard::Worker::sourceListener = {
    .send = [](void* data, wl_proxy* source, const char* mimeType,
               std::int32_t fd) { static_cast<Worker*>(data)->onSend(source, mimeType, fd); },
    .cancelled = [](void* data,
                    wl_proxy* source) { static_cast<Worker*>(data)->onCancelled(source); },
};

void WaylandClipboard::Worker::setOwnSelection(std::shared_ptr<const WaylandOffer> offer) {
    wl_proxy* source = datacontrol::createSource(*m_protocol, m_manager);
    datacontrol::addSourceListener(source, &sourceListener, this);
    for (const auto& entry : *offer)
        datacontrol::offer(source, entry.first.constData());
    datacontrol::setSelection(m_device, source);
    m_connection->flush();
    // The previous source stays until the compositor cancels it: a reader
    // may still be asking it.
    m_sources.push_back({source, std::move(offer)});
    m_ownSelectionActive = true;
}

void WaylandClipboard::Worker::onSend(wl_proxy* source, const char* mimeType, int fd) {
    const auto found = std::find_if(m_sources.begin(), m_sources.end(),
                                    [source](const OwnSource& own) { return own.proxy == source; });
    if (found == m_sources.end()) {
        ::close(fd);
        return;
    }
    QByteArray bytes;
    for (const auto& entry : *found->offer) {
        if (entry.first == mimeType) {
            bytes = entry.second;
            break;
        }
    }
    // Never waits on the reader: what it does not take in time is dropped.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    m_sends.push_back({fd, std::move(bytes), 0, Clock::now() + m_limits.sendTimeout});
    writeSend(m_sends.size() - 1);
}

void WaylandClipboard::Worker::writeSend(std::size_t index) {
    Send& send = m_sends[index];
    while (send.written < send.bytes.size()) {
        const ssize_t count = ::write(send.fd, send.bytes.constData() + send.written,
                                      std::size_t(send.bytes.size() - send.written));
        if (count > 0) {
            send.written += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return; // the rest when the reader has taken some
        qCDebug(lcWayland) << "Quillbox: a reader of the clipboard went away:"
                           << std::strerror(errno);
        break;
    }
    ::close(send.fd);
    m_sends.erase(m_sends.begin() + qsizetype(index));
}

void WaylandClipboard::Worker::expireSends(Clock::time_point now) {
    for (std::size_t i = m_sends.size(); i-- > 0;) {
        if (now < m_sends[i].deadline)
            continue;
        qCWarning(lcWayland).nospace()
            << "Quillbox: a reader of the clipboard took only " << m_sends[i].written << " of "
            << m_sends[i].bytes.size() << " bytes within " << m_limits.sendTimeout.count()
            << " ms; given up";
        ::close(m_sends[i].fd);
        m_sends.erase(m_sends.begin() + qsizetype(i));
    }
}

void WaylandClipboard::Worker::onCancelled(wl_proxy* source) {
    const auto found = std::find_if(m_sources.begin(), m_sources.end(),
                                    [source](const OwnSource& own) { return own.proxy == source; });
    if (found == m_sources.end())
        return;
    if (found + 1 == m_sources.end())
        m_ownSelectionActive = false; // another client's selection comes next
    datacontrol::destroySource(source);
    m_sources.erase(found);
}

void WaylandClipboard::Worker::destroySources() {
    for (const OwnSource& own : m_sources)
        datacontrol::destroySource(own.proxy);
    m_sources.clear();
    m_ownSelectionActive = false;
}

} // namespace quillbox
