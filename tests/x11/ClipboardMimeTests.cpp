// The mapping between MIME targets and type identifiers, without an X server.
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "linux/ClipboardMime.h"
#include "linux/ClipboardSnapshot.h"

#include <gtest/gtest.h>

using namespace quillbox;

namespace {

QByteArray utf16le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

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
        TypesCase{"uri_list_of_files_is_a_file_url",
                  {"text/uri-list"},
                  {{"text/uri-list", "# copied\r\nfile:///tmp/a%20b.txt\r\n"}},
                  {PasteboardType::fileURL}},
        TypesCase{"uri_list_of_web_addresses_is_a_url",
                  {"text/uri-list"},
                  {{"text/uri-list", "https://example.org/\r\n"}},
                  {PasteboardType::url}},
        TypesCase{"gnome_copied_files_without_uri_list",
                  {"x-special/gnome-copied-files", "UTF8_STRING"},
                  {{"x-special/gnome-copied-files", "cut\nfile:///tmp/x.txt"}},
                  {PasteboardType::fileURL, PasteboardType::string}},
        TypesCase{"latin1_string_of_old_clients",
                  {"STRING", "TEXT"},
                  {},
                  {PasteboardType::string, u"TEXT"_qs}},
        TypesCase{"unread_uri_list_is_nothing", {"text/uri-list", "SAVE_TARGETS"}, {}, {}},
        TypesCase{"password_manager_hints_are_concealed",
                  {"x-kde-passwordManagerHint", "text/x-kde-passwordManagerHint", "UTF8_STRING"},
                  {},
                  {PasteboardType::concealed, PasteboardType::string}},
        TypesCase{"markers_keep_their_exact_names",
                  {"com.quillbox.internal", "Pasteboard generator type",
                   "org.nspasteboard.TransientType", "MULTIPLE", "DELETE", "INCR"},
                  {},
                  {AppConstants::internalPasteboardType, u"Pasteboard generator type"_qs,
                   u"org.nspasteboard.TransientType"_qs}}),
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
}

TEST(ClipboardSnapshot, AnswersEachKindFromTheFetchedRepresentation) {
    const QByteArray color = encodeColorData(QColor(0x12, 0x34, 0x56));
    const ClipboardSnapshot snapshot(
        {"UTF8_STRING", "text/rtf", "image/png", "text/uri-list", "application/x-color",
         "com.quillbox.internal"},
        {{"UTF8_STRING", QByteArray("h\xc3\xa9llo\0", 7)},
         {"text/rtf", "{\\rtf1 x}"},
         {"image/png", "png bytes"},
         {"text/uri-list", "file:///a/x%20y.txt\r\nfile:///b/z.png\r\n"},
         {"application/x-color", color}});
    EXPECT_EQ(snapshot.string(PasteboardType::string), u"h\u00e9llo"_qs);
    EXPECT_EQ(snapshot.data(PasteboardType::rtf), QByteArray("{\\rtf1 x}"));
    EXPECT_EQ(snapshot.data(PasteboardType::png), QByteArray("png bytes"));
    EXPECT_EQ(snapshot.data(PasteboardType::jpeg), std::nullopt);
    EXPECT_EQ(snapshot.data(PasteboardType::fileURL), QByteArray("file:///a/x%20y.txt"));
    ASSERT_TRUE(snapshot.fileURLs());
    ASSERT_EQ(snapshot.fileURLs()->size(), 2);
    EXPECT_EQ(snapshot.fileURLs()->at(0).toEncoded(), "file:///a/x%20y.txt");
    EXPECT_EQ(snapshot.fileURLs()->at(0).toLocalFile(), u"/a/x y.txt"_qs);
    EXPECT_EQ(snapshot.color(), QColor(0x12, 0x34, 0x56));
    // Markers are only there; their values are never read.
    EXPECT_EQ(snapshot.data(AppConstants::internalPasteboardType), std::nullopt);
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

TEST(ClipboardMime, FetchesOnlyThePreferredRepresentationOfEachKind) {
    EXPECT_EQ(ClipboardMime::targetsToFetch({"TARGETS", "text/plain", "UTF8_STRING", "image/jpeg",
                                             "image/tiff", "image/png", "application/rtf",
                                             "text/x-moz-url", "org.nspasteboard.ConcealedType"}),
              (QList<QByteArray>{"UTF8_STRING", "application/rtf", "image/png", "text/x-moz-url"}));
}

TEST(ClipboardMime, WriteOffersTheFirstItemWithAllFilesMerged) {
    PasteboardItem first;
    first.setString(u"file:///tmp/a%20b.txt"_qs, PasteboardType::fileURL);
    first.setData({}, AppConstants::internalPasteboardType);
    PasteboardItem second;
    second.setString(u"file:///tmp/c.png"_qs, PasteboardType::fileURL);
    const auto mime = ClipboardMime::mimeDataForItems({first, second});
    EXPECT_EQ(mime->data(u"text/uri-list"_qs), "file:///tmp/a%20b.txt\r\nfile:///tmp/c.png\r\n");
    EXPECT_EQ(mime->data(u"x-special/gnome-copied-files"_qs),
              "copy\nfile:///tmp/a%20b.txt\nfile:///tmp/c.png");
    EXPECT_EQ(mime->data(u"text/plain"_qs), "/tmp/a b.txt\n/tmp/c.png");
    EXPECT_TRUE(mime->hasFormat(AppConstants::internalPasteboardType));
}

TEST(ClipboardMime, WriteOffersTextRtfColourAndCustomTypes) {
    PasteboardItem item;
    item.setString(u"hi"_qs, PasteboardType::string);
    item.setData("{\\rtf1 hi}", PasteboardType::rtf);
    item.setData(encodeColorData(QColor(255, 0, 0)), PasteboardType::color);
    item.setData("x", u"org.example.custom"_qs);
    const auto mime = ClipboardMime::mimeDataForItems({item});
    EXPECT_EQ(mime->data(u"text/plain;charset=utf-8"_qs), "hi");
    EXPECT_EQ(mime->text(), u"hi"_qs);
    EXPECT_EQ(mime->data(u"application/rtf"_qs), "{\\rtf1 hi}");
    EXPECT_EQ(qvariant_cast<QColor>(mime->colorData()), QColor(255, 0, 0));
    EXPECT_EQ(mime->data(u"org.example.custom"_qs), "x");
}

} // namespace
