#include "X11TestEnvironment.h"
#include "content/ColorHex.h"
#include "ui/ColorSamplerOverlay.h"
#include "ui/OverlayColorSampler.h"

#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

const QColor patchColor(0x1E, 0x90, 0xFF);
const QRect patchGeometry(100, 100, 200, 150);

// A plain window of one colour at a fixed place: bypassing the window
// manager keeps openbox from moving or decorating it.
class ColorPatch : public QWidget {
public:
    ColorPatch() {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
        QPalette palette;
        palette.setColor(QPalette::Window, patchColor);
        setPalette(palette);
        setAutoFillBackground(true);
        setGeometry(patchGeometry);
        show();
    }
};

class OverlayColorSamplerTest : public ::testing::Test {
protected:
    ColorPatch patch;
    OverlayColorSampler sampler;
    QList<std::optional<QColor>> reports;

    void SetUp() override {
        ASSERT_TRUE(
            waitUntil([&] { return patch.windowHandle() && patch.windowHandle()->isExposed(); }));
        // Let the patch paint before the screen is frozen.
        serveFor(300ms);
    }

    void startSampling() {
        sampler.sample([this](std::optional<QColor> color) { reports.append(color); });
        ASSERT_TRUE(waitUntil([&] {
            const auto overlays = sampler.overlays();
            return !overlays.isEmpty() && overlays.first()->windowHandle() &&
                   overlays.first()->windowHandle()->isExposed();
        }));
        // The keyboard grab follows the mapping.
        serveFor(200ms);
    }
};

} // namespace

TEST_F(OverlayColorSamplerTest, AClickPicksThePixelUnderThePointerAndClosesTheOverlay) {
    startSampling();
    EXPECT_TRUE(reports.isEmpty());
    // The overlay shows the screen as it was frozen.
    EXPECT_EQ(hexString(sampler.overlays().first()->colorAt(patchGeometry.center())),
              u"#1E90FF"_qs);
    const QPoint target = patchGeometry.center();
    ASSERT_EQ(xdotool({u"mousemove"_qs, QString::number(target.x()), QString::number(target.y()),
                       u"click"_qs, u"1"_qs})
                  .exitCode,
              0);
    ASSERT_TRUE(waitUntil([&] { return !reports.isEmpty(); }));

    ASSERT_EQ(reports.size(), 1);
    ASSERT_TRUE(reports.first());
    EXPECT_EQ(hexString(*reports.first()), u"#1E90FF"_qs);
    EXPECT_TRUE(waitUntil([&] { return sampler.overlays().isEmpty(); }));
}

TEST_F(OverlayColorSamplerTest, EscapeCancelsAndASecondRequestMeanwhileGetsNothing) {
    startSampling();
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
