#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/CardDelegate.h"
#include "ui/PanelTheme.h"
#include "ui/PreviewImageCache.h"
#include "ui/TextPreview.h"

#include <QPainter>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

constexpr int cardHeight = 240;

// Colours within a small distance of each other (antialiasing, blending).
bool isNear(QColor actual, QColor expected, int tolerance = 24) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

class CardDelegateTest : public ::testing::Test {
protected:
    HistoryStore store{StoreContainer::makeInMemory()};
    PreviewImageCache images;
    CardDelegate delegate{images};

    CardDelegateTest() { delegate.setCardHeight(cardHeight); }

    QRect cell() const { return QRect(QPoint(0, 0), CardDelegate::cellSize(cardHeight)); }
    QRectF card() const { return QRectF(cell().marginsRemoved(CardDelegate::cellMargins)); }

    // The card on the panel's background, as the strip shows it.
    QImage render(const ClipboardItemPtr& item, bool isSelected = false,
                  bool isHovered = false) const {
        QImage image(cell().size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(PanelTheme::hud);
        QPainter painter(&image);
        delegate.paintCard(painter, cell(), item, isSelected, isHovered);
        return image;
    }

    static int countPixels(const QImage& image, const QRect& area,
                           const std::function<bool(QColor)>& matches) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += matches(image.pixelColor(x, y)) ? 1 : 0;
        return count;
    }
};

} // namespace

TEST_F(CardDelegateTest, SelectionRingAtTheEdgeRestingCardsShrinkAndPinnedCardsShowThePin) {
    const auto item = store.record(textContent(u"Hello"_qs), u"firefox"_qs, u"Firefox"_qs);
    const QPoint edge(int(card().left()) + 1, int(card().center().y()));

    const QImage selected = render(item, true);
    EXPECT_TRUE(isNear(selected.pixelColor(edge), PanelTheme::marigold))
        << selected.pixelColor(edge).name().toStdString();
    // Hovered: full size, no ring, so the edge is the card's face.
    const QImage hovered = render(item, false, true);
    EXPECT_TRUE(isNear(hovered.pixelColor(edge), PanelTheme::card, 12))
        << hovered.pixelColor(edge).name().toStdString();
    // At rest the card is 0.97 of its size: its edge moved inwards.
    const QImage resting = render(item, false, false);
    EXPECT_FALSE(isNear(resting.pixelColor(edge), PanelTheme::card, 12));
    EXPECT_FALSE(isNear(resting.pixelColor(edge), PanelTheme::marigold));
    // The selected card's shadow is darker below the card than the resting one's.
    const QPoint below(int(card().center().x()), int(card().bottom()) + 6);
    EXPECT_LT(selected.pixelColor(below).lightness(), resting.pixelColor(below).lightness());

    const QRect pinArea(int(card().right()) - 30, int(card().top()), 30, 30);
    const auto marigold = [](QColor c) { return isNear(c, PanelTheme::marigold, 40); };
    EXPECT_EQ(countPixels(hovered, pinArea, marigold), 0);
    store.togglePin(item);
    EXPECT_GT(countPixels(render(item, false, true), pinArea, marigold), 5);
}

TEST_F(CardDelegateTest, PreviewsOfEachKindPaintTheirContent) {
    const QPoint middle = card().center().toPoint();
    const QRect preview(int(card().left()) + 11, int(card().top()) + 45, 178, 130);

    const auto color = store.record(colorContent(u"#00AA00"_qs), {}, {});
    EXPECT_TRUE(isNear(render(color, true).pixelColor(middle), QColor(0, 0xAA, 0), 2));

    const auto url = store.record(
        urlContent(u"https://www.example.com/a/long/path/that/goes/on/and/on/for/a/while/"
                   u"and/then/some/more/until/it/needs/three/lines/index.html"_qs,
                   u"A page with a title"_qs),
        u"firefox"_qs, u"Firefox"_qs);
    const auto bluish = [](QColor c) { return c.blue() > c.red() + 60; };
    EXPECT_GT(countPixels(render(url, true), preview, bluish), 20) << "the address in link blue";

    const auto text = store.record(textContent(u"Some words\nin two lines"_qs), {}, {});
    const auto dark = [](QColor c) { return c.lightness() < 100; };
    EXPECT_GT(countPixels(render(text, true), preview, dark), 50);

    // Rich text without words (an image's markup, or blank text) is not an
    // empty card; in the text's colour, a muted one.
    const auto inked = [](QColor c) { return c.lightness() < 200; };
    for (const std::optional<QString>& words :
         {std::optional<QString>(), std::optional(u" \n"_qs)}) {
        const QByteArray html =
            "<img src=\"https://example.com/" + QByteArray::number(words.has_value()) + ".png\">";
        const auto rich = store.record(
            parsedContent(html, u"public.html"_qs, ContentCategory::richText, words), {}, {});
        EXPECT_GT(countPixels(render(rich, true), preview, inked), 50) << words.has_value();
        EXPECT_EQ(countPixels(render(rich, true), preview, dark), 0) << words.has_value();
    }

    const auto files = store.record(fileContent({u"/tmp/a.txt"_qs, u"/tmp/b.txt"_qs}), {}, {});
    EXPECT_GT(countPixels(render(files, true), preview, dark), 50);

    // An image paints the placeholder until its decode arrives, then the image.
    const auto image = store.record(imageContent(solidPng(Qt::red)), {}, {});
    EXPECT_FALSE(isNear(render(image, true).pixelColor(middle), Qt::red));
    EXPECT_TRUE(waitUntil([&] { return isNear(render(image, true).pixelColor(middle), Qt::red); }));
    const auto broken = store.record(imageContent("not an image"), {}, {});
    render(broken, true);
    ASSERT_TRUE(waitUntil([&] { return images.hasFailed(*broken); }));
    const QImage shown = render(broken, true);
    const QColor placeholder = shown.pixelColor(preview.topLeft() + QPoint(30, 30));
    const QColor face = shown.pixelColor(int(card().left()) + 4, middle.y());
    EXPECT_LT(placeholder.lightness(), face.lightness()) << "the grey placeholder";
    EXPECT_GT(placeholder.lightness(), face.lightness() - 30) << "a light grey, not black";
}

TEST_F(CardDelegateTest, AHugeTextLaysOutOnlyWhatACardCanShow) {
    QString huge;
    const QString line = u"A line of a very long text that goes on and on\n"_qs;
    huge.reserve(50'000'000);
    while (huge.size() + line.size() <= 50'000'000)
        huge += line;
    const auto item = store.record(textContent(huge), {}, {});
    huge.clear();

    const QImage image = render(item, true);
    const qsizetype laidOut = delegate.laidOutTextLength(item->id());
    EXPECT_GT(laidOut, 0);
    EXPECT_LE(laidOut, TextBlock::prefixCharacterLimit);
    EXPECT_LT(image.pixelColor(card().center().toPoint()).lightness(), 255);
}

TEST(CardLabels, TypeLabelAndDisplayedAddress) {
    HistoryStore store(StoreContainer::makeInMemory());
    const struct {
        const char* name;
        ParsedClipboardContent content;
        QString typeLabel;
        QString displayURL;
    } cases[] = {
        {"image with its size", imageContent("x", u"1920 x 1080"_qs), u"1920 × 1080"_qs, u"URL"_qs},
        {"image without a size", imageContent("y"), u"Image"_qs, u"URL"_qs},
        {"plain web, www and a trailing slash", urlContent(u"http://www.example.com/a/"_qs),
         u"URL"_qs, u"example.com/a"_qs},
        {"secure web, only one slash goes", urlContent(u"https://example.com//"_qs), u"URL"_qs,
         u"example.com/"_qs},
        {"text", textContent(u"http://x.org"_qs), u"Text"_qs, u"x.org"_qs},
        {"colour", colorContent(u"#123456"_qs), u"Color"_qs, u"#123456"_qs},
    };
    for (const auto& c : cases) {
        const auto item = store.record(c.content, {}, {});
        ASSERT_TRUE(item) << c.name;
        EXPECT_EQ(CardDelegate::typeLabel(*item), c.typeLabel) << c.name;
        EXPECT_EQ(CardDelegate::displayURL(*item), c.displayURL) << c.name;
    }
}
