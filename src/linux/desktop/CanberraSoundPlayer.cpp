#include "linux/desktop/CanberraSoundPlayer.h"

#include "content/AppConstants.h"
#include "content/Logging.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <canberra.h>
#include <chrono>

namespace quillbox {

namespace {

constexpr int maxPendingSounds = 4;
// After the sound system failed to open, it is tried again only this much later.
constexpr auto contextRetryDelay = std::chrono::seconds(30);
// How long quitting waits for the sound thread before leaving it behind.
constexpr auto shutdownWait = std::chrono::seconds(1);

} // namespace

// Owns the libcanberra context; lives on the player's thread.
class CanberraSoundWorker : public QObject {
public:
    ~CanberraSoundWorker() override {
        if (m_context)
            ca_context_destroy(m_context);
    }

    void play(const QByteArray& eventID) {
        if (!ensureContext())
            return;
        // Returns once the sound has started; the sound plays on in the
        // sound server.
        const int result = ca_context_play(m_context, 0, CA_PROP_EVENT_ID, eventID.constData(),
                                           CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", nullptr);
        if (result == CA_SUCCESS)
            return;
        if (!m_playFailureLogged) {
            m_playFailureLogged = true;
            qCWarning(lcCore, "Quillbox: could not play sound %s: %s", eventID.constData(),
                      ca_strerror(result));
        }
        // Without a sound device every attempt fails alike (and the ALSA
        // backend prints its complaint each time), so wait before retrying.
        backOff();
    }

private:
    bool ensureContext() {
        if (m_context)
            return true;
        if (m_lastFailure.isValid() &&
            m_lastFailure.elapsed() < std::chrono::milliseconds(contextRetryDelay).count())
            return false;
        int result = ca_context_create(&m_context);
        if (result == CA_SUCCESS) {
            const QByteArray appName = AppConstants::applicationName.toUtf8();
            const QByteArray appID = AppConstants::applicationID.toUtf8();
            ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, appName.constData(),
                                    CA_PROP_APPLICATION_ID, appID.constData(), nullptr);
            result = ca_context_open(m_context);
        }
        if (result == CA_SUCCESS)
            return true;
        if (!m_openFailureLogged) {
            m_openFailureLogged = true;
            qCWarning(lcCore, "Quillbox: sounds are unavailable: %s", ca_strerror(result));
        }
        backOff();
        return false;
    }

    void backOff() {
        if (m_context) {
            ca_context_destroy(m_context);
            m_context = nullptr;
        }
        m_lastFailure.start();
    }

    ca_context* m_context = nullptr;
    QElapsedTimer m_lastFailure;
    bool m_openFailureLogged = false;
    bool m_playFailureLogged = false;
};

CanberraSoundPlayer::CanberraSoundPlayer()
    : m_thread(new QThread)
    , m_worker(new CanberraSoundWorker) {
    m_thread->setObjectName(QStringLiteral("QuillboxSounds"));
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

CanberraSoundPlayer::~CanberraSoundPlayer() {
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(shutdownWait))) {
        delete m_thread;
        return;
    }
    // A sound server that does not answer holds the thread; the process is
    // ending, so the thread and its worker are left behind rather than
    // destroyed while running.
    qCWarning(lcCore, "Quillbox: the sound thread did not stop; leaving it");
}

std::optional<QByteArray> CanberraSoundPlayer::eventID(const QString& name) {
    if (name == u"Pop")
        return QByteArrayLiteral("message-new-instant");
    if (name == u"Tink")
        return QByteArrayLiteral("audio-volume-change");
    return std::nullopt;
}

void CanberraSoundPlayer::play(const QString& name) {
    const auto id = eventID(name);
    if (!id)
        return;
    if (m_pending->load() >= maxPendingSounds)
        return;
    ++*m_pending;
    // The counter is shared: a worker left behind at exit may still run this.
    QMetaObject::invokeMethod(
        m_worker,
        [pending = m_pending, worker = m_worker, id = *id] {
            --*pending;
            worker->play(id);
        },
        Qt::QueuedConnection);
}

} // namespace quillbox
