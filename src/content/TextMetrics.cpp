#include "content/TextMetrics.h"

#include <memory>
#include <optional>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace quillbox {

namespace {

// Below U+0300 every character is a cluster of its own (controls too), but
// for CR LF, which is one: a direct count, far faster than ICU on long text.
std::optional<qint64> countWithoutCombiningRanges(const QString& text) {
    qint64 count = 0;
    char16_t previous = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 0x300)
            return std::nullopt;
        if (!(c == u'\n' && previous == u'\r'))
            ++count;
        previous = c;
    }
    return count;
}

} // namespace

qint64 characterCount(const QString& text) {
    if (text.isEmpty())
        return 0;
    if (const auto count = countWithoutCombiningRanges(text))
        return *count;
    UErrorCode status = U_ZERO_ERROR;
    // One iterator per thread: creating one costs far more than counting.
    thread_local std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (!iterator || U_FAILURE(status))
        return text.size();
    const icu::UnicodeString unicode(false, reinterpret_cast<const UChar*>(text.utf16()),
                                     static_cast<int32_t>(text.size()));
    iterator->setText(unicode);
    qint64 count = 0;
    for (int32_t boundary = iterator->next(); boundary != icu::BreakIterator::DONE;
         boundary = iterator->next())
        ++count;
    return count;
}

} // namespace quillbox
