#include "content/PasteboardTypes.h"

#include <array>
#include <cstring>

namespace quillbox {

QByteArray encodeColorData(const QColor& color) {
    const QColor rgb = color.toRgb();
    const std::array<quint16, 4> channels{
        static_cast<quint16>(rgb.red() * 257), static_cast<quint16>(rgb.green() * 257),
        static_cast<quint16>(rgb.blue() * 257), static_cast<quint16>(rgb.alpha() * 257)};
    return QByteArray(reinterpret_cast<const char*>(channels.data()), sizeof(channels));
}

std::optional<QColor> decodeColorData(const QByteArray& bytes) {
    std::array<quint16, 4> channels{};
    if (bytes.size() < static_cast<qsizetype>(sizeof(quint16) * 3))
        return std::nullopt;
    channels[3] = 0xffff; // three values mean an opaque colour
    std::memcpy(channels.data(), bytes.constData(),
                std::min<std::size_t>(sizeof(channels), static_cast<std::size_t>(bytes.size())));
    return QColor::fromRgba64(channels[0], channels[1], channels[2], channels[3]);
}

} // namespace quillbox
