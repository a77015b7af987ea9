#include "PasteTestSupport.h"
#include "core/PanelContentModel.h"
#include "core/SearchIndex.h"

#include <QPromise>
#include <array>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// A recognizer the test answers by hand, request by request.
struct ManualRecognizer {
    PanelContentModel::Recognize function() {
        return [this](const QByteArray& bytes) {
            requestedImages.append(bytes);
            promises.append(std::make_shared<QPromise<OCRResult>>());
            promises.last()->start();
            return promises.last()->future();
        };
    }
    void answer(int index, const OCRResult& result) {
        promises[index]->addResult(result);
        promises[index]->finish();
        serveFor(20ms); // the model continues on the event loop
    }
    QList<QByteArray> requestedImages;
    QList<std::shared_ptr<QPromise<OCRResult>>> promises;
};

struct ModelRig : PasteRig {
    ModelRig() {
        model = std::make_unique<PanelContentModel>(store, appState, pasteService.get(),
                                                    recognizer.function());
    }

    QStringList visible() {
        QStringList texts;
        for (const auto& item : model->filteredItems())
            texts.append(label(item));
        return texts;
    }
    QString selected() {
        const auto item = model->selectedItem();
        return item ? label(item) : QString();
    }
    void select(const QString& text) {
        for (const auto& item : store.allItems())
            if (label(item) == text)
                appState.setSelectedCardID(item->id());
    }
    static QString label(const ClipboardItemPtr& item) {
        return item->title().value_or(
            item->plainText().value_or(QString::fromUtf8(item->content())));
    }
    // Items are recorded oldest first, each a moment after the one before.
    ClipboardItemPtr add(ParsedClipboardContent content,
                         std::optional<QString> source = std::nullopt) {
        serveFor(2ms);
        return record(content, std::move(source));
    }

    ManualRecognizer recognizer;
    std::unique_ptr<PanelContentModel> model;
};

// The history the search cases run over, newest first: the label (title, else
// plain text, else content) and what makes each findable.
void addSearchHistory(ModelRig& rig) {
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
    ModelRig rig;
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
    ModelRig rig;
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

struct FollowingRig : ModelRig {
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
    PanelContentModel& model = *rig.model;
    QList<ClipboardItemPtr> shadow = model.filteredItems();
    QStringList sent;
    const auto inRange = [&](qsizetype row) { return row >= 0 && row < shadow.size(); };
    QObject::connect(&model, &PanelContentModel::visibleRowsInserted, [&](auto first, auto count) {
        sent.append(u"insert"_qs);
        ASSERT_TRUE(first >= 0 && first <= shadow.size() && count > 0);
        for (qsizetype row = first; row < first + count; ++row)
            shadow.insert(row, model.visibleItem(row));
    });
    QObject::connect(&model, &PanelContentModel::visibleRowsRemoved, [&](auto first, auto count) {
        sent.append(u"remove"_qs);
        ASSERT_TRUE(inRange(first) && inRange(first + count - 1) && count > 0);
        shadow.remove(first, count);
    });
    QObject::connect(&model, &PanelContentModel::visibleRowMoved, [&](auto from, auto to) {
        sent.append(u"move"_qs);
        ASSERT_TRUE(inRange(from) && inRange(to));
        shadow.move(from, to);
    });
    QObject::connect(&model, &PanelContentModel::visibleRowsChanged, [&](auto first, auto last) {
        sent.append(u"change"_qs);
        EXPECT_TRUE(inRange(first) && inRange(last) && first <= last);
    });
    QObject::connect(&model, &PanelContentModel::visibleListReset, [&] {
        sent.append(u"reset"_qs);
        shadow = model.filteredItems();
    });
    // Told last: a listener that reads the whole list then finds every row.
    QObject::connect(&model, &PanelContentModel::filteredItemsChanged,
                     [&] { EXPECT_EQ(model.filteredItems(), shadow); });

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
        EXPECT_EQ(shadow, model.filteredItems()) << "after " << step.name;
        EXPECT_EQ(model.filteredItems(), rig.scanned(filter)) << "after " << step.name;
        // The index, followed change by change, must give the same list afresh.
        rig.appState.setSearchQuery(u"\u0001"_qs);
        rig.appState.setSearchQuery(filter.query);
        EXPECT_EQ(model.filteredItems(), rig.scanned(filter)) << "made afresh after " << step.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Filters, PanelRowSignals, ::testing::Range(0, 4), [](const auto& info) {
    return std::string(followingFilters[info.param].name);
});

// The list is A, B, C; an empty selection means none.
struct CommandCase {
    const char* name;
    const char* selectedBefore;
    PanelCommand command;
    const char* selectedAfter;
    const char* listAfter;
};

class PanelCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PanelCommands, MoveTheSelectionOrDeleteWithinTheList) {
    ModelRig rig;
    for (const char* text : {"C", "B", "A"})
        rig.add(textContent(QString::fromLatin1(text)));
    if (*GetParam().selectedBefore)
        rig.select(QString::fromLatin1(GetParam().selectedBefore));
    rig.appState.send(GetParam().command);
    EXPECT_EQ(rig.appState.selectedCardID().has_value(), *GetParam().selectedAfter != 0);
    EXPECT_EQ(rig.selected(), QString::fromLatin1(GetParam().selectedAfter));
    EXPECT_EQ(rig.visible().join(QString()), QString::fromLatin1(GetParam().listAfter));
}

using enum PanelCommand;
const CommandCase commandCases[] = {
    {"NextWithoutSelectionSelectsTheSecond", "", selectNext, "B", "ABC"},
    {"PreviousOnTheFirstStays", "A", selectPrevious, "A", "ABC"},
    {"NextOnTheLastStays", "C", selectNext, "C", "ABC"},
    {"PreviousMovesLeft", "C", selectPrevious, "B", "ABC"},
    {"DeletingTheMiddleSelectsTheNextOne", "B", deleteSelected, "C", "AC"},
    {"DeletingTheLastSelectsItsLeftNeighbour", "C", deleteSelected, "B", "AB"},
    {"DeletingWithoutSelectionDeletesTheFirst", "", deleteSelected, "B", "BC"},
};

INSTANTIATE_TEST_SUITE_P(Cases, PanelCommands, ::testing::ValuesIn(commandCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PanelContentModel, AHiddenSelectionFallsBackToTheFirstAndComesBack) {
    ModelRig rig;
    for (const char* text : {"apple", "banana", "cherry"})
        rig.add(textContent(QString::fromLatin1(text)));
    rig.select(QStringLiteral("banana"));
    rig.appState.setSearchQuery(QStringLiteral("e")); // cherry, apple
    EXPECT_EQ(rig.selected(), QStringLiteral("cherry"));
    rig.appState.send(PanelCommand::pasteSelected);
    ASSERT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_EQ(rig.pasteboard.writes().first().first().string(PasteboardType::string),
              QStringLiteral("cherry"));
    rig.appState.setSearchQuery({});
    EXPECT_EQ(rig.selected(), QStringLiteral("banana"));
}

TEST(PanelContentModel, PastingHidesThePanelFirstAndDeletingTheOnlyItemClearsTheSelection) {
    ModelRig rig;
    rig.add(textContent(QStringLiteral("x")));
    rig.appState.showPanel();
    qsizetype writesWhenHidden = -1;
    QObject::connect(&rig.appState, &AppState::isPanelVisibleChanged, [&](bool visible) {
        if (!visible)
            writesWhenHidden = rig.pasteboard.writes().size();
    });
    rig.appState.send(PanelCommand::pasteSelectedAsPlainText);
    EXPECT_EQ(writesWhenHidden, 0);
    EXPECT_FALSE(rig.appState.isPanelVisible());
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);

    rig.appState.send(PanelCommand::deleteSelected);
    EXPECT_FALSE(rig.appState.selectedCardID());
    EXPECT_TRUE(rig.visible().isEmpty());
    rig.appState.send(PanelCommand::deleteSelected); // nothing to delete: nothing happens
    rig.appState.send(PanelCommand::pasteSelected);
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
}

// Recognition: three images, newest first 3, 2, 1.
struct RecognitionRig : ModelRig {
    RecognitionRig() {
        for (const char* bytes : {"IMG-1", "IMG-2", "IMG-3"})
            images.prepend(add(imageContent(bytes)));
        add(textContent(QStringLiteral("some text")));
    }
    QList<ClipboardItemPtr> images; // newest first
};

TEST(PanelRecognition, ASearchRecognisesImagesNewestFirstOneAtATime) {
    RecognitionRig rig;
    serveFor(20ms);
    EXPECT_TRUE(rig.recognizer.requestedImages.isEmpty()) << "recognised without a search";
    // A view that reads the list as soon as it changes.
    QObject::connect(rig.model.get(), &PanelContentModel::filteredItemsChanged, rig.model.get(),
                     [&] { rig.model->filteredItems(); });
    rig.appState.setSearchQuery(QStringLiteral("t"));
    EXPECT_EQ(rig.recognizer.requestedImages, QList<QByteArray>{"IMG-3"});
    rig.recognizer.answer(0, OCRResult::success(QStringLiteral("total")));
    EXPECT_EQ(rig.images[0]->ocrText(), QStringLiteral("total"));
    EXPECT_FALSE(rig.store.hasUnsavedChanges());
    EXPECT_TRUE(rig.visible().contains(QStringLiteral("IMG-3"))) << "found by its new text";
    rig.recognizer.answer(1, OCRResult::failure(OCRError::invalidImage));
    EXPECT_EQ(rig.images[1]->ocrText(), QString()) << "a failure is stored as empty text";
    rig.recognizer.answer(2, OCRResult::success({}));
    EXPECT_EQ(rig.recognizer.requestedImages, (QList<QByteArray>{"IMG-3", "IMG-2", "IMG-1"}));
    EXPECT_FALSE(rig.model->isRecognizing());

    rig.appState.setSearchQuery(QStringLiteral("to"));
    serveFor(20ms);
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 3) << "tried images are not tried again";
}

TEST(PanelRecognition, TypingOnRestartsThePassWhichGoesOnWithThePendingImages) {
    RecognitionRig rig;
    rig.appState.setSearchQuery(QStringLiteral("t"));
    rig.recognizer.answer(0, OCRResult::success(QStringLiteral("three")));
    ASSERT_EQ(rig.recognizer.requestedImages.size(), 2); // IMG-2 is being read
    rig.appState.setSearchQuery(QStringLiteral("tw"));
    // The restarted pass reaches IMG-2 first and waits for the reading in
    // progress rather than asking again.
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 2);
    rig.recognizer.answer(1, OCRResult::success(QStringLiteral("two")));
    EXPECT_EQ(rig.images[1]->ocrText(), QStringLiteral("two"));
    EXPECT_EQ(rig.recognizer.requestedImages, (QList<QByteArray>{"IMG-3", "IMG-2", "IMG-1"}));
}

TEST(PanelRecognition, AResultForACancelledPassOrADeletedImageIsDropped) {
    RecognitionRig rig;
    rig.appState.setSearchQuery(QStringLiteral("t"));
    rig.appState.setSearchQuery({}); // cancels; IMG-3 is still being read
    rig.recognizer.answer(0, OCRResult::success(QStringLiteral("late")));
    EXPECT_FALSE(rig.images[0]->ocrText()) << "left for a later pass";
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 1);

    rig.appState.setSearchQuery(QStringLiteral("l"));
    EXPECT_EQ(rig.recognizer.requestedImages.size(), 2);
    EXPECT_EQ(rig.recognizer.requestedImages.last(), QByteArray("IMG-3"));

    rig.store.deleteItem(rig.images[0]); // while it is read again: skipped
    rig.recognizer.answer(1, OCRResult::success(QStringLiteral("gone")));
    EXPECT_EQ(rig.recognizer.requestedImages.last(), QByteArray("IMG-2"));
}

} // namespace
} // namespace quillbox::testing
