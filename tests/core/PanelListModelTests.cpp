// The panel's visible list: what each filter lets through, and the row
// signals that keep a view in step with the history, change by change.
#include "LogCapture.h"
#include "PanelListRig.h"
#include "core/SearchIndex.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <array>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// The history the search cases run over, newest first: the label (title, else
// plain text, else content) and what makes each findable.
void addSearchHistory(PanelListRig& rig) {
    auto writer = parsedContent("{\\rtf1 Minutes}", PasteboardType::rtf, ContentCategory::richText,
                                QStringLiteral("Minutes"));
    rig.add(writer, QStringLiteral("LibreOffice Writer"));
    rig.add(textContent(QStringLiteral("café au lait")));
    auto invoice = imageContent("IMAGE-1");
    rig.add(invoice);
    rig.store.setOcrText(rig.store.allItems().first(), QStringLiteral("Invoice total 42"));
    auto file = fileContent({u"/home/u/secret/report.pdf"_qs});
    file.title = u"report.pdf"_qs;
    rig.add(file);
    rig.add(urlContent(u"https://quillbox.example/docs"_qs, u"Docs link"_qs));
    rig.add(textContent(QStringLiteral("Hello World")));
}

// Expected lists are the visible labels joined by ", ", newest first.
struct SearchCase {
    const char* name;
    QString query;
    std::optional<ContentCategory> category;
    QString expected;
};

class PanelSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(PanelSearch, ListsTheMatchingItemsNewestFirst) {
    PanelListRig rig;
    addSearchHistory(rig);
    rig.appState.setSearchQuery(GetParam().query);
    rig.appState.setSelectedCategory(GetParam().category);
    EXPECT_EQ(rig.visible().join(u", "_qs), GetParam().expected);
}

const QString everything = u"Hello World, Docs link, report.pdf, IMAGE-1, café au lait, Minutes"_qs;

const SearchCase searchCases[] = {
    {"EmptySearchListsEverything", {}, {}, everything},
    {"OnlySpacesListEverything", u"  \t "_qs, {}, everything},
    {"LeadingSpacesAndTrailingTabAreTrimmed", u"  hello\t"_qs, {}, u"Hello World"_qs},
    {"TrailingLineBreakStaysPartOfTheSearch", u"hello\n"_qs, {}, {}},
    {"NoAccentDoesNotMatchAnAccent", u"cafe"_qs, {}, {}},
    {"AccentedUpperCaseMatches", u"CAFÉ"_qs, {}, u"café au lait"_qs},
    {"OneUpperCaseLetter", u"W"_qs, {}, u"Hello World, Minutes"_qs},
    {"OneAccentedLetter", u"É"_qs, {}, u"café au lait"_qs},
    {"UrlByAWordOfItsAddress", u"quillbox.example"_qs, {}, u"Docs link"_qs},
    {"FileByItsTitle", u"REPORT"_qs, {}, u"report.pdf"_qs},
    {"FileNotByItsPath", u"secret"_qs, {}, {}},
    {"ImageByItsRecognisedText", u"invoice"_qs, {}, u"IMAGE-1"_qs},
    {"BySourceApplicationName", u"writer"_qs, {}, u"Minutes"_qs},
    {"CategoryAlone", {}, ContentCategory::text, u"Hello World, café au lait"_qs},
    {"CategoryAndSearch", u"o"_qs, ContentCategory::url, u"Docs link"_qs},
};

INSTANTIATE_TEST_SUITE_P(Cases, PanelSearch, ::testing::ValuesIn(searchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Most texts are searched where their item keeps them, ASCII capitals taken
// as small letters; a text whose folding changes more (a capital beyond
// ASCII, a sign that folds to ASCII letters, bytes that are not UTF-8) is
// searched in its folded copy. Both find what folding the text would.
struct FoldingCase {
    const char* name;
    QByteArray text; // UTF-8, or not
    QString query;
    bool isFound;
};

class PanelSearchFolding : public ::testing::TestWithParam<FoldingCase> {};

TEST_P(PanelSearchFolding, FindsWhatTheFoldedTextHolds) {
    PanelListRig rig;
    const auto& param = GetParam();
    rig.add(parsedContent(param.text, PasteboardType::string, ContentCategory::text,
                          QString::fromUtf8(param.text)));
    rig.add(textContent(u"unrelated"_qs));
    rig.appState.setSearchQuery(param.query);
    EXPECT_EQ(rig.visible().size(), param.isFound ? 1 : 0);
}

const FoldingCase foldingCases[] = {
    {"AsciiCapitalsInText", "Meeting NOTES for Monday", u"notes for"_qs, true},
    {"AsciiCapitalsInQuery", "meeting notes", u"NOTES"_qs, true},
    {"SmallAccentsStayAsTheyAre", "Z\xc3\xbcrich caf\xc3\xa9", u"ZÜRICH CAFÉ"_qs, true},
    {"AccentIsNotItsLetter", "Z\xc3\xbcrich", u"zurich"_qs, false},
    {"CapitalBeyondAscii",
     "\xc3\x89"
     "COLE Normale",
     u"école n"_qs, true},
    {"KelvinSignFoldsToAsciiK", "300 \xe2\x84\xaa outside", u"300 k"_qs, true},
    {"NotUtf8", "caf\xe9 Menu", u"menu"_qs, true},
    {"QueryAcrossTheEnd", "Hello", u"hello world"_qs, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, PanelSearchFolding, ::testing::ValuesIn(foldingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A list is made before its texts are folded, which happens a slice at a
// time on the event loop; a search that comes first waits for them, and
// finds what it finds once they are folded, changes made meanwhile included.
TEST(PanelListModel, SearchBeforeTheTextsAreFoldedFindsTheSame) {
    PanelListRig rig;
    addSearchHistory(rig);
    AppState earlyState;
    AppState lateState;
    PanelListModel early(rig.store, earlyState);
    PanelListModel late(rig.store, lateState);
    ASSERT_EQ(early.rowCount(), 6);
    ASSERT_EQ(late.rowCount(), 6);
    rig.store.setOcrText(rig.store.allItems().first(), u"recognised hello"_qs);
    rig.store.deleteItem(rig.store.allItems().at(1));
    for (const QString& query : {u"hello"_qs, u"CAFÉ"_qs, u"invoice"_qs, u"W"_qs, u"zzz"_qs}) {
        earlyState.setSearchQuery(query);
        const QList<ClipboardItemPtr> found = early.items();
        serveFor(20ms); // the late list's texts are folded by now
        lateState.setSearchQuery(query);
        EXPECT_EQ(found, late.items()) << query.toStdString();
        QList<ClipboardItemPtr> scanned;
        for (const auto& item : rig.store.allItems())
            if (SearchIndex::matches(*item, query))
                scanned.append(item);
        EXPECT_EQ(found, scanned) << query.toStdString();
    }
}

// The row's text, which screen readers speak, is copied text: it stays on
// one line, and a bidi override can't make it read as something else.
TEST(PanelListModel, ARowsTextIsOneLineWithoutBidiControls) {
    PanelListRig rig;
    rig.add(textContent(u"invoice\u202Efdp.exe\nsecond line"_qs));
    for (const int role : {Qt::DisplayRole, Qt::AccessibleTextRole})
        EXPECT_EQ(rig.list.index(0).data(role).toString(), u"invoicefdp.exe second line"_qs);
}

// Long texts: the list keeps only their start, so a word further in is found
// by reading the rest, before and after the item changes, and not once it is
// gone. The plain text is the content (read in pieces) or stands beside it.
struct LongTextCase {
    const char* name;
    qsizetype wordAt; // bytes of filler before the word
    QString word;
    QString query;
    bool isBesideContent;
    bool isFound;
};

class PanelLongTextSearch : public ::testing::TestWithParam<LongTextCase> {};

TEST_P(PanelLongTextSearch, FindsWordsPastTheKeptStart) {
    const auto& param = GetParam();
    PanelListRig rig;
    rig.add(textContent(u"short note"_qs));
    const QString text = QString(param.wordAt, u'x') + u' ' + param.word + u" and more"_qs;
    auto content = param.isBesideContent ? parsedContent("{\\rtf1 long}", PasteboardType::rtf,
                                                         ContentCategory::richText, text)
                                         : textContent(text);
    const auto item = rig.add(content);
    ASSERT_TRUE(item->isPlainTextShortened());
    const QStringList expected = param.isFound ? QStringList{rig.label(item)} : QStringList{};
    rig.appState.setSearchQuery(param.query);
    EXPECT_EQ(rig.visible(), expected);
    rig.store.togglePin(item);
    rig.store.setOcrText(item, u"recognised"_qs);
    EXPECT_EQ(rig.visible(), expected) << "after a change to the item";
    rig.store.deleteItem(item);
    EXPECT_EQ(rig.visible(), QStringList{}) << "after its removal";
}

const LongTextCase longTextCases[] = {
    {"WordTwentyKilobytesIn", 20'000, u"zebra"_qs, u"ZEBRA"_qs, false, true},
    {"AccentedWordFoldedAndFound", 20'000, u"Ærøskøbing"_qs, u"ærøSKØ"_qs, false, true},
    {"WordAcrossTwoReadPieces", 1024 * 1024 - 3, u"zebra"_qs, u"zebra"_qs, false, true},
    {"WordInAPlainTextBesideTheContent", 20'000, u"zebra"_qs, u"Zebra"_qs, true, true},
    {"WordNowhere", 20'000, u"zebra"_qs, u"quokka"_qs, false, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, PanelLongTextSearch, ::testing::ValuesIn(longTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The visible list follows the history change by change. For each filter a
// view could have set, the history goes through copies, copies again,
// deletes, a prune, a pin, recognised text and the pinboard's deletion; after
// every step a shadow list, built only from the row signals, must equal the
// model's list, and that list what a plain scan of the history finds. Each
// step also says which signals it may send for each filter (none for a change
// the filter hides; no reset for a change of the history).
struct FollowingFilter {
    const char* name;
    QString query;
    std::optional<ContentCategory> category;
    bool isPinboardTab;
};

class PanelRowSignals : public ::testing::TestWithParam<int> {};

const FollowingFilter followingFilters[] = {
    {"Unfiltered", {}, {}, false},
    {"SearchingRed", u" red\t"_qs, {}, false},
    {"TextKind", {}, ContentCategory::text, false},
    {"PinboardTab", {}, {}, true},
};

struct FollowingRig : PanelListRig {
    // The history, newest first: red apple, green pear (in Fruit), an image,
    // red cherry (code, in Fruit), then, copied days ago, blue plum, grey
    // old memo, red old note, red pinned note (pinned), red oldest note.
    FollowingRig() {
        const auto now = QDateTime::currentDateTimeUtc();
        const std::pair<const char*, double> old[] = {{"red oldest note", 12},
                                                      {"red pinned note", 11},
                                                      {"red old note", 10},
                                                      {"grey old memo", 9.5},
                                                      {"blue plum", 9}};
        for (const auto& [text, days] : old) {
            const auto item = add(textContent(QString::fromLatin1(text)));
            store.setCopiedAt(item, now.addSecs(qint64(-days * 24 * 3600)));
        }
        store.togglePin(item(u"red pinned note"_qs));
        const auto cherry = add(parsedContent("red cherry", PasteboardType::string,
                                              ContentCategory::code, u"red cherry"_qs));
        store.setCopiedAt(cherry, now.addDays(-8));
        add(imageContent("IMAGE"));
        const auto pear = add(textContent(u"green pear"_qs));
        add(textContent(u"red apple"_qs));
        fruit = store.createPinboard(u"Fruit"_qs, Pinboard::defaultColorHex, 0);
        store.add(pear, fruit);
        store.add(cherry, fruit);
    }
    ClipboardItemPtr item(const QString& text) {
        for (const auto& item : store.allItems())
            if (label(item) == text)
                return item;
        return nullptr;
    }
    void copyAgain(const QString& text) {
        serveFor(2ms);
        auto content = textContent(text);
        content.contentHash = item(text)->contentHash();
        record(content);
    }
    // What the list must be: the history scanned item by item.
    QList<ClipboardItemPtr> scanned(const FollowingFilter& filter) {
        const QString query = SearchIndex::trimmedQuery(filter.query);
        const auto members = store.memberIdentities(fruit);
        QList<ClipboardItemPtr> expected;
        for (const auto& item : store.allItems()) {
            if ((!filter.isPinboardTab || !store.pinboards().contains(fruit) ||
                 members.contains(item->persistentID())) &&
                (!filter.category || item->category() == rawValue(*filter.category)) &&
                (query.isEmpty() || SearchIndex::matches(*item, query)))
                expected.append(item);
        }
        return expected;
    }
    PinboardPtr fruit;
};

// A long text: deleting it leaves enough dead text in the index to make it
// compact, so the steps after run over a rewritten index.
const QString longBerry = u"red berry "_qs + QString(5000, u'b');

struct FollowingStep {
    const char* name;
    std::function<void(FollowingRig&)> change;
    // The signals sent, per filter in the order of followingFilters.
    std::array<const char*, 4> signalsSent;
};

const FollowingStep followingSteps[] = {
    {"copy of a red text",
     [](auto& rig) { rig.add(textContent(longBerry)); },
     {"insert", "insert", "insert", ""}},
    {"copy of another text",
     [](auto& rig) { rig.add(textContent(u"yellow lemon"_qs)); },
     {"insert", "", "insert", ""}},
    {"copy again from far down",
     [](auto& rig) { rig.copyAgain(u"blue plum"_qs); },
     {"move", "", "move", ""}},
    {"copy again of a code member",
     [](auto& rig) { rig.copyAgain(u"red cherry"_qs); },
     {"move", "move", "", "move"}},
    {"copy again of the newest",
     [](auto& rig) { rig.copyAgain(u"red cherry"_qs); },
     {"change", "change", "", "change"}},
    {"pin",
     [](auto& rig) { rig.store.togglePin(rig.item(u"green pear"_qs)); },
     {"change", "", "change", "change"}},
    {"recognised text that matches",
     [](auto& rig) { rig.store.setOcrText(rig.item(u"IMAGE"_qs), u"Red invoice"_qs); },
     {"change", "insert", "", ""}},
    {"delete (index compacts)",
     [](auto& rig) { rig.store.deleteItem(rig.item(longBerry)); },
     {"remove", "remove", "remove", ""}},
    {"delete of a member",
     [](auto& rig) { rig.store.deleteItem(rig.item(u"green pear"_qs)); },
     {"remove", "", "remove", "remove"}},
    {"prune around a pinned item",
     [](auto& rig) { rig.store.pruneHistory(1, QDateTime::currentDateTimeUtc()); },
     {"remove remove", "remove remove", "remove remove", ""}},
    {"copy after the removals",
     [](auto& rig) { rig.add(textContent(u"red fig"_qs)); },
     {"insert", "insert", "insert", ""}},
    {"recognised text written anew, no longer matching",
     [](auto& rig) { rig.store.setOcrText(rig.item(u"IMAGE"_qs), u"blue"_qs); },
     {"change", "remove", "", ""}},
    {"import of a copy from days ago",
     [](auto& rig) {
         const auto item = rig.add(textContent(u"red import"_qs));
         rig.store.setCopiedAt(item, QDateTime::currentDateTimeUtc().addDays(-5));
     },
     {"insert move", "insert move", "insert move", ""}},
    {"a member joins the pinboard",
     [](auto& rig) { rig.store.add(rig.item(u"red fig"_qs), rig.fruit); },
     {"", "", "", "reset"}},
    {"the pinboard is deleted (its tab then filters nothing)",
     [](auto& rig) { rig.store.deletePinboard(rig.fruit); },
     {"", "", "", "reset"}},
};

TEST_P(PanelRowSignals, ApplyInOrderToGiveTheVisibleList) {
    const FollowingFilter& filter = followingFilters[GetParam()];
    FollowingRig rig;
    const PanelListModel& list = rig.list;
    // Qt's own checks of the model, after every signal; a failure is a
    // warning, which the capture keeps.
    LogCapture log;
    QAbstractItemModelTester tester(&rig.list,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    QList<ClipboardItemPtr> shadow = list.items();
    QStringList sent;
    // Each signal, applied to the shadow, must give the model's list: a view
    // that reads the whole list then finds every row.
    const auto apply = [&](const char* name, const std::function<void()>& change) {
        sent.append(QString::fromLatin1(name));
        change();
        EXPECT_EQ(shadow, list.items()) << "after a signal " << name;
    };
    QObject::connect(&list, &QAbstractItemModel::rowsInserted, [&](auto&, int first, int last) {
        apply("insert", [&] {
            for (int row = first; row <= last; ++row)
                shadow.insert(row, list.itemAt(row));
        });
    });
    QObject::connect(&list, &QAbstractItemModel::rowsRemoved, [&](auto&, int first, int last) {
        apply("remove", [&] { shadow.remove(first, last - first + 1); });
    });
    QObject::connect(
        &list, &QAbstractItemModel::rowsMoved, [&](auto&, int from, int last, auto&, int before) {
            ASSERT_EQ(from, last) << "one row at a time";
            apply("move", [&] { shadow.move(from, before > from ? before - 1 : before); });
        });
    QObject::connect(&list, &QAbstractItemModel::dataChanged,
                     [&](auto&, auto&) { apply("change", [] {}); });
    QObject::connect(&list, &QAbstractItemModel::modelReset,
                     [&] { apply("reset", [&] { shadow = list.items(); }); });

    rig.appState.setSearchQuery(filter.query);
    rig.appState.setSelectedCategory(filter.category);
    if (filter.isPinboardTab)
        rig.appState.setSelectedPinboardID(rig.fruit->id());
    EXPECT_EQ(sent.join(u' '), filter.query.isEmpty() && !filter.category && !filter.isPinboardTab
                                   ? QString()
                                   : u"reset"_qs)
        << "a filter makes one new list";
    EXPECT_EQ(shadow, rig.scanned(filter));

    for (const auto& step : followingSteps) {
        sent.clear();
        step.change(rig);
        EXPECT_EQ(sent.join(u' '), QString::fromLatin1(step.signalsSent[size_t(GetParam())]))
            << step.name;
        EXPECT_EQ(shadow, rig.scanned(filter)) << "after " << step.name;
        // The index, followed change by change, must give the same list afresh.
        rig.appState.setSearchQuery(u"\u0001"_qs);
        rig.appState.setSearchQuery(filter.query);
        EXPECT_EQ(list.items(), rig.scanned(filter)) << "made afresh after " << step.name;
    }
    EXPECT_FALSE(log.contains(u"FAIL"_qs)) << log.lines().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Filters, PanelRowSignals, ::testing::Range(0, 4), [](const auto& info) {
    return std::string(followingFilters[info.param].name);
});

} // namespace
} // namespace quillbox::testing

namespace quillbox::testing {
namespace {

// A stored history is read in while the program starts. A view set up then
// gets an empty list at once instead of waiting, and the whole list in one
// reset when the history is in; a panel opened before that waits for it and
// shows it whole at once.
TEST(PanelListReadIn, ViewsDoNotWaitForTheHistoryButAnOpenedPanelDoes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(StoreContainer::storeFileName);
    {
        HistoryStore writer(StoreContainer::makeShared(false, path));
        for (int i = 0; i < 40; ++i)
            writer.record(textContent(u"text %1"_qs.arg(i)), {}, {});
    }
    for (const bool opensPanel : {false, true}) {
        SCOPED_TRACE(opensPanel ? "panel opened while reading" : "panel closed");
        HistoryStore store(StoreContainer::makeShared(false, path));
        AppState state;
        PanelListModel list(store, state);
        QAbstractItemModelTester tester(&list,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        int resets = 0;
        QObject::connect(&list, &QAbstractItemModel::modelReset, [&] { ++resets; });
        int readIn = 0;
        QObject::connect(&store, &HistoryStore::itemsReadIn, [&] { ++readIn; });

        EXPECT_EQ(store.itemCount(), 40);
        EXPECT_EQ(list.rowCount(), 0);
        EXPECT_FALSE(store.isReadIn());
        if (opensPanel) {
            state.setPanelVisible(true);
            EXPECT_TRUE(store.isReadIn());
            EXPECT_EQ(list.rowCount(), 40);
            EXPECT_EQ(resets, 1);
        }
        ASSERT_TRUE(waitUntil([&] { return readIn == 1; }, 5s));
        EXPECT_EQ(list.rowCount(), 40);
        EXPECT_EQ(list.itemAt(0)->plainText(), u"text 39"_qs);
        EXPECT_EQ(resets, 1);
    }
}

} // namespace
} // namespace quillbox::testing
