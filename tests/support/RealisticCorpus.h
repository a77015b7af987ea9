#pragma once

#include "content/ContentCategory.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace quillbox::testing {

// One text of the corpus and the kind a copy of it would be recorded as.
struct CorpusText {
    QString text;
    ContentCategory category = ContentCategory::text;
};

// Texts as a long-time user copies them: mostly prose (sentences and
// paragraphs of real-looking words, a few accented names), then code
// snippets, URLs and bits of style sheets with colours. Lengths run from 20
// to 2,000 characters with a mean of about 430, most of them short.
//
// The same seed gives the same texts in the same order on every machine:
// the generator draws from its own 64-bit generator, not from the standard
// library's distributions. Every text differs from the ones before it.
class RealisticCorpus {
public:
    static constexpr int minimumLength = 20;
    static constexpr int maximumLength = 2000;
    static constexpr std::uint64_t defaultSeed = 20'100'000;

    explicit RealisticCorpus(std::uint64_t seed = defaultSeed);

    CorpusText next();

private:
    std::uint64_t nextRandom();
    int bounded(int limit); // in [0, limit)
    double uniform();       // in [0, 1)
    int drawLength();
    QString prose(int length);
    QString code(int length);
    QString url(int length);
    QString styleSheet(int length);
    QString sentence();
    QString identifier();

    std::uint64_t m_state;
    QSet<std::size_t> m_seen; // hashes of the texts so far, to keep each one new
};

// The first `count` texts of the corpus as a file that `quillbox import`
// reads: one JSON line each, newest first as an export writes them, copied
// one every `spacingSecs` seconds back from `newest`. False when the file
// could not be written.
bool writeCorpusImportFile(const QString& path, int count, const QDateTime& newest,
                           int spacingSecs = 20, std::uint64_t seed = RealisticCorpus::defaultSeed);

// One import line for one text.
QByteArray corpusImportLine(const CorpusText& text, const QDateTime& copiedAt);

} // namespace quillbox::testing
