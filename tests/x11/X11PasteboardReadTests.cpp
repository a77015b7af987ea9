// Reading what real clipboard owners offer, through the pasteboard and the
// clipboard parser.
#include "PasteboardFixture.h"
#include "capture/ClipboardParser.h"
#include "content/Hash.h"
#include "content/PasteboardTypes.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtEndian>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

QByteArray encodedImage(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

QImage sampleImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::darkBlue);
    return image;
}

// A JPEG whose EXIF orientation (6: rotate 90° clockwise) says how to show
// it: an APP1 segment with one IFD entry, put right after the start marker.
QByteArray jpegWithOrientation6(const QImage& image) {
    QByteArray tiff("II*\0\x08\0\0\0", 8);                        // little-endian, IFD at 8
    tiff += QByteArray("\x01\0", 2);                              // one entry
    tiff += QByteArray("\x12\x01\x03\0\x01\0\0\0\x06\0\0\0", 12); // 0x0112 SHORT 1 = 6
    tiff += QByteArray(4, '\0');                                  // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    const quint16 length = qToBigEndian<quint16>(quint16(payload.size() + 2));
    segment += QByteArray(reinterpret_cast<const char*>(&length), 2) + payload;
    QByteArray jpeg = encodedImage(image, "JPEG", 90);
    return jpeg.insert(2, segment);
}

} // namespace

// One row per kind of content a single-target client (xclip) offers.
struct XclipCase {
    const char* name;
    const char* target;
    QByteArray bytes;
    QString expectedType;
    ContentCategory category;
};

class ReadFromXclip : public PasteboardTest, public ::testing::WithParamInterface<XclipCase> {};

TEST_P(ReadFromXclip, RecordsTheBytesAsOffered) {
    const auto& row = GetParam();
    const qint64 before = m_pasteboard->changeCount();
    auto owner = startXclip(QString::fromLatin1(row.target), row.bytes);
    ASSERT_TRUE(waitForChange(
        before,
        [&] { return m_pasteboard->types() && m_pasteboard->types()->contains(row.expectedType); }))
        << "types: " << m_pasteboard->types().value_or(QStringList()).join(u", "_qs).toStdString();

    const auto parsed = ClipboardParser::parse(*m_pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->category, row.category);
    EXPECT_EQ(parsed->contentType, row.expectedType);
    EXPECT_EQ(parsed->content, row.bytes);
    EXPECT_EQ(parsed->contentHash, sha256Hash(row.bytes));
}

INSTANTIATE_TEST_SUITE_P(
    , ReadFromXclip,
    ::testing::Values(XclipCase{"plain_text", "UTF8_STRING",
                                "Gr\xc3\xbc\xc3\x9f"
                                "e aus Berlin \xf0\x9f\x91\x8b",
                                PasteboardType::string, ContentCategory::text},
                      XclipCase{"code", "UTF8_STRING", "let x = 1\nreturn x;\n",
                                PasteboardType::string, ContentCategory::code},
                      XclipCase{"png", "image/png", encodedImage(sampleImage(64, 48), "PNG"),
                                PasteboardType::png, ContentCategory::image},
                      XclipCase{"web_address_as_uri_list", "text/uri-list",
                                "https://example.org/a%20b?q=1", PasteboardType::url,
                                ContentCategory::url}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasteboardTest, ImageThatCannotBeDecodedIsKeptWithoutThumbnail) {
    const QByteArray garbage("\x89PNG\r\n\x1a\n garbage");
    const qint64 before = m_pasteboard->changeCount();
    auto owner = startXclip(u"image/png"_qs, garbage);
    ASSERT_TRUE(
        waitForChange(before, [&] { return m_pasteboard->data(PasteboardType::png).has_value(); }));
    EXPECT_EQ(m_pasteboard->data(PasteboardType::png), garbage);
    const auto parsed = ClipboardParser::parse(*m_pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->category, ContentCategory::image);
    EXPECT_EQ(parsed->thumbnailData, std::nullopt);
    EXPECT_EQ(parsed->imageDimensions, std::nullopt);
}

TEST_F(PasteboardTest, JpegWithExifRotationGetsAnUprightThumbnail) {
    const QByteArray jpeg = jpegWithOrientation6(sampleImage(300, 200));
    const qint64 before = m_pasteboard->changeCount();
    auto owner = startXclip(u"image/jpeg"_qs, jpeg);
    ASSERT_TRUE(waitForChange(
        before, [&] { return m_pasteboard->data(PasteboardType::jpeg).has_value(); }));
    const auto parsed = ClipboardParser::parse(*m_pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->contentType, PasteboardType::jpeg);
    EXPECT_EQ(parsed->content, jpeg);
    ASSERT_TRUE(parsed->thumbnailData);
    const QImage thumbnail = QImage::fromData(*parsed->thumbnailData);
    EXPECT_EQ(thumbnail.width(), 200);
    EXPECT_EQ(thumbnail.height(), 300);
}

// One row per multi-target offer, as applications make them.
struct OwnerCase {
    const char* name;
    QList<QPair<QString, QByteArray>> targets;
    QString expectedType;
    ContentCategory category;
    QByteArray expectedContent;
};

class ReadFromOwner : public PasteboardTest, public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(ReadFromOwner, ClassifiesAndKeepsTheContent) {
    const auto& row = GetParam();
    const qint64 before = m_pasteboard->changeCount();
    auto owner = startOwner(row.targets);
    ASSERT_TRUE(waitForChange(before, [&] {
        return m_pasteboard->types() && m_pasteboard->types()->contains(row.expectedType);
    }));
    const auto parsed = ClipboardParser::parse(*m_pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->category, row.category);
    EXPECT_EQ(parsed->contentType, row.expectedType);
    EXPECT_EQ(parsed->content, row.expectedContent);
    EXPECT_EQ(parsed->contentHash, sha256Hash(row.expectedContent));
}

namespace {
QByteArray utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
} // namespace

INSTANTIATE_TEST_SUITE_P(
    , ReadFromOwner,
    ::testing::Values(
        OwnerCase{"rich_text_with_plain_text",
                  {{u"text/rtf"_qs, "{\\rtf1\\ansi {\\b bold} words}"},
                   {u"UTF8_STRING"_qs, "bold words"}},
                  PasteboardType::rtf,
                  ContentCategory::richText,
                  "{\\rtf1\\ansi {\\b bold} words}"},
        OwnerCase{
            "file_list_with_comment_and_crlf",
            {{u"text/uri-list"_qs, "# two files\r\nfile:///tmp/a%20b.txt\r\nfile:///srv/y.png\r\n"},
             {u"UTF8_STRING"_qs, "a b.txt\ny.png"}},
            PasteboardType::fileURL,
            ContentCategory::file,
            "file:///tmp/a%20b.txt\nfile:///srv/y.png"},
        OwnerCase{
            "gnome_file_manager_copy",
            {{u"x-special/gnome-copied-files"_qs, "copy\nfile:///tmp/a%20b.txt\nfile:///srv/y.png"},
             {u"UTF8_STRING"_qs, "a b.txt\ny.png"}},
            PasteboardType::fileURL,
            ContentCategory::file,
            "file:///tmp/a%20b.txt\nfile:///srv/y.png"},
        OwnerCase{"old_client_latin1_text",
                  {{u"STRING"_qs, "caf\xe9 cr\xe8me"}},
                  PasteboardType::string,
                  ContentCategory::text,
                  "caf\xc3\xa9 cr\xc3\xa8me"},
        OwnerCase{"firefox_link",
                  {{u"text/x-moz-url"_qs, utf16(u"https://example.org/x%20y\nExample"_qs)},
                   {u"UTF8_STRING"_qs, "https://example.org/x%20y"}},
                  PasteboardType::url,
                  ContentCategory::url,
                  "https://example.org/x%20y"},
        OwnerCase{"colour",
                  {{u"application/x-color"_qs, encodeColorData(QColor(0x33, 0x66, 0x99))}},
                  PasteboardType::color,
                  ContentCategory::color,
                  encodeColorData(QColor(0x33, 0x66, 0x99))}),
    [](const auto& info) { return std::string(info.param.name); });

// One row per way an application marks its copy as not to be kept.
struct MarkerCase {
    const char* name;
    const char* marker;
    QString expectedType;
};

class ReadMarkedCopy : public PasteboardTest, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(ReadMarkedCopy, IsSeenButNotRecorded) {
    const qint64 before = m_pasteboard->changeCount();
    auto owner = startOwnerWithArguments({u"--target"_qs, u"UTF8_STRING"_qs,
                                          writeFile(u"secret"_qs, "hunter2"), u"--empty"_qs,
                                          QString::fromLatin1(GetParam().marker)});
    ASSERT_TRUE(waitForChange(before, [&] {
        return m_pasteboard->types() && m_pasteboard->types()->contains(GetParam().expectedType);
    }));
    EXPECT_EQ(ClipboardParser::parse(*m_pasteboard), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    , ReadMarkedCopy,
    ::testing::Values(MarkerCase{"kde_password_manager_hint", "x-kde-passwordManagerHint",
                                 PasteboardType::concealed},
                      MarkerCase{"kde_password_manager_hint_mime", "text/x-kde-passwordManagerHint",
                                 PasteboardType::concealed},
                      MarkerCase{"concealed_type", "org.nspasteboard.ConcealedType",
                                 PasteboardType::concealed},
                      MarkerCase{"generator_type_with_spaces", "Pasteboard generator type",
                                 u"Pasteboard generator type"_qs}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasteboardTest, LargeImageArrivesWholeThroughIncrementalTransfer) {
    // Stored without compression, so the PNG is about 20 MB.
    const QByteArray png = encodedImage(sampleImage(2600, 2600), "PNG", 100);
    ASSERT_GT(png.size(), 19 * 1024 * 1024);
    const qint64 before = m_pasteboard->changeCount();
    auto owner = startXclip(u"image/png"_qs, png);
    ASSERT_TRUE(waitForChange(
        before, [&] { return m_pasteboard->data(PasteboardType::png).has_value(); },
        std::chrono::seconds(30)));
    EXPECT_EQ(m_pasteboard->data(PasteboardType::png)->size(), png.size());
    EXPECT_EQ(m_pasteboard->data(PasteboardType::png), png);
}

// One row per way data can arrive over the size limit: in one piece, or
// announced as an incremental transfer.
struct OversizeCase {
    const char* name;
    bool incremental;
};

class ReadOversized : public PasteboardTest, public ::testing::WithParamInterface<OversizeCase> {};

TEST_P(ReadOversized, IsLeftOutWithALogLineAndTheRestIsKept) {
    constexpr qsizetype limit = 64 * 1024;
    usePasteboard({clipboardRequestTimeout, limit});
    LogCapture log;
    const qint64 before = m_pasteboard->changeCount();
    std::unique_ptr<ChildProcess> owner;
    if (GetParam().incremental) {
        // xclip sends anything over about 1 MB incrementally.
        owner = startXclip(u"image/png"_qs, QByteArray(2 * 1024 * 1024, 'x'));
    } else {
        owner = startOwner(
            {{u"image/png"_qs, QByteArray(limit + 1, 'x')}, {u"UTF8_STRING"_qs, "caption"}});
    }
    ASSERT_TRUE(waitForChange(before, [&] {
        return m_pasteboard->types() && m_pasteboard->types()->contains(PasteboardType::png);
    }));
    EXPECT_EQ(m_pasteboard->data(PasteboardType::png), std::nullopt);
    if (!GetParam().incremental) {
        EXPECT_EQ(m_pasteboard->string(PasteboardType::string), u"caption"_qs);
    }
    EXPECT_TRUE(log.contains(u"Quillbox: clipboard data image/png is larger than 65536 bytes"_qs));
}

INSTANTIATE_TEST_SUITE_P(, ReadOversized,
                         ::testing::Values(OversizeCase{"in_one_piece", false},
                                           OversizeCase{"incremental", true}),
                         [](const auto& info) { return std::string(info.param.name); });
