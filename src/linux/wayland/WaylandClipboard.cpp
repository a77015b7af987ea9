#include "linux/wayland/WaylandClipboard.h"

#include "linux/wayland/DataControl_p.h"
#include "linux/wayland/WaylandClipboardWorker_p.h"
#include "linux/wayland/WaylandConnection_p.h"

namespace quillbox {

namespace {
// The compositor lists its globals within milliseconds; this bounds the one
// wait at start for a compositor that is stuck.
constexpr std::chrono::milliseconds setUpTimeout{2000};
} // namespace

WaylandClipboard::WaylandClipboard(const WaylandReadLimits& limits, QObject* parent)
    : QObject(parent)
    , m_limits(limits) {
}

WaylandClipboard::~WaylandClipboard() {
    stop();
}

bool WaylandClipboard::start() {
    if (m_worker)
        return isAvailable();
    m_worker = std::make_unique<Worker>(*this, m_limits);
    m_thread = std::thread([worker = m_worker.get()] { worker->run(); });
    const bool bound = m_worker->waitForSetUp(setUpTimeout);
    m_managerName = m_worker->managerName();
    return bound;
}

void WaylandClipboard::stop() {
    if (!m_worker)
        return;
    m_worker->requestStop();
    if (m_thread.joinable())
        m_thread.join();
    m_worker.reset();
    m_available = false;
}

QString WaylandClipboard::managerName() const {
    return m_managerName;
}

bool WaylandClipboard::setSelection(std::shared_ptr<const WaylandOffer> offer) {
    if (!m_worker || !isAvailable())
        return false;
    m_worker->post(std::move(offer));
    return true;
}

} // namespace quillbox
