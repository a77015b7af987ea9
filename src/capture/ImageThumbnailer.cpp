#include "capture/ImageThumbnailer.h"

#include "capture/ImageDecodeBudget.h"
#include "content/Logging.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace quillbox {

namespace {

// What decoding the largest accepted image needs (32-bit pixels), in MB.
constexpr int decodeAllocationLimitMB =
    static_cast<int>(ImageDecodeBudget::maxPixels * 4 / (1024 * 1024)) + 1;

// Qt refuses any single image over 128 MB by default, which would leave a
// 36 MP TIFF (decoded at full size before scaling, 144 MB) without a
// thumbnail. Raised once, never lowered; the pixel guard above keeps hostile
// sizes out.
void allowDecodingLargeImages() {
    static const bool raised = [] {
        if (QImageReader::allocationLimit() < decodeAllocationLimitMB)
            QImageReader::setAllocationLimit(decodeAllocationLimitMB);
        return true;
    }();
    Q_UNUSED(raised);
}

// The size whose longer side is at most maxPixelSize, keeping the aspect
// ratio; never larger than the source.
QSize boundedSize(const QSize& source, int maxPixelSize) {
    const int longer = std::max(source.width(), source.height());
    if (longer <= maxPixelSize)
        return source;
    const double scale = static_cast<double>(maxPixelSize) / longer;
    return QSize(std::max(1, qRound(source.width() * scale)),
                 std::max(1, qRound(source.height() * scale)));
}

} // namespace

std::optional<QString> ImageThumbnailer::Result::dimensionsDescription() const {
    if (pixelWidth < 1 || pixelHeight < 1)
        return std::nullopt;
    return QStringLiteral("%1 x %2").arg(pixelWidth).arg(pixelHeight);
}

std::optional<ImageThumbnailer::Result> ImageThumbnailer::process(const QByteArray& data,
                                                                  int maxPixelSize) {
    allowDecodingLargeImages();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return std::nullopt;

    Result result;
    // The stored size, before orientation: what the file's header says.
    const QSize sourceSize = reader.size();
    if (sourceSize.isValid()) {
        result.pixelWidth = sourceSize.width();
        result.pixelHeight = sourceSize.height();
    }
    // Images that claim a huge size, or hold thousands of scans, get their
    // dimensions but no thumbnail.
    if (ImageDecodeBudget::isTooCostly(data, sourceSize)) {
        qCWarning(lcCapture,
                  "Quillbox: image of %d x %d pixels is too costly to decode for a thumbnail",
                  result.pixelWidth, result.pixelHeight);
        result.isTooCostly = true;
        return result;
    }

    // Photographs are stored sideways with an orientation tag; the thumbnail
    // is shown upright.
    reader.setAutoTransform(true);
    // Scaling while decoding lets JPEG skip most of the work on large photos.
    // The bound is symmetric, so it holds after a quarter turn as well.
    if (sourceSize.isValid() && maxPixelSize > 0)
        reader.setScaledSize(boundedSize(sourceSize, maxPixelSize));
    QImage image = reader.read();
    if (image.isNull()) {
        qCWarning(lcCapture, "Quillbox: image could not be decoded for a thumbnail: %s",
                  qUtf8Printable(reader.errorString()));
        // A readable header still tells the size; without one the bytes are
        // not an image at all.
        if (!sourceSize.isValid())
            return std::nullopt;
        return result;
    }
    if (maxPixelSize > 0 && std::max(image.width(), image.height()) > maxPixelSize)
        image = image.scaled(boundedSize(image.size(), maxPixelSize), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    result.thumbnailPNG = pngData(image);
    return result;
}

std::optional<QByteArray> ImageThumbnailer::pngData(const QImage& image) {
    if (image.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        qCWarning(lcCapture, "Quillbox: thumbnail could not be encoded as PNG: %s",
                  qUtf8Printable(writer.errorString()));
        return std::nullopt;
    }
    return bytes;
}

} // namespace quillbox
