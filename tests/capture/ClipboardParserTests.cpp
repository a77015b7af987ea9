#include "FakePasteboard.h"
#include "TestContent.h"
#include "capture/ClipboardParser.h"
#include "content/HtmlText.h"
#include "content/PasteboardTypes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace quillbox {
namespace {

using testing::FakePasteboard;
namespace Type = PasteboardType;

const QByteArray rtf = "{\\rtf1\\ansi Hello}";
const QByteArray boldHtml = "<meta charset='utf-8'><p><b>let</b> a<br>return a</p>";
const QByteArray imageHtml = "<img src=\"https://example.com/x.png\">\n";

ParsedClipboardContent expected(const QByteArray& content, const QString& contentType,
                                ContentCategory category, std::optional<QString> text = {},
                                std::optional<qint64> characterCount = {}) {
    auto parsed = testing::parsedContent(content, contentType, category, std::move(text));
    parsed.characterCount = characterCount;
    return parsed;
}

ParsedClipboardContent expectedText(const QString& text, ContentCategory category,
                                    qint64 characterCount) {
    return expected(text.toUtf8(), Type::string, category, text, characterCount);
}

ParsedClipboardContent expectedRich(const QByteArray& data, const QString& type,
                                    std::optional<QString> text, std::optional<qint64> count) {
    auto parsed = expected(data, type, ContentCategory::richText, std::move(text), count);
    parsed.richTextData = data;
    return parsed;
}

ParsedClipboardContent expectedURL(const QString& url) {
    auto parsed = testing::urlContent(url);
    parsed.characterCount = url.size();
    return parsed;
}

ParsedClipboardContent expectedColor(const QByteArray& data, const QString& hex) {
    auto parsed = expected(data, Type::color, ContentCategory::color, hex);
    parsed.colorHex = hex;
    return parsed;
}

ParsedClipboardContent expectedFiles() {
    auto parsed = expected("file:///a/x.txt\nfile:///b/my%20y.png", Type::fileURL,
                           ContentCategory::file, QStringLiteral("/a/x.txt\n/b/my y.png"));
    parsed.title = QStringLiteral("x.txt, my y.png");
    parsed.filePath = QStringLiteral("/a/x.txt");
    return parsed;
}

struct ParseCase {
    const char* name;
    std::optional<QStringList> types; // none: the clipboard lists no types at all
    QHash<QString, QByteArray> data;
    std::optional<ParsedClipboardContent> expected;
    std::optional<QList<QUrl>> fileURLs = {};
    std::optional<QColor> color = {};
};

void PrintTo(const ParseCase& row, std::ostream* os) {
    *os << row.name;
}

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesTheExpectedRecord) {
    const ParseCase& row = GetParam();
    FakePasteboard pasteboard;
    pasteboard.setContents(row.types.value_or(QStringList()));
    if (!row.types)
        pasteboard.setTypesToNone();
    for (auto it = row.data.cbegin(); it != row.data.cend(); ++it)
        pasteboard.setData(it.key(), it.value());
    pasteboard.setFileURLs(row.fileURLs);
    pasteboard.setColor(row.color);
    EXPECT_EQ(ClipboardParser::parse(pasteboard), row.expected);
}

const QString concealed = QStringLiteral("org.nspasteboard.ConcealedType");
const QString emojiFamily = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
const QByteArray orange = encodeColorData(QColor(255, 128, 0, 10));
const QList<QUrl> twoFiles{QUrl::fromLocalFile(QStringLiteral("/a/x.txt")),
                           QUrl::fromLocalFile(QStringLiteral("/b/my y.png"))};

const ParseCase parseCases[] = {
    {"nothing_on_the_clipboard", std::nullopt, {}, std::nullopt},
    {"empty_type_list", QStringList{}, {}, std::nullopt},
    {"concealed_marker_beside_text",
     QStringList{Type::string, concealed},
     {{Type::string, "secret"}},
     std::nullopt},
    {"marker_differing_in_letter_case_is_not_a_marker",
     QStringList{Type::string, concealed.toLower()},
     {{Type::string, "secret"}},
     testing::textContent(QStringLiteral("secret"))},
    {"white_space_only_text", QStringList{Type::string}, {{Type::string, "   \n\t"}}, std::nullopt},
    {"text_keeps_its_surrounding_spaces",
     QStringList{Type::string},
     {{Type::string, "  hi  "}},
     testing::textContent(QStringLiteral("  hi  "))},
    {"two_code_indicators_make_code",
     QStringList{Type::string},
     {{Type::string, "let x = 1\nreturn x"}},
     expectedText(QStringLiteral("let x = 1\nreturn x"), ContentCategory::code, 18)},
    {"emoji_family_is_one_character",
     QStringList{Type::string},
     {{Type::string, emojiFamily.toUtf8()}},
     expectedText(emojiFamily, ContentCategory::text, 1)},
    {"unknown_types_only", QStringList{QStringLiteral("text/x-unknown")}, {}, std::nullopt},
    {"empty_url_does_not_fall_back_to_text",
     QStringList{Type::url, Type::string},
     {{Type::url, ""}, {Type::string, "some words"}},
     std::nullopt},
    {"url_read_from_the_plain_text",
     QStringList{Type::url, Type::string},
     {{Type::string, "https://example.com/a?b=c"}},
     expectedURL(QStringLiteral("https://example.com/a?b=c"))},
    {"url_wins_over_rich_text",
     QStringList{Type::rtf, Type::url},
     {{Type::rtf, rtf}, {Type::url, "https://example.com/"}},
     expectedURL(QStringLiteral("https://example.com/"))},
    {"url_with_a_space_is_not_recorded",
     QStringList{Type::url},
     {{Type::url, "https://example.com/a b"}},
     std::nullopt},
    {"rtf_listed_without_data_uses_the_plain_string",
     QStringList{Type::rtf, Type::string},
     {{Type::string, "Hello"}},
     expectedText(QStringLiteral("Hello"), ContentCategory::richText, 5)},
    {"rtf_with_data_keeps_the_rtf_bytes",
     QStringList{Type::string, Type::rtf},
     {{Type::rtf, rtf}, {Type::string, "Hello"}},
     expectedRich(rtf, Type::rtf, QStringLiteral("Hello"), 5)},
    {"rtfd_preferred_and_code_stays_rich_text",
     QStringList{Type::rtf, Type::rtfd, Type::string},
     {{Type::rtf, rtf}, {Type::rtfd, "rtfd"}, {Type::string, "let a\nreturn a"}},
     expectedRich("rtfd", Type::rtfd, QStringLiteral("let a\nreturn a"), 14)},
    {"rtf_without_plain_string_has_no_count",
     QStringList{Type::rtf},
     {{Type::rtf, rtf}},
     expectedRich(rtf, Type::rtf, std::nullopt, std::nullopt)},
    {"rtf_listed_with_nothing_readable", QStringList{Type::rtf}, {}, std::nullopt},
    {"html_keeps_the_owners_plain_text_and_code_stays_rich_text",
     QStringList{Type::html, Type::string},
     {{Type::html, boldHtml}, {Type::string, "let a\nreturn a"}},
     expectedRich(boldHtml, Type::html, QStringLiteral("let a\nreturn a"), 14)},
    {"html_alone_gives_its_words_without_hidden_parts",
     QStringList{Type::html},
     {{Type::html, "<style>p{color:red}</style><script>var x;</script><ul><li>one &amp; "
                   "two</li><li>caf&eacute;</li></ul><p>&nbsp;</p>"}},
     expectedRich("<style>p{color:red}</style><script>var x;</script><ul><li>one &amp; "
                  "two</li><li>caf&eacute;</li></ul><p>&nbsp;</p>",
                  Type::html, QStringLiteral("one & two\ncaf\u00e9"), 14)},
    {"html_with_blank_plain_text_gives_its_words",
     QStringList{Type::string, Type::html},
     {{Type::html, "<p>word</p>"}, {Type::string, " "}},
     expectedRich("<p>word</p>", Type::html, QStringLiteral("word"), 4)},
    {"html_of_an_image_alone_has_no_text",
     QStringList{Type::html},
     {{Type::html, imageHtml}},
     expectedRich(imageHtml, Type::html, std::nullopt, std::nullopt)},
    {"blank_html_and_no_text", QStringList{Type::html}, {{Type::html, " \r\n"}}, std::nullopt},
    {"rtf_wins_over_html",
     QStringList{Type::html, Type::rtf, Type::string},
     {{Type::html, boldHtml}, {Type::rtf, rtf}, {Type::string, "Hello"}},
     expectedRich(rtf, Type::rtf, QStringLiteral("Hello"), 5)},
    {"two_file_urls",
     QStringList{Type::fileURL, Type::string, Type::png},
     {},
     expectedFiles(),
     twoFiles},
    {"file_type_without_urls_does_not_fall_back",
     QStringList{Type::fileURL, Type::string},
     {{Type::string, "x.txt"}},
     std::nullopt},
    {"colour_that_cannot_be_decoded_is_black",
     QStringList{Type::color, Type::string},
     {{Type::color, QByteArray("\x01\x02", 2)}},
     expectedColor(QByteArray("\x01\x02", 2), QStringLiteral("#000000"))},
    {"colour_keeps_its_bytes_and_gets_its_hex",
     QStringList{Type::color},
     {{Type::color, orange}},
     expectedColor(orange, QStringLiteral("#FF8000")),
     {},
     QColor(255, 128, 0, 10)},
    {"colour_listed_without_data", QStringList{Type::color}, {}, std::nullopt},
    {"undecodable_image_is_kept_without_preview",
     QStringList{Type::png},
     {{Type::png, "not a picture"}},
     expected("not a picture", Type::png, ContentCategory::image)},
    {"image_listed_without_data", QStringList{Type::jpeg}, {}, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Clipboard, ParseTest, ::testing::ValuesIn(parseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClipboardParser, PrefersPngOverTiffAndDescribesTheImage) {
    FakePasteboard pasteboard;
    pasteboard.setContents({Type::tiff, Type::png});
    const QByteArray png = testing::encodedImage(testing::gradientImage(1200, 300), "PNG");
    pasteboard.setData(Type::tiff, testing::encodedImage(testing::gradientImage(10, 10), "TIFF"));
    pasteboard.setData(Type::png, png);

    const auto parsed = ClipboardParser::parse(pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->category, ContentCategory::image);
    EXPECT_EQ(parsed->contentType, Type::png);
    EXPECT_EQ(parsed->content, png);
    EXPECT_EQ(parsed->imageDimensions, QStringLiteral("1200 x 300"));
    ASSERT_TRUE(parsed->thumbnailData);
    EXPECT_EQ(QImage::fromData(*parsed->thumbnailData, "PNG").size(), QSize(600, 150));
    EXPECT_EQ(pasteboard.readCount(Type::tiff), 0);
}

TEST(ClipboardParser, ReadsHtmlWithoutOpeningWhatItLinksAndOnlyItsStart) {
    // A style sheet that, were it read, would keep the spaces apart.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile sheet(folder.filePath(QStringLiteral("s.css")));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("p { white-space: pre }");
    sheet.close();
    const QByteArray linked = "<html><head><link rel=\"stylesheet\" href=\"" +
                              QUrl::fromLocalFile(sheet.fileName()).toEncoded() +
                              "\"></head><body><p>a    b</p></body></html>";
    FakePasteboard pasteboard;
    pasteboard.setContents({Type::html});
    pasteboard.setData(Type::html, linked);
    auto parsed = ClipboardParser::parse(pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->plainText, QStringLiteral("a b"));

    // A page far larger than what is read: its words come from its start,
    // and the whole page is still what is kept.
    QByteArray page;
    while (page.size() < 16 * HtmlText::readLength)
        page += "<p>caf\xc3\xa9 words</p>";
    pasteboard.setData(Type::html, page);
    parsed = ClipboardParser::parse(pasteboard);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->content, page);
    ASSERT_TRUE(parsed->plainText);
    EXPECT_TRUE(parsed->plainText->startsWith(QStringLiteral("caf\u00e9 words\ncaf\u00e9")));
    EXPECT_LT(parsed->plainText->size(), HtmlText::readLength);
}

TEST(ClipboardParser, CountsEachCodeIndicatorOnce) {
    const std::pair<const char*, bool> rows[] = {
        {"return a; return b; return c", false}, // one indicator, three times
        {"Return x; Let y = 2", false},          // case matters
        {"def f():\n    return 1", true},
        {"items.map(x => {\n  use(x)\n});", true}, // "=> {" and "});"
        {"if (ready) go();", false},
        {"struct Café {\n};", true},  // an indicator that ends the text
        {"«public » static;", false}, // "public " needs its space
        {"", false},
    };
    for (const auto& [text, isCode] : rows)
        EXPECT_EQ(ClipboardParser::looksLikeCode(QString::fromUtf8(text)), isCode) << text;
}

TEST(ClipboardParser, AcceptsUrlsAStrictParserAccepts) {
    const std::pair<const char*, bool> rows[] = {
        {"https://example.com/path?q=1#top", true},
        {"mailto:someone@example.com", true},
        {"relative/path", true},
        {"two words", false},
        {"https://example.com/\nsecond line", false},
        {"http://[::1", false},
        {"https://example.com/%zz", false},
    };
    for (const auto& [text, isURL] : rows)
        EXPECT_EQ(isParsableURL(QString::fromUtf8(text)), isURL) << text;
}

} // namespace
} // namespace quillbox
