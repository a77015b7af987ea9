#include "content/RelativeDate.h"

#include <memory>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

namespace quillbox {

namespace {

constexpr qint64 justNowSeconds = 60;

// One formatter for the life of the process, in the default locale.
const icu::RelativeDateTimeFormatter* formatter() {
    static const std::unique_ptr<icu::RelativeDateTimeFormatter> shared = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto created = std::make_unique<icu::RelativeDateTimeFormatter>(
            icu::Locale::getDefault(), nullptr, UDAT_STYLE_SHORT, UDISPCTX_CAPITALIZATION_NONE,
            status);
        return U_SUCCESS(status) ? std::move(created) : nullptr;
    }();
    return shared.get();
}

struct Interval {
    qint64 count;
    URelativeDateTimeUnit unit;
};

// The largest non-zero calendar unit between the two dates, counted the way a
// calendar does (a month from 31 January is the end of February).
Interval largestUnit(const QDateTime& from, const QDateTime& to) {
    const QDateTime start = from.toLocalTime();
    const QDateTime end = to.toLocalTime();
    int years = end.date().year() - start.date().year();
    while (years > 0 && start.addYears(years) > end)
        --years;
    if (years > 0)
        return {years, UDAT_REL_UNIT_YEAR};
    int months = 0;
    while (start.addMonths(months + 1) <= end)
        ++months;
    if (months > 0)
        return {months, UDAT_REL_UNIT_MONTH};
    const qint64 seconds = start.secsTo(end);
    if (seconds >= 7 * 86400)
        return {seconds / (7 * 86400), UDAT_REL_UNIT_WEEK};
    if (seconds >= 86400)
        return {seconds / 86400, UDAT_REL_UNIT_DAY};
    if (seconds >= 3600)
        return {seconds / 3600, UDAT_REL_UNIT_HOUR};
    if (seconds >= 60)
        return {seconds / 60, UDAT_REL_UNIT_MINUTE};
    return {seconds, UDAT_REL_UNIT_SECOND};
}

} // namespace

QString relativeDescription(const QDateTime& date, const QDateTime& now) {
    const qint64 difference = date.msecsTo(now);
    if (std::abs(difference) < justNowSeconds * 1000)
        return QStringLiteral("Just now");
    const QDateTime clamped = difference < 0 ? now : date;
    const Interval interval = largestUnit(clamped, now);
    const auto* relative = formatter();
    if (!relative || interval.count == 0)
        return QStringLiteral("Just now");
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    // formatNumeric: "1 day ago" rather than "yesterday".
    relative->formatNumeric(-double(interval.count), interval.unit, text, status);
    if (U_FAILURE(status))
        return QStringLiteral("Just now");
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace quillbox
