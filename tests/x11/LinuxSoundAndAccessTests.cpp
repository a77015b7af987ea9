#include "X11TestEnvironment.h"
#include "linux/x11/X11AccessProbe.h"

#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

TEST(X11AccessProbe, GrantedOnAServerWithXTestAndXInput22AndNotWithoutADisplay) {
    X11AccessProbe probe(X11TestEnvironment::session().display().toLocal8Bit());
    EXPECT_TRUE(probe.isGranted());
    EXPECT_TRUE(probe.requestAccess());
    X11AccessProbe missing(QByteArrayLiteral(":65000"));
    EXPECT_FALSE(missing.isGranted());
    EXPECT_FALSE(missing.requestAccess());
}
