// The panel's visible list per keystroke: filtering a history of 10k, 100k
// and 1M items for an empty search, a one-letter search, a word, a kind plus
// a word, two texts found nowhere and an accented letter; the index following
// one copy, and its first build. Then through the panel's list model over a real
// store: a one-letter search, and one copy (new, or again) until the view
// knows of it.
#include "content/Hash.h"
#include "core/AppState.h"
#include "core/PanelListModel.h"
#include "core/SearchIndex.h"
#include "history/ClipboardItem.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QMap>
#include <benchmark/benchmark.h>
#include <limits>
#include <map>
#include <memory>
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
    index.foldPendingText(std::numeric_limits<qsizetype>::max());
    qsizetype matches = 0;
    const SearchIndex::Query prepared(std::nullopt, category, SearchIndex::trimmedQuery(query));
    for (auto _ : state) {
        const auto list = index.filter(prepared);
        matches = qsizetype(list.size());
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
void BM_FilterNoMatch(benchmark::State& state) {
    filterBench(state, QStringLiteral("quixotic"), std::nullopt);
}
// Every pair of its characters is common, so the mask passes nearly every
// item and each text is read: the slowest kind of query.
void BM_FilterNoMatchOfCommonPairs(benchmark::State& state) {
    filterBench(state, QStringLiteral("ne th"), std::nullopt);
}
void BM_FilterAccentedLetter(benchmark::State& state) {
    filterBench(state, QStringLiteral("é"), std::nullopt);
}

// A new item in front and its removal: the index follows the history change
// by change.
void BM_IndexOneCopyAndDelete(benchmark::State& state) {
    SearchIndex index;
    index.rebuild(history(state.range(0)));
    const auto item = std::make_shared<ClipboardItem>(
        QByteArray(), QStringLiteral("a new copy"), std::nullopt,
        QStringLiteral("public.utf8-plain-text"), ContentCategory::text, std::nullopt,
        QStringLiteral("Text Editor"), QString());
    for (auto _ : state) {
        index.insert(item, 0);
        index.remove({0});
    }
}

// The first listing after start: the list the panel shows at once, and
// every text folded after it.
void BM_RebuildCold(benchmark::State& state) {
    const auto& items = history(state.range(0));
    for (auto _ : state) {
        SearchIndex index;
        index.rebuild(items);
        index.foldPendingText(std::numeric_limits<qsizetype>::max());
        benchmark::DoNotOptimize(index.size());
    }
}
void BM_RebuildListOnly(benchmark::State& state) {
    const auto& items = history(state.range(0));
    for (auto _ : state) {
        SearchIndex index;
        index.rebuild(items);
        benchmark::DoNotOptimize(index.size());
    }
}

// The same history in a real store (in memory) with the panel's list model
// over it, as the panel sees it.
struct ModelRig {
    explicit ModelRig(qsizetype count)
        : store(StoreContainer::makeInMemory()) {
        {
            HistoryStore::Batch batch(store);
            for (const auto& item : history(count)) {
                ParsedClipboardContent content;
                content.plainText = item->plainText();
                content.category = *contentCategoryFromRaw(item->category());
                content.contentType = item->contentType();
                // Images differ by their bytes; texts by their text.
                content.content = item->plainText() ? item->plainText()->toUtf8()
                                                    : QByteArray::number(quintptr(item.get()));
                content.contentHash = sha256Hash(content.content);
                store.record(content, std::nullopt, QStringLiteral("Text Editor"));
            }
        }
        model = std::make_unique<PanelListModel>(store, appState);
        model->rowCount();
    }
    HistoryStore store;
    AppState appState;
    std::unique_ptr<PanelListModel> model;
};

ModelRig& modelRig(qsizetype count) {
    static std::map<qsizetype, std::unique_ptr<ModelRig>> rigs;
    auto& rig = rigs[count];
    if (!rig)
        rig = std::make_unique<ModelRig>(count);
    return *rig;
}

// Typing a letter into the empty search field, until the view knows the new
// row count; then the field is cleared again (not timed).
void BM_ModelOneLetterSearch(benchmark::State& state) {
    ModelRig& rig = modelRig(state.range(0));
    qsizetype matches = 0;
    for (auto _ : state) {
        rig.appState.setSearchQuery(QStringLiteral("e"));
        matches = rig.model->rowCount();
        state.PauseTiming();
        rig.appState.setSearchQuery(QString());
        rig.model->rowCount();
        state.ResumeTiming();
    }
    state.counters["matches"] = static_cast<double>(matches);
}

// One new copy while the panel shows the whole history (or a one-letter
// search): the store records it and the view learns its new row. The copy
// is deleted again, not timed, so the history keeps its size.
void oneCopyBench(benchmark::State& state, const QString& query) {
    ModelRig& rig = modelRig(state.range(0));
    rig.appState.setSearchQuery(query);
    rig.model->rowCount();
    int serial = 0;
    for (auto _ : state) {
        const QString text = QStringLiteral("fresh copy %1").arg(++serial);
        ParsedClipboardContent content;
        content.plainText = text;
        content.content = text.toUtf8();
        content.contentType = QStringLiteral("public.utf8-plain-text");
        content.category = ContentCategory::text;
        content.contentHash = sha256Hash(content.content);
        const auto item = rig.store.record(content, std::nullopt, std::nullopt);
        benchmark::DoNotOptimize(rig.model->rowCount());
        state.PauseTiming();
        rig.store.deleteItem(item);
        rig.model->rowCount();
        state.ResumeTiming();
    }
    rig.appState.setSearchQuery(QString());
}
void BM_ModelNewCopy(benchmark::State& state) {
    oneCopyBench(state, QString());
}
void BM_ModelNewCopyWhileSearching(benchmark::State& state) {
    oneCopyBench(state, QStringLiteral("e"));
}

// Copying again an item from the middle of the history: it moves to the top.
void BM_ModelRecopy(benchmark::State& state) {
    ModelRig& rig = modelRig(state.range(0));
    rig.model->rowCount();
    for (auto _ : state) {
        state.PauseTiming();
        const auto items = rig.store.allItems();
        const auto middle = items[items.size() / 2];
        ParsedClipboardContent content;
        content.contentHash = middle->contentHash();
        state.ResumeTiming();
        rig.store.record(content, std::nullopt, std::nullopt);
        benchmark::DoNotOptimize(rig.model->rowCount());
    }
}

#define SIZES ->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_FilterEmptySearch) SIZES;
BENCHMARK(BM_FilterOneLetter) SIZES;
BENCHMARK(BM_FilterWord) SIZES;
BENCHMARK(BM_FilterCategoryAndWord) SIZES;
BENCHMARK(BM_FilterNoMatch) SIZES;
BENCHMARK(BM_FilterNoMatchOfCommonPairs) SIZES;
BENCHMARK(BM_FilterAccentedLetter) SIZES;
BENCHMARK(BM_IndexOneCopyAndDelete) SIZES;
BENCHMARK(BM_RebuildCold) SIZES->Iterations(2);
BENCHMARK(BM_RebuildListOnly) SIZES->Iterations(2);
#define MODEL_SIZES ->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_ModelOneLetterSearch) MODEL_SIZES->Iterations(20);
BENCHMARK(BM_ModelNewCopy) MODEL_SIZES->Iterations(50);
BENCHMARK(BM_ModelNewCopyWhileSearching) MODEL_SIZES->Iterations(50);
BENCHMARK(BM_ModelRecopy) MODEL_SIZES->Iterations(50);

} // namespace
} // namespace quillbox

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
