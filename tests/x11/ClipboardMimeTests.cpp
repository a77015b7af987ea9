// The mapping between MIME targets and type identifiers, without an X server.
#include "TestContent.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "linux/desktop/ClipboardMime.h"
#include "linux/desktop/ClipboardSnapshot.h"

#include <gtest/gtest.h>

using namespace quillbox;
using quillbox::testing::utf16le;

namespace {

struct TypesCase {
    const char* name;
    QList<QByteArray> targets;
    QHash<QByteArray, QByteArray> fetched;
    QStringList expected;
};

class SnapshotTypes : public ::testing::TestWithParam<TypesCase> {};

TEST_P(SnapshotTypes, MapsOfferedTargetsInOrderWithoutDuplicates) {
    const ClipboardSnapshot snapshot(GetParam().targets, GetParam().fetched);
    EXPECT_EQ(snapshot.types(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    , SnapshotTypes,
    ::testing::Values(
        TypesCase{"text_targets_become_one_type",
                  {"TARGETS", "UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "TIMESTAMP"},
                  {},
                  {PasteboardType::string}},
        TypesCase{"rtf_image_and_colour",
                  {"text/rtf", "application/rtf", "image/jpeg", "image/png", "application/x-color"},
                  {},
                  {PasteboardType::rtf, PasteboardType::jpeg, PasteboardType::png,
                   PasteboardType::color}},
        TypesCase{"latin1_string_of_old_clients",
                  {"STRING", "TEXT"},
                  {},
                  {PasteboardType::string, u"TEXT"_qs}},
        TypesCase{"unread_uri_list_is_nothing", {"text/uri-list", "SAVE_TARGETS"}, {}, {}},
        TypesCase{"markers_keep_their_exact_names",
                  {"com.quillbox.internal", "Pasteboard generator type",
                   "org.nspasteboard.TransientType", "org.nspasteboard.ConcealedType", "MULTIPLE",
                   "DELETE", "INCR"},
                  {},
                  {AppConstants::internalPasteboardType, u"Pasteboard generator type"_qs,
                   u"org.nspasteboard.TransientType"_qs, PasteboardType::concealed}},
        TypesCase{"html_targets_become_one_type",
                  {"text/html", "text/_moz_htmlcontext", "text/html;charset=utf-8", "UTF8_STRING"},
                  {},
                  {PasteboardType::html, u"text/_moz_htmlcontext"_qs, PasteboardType::string}},
        TypesCase{
            "kde_password_hint", {"x-kde-passwordManagerHint"}, {}, {PasteboardType::concealed}},
        TypesCase{"kde_password_hint_mime",
                  {"text/x-kde-passwordManagerHint"},
                  {},
                  {PasteboardType::concealed}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClipboardSnapshot, NoOwnerHasNoTypesAndSilentOwnerHasAnEmptyList) {
    EXPECT_EQ(ClipboardSnapshot().types(), std::nullopt);
    EXPECT_EQ(ClipboardSnapshot({}, {}).types(), QStringList());
}

TEST(ClipboardSnapshot, TextComesFromThePreferredTargetInItsEncoding) {
    EXPECT_EQ(ClipboardSnapshot({"STRING"}, {{"STRING", "caf\xe9"}}).string(PasteboardType::string),
              u"caf\u00e9"_qs);
    EXPECT_EQ(ClipboardSnapshot({"STRING", "UTF8_STRING"},
                                {{"STRING", "?"}, {"UTF8_STRING", "caf\xc3\xa9"}})
                  .string(PasteboardType::string),
              u"caf\u00e9"_qs);
    // Some clients end the text with a NUL.
    EXPECT_EQ(ClipboardSnapshot({"UTF8_STRING"}, {{"UTF8_STRING", QByteArray("h\xc3\xa9llo\0", 7)}})
                  .string(PasteboardType::string),
              u"h\u00e9llo"_qs);
    // Markers are only there; their values are never read.
    EXPECT_EQ(
        ClipboardSnapshot({"com.quillbox.internal"}, {}).data(AppConstants::internalPasteboardType),
        std::nullopt);
}

struct MozUrlCase {
    const char* name;
    QByteArray bytes;
    std::optional<QString> expected;
};

class MozUrl : public ::testing::TestWithParam<MozUrlCase> {};

TEST_P(MozUrl, TakesTheFirstLineInAnyEncodingFirefoxOrQtWrites) {
    EXPECT_EQ(ClipboardMime::decodeMozUrl(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    , MozUrl,
    ::testing::Values(
        MozUrlCase{"utf16_without_bom", utf16le(u"https://a.example/x%20y\nTitle"_qs),
                   u"https://a.example/x%20y"_qs},
        MozUrlCase{"utf16_with_bom", "\xff\xfe" + utf16le(u"https://b.example/\r\nT"_qs),
                   u"https://b.example/"_qs},
        MozUrlCase{"utf8", "https://c.example/\xc3\xa9\nTitle", u"https://c.example/\u00e9"_qs},
        MozUrlCase{"empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClipboardMime, FetchesOnlyThePreferredRepresentationOfEachKindAndNothingFlagged) {
    const QList<QByteArray> offer{"TARGETS",         "text/plain", "UTF8_STRING",
                                  "image/jpeg",      "image/tiff", "image/png",
                                  "application/rtf", "text/html",  "text/x-moz-url"};
    EXPECT_EQ(ClipboardMime::targetsToFetch(offer),
              (QList<QByteArray>{"UTF8_STRING", "application/rtf", "image/png", "text/x-moz-url"}));
    // HTML only where nothing that decides the kind before it is offered.
    EXPECT_EQ(ClipboardMime::targetsToFetch(
                  {"text/html", "text/_moz_htmlcontext", "text/html;charset=utf-8", "text/plain"}),
              (QList<QByteArray>{"text/plain", "text/html;charset=utf-8"}));
    EXPECT_EQ(ClipboardMime::targetsToFetch({"text/html", "image/png"}),
              QList<QByteArray>{"image/png"});
    // A secret is not even asked for, whichever way it is flagged.
    for (const QByteArray marker : {"org.nspasteboard.ConcealedType", "x-kde-passwordManagerHint",
                                    "org.nspasteboard.TransientType"}) {
        SCOPED_TRACE(marker.constData());
        EXPECT_EQ(ClipboardMime::targetsToFetch(offer + QList<QByteArray>{marker}),
                  QList<QByteArray>{});
    }
}

struct HtmlCase {
    const char* name;
    QByteArray bytes;
};

class HtmlEncoding : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlEncoding, IsKeptAsUtf8) {
    const ClipboardSnapshot snapshot({"text/html"}, {{"text/html", GetParam().bytes}});
    EXPECT_EQ(snapshot.data(PasteboardType::html), QByteArray("<b>caf\xc3\xa9</b>"));
}

const QString boldCafe = u"<b>caf\u00e9</b>"_qs;

INSTANTIATE_TEST_SUITE_P(
    , HtmlEncoding,
    ::testing::Values(HtmlCase{"utf8_with_a_trailing_nul", boldCafe.toUtf8() + QByteArray(1, '\0')},
                      HtmlCase{"utf8_with_bom", "\xef\xbb\xbf<b>caf\xc3\xa9</b>"},
                      HtmlCase{"utf16_with_bom_as_firefox_sends_it",
                               "\xff\xfe" + utf16le(boldCafe)},
                      HtmlCase{"utf16_without_bom", utf16le(boldCafe) + QByteArray(2, '\0')}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
