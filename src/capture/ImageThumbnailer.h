#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace quillbox {

// Reads an image's pixel size and makes a small, upright PNG thumbnail of it,
// so the panel never decodes full-size images to draw a card. Stateless; safe
// on any thread.
class ImageThumbnailer {
public:
    ImageThumbnailer() = delete;

    struct Result {
        // Absent when the thumbnail could not be made or encoded.
        std::optional<QByteArray> thumbnailPNG;
        // The source's size as its header states it (before any orientation
        // is applied); 0 where the header does not state it.
        int pixelWidth = 0;
        int pixelHeight = 0;
        // The image was not decoded because that would cost too much (see
        // ImageDecodeBudget): it is kept without a preview.
        bool isTooCostly = false;

        // "1920 x 1080"; absent when either side is below 1.
        std::optional<QString> dimensionsDescription() const;
    };

    // None when the bytes are not a decodable image.
    static std::optional<Result> process(const QByteArray& data, int maxPixelSize);

    // The image encoded as PNG, or none when encoding fails.
    static std::optional<QByteArray> pngData(const QImage& image);
};

} // namespace quillbox
