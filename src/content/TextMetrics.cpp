#include "content/TextMetrics.h"

#include <memory>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace quillbox {

qint64 characterCount(const QString& text) {
    if (text.isEmpty())
        return 0;
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
