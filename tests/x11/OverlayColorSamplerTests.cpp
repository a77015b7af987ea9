// Quillbox's own colour sampler under Xvfb. Picking a colour by a click is
// covered end to end (pick-color of the built program); here, cancelling.
#include "X11TestEnvironment.h"
#include "ui/ColorSamplerOverlay.h"
#include "ui/OverlayColorSampler.h"

#include <QWindow>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

TEST(OverlayColorSampler, EscapeCancelsAndASecondRequestMeanwhileGetsNothing) {
    OverlayColorSampler sampler;
    QList<std::optional<QColor>> reports;
    sampler.sample([&](std::optional<QColor> color) { reports.append(color); });
    ASSERT_TRUE(waitUntil([&] {
        const auto overlays = sampler.overlays();
        return !overlays.isEmpty() && overlays.first()->windowHandle() &&
               overlays.first()->windowHandle()->isExposed();
    }));
    serveFor(200ms); // the keyboard grab follows the mapping

    QList<std::optional<QColor>> secondReports;
    sampler.sample([&](std::optional<QColor> color) { secondReports.append(color); });
    ASSERT_TRUE(waitUntil([&] { return !secondReports.isEmpty(); }));
    EXPECT_EQ(secondReports, QList<std::optional<QColor>>{std::nullopt});
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_FALSE(sampler.overlays().isEmpty());

    ASSERT_EQ(xdotool({u"key"_qs, u"Escape"_qs}).exitCode, 0);
    ASSERT_TRUE(waitUntil([&] { return !reports.isEmpty(); }));
    EXPECT_EQ(reports, QList<std::optional<QColor>>{std::nullopt});
    EXPECT_TRUE(waitUntil([&] { return sampler.overlays().isEmpty(); }));
}
