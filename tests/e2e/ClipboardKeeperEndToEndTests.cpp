// The clipboard lives in the program that copied; when that program quits,
// the running quillbox offers what it recorded of it instead, and nothing it
// did not record.
#include "QuillboxSession.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"

#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

class ClipboardKeeperEndToEndTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(session.activateEditorWindow());
        ASSERT_TRUE(session.start());
    }

    // Waits until another program pastes `expected` (none: nothing at all).
    bool pastesAfterQuit(const std::optional<QByteArray>& expected, const QString& target = {}) {
        return waitUntil([&] { return session.paste(target) == expected; }, 5s);
    }

    QuillboxSession session;
};

TEST_F(ClipboardKeeperEndToEndTest,
       TextAndImagesStayPastableAfterTheirOwnerQuitsAndWhatWasNotRecordedDoesNot) {
    ChildProcess& text = session.copy("kept after its owner quit");
    ASSERT_TRUE(session.waitForItemCount(1));
    text.stop();
    EXPECT_TRUE(pastesAfterQuit(QByteArray("kept after its owner quit")));

    const QByteArray png = solidPng(Qt::darkCyan);
    ChildProcess& image = session.copy(png, u"image/png"_s);
    ASSERT_TRUE(session.waitForItemCount(2));
    image.stop();
    EXPECT_TRUE(pastesAfterQuit(png, u"image/png"_s));

    // Offering again records nothing and moves nothing.
    serveFor(1000ms);
    const QJsonArray items = session.items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items.at(1).toObject().value(u"preview"_s).toString(),
              u"kept after its owner quit"_s);
    EXPECT_EQ(session.run({u"status"_s}).standardOutput.contains("kept when an application quits"),
              true);

    // A password manager's copy: neither recorded nor kept, nor the item before it.
    QTemporaryDir directory;
    const QString secret = directory.filePath(u"secret"_s);
    const QString hint = directory.filePath(u"hint"_s);
    ASSERT_TRUE(writeFile(secret, "hunter2"));
    ASSERT_TRUE(writeFile(hint, "secret"));
    ChildProcess owner(QStringLiteral(QUILLBOX_TEST_OWNER),
                       {u"--target"_s, u"UTF8_STRING"_s, secret, u"--target"_s,
                        u"x-kde-passwordManagerHint"_s, hint},
                       session.environment());
    ASSERT_TRUE(waitUntil([&] { return owner.readAllStandardOutput().contains("owned"); }, 5s));
    serveFor(1000ms);
    owner.stop();
    EXPECT_TRUE(pastesAfterQuit(std::nullopt));

    // Copied while paused: not recorded, so not kept.
    ASSERT_EQ(session.run({u"pause"_s}).exitCode, 0);
    ChildProcess& paused = session.copy("copied while paused");
    serveFor(1000ms);
    paused.stop();
    EXPECT_TRUE(pastesAfterQuit(std::nullopt));
    ASSERT_EQ(session.run({u"resume"_s}).exitCode, 0);
    EXPECT_EQ(session.items().size(), 2);
}

// Toolkits that quit while they own the clipboard first ask the clipboard
// manager to save it, and wait for the answer.
TEST_F(ClipboardKeeperEndToEndTest,
       AnApplicationThatAsksToSaveItsClipboardIsAnsweredBeforeItQuits) {
    QTemporaryDir directory;
    const QString text = directory.filePath(u"text"_s);
    const QString image = directory.filePath(u"image"_s);
    const QByteArray png = solidPng(Qt::darkMagenta);
    ASSERT_TRUE(writeFile(text, "saved at quit"));
    ASSERT_TRUE(writeFile(image, png));
    const std::pair<QString, QString> copies[] = {{u"UTF8_STRING"_s, text},
                                                  {u"image/png"_s, image}};
    for (const auto& [target, file] : copies) {
        ChildProcess saving(QStringLiteral(QUILLBOX_TEST_OWNER),
                            {u"--save-and-quit"_s, u"--target"_s, target, file},
                            session.environment());
        ASSERT_TRUE(saving.waitFinished(5s));
        EXPECT_TRUE(saving.readAllStandardOutput().contains("saved"));
    }
    EXPECT_TRUE(pastesAfterQuit(png, u"image/png"_s));
    EXPECT_EQ(session.items().size(), 2);
    EXPECT_EQ(session.items().at(1).toObject().value(u"preview"_s).toString(), u"saved at quit"_s);

    // One that never sends its contents is told they were not saved, within
    // the reader's timeouts, and Quillbox answers meanwhile.
    ChildProcess silent(
        QStringLiteral(QUILLBOX_TEST_OWNER),
        {u"--mode"_s, u"hang"_s, u"--save-and-quit"_s, u"--target"_s, u"UTF8_STRING"_s, text},
        session.environment());
    EXPECT_EQ(session.run({u"status"_s}, 3s).exitCode, 0);
    ASSERT_TRUE(silent.waitFinished(5s));
    EXPECT_TRUE(silent.readAllStandardOutput().contains("refused"));
    EXPECT_TRUE(pastesAfterQuit(std::nullopt));
    EXPECT_EQ(session.items().size(), 2);
}

} // namespace
} // namespace quillbox::testing
