#include "TestContent.h"
#include "capture/ImageThumbnailer.h"

#include <QBuffer>
#include <QImageWriter>
#include <gtest/gtest.h>

namespace quillbox {
namespace {

QImage thumbnailOf(const ImageThumbnailer::Result& result) {
    return result.thumbnailPNG ? QImage::fromData(*result.thumbnailPNG, "PNG") : QImage();
}

QByteArray solidTiff(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    return testing::encodedImage(picture, "TIFF");
}

// A valid PNG header claiming 60000 x 60000 pixels, with no pixel data.
QByteArray pngClaimingAHugeSize() {
    QByteArray png = testing::encodedImage(testing::gradientImage(8, 8), "PNG");
    const char huge[] = {0x00, 0x00, char(0xEA), 0x60};
    png.replace(16, 4, huge, 4);
    png.replace(20, 4, huge, 4);
    quint32 crc = 0xFFFFFFFFu; // CRC-32 of the IHDR chunk's type and data
    for (const char byte : png.mid(12, 17)) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

QByteArray progressiveJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

TEST(ImageThumbnailer, ThumbnailFollowsTheLongerSideAndTheSourceSizeIsKept) {
    struct Row {
        const char* name;
        QByteArray bytes;
        QString dimensions;
        QSize thumbnail; // empty: no thumbnail
    };
    QByteArray truncated = testing::encodedImage(testing::gradientImage(640, 480), "PNG");
    truncated.truncate(100);
    const auto png = [](int width, int height) {
        return testing::encodedImage(testing::gradientImage(width, height), "PNG");
    };
    const Row rows[] = {
        {"large photo",
         testing::encodedImage(testing::gradientImage(4000, 3000), "JPEG", 90),
         QStringLiteral("4000 x 3000"),
         {600, 450}},
        {"wide", png(1920, 1080), QStringLiteral("1920 x 1080"), {600, 338}},
        {"tall", png(300, 1200), QStringLiteral("300 x 1200"), {150, 600}},
        {"small images are not enlarged", png(200, 100), QStringLiteral("200 x 100"), {200, 100}},
        {"a sliver keeps at least one pixel", png(5000, 2), QStringLiteral("5000 x 2"), {600, 1}},
        // 36 MP: over Qt's default per-image allocation limit of 128 MB decoded
        // (TIFF, unlike PNG and JPEG, is decoded at full size before scaling).
        {"large lossless image", solidTiff(6000, 6000), QStringLiteral("6000 x 6000"), {600, 600}},
        {"truncated image", truncated, QStringLiteral("640 x 480"), {}},
        {"huge claimed size is not decoded",
         pngClaimingAHugeSize(),
         QStringLiteral("60000 x 60000"),
         {}},
        {"progressive JPEG",
         testing::progressiveJpegWithEmptyScans(64, 48, 4),
         QStringLiteral("64 x 48"),
         {64, 48}},
        {"progressive photo as encoders write it",
         progressiveJpeg(testing::gradientImage(3000, 2000)),
         QStringLiteral("3000 x 2000"),
         {600, 400}},
        // Each scan is a pass over the whole image: thousands are not decoded.
        {"progressive JPEG of thousands of scans",
         testing::progressiveJpegWithEmptyScans(256, 256, 2000),
         QStringLiteral("256 x 256"),
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result = ImageThumbnailer::process(row.bytes, 600);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->dimensionsDescription(), row.dimensions);
        EXPECT_EQ(result->thumbnailPNG.has_value(), !row.thumbnail.isEmpty());
        if (!row.thumbnail.isEmpty()) {
            EXPECT_EQ(thumbnailOf(*result).size(), row.thumbnail);
        }
    }
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
    for (const QByteArray& bytes : {QByteArray("hello, world"), QByteArray(), QByteArray(4096, 0)})
        EXPECT_FALSE(ImageThumbnailer::process(bytes, 600)) << bytes.size();
}

} // namespace
} // namespace quillbox
