#include "content/ColorHex.h"
#include "content/ContentCategory.h"
#include "content/Hash.h"
#include "content/PasteboardTypes.h"
#include "content/RtfText.h"
#include "content/TextMetrics.h"
#include "content/UntrustedText.h"

#include <gtest/gtest.h>

using namespace quillbox;

TEST(ContentCategory, RawValuesRoundTripAndAreCaseSensitive) {
    ASSERT_EQ(allContentCategories.size(), 7u);
    const QStringList expected{u"text"_qs, u"richText"_qs, u"image"_qs, u"file"_qs,
                               u"url"_qs,  u"color"_qs,    u"code"_qs};
    for (std::size_t i = 0; i < allContentCategories.size(); ++i) {
        EXPECT_EQ(rawValue(allContentCategories[i]), expected[int(i)]);
        EXPECT_EQ(contentCategoryFromRaw(expected[int(i)]), allContentCategories[i]);
    }
    EXPECT_FALSE(contentCategoryFromRaw(u"Text"_qs));
    EXPECT_FALSE(contentCategoryFromRaw(QString()));
    // A kind written by another version reads as text.
    EXPECT_EQ(displayNameForRaw(u"hologram"_qs), u"Text"_qs);
}

TEST(Sha256Hash, IsLowerCaseHexOfAllBytes) {
    EXPECT_EQ(sha256Hash({}),
              u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"_qs);
    EXPECT_EQ(sha256Hash(QByteArray("\x00\xff binary", 9)),
              u"4c73750779898bd2cce93988207d83ffebeca763e66c2edc6e937afcaf25c86b"_qs);
}

TEST(CharacterCount, CountsGraphemeClusters) {
    struct Case {
        const char* name;
        QString text;
        qint64 count;
    };
    const Case cases[] = {
        {"empty", QString(), 0},
        {"spaces around a word stay counted", u"  hi  "_qs, 6},
        {"base letter plus combining mark is one", QStringLiteral("cafe\u0301s"), 5},
        {"family emoji sequence is one",
         QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91"
                           "\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"),
         1},
        {"flag is one", QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA"), 1},
        {"CR LF is one", u"a\r\nb"_qs, 3},
        {"lone CR and LF beside a pair", u"\r\r\n\n"_qs, 3},
        {"accented Latin-1 letters", u"café"_qs, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(characterCount(c.text), c.count) << c.name;
}

TEST(HexString, RoundsHalfAwayFromZeroAndIgnoresAlpha) {
    EXPECT_EQ(hexString(QColor(255, 0, 0)), u"#FF0000"_qs);
    EXPECT_EQ(hexString(QColor::fromRgbF(0.5f, 0.5f, 0.5f)), u"#808080"_qs);
    EXPECT_EQ(hexString(QColor(30, 144, 255)), u"#1E90FF"_qs);
    EXPECT_EQ(hexString(QColor(Qt::transparent)), u"#000000"_qs);
    EXPECT_EQ(hexString(QColor(0, 255, 0, 10)), u"#00FF00"_qs);
}

TEST(ColorFromHex, ReadsAHexNumberLikeAScannerAndFallsBackToBlack) {
    const struct {
        const char* name;
        QString text;
        QColor color;
    } cases[] = {
        {"with hash", u"#FF8000"_qs, QColor(255, 128, 0)},
        {"without hash, lower case", u"1e90ff"_qs, QColor(30, 144, 255)},
        {"hashes at both ends", u"##00FF00#"_qs, QColor(0, 255, 0)},
        {"0x prefix", u"0x0000FF"_qs, QColor(0, 0, 255)},
        {"three digits are a number, not shorthand", u"#F0A"_qs, QColor(0, 0x0F, 0x0A)},
        {"eight digits use the last six", u"#11223344"_qs, QColor(0x22, 0x33, 0x44)},
        {"reading stops at a non-digit", u"#12zz"_qs, QColor(0, 0, 0x12)},
        {"no digits is black", u"orange"_qs, QColor(0, 0, 0)},
        {"empty is black", QString(), QColor(0, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(colorFromHex(c.text), c.color) << c.name;
}

TEST(ColorData, RoundTripsAndRejectsShortData) {
    const QColor color(12, 200, 99, 255);
    const auto decoded = decodeColorData(encodeColorData(color));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(hexString(*decoded), hexString(color));
    EXPECT_FALSE(decodeColorData(QByteArray("abc")));
}

TEST(UntrustedText, EachFormNeutralisesWhatActsOrReordersAndKeepsTheRest) {
    struct Row {
        const char16_t* text;
        const char16_t* block;
        const char16_t* line;
        const char16_t* terminal;
    };
    const Row rows[] = {
        // An override that shows "evilexe.txt", and each of the others.
        {u"evil\u202Etxt.exe\u202C", u"eviltxt.exe", u"eviltxt.exe", u"evil\\u202etxt.exe\\u202c"},
        {u"a\u202Ab\u202Bc\u202Dd", u"abcd", u"abcd", u"a\\u202ab\\u202bc\\u202dd"},
        {u"a\u2066b\u2067c\u2068d\u2069", u"abcd", u"abcd", u"a\\u2066b\\u2067c\\u2068d\\u2069"},
        // Marks and right-to-left letters stay.
        {u"\u200E\u200F\u061C\u05D0\u0628", u"\u200E\u200F\u061C\u05D0\u0628",
         u"\u200E\u200F\u061C\u05D0\u0628", u"\u200E\u200F\u061C\u05D0\u0628"},
        {u"one\r\ntwo\rthree\nfour\u2029five", u"one\u2028two\u2028three\u2028four\u2028five",
         u"one  two three four five", u"one\\r\\ntwo\\rthree\\nfour\u2029five"},
        {u"tab\there\x1b[2J\x7f\u009b", u"tab\there [2J  ", u"tab here [2J  ",
         u"tab\\there\\x1b[2J\\x7f\\x9b"},
    };
    for (const Row& row : rows) {
        const QString text = QString::fromUtf16(row.text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(UntrustedText::block(text), QString::fromUtf16(row.block));
        EXPECT_EQ(UntrustedText::line(text), QString::fromUtf16(row.line));
        EXPECT_EQ(UntrustedText::terminal(text), QString::fromUtf16(row.terminal));
    }
    EXPECT_EQ(UntrustedText::terminal(u"a\nb\u202E", true), QStringLiteral("a\nb\\u202e"));
}

TEST(RtfText, TheWordsOfTheDocumentWithoutItsTablesAndFormatting) {
    const std::pair<const char*, const char16_t*> rows[] = {
        {R"({\rtf1\ansi{\fonttbl{\f0 Helvetica;}}{\colortbl;\red255\green0\blue0;}\f0\cf1 Hello {\b bold}\par World})",
         u"Hello bold\nWorld"},
        {R"({\rtf1 caf\'e9 \'80 \u8364? \uc2\u8364xx!\tab t\line x\~y \{\}\\})",
         u"caf\u00e9 \u20ac \u20ac \u20ac!\tt\nx\u00a0y {}\\"},
        // Ignorable groups and field instructions say nothing; a field's result does.
        {R"({\rtf1{\*\generator Writer;}{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} {\info{\title T}}end})",
         u"link end"},
        // An astral character as two escapes; a group's \uc ends with the group.
        {R"({\rtf1{\uc0\u-10179\u-8704}\u65?})", u"\U0001F600A"},
        {"{\\rtf1 unclosed {\\b group", u"unclosed group"},
    };
    for (const auto& [rtf, text] : rows) {
        SCOPED_TRACE(rtf);
        EXPECT_EQ(plainTextFromRtf(QByteArray(rtf)), QString::fromUtf16(text));
    }
}
