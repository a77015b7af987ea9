#include "linux/desktop/PortalColorSampler.h"

#include "content/Logging.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>

namespace quillbox {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Responses of a portal Request.
constexpr uint responseSuccess = 0;
constexpr uint responseCancelled = 1;

// Errors that mean there is no portal, or none with a colour picker, rather
// than a failure of this one request.
bool meansAbsent(QDBusError::ErrorType type) {
    switch (type) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
    case QDBusError::NotSupported:
        return true;
    default:
        return false;
    }
}

// The portal announces its Request object at a path it derives from our
// unique bus name (":1.42" → "1_42") and the token we choose, so we can
// listen there before calling and miss no early reply.
QString requestPath(const QString& uniqueName, const QString& token) {
    QString sender = uniqueName;
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

std::optional<QColor> colorFrom(const QVariantMap& results) {
    const QVariant value = results.value(QStringLiteral("color"));
    if (!value.canConvert<QDBusArgument>())
        return std::nullopt;
    const auto argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType)
        return std::nullopt;
    double red = 0, green = 0, blue = 0;
    argument.beginStructure();
    argument >> red >> green >> blue;
    argument.endStructure();
    const auto unit = [](double component) { return std::clamp(component, 0.0, 1.0); };
    return QColor::fromRgbF(static_cast<float>(unit(red)), static_cast<float>(unit(green)),
                            static_cast<float>(unit(blue)));
}

} // namespace

PortalColorSampler::PortalColorSampler(QObject* parent)
    : PortalColorSampler(QDBusConnection::sessionBus().name(), parent) {
}

PortalColorSampler::PortalColorSampler(const QString& connectionName, QObject* parent)
    : QObject(parent)
    , m_connectionName(connectionName) {
}

bool PortalColorSampler::isAvailable() const {
    return !m_isAbsent && QDBusConnection(m_connectionName).isConnected();
}

void PortalColorSampler::sample(Completion completion) {
    if (m_isBusy || !isAvailable()) {
        if (!m_isBusy && !m_isAbsent)
            markAbsent(QStringLiteral("no session bus"));
        QTimer::singleShot(0, this, [completion] { completion(std::nullopt); });
        return;
    }
    m_isBusy = true;
    m_completion = std::move(completion);

    QDBusConnection bus(m_connectionName);
    const QString token = QStringLiteral("quillbox%1_%2")
                              .arg(++m_tokenCounter)
                              .arg(QRandomGenerator::global()->generate());
    subscribe(requestPath(bus.baseService(), token));

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, screenshotInterface, QStringLiteral("PickColor"));
    call << QString() << QVariantMap{{QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const quint64 request = m_tokenCounter;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                // A late reply of an earlier request must not redirect the
                // current one.
                if (!m_isBusy || request != m_tokenCounter)
                    return;
                if (reply.isError()) {
                    const QDBusError error = reply.error();
                    if (meansAbsent(error.type())) {
                        markAbsent(error.name());
                    } else {
                        qCWarning(lcCore, "Quillbox: the colour picker portal failed: %s",
                                  qPrintable(error.message()));
                    }
                    finish(std::nullopt);
                    return;
                }
                // Portals older than the handle_token option choose their own
                // path; listen there instead.
                const QString path = reply.value().path();
                if (path != m_requestPath)
                    subscribe(path);
            });
}

void PortalColorSampler::subscribe(const QString& path) {
    unsubscribe();
    m_requestPath = path;
    QDBusConnection(m_connectionName)
        .connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));
}

void PortalColorSampler::unsubscribe() {
    if (m_requestPath.isEmpty())
        return;
    QDBusConnection(m_connectionName)
        .disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"),
                    this, SLOT(onResponse(uint, QVariantMap)));
    m_requestPath.clear();
}

void PortalColorSampler::onResponse(uint response, const QVariantMap& results) {
    if (!m_isBusy)
        return;
    if (response == responseSuccess) {
        const auto color = colorFrom(results);
        if (!color)
            qCWarning(lcCore, "Quillbox: the colour picker portal answered without a colour");
        finish(color);
        return;
    }
    if (response != responseCancelled)
        qCWarning(lcCore, "Quillbox: the colour picker portal ended with response %u", response);
    finish(std::nullopt);
}

void PortalColorSampler::finish(std::optional<QColor> color) {
    unsubscribe();
    m_isBusy = false;
    const Completion completion = std::exchange(m_completion, {});
    if (completion)
        completion(color);
}

void PortalColorSampler::markAbsent(const QString& reason) {
    m_isAbsent = true;
    qCInfo(lcCore, "Quillbox: no colour picker portal (%s); using Quillbox's own sampler",
           qPrintable(reason));
}

} // namespace quillbox
