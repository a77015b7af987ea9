#include "linux/desktop/PortalColorSampler.h"

#include "content/Logging.h"
#include "linux/desktop/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QTimer>
#include <algorithm>

namespace quillbox {

namespace {

const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");

// Responses of a portal Request.
constexpr uint responseCancelled = 1;

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
    PortalRequest::send(m_connectionName, screenshotInterface, QStringLiteral("PickColor"),
                        {QString()}, {}, this,
                        [this](const PortalRequest::Outcome& outcome) { onOutcome(outcome); });
}

void PortalColorSampler::onOutcome(const PortalRequest::Outcome& outcome) {
    using Kind = PortalRequest::Outcome::Kind;
    if (outcome.kind == Kind::absent) {
        markAbsent(outcome.error);
    } else if (outcome.kind == Kind::failed) {
        qCWarning(lcCore, "Quillbox: the colour picker portal failed: %s",
                  qPrintable(outcome.error));
    } else if (outcome.isSuccess()) {
        const auto color = colorFrom(outcome.results);
        if (!color)
            qCWarning(lcCore, "Quillbox: the colour picker portal answered without a colour");
        finish(color);
        return;
    } else if (outcome.response != responseCancelled) {
        qCWarning(lcCore, "Quillbox: the colour picker portal ended with response %u",
                  outcome.response);
    }
    finish(std::nullopt);
}

void PortalColorSampler::finish(std::optional<QColor> color) {
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
