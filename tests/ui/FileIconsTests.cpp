// The file cards' pictures: what a worker finds at a path another program
// controls, and the card showing a thumbnail once it is decoded.
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/CardDelegate.h"
#include "ui/FileIcons.h"
#include "ui/PanelTheme.h"
#include "ui/PreviewImageCache.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

TEST(FileIconsTest, OnlyRegularImageFilesOfBoundedSizeAreOpenedAndDecoded) {
    QTemporaryDir folder;
    const auto path = [&](const char* name) { return folder.filePath(QString::fromLatin1(name)); };
    ASSERT_TRUE(writeFile(path("wide.png"), solidPng(Qt::red, QSize(400, 200))));
    ASSERT_TRUE(writeFile(path("notes.txt"), "some words"));
    ASSERT_TRUE(writeFile(path("broken.png"), "not an image"));
    // No reader opens a FIFO: opening one for reading waits for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.png")).constData(), 0600), 0);
    {
        QFile huge(path("huge.png"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.write(solidPng(Qt::blue)) > 0);
        ASSERT_TRUE(huge.resize(FileIcons::maxImageFileBytes + 1));
    }
    using Kind = FileIcons::Kind;
    const struct {
        const char* name;
        Kind kind;
        QSize thumbnail; // empty: none
    } rows[] = {
        {"wide.png", Kind::regularFile, {44, 22}},
        {"notes.txt", Kind::regularFile, {}},
        {"broken.png", Kind::regularFile, {}},
        {"pipe.png", Kind::other, {}},
        {"huge.png", Kind::regularFile, {}},
        {"missing.png", Kind::unknown, {}},
        {".", Kind::directory, {}},
    };
    for (const auto& row : rows) {
        const FileIcons::Probe probe = FileIcons::probe(path(row.name), QSize(44, 44));
        EXPECT_EQ(probe.kind, row.kind) << row.name;
        EXPECT_EQ(probe.thumbnail.isNull() ? QSize() : probe.thumbnail.size(), row.thumbnail)
            << row.name;
    }
}

TEST(FileIconsTest, AFileCardShowsTheImagesThumbnailOnceDecodedAndNothingRunsIntoItsFooter) {
    QTemporaryDir folder;
    const QString picture = folder.filePath(u"holiday.png"_s);
    ASSERT_TRUE(writeFile(picture, solidPng(Qt::red, QSize(120, 120))));
    HistoryStore store(StoreContainer::makeInMemory());
    PreviewImageCache images;
    CardDelegate delegate(images);
    // The card of a panel of the default size: icon, name and "+2 more" do
    // not all fit at full size.
    constexpr int cardHeight = 172;
    delegate.setCardHeight(cardHeight);
    const QRect cell(QPoint(0, 0), CardDelegate::cellSize(cardHeight));
    const QRectF card = QRectF(cell.marginsRemoved(CardDelegate::cellMargins));
    const auto render = [&](const ClipboardItemPtr& item) {
        QImage image(cell.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(PanelTheme::hud);
        QPainter painter(&image);
        delegate.paintCard(painter, cell, item, true, false);
        return image;
    };
    const auto files = store.record(
        fileContent({picture, folder.filePath(u"b.txt"_s), folder.filePath(u"c.txt"_s)}), {}, {});
    const auto redPixels = [&](const QImage& image) {
        int count = 0;
        for (int y = int(card.top()); y < int(card.bottom()); ++y)
            for (int x = int(card.left()); x < int(card.right()); ++x)
                count += image.pixelColor(x, y) == QColor(Qt::red) ? 1 : 0;
        return count;
    };
    EXPECT_EQ(redPixels(render(files)), 0) << "nothing decoded on the painting thread";
    ASSERT_TRUE(waitUntil([&] { return redPixels(render(files)) > 200; }));

    // The footer's rule: the first row above the footer's text, scanning up
    // the card's middle, that is darker than the card's face.
    const QImage shown = render(files);
    const int middle = int(card.center().x());
    const QColor face = shown.pixelColor(middle, int(card.bottom()) - 5);
    int rule = int(card.bottom()) - 5;
    while (rule > card.top() && shown.pixelColor(middle, rule).lightness() >= face.lightness() - 4)
        --rule;
    ASSERT_GT(rule, int(card.center().y()));
    // The padding above the rule stays clear of the preview's text.
    for (int y = rule - 6; y < rule; ++y)
        for (int x = int(card.left()) + 11; x < int(card.right()) - 11; ++x)
            ASSERT_GT(shown.pixelColor(x, y).lightness(), face.lightness() - 40)
                << "text at " << x << "," << y << ", rule at " << rule;
}

} // namespace
} // namespace quillbox::testing
