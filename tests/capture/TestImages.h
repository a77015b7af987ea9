#pragma once

#include "TestContent.h"

#include <QByteArray>
#include <QImage>

namespace quillbox::testing {

// An image of the given size with a gradient, so encoders have real work.
QImage gradientImage(int width, int height);

// The image encoded in a format Qt writes ("PNG", "JPEG", "TIFF").

// A JPEG whose EXIF orientation says "rotate 90° clockwise to display": the
// stored pixels are width x height, upright it is height x width.
QByteArray jpegWithOrientation(int width, int height, quint16 orientation);

} // namespace quillbox::testing
