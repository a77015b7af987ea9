// Writes the realistic text corpus as a file for `quillbox import`, so that
// the program can be measured by hand with the same history as the
// benchmarks use.
//   write_corpus PATH [COUNT] [SEED]   (defaults: 100000 texts, the corpus's seed)
#include "RealisticCorpus.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

using namespace quillbox::testing;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: write_corpus PATH [COUNT] [SEED]\n");
        return 2;
    }
    const int count = arguments.value(2, QStringLiteral("100000")).toInt();
    const std::uint64_t seed =
        arguments.size() > 3 ? arguments.at(3).toULongLong() : RealisticCorpus::defaultSeed;
    if (!writeCorpusImportFile(arguments.at(1), count, QDateTime::currentDateTimeUtc(), 20, seed)) {
        std::fprintf(stderr, "write_corpus: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
