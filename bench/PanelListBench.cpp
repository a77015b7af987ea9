// The panel's visible list per keystroke: filtering a history of 10k, 100k
// and 1M items for an empty search, a one-letter search, a word and a kind
// plus a word; and the index rebuild after the history changed.
#include "core/SearchIndex.h"
#include "history/ClipboardItem.h"

#include <QCoreApplication>
#include <QMap>
#include <benchmark/benchmark.h>
#include <random>

namespace quillbox {
namespace {

const QStringList words{
    QStringLiteral("the"),      QStringLiteral("meeting"), QStringLiteral("notes"),
    QStringLiteral("report"),   QStringLiteral("invoice"), QStringLiteral("draft"),
    QStringLiteral("function"), QStringLiteral("return"),  QStringLiteral("value"),
    QStringLiteral("address"),  QStringLiteral("street"),  QStringLiteral("Berlin"),
    QStringLiteral("password"), QStringLiteral("summary"), QStringLiteral("quarter"),
    QStringLiteral("budget"),   QStringLiteral("ticket"),  QStringLiteral("deploy"),
    QStringLiteral("server"),   QStringLiteral("ok"),      QStringLiteral("thanks"),
    QStringLiteral("tomorrow"), QStringLiteral("link"),    QStringLiteral("https://example.org/a"),
};

// A history of `count` items: texts of 3 to 40 words (one in a hundred
// mentions "clipboard"), a tenth images without text, a tenth code.
const QList<ClipboardItemPtr>& history(qsizetype count) {
    static QMap<qsizetype, QList<ClipboardItemPtr>> histories;
    auto it = histories.find(count);
    if (it != histories.end())
        return *it;
    std::mt19937 random(42);
    QList<ClipboardItemPtr> items;
    items.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const auto kind = i % 10 == 3   ? ContentCategory::image
                          : i % 10 == 7 ? ContentCategory::code
                                        : ContentCategory::text;
        std::optional<QString> text;
        if (kind != ContentCategory::image) {
            QStringList sentence;
            const int length = 3 + static_cast<int>(random() % 38);
            for (int w = 0; w < length; ++w)
                sentence.append(words[static_cast<qsizetype>(random() % words.size())]);
            if (random() % 100 == 0)
                sentence.insert(sentence.size() / 2, QStringLiteral("clipboard"));
            text = sentence.join(u' ');
        }
        items.append(std::make_shared<ClipboardItem>(
            QByteArray(), text, std::nullopt, QStringLiteral("public.utf8-plain-text"), kind,
            std::nullopt, QStringLiteral("Text Editor"), QString()));
    }
    return *histories.insert(count, items);
}

void filterBench(benchmark::State& state, const QString& query,
                 std::optional<ContentCategory> category) {
    SearchIndex index;
    index.rebuild(history(state.range(0)));
    qsizetype matches = 0;
    for (auto _ : state) {
        const auto list = index.filter(std::nullopt, category, SearchIndex::trimmedQuery(query));
        matches = list.size();
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = static_cast<double>(matches);
}

void BM_FilterEmptySearch(benchmark::State& state) {
    filterBench(state, {}, std::nullopt);
}
void BM_FilterOneLetter(benchmark::State& state) {
    filterBench(state, QStringLiteral("e"), std::nullopt);
}
void BM_FilterWord(benchmark::State& state) {
    filterBench(state, QStringLiteral("Clipboard"), std::nullopt);
}
void BM_FilterCategoryAndWord(benchmark::State& state) {
    filterBench(state, QStringLiteral("budget"), ContentCategory::code);
}

// After an item in the middle was copied again and moved to the front, and
// back: every other item's folded text is reused.
void BM_RebuildAfterOneCopy(benchmark::State& state) {
    SearchIndex index;
    const auto& items = history(state.range(0));
    auto moved = items;
    moved.move(moved.size() / 2, 0);
    index.rebuild(items);
    bool flip = false;
    for (auto _ : state) {
        index.rebuild(flip ? items : moved);
        flip = !flip;
    }
}

// The first listing after start: every entry is computed.
void BM_RebuildCold(benchmark::State& state) {
    const auto& items = history(state.range(0));
    for (auto _ : state) {
        SearchIndex index;
        index.rebuild(items);
        benchmark::DoNotOptimize(index.size());
    }
}

#define SIZES ->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_FilterEmptySearch) SIZES;
BENCHMARK(BM_FilterOneLetter) SIZES;
BENCHMARK(BM_FilterWord) SIZES;
BENCHMARK(BM_FilterCategoryAndWord) SIZES;
BENCHMARK(BM_RebuildAfterOneCopy) SIZES;
BENCHMARK(BM_RebuildCold) SIZES->Iterations(2);

} // namespace
} // namespace quillbox

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
