#include "content/AppConstants.h"
#include "content/Preferences.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillbox;

TEST(Preferences, RegisteredDefaultsAnswerOnlyForKeysNeverSet) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Quillbox/Quillbox.conf"_qs);
    {
        Preferences preferences(path);
        AppConstants::registerDefaults(preferences);
        EXPECT_EQ(preferences.intValue(AppConstants::Keys::retentionDays), -1);
        EXPECT_TRUE(preferences.boolValue(AppConstants::Keys::soundEnabled));
        EXPECT_FALSE(preferences.boolValue(AppConstants::Keys::launchAtLogin));
        EXPECT_TRUE(preferences.boolValue(AppConstants::Keys::screenshotMonitoringEnabled));
        EXPECT_FALSE(preferences.contains(AppConstants::Keys::soundEnabled));
        preferences.setValue(AppConstants::Keys::soundEnabled, false);
        EXPECT_FALSE(preferences.boolValue(AppConstants::Keys::soundEnabled));
        preferences.sync();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    // The key the user set is on disk; no default ever is.
    EXPECT_TRUE(written.contains("soundEnabled=false"));
    EXPECT_FALSE(written.contains("retentionDays"));
    EXPECT_FALSE(written.contains("launchAtLogin"));
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    Preferences reopened(path);
    EXPECT_FALSE(reopened.boolValue(AppConstants::Keys::soundEnabled));
    EXPECT_FALSE(reopened.contains(AppConstants::Keys::retentionDays));
}
