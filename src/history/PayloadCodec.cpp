#include "history/PayloadCodec.h"

#include <zlib.h>

namespace quillbox {

namespace {

// What copied texts are made of: web addresses, markup and style, code, and
// the most common words of English prose. Deflate finds a match in it as in
// text it has already seen; nearer the end is cheaper to refer to, so the
// most common pieces come last. Never change it (see the header).
constexpr char dictionary[] =
    "https://www.github.com/ https://docs. .html .php?id= .pdf .png .jpg "
    "?utm_source=&utm_medium=&ref= index.html /api/v1/ /wiki/ youtube.com/watch?v= "
    "<div class=\"\"></div> <span></span> <a href=\"\"></a> <p></p> <br> <li></li> "
    "font-size: 14px; margin: 0 auto; padding: 0; display: flex; border-radius: 4px; "
    "background-color: #ffffff; color: #000000; rgba(0, 0, 0, 0.5) "
    "#include <string> std::vector<int> nullptr const auto& "
    "import React from 'react'; export default function () { console.log(); "
    "def __init__(self): self. print(f\"\") elif None True False "
    "public static void main(String[] args) { private final String "
    "if (err != nil) { return nil, err } func "
    "SELECT * FROM WHERE id = ORDER BY LIMIT INSERT INTO VALUES "
    "git commit -m \"\" git checkout -b sudo apt install npm run "
    "for (let i = 0; i < length; i++) { } else { return null; } "
    "const = () => { await async try { } catch (error) { throw new Error(\"\"); "
    "Please let me know if you have any questions. Thank you for your help. "
    "Best regards, Kind regards, Thanks, Dear Hi all, Hello, I hope this finds you well. "
    "Monday Tuesday Wednesday Thursday Friday Saturday Sunday "
    "January February March April May June July August September October November December "
    "meeting tomorrow morning afternoon evening today yesterday next week last month year "
    "information important government company system program problem question "
    "however therefore although because between through during without within "
    "another against something nothing everything different following possible "
    "number people should would could which their there these those where while "
    "about after again being below before under until above other over only very "
    "into more most some such than then them they this that what when with will "
    "from have been were your just like also make know time first well even back "
    "because of the in the on the to the for the and the at the by the with the "
    "it is it was there is that the one of as well as in order to "
    "The This That There They We It In If As A An I You He She "
    ", and . The . It . This . In , but , which , the , a . ";

// A payload this much smaller compressed is not worth the inflating.
constexpr qsizetype minimumSavingDivisor = 8;
constexpr int headerSize = 4;

void putSize(char* out, quint32 size) {
    out[0] = char(size >> 24);
    out[1] = char(size >> 16);
    out[2] = char(size >> 8);
    out[3] = char(size);
}

} // namespace

struct PayloadCodec::Streams {
    z_stream deflater{};
    z_stream inflater{};
    bool hasDeflater = false;
    bool hasInflater = false;

    ~Streams() {
        if (hasDeflater)
            deflateEnd(&deflater);
        if (hasInflater)
            inflateEnd(&inflater);
    }
};

PayloadCodec::PayloadCodec()
    : m_streams(std::make_unique<Streams>()) {
}

PayloadCodec::~PayloadCodec() = default;

qint64 PayloadCodec::originalSize(QByteArrayView stored) {
    if (stored.size() < headerSize)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());
    return (qint64(bytes[0]) << 24) | (qint64(bytes[1]) << 16) | (qint64(bytes[2]) << 8) |
           qint64(bytes[3]);
}

std::optional<QByteArray> PayloadCodec::compress(QByteArrayView bytes) {
    if (bytes.size() < minimumSize || bytes.size() > maximumSize)
        return std::nullopt;
    Streams& streams = *m_streams;
    z_stream& stream = streams.deflater;
    if (!streams.hasDeflater) {
        if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK)
            return std::nullopt;
        streams.hasDeflater = true;
    } else if (deflateReset(&stream) != Z_OK) {
        return std::nullopt;
    }
    if (deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary),
                             uInt(sizeof(dictionary) - 1)) != Z_OK)
        return std::nullopt;
    // Worth keeping only if it fits here.
    const qsizetype limit = bytes.size() - bytes.size() / minimumSavingDivisor;
    QByteArray out(limit, Qt::Uninitialized);
    putSize(out.data(), quint32(bytes.size()));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + headerSize);
    stream.avail_out = uInt(limit - headerSize);
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        return std::nullopt; // it did not fit: no saving worth having
    out.truncate(headerSize + qsizetype(stream.total_out));
    return out;
}

std::optional<QByteArray> PayloadCodec::decompress(QByteArrayView stored, qsizetype maxBytes) {
    const qint64 size = originalSize(stored);
    if (size < 0 || size > maximumSize)
        return std::nullopt;
    Streams& streams = *m_streams;
    z_stream& stream = streams.inflater;
    if (!streams.hasInflater) {
        if (inflateInit(&stream) != Z_OK)
            return std::nullopt;
        streams.hasInflater = true;
    } else if (inflateReset(&stream) != Z_OK) {
        return std::nullopt;
    }
    const qsizetype wanted = maxBytes >= 0 ? std::min<qsizetype>(maxBytes, size) : size;
    QByteArray out(wanted, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored.data() + headerSize));
    stream.avail_in = uInt(stored.size() - headerSize);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(wanted);
    int result = inflate(&stream, Z_FINISH);
    if (result == Z_NEED_DICT) {
        if (inflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary),
                                 uInt(sizeof(dictionary) - 1)) != Z_OK)
            return std::nullopt;
        result = inflate(&stream, Z_FINISH);
    }
    if (qsizetype(stream.total_out) != wanted)
        return std::nullopt;
    // The whole payload must end where its size says; a prefix only fills up.
    if (wanted == size ? result != Z_STREAM_END : result != Z_BUF_ERROR && result != Z_OK)
        return std::nullopt;
    return out;
}

} // namespace quillbox
