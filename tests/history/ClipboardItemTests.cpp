#include "history/HistoryTestSupport.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <memory>
#include <vector>

namespace quillbox::testing {
namespace {

ClipboardItem makeItem(const QByteArray& content, ContentCategory category,
                       std::optional<QString> plainText = std::nullopt) {
    return ClipboardItem(content, std::move(plainText), std::nullopt, u"public.file-url"_qs,
                         category, std::nullopt, std::nullopt, sha256Hash(content));
}

// How characters are counted is the content layer's own test.
TEST(ClipboardItemTest, CreationCountsCharactersOnlyWhenThereIsText) {
    EXPECT_FALSE(makeItem("x", ContentCategory::image).characterCount().has_value());
    EXPECT_EQ(makeItem("x", ContentCategory::text, QStringLiteral("cafe\u0301s")).characterCount(),
              5);
}

// Every item of a history stays in memory with its text: the text must take
// its own size there, not the room for three bytes a character that its
// conversion to UTF-8 reserved. (The heap's growth over many items, since
// the text's buffer is not visible from outside.)
TEST(ClipboardItemTest, KeepsItsTextAtItsOwnSize) {
    constexpr int count = 200;
    const QString text(4000, u'a');
    std::vector<std::unique_ptr<ClipboardItem>> items;
    items.reserve(count);
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < count; ++i)
        items.push_back(std::make_unique<ClipboardItem>(
            QByteArray::number(i), text, std::nullopt, u"public.utf8-plain-text"_qs,
            ContentCategory::text, std::nullopt, std::nullopt, sha256Hash(QByteArray::number(i))));
    const double perItem = double(mallinfo2().uordblks - before) / count;
    EXPECT_LT(perItem, 1.5 * double(text.size()));
}

TEST(ClipboardItemTest, FileURLsComeOnlyFromFileItems) {
    const QByteArray paths = "/home/user/report.pdf\n\nfile:///tmp/a%20b.txt\nnot a url\n";
    EXPECT_TRUE(makeItem(paths, ContentCategory::text).fileURLs().isEmpty());

    const QList<QUrl> urls = makeItem(paths, ContentCategory::file).fileURLs();
    ASSERT_EQ(urls.size(), 2);
    EXPECT_EQ(urls[0], QUrl::fromLocalFile(u"/home/user/report.pdf"_qs));
    EXPECT_EQ(urls[1].toLocalFile(), u"/tmp/a b.txt"_qs);
    EXPECT_TRUE(makeItem("\xff\xfe/x", ContentCategory::file).fileURLs().isEmpty());
}

TEST(ClipboardItemTest, PreviewIsTheThumbnailWhenThereIsOne) {
    TemporaryStore temporary;
    temporary.store().record(imageContent("full image bytes"), {}, {});
    ParsedClipboardContent withThumbnail = imageContent("other image");
    withThumbnail.thumbnailData = QByteArray("thumbnail");
    temporary.store().record(withThumbnail, {}, {});
    temporary.reopen();
    EXPECT_EQ(temporary.store().allItems().first()->previewImageData(), QByteArray("thumbnail"));
    EXPECT_EQ(temporary.store().allItems().last()->previewImageData(),
              QByteArray("full image bytes"));
}

// Every stored field as text, absent ones marked as such.
QStringList fields(const ClipboardItem& item) {
    auto text = [](const std::optional<QString>& value) {
        return value ? u"'"_qs + *value + u"'"_qs : u"<absent>"_qs;
    };
    auto bytes = [&](const std::optional<QByteArray>& value) {
        return text(value ? std::optional(QString::fromLatin1(value->toHex())) : std::nullopt);
    };
    auto number = [&](const std::optional<qint64>& value) {
        return text(value ? std::optional(QString::number(*value)) : std::nullopt);
    };
    return {item.id().toString(),
            bytes(item.content()),
            text(item.plainText()),
            bytes(item.richTextData()),
            bytes(item.thumbnailData()),
            item.contentType(),
            item.category(),
            text(item.title()),
            text(item.sourceAppBundleID()),
            text(item.sourceAppName()),
            text(item.ocrText()),
            number(item.characterCount()),
            text(item.imageDimensions()),
            text(item.urlString()),
            text(item.filePath()),
            text(item.colorHex()),
            item.contentHash(),
            item.copiedAt().toString(Qt::ISODateWithMs),
            item.isPinned() ? u"pinned"_qs : u"not pinned"_qs};
}

QStringList board(const Pinboard& pinboard) {
    return {pinboard.id().toString(),
            pinboard.name(),
            pinboard.colorHex(),
            QString::number(pinboard.sortOrder()),
            pinboard.createdAt().toString(Qt::ISODateWithMs),
            pinboard.isShared() ? u"shared"_qs : u"not shared"_qs};
}

TEST(ClipboardItemTest, EveryFieldSurvivesReopening) {
    TemporaryStore temporary;
    HistoryStore& store = temporary.store();
    ParsedClipboardContent full;
    full.content = QByteArray("\x00\x01binary", 8);
    full.plainText = u"plain ✓"_qs;
    full.richTextData = QByteArray("{\\rtf1 x}");
    full.contentType = u"public.rtf"_qs;
    full.category = ContentCategory::richText;
    full.contentHash = sha256Hash(full.content);
    full.urlString = u"https://example.org/a?b=c%20d"_qs;
    full.filePath = u"/tmp/file"_qs;
    full.colorHex = u"#12AB34"_qs;
    full.imageDimensions = u"1920 x 1080"_qs;
    full.characterCount = 42;
    full.thumbnailData = QByteArray("png");
    full.title = u"Title"_qs;
    const auto stored = store.record(full, u"org.example.App"_qs, u"App"_qs);
    store.setOcrText(stored, u"recognised"_qs);
    store.togglePin(stored);

    // Optionals present but empty must not come back absent, nor the reverse.
    ParsedClipboardContent empty;
    empty.content = QByteArray("");
    empty.plainText = QString(u""_qs);
    empty.richTextData = QByteArray("");
    empty.contentType = u"public.utf8-plain-text"_qs;
    empty.contentHash = u"not a digest"_qs;
    empty.title = QString(u""_qs);
    empty.thumbnailData = QByteArray("");
    const auto blank = store.record(empty, QString(u""_qs), std::nullopt);
    store.setOcrText(blank, QString());
    store.setCopiedAt(blank, QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC));
    const auto pinboard = store.createPinboard(u"Board"_qs, u"#00FF00"_qs, 7);
    store.add(stored, pinboard);
    QList<QStringList> before;
    for (const auto& item : store.allItems())
        before.append(fields(*item));
    const auto linkBefore = store.pinboardItems(pinboard).first();

    temporary.reopen();
    const QList<ClipboardItemPtr> after = temporary.store().allItems();
    ASSERT_EQ(after.size(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(fields(*after[i]), before[i]);
    // Present but empty stays present, absent stays absent.
    const QString absent = u"<absent>"_qs, emptyValue = u"''"_qs;
    EXPECT_EQ(
        fields(*after[1]).mid(1, 16),
        (QStringList{emptyValue, emptyValue, emptyValue, emptyValue, u"public.utf8-plain-text"_qs,
                     u"text"_qs, emptyValue, emptyValue, absent, emptyValue, absent, absent, absent,
                     absent, absent, u"not a digest"_qs}));

    const auto pinboards = temporary.store().pinboards();
    ASSERT_EQ(pinboards.size(), 1);
    EXPECT_EQ(board(*pinboards[0]), board(*pinboard));
    const auto link = temporary.store().pinboardItems(pinboards[0]).first();
    EXPECT_EQ(link->id(), linkBefore->id());
    EXPECT_EQ(link->addedAt(), linkBefore->addedAt());
    EXPECT_EQ(link->clipboardItem(), after[0]);
    EXPECT_EQ(link->pinboard(), pinboards[0]);
}

} // namespace
} // namespace quillbox::testing
