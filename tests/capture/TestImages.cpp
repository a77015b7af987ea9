#include "TestImages.h"

#include <QPainter>

namespace quillbox::testing {

QImage gradientImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(0.5, Qt::yellow);
    gradient.setColorAt(1, Qt::darkRed);
    painter.fillRect(image.rect(), gradient);
    // A marker in the top-left corner shows which way up the image is.
    painter.fillRect(0, 0, width / 4, height / 4, Qt::green);
    return image;
}

QByteArray jpegWithOrientation(int width, int height, quint16 orientation) {
    QByteArray jpeg = encodedImage(gradientImage(width, height), "JPEG", 85);
    // APP1 "Exif" segment with a big-endian TIFF header and one IFD entry:
    // tag 0x0112 (Orientation), type SHORT, count 1.
    QByteArray exif;
    exif.append("\xFF\xE1", 2);
    exif.append("\x00\x22", 2); // segment length 34, itself included
    exif.append("Exif\0\0", 6);
    exif.append("MM\x00\x2A\x00\x00\x00\x08", 8);
    exif.append("\x00\x01", 2);
    exif.append("\x01\x12\x00\x03\x00\x00\x00\x01", 8);
    exif.append(static_cast<char>(orientation >> 8));
    exif.append(static_cast<char>(orientation & 0xFF));
    exif.append("\x00\x00", 2);
    exif.append("\x00\x00\x00\x00", 4); // no next IFD
    jpeg.insert(2, exif);
    return jpeg;
}

} // namespace quillbox::testing
