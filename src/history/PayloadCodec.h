#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>
#include <optional>

namespace quillbox {

// How payloads are kept compressed in the store: zstd, primed with a
// fixed dictionary of the words, URL and code fragments copies are made of,
// so that even a text of a few hundred bytes gets smaller. A compressed
// payload starts with its original size (4 bytes, big-endian); the store
// marks which payloads are compressed, so older rows are read as they are.
//
// The dictionary is part of the file format: changing it needs a new
// encoding value, or every compressed row of every store becomes unreadable.
//
// One codec keeps its zstd contexts for reuse (setting one up costs more
// than compressing a short text); not thread-safe, one per connection.
class PayloadCodec {
public:
    // The encodings a payload may be stored in.
    enum Encoding : int { raw = 0, zstdWithDictionary = 1 };

    // Payloads outside these sizes are kept as they are: a short one gains
    // nothing, and a large one is read in pieces straight from the file.
    static constexpr qsizetype minimumSize = 48;
    static constexpr qsizetype maximumSize = 1024 * 1024;

    PayloadCodec();
    ~PayloadCodec();
    PayloadCodec(const PayloadCodec&) = delete;
    PayloadCodec& operator=(const PayloadCodec&) = delete;

    // The bytes to store compressed, or nothing when that does not pay (a
    // size outside the limits, or less than an eighth saved, as with images).
    std::optional<QByteArray> compress(QByteArrayView bytes);

    // The original bytes, or their first maxBytes when maxBytes >= 0 (only
    // as much is decompressed); nothing when the stored bytes are damaged
    // (a prefix is not checked against the whole payload's checksum).
    std::optional<QByteArray> decompress(QByteArrayView stored, qsizetype maxBytes = -1);

    // The original size recorded in a compressed payload, -1 when damaged.
    static qint64 originalSize(QByteArrayView stored);

private:
    struct Streams;
    std::unique_ptr<Streams> m_streams;
};

} // namespace quillbox
