// How long ago a date was, as the cards say it (in US English).
#include "content/RelativeDate.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <unicode/locid.h>

using namespace quillbox;

TEST(RelativeDateTest, DescribesHowLongAgoInAbbreviatedUnits) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'750'000'000, Qt::UTC);
    struct Row {
        const char* name;
        qint64 millisecondsAgo;
        QString expected;
    };
    const Row rows[] = {
        {"30 seconds in the future", -30'000, u"Just now"_qs},
        {"an hour in the future", -3'600'000, u"Just now"_qs},
        {"59.9 seconds ago", 59'900, u"Just now"_qs},
        {"exactly a minute ago", 60'000, u"1 min. ago"_qs},
        {"two hours and a bit ago", 2 * 3'600'000 + 5 * 60'000, u"2 hr. ago"_qs},
        {"three days ago", 3 * 86'400'000LL, u"3 days ago"_qs},
        {"one day ago, not yesterday", 86'400'000LL + 1000, u"1 day ago"_qs},
        {"ten days ago", 10 * 86'400'000LL, u"1 wk. ago"_qs},
        {"about 400 days ago", 400 * 86'400'000LL, u"1 yr. ago"_qs},
    };
    for (const Row& row : rows)
        EXPECT_EQ(relativeDescription(now.addMSecs(-row.millisecondsAgo), now), row.expected)
            << row.name;
}
