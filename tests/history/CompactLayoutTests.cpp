// The compact layout: compressed payloads, digests as bytes, and a store of
// the layout before it brought up to date with nothing lost.
#include "history/HistorySchema.h"
#include "history/HistoryTestSupport.h"
#include "history/PayloadCodec.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

QByteArray prose(qsizetype bytes) {
    QByteArray text;
    for (int i = 0; text.size() < bytes; ++i)
        text += "Please send the meeting notes to the team before Friday, item " +
                QByteArray::number(i) + ". ";
    text.truncate(bytes);
    return text;
}

TEST(PayloadCodecTest, CompressesOnlyWhatPaysAndReadsBackWholeOrInPart) {
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const struct {
        const char* name;
        QByteArray bytes;
        bool isCompressed;
    } cases[] = {
        {"too short to gain", prose(PayloadCodec::minimumSize - 1), false},
        {"a paragraph", prose(600), true},
        {"the largest compressed", prose(PayloadCodec::maximumSize), true},
        {"too large, kept to be read in pieces", prose(PayloadCodec::maximumSize + 1), false},
        {"noise, which does not shrink", noise, false},
    };
    PayloadCodec codec;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const auto packed = codec.compress(row.bytes);
        ASSERT_EQ(packed.has_value(), row.isCompressed);
        if (!packed)
            continue;
        EXPECT_LT(packed->size(), row.bytes.size());
        EXPECT_EQ(PayloadCodec::originalSize(*packed), row.bytes.size());
        EXPECT_EQ(codec.decompress(*packed), row.bytes);
        EXPECT_EQ(codec.decompress(*packed, 100), row.bytes.left(100));
    }
    // Damage reads as nothing, never as other bytes or a crash.
    const QByteArray packed = *codec.compress(prose(2000));
    QByteArray flipped = packed;
    for (qsizetype i = 8; i < flipped.size(); i += 7)
        flipped[i] = char(~flipped[i]);
    for (const QByteArray& damaged : {packed.left(packed.size() / 2), flipped, packed.left(3),
                                      QByteArray("\x7f\xff\xff\xff" + packed.mid(4))})
        EXPECT_FALSE(codec.decompress(damaged).has_value());
}

TEST(CompactLayoutTest, ADamagedPayloadIsLoggedAndReadsAsEmptyWhileTheRestStaysReadable) {
    TemporaryStore store;
    const auto damaged = textContent(QString::fromLatin1(prose(3000)));
    const auto intact = textContent(QString::fromLatin1(prose(900)) + u" intact"_s);
    store.store().record(damaged, std::nullopt, std::nullopt);
    store.store().record(intact, std::nullopt, std::nullopt);
    EXPECT_EQ(store.rowCount("ClipboardItemPayload WHERE compressed = 1"), 2);
    // Bytes in the middle of the first item's compressed content overwritten.
    ASSERT_EQ(sqlite3_exec(store.container()->handle(),
                           "UPDATE ClipboardItemPayload SET content = substr(content, 1, 20) ||"
                           " zeroblob(40) || substr(content, 61) WHERE item = 1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    LogCapture log;
    store.reopen();
    const ClipboardItemPtr item = store.store().itemWithHash(damaged.contentHash);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->content().isEmpty());
    EXPECT_TRUE(log.contains(u"the stored content of item 1 is damaged"_s))
        << log.lines().join(u'\n').toStdString();
    const ClipboardItemPtr other = store.store().itemWithHash(intact.contentHash);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->content(), intact.content);
    EXPECT_EQ(other->plainTextPreview(), intact.plainText);
}

// The tables as layout 2 made them, with what each kind of record left in them.
constexpr const char* secondLayout = R"sql(
CREATE TABLE ClipboardItem (pk INTEGER PRIMARY KEY, id BLOB NOT NULL, plainText TEXT,
    contentType TEXT NOT NULL DEFAULT 'public.utf8-plain-text',
    category TEXT NOT NULL DEFAULT 'text', title TEXT, sourceAppBundleID TEXT,
    sourceAppName TEXT, ocrText TEXT, characterCount INTEGER, imageDimensions TEXT,
    urlString TEXT, filePath TEXT, colorHex TEXT, contentHash TEXT NOT NULL DEFAULT '',
    copiedAt INTEGER NOT NULL, isPinned INTEGER NOT NULL DEFAULT 0,
    hasRichTextData INTEGER NOT NULL DEFAULT 0, hasThumbnailData INTEGER NOT NULL DEFAULT 0,
    isPlainTextInContent INTEGER NOT NULL DEFAULT 0);
CREATE TABLE ClipboardItemPayload (
    item INTEGER PRIMARY KEY REFERENCES ClipboardItem (pk) ON DELETE CASCADE,
    content BLOB NOT NULL, richTextData BLOB, thumbnailData BLOB);
CREATE TABLE Pinboard (pk INTEGER PRIMARY KEY, id BLOB NOT NULL, name TEXT NOT NULL DEFAULT '',
    colorHex TEXT NOT NULL DEFAULT '#007AFF', sortOrder INTEGER NOT NULL DEFAULT 0,
    createdAt INTEGER NOT NULL, isShared INTEGER NOT NULL DEFAULT 0);
CREATE TABLE PinboardItem (pk INTEGER PRIMARY KEY, id BLOB NOT NULL,
    clipboardItem INTEGER REFERENCES ClipboardItem (pk) ON DELETE SET NULL,
    pinboard INTEGER REFERENCES Pinboard (pk) ON DELETE SET NULL,
    addedAt INTEGER NOT NULL, sortOrder INTEGER NOT NULL DEFAULT 0);
CREATE INDEX PinboardItem_clipboardItem ON PinboardItem (clipboardItem);
CREATE INDEX PinboardItem_pinboard ON PinboardItem (pinboard);
CREATE TABLE AppRule (pk INTEGER PRIMARY KEY, id BLOB NOT NULL,
    bundleIdentifier TEXT NOT NULL DEFAULT '', appName TEXT NOT NULL DEFAULT '',
    isExcluded INTEGER NOT NULL DEFAULT 1);
CREATE TABLE StoreMeta (name TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT INTO StoreMeta (name, value) VALUES ('layoutRevision', 2);
INSERT INTO Pinboard (pk, id, name, colorHex, sortOrder, createdAt)
    VALUES (1, X'00112233445566778899aabbccddeeff', 'Snippets', '#FF9500', 0, 1700000000000);
INSERT INTO PinboardItem (pk, id, clipboardItem, pinboard, addedAt, sortOrder)
    VALUES (1, X'ffeeddccbbaa99887766554433221100', 2, 1, 1700000000500, 0);
INSERT INTO AppRule (pk, id, bundleIdentifier, appName, isExcluded)
    VALUES (1, X'0102030405060708090a0b0c0d0e0f10', 'org.keepassxc.KeePassXC', 'KeePassXC', 1);
PRAGMA user_version = 10000;
)sql";

struct SecondLayoutItem {
    ParsedClipboardContent content;
    bool isPlainTextInContent;
    std::optional<QByteArray> thumbnail;
};

void writeSecondLayoutStore(const QString& path, const QList<SecondLayoutItem>& items) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, secondLayout, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* item = nullptr;
    sqlite3_stmt* payload = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO ClipboardItem (pk, id, plainText, contentType, category,"
                       " characterCount, contentHash, copiedAt, isPinned, hasRichTextData,"
                       " hasThumbnailData, isPlainTextInContent, sourceAppName, imageDimensions)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'Editor', ?)",
                       -1, &item, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO ClipboardItemPayload (item, content, richTextData,"
                       " thumbnailData) VALUES (?, ?, ?, ?)",
                       -1, &payload, nullptr);
    const auto bindText = [](sqlite3_stmt* statement, int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    };
    const auto bindBytes = [](sqlite3_stmt* statement, int index, const QByteArray& bytes) {
        sqlite3_bind_blob(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    };
    for (int key = 1; key <= items.size(); ++key) {
        const SecondLayoutItem& row = items[key - 1];
        const ParsedClipboardContent& content = row.content;
        sqlite3_bind_int64(item, 1, key);
        bindBytes(item, 2, QUuid::createUuid().toRfc4122());
        if (content.plainText && !row.isPlainTextInContent)
            bindText(item, 3, *content.plainText);
        bindText(item, 4, content.contentType);
        bindText(item, 5, rawValue(content.category));
        if (content.characterCount)
            sqlite3_bind_int64(item, 6, *content.characterCount);
        bindText(item, 7, content.contentHash);
        sqlite3_bind_int64(item, 8, 1'700'000'000'000 + key);
        sqlite3_bind_int64(item, 9, key == 1);
        sqlite3_bind_int64(item, 10, content.richTextData.has_value());
        sqlite3_bind_int64(item, 11, row.thumbnail.has_value());
        sqlite3_bind_int64(item, 12, row.isPlainTextInContent);
        if (content.imageDimensions)
            bindText(item, 13, *content.imageDimensions);
        ASSERT_EQ(sqlite3_step(item), SQLITE_DONE);
        sqlite3_reset(item);
        sqlite3_clear_bindings(item);
        sqlite3_bind_int64(payload, 1, key);
        bindBytes(payload, 2, content.content);
        if (content.richTextData)
            bindBytes(payload, 3, *content.richTextData);
        if (row.thumbnail)
            bindBytes(payload, 4, *row.thumbnail);
        ASSERT_EQ(sqlite3_step(payload), SQLITE_DONE);
        sqlite3_reset(payload);
        sqlite3_clear_bindings(payload);
    }
    sqlite3_finalize(item);
    sqlite3_finalize(payload);
    sqlite3_close(db);
}

TEST(CompactLayoutTest, AStoreOfTheSecondLayoutKeepsEveryRecordWhenBroughtUpToDate) {
    QString longText;
    for (int line = 0; longText.size() < 30'000; ++line)
        longText += QString::number(line) + u" caf\u00e9 notes copied and pasted again\n"_s;
    const QString html =
        u"<p>Meeting <b>notes</b> for the team, "_s + longText.left(2000) + u"</p>"_s;
    auto richText = parsedContent(html.toUtf8(), u"public.html"_s, ContentCategory::richText,
                                  u"Meeting notes for the team"_s);
    richText.richTextData = html.toUtf8();
    richText.characterCount = 26;
    auto image = imageContent(QByteArray("\x89PNG not really an image", 24));
    image.imageDimensions = u"1920 x 1080"_s;
    const QList<SecondLayoutItem> items = {
        {textContent(u"a short copy, caf\u00e9"_s), true, std::nullopt},
        {textContent(QString::fromLatin1(prose(700))), true, std::nullopt},
        {textContent(longText), true, std::nullopt},
        {richText, false, std::nullopt},
        {image, false, QByteArray(300, 't')},
    };
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Quillbox.store"_s);
    writeSecondLayoutStore(path, items);

    const auto readsEverything = [&](HistoryStore& store) {
        ASSERT_EQ(store.itemCount(), items.size());
        for (const SecondLayoutItem& expected : items) {
            const ClipboardItemPtr item = store.itemWithHash(expected.content.contentHash);
            ASSERT_TRUE(item);
            EXPECT_EQ(item->contentHash(), expected.content.contentHash);
            EXPECT_EQ(item->content(), expected.content.content);
            EXPECT_EQ(item->contentSize(), expected.content.content.size());
            EXPECT_EQ(item->readContent(5, 10), expected.content.content.mid(5, 10));
            EXPECT_EQ(item->plainText(), expected.content.plainText);
            EXPECT_EQ(item->richTextData(), expected.content.richTextData);
            EXPECT_EQ(item->thumbnailData(), expected.thumbnail);
            EXPECT_EQ(item->contentType(), expected.content.contentType);
            EXPECT_EQ(item->contentCategory(), expected.content.category);
            EXPECT_EQ(item->imageDimensions(), expected.content.imageDimensions);
            EXPECT_EQ(item->sourceAppName(), u"Editor"_s);
        }
        EXPECT_TRUE(store.itemWithHash(items[0].content.contentHash)->isPinned());
        ASSERT_EQ(store.pinboards().size(), 1);
        const PinboardPtr pinboard = store.pinboards().first();
        EXPECT_EQ(pinboard->name(), u"Snippets"_s);
        EXPECT_EQ(pinboard->colorHex(), u"#FF9500"_s);
        const auto links = store.pinboardItems(pinboard);
        ASSERT_EQ(links.size(), 1);
        EXPECT_EQ(links.first()->clipboardItem(), store.itemWithHash(items[1].content.contentHash));
        ASSERT_EQ(store.appRules().size(), 1);
        EXPECT_EQ(store.appRules().first()->bundleIdentifier(), u"org.keepassxc.KeePassXC"_s);
        EXPECT_TRUE(store.isAppExcluded(u"org.keepassxc.KeePassXC"_s));
    };
    {
        HistoryStore store(StoreContainer::makeShared(false, path));
        ASSERT_FALSE(store.container()->isInMemory()) << "opened as damage";
        readsEverything(store);
    }
    EXPECT_EQ(queryNumber(path, "SELECT value FROM StoreMeta WHERE name = 'layoutRevision'"),
              HistorySchema::layoutRevision);
    // The paragraph, the long text and the HTML (twice) compressed; the
    // short text and the image as they were.
    EXPECT_EQ(queryNumber(path, "SELECT count(*) FROM ClipboardItemPayload WHERE compressed != 0"),
              3);
    EXPECT_EQ(queryNumber(path, "SELECT compressed FROM ClipboardItemPayload WHERE item = 4"), 3);
    EXPECT_EQ(queryNumber(path, "SELECT count(*) FROM ClipboardItem"
                                " WHERE typeof(contentHash) = 'blob' AND length(contentHash) = 32"),
              items.size());
    EXPECT_EQ(queryNumber(path, "PRAGMA page_size"), HistorySchema::pageSize);
    EXPECT_EQ(queryNumber(path, "PRAGMA auto_vacuum"), 2);

    HistoryStore reopened(StoreContainer::makeShared(false, path));
    readsEverything(reopened);
}

} // namespace
} // namespace quillbox::testing
