#include "app/SearchCommands.h"
#include "core/PasteTestSupport.h"

#include <QFuture>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

struct CommandRig : PasteRig {
    CommandRig() {
        tools.pasteService = pasteService.get();
        tools.keystrokes = &keystrokes;
        tools.progress = [this](const QString& line) { progress.append(line); };
        tools.recognize = [this](const QByteArray& bytes) {
            recognised.append(bytes);
            return QtFuture::makeReadyFuture(
                OCRResult::success(QStringLiteral("text of ") + QString::fromUtf8(bytes)));
        };
    }

    CommandResult run(const QString& name, const QStringList& arguments,
                      const QHash<QString, QString>& options = {}) {
        const Command command{name, arguments, options};
        std::optional<CommandResult> result;
        if (name == QStringLiteral("search"))
            SearchCommands::search(store, command, tools,
                                   [&](const CommandResult& reply) { result = reply; });
        else if (name == QStringLiteral("copy"))
            result = SearchCommands::copy(store, command, tools);
        else
            SearchCommands::paste(store, command, tools,
                                  [&](const CommandResult& reply) { result = reply; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(CommandResult{});
    }

    SearchCommands::Tools tools;
    QStringList progress;
    QList<QByteArray> recognised;
};

TEST(SearchCommand, LetsRecognitionReachTheImagesFirst) {
    CommandRig rig;
    rig.record(imageContent("scan-1"));
    rig.record(imageContent("scan-2"));
    rig.record(textContent(QStringLiteral("plain words")));
    const auto result = rig.run(QStringLiteral("search"), {QStringLiteral("scan-2")},
                                {{QStringLiteral("--json"), {}}});
    EXPECT_EQ(result.exitCode, ExitCode::success);
    EXPECT_EQ(rig.recognised.size(), 2);
    EXPECT_EQ(rig.progress.first(), QStringLiteral("Recognising text in images: 0 of 2"));
    EXPECT_EQ(rig.progress.last(), QStringLiteral("Recognising text in images: 2 of 2"));
    const auto json = QJsonDocument::fromJson(result.output.toUtf8()).array();
    ASSERT_EQ(json.size(), 1) << result.output.toStdString();
}

TEST(SearchCommand, WithoutRecognitionListsAtOnce) {
    CommandRig rig;
    rig.record(imageContent("scan-1"));
    rig.record(textContent(QStringLiteral("plain words")));
    const auto result = rig.run(QStringLiteral("search"), {QStringLiteral("words")},
                                {{QStringLiteral("--no-ocr"), {}}});
    EXPECT_EQ(result.exitCode, ExitCode::success);
    EXPECT_TRUE(rig.recognised.isEmpty());
    EXPECT_TRUE(result.output.contains(QStringLiteral("plain words")))
        << result.output.toStdString();
}

struct RefusalCase {
    const char* name;
    QString command;
    QStringList arguments;
    QHash<QString, QString> options;
    int exitCode;
    QString message;
};

class CommandRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CommandRefusals, SayWhatWasWrong) {
    CommandRig rig;
    rig.record(textContent(QStringLiteral("x")));
    const auto result = rig.run(GetParam().command, GetParam().arguments, GetParam().options);
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    EXPECT_TRUE(result.error.contains(GetParam().message)) << result.error.toStdString();
    EXPECT_TRUE(rig.pasteboard.writes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandRefusals,
    ::testing::Values(RefusalCase{"UnknownKind",
                                  QStringLiteral("search"),
                                  {QStringLiteral("x")},
                                  {{QStringLiteral("--category"), QStringLiteral("poem")}},
                                  ExitCode::usage,
                                  QStringLiteral("one of: text, richText, image")},
                      RefusalCase{"UnknownPinboard",
                                  QStringLiteral("search"),
                                  {QStringLiteral("x")},
                                  {{QStringLiteral("--pinboard"), QStringLiteral("Nowhere")}},
                                  ExitCode::failure,
                                  QStringLiteral("No pinboard named \"Nowhere\"")},
                      RefusalCase{"CopyOfUnknownItem",
                                  QStringLiteral("copy"),
                                  {QStringLiteral("0000ffff")},
                                  {},
                                  ExitCode::failure,
                                  QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SearchCommand, KindAndPinboardNarrowTheSearch) {
    CommandRig rig;
    const auto kept = rig.record(textContent(QStringLiteral("red apple")));
    rig.record(textContent(QStringLiteral("red car")));
    const auto board =
        rig.store.createPinboard(QStringLiteral("Fruit"), Pinboard::defaultColorHex, 0);
    rig.store.add(kept, board);
    const auto result = rig.run(QStringLiteral("search"), {QStringLiteral("red")},
                                {{QStringLiteral("--pinboard"), QStringLiteral("fruit")},
                                 {QStringLiteral("--category"), QStringLiteral("text")}});
    EXPECT_TRUE(result.output.contains(QStringLiteral("red apple")));
    EXPECT_FALSE(result.output.contains(QStringLiteral("red car")));
}

TEST(CopyAndPasteCommands, PutTheItemBackAndPasteIntoTheWindowInFrontNow) {
    CommandRig rig;
    const auto item = rig.record(textContent(QStringLiteral("again")));
    const QString id = item->id().toString(QUuid::WithoutBraces);
    auto result = rig.run(QStringLiteral("copy"), {id}, {{QStringLiteral("--plain"), {}}});
    EXPECT_EQ(result.output, QStringLiteral("Copied %1.\n").arg(id));
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
    EXPECT_TRUE(rig.keystrokes.sentKeystrokes().isEmpty());

    result = rig.run(QStringLiteral("paste"), {id});
    EXPECT_EQ(result.output, QStringLiteral("Pasted %1.\n").arg(id));
    EXPECT_EQ(rig.keystrokes.rememberedTargets(), 1);
    EXPECT_EQ(rig.keystrokes.sentKeystrokes().size(), 1) << "answered before the keys went out";
}

TEST(CopyAndPasteCommands, PasteFailsButKeepsTheItemOnTheClipboardWhenNoKeysCanBeSent) {
    CommandRig rig;
    rig.keystrokes.setRefusesKeys(true);
    const QString id =
        rig.record(textContent(QStringLiteral("x")))->id().toString(QUuid::WithoutBraces);
    const auto result = rig.run(QStringLiteral("paste"), {id});
    EXPECT_EQ(result.exitCode, ExitCode::failure);
    EXPECT_TRUE(result.output.isEmpty());
    EXPECT_EQ(
        result.error,
        QStringLiteral("Copied %1, but no paste keys could be sent: press Ctrl+V to paste it.")
            .arg(id));
    EXPECT_EQ(rig.pasteboard.writes().size(), 1);
}

TEST(CopyAndPasteCommands, SayWhenTheClipboardCouldNotBeSetAndFail) {
    CommandRig rig;
    rig.pasteboard.setRefusesWrites(true);
    const QString id =
        rig.record(textContent(QStringLiteral("x")))->id().toString(QUuid::WithoutBraces);
    for (const QString& command : {QStringLiteral("copy"), QStringLiteral("paste")}) {
        const auto result = rig.run(command, {id});
        EXPECT_EQ(result.exitCode, ExitCode::failure) << command.toStdString();
        EXPECT_TRUE(result.output.isEmpty()) << result.output.toStdString();
        EXPECT_EQ(result.error, QStringLiteral("Quillbox could not set the clipboard."));
    }
    serveFor(300ms);
    EXPECT_TRUE(rig.keystrokes.sentKeystrokes().isEmpty());
}

TEST(CopyAndPasteCommands, NeedTheRunningApplication) {
    CommandRig rig;
    rig.tools.pasteService = nullptr;
    const auto item = rig.record(textContent(QStringLiteral("x")));
    const auto result =
        rig.run(QStringLiteral("paste"), {item->id().toString(QUuid::WithoutBraces)});
    EXPECT_EQ(result.exitCode, ExitCode::notRunning);
}

} // namespace
} // namespace quillbox::testing
