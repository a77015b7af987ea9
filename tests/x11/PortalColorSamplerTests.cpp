#include "PrivateBus.h"
#include "X11TestEnvironment.h"
#include "content/ColorHex.h"
#include "linux/desktop/PortalColorSampler.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

// A stand-in for the desktop portal's Screenshot interface: answers
// PickColor with a request handle and, a moment later, the Response signal
// on that request, as xdg-desktop-portal does.
class FakeScreenshotPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit FakeScreenshotPortal(const QString& connectionName)
        : m_connectionName(connectionName) {}

    uint response = 0;
    std::optional<QColor> color;
    int calls = 0;

public Q_SLOTS:
    QDBusObjectPath PickColor(const QString& parentWindow, const QVariantMap& options,
                              const QDBusMessage& message) {
        Q_UNUSED(parentWindow);
        ++calls;
        QString sender = message.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = u"/org/freedesktop/portal/desktop/request/"_qs + sender + u'/' +
                             options.value(u"handle_token"_qs).toString();
        QTimer::singleShot(20ms, this, [this, path] { respond(path); });
        return QDBusObjectPath(path);
    }

private:
    void respond(const QString& path) {
        QVariantMap results;
        if (color) {
            QDBusArgument rgb;
            rgb.beginStructure();
            rgb << color->redF() << color->greenF() << color->blueF();
            rgb.endStructure();
            results.insert(u"color"_qs, QVariant::fromValue(rgb));
        }
        QDBusMessage signal =
            QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_qs, u"Response"_qs);
        signal << response << results;
        QDBusConnection(m_connectionName).send(signal);
    }

    QString m_connectionName;
};

class PortalColorSamplerTest : public ::testing::Test {
protected:
    const QString clientName = u"quillbox-test-client"_qs;
    const QString portalName = u"quillbox-test-portal"_qs;
    PrivateBus bus;
    std::unique_ptr<FakeScreenshotPortal> portal;
    QList<std::optional<QColor>> reports;

    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty());
        ASSERT_TRUE(QDBusConnection::connectToBus(bus.address(), clientName).isConnected());
        ASSERT_TRUE(QDBusConnection::connectToBus(bus.address(), portalName).isConnected());
    }
    void TearDown() override {
        portal.reset();
        QDBusConnection::disconnectFromBus(clientName);
        QDBusConnection::disconnectFromBus(portalName);
    }

    void servePortal() {
        portal = std::make_unique<FakeScreenshotPortal>(portalName);
        QDBusConnection connection(portalName);
        ASSERT_TRUE(connection.registerObject(u"/org/freedesktop/portal/desktop"_qs, portal.get(),
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService(u"org.freedesktop.portal.Desktop"_qs));
    }
};

// One row per answer the portal gives, or none when it is missing. Each row
// samples twice while the portal is there, so a sampler left waiting after
// an answer shows.
struct PortalCase {
    const char* name;
    bool portalOnTheBus;
    uint response;
    std::optional<QColor> color;
    std::optional<QString> expected; // hex code; none: no colour reported
};

class PortalAnswer : public PortalColorSamplerTest,
                     public ::testing::WithParamInterface<PortalCase> {};

TEST_P(PortalAnswer, IsReportedOncePerRequest) {
    const auto& row = GetParam();
    if (row.portalOnTheBus) {
        servePortal();
        portal->response = row.response;
        portal->color = row.color;
    }
    PortalColorSampler sampler(clientName);
    ASSERT_TRUE(sampler.isAvailable()); // unknown until asked
    // A missing portal is asked once; the fallback sampler takes over after.
    for (int request = 1; request <= (row.portalOnTheBus ? 2 : 1); ++request) {
        SCOPED_TRACE(request);
        reports.clear();
        sampler.sample([this](std::optional<QColor> color) { reports.append(color); });
        EXPECT_TRUE(reports.isEmpty()); // never before sample() returns
        ASSERT_TRUE(waitUntil([&] { return !reports.isEmpty(); }, 10s));
        ASSERT_EQ(reports.size(), 1);
        EXPECT_EQ(reports.first() ? std::optional(hexString(*reports.first())) : std::nullopt,
                  row.expected);
        // Without a portal the sampler gives way to the fallback.
        EXPECT_EQ(sampler.isAvailable(), row.portalOnTheBus);
        EXPECT_EQ(portal ? portal->calls : request, request);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , PortalAnswer,
    ::testing::Values(PortalCase{"colour", true, 0, QColor(0x1E, 0x90, 0xFF), u"#1E90FF"_qs},
                      PortalCase{"cancelled", true, 1, QColor(Qt::red), std::nullopt},
                      PortalCase{"failed", true, 2, QColor(Qt::red), std::nullopt},
                      PortalCase{"success_without_a_colour", true, 0, std::nullopt, std::nullopt},
                      PortalCase{"no_portal_on_the_bus", false, 0, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

#include "PortalColorSamplerTests.moc"
