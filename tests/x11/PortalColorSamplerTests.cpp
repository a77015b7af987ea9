#include "PrivateBus.h"
#include "StandInPortal.h"
#include "X11TestEnvironment.h"
#include "content/ColorHex.h"
#include "linux/desktop/PortalColorSampler.h"

#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

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

class PortalAnswer : public ::testing::TestWithParam<PortalCase> {
protected:
    PrivateBus bus;
    const QString clientName = bus.connect(u"quillbox-colour-client"_qs);
    const std::unique_ptr<StandInPortal> portal =
        std::make_unique<StandInPortal>(bus.connect(u"quillbox-colour-portal"_qs));
    QList<std::optional<QColor>> reports;
};

TEST_P(PortalAnswer, IsReportedOncePerRequest) {
    const auto& row = GetParam();
    ASSERT_FALSE(clientName.isEmpty());
    portal->responses.insert(u"PickColor"_qs, row.response);
    portal->pickedColor = row.color;
    if (row.portalOnTheBus) {
        ASSERT_TRUE(portal->serve());
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
        EXPECT_EQ(portal->callsTo(u"PickColor"_qs).size(), row.portalOnTheBus ? request : 0);
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
