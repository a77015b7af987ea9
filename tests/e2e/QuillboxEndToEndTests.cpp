// The built quillbox program under Xvfb with openbox: copies made with xclip
// in a known application's window, read back through the command line.
#include "QuillboxSession.h"
#include "RealisticCorpus.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "content/Hash.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPalette>
#include <QUrl>
#include <QUuid>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

class QuillboxEndToEndTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(session.activateEditorWindow());
        ASSERT_TRUE(session.start());
    }
    QuillboxSession session;
};

TEST_F(QuillboxEndToEndTest, RecordsTextImagesAndFilesWithTheirSourceAndMovesARecopyToTheTop) {
    session.copy("hello from the editor");
    ASSERT_TRUE(session.waitForItemCount(1));

    const QByteArray png = solidPng(QColor(0x33, 0x99, 0x66), {40, 30});
    session.copy(png, u"image/png"_s);
    ASSERT_TRUE(session.waitForItemCount(2));

    const QString firstFile = session.environment().value(u"HOME"_s) + u"/notes one.txt"_s;
    const QString secondFile = session.environment().value(u"HOME"_s) + u"/b.txt"_s;
    const QByteArray uriList = QUrl::fromLocalFile(firstFile).toEncoded() + "\r\n" +
                               QUrl::fromLocalFile(secondFile).toEncoded() + "\r\n";
    session.copy(uriList, u"text/uri-list"_s);
    ASSERT_TRUE(session.waitForItemCount(3));

    const auto items = session.items();
    const auto files = items.at(0).toObject();
    const auto image = items.at(1).toObject();
    const auto text = items.at(2).toObject();

    EXPECT_EQ(text.value(u"kind"_s).toString(), u"text"_s);
    EXPECT_EQ(text.value(u"contentHash"_s).toString(), sha256Hash("hello from the editor"));
    EXPECT_EQ(image.value(u"kind"_s).toString(), u"image"_s);
    EXPECT_EQ(image.value(u"contentHash"_s).toString(), sha256Hash(png));
    EXPECT_EQ(image.value(u"imageDimensions"_s).toString(), u"40 x 30"_s);
    EXPECT_EQ(files.value(u"kind"_s).toString(), u"file"_s);
    EXPECT_EQ(files.value(u"filePath"_s).toString(), firstFile);
    EXPECT_EQ(files.value(u"contentHash"_s).toString(),
              sha256Hash(QUrl::fromLocalFile(firstFile).toEncoded() + '\n' +
                         QUrl::fromLocalFile(secondFile).toEncoded()));
    for (const auto& value : items) {
        const auto item = value.toObject();
        EXPECT_EQ(item.value(u"sourceAppBundleID"_s).toString(), QuillboxSession::editorID);
        EXPECT_EQ(item.value(u"sourceAppName"_s).toString(), QuillboxSession::editorName);
    }

    // The same text again moves its item to the top, without a duplicate.
    session.copy("hello from the editor");
    const auto textID = text.value(u"id"_s);
    ASSERT_TRUE(
        waitUntil([&] { return session.items().at(0).toObject().value(u"id"_s) == textID; }, 8s));
    EXPECT_EQ(session.items().size(), 3);
}

TEST_F(QuillboxEndToEndTest, HtmlIsRichTextThatGoesBackWithItsWordsAndSurvivesExportAndImport) {
    // As browsers and office suites put it, here without any plain text.
    const QByteArray html = "<p>Only <b>HTML</b> here<img src=\"https://example.com/x.png\"></p>";
    session.copy(html, u"text/html"_s);
    ASSERT_TRUE(session.waitForItemCount(1));
    const auto recorded = session.items().at(0).toObject();
    const QString id = recorded.value(u"id"_s).toString();
    EXPECT_EQ(recorded.value(u"kind"_s).toString(), u"richText"_s);
    EXPECT_EQ(recorded.value(u"contentType"_s).toString(), u"public.html"_s);
    EXPECT_EQ(recorded.value(u"contentHash"_s).toString(), sha256Hash(html));
    EXPECT_EQ(recorded.value(u"preview"_s).toString(), u"Only HTML here"_s);

    const auto inspected =
        QJsonDocument::fromJson(session.run({u"inspect-clipboard"_s, u"--json"_s}).standardOutput)
            .object();
    EXPECT_EQ(inspected.value(u"category"_s).toString(), u"richText"_s);
    EXPECT_EQ(inspected.value(u"contentType"_s).toString(), u"public.html"_s);
    EXPECT_EQ(inspected.value(u"richTextBytes"_s).toInteger(), html.size());
    EXPECT_EQ(inspected.value(u"plainTextPreview"_s).toString(), u"Only HTML here"_s);

    // Pasted back: the HTML with its words; as plain text: the words alone.
    const auto offered = [](bool hasHtml) {
        QList<QByteArray> targets;
        const bool isOurs = waitUntil(
            [&] {
                targets = readClipboardWithXclip(u"TARGETS"_s).split('\n');
                return targets.contains("com.quillbox.internal") &&
                       targets.contains("text/html") == hasHtml;
            },
            5s);
        return isOurs && targets.contains("UTF8_STRING") && targets.contains("text/plain");
    };
    EXPECT_EQ(session.run({u"paste"_s, id}).exitCode, 0);
    EXPECT_TRUE(offered(true));
    EXPECT_EQ(readClipboardWithXclip(u"text/html"_s), html);
    EXPECT_EQ(readClipboardWithXclip(u"UTF8_STRING"_s), "Only HTML here");
    EXPECT_EQ(session.run({u"copy"_s, u"--plain"_s, id}).exitCode, 0);
    EXPECT_TRUE(offered(false));
    EXPECT_EQ(readClipboardWithXclip(u"UTF8_STRING"_s), "Only HTML here");

    // Exported, deleted and imported: the same item again.
    const QString file = session.environment().value(u"HOME"_s) + u"/history.jsonl"_s;
    ASSERT_TRUE(writeFile(file, session.run({u"export"_s}).standardOutput));
    EXPECT_EQ(session.run({u"delete"_s, id}).exitCode, 0);
    ASSERT_TRUE(session.waitForItemCount(0));
    EXPECT_EQ(session.run({u"import"_s, file}).exitCode, 0);
    ASSERT_TRUE(session.waitForItemCount(1));
    const auto imported = session.items().at(0).toObject();
    for (const QString& field :
         {u"kind"_s, u"contentType"_s, u"contentHash"_s, u"preview"_s, u"characterCount"_s})
        EXPECT_EQ(imported.value(field), recorded.value(field)) << field.toStdString();
    const auto details =
        QJsonDocument::fromJson(
            session.run({u"show"_s, imported.value(u"id"_s).toString(), u"--json"_s})
                .standardOutput)
            .object();
    EXPECT_EQ(details.value(u"richTextBytes"_s).toInteger(), html.size());
    EXPECT_EQ(details.value(u"text"_s).toString(), u"Only HTML here"_s);
}

// What a pause keeps out is proven with the clipboard keeper, which must not
// keep it either.
TEST_F(QuillboxEndToEndTest, StatusTellsOfAPauseAndNothingCopiedInAnExcludedApplicationIsRecorded) {
    EXPECT_EQ(session.run({u"pause"_s}).exitCode, 0);
    const QByteArray status = session.run({u"status"_s}).standardOutput;
    EXPECT_TRUE(status.contains("paused"));
    EXPECT_TRUE(status.contains("Platform:  X11\n  capture: every copy")) << status.constData();
    EXPECT_TRUE(session.run({u"pause"_s}).standardOutput.contains("already"));
    EXPECT_EQ(session.run({u"resume"_s}).exitCode, 0);

    session.copy("after resuming");
    ASSERT_TRUE(session.waitForItemCount(1));
    EXPECT_EQ(session.items().at(0).toObject().value(u"preview"_s).toString(), u"after resuming"_s);

    EXPECT_EQ(session.run({u"exclude"_s, QuillboxSession::editorID, u"E2E Editor"_s}).exitCode, 0);
    session.copy("kept out");
    serveFor(1500ms);
    EXPECT_EQ(session.items().size(), 1);
    EXPECT_EQ(session.run({u"include"_s, QuillboxSession::editorID}).exitCode, 0);
    session.copy("let in");
    ASSERT_TRUE(session.waitForItemCount(2));
}

TEST_F(QuillboxEndToEndTest, ASecondStartRefusesAndAStaleSocketDoesNotBlockTheNext) {
    // Restarted to limit the recognition engine's threads, it keeps its name.
    const QString process = u"/proc/%1/"_s.arg(session.application()->pid());
    EXPECT_TRUE(readFile(process + u"environ"_s).contains("OMP_THREAD_LIMIT=1"));
    EXPECT_EQ(readFile(process + u"comm"_s), "quillbox\n");
    const auto shown = runCommand(
        u"ps"_s, {u"-o"_s, u"comm="_s, u"-p"_s, QString::number(session.application()->pid())});
    EXPECT_EQ(shown.standardOutput.trimmed(), "quillbox");

    const auto second = session.run({}, 10s);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.standardError.contains("Quillbox is already running."))
        << second.standardError.constData();
    EXPECT_TRUE(session.application()->isRunning());

    // Killed without a chance to clean up, it leaves its socket behind.
    session.application()->process().kill();
    ASSERT_TRUE(session.application()->waitFinished(5s));
    EXPECT_EQ(session.run({u"pause"_s}).exitCode, 3);
    ASSERT_TRUE(session.start());
}

TEST_F(QuillboxEndToEndTest, QuitLeavesAStoreThatTheNextStartReads) {
    const QByteArray secret = "deleted-secret-" + QUuid::createUuid().toByteArray(QUuid::Id128);
    session.copy(secret);
    ASSERT_TRUE(session.waitForItemCount(1));
    const QString secretID = session.items().at(0).toObject().value(u"id"_s).toString();
    EXPECT_EQ(session.run({u"delete"_s, secretID}).exitCode, 0);
    session.copy("survives a restart");
    ASSERT_TRUE(session.waitForItemCount(1));
    const auto quit = session.run({u"quit"_s});
    EXPECT_EQ(quit.exitCode, 0);
    ASSERT_TRUE(session.application()->waitFinished(5s));
    EXPECT_EQ(session.application()->exitCode(), 0);

    // Nothing of the deleted item is left in the files, and no log beside them.
    const QDir storeFolder(session.environment().value(u"XDG_DATA_HOME"_s) + u"/Quillbox"_s);
    EXPECT_EQ(storeFolder.entryList(QDir::Files), QStringList{u"Quillbox.store"_s});
    for (const QString& name : storeFolder.entryList(QDir::Files))
        EXPECT_FALSE(readFile(storeFolder.filePath(name)).contains(secret)) << name.toStdString();

    // Read from the file while nothing runs.
    const auto status = session.run({u"status"_s});
    EXPECT_EQ(status.exitCode, 3);
    EXPECT_TRUE(status.standardOutput.contains("not running"));
    EXPECT_TRUE(status.standardOutput.contains("Items:     1"));
    EXPECT_EQ(session.items().size(), 1);
    const auto exported = session.run({u"export"_s});
    EXPECT_EQ(exported.standardOutput.count('\n'), 1);

    ASSERT_TRUE(session.start());
    const auto items = session.items();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.at(0).toObject().value(u"preview"_s).toString(), u"survives a restart"_s);

    // SIGTERM (a logout, systemctl stop) quits as cleanly as `quillbox quit`.
    session.application()->process().terminate();
    ASSERT_TRUE(session.application()->waitFinished(5s));
    EXPECT_EQ(session.application()->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(session.application()->exitCode(), 0);
    EXPECT_TRUE(session.run({u"status"_s}).standardOutput.contains("not running"));
}

// A reader that wants only the newest item closes the pipe after its line:
// the export ends there without a word, and the history is as it was.
TEST_F(QuillboxEndToEndTest, AnExportIntoAPipeClosedAfterTheFirstLineEndsQuietly) {
    constexpr int count = 3'000; // megabytes of lines, far more than a pipe holds
    const QString file = session.environment().value(u"HOME"_s) + u"/corpus.jsonl"_s;
    ASSERT_TRUE(writeCorpusImportFile(file, count, QDateTime::currentDateTimeUtc()));
    ASSERT_EQ(session.run({u"import"_s, file}, 120s).exitCode, 0);
    ASSERT_TRUE(session.waitForItemCount(count));
    const QString newest = session.items().at(0).toObject().value(u"id"_s).toString();
    const QByteArray logBefore = session.log();

    const auto head =
        runCommand(u"/bin/bash"_s,
                   {u"-c"_s, u"\"$0\" export | head -n 1; echo \"${PIPESTATUS[0]}\" >&2"_s,
                    QStringLiteral(QUILLBOX_BINARY)},
                   30s, session.environment());
    EXPECT_EQ(head.exitCode, 0);
    EXPECT_EQ(head.standardOutput.count('\n'), 1);
    EXPECT_TRUE(head.standardOutput.contains(newest.toUtf8()))
        << head.standardOutput.left(200).constData();
    // The client ends as a writer into a closed pipe does: by SIGPIPE (128 + 13)
    // or at once on EPIPE, saying nothing.
    const int clientStatus = head.standardError.trimmed().toInt();
    EXPECT_TRUE(clientStatus == 0 || clientStatus == 141) << head.standardError.constData();
    EXPECT_EQ(head.standardError.trimmed(), QByteArray::number(clientStatus));

    EXPECT_TRUE(
        session.run({u"status"_s}).standardOutput.contains(u"Items:     %1"_s.arg(count).toUtf8()));
    EXPECT_EQ(session.log(), logBefore);
}

TEST_F(QuillboxEndToEndTest, ACopyMadeAsSoonAsAFreshStartAnswersIsRecorded) {
    // Several fresh starts, each copying the moment `status` first answers.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        session.run({u"quit"_s}, 5s);
        ASSERT_TRUE(session.application()->waitFinished(5s));
        ASSERT_TRUE(session.start());
        const QByteArray text = "copied at once " + QByteArray::number(round);
        session.copy(text);
        ASSERT_TRUE(session.waitForItemCount(round + 1)) << session.items().size();
        EXPECT_EQ(session.items().at(0).toObject().value(u"preview"_s).toString(),
                  QString::fromLatin1(text));
    }
}

TEST_F(QuillboxEndToEndTest, ImportTakesAnyFileNameAndRefusesDevicesAndPipes) {
    const QString home = session.environment().value(u"HOME"_s);
    // A name that is not UTF-8 (Latin-1 "café"), as older file systems keep them.
    const QByteArray rawName = QFile::encodeName(home) + "/caf\xe9.jsonl";
    FILE* file = std::fopen(rawName.constData(), "w");
    ASSERT_TRUE(file);
    std::fputs(R"({"category":"text","contentType":"public.utf8-plain-text",)"
               R"("content":"aW1wb3J0ZWQgdGV4dA==","copiedAt":"2024-05-01T10:00:00.000Z"})"
               "\n",
               file);
    std::fclose(file);
    // The shell passes the name's bytes as they are.
    const auto imported =
        runCommand(u"/bin/sh"_s,
                   {u"-c"_s, u"exec \"$0\" import \"$HOME/$(printf 'caf\\351.jsonl')\""_s,
                    QStringLiteral(QUILLBOX_BINARY)},
                   20s, session.environment());
    EXPECT_EQ(imported.exitCode, 0) << imported.standardError.constData();
    EXPECT_TRUE(session.waitForItemCount(1));
    std::remove(rawName.constData()); // QTemporaryDir cannot remove a name that is not UTF-8

    const QString fifo = home + u"/pipe"_s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {u"/dev/zero"_s, fifo, home}) {
        SCOPED_TRACE(path.toStdString());
        const auto refused = session.run({u"import"_s, path}, 10s);
        EXPECT_FALSE(refused.timedOut);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.standardError.contains("not a regular file"))
            << refused.standardError.constData();
    }
    EXPECT_TRUE(session.run({u"status"_s}, 5s).standardOutput.contains("Items:     1"));
}

TEST_F(QuillboxEndToEndTest, PickColorRecordsTheColourClickedOnScreen) {
    // A plain window of one colour where the window manager leaves it.
    QWidget patch(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x12, 0x80, 0xC4));
    patch.setPalette(palette);
    patch.setAutoFillBackground(true);
    patch.setGeometry(200, 150, 240, 160);
    patch.show();
    ASSERT_TRUE(
        waitUntil([&] { return patch.windowHandle() && patch.windowHandle()->isExposed(); }));
    serveFor(300ms); // painted before the screen is frozen

    ChildProcess picker(QStringLiteral(QUILLBOX_BINARY), {u"pick-color"_s}, session.environment());
    ASSERT_TRUE(picker.waitStarted());
    // The sampler comes up after the panel's quarter-second and a screen grab.
    serveFor(1500ms);
    const QPoint target = patch.geometry().center();
    ASSERT_EQ(runCommand(u"xdotool"_s,
                         {u"mousemove"_s, QString::number(target.x()), QString::number(target.y()),
                          u"click"_s, u"1"_s},
                         10s, session.environment())
                  .exitCode,
              0);
    ASSERT_TRUE(waitUntil([&] { return !picker.isRunning(); }, 10s));
    EXPECT_EQ(picker.exitCode(), 0) << picker.readAllStandardError().constData();
    EXPECT_EQ(picker.readAllStandardOutput().trimmed(), QByteArray("#1280C4"));

    const auto items = session.items();
    ASSERT_EQ(items.size(), 1);
    const auto item = items.at(0).toObject();
    EXPECT_EQ(item.value(u"kind"_s).toString(), u"color"_s);
    EXPECT_EQ(item.value(u"colorHex"_s).toString(), u"#1280C4"_s);
    EXPECT_EQ(item.value(u"sourceAppName"_s).toString(), u"Color Picker"_s);
    // Written with the internal marker, so the monitor does not record it twice.
    serveFor(1200ms);
    EXPECT_EQ(session.items().size(), 1);
}

} // namespace
} // namespace quillbox::testing
