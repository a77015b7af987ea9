#include "TestImages.h"
#include "capture/ImageThumbnailer.h"

#include <gtest/gtest.h>

namespace quillbox {
namespace {

// CRC-32 as PNG chunks carry it.
quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QImage thumbnailOf(const ImageThumbnailer::Result& result) {
    return result.thumbnailPNG ? QImage::fromData(*result.thumbnailPNG, "PNG") : QImage();
}

TEST(ImageThumbnailer, LargePhotoGetsABoundedThumbnailAndKeepsItsSourceSize) {
    const QByteArray jpeg = testing::encodedImage(testing::gradientImage(4000, 3000), "JPEG", 90);
    const auto result = ImageThumbnailer::process(jpeg, 600);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->pixelWidth, 4000);
    EXPECT_EQ(result->pixelHeight, 3000);
    EXPECT_EQ(result->dimensionsDescription(), QStringLiteral("4000 x 3000"));
    EXPECT_EQ(thumbnailOf(*result).size(), QSize(600, 450));
}

TEST(ImageThumbnailer, ThumbnailSizeFollowsTheLongerSide) {
    struct Row {
        QSize source;
        int maxPixelSize;
        QSize thumbnail;
    };
    const Row rows[] = {
        {{1920, 1080}, 600, {600, 338}}, // wide
        {{300, 1200}, 600, {150, 600}},  // tall
        {{200, 100}, 600, {200, 100}},   // small images are not enlarged
        {{5000, 2}, 600, {600, 1}},      // a sliver keeps at least one pixel
    };
    for (const auto& row : rows) {
        const auto png = testing::encodedImage(
            testing::gradientImage(row.source.width(), row.source.height()), "PNG");
        const auto result = ImageThumbnailer::process(png, row.maxPixelSize);
        ASSERT_TRUE(result);
        EXPECT_EQ(thumbnailOf(*result).size(), row.thumbnail) << row.source.width();
    }
}

TEST(ImageThumbnailer, LargeLosslessImageStillGetsAThumbnail) {
    // 36 MP: over Qt's default per-image allocation limit of 128 MB decoded
    // (TIFF, unlike PNG and JPEG, is decoded at full size before scaling).
    QImage picture(6000, 6000, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const auto result = ImageThumbnailer::process(testing::encodedImage(picture, "TIFF"), 600);
    ASSERT_TRUE(result);
    EXPECT_EQ(thumbnailOf(*result).size(), QSize(600, 600));
}

TEST(ImageThumbnailer, RotatedPhotoThumbnailIsUprightWithStoredDimensions) {
    // Stored 800 x 400 with "rotate 90° clockwise": shown 400 x 800.
    const auto result = ImageThumbnailer::process(testing::jpegWithOrientation(800, 400, 6), 600);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->dimensionsDescription(), QStringLiteral("800 x 400"));
    const QImage thumbnail = thumbnailOf(*result);
    ASSERT_EQ(thumbnail.size(), QSize(300, 600));
    // The green corner marker, top-left when stored, is top-right upright.
    const QColor topRight = thumbnail.pixelColor(thumbnail.width() - 5, 5);
    EXPECT_GT(topRight.green(), 200);
    EXPECT_LT(topRight.red(), 60);
}

TEST(ImageThumbnailer, BytesThatAreNotAnImageGiveNoResult) {
    EXPECT_FALSE(ImageThumbnailer::process(QByteArray("hello, world"), 600));
    EXPECT_FALSE(ImageThumbnailer::process(QByteArray(), 600));
    EXPECT_FALSE(ImageThumbnailer::process(QByteArray(4096, '\0'), 600));
}

TEST(ImageThumbnailer, TruncatedImageKeepsItsSizeWithoutThumbnail) {
    QByteArray png = testing::encodedImage(testing::gradientImage(640, 480), "PNG");
    png.truncate(100);
    const auto result = ImageThumbnailer::process(png, 600);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->dimensionsDescription(), QStringLiteral("640 x 480"));
    EXPECT_FALSE(result->thumbnailPNG);
}

TEST(ImageThumbnailer, HugeClaimedSizeIsNotDecoded) {
    // A valid PNG header claiming 60000 x 60000 pixels, with no pixel data.
    QByteArray png = testing::encodedImage(testing::gradientImage(8, 8), "PNG");
    const char huge[] = {0x00, 0x00, char(0xEA), 0x60};
    png.replace(16, 4, huge, 4);
    png.replace(20, 4, huge, 4);
    const quint32 crc = crc32(png.mid(12, 17)); // the IHDR chunk's type and data
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    const auto result = ImageThumbnailer::process(png, 600);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->dimensionsDescription(), QStringLiteral("60000 x 60000"));
    EXPECT_FALSE(result->thumbnailPNG);
}

TEST(ImageThumbnailer, DimensionsNeedBothSides) {
    EXPECT_FALSE((ImageThumbnailer::Result{std::nullopt, 0, 10}.dimensionsDescription()));
    EXPECT_FALSE((ImageThumbnailer::Result{std::nullopt, 10, 0}.dimensionsDescription()));
    EXPECT_EQ((ImageThumbnailer::Result{std::nullopt, 1920, 1080}.dimensionsDescription()),
              QStringLiteral("1920 x 1080"));
}

} // namespace
} // namespace quillbox
