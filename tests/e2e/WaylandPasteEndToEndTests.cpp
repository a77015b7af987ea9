// Pasting with the built program in a Wayland session (headless sway, no X
// display): into a native text field (a Qt line edit on Qt's Wayland
// platform), by `paste` and through the Paste Stack by `paste-next`.
#include "QuillboxSession.h"
#include "SwaySession.h"
#include "Waiting.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

class WaylandPasteEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sway.start());
        field = std::make_unique<ChildProcess>(QStringLiteral(QUILLBOX_PASTE_TARGET), QStringList{},
                                               sway.environment());
        ASSERT_TRUE(field->waitStarted());
        ASSERT_TRUE(waitUntil([&] { return read().contains("ready "); }, 10s));
        ASSERT_TRUE(waitUntil([&] { return focusedAppId() == fieldAppId(); }, 10s));
        quillboxSession = std::make_unique<QuillboxSession>(sway.environment());
        ASSERT_TRUE(quillbox().start()) << quillbox().log().constData();
    }
    QuillboxSession& quillbox() { return *quillboxSession; }

    static QString fieldAppId() {
        return QFileInfo(QStringLiteral(QUILLBOX_PASTE_TARGET)).baseName();
    }
    // Sway's node of the window with this title, and whether it floats.
    std::optional<std::pair<QJsonObject, bool>> windowTitled(const QString& title) {
        const RunResult tree = sway.swaymsg({u"-t"_s, u"get_tree"_s});
        std::optional<std::pair<QJsonObject, bool>> found;
        std::function<void(const QJsonObject&, bool)> walk = [&](const QJsonObject& node,
                                                                 bool floating) {
            if (node.value(u"name"_s).toString() == title && node.contains(u"app_id"_s))
                found = std::pair(node, floating);
            for (const auto& child : node.value(u"nodes"_s).toArray())
                walk(child.toObject(), floating);
            for (const auto& child : node.value(u"floating_nodes"_s).toArray())
                walk(child.toObject(), true);
        };
        walk(QJsonDocument::fromJson(tree.standardOutput).object(), false);
        return found;
    }
    // The app id of the window sway gives the keyboard.
    QString focusedAppId() {
        const RunResult tree = sway.swaymsg({u"-t"_s, u"get_tree"_s});
        std::function<QString(const QJsonObject&)> find = [&](const QJsonObject& node) {
            if (node.value(u"focused"_s).toBool())
                return node.value(u"app_id"_s).toString();
            for (const QString& key : {u"nodes"_s, u"floating_nodes"_s}) {
                for (const auto& child : node.value(key).toArray()) {
                    if (const QString found = find(child.toObject()); !found.isEmpty())
                        return found;
                }
            }
            return QString();
        };
        return find(QJsonDocument::fromJson(tree.standardOutput).object());
    }
    QByteArray read() { return m_output += field->readAllStandardOutput(); }
    QString fieldText() {
        QByteArray last;
        for (const QByteArray& line : read().split('\n'))
            if (line.startsWith("text "))
                last = line.mid(5);
        return QString::fromUtf8(QByteArray::fromPercentEncoding(last));
    }
    void copy(const QByteArray& text) {
        const qsizetype before = quillbox().items().size();
        ASSERT_EQ(runCommand(u"wl-copy"_s, {}, 10s, sway.environment(), text).exitCode, 0);
        ASSERT_TRUE(quillbox().waitForItemCount(before + 1)) << quillbox().log().constData();
    }

    SwaySession sway;
    std::unique_ptr<ChildProcess> field;
    QByteArray m_output;
    std::unique_ptr<QuillboxSession> quillboxSession;
};

TEST_F(WaylandPasteEndToEndTest, PasteAndPasteNextTypeIntoTheFieldInFrontWhichCopiesName) {
    copy("from the history ");
    const QJsonObject item = quillbox().items().first().toObject();
    // Copied while the field was in front: its app id is the source.
    EXPECT_EQ(item.value(u"sourceAppBundleID"_s).toString(), fieldAppId());
    const RunResult pasted = quillbox().run({u"paste"_s, item.value(u"id"_s).toString()});
    EXPECT_EQ(pasted.exitCode, 0) << pasted.standardError.constData();
    EXPECT_TRUE(pasted.standardOutput.startsWith("Pasted ")) << pasted.standardOutput.constData();
    EXPECT_TRUE(waitUntil([&] { return fieldText() == u"from the history "_s; }, 5s))
        << m_output.constData();

    ASSERT_EQ(quillbox().run({u"paste-stack"_s}).exitCode, 0);
    // The stack's window floats, and the field keeps the keyboard.
    ASSERT_TRUE(waitUntil([&] { return windowTitled(u"Paste Stack"_s).has_value(); }, 5s));
    EXPECT_TRUE(windowTitled(u"Paste Stack"_s)->second);
    EXPECT_TRUE(waitUntil([&] { return focusedAppId() == fieldAppId(); }, 3s))
        << focusedAppId().toStdString();
    for (const char* text : {"one ", "two ", "three"})
        copy(text);
    for (int i = 1; i <= 3; ++i) {
        const RunResult next = quillbox().run({u"paste-next"_s});
        EXPECT_EQ(next.standardOutput, u"Pasted item %1 of 3.\n"_s.arg(i).toUtf8())
            << next.standardError.constData() << quillbox().log().constData();
    }
    EXPECT_TRUE(waitUntil([&] { return fieldText() == u"from the history one two three"_s; }, 5s))
        << m_output.constData();
    EXPECT_EQ(quillbox().run({u"paste-next"_s}).exitCode, 1);
}

TEST_F(WaylandPasteEndToEndTest, ThePanelFloatsTakesTheKeysAndReturnPastesIntoTheField) {
    copy("world peace");
    copy("apple pie");
    ASSERT_EQ(quillbox().run({u"toggle"_s}).exitCode, 0);
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto panel = windowTitled(u"Quillbox"_s);
            return panel && panel->first.value(u"focused"_s).toBool();
        },
        5s));
    const auto panel = windowTitled(u"Quillbox"_s);
    EXPECT_TRUE(panel->second) << "the panel is tiled";
    // Typing narrows the cards to the one that matches; Return pastes it
    // into the field that was in front.
    const auto type = [&](const QStringList& arguments) {
        return runCommand(u"wtype"_s, arguments, 10s, sway.environment()).exitCode;
    };
    ASSERT_EQ(type({u"world"_s}), 0);
    serveFor(300ms);
    ASSERT_EQ(type({u"-k"_s, u"Return"_s}), 0);
    EXPECT_TRUE(waitUntil([&] { return fieldText() == u"world peace"_s; }, 5s))
        << m_output.constData() << quillbox().log().constData();
    EXPECT_TRUE(waitUntil([&] { return !windowTitled(u"Quillbox"_s); }, 3s));
}

} // namespace
} // namespace quillbox::testing
