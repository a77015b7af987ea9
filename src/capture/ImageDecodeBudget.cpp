#include "capture/ImageDecodeBudget.h"

#include <cstring>

namespace quillbox::ImageDecodeBudget {

namespace {

constexpr unsigned char markerPrefix = 0xFF;
constexpr unsigned char startOfImage = 0xD8;
constexpr unsigned char endOfImage = 0xD9;
constexpr unsigned char startOfScan = 0xDA;

bool isStandalone(unsigned char marker) {
    // RSTn, TEM and the stuffed zero carry no length.
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01 || marker == 0x00;
}

} // namespace

int jpegScanCount(const QByteArray& data, int stopAfter) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    if (size < 4 || bytes[0] != markerPrefix || bytes[1] != startOfImage)
        return 0;
    int scans = 0;
    bool inScanData = false;
    qsizetype at = 2;
    while (at + 1 < size && scans <= stopAfter) {
        if (bytes[at] != markerPrefix) {
            if (!inScanData)
                return scans; // not where a marker must be: damaged
            // Entropy-coded data: the next marker is the next 0xFF.
            const void* next = std::memchr(bytes + at, markerPrefix, size_t(size - at));
            if (!next)
                break;
            at = static_cast<const unsigned char*>(next) - bytes;
            continue;
        }
        const unsigned char marker = bytes[at + 1];
        if (marker == markerPrefix) { // fill byte
            ++at;
            continue;
        }
        if (isStandalone(marker)) {
            at += 2;
            continue;
        }
        if (marker == endOfImage)
            break;
        if (at + 3 >= size)
            break;
        const qsizetype length = (qsizetype(bytes[at + 2]) << 8) | bytes[at + 3];
        if (length < 2)
            return scans;
        if (marker == startOfScan)
            ++scans;
        inScanData = marker == startOfScan;
        at += 2 + length;
    }
    return scans;
}

bool isTooCostly(const QByteArray& data, const QSize& size) {
    const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
    if (pixels > maxPixels)
        return true;
    const int scans = jpegScanCount(data, maxJpegScans);
    return scans > maxJpegScans || scans * pixels > maxJpegScanPixels;
}

} // namespace quillbox::ImageDecodeBudget
