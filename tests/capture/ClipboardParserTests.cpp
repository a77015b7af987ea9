#include "FakePasteboard.h"
#include "TestImages.h"
#include "capture/ClipboardParser.h"
#include "content/Hash.h"
#include "content/PasteboardTypes.h"

#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

namespace quillbox {
namespace {

using testing::FakePasteboard;
namespace Type = PasteboardType;

const QString rtfBytes = QStringLiteral("{\\rtf1\\ansi Hello}");

ParsedClipboardContent expected(const QByteArray& content, const QString& contentType,
                                ContentCategory category) {
    ParsedClipboardContent parsed;
    parsed.content = content;
    parsed.contentType = contentType;
    parsed.category = category;
    parsed.contentHash = sha256Hash(content);
    return parsed;
}

ParsedClipboardContent expectedText(const QString& text, ContentCategory category,
                                    qint64 characterCount) {
    auto parsed = expected(text.toUtf8(), Type::string, category);
    parsed.plainText = text;
    parsed.characterCount = characterCount;
    return parsed;
}

ParsedClipboardContent expectedURL(const QString& url) {
    auto parsed = expected(url.toUtf8(), Type::url, ContentCategory::url);
    parsed.plainText = url;
    parsed.urlString = url;
    parsed.characterCount = url.size();
    return parsed;
}

struct ParseCase {
    const char* name;
    std::function<void(FakePasteboard&)> arrange;
    std::optional<ParsedClipboardContent> expected;
};

void PrintTo(const ParseCase& row, std::ostream* os) {
    *os << row.name;
}

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesTheExpectedRecord) {
    FakePasteboard pasteboard;
    GetParam().arrange(pasteboard);
    const auto parsed = ClipboardParser::parse(pasteboard);
    ASSERT_EQ(parsed.has_value(), GetParam().expected.has_value());
    if (parsed) {
        EXPECT_EQ(*parsed, *GetParam().expected);
    }
}

auto plainText(const QString& text) {
    return [text](FakePasteboard& p) {
        p.setContents({Type::string});
        p.setString(Type::string, text);
    };
}

const ParseCase parseCases[] = {
    {"nothing_on_the_clipboard", [](FakePasteboard& p) { p.setTypesToNone(); }, std::nullopt},
    {"empty_type_list", [](FakePasteboard& p) { p.setContents({}); }, std::nullopt},
    {"concealed_marker_beside_text",
     [](FakePasteboard& p) {
         p.setContents({Type::string, QStringLiteral("org.nspasteboard.ConcealedType")});
         p.setString(Type::string, QStringLiteral("secret"));
     },
     std::nullopt},
    {"marker_differing_in_letter_case_is_not_a_marker",
     [](FakePasteboard& p) {
         p.setContents({Type::string, QStringLiteral("org.nspasteboard.concealedtype")});
         p.setString(Type::string, QStringLiteral("secret"));
     },
     expectedText(QStringLiteral("secret"), ContentCategory::text, 6)},
    {"white_space_only_text", plainText(QStringLiteral("   \n\t")), std::nullopt},
    {"text_keeps_its_surrounding_spaces", plainText(QStringLiteral("  hi  ")),
     expectedText(QStringLiteral("  hi  "), ContentCategory::text, 6)},
    {"two_code_indicators_make_code", plainText(QStringLiteral("let x = 1\nreturn x")),
     expectedText(QStringLiteral("let x = 1\nreturn x"), ContentCategory::code, 18)},
    {"one_indicator_is_still_text", plainText(QStringLiteral("Please return the book.")),
     expectedText(QStringLiteral("Please return the book."), ContentCategory::text, 23)},
    {"emoji_family_is_one_character",
     plainText(QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467")),
     expectedText(QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467"),
                  ContentCategory::text, 1)},
    {"unknown_types_only", [](FakePasteboard& p) { p.setContents({QStringLiteral("text/html")}); },
     std::nullopt},
    {"listed_text_without_data", [](FakePasteboard& p) { p.setContents({Type::string}); },
     std::nullopt},
    {"empty_url_does_not_fall_back_to_text",
     [](FakePasteboard& p) {
         p.setContents({Type::url, Type::string});
         p.setString(Type::url, QString());
         p.setString(Type::string, QStringLiteral("some words"));
     },
     std::nullopt},
    {"url_read_from_the_plain_text",
     [](FakePasteboard& p) {
         p.setContents({Type::url, Type::string});
         p.setString(Type::string, QStringLiteral("https://example.com/a?b=c"));
     },
     expectedURL(QStringLiteral("https://example.com/a?b=c"))},
    {"url_wins_over_rich_text",
     [](FakePasteboard& p) {
         p.setContents({Type::rtf, Type::url});
         p.setString(Type::rtf, rtfBytes);
         p.setString(Type::url, QStringLiteral("https://example.com/"));
     },
     expectedURL(QStringLiteral("https://example.com/"))},
    {"url_with_a_space_is_not_recorded",
     [](FakePasteboard& p) {
         p.setContents({Type::url});
         p.setString(Type::url, QStringLiteral("https://example.com/a b"));
     },
     std::nullopt},
    {"rtf_listed_without_data_uses_the_plain_string",
     [](FakePasteboard& p) {
         p.setContents({Type::rtf, Type::string});
         p.setString(Type::string, QStringLiteral("Hello"));
     },
     expectedText(QStringLiteral("Hello"), ContentCategory::richText, 5)},
    {"rtf_with_data_keeps_the_rtf_bytes",
     [](FakePasteboard& p) {
         p.setContents({Type::string, Type::rtf});
         p.setString(Type::rtf, rtfBytes);
         p.setString(Type::string, QStringLiteral("Hello"));
     },
     [] {
         auto parsed = expected(rtfBytes.toUtf8(), Type::rtf, ContentCategory::richText);
         parsed.richTextData = rtfBytes.toUtf8();
         parsed.plainText = QStringLiteral("Hello");
         parsed.characterCount = 5;
         return parsed;
     }()},
    {"rtfd_preferred_and_code_stays_rich_text",
     [](FakePasteboard& p) {
         p.setContents({Type::rtf, Type::rtfd, Type::string});
         p.setString(Type::rtf, rtfBytes);
         p.setData(Type::rtfd, QByteArray("rtfd"));
         p.setString(Type::string, QStringLiteral("let a\nreturn a"));
     },
     [] {
         auto parsed = expected("rtfd", Type::rtfd, ContentCategory::richText);
         parsed.richTextData = QByteArray("rtfd");
         parsed.plainText = QStringLiteral("let a\nreturn a");
         parsed.characterCount = 14;
         return parsed;
     }()},
    {"rtf_without_plain_string_has_no_count",
     [](FakePasteboard& p) {
         p.setContents({Type::rtf});
         p.setString(Type::rtf, rtfBytes);
     },
     [] {
         auto parsed = expected(rtfBytes.toUtf8(), Type::rtf, ContentCategory::richText);
         parsed.richTextData = rtfBytes.toUtf8();
         return parsed;
     }()},
    {"rtf_listed_with_nothing_readable", [](FakePasteboard& p) { p.setContents({Type::rtf}); },
     std::nullopt},
    {"two_file_urls",
     [](FakePasteboard& p) {
         p.setContents({Type::fileURL, Type::string, Type::png});
         p.setFileURLs(QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/a/x.txt")),
                                   QUrl::fromLocalFile(QStringLiteral("/b/my y.png"))});
     },
     [] {
         auto parsed = expected("file:///a/x.txt\nfile:///b/my%20y.png", Type::fileURL,
                                ContentCategory::file);
         parsed.plainText = QStringLiteral("/a/x.txt\n/b/my y.png");
         parsed.title = QStringLiteral("x.txt, my y.png");
         parsed.filePath = QStringLiteral("/a/x.txt");
         return parsed;
     }()},
    {"file_type_without_urls_does_not_fall_back",
     [](FakePasteboard& p) {
         p.setContents({Type::fileURL, Type::string});
         p.setString(Type::string, QStringLiteral("x.txt"));
     },
     std::nullopt},
    {"colour_that_cannot_be_decoded_is_black",
     [](FakePasteboard& p) {
         p.setContents({Type::color, Type::string});
         p.setData(Type::color, QByteArray("\x01\x02", 2));
     },
     [] {
         auto parsed = expected(QByteArray("\x01\x02", 2), Type::color, ContentCategory::color);
         parsed.plainText = QStringLiteral("#000000");
         parsed.colorHex = QStringLiteral("#000000");
         return parsed;
     }()},
    {"colour_keeps_its_bytes_and_gets_its_hex",
     [](FakePasteboard& p) {
         p.setContents({Type::color});
         p.setData(Type::color, encodeColorData(QColor(255, 128, 0, 10)));
         p.setColor(QColor(255, 128, 0, 10));
     },
     [] {
         auto parsed = expected(encodeColorData(QColor(255, 128, 0, 10)), Type::color,
                                ContentCategory::color);
         parsed.plainText = QStringLiteral("#FF8000");
         parsed.colorHex = QStringLiteral("#FF8000");
         return parsed;
     }()},
    {"colour_listed_without_data", [](FakePasteboard& p) { p.setContents({Type::color}); },
     std::nullopt},
    {"undecodable_image_is_kept_without_preview",
     [](FakePasteboard& p) {
         p.setContents({Type::png});
         p.setData(Type::png, QByteArray("not a picture"));
     },
     expected("not a picture", Type::png, ContentCategory::image)},
    {"image_listed_without_data", [](FakePasteboard& p) { p.setContents({Type::jpeg}); },
     std::nullopt},
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
    EXPECT_EQ(parsed->contentHash, sha256Hash(png));
    EXPECT_EQ(parsed->imageDimensions, QStringLiteral("1200 x 300"));
    ASSERT_TRUE(parsed->thumbnailData);
    EXPECT_EQ(QImage::fromData(*parsed->thumbnailData, "PNG").size(), QSize(600, 150));
    EXPECT_EQ(pasteboard.readCount(Type::tiff), 0);
    EXPECT_FALSE(parsed->plainText);
}

TEST(ClipboardParser, ReadsThePlainStringOnlyForClassifyingAndParsing) {
    FakePasteboard pasteboard;
    plainText(QStringLiteral("hello"))(pasteboard);
    ASSERT_TRUE(ClipboardParser::parse(pasteboard));
    EXPECT_EQ(pasteboard.readCount(Type::string), 2);
}

TEST(ClipboardParser, IgnoresEachOfTheSevenMarkers) {
    const auto& markers = ClipboardParser::ignoredMarkerTypes();
    EXPECT_EQ(markers.size(), 7);
    EXPECT_TRUE(markers.contains(QStringLiteral("Pasteboard generator type")));
    for (const auto& marker : markers)
        EXPECT_TRUE(ClipboardParser::shouldIgnore({Type::png, marker})) << marker.toStdString();
    EXPECT_FALSE(ClipboardParser::shouldIgnore({}));
    EXPECT_FALSE(ClipboardParser::shouldIgnore({QStringLiteral("com.agilebits.OnePassword")}));
}

TEST(ClipboardParser, CountsEachCodeIndicatorOnce) {
    struct Row {
        const char* text;
        bool isCode;
    };
    const Row rows[] = {
        {"return a; return b; return c", false}, // one indicator, three times
        {"Return x; Let y = 2", false},          // case matters
        {"def f():\n    return 1", true},
        {"items.map(x => {\n  use(x)\n});", true}, // "=> {" and "});"
        {"if (ready) go();", false},
        {"struct Café {\n};", true},  // an indicator that ends the text
        {"«public » static;", false}, // "public " needs its space
        {"", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ClipboardParser::looksLikeCode(QString::fromUtf8(row.text)), row.isCode)
            << row.text;
}

TEST(ClipboardParser, AcceptsUrlsAStrictParserAccepts) {
    struct Row {
        const char* text;
        bool isURL;
    };
    const Row rows[] = {
        {"", false},
        {"https://example.com/path?q=1#top", true},
        {"mailto:someone@example.com", true},
        {"relative/path", true},
        {"two words", false},
        {"https://example.com/\nsecond line", false},
        {"http://[::1", false},
        {"https://example.com/%zz", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(isParsableURL(QString::fromUtf8(row.text)), row.isURL) << row.text;
}

} // namespace
} // namespace quillbox
