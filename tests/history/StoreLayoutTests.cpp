// How texts are kept: once on disk, only the start of a long one in memory,
// whole wherever they are read, in stores of either layout.
#include "history/HistorySchema.h"
#include "history/HistoryTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

// Lines of words with a two-byte letter in each, so that any cut of the
// bytes may fall inside a character.
QString longText(qsizetype characters) {
    QString text;
    text.reserve(characters + 64);
    for (int line = 0; text.size() < characters; ++line)
        text += QString::number(line) + u" caf\u00e9 cr\u00e8me, copied and pasted\n"_s;
    text.truncate(characters);
    return text;
}

qint64 storeBytes(const QString& path) {
    qint64 total = 0;
    for (const char* suffix : {"", "-wal", "-shm"})
        total += QFileInfo(path + QLatin1String(suffix)).size();
    return total;
}

ParsedClipboardContent richText(const QString& plain) {
    auto content = parsedContent("{\\rtf1 " + plain.toUtf8() + "}", u"public.rtf"_s,
                                 ContentCategory::richText, plain);
    content.characterCount = plain.size();
    return content;
}

ParsedClipboardContent image() {
    return imageContent(QByteArray("\x89PNG not really", 15));
}

// What an item must read back as, wherever it was read from.
void expectReadsAs(const ClipboardItem& item, const ParsedClipboardContent& expected,
                   const char* where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(item.content(), expected.content);
    EXPECT_EQ(item.contentSize(), expected.content.size());
    EXPECT_EQ(item.plainText(), expected.plainText);
    EXPECT_EQ(item.characterCount(), expected.characterCount);
    EXPECT_EQ(item.hasPlainText(), expected.plainText.has_value());
    if (!expected.plainText)
        return;
    // The preview is the whole text or its start, in whole characters.
    const QString preview = item.plainTextPreview().value_or(u"(none)"_s);
    EXPECT_TRUE(expected.plainText->startsWith(preview));
    EXPECT_LE(preview.toUtf8().size(), ClipboardItem::listingTextBytes);
    EXPECT_EQ(item.isPlainTextShortened(), preview.size() < expected.plainText->size());
    if (item.isPlainTextShortened()) { // no more than a character short of the limit
        EXPECT_GT(preview.toUtf8().size(), ClipboardItem::listingTextBytes - 4);
    }
}

TEST(StoreLayoutTest, EachTextReadsBackWholeAndIsStoredOnceWhereItIsItsContent) {
    ParsedClipboardContent notItsContent = textContent(u"shown text"_s);
    notItsContent.content = "pasted bytes";
    notItsContent.contentHash = sha256Hash(notItsContent.content);
    const struct {
        const char* name;
        ParsedClipboardContent content;
        bool isPlainTextContent;
    } cases[] = {
        {"a short text", textContent(u"a short copy, caf\u00e9"_s), true},
        {"an empty text", textContent(QString(u""_s)), true},
        {"a long text", textContent(longText(30'000)), true},
        {"a long text of exactly the listing size",
         textContent(QString(ClipboardItem::listingTextBytes, u'x')), true},
        {"a rich text with a long plain text", richText(longText(30'000)), false},
        {"a plain text that is not its content", notItsContent, false},
        {"an image without plain text", image(), false},
    };
    TemporaryStore store;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const ClipboardItemPtr item = store.store().record(row.content, std::nullopt, std::nullopt);
        EXPECT_EQ(item->isPlainTextContent(), row.isPlainTextContent);
        expectReadsAs(*item, row.content, "just recorded");
    }
    // One copy of each text that is its content: none in the item's own column.
    EXPECT_EQ(queryNumber(store.container()->handle(),
                          "SELECT count(*) FROM ClipboardItem WHERE plainText IS NOT NULL"),
              2);

    store.reopen();
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const ClipboardItemPtr item = store.store().itemWithHash(row.content.contentHash);
        ASSERT_TRUE(item);
        expectReadsAs(*item, row.content, "read from the store");
    }
}

// The tables as the first layout wrote them: every text twice, no StoreMeta.
constexpr const char* firstLayout = R"sql(
CREATE TABLE ClipboardItem (
    pk INTEGER PRIMARY KEY, id BLOB NOT NULL, plainText TEXT,
    contentType TEXT NOT NULL DEFAULT 'public.utf8-plain-text',
    category TEXT NOT NULL DEFAULT 'text', title TEXT, sourceAppBundleID TEXT,
    sourceAppName TEXT, ocrText TEXT, characterCount INTEGER, imageDimensions TEXT,
    urlString TEXT, filePath TEXT, colorHex TEXT, contentHash TEXT NOT NULL DEFAULT '',
    copiedAt INTEGER NOT NULL, isPinned INTEGER NOT NULL DEFAULT 0,
    hasRichTextData INTEGER NOT NULL DEFAULT 0, hasThumbnailData INTEGER NOT NULL DEFAULT 0);
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
CREATE TABLE AppRule (pk INTEGER PRIMARY KEY, id BLOB NOT NULL,
    bundleIdentifier TEXT NOT NULL DEFAULT '', appName TEXT NOT NULL DEFAULT '',
    isExcluded INTEGER NOT NULL DEFAULT 1);
PRAGMA user_version = 10000;
)sql";

void writeFirstLayoutStore(const QString& path, const QList<ParsedClipboardContent>& items) {
    const auto hex = [](const QByteArray& bytes) { return "X'" + bytes.toHex() + "'"; };
    const auto number = [](std::optional<qint64> n) {
        return n ? QByteArray::number(*n) : QByteArray("NULL");
    };
    QByteArray sql = firstLayout;
    for (qsizetype key = 1; key <= items.size(); ++key) {
        const ParsedClipboardContent& item = items[key - 1];
        const QByteArray plain = item.plainText
                                     ? "CAST(" + hex(item.plainText->toUtf8()) + " AS TEXT)"
                                     : QByteArray("NULL");
        sql +=
            "INSERT INTO ClipboardItem (pk, id, plainText, contentType, category, characterCount,"
            " contentHash, copiedAt) VALUES (" +
            number(key) + ", " + hex(QUuid::createUuid().toRfc4122()) + ", " + plain + ", '" +
            item.contentType.toUtf8() + "', '" + rawValue(item.category).toUtf8() + "', " +
            number(item.characterCount) + ", '" + item.contentHash.toUtf8() + "', " +
            number(1'700'000'000'000 + key) +
            ");\nINSERT INTO ClipboardItemPayload (item, content) VALUES (" + number(key) + ", " +
            hex(item.content) + ");\n";
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST(StoreLayoutTest, AStoreOfTheFirstLayoutReadsTheSameItemsReadOnlyAndAfterBeingBroughtUpToDate) {
    const QList<ParsedClipboardContent> items = {
        textContent(u"a short copy, caf\u00e9"_s), textContent(QString(u""_s)),
        textContent(longText(30'000)), richText(u"bold words"_s), image()};
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Quillbox.store"_s);
    writeFirstLayoutStore(path, items);
    const auto readsTheItems = [&](HistoryStore& store, const char* where) {
        ASSERT_EQ(store.itemCount(), items.size());
        for (const ParsedClipboardContent& expected : items) {
            const ClipboardItemPtr item = store.itemWithHash(expected.contentHash);
            ASSERT_TRUE(item);
            expectReadsAs(*item, expected, where);
        }
    };

    // A store this user may not write is read as it is.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0400), 0);
    {
        const auto container = StoreContainer::openExisting(path);
        ASSERT_TRUE(container);
        EXPECT_TRUE(container->isReadOnly());
        HistoryStore store(container);
        readsTheItems(store, "read-only, first layout");
    }
    EXPECT_EQ(queryNumber(path, "SELECT count(*) FROM ClipboardItem WHERE plainText NOT NULL"), 4);

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    {
        const auto container = StoreContainer::makeShared(false, path);
        ASSERT_FALSE(container->isInMemory()) << "opened as damage";
        HistoryStore store(container);
        readsTheItems(store, "brought up to date");
    }
    EXPECT_EQ(queryNumber(path, "SELECT value FROM StoreMeta WHERE name = 'layoutRevision'"),
              HistorySchema::layoutRevision);
    EXPECT_EQ(queryNumber(path, "PRAGMA user_version"), HistorySchema::userVersion);
    // Only the rich text keeps a plain text of its own.
    EXPECT_EQ(queryNumber(path, "SELECT count(*) FROM ClipboardItem WHERE plainText NOT NULL"), 1);
    EXPECT_TRUE(QDir(folder.path()).entryList({u"*.broken-*"_s}).isEmpty());

    HistoryStore reopened(StoreContainer::makeShared(false, path));
    readsTheItems(reopened, "reopened");
}

TEST(StoreLayoutTest, AFiftyMegabyteTextRoundTripsExactlyAndGrowsTheStoreByNoMoreThanItsSize) {
    const ParsedClipboardContent large = textContent(longText(50'000'000));
    TemporaryStore store;
    const qint64 before = storeBytes(store.path());
    const ClipboardItemPtr item = store.store().record(large, std::nullopt, std::nullopt);
    const qint64 growth = storeBytes(store.path()) - before;
    // The text's own pages and their links (4 bytes in each 4 KiB page).
    EXPECT_LE(growth, large.content.size() + large.content.size() / 500 + 64 * 1024)
        << "the store grew " << growth << " bytes for a text of " << large.content.size();

    // Streamed in pieces that cut through characters, it is the same bytes.
    constexpr qint64 pieceSize = 1'000'003;
    QByteArray streamed;
    for (qint64 offset = 0; offset < item->contentSize(); offset += pieceSize)
        streamed += item->readContent(offset, pieceSize);
    EXPECT_TRUE(streamed == large.content);
    EXPECT_TRUE(item->readContent(item->contentSize(), pieceSize).isEmpty());
    EXPECT_TRUE(item->plainText() == large.plainText);

    store.reopen();
    const ClipboardItemPtr read = store.store().itemWithHash(large.contentHash);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->isPlainTextShortened());
    EXPECT_TRUE(read->content() == large.content);
    EXPECT_TRUE(read->plainText() == large.plainText);
}

} // namespace
} // namespace quillbox::testing
