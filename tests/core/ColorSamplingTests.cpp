#include "FakeColorSampler.h"
#include "content/PasteboardTypes.h"
#include "core/FallbackColorSampler.h"
#include "core/PasteboardSnapshot.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace quillbox;
using quillbox::testing::FakeColorSampler;

namespace {

struct Reports {
    QList<std::optional<QColor>> received;
    ColorSampler::Completion completion() {
        return [this](std::optional<QColor> color) { received.append(color); };
    }
};

} // namespace

TEST(FallbackColorSampler, UsesThePreferredSamplerWhileItIsThere) {
    FakeColorSampler portal, overlay;
    FallbackColorSampler sampler(portal, overlay);
    Reports reports;

    sampler.sample(reports.completion());
    ASSERT_TRUE(portal.pick(QColor(Qt::red)));
    sampler.sample(reports.completion());
    ASSERT_TRUE(portal.cancel());

    EXPECT_EQ(overlay.sampleCount(), 0);
    EXPECT_EQ(reports.received, (QList<std::optional<QColor>>{QColor(Qt::red), std::nullopt}));
}

TEST(FallbackColorSampler, AMissingPortalHandsTheSameRequestToTheFallbackAndIsNotAskedAgain) {
    FakeColorSampler portal, overlay;
    FallbackColorSampler sampler(portal, overlay);
    Reports reports;

    sampler.sample(reports.completion());
    ASSERT_TRUE(portal.reportMissing());
    EXPECT_TRUE(reports.received.isEmpty());
    ASSERT_TRUE(overlay.pick(QColor(Qt::blue)));
    EXPECT_EQ(reports.received, QList<std::optional<QColor>>{QColor(Qt::blue)});

    sampler.sample(reports.completion());
    EXPECT_EQ(portal.sampleCount(), 1);
    EXPECT_EQ(overlay.sampleCount(), 2);
}

TEST(FallbackColorSampler, WithNoSamplerAtAllReportsNothingAfterReturning) {
    FakeColorSampler portal, overlay;
    portal.setAvailable(false);
    overlay.setAvailable(false);
    FallbackColorSampler sampler(portal, overlay);
    Reports reports;

    sampler.sample(reports.completion());
    EXPECT_TRUE(reports.received.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.received, QList<std::optional<QColor>>{std::nullopt});
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
