#include "FakeSoundPlayer.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/SoundManager.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillbox;
using quillbox::testing::FakeSoundPlayer;

namespace {

class SoundManagerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Preferences preferences{dir.filePath(u"Quillbox.conf"_qs)};
    FakeSoundPlayer player;
    SoundManager sounds{player, preferences};

    void SetUp() override { AppConstants::registerDefaults(preferences); }
};

} // namespace

TEST_F(SoundManagerTest, PlaysPopForCopiesAndTinkForPastesWhileThePreferenceIsOn) {
    sounds.playCopySound();
    sounds.playPasteSound();
    EXPECT_EQ(player.played(), (QStringList{u"Pop"_qs, u"Tink"_qs}));

    // The preference is read at every call.
    preferences.setValue(AppConstants::Keys::soundEnabled, false);
    sounds.playCopySound();
    sounds.playPasteSound();
    preferences.setValue(AppConstants::Keys::soundEnabled, true);
    sounds.playPasteSound();
    EXPECT_EQ(player.played(), (QStringList{u"Pop"_qs, u"Tink"_qs, u"Tink"_qs}));
}
