#include "X11TestEnvironment.h"
#include "linux/CanberraSoundPlayer.h"
#include "linux/X11AccessProbe.h"

#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

TEST(CanberraSoundPlayer, ManySoundsWithoutAnAudioDeviceReturnAndShutDown) {
    // The test machine has no sound server: every call must come back, and
    // the player must end without hanging.
    {
        CanberraSoundPlayer player;
        for (int i = 0; i < 200; ++i) {
            player.play(u"Pop"_qs);
            player.play(u"Tink"_qs);
            player.play(u"NoSuchSound"_qs); // plays nothing
        }
        waitUntil([] { return false; }, std::chrono::milliseconds(200));
    }
    SUCCEED();
}

TEST(X11AccessProbe, GrantedOnAServerWithXTestAndXInput22) {
    X11AccessProbe probe(X11TestEnvironment::session().display().toLocal8Bit());
    EXPECT_TRUE(probe.isGranted());
    EXPECT_TRUE(probe.requestAccess());
}

TEST(X11AccessProbe, NotGrantedWithoutADisplay) {
    X11AccessProbe probe(QByteArrayLiteral(":65000"));
    EXPECT_FALSE(probe.isGranted());
    EXPECT_FALSE(probe.requestAccess());
}
