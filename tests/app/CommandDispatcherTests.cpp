// The command line's commands against a real store in memory: what they
// print, what they change, and export and import between two stores.
#include "AppTestSupport.h"
#include "app/CommandDispatcher.h"
#include "app/HistoryTransfer.h"
#include "content/Hash.h"
#include "core/AppState.h"
#include "history/HistoryStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

CommandResult run(CommandDispatcher& dispatcher, const QStringList& arguments) {
    const auto outcome = parseCommandLine(arguments);
    EXPECT_EQ(outcome.kind, CommandLineOutcome::Kind::run) << outcome.error.toStdString();
    std::optional<CommandResult> result;
    dispatcher.execute(outcome.command, [&](const CommandResult& r) { result = r; });
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

TEST_F(CommandDispatcherTest, ListShowsNewestFirstAsTextAndAsJson) {
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
    const auto first = array.at(0).toObject();
    EXPECT_EQ(first.value(u"id"_s).toString(), newer->id().toString(QUuid::WithoutBraces));
    EXPECT_EQ(first.value(u"kind"_s).toString(), u"text"_s);
    EXPECT_EQ(first.value(u"contentHash"_s).toString(), sha256Hash("newer  text\nsecond line"));
    EXPECT_EQ(QDateTime::fromString(first.value(u"copiedAt"_s).toString(), Qt::ISODateWithMs),
              newer->copiedAt());
}

TEST_F(CommandDispatcherTest, ItemsAreNamedByTheirIdOrAUniqueStartOfIt) {
    const QString id = older->id().toString(QUuid::WithoutBraces);
    EXPECT_EQ(std::get<ClipboardItemPtr>(CommandDispatcher::findItem(store(), id)), older);
    EXPECT_EQ(
        std::get<ClipboardItemPtr>(CommandDispatcher::findItem(store(), id.left(8).toUpper())),
        older);
    EXPECT_TRUE(std::holds_alternative<QString>(CommandDispatcher::findItem(store(), id.left(2))));
    EXPECT_TRUE(std::holds_alternative<QString>(
        CommandDispatcher::findItem(store(), QUuid::createUuid().toString())));

    const auto pin = run(dispatcher, {u"pin"_s, id.left(8)});
    EXPECT_EQ(pin.exitCode, 0);
    EXPECT_TRUE(older->isPinned());
    const auto removed = run(dispatcher, {u"delete"_s, id});
    EXPECT_EQ(removed.exitCode, 0);
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
    EXPECT_FALSE(store().isAppExcluded(u"org.example.vault"_s));

    // A rule switched off in the settings is switched on again, not doubled.
    store().setRuleExcluded(store().appRules().first(), false);
    run(dispatcher, {u"exclude"_s, u"org.example.Vault"_s});
    EXPECT_EQ(store().appRules().size(), 1);
    EXPECT_TRUE(store().isAppExcluded(u"org.example.Vault"_s));

    const auto rules = run(dispatcher, {u"rules"_s, u"--json"_s});
    EXPECT_TRUE(rules.output.contains(u"\"appID\":\"org.example.Vault\""_s));
    run(dispatcher, {u"include"_s, u"org.example.Vault"_s});
    EXPECT_TRUE(store().appRules().isEmpty());
}

TEST_F(CommandDispatcherTest, PauseAndResumeTakeThePanelsPath) {
    app.services->start();
    EXPECT_EQ(run(dispatcher, {u"pause"_s}).exitCode, 0);
    EXPECT_TRUE(app.services->appState().isMonitoringPaused());
    EXPECT_TRUE(run(dispatcher, {u"status"_s}).output.contains(u"paused"_s));
    EXPECT_TRUE(run(dispatcher, {u"pause"_s}).output.contains(u"already"_s));
    EXPECT_EQ(run(dispatcher, {u"resume"_s}).exitCode, 0);
    EXPECT_FALSE(app.services->appState().isMonitoringPaused());
}

TEST_F(CommandDispatcherTest, WithoutARunningInstanceOnlyReadingCommandsWork) {
    CommandDispatcher offline(CommandContext{store(), nullptr, u"disk"_s});
    EXPECT_EQ(run(offline, {u"list"_s}).exitCode, 0);
    EXPECT_TRUE(run(offline, {u"status"_s}).output.contains(u"not running"_s));
    for (const auto& command : {u"pause"_s, u"delete"_s, u"pick-color"_s, u"quit"_s}) {
        QStringList arguments{command};
        if (command == u"delete"_s)
            arguments.append(older->id().toString());
        EXPECT_EQ(run(offline, arguments).exitCode, ExitCode::notRunning) << command.toStdString();
    }
    EXPECT_EQ(store().itemCount(), 2);
}

TEST_F(CommandDispatcherTest, ExportThenImportRestoresItemsWithTheirTimesWithoutDuplicates) {
    store().togglePin(older);
    store().setOcrText(newer, u"recognised"_s);
    const QByteArray exported = run(dispatcher, {u"export"_s}).output.toUtf8();
    EXPECT_EQ(exported.count('\n'), 2);

    testing::FakeApp other;
    auto& target = other.services->historyStore();
    other.addText(u"older text"_s, now); // already there: kept as it is
    auto summary = HistoryTransfer::importLines(exported, target);
    EXPECT_EQ(summary.imported, 1);
    EXPECT_EQ(summary.alreadyPresent, 1);
    EXPECT_TRUE(summary.problems.isEmpty());
    const auto imported = target.itemWithHash(newer->contentHash());
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->copiedAt(), newer->copiedAt());
    EXPECT_EQ(imported->ocrText(), u"recognised"_s);
    EXPECT_EQ(imported->plainText(), newer->plainText());
    EXPECT_EQ(imported->content(), newer->content());

    // Importing the same export again adds nothing.
    summary = HistoryTransfer::importLines(exported, target);
    EXPECT_EQ(summary.imported, 0);
    EXPECT_EQ(target.itemCount(), 2);
}

TEST_F(CommandDispatcherTest, ImportSkipsUnreadableLinesAndSaysWhich) {
    QByteArray lines = HistoryTransfer::exportLine(*older);
    lines += "not json\n";
    QByteArray tampered = HistoryTransfer::exportLine(*newer);
    tampered.replace("\"contentHash\":\"", "\"contentHash\":\"00");
    lines += tampered;
    lines += "{\"content\":\"!!!\",\"category\":\"text\"}\n";

    testing::FakeApp other;
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(lines);
    file.flush();
    CommandDispatcher target(
        CommandContext{other.services->historyStore(), other.services.get(), {}});
    const auto result = run(target, {u"import"_s, file.fileName()});
    EXPECT_EQ(result.exitCode, ExitCode::failure);
    EXPECT_TRUE(result.output.contains(u"Imported 1 items"_s));
    EXPECT_TRUE(result.error.contains(u"line 2: not a JSON object"_s))
        << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(u"line 3: \"contentHash\" does not match"_s));
    EXPECT_TRUE(result.error.contains(u"line 4:"_s));
    EXPECT_EQ(other.services->historyStore().itemCount(), 1);

    const auto missing = run(target, {u"import"_s, u"/nonexistent/export.jsonl"_s});
    EXPECT_EQ(missing.exitCode, ExitCode::failure);
    EXPECT_TRUE(missing.error.contains(u"Could not read"_s));
}

} // namespace
} // namespace quillbox
