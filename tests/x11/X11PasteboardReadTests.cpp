// Reading what real clipboard owners offer, through the pasteboard and the
// clipboard parser.
#include "PasteboardFixture.h"
#include "TestContent.h"
#include "capture/ClipboardParser.h"
#include "content/PasteboardTypes.h"

#include <QImage>
#include <functional>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

// One row per offer as applications make it: a single target comes from
// xclip, several from the test owner.
struct OfferCase {
    const char* name;
    QList<QPair<QString, QByteArray>> targets;
    QString expectedType;
    std::optional<ContentCategory> category; // none: seen but not recorded
    QByteArray expectedContent = {};         // null: the first target's bytes
    QSize thumbnail = {};                    // invalid: no thumbnail nor dimensions
    std::optional<QString> plainText = {};   // checked for rich text only
};

class ReadOffer : public PasteboardTest, public ::testing::WithParamInterface<OfferCase> {};

TEST_P(ReadOffer, ClassifiesAndKeepsTheContent) {
    const auto& row = GetParam();
    const qint64 before = m_pasteboard->changeCount();
    auto owner = row.targets.size() == 1 ? startXclip(row.targets[0].first, row.targets[0].second)
                                         : startOwner(row.targets);
    ASSERT_TRUE(waitForChange(
        before,
        [&] { return m_pasteboard->types() && m_pasteboard->types()->contains(row.expectedType); }))
        << "types: " << m_pasteboard->types().value_or(QStringList()).join(u", "_qs).toStdString();

    const auto parsed = ClipboardParser::parse(*m_pasteboard);
    if (!row.category) {
        EXPECT_EQ(parsed, std::nullopt);
        // Flagged content is never fetched from its owner.
        EXPECT_EQ(m_pasteboard->data(PasteboardType::string), std::nullopt);
        return;
    }
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->category, *row.category);
    EXPECT_EQ(parsed->contentType, row.expectedType);
    EXPECT_EQ(parsed->content,
              row.expectedContent.isNull() ? row.targets[0].second : row.expectedContent);
    EXPECT_EQ(parsed->thumbnailData ? QImage::fromData(*parsed->thumbnailData).size() : QSize(),
              row.thumbnail);
    if (row.category == ContentCategory::richText) {
        EXPECT_EQ(parsed->plainText, row.plainText);
        EXPECT_EQ(parsed->richTextData, parsed->content);
    }
}

const QByteArray twoFiles = "file:///tmp/a%20b.txt\nfile:///srv/y.png";

INSTANTIATE_TEST_SUITE_P(
    , ReadOffer,
    ::testing::Values(
        OfferCase{"jpeg_with_exif_rotation_gets_an_upright_thumbnail",
                  {{u"image/jpeg"_qs, jpegWithOrientation(300, 200, 6)}},
                  PasteboardType::jpeg,
                  ContentCategory::image,
                  {},
                  {200, 300}},
        OfferCase{"web_address_as_uri_list",
                  {{u"text/uri-list"_qs, "https://example.org/a%20b?q=1"}},
                  PasteboardType::url,
                  ContentCategory::url},
        OfferCase{"old_client_latin1_text",
                  {{u"STRING"_qs, "caf\xe9 cr\xe8me"}},
                  PasteboardType::string,
                  ContentCategory::text,
                  "caf\xc3\xa9 cr\xc3\xa8me"},
        OfferCase{"rich_text_with_plain_text",
                  {{u"text/rtf"_qs, "{\\rtf1\\ansi {\\b bold} words}"},
                   {u"UTF8_STRING"_qs, "bold words"}},
                  PasteboardType::rtf,
                  ContentCategory::richText,
                  {},
                  {},
                  u"bold words"_qs},
        // Firefox sends its HTML as UTF-16; it is kept as UTF-8.
        OfferCase{"browser_html_with_plain_text",
                  {{u"text/html"_qs, "\xff\xfe" + utf16le(u"<b>caf\u00e9</b> words"_qs)},
                   {u"text/_moz_htmlcontext"_qs, utf16le(u"<html><body></body></html>"_qs)},
                   {u"UTF8_STRING"_qs, "caf\xc3\xa9 words"}},
                  PasteboardType::html,
                  ContentCategory::richText,
                  "<b>caf\xc3\xa9</b> words",
                  {},
                  u"caf\u00e9 words"_qs},
        OfferCase{
            "file_list_with_comment_and_crlf",
            {{u"text/uri-list"_qs, "# two files\r\nfile:///tmp/a%20b.txt\r\nfile:///srv/y.png\r\n"},
             {u"UTF8_STRING"_qs, "a b.txt\ny.png"}},
            PasteboardType::fileURL,
            ContentCategory::file,
            twoFiles},
        OfferCase{"gnome_file_manager_copy",
                  {{u"x-special/gnome-copied-files"_qs, "copy\n" + twoFiles},
                   {u"UTF8_STRING"_qs, "a b.txt\ny.png"}},
                  PasteboardType::fileURL,
                  ContentCategory::file,
                  twoFiles},
        OfferCase{"firefox_link",
                  {{u"text/x-moz-url"_qs, utf16le(u"https://example.org/x%20y\nExample"_qs)},
                   {u"UTF8_STRING"_qs, "https://example.org/x%20y"}},
                  PasteboardType::url,
                  ContentCategory::url,
                  "https://example.org/x%20y"},
        // Markers that keep a copy out of the history, as other clients set
        // them; the rest of the markers are mapped without an X server.
        OfferCase{"kde_password_manager_hint",
                  {{u"UTF8_STRING"_qs, "hunter2"}, {u"x-kde-passwordManagerHint"_qs, ""}},
                  PasteboardType::concealed,
                  std::nullopt},
        OfferCase{"generator_type_with_spaces",
                  {{u"UTF8_STRING"_qs, "hunter2"}, {u"Pasteboard generator type"_qs, ""}},
                  u"Pasteboard generator type"_qs,
                  std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// Large offers, sent in chunks: xclip sends anything over about 1 MB so; our
// test owner shows how other owners pace their chunks.
struct LargeCase {
    const char* name;
    QString target;
    QString type;
    std::function<QByteArray()> bytes;
    QString ownerMode;   // empty: xclip
    bool isWhole = true; // false: the owner ends early, and nothing may be kept
};

void PrintTo(const LargeCase& row, std::ostream* out) {
    *out << row.name;
}

class ReadLarge : public PasteboardTest, public ::testing::WithParamInterface<LargeCase> {};

TEST_P(ReadLarge, ArrivesWholeOrNotAtAll) {
    const auto& row = GetParam();
    LogCapture log;
    const QByteArray bytes = row.bytes();
    const qint64 before = m_pasteboard->changeCount();
    auto owner = row.ownerMode.isEmpty() ? startXclip(row.target, bytes)
                                         : startOwner({{row.target, bytes}}, row.ownerMode);
    ASSERT_TRUE(waitForChange(
        before, [&] { return m_pasteboard->types().has_value(); }, std::chrono::seconds(30)));
    const auto data = m_pasteboard->data(row.type);
    if (!row.isWhole) {
        EXPECT_EQ(data, std::nullopt) << "kept " << data.value_or(QByteArray()).size() << " bytes";
        EXPECT_TRUE(log.contains(u"Quillbox: the clipboard owner ended "_qs));
        return;
    }
    ASSERT_TRUE(data);
    ASSERT_EQ(data->size(), bytes.size());
    EXPECT_EQ(*data, bytes);
    // Once the change is taken, contents this large are held only as long as
    // the taker holds them.
    auto taken = m_pasteboard->takePendingChanges();
    EXPECT_EQ(m_pasteboard->data(row.type).value_or(QByteArray()).size(), bytes.size());
    taken.clear();
    EXPECT_EQ(m_pasteboard->data(row.type), std::nullopt);
    EXPECT_TRUE(m_pasteboard->types().value_or(QStringList()).contains(row.type));
}

INSTANTIATE_TEST_SUITE_P(
    , ReadLarge,
    ::testing::Values(
        // Stored without compression, so the PNG is about 20 MB.
        LargeCase{"png_20_mb",
                  u"image/png"_qs,
                  PasteboardType::png,
                  [] { return encodedImage(gradientImage(2600, 2600), "PNG", 100); },
                  {}},
        LargeCase{"text_50_mb",
                  u"UTF8_STRING"_qs,
                  PasteboardType::string,
                  [] { return largeText(50'000'000); },
                  {}},
        // A notice for a chunk already taken is not the end of the transfer.
        LargeCase{"text_in_chunks_written_in_two_steps", u"UTF8_STRING"_qs, PasteboardType::string,
                  [] { return largeText(4'000'000); }, u"incr-split"_qs},
        LargeCase{"text_ended_before_its_announced_size", u"UTF8_STRING"_qs, PasteboardType::string,
                  [] { return largeText(4'000'000); }, u"incr-short"_qs, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Data over the size limit, in one piece or announced as an incremental
// transfer (xclip sends anything over about 1 MB incrementally).
class ReadOversized : public PasteboardTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ReadOversized, IsLeftOutWithALogLineAndTheRestIsKept) {
    const bool incremental = GetParam();
    constexpr qsizetype limit = 64 * 1024;
    usePasteboard({clipboardRequestTimeout, limit});
    LogCapture log;
    const qint64 before = m_pasteboard->changeCount();
    auto owner = incremental ? startXclip(u"image/png"_qs, QByteArray(2 * 1024 * 1024, 'x'))
                             : startOwner({{u"image/png"_qs, QByteArray(limit + 1, 'x')},
                                           {u"UTF8_STRING"_qs, "caption"}});
    ASSERT_TRUE(waitForChange(before, [&] {
        return m_pasteboard->types() && m_pasteboard->types()->contains(PasteboardType::png);
    }));
    EXPECT_EQ(m_pasteboard->data(PasteboardType::png), std::nullopt);
    if (!incremental) {
        EXPECT_EQ(m_pasteboard->string(PasteboardType::string), u"caption"_qs);
    }
    EXPECT_TRUE(log.contains(u"Quillbox: clipboard data image/png is larger than 65536 bytes"_qs));
}

INSTANTIATE_TEST_SUITE_P(, ReadOversized, ::testing::Values(false, true), [](const auto& info) {
    return std::string(info.param ? "incremental" : "in_one_piece");
});

} // namespace
