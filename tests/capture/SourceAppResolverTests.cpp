#include "FakeFrontmostApplicationSource.h"
#include "capture/SourceAppResolver.h"

#include <QPixmap>
#include <gtest/gtest.h>

namespace quillbox {
namespace {

using testing::FakeFrontmostApplicationSource;

QIcon solidIcon(Qt::GlobalColor color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

TEST(SourceAppResolver, CachesTheFrontApplicationsIconByIdentifier) {
    FakeFrontmostApplicationSource source;
    SourceAppResolver resolver(source);
    const AppInfo none = resolver.currentApp(); // nothing in front
    EXPECT_FALSE(none.name || none.bundleID || none.icon);
    const QIcon red = solidIcon(Qt::red);
    source.setFrontmost(
        RunningApplication{QStringLiteral("Files"), QStringLiteral("org.gnome.Nautilus"), red});
    const AppInfo first = resolver.currentApp();
    EXPECT_EQ(first.name, QStringLiteral("Files"));
    EXPECT_EQ(first.bundleID, QStringLiteral("org.gnome.Nautilus"));
    ASSERT_TRUE(first.icon);
    EXPECT_EQ(first.icon->cacheKey(), red.cacheKey());

    // The same application later reporting another icon keeps the cached one,
    // and the panel's icon lookup is answered from the cache.
    source.setFrontmost(RunningApplication{
        QStringLiteral("Files"), QStringLiteral("org.gnome.Nautilus"), solidIcon(Qt::blue)});
    EXPECT_EQ(resolver.currentApp().icon->cacheKey(), red.cacheKey());
    EXPECT_EQ(resolver.icon(QStringLiteral("org.gnome.Nautilus"))->cacheKey(), red.cacheKey());
    EXPECT_EQ(source.iconQueries(QStringLiteral("org.gnome.Nautilus")), 0);

    // An application without an identifier is cached under the empty one.
    const QIcon green = solidIcon(Qt::green);
    source.setFrontmost(RunningApplication{QStringLiteral("tool"), std::nullopt, green});
    EXPECT_FALSE(resolver.currentApp().bundleID);
    ASSERT_TRUE(resolver.icon(QString()));
    EXPECT_EQ(resolver.icon(QString())->cacheKey(), green.cacheKey());
}

TEST(SourceAppResolver, IconOfAnApplicationNotInstalledIsAskedAgain) {
    FakeFrontmostApplicationSource source;
    SourceAppResolver resolver(source);
    const QString id = QStringLiteral("org.kde.dolphin");
    EXPECT_FALSE(resolver.icon(id));
    source.install(id, solidIcon(Qt::yellow));
    EXPECT_TRUE(resolver.icon(id));
    EXPECT_TRUE(resolver.icon(id));
    // Once when missing, once when found; then from the cache.
    EXPECT_EQ(source.iconQueries(id), 2);
}

TEST(SourceAppResolver, AccentColoursOfKnownApplications) {
    struct Row {
        std::optional<QString> id;
        const char* color;
    };
    const Row rows[] = {
        {QStringLiteral("com.apple.mail"), "#147EFB"},
        {QStringLiteral("firefox-esr"), "#007AFF"},
        {QStringLiteral("com.apple.Mail"), "#8E8E93"}, // identifiers are case-sensitive
        {QStringLiteral("org.example.Unknown"), "#8E8E93"},
        {std::nullopt, "#8E8E93"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SourceAppResolver::colorHex(row.id), QString::fromLatin1(row.color))
            << row.id.value_or(QStringLiteral("(none)")).toStdString();
}

} // namespace
} // namespace quillbox
