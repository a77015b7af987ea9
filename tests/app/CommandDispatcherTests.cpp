// The command line's commands against a real store in memory: what they
// print, what they change, and export and import between two stores.
#include "AppTestSupport.h"
#include "FakeKeystrokeSender.h"
#include "FakeUserNotifier.h"
#include "app/CommandDispatcher.h"
#include "app/HistoryTransfer.h"
#include "app/InspectClipboard.h"
#include "app/SearchCommands.h"
#include "capture/ClipboardMonitor.h"
#include "capture/SourceAppResolver.h"
#include "content/Hash.h"
#include "content/PasteboardTypes.h"
#include "core/AppState.h"
#include "core/PasteService.h"
#include "history/HistoryStore.h"
#include "support/X11TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

CommandResult run(CommandDispatcher& dispatcher, const QStringList& arguments) {
    const auto outcome = parseCommandLine(arguments);
    EXPECT_EQ(outcome.kind, CommandLineOutcome::Kind::run) << outcome.error.toStdString();
    std::optional<CommandResult> result;
    dispatcher.execute(outcome.command, [&](const CommandResult& r) { result = r; });
    // Imports and searches may answer later, from the event loop.
    const QDeadlineTimer deadline(10'000);
    while (!result && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(result) << "no answer";
    return result.value_or(CommandResult::failure(u"no answer"_s));
}

class CommandDispatcherTest : public ::testing::Test {
public:
    CommandDispatcherTest()
        : dispatcher(
              CommandContext{app.services->historyStore(), app.services.get(), u"memory"_s}) {
        now = QDateTime::currentDateTimeUtc();
        older = app.addText(u"older text"_s, now.addSecs(-7200), u"org.example.Editor"_s);
        newer = app.addText(u"newer  text\nsecond line"_s, now.addSecs(-60));
    }
    HistoryStore& store() { return app.store(); }

    testing::FakeApp app;
    CommandDispatcher dispatcher;
    QDateTime now;
    ClipboardItemPtr older;
    ClipboardItemPtr newer;
};

TEST_F(CommandDispatcherTest, ListShowsNewestFirstOnOneLineEachAndShowTheWholeText) {
    const auto text = run(dispatcher, {u"list"_s});
    ASSERT_EQ(text.exitCode, 0);
    const auto lines = text.output.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(0).startsWith(newer->id().toString(QUuid::WithoutBraces)));
    EXPECT_TRUE(lines.at(0).endsWith(u"newer text second line"_s)); // one line, spaces folded
    EXPECT_TRUE(lines.at(1).contains(u"org.example.Editor"_s));
    EXPECT_TRUE(lines.at(1).contains(u"2 hr. ago"_s));

    const auto json = run(dispatcher, {u"list"_s, u"--json"_s, u"--limit"_s, u"1"_s});
    const auto array = QJsonDocument::fromJson(json.output.toUtf8()).array();
    ASSERT_EQ(array.size(), 1);
    EXPECT_EQ(QDateTime::fromString(array.at(0).toObject().value(u"copiedAt"_s).toString(),
                                    Qt::ISODateWithMs),
              newer->copiedAt());

    // Show prints the whole text, named by a unique start of its id in any case.
    const QString id = newer->id().toString(QUuid::WithoutBraces);
    const auto shown = run(dispatcher, {u"show"_s, id.left(8).toUpper()});
    EXPECT_TRUE(shown.output.contains(id));
    EXPECT_TRUE(shown.output.contains(u"newer  text\nsecond line"_s)) << shown.output.toStdString();
}

TEST_F(CommandDispatcherTest, PinAndDeleteNameAnItemByItsIdAndRefuseOthers) {
    const QString id = older->id().toString(QUuid::WithoutBraces);
    for (const QString& name : {id.left(2), QUuid::createUuid().toString()})
        EXPECT_TRUE(std::holds_alternative<QString>(CommandDispatcher::findItem(store(), name)));
    EXPECT_EQ(run(dispatcher, {u"pin"_s, id.left(8)}).exitCode, 0);
    EXPECT_TRUE(older->isPinned());
    EXPECT_EQ(run(dispatcher, {u"delete"_s, id}).exitCode, 0);
    EXPECT_EQ(store().itemCount(), 1);
    const auto again = run(dispatcher, {u"delete"_s, id});
    EXPECT_EQ(again.exitCode, ExitCode::failure);
    EXPECT_TRUE(again.error.contains(u"No item"_s));
}

TEST_F(CommandDispatcherTest, ExcludingTwiceKeepsOneRuleAndIncludingRemovesIt) {
    EXPECT_EQ(run(dispatcher, {u"exclude"_s, u"org.example.Vault"_s, u"Vault"_s}).exitCode, 0);
    EXPECT_EQ(run(dispatcher, {u"exclude"_s, u"org.example.Vault"_s}).exitCode, 0);
    ASSERT_EQ(store().appRules().size(), 1);
    EXPECT_EQ(store().appRules().first()->appName(), u"Vault"_s);
    EXPECT_TRUE(store().isAppExcluded(u"org.example.Vault"_s));

    // A rule switched off in the settings is switched on again, not doubled.
    store().setRuleExcluded(store().appRules().first(), false);
    run(dispatcher, {u"exclude"_s, u"org.example.Vault"_s});
    EXPECT_EQ(store().appRules().size(), 1);
    EXPECT_TRUE(store().isAppExcluded(u"org.example.Vault"_s));

    EXPECT_TRUE(run(dispatcher, {u"rules"_s, u"--json"_s})
                    .output.contains(u"\"appID\":\"org.example.Vault\""_s));
    run(dispatcher, {u"include"_s, u"org.example.Vault"_s});
    EXPECT_TRUE(store().appRules().isEmpty());
}

TEST_F(CommandDispatcherTest, WithoutARunningInstanceOnlyReadingCommandsWork) {
    CommandDispatcher offline(CommandContext{store(), nullptr, u"disk"_s});
    EXPECT_EQ(run(offline, {u"show"_s, older->id().toString()}).exitCode, 0);
    for (const QStringList& arguments : {QStringList{u"pause"_s},
                                         {u"delete"_s, older->id().toString()},
                                         {u"pick-color"_s},
                                         {u"quit"_s}})
        EXPECT_EQ(run(offline, arguments).exitCode, ExitCode::notRunning)
            << arguments[0].toStdString();
    EXPECT_EQ(store().itemCount(), 2);
}

TEST_F(CommandDispatcherTest, ExportThenImportRestoresItemsWithTheirTimesWithoutDuplicates) {
    store().togglePin(older);
    store().setOcrText(newer, u"recognised"_s);
    // A long text is read from the store in pieces that cut through its
    // characters, and written whole, not as the start the item keeps.
    QString longText;
    for (int i = 0; longText.size() < 200'000; ++i)
        longText += QString::number(i) + u" caf\u00e9 \"quoted\"\t\U0001F600\n"_s;
    const auto large = app.addText(longText, now.addSecs(-3600));
    ASSERT_TRUE(large->isPlainTextShortened());
    const QByteArray exported = run(dispatcher, {u"export"_s}).output.toUtf8();

    testing::FakeApp other;
    auto& target = other.services->historyStore();
    other.addText(u"older text"_s, now); // already there: kept as it is
    auto summary = HistoryTransfer::importLines(exported, target);
    EXPECT_EQ(summary.imported, 2);
    EXPECT_EQ(summary.alreadyPresent, 1);
    EXPECT_TRUE(summary.problems.isEmpty()) << summary.problems.join(u'\n').toStdString();
    const auto importedLarge = target.itemWithHash(large->contentHash());
    ASSERT_TRUE(importedLarge);
    EXPECT_TRUE(importedLarge->plainText() == longText);
    const auto imported = target.itemWithHash(newer->contentHash());
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->copiedAt(), newer->copiedAt());
    EXPECT_EQ(imported->ocrText(), std::nullopt); // recognised again, from the content

    // Importing the same export again adds nothing.
    summary = HistoryTransfer::importLines(exported, target);
    EXPECT_EQ(summary.imported, 0);
    EXPECT_EQ(target.itemCount(), 3);
}

int countBusyWaits(void* count, int) {
    ++*static_cast<int*>(count);
    return 0; // give up at once
}

TEST(HistoryExportTest, AnExportIsTheHistoryAsItWasWhenItStarted) {
    QTemporaryDir directory;
    HistoryStore store(StoreContainer::makeShared(false, directory.filePath(u"Quillbox.store"_s)));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<ClipboardItemPtr> items;
    for (int i = 0; i < 3; ++i) {
        // Each several pieces long, so the export is under way when they go.
        items.append(store.record(testing::textContent(QString(1'500'000, QChar(u'a' + i))),
                                  std::nullopt, std::nullopt));
        store.setCopiedAt(items.last(), now.addSecs(i - 10));
    }
    // Waiting on the export's reader would stall the application's thread.
    int busyWaits = 0;
    sqlite3_busy_handler(store.container()->handle(), countBusyWaits, &busyWaits);

    CommandDispatcher dispatcher(CommandContext{store, nullptr, u"disk"_s});
    auto channel = std::make_shared<CommandReply::Channel>();
    QByteArray exported;
    std::optional<CommandResult> result;
    std::vector<std::function<void()>> waiting;
    channel->finish = [&](const CommandResult& r) { result = r; };
    channel->write = [&](const QByteArray& bytes) { exported += bytes; };
    channel->whenDrained = [&](std::function<void()> next) { waiting.push_back(std::move(next)); };
    const auto drain = [&] {
        auto steps = std::exchange(waiting, {});
        for (auto& step : steps)
            step();
    };
    dispatcher.execute(parseCommandLine({u"export"_s}).command, CommandReply(channel));
    drain();
    ASSERT_FALSE(exported.isEmpty());
    ASSERT_FALSE(result);
    // While it runs: two items go, one is pinned, a large one is copied.
    store.deleteItem(items[0]);
    store.deleteItem(items[2]);
    store.togglePin(items[1]);
    const auto added =
        store.record(testing::textContent(QString(5'000'000, u'z')), std::nullopt, std::nullopt);
    while (!result && !waiting.empty())
        drain();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0);
    EXPECT_EQ(busyWaits, 0);

    testing::FakeApp other;
    const auto summary = HistoryTransfer::importLines(exported, other.store());
    EXPECT_TRUE(summary.problems.isEmpty()) << summary.problems.join(u'\n').toStdString();
    EXPECT_EQ(summary.imported, 3);
    for (const auto& item : items)
        EXPECT_TRUE(other.store().itemWithHash(item->contentHash()));
    EXPECT_FALSE(other.store().itemWithHash(added->contentHash()));
    EXPECT_FALSE(other.store().itemWithHash(items[1]->contentHash())->isPinned());
}

TEST_F(CommandDispatcherTest, ALongListIsStreamedInPiecesAsTheReaderTakesThem) {
    {
        HistoryStore::Batch batch(store());
        for (int i = 0; i < 6000; ++i)
            store().record(testing::textContent(u"item %1 "_s.arg(i) + QString(80, u'x')),
                           std::nullopt, std::nullopt);
    }
    for (const bool json : {true, false}) {
        SCOPED_TRACE(json ? "json" : "table");
        auto channel = std::make_shared<CommandReply::Channel>();
        QList<QByteArray> pieces;
        std::optional<CommandResult> result;
        std::vector<std::function<void()>> waiting;
        channel->finish = [&](const CommandResult& r) { result = r; };
        channel->write = [&](const QByteArray& bytes) { pieces.append(bytes); };
        channel->whenDrained = [&](std::function<void()> next) {
            waiting.push_back(std::move(next));
        };
        QStringList arguments{u"list"_s};
        if (json)
            arguments.append(u"--json"_s);
        dispatcher.execute(parseCommandLine(arguments).command, CommandReply(channel));
        // Nothing more is made until the reader has taken what was sent.
        for (int round = 0; !result && round < 1000; ++round) {
            const qsizetype before = pieces.size();
            for (auto& step : std::exchange(waiting, {}))
                step();
            EXPECT_LE(pieces.size(), before + 1);
        }
        ASSERT_TRUE(result);
        EXPECT_EQ(result->exitCode, 0);
        EXPECT_TRUE(result->output.isEmpty());
        EXPECT_GT(pieces.size(), 1);
        const QByteArray whole = pieces.join();
        if (json) {
            const auto array = QJsonDocument::fromJson(whole).array();
            ASSERT_EQ(array.size(), 6002);
            EXPECT_EQ(array.first().toObject().value(u"id"_s).toString(),
                      store().allItems().first()->id().toString(QUuid::WithoutBraces));
        } else {
            EXPECT_EQ(whole.count('\n'), 6002);
        }
    }
}

// An exported line with its content and kind, and the rest of its fields
// as a forger would set them.
QByteArray forgedLine(const QByteArray& content, const QString& type, const QString& category,
                      const QJsonObject& fields) {
    QJsonObject object{{u"content"_s, QString::fromLatin1(content.toBase64())},
                       {u"contentType"_s, type},
                       {u"category"_s, category},
                       {u"copiedAt"_s, u"2024-01-01T00:00:00.000Z"_s}};
    for (auto it = fields.begin(); it != fields.end(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

TEST(HistoryImportTest, EveryShownOrSearchedFieldComesFromTheContent) {
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Helvetica;}}"
                           "\\f0 Pay {\\b Alice} caf\\'e9\\par \\u8364?5}";
    const QByteArray green = encodeColorData(QColor(0, 255, 0));
    const QByteArray png = testing::solidPng(Qt::red, QSize(40, 30));
    const QByteArray lies = QByteArray("aGVsbG8=");
    QByteArray lines = forgedLine(rtf, PasteboardType::rtf, u"richText"_s,
                                  {{u"plainText"_s, u"Pay Mallory"_s},
                                   {u"richTextData"_s, QString::fromLatin1(lies)},
                                   {u"title"_s, u"Pay Mallory"_s},
                                   {u"characterCount"_s, 3}}) +
                       forgedLine(green, PasteboardType::color, u"color"_s,
                                  {{u"colorHex"_s, u"#FF0000"_s}, {u"plainText"_s, u"#FF0000"_s}}) +
                       forgedLine(png, PasteboardType::png, u"image"_s,
                                  {{u"imageDimensions"_s, u"9999 x 9999"_s},
                                   {u"thumbnailData"_s,
                                    QString::fromLatin1(testing::solidPng(Qt::blue).toBase64())},
                                   {u"ocrText"_s, u"password"_s},
                                   {u"plainText"_s, u"password"_s}});
    testing::FakeApp app;
    const auto summary = HistoryTransfer::importLines(lines, app.store());
    EXPECT_TRUE(summary.problems.isEmpty()) << summary.problems.join(u'\n').toStdString();
    ASSERT_EQ(summary.imported, 3);

    const auto rich = app.store().itemWithHash(sha256Hash(rtf));
    ASSERT_TRUE(rich);
    EXPECT_EQ(rich->plainText(), u"Pay Alice caf\u00e9\n\u20ac5"_s);
    EXPECT_EQ(rich->richTextData(), rtf);
    EXPECT_EQ(rich->title(), std::nullopt);
    EXPECT_EQ(rich->characterCount(), 17);

    const auto color = app.store().itemWithHash(sha256Hash(green));
    ASSERT_TRUE(color);
    EXPECT_EQ(color->colorHex(), u"#00FF00"_s);
    EXPECT_EQ(color->plainText(), u"#00FF00"_s);

    const auto image = app.store().itemWithHash(sha256Hash(png));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->imageDimensions(), u"40 x 30"_s);
    EXPECT_EQ(image->ocrText(), std::nullopt);
    EXPECT_EQ(image->plainText(), std::nullopt);
    const QImage thumbnail = QImage::fromData(image->thumbnailData().value_or(QByteArray()));
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_EQ(thumbnail.pixelColor(0, 0), QColor(Qt::red));
}

// Characters a terminal acts on (everything below space but the line
// break, DEL and the C1 range) or that reorder what follows them.
bool hasTerminalControls(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n') || (u >= 0x7f && u <= 0x9f) || (u >= 0x202a && u <= 0x202e) ||
            (u >= 0x2066 && u <= 0x2069))
            return true;
    }
    return false;
}

TEST_F(CommandDispatcherTest, HumanReadableOutputEscapesTerminalControls) {
    SearchCommands::install(dispatcher,
                            [](const CommandContext&) { return SearchCommands::Tools{}; });
    const QString hostile = u"evil\x1b]0;owned\x07 \x1b[2J\u009b31m\x7f\rdone\ttab \u202Etxt.exe"_s;
    const auto item = app.addText(hostile, now, u"org.example.\x1b[5mBlink"_s);
    const QString id = item->id().toString(QUuid::WithoutBraces);
    const QStringList commands[] = {{u"list"_s}, {u"search"_s, u"evil"_s}, {u"show"_s, id}};
    for (const auto& arguments : commands) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const auto result = run(dispatcher, arguments);
        EXPECT_EQ(result.exitCode, 0) << result.error.toStdString();
        EXPECT_FALSE(hasTerminalControls(result.output)) << result.output.toStdString();
        EXPECT_TRUE(result.output.contains(u"\\x1b]0;owned\\x07"_s)) << result.output.toStdString();
    }
    // A preview is cut between characters, not through an emoji's surrogate pair.
    app.addText(QString(u"a\U0001F600"_s).repeated(40), now.addSecs(1));
    const auto listed = run(dispatcher, {u"list"_s, u"--limit"_s, u"1"_s}).output;
    EXPECT_TRUE(QStringView(listed).isValidUtf16()) << listed.toStdString();
    EXPECT_TRUE(listed.contains(u"\U0001F600a\u2026"_s)) << listed.toStdString();
    // A search without matches says so, and not that the history is empty.
    EXPECT_EQ(run(dispatcher, {u"search"_s, u"nothing like this"_s}).output,
              u"No items match.\n"_s);
    // JSON keeps the text as it is; the JSON writer escapes it.
    const auto json = run(dispatcher, {u"show"_s, id, u"--json"_s});
    EXPECT_EQ(QJsonDocument::fromJson(json.output.toUtf8()).object().value(u"text"_s).toString(),
              hostile);

    testing::FakePasteboard pasteboard;
    pasteboard.setContents({PasteboardType::string});
    pasteboard.setString(PasteboardType::string, hostile);
    testing::FakeFrontmostApplicationSource frontmost;
    SourceAppResolver resolver(frontmost);
    QString inspected;
    QTextStream out(&inspected);
    inspectClipboard(pasteboard, resolver, false, out);
    EXPECT_FALSE(hasTerminalControls(inspected)) << inspected.toStdString();
}

// One exported line with some fields replaced.
QByteArray lineWith(const ClipboardItem& item, const QJsonObject& changes) {
    auto object = QJsonDocument::fromJson(HistoryTransfer::exportLine(item)).object();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        object.insert(it.key(), it.value());
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

TEST_F(CommandDispatcherTest, ImportSkipsLinesItCannotTrustSaysWhichAndTakesTheTextFromTheContent) {
    QByteArray tampered = HistoryTransfer::exportLine(*newer);
    tampered.replace("\"contentHash\":\"", "\"contentHash\":\"00");
    const std::pair<QByteArray, QString> rows[] = {
        {"not json\n", u"not a JSON object"_s},
        {tampered, u"\"contentHash\" does not match"_s},
        {"{\"content\":\"!!!\",\"category\":\"text\"}\n", QString()},
        {lineWith(*older, {{u"characterCount"_s, 1e300}}), u"\"characterCount\""_s},
        {lineWith(*older, {{u"characterCount"_s, -3}}), u"\"characterCount\""_s},
        {lineWith(*older, {{u"characterCount"_s, 2.5}}), u"\"characterCount\""_s},
        {lineWith(*older, {{u"copiedAt"_s, u"9999-01-01T00:00:00.000Z"_s}}), u"\"copiedAt\""_s},
        {lineWith(*older, {{u"copiedAt"_s, u"1969-12-31T23:59:59.000Z"_s}}), u"\"copiedAt\""_s},
    };
    QByteArray lines;
    for (const auto& row : rows)
        lines += row.first;
    // Shows one text while pasting another: the text comes from the content.
    lines += lineWith(*newer, {{u"plainText"_s, u"harmless words"_s}});

    testing::FakeApp other;
    const QString file = other.directory.filePath(u"export.jsonl"_s);
    ASSERT_TRUE(testing::writeFile(file, lines));
    CommandDispatcher target(CommandContext{other.store(), other.services.get(), {}});
    const auto result = run(target, {u"import"_s, file});
    EXPECT_EQ(result.exitCode, ExitCode::failure);
    EXPECT_TRUE(result.output.contains(u"Imported 1 items"_s)) << result.output.toStdString();
    for (int line = 1; line <= int(std::size(rows)); ++line)
        EXPECT_TRUE(result.error.contains(u"line %1: %2"_s.arg(line).arg(rows[line - 1].second)))
            << result.error.toStdString();
    ASSERT_EQ(other.store().itemCount(), 1);
    EXPECT_EQ(other.store().allItems().first()->plainText(), newer->plainText());

    const auto missing = run(target, {u"import"_s, u"/nonexistent/export.jsonl"_s});
    EXPECT_EQ(missing.exitCode, ExitCode::failure);
    EXPECT_TRUE(missing.error.contains(u"Could not read"_s));
}

// A file of many batches comes in as one insertion per new item, each in its
// place by its copy time (the views move nothing), pinned as it was.
TEST(ImportCommand, AFileOfManyBatchesInsertsEachNewItemOnceInItsPlace) {
    constexpr int count = 1'234;
    const QDateTime newest = QDateTime::currentDateTimeUtc().addDays(-1);
    QByteArray lines;
    for (int i = 0; i < count; ++i) {
        const QByteArray text = "imported line " + QByteArray::number(i) + " of the old history";
        const QJsonObject line{
            {u"category"_s, u"text"_s},
            {u"contentType"_s, PasteboardType::string},
            {u"content"_s, QString::fromLatin1(text.toBase64())},
            {u"copiedAt"_s, newest.addSecs(-i).toString(Qt::ISODateWithMs)},
            {u"isPinned"_s, i == 700},
        };
        lines += QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
        if (i == 600)
            lines += QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    }
    testing::FakeApp app;
    const QString file = app.directory.filePath(u"export.jsonl"_s);
    ASSERT_TRUE(testing::writeFile(file, lines));
    HistoryStore& store = app.store();
    const ClipboardItemPtr current = store.record(testing::textContent(u"copied today"_s), {}, {});
    QList<qsizetype> insertedRows;
    int otherSignals = 0;
    QObject::connect(&store, &HistoryStore::itemInserted,
                     [&](const ClipboardItemPtr&, qsizetype row) { insertedRows.append(row); });
    QObject::connect(&store, &HistoryStore::itemMoved, [&] { ++otherSignals; });
    QObject::connect(&store, &HistoryStore::itemChanged, [&] { ++otherSignals; });

    CommandDispatcher target(CommandContext{store, app.services.get(), {}});
    const auto result = run(target, {u"import"_s, file});
    EXPECT_EQ(result.exitCode, ExitCode::success) << result.error.toStdString();
    EXPECT_TRUE(result.output.contains(u"Imported %1 items; 1 were"_s.arg(count)))
        << result.output.toStdString();
    ASSERT_EQ(insertedRows.size(), count);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(insertedRows[i], i + 1) << "line " << i; // below today's copy, in file order
    EXPECT_EQ(otherSignals, 0);
    const auto items = store.allItems();
    ASSERT_EQ(items.size(), count + 1);
    EXPECT_EQ(items.first(), current);
    EXPECT_EQ(items[701]->plainText(), u"imported line 700 of the old history"_s);
    EXPECT_TRUE(items[701]->isPinned());
    EXPECT_EQ(items[701]->copiedAt(), newest.addSecs(-700));
}

// Where no watcher sees Ctrl+V (Wayland), `paste-next` pastes the stack's
// items in turn; the window says how, and a paste key that cannot paste
// tells the user.
TEST(PasteNextCommand, PastesTheStackInTurnWhereThePasteKeyIsNotWatched) {
    testing::FakeKeystrokeSender* keys = nullptr;
    testing::FakeUserNotifier* notifier = nullptr;
    QString hint;
    testing::FakeApp app([&](AppPlatform& platform) {
        platform.pasteKeyWatcher.reset();
        keys = testing::installFake<testing::FakeKeystrokeSender>(platform.keystrokeSender);
        notifier = testing::installFake<testing::FakeUserNotifier>(platform.notifier);
        auto fakeWindow = std::move(platform.makePasteStackWindow);
        platform.makePasteStackWindow = [&hint, fakeWindow](const PasteStackSetup& setup,
                                                            WindowHints* hints) {
            hint = setup.pasteNextHint;
            return fakeWindow(setup, hints);
        };
    });
    app.access->setGranted(true);
    app.services->start();
    CommandDispatcher dispatcher(
        CommandContext{app.services->historyStore(), app.services.get(), u"memory"_s});
    const auto pasteNext = [&] { return run(dispatcher, {u"paste-next"_s}); };

    CommandResult result = pasteNext();
    EXPECT_EQ(result.exitCode, ExitCode::failure);
    EXPECT_EQ(result.error, u"No Paste Stack is running; start one with quillbox paste-stack."_s);
    run(dispatcher, {u"paste-stack"_s});
    EXPECT_EQ(hint, u"Run quillbox paste-next to paste the next item"_s);
    EXPECT_EQ(pasteNext().error, u"The Paste Stack holds no items yet; copy some first."_s);

    for (const QString& text : {u"one"_s, u"two"_s}) {
        app.copyText(text);
        app.services->clipboardMonitor()->checkForChanges();
    }
    QStringList pasted;
    keys->onKeysSent = [&] {
        pasted.append(app.pasteboard->string(PasteboardType::string).value_or(QString()));
    };
    EXPECT_EQ(pasteNext().output, u"Pasted item 1 of 2.\n"_s);
    keys->setRefusesKeys(true);
    result = pasteNext();
    EXPECT_EQ(result.exitCode, ExitCode::failure);
    EXPECT_EQ(result.error, u"Item 2 of 2 is on the clipboard, but no paste keys could be sent: "
                            "press Ctrl+V to paste it."_s);
    keys->setRefusesKeys(false);
    EXPECT_EQ(pasteNext().output, u"Pasted item 2 of 2.\n"_s);
    EXPECT_EQ(pasted, (QStringList{u"one"_s, u"two"_s}));
    EXPECT_FALSE(app.services->pasteStack().isActive());

    // The panel's paste, with nobody waiting on it, tells the user: once
    // where keys cannot be sent, each time the clipboard refuses.
    const auto item = app.store().allItems().first();
    keys->setRefusesKeys(true);
    app.services->pasteService()->paste(item, false);
    app.services->pasteService()->paste(item, false);
    testing::serveFor(std::chrono::milliseconds(400));
    app.pasteboard->setRefusesWrites(true);
    app.services->pasteService()->paste(item, false);
    ASSERT_TRUE(testing::waitUntil([&] { return notifier->notices().size() == 2; }));
    testing::serveFor(std::chrono::milliseconds(300));
    EXPECT_EQ(notifier->notices(),
              (QStringList{u"Quillbox: "_s + PasteService::pasteByHandText(),
                           u"Quillbox: "_s + PasteService::clipboardRefusedText()}));
}

} // namespace
} // namespace quillbox
