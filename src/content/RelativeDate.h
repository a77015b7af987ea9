#pragma once

#include <QDateTime>
#include <QString>

namespace quillbox {

// How long ago a date was, for cards and the footer: "Just now" within a
// minute either way, else the abbreviated relative time in the user's locale
// with the largest non-zero unit ("5 min. ago", "2 hr. ago", "3 days ago").
// A date in the future counts as now.
QString relativeDescription(const QDateTime& date,
                            const QDateTime& now = QDateTime::currentDateTimeUtc());

} // namespace quillbox
