#pragma once

#include <QByteArray>
#include <QSize>

namespace quillbox {

// How much decoding an image from outside may cost, told from its bytes
// before any decoding: a small file can claim a huge size, and a progressive
// JPEG can hold thousands of scans, each a pass over the whole image (a
// 220 KB file of 20,000 scans takes a minute). Such images are kept without a
// preview and not read for text. Stateless; safe on any thread.
namespace ImageDecodeBudget {

// 64 MP covers 8K screenshots and camera photos.
constexpr qint64 maxPixels = 64'000'000;
// Encoders write about ten scans; a hundred is already far more than any does.
constexpr int maxJpegScans = 100;
// Scans times pixels: ten scans of the largest accepted image.
constexpr qint64 maxJpegScanPixels = 16 * maxPixels;

// The number of scans (start-of-scan markers) in JPEG bytes, counting no
// further than `stopAfter`; 0 for bytes that are not a JPEG.
int jpegScanCount(const QByteArray& data, int stopAfter);

// True when decoding the image of that size would cost more than allowed.
bool isTooCostly(const QByteArray& data, const QSize& size);

} // namespace ImageDecodeBudget

} // namespace quillbox
