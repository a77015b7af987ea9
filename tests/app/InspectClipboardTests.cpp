#include "FakeFrontmostApplicationSource.h"
#include "FakePasteboard.h"
#include "app/InspectClipboard.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace quillbox {
namespace {

using testing::FakeFrontmostApplicationSource;
using testing::FakePasteboard;
namespace Type = PasteboardType;

class InspectClipboardTest : public ::testing::Test {
protected:
    QString run(bool json) {
        QString text;
        QTextStream out(&text);
        SourceAppResolver resolver(m_frontmost);
        EXPECT_EQ(inspectClipboard(m_pasteboard, resolver, json, out), 0);
        return text;
    }
    QJsonObject runJson() { return QJsonDocument::fromJson(run(true).toUtf8()).object(); }

    FakePasteboard m_pasteboard;
    FakeFrontmostApplicationSource m_frontmost;
};

TEST_F(InspectClipboardTest, JsonDescribesRecordedTextAndTheApplication) {
    m_pasteboard.setContents({Type::string});
    m_pasteboard.setString(Type::string, QStringLiteral("hello\nworld"));
    m_frontmost.setFrontmost(
        RunningApplication{QStringLiteral("Firefox"), QStringLiteral("firefox-esr"), {}});
    const QJsonObject object = runJson();
    EXPECT_EQ(object[u"types"].toArray(), QJsonArray{Type::string});
    EXPECT_FALSE(object[u"ignored"].toBool());
    EXPECT_TRUE(object[u"recorded"].toBool());
    EXPECT_EQ(object[u"category"].toString(), QStringLiteral("text"));
    EXPECT_EQ(object[u"plainTextPreview"].toString(), QStringLiteral("hello\\nworld"));
    EXPECT_EQ(object[u"frontmostApplication"].toObject()[u"identifier"].toString(),
              QStringLiteral("firefox-esr"));
}

TEST_F(InspectClipboardTest, SaysWhyAChangeIsIgnored) {
    struct Row {
        QString marker;
        const char* reason;
    };
    const Row rows[] = {
        {QStringLiteral("org.nspasteboard.TransientType"), "marker"},
        {AppConstants::internalPasteboardType, "internal"},
    };
    for (const auto& row : rows) {
        m_pasteboard.setContents({Type::string, row.marker});
        m_pasteboard.setString(Type::string, QStringLiteral("secret"));
        const QJsonObject object = runJson();
        EXPECT_TRUE(object[u"ignored"].toBool());
        EXPECT_EQ(object[u"ignoreReason"].toString(), QString::fromLatin1(row.reason));
        EXPECT_EQ(object[u"marker"].toString(), row.marker);
        EXPECT_FALSE(object[u"recorded"].toBool());
        EXPECT_FALSE(object.contains(u"plainTextPreview"));
    }
}

TEST_F(InspectClipboardTest, TextOutputCutsALongTextButCountsAllOfIt) {
    m_pasteboard.setContents({Type::string});
    m_pasteboard.setString(Type::string, QString(300, QLatin1Char('a')));
    const QString text = run(false);
    EXPECT_TRUE(text.contains(QStringLiteral("Characters: 300\n")));
    EXPECT_TRUE(
        text.contains(QLatin1Char('"') + QString(200, QLatin1Char('a')) + QStringLiteral("…\"\n")));
}

} // namespace
} // namespace quillbox
