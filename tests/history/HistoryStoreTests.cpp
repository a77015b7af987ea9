#include "history/HistoryTestSupport.h"

#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

const std::optional<QString> editor = QStringLiteral("org.example.Editor");
const std::optional<QString> editorName = QStringLiteral("Editor");
const std::optional<QString> browser = QStringLiteral("org.example.Browser");

class HistoryStoreTest : public ::testing::Test {
protected:
    TemporaryStore temporary;
    HistoryStore& store() { return temporary.store(); }
    ClipboardItemPtr recordText(const QString& text,
                                const std::optional<QString>& source = editor) {
        return store().record(textContent(text), source, editorName);
    }
    QDateTime hoursAgo(double hours) const { return now.addMSecs(-qint64(hours * 3600 * 1000)); }
    const QDateTime now = QDateTime::currentDateTimeUtc();
};

TEST_F(HistoryStoreTest, RecordingTheSameContentAgainMovesItToTheTopUntilItIsDeleted) {
    const auto first = recordText(QStringLiteral("alpha"));
    store().setCopiedAt(first, hoursAgo(2));
    const auto other = recordText(QStringLiteral("beta"));
    store().setCopiedAt(other, hoursAgo(1));
    ASSERT_EQ(store().allItems().first(), other);

    const auto again = store().record(textContent(QStringLiteral("alpha")), browser, {});

    EXPECT_EQ(again, first);
    EXPECT_EQ(store().itemCount(), 2);
    EXPECT_EQ(store().allItems().first(), first);
    EXPECT_GT(first->copiedAt(), now.addSecs(-1));
    EXPECT_EQ(first->sourceAppBundleID(), editor);
    EXPECT_EQ(first->sourceAppName(), editorName);

    temporary.reopen();
    ASSERT_EQ(store().itemCount(), 2);
    EXPECT_EQ(store().allItems().first()->id(), first->id());
    EXPECT_EQ(store().allItems().first()->sourceAppBundleID(), editor);

    // Once deleted, the same content is a new item.
    store().deleteItem(store().allItems().first());
    EXPECT_EQ(store().itemWithHash(sha256Hash("alpha")), nullptr);
    const auto fresh = recordText(QStringLiteral("alpha"));
    EXPECT_NE(fresh->id(), first->id());
    temporary.reopen();
    EXPECT_EQ(store().itemCount(), 2);
    EXPECT_EQ(store().itemWithHash(sha256Hash("alpha"))->id(), fresh->id());
}

// A re-copy in the same millisecond as the newest item, or after the clock was
// set back, used to stay below that item.
TEST_F(HistoryStoreTest, ACopyMadeNowGoesToTheTopEvenBehindTheNewestItemsTime) {
    const auto first = recordText(QStringLiteral("alpha"));
    const auto other = recordText(QStringLiteral("beta"));
    store().setCopiedAt(other, now.addSecs(3600)); // the clock went back an hour since

    store().record(textContent(QStringLiteral("alpha")), editor, editorName);
    EXPECT_EQ(store().allItems().first(), first);
    EXPECT_GT(first->copiedAt(), other->copiedAt());
    const auto fresh = recordText(QStringLiteral("gamma"));
    EXPECT_EQ(store().allItems().first(), fresh);
    store().setCopiedAt(other, QDateTime::currentDateTimeUtc()); // pasted back now
    EXPECT_EQ(store().allItems().first(), other);

    // Times given from elsewhere (an import) are kept as they are.
    store().setCopiedAt(other, hoursAgo(5));
    EXPECT_EQ(other->copiedAt(), hoursAgo(5));
}

TEST_F(HistoryStoreTest, ABatchWritesItsChangesOnceWhenTheOutermostBatchCloses) {
    {
        HistoryStore::Batch batch(store());
        const auto first = recordText(QStringLiteral("one"));
        {
            HistoryStore::Batch inner(store());
            store().togglePin(first);
            recordText(QStringLiteral("two"));
        }
        EXPECT_TRUE(store().hasUnsavedChanges());
        EXPECT_EQ(temporary.rowCount("ClipboardItem"), 0);
    }
    EXPECT_FALSE(store().hasUnsavedChanges());
    temporary.reopen();
    ASSERT_EQ(store().itemCount(), 2);
    EXPECT_TRUE(store().allItems().last()->isPinned());
}

TEST_F(HistoryStoreTest, ExclusionFollowsRulesThatAreInForceExactly) {
    store().addAppRule(QStringLiteral("org.example.Secret"), QStringLiteral("Secret"));
    const auto disabled =
        store().addAppRule(QStringLiteral("org.example.Notes"), QStringLiteral("Notes"));
    store().setRuleExcluded(disabled, false);
    store().addAppRule(QString(u""_qs), QStringLiteral("Nameless"));
    temporary.reopen();

    struct Row {
        const char* name;
        std::optional<QString> bundleID;
        bool excluded;
    };
    const Row rows[] = {
        {"an excluded application", QStringLiteral("org.example.Secret"), true},
        {"the same identifier in other letter case", QStringLiteral("org.example.secret"), false},
        {"a rule switched off", QStringLiteral("org.example.Notes"), false},
        {"an application without a rule", QStringLiteral("org.example.Other"), false},
        {"an unknown source, even with an empty-identifier rule", std::nullopt, false},
        {"an empty identifier", QString(u""_qs), true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(store().isAppExcluded(row.bundleID), row.excluded) << row.name;

    const auto rules = store().appRules();
    ASSERT_EQ(rules.size(), 3);
    EXPECT_EQ(rules[0]->appName(), u"Nameless"_qs); // ordered by name
    EXPECT_FALSE(rules[1]->isExcluded());
    store().setRuleExcluded(rules[1], true);
    EXPECT_TRUE(store().isAppExcluded(QStringLiteral("org.example.Notes")));
    store().deleteAppRule(rules[2]);
    temporary.reopen();
    EXPECT_TRUE(store().isAppExcluded(QStringLiteral("org.example.Notes")));
    EXPECT_FALSE(store().isAppExcluded(QStringLiteral("org.example.Secret")));
}

TEST_F(HistoryStoreTest, RetentionRemovesOnlyOldItemsThatAreNeitherPinnedNorInAPinboard) {
    const auto expired = recordText(QStringLiteral("a day and a second old"));
    const auto recent = recordText(QStringLiteral("23 hours old"));
    const auto pinned = recordText(QStringLiteral("pinned and old"));
    const auto kept = recordText(QStringLiteral("in a pinboard and old"));
    store().setCopiedAt(expired, now.addSecs(-86401));
    store().setCopiedAt(recent, hoursAgo(23));
    store().setCopiedAt(pinned, hoursAgo(24 * 30));
    store().setCopiedAt(kept, hoursAgo(24 * 31));
    store().togglePin(pinned);
    store().add(kept, store().createPinboard(u"Keep"_qs, Pinboard::defaultColorHex, 0));

    for (int days : {0, -1})
        EXPECT_EQ(store().pruneHistory(days, now), 0) << days << " days";
    EXPECT_EQ(store().itemCount(), 4);

    EXPECT_EQ(store().pruneHistory(1, now), 1);
    temporary.reopen();
    QStringList left;
    for (const auto& item : store().allItems())
        left.append(*item->plainText());
    EXPECT_EQ(left,
              (QStringList{u"23 hours old"_qs, u"pinned and old"_qs, u"in a pinboard and old"_qs}));
    EXPECT_EQ(temporary.rowCount("ClipboardItemPayload"), 3);

    // Deleting the pinboard leaves its items to retention.
    store().deletePinboard(store().pinboards().first());
    EXPECT_EQ(store().itemCount(), 3);
    EXPECT_EQ(temporary.rowCount("PinboardItem"), 0);
    EXPECT_EQ(store().pruneHistory(1, now), 1);
    EXPECT_EQ(store().itemCount(), 2);
}

TEST_F(HistoryStoreTest, PinboardMembership) {
    const auto pinboard = store().createPinboard(u"Snippets"_qs, Pinboard::defaultColorHex, 0);
    store().createPinboard(u"Other"_qs, Pinboard::defaultColorHex, 1);
    QList<ClipboardItemPtr> items;
    for (int i = 0; i < 5; ++i)
        items.append(recordText(QStringLiteral("member %1").arg(i)));

    // No double add, and a refused add saves nothing: a change left unsaved
    // by a failed write is still pending afterwards.
    store().add(items[0], pinboard);
    temporary.setReadOnly(true);
    store().togglePin(items[4]);
    temporary.setReadOnly(false);
    ASSERT_TRUE(store().hasUnsavedChanges());
    store().add(items[0], pinboard);
    EXPECT_TRUE(store().hasUnsavedChanges());
    EXPECT_EQ(store().pinboardItems(pinboard).size(), 1);

    // Removing an item the pinboard lacks still saves.
    store().remove(items[1], pinboard);
    EXPECT_FALSE(store().hasUnsavedChanges());

    // New members go to the end; order numbers are not reused on removal.
    store().add(items[1], pinboard);
    store().add(items[2], pinboard);
    store().remove(items[1], pinboard);
    store().add(items[3], pinboard);
    temporary.reopen();
    const auto pinboards = store().pinboards();
    ASSERT_EQ(pinboards.size(), 2);
    QList<qint64> orders;
    for (const auto& link : store().pinboardItems(pinboards[0]))
        orders.append(link->sortOrder());
    EXPECT_EQ(orders, (QList<qint64>{0, 2, 2}));
    EXPECT_EQ(store().items(pinboards[0]).size(), 3);

    // An item in two pinboards: deleting it removes both links.
    const auto shared = store().items(pinboards[0]).first();
    store().add(shared, pinboards[1]);
    EXPECT_TRUE(store().contains(shared, pinboards[1]));
    EXPECT_EQ(temporary.rowCount("PinboardItem"), 4);
    store().deleteItem(shared);
    EXPECT_EQ(temporary.rowCount("PinboardItem"), 2);
    EXPECT_TRUE(store().pinboardItems(pinboards[1]).isEmpty());
    EXPECT_EQ(store().memberIdentities(pinboards[0]).size(), 2);
}

// A stored history's items are read in on a thread of their own: the count,
// pinboards and rules answer at once, and the first use of the items waits
// for them, so a copy made meanwhile still finds the one it repeats.
TEST_F(HistoryStoreTest, ItemsReadInTheBackgroundAreWaitedForByTheirFirstUse) {
    const auto pinboard = store().createPinboard(u"Snippets"_qs, Pinboard::defaultColorHex, 0);
    const QByteArray longText = largeText(3 * ClipboardItem::listingTextBytes);
    recordText(QString::fromUtf8(longText));
    for (int i = 0; i < 200; ++i)
        recordText(QStringLiteral("item %1").arg(i));
    store().add(store().allItems().first(), pinboard);
    store().addAppRule(*browser, u"Browser"_qs);
    temporary.reopen();

    EXPECT_EQ(store().itemCount(), 201);
    EXPECT_EQ(store().pinboards().size(), 1);
    EXPECT_EQ(store().appRules().size(), 1);
    EXPECT_FALSE(store().isReadIn());

    int inserted = 0;
    QObject::connect(&store(), &HistoryStore::itemInserted, [&] { ++inserted; });
    const auto again = recordText(QString::fromUtf8(longText));
    EXPECT_TRUE(store().isReadIn());
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(store().itemCount(), 201);
    EXPECT_EQ(store().allItems().first(), again);
    EXPECT_EQ(again->plainText(), QString::fromUtf8(longText));
    EXPECT_EQ(store().items(store().pinboards().first()).first()->plainText(), u"item 199"_qs);
}

TEST_F(HistoryStoreTest, AFailedSaveIsLoggedAndWrittenWithTheNextSave) {
    LogCapture log;
    temporary.setReadOnly(true);
    const auto item = recordText(QStringLiteral("written later"));
    EXPECT_TRUE(log.contains(u"Quillbox: failed to save history: "_qs));
    EXPECT_EQ(item->content(), QByteArray("written later"));
    EXPECT_EQ(store().allItems().first(), item);

    // Changes made meanwhile build on the unsaved ones.
    const auto dropped = recordText(QStringLiteral("never written"));
    store().add(dropped, store().createPinboard(u"Board"_qs, Pinboard::defaultColorHex, 0));
    store().deleteItem(dropped);
    store().togglePin(item);

    temporary.setReadOnly(false);
    store().save();
    EXPECT_FALSE(store().hasUnsavedChanges());
    temporary.reopen();
    ASSERT_EQ(store().itemCount(), 1);
    EXPECT_EQ(store().allItems().first()->content(), QByteArray("written later"));
    EXPECT_TRUE(store().allItems().first()->isPinned());
    EXPECT_EQ(store().pinboards().size(), 1);
    EXPECT_EQ(temporary.rowCount("PinboardItem"), 0);
}

} // namespace
} // namespace quillbox::testing
