#include "FakeColorSampler.h"
#include "content/PasteboardTypes.h"
#include "core/FallbackColorSampler.h"
#include "core/PasteboardSnapshot.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace quillbox;
using quillbox::testing::FakeColorSampler;

using Reports = QList<std::optional<QColor>>;

TEST(FallbackColorSampler, UsesThePortalUntilItTurnsOutMissingThenTheOverlayForTheSameRequest) {
    FakeColorSampler portal, overlay;
    FallbackColorSampler sampler(portal, overlay);
    Reports reports;
    const auto report = [&](std::optional<QColor> color) { reports.append(color); };

    sampler.sample(report);
    ASSERT_TRUE(portal.pick(QColor(Qt::red)));
    sampler.sample(report);
    ASSERT_TRUE(portal.cancel()); // a cancel is not a missing portal
    sampler.sample(report);
    ASSERT_TRUE(portal.reportMissing());
    EXPECT_EQ(reports, (Reports{QColor(Qt::red), std::nullopt}));
    ASSERT_TRUE(overlay.pick(QColor(Qt::blue)));
    EXPECT_EQ(reports, (Reports{QColor(Qt::red), std::nullopt, QColor(Qt::blue)}));

    sampler.sample(report);
    EXPECT_EQ(portal.sampleCount(), 3);
    EXPECT_EQ(overlay.sampleCount(), 2);
}

TEST(FallbackColorSampler, WithNoSamplerAtAllReportsNothingAfterReturning) {
    FakeColorSampler portal, overlay;
    portal.setAvailable(false);
    overlay.setAvailable(false);
    FallbackColorSampler sampler(portal, overlay);
    Reports reports;

    sampler.sample([&](std::optional<QColor> color) { reports.append(color); });
    EXPECT_TRUE(reports.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(reports, Reports{std::nullopt});
}

// Its single-colour use is covered through the colour picker.
TEST(PasteboardSnapshot, GathersFileURLsOfEveryItemAndSkipsOtherSchemes) {
    PasteboardItem first, second;
    first.setString(u"file:///tmp/a%20b.txt"_qs, PasteboardType::fileURL);
    second.setString(u"https://example.org/x\nfile:///tmp/c.txt"_qs, PasteboardType::fileURL);
    const PasteboardSnapshot snapshot({first, second});
    EXPECT_EQ(snapshot.fileURLs(),
              (QList<QUrl>{QUrl(u"file:///tmp/a%20b.txt"_qs), QUrl(u"file:///tmp/c.txt"_qs)}));
}
