// Painting history cards offscreen: a strip of eight cards of every kind with
// warm caches (what scrolling and hovering cost per frame), one text card laid
// out afresh, and a 50 MB text card laid out afresh.
#include "TestContent.h"
#include "content/Hash.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/CardDelegate.h"
#include "ui/PanelTheme.h"
#include "ui/PreviewImageCache.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

using namespace quillbox;

namespace {

constexpr int cardHeight = 240;

ParsedClipboardContent kind(QByteArray bytes, ContentCategory category) {
    ParsedClipboardContent parsed;
    parsed.content = std::move(bytes);
    parsed.category = category;
    parsed.contentType = QStringLiteral("public.data");
    parsed.contentHash = sha256Hash(parsed.content);
    return parsed;
}

struct Fixture {
    HistoryStore store{StoreContainer::makeInMemory()};
    PreviewImageCache images;
    CardDelegate delegate{images};
    QList<ClipboardItemPtr> strip;
    ClipboardItemPtr huge;
    QImage canvas;

    Fixture() {
        delegate.setCardHeight(cardHeight);
        QString words;
        for (int i = 0; i < 200; ++i)
            words +=
                QStringLiteral("word%1 ").arg(i) + (i % 9 == 0 ? QStringLiteral("\n") : QString());
        auto code = testing::textContent(QStringLiteral("int main() {\n    return 0;\n}\n"));
        code.category = ContentCategory::code;
        auto url = kind("https://www.example.com/a/long/path/", ContentCategory::url);
        url.urlString = QStringLiteral("https://www.example.com/a/long/path/?query=1");
        url.title = QStringLiteral("An example page with a title");
        auto files = kind("/tmp/one.txt\n/tmp/two.txt\n/tmp/three.txt", ContentCategory::file);
        auto color = kind("#FF8000", ContentCategory::color);
        color.colorHex = QStringLiteral("#FF8000");
        QImage photo(600, 400, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        auto image = kind(testing::encodedImage(photo, "PNG"), ContentCategory::image);
        image.imageDimensions = QStringLiteral("600 x 400");
        for (const auto& content : {testing::textContent(words), code, url, files, color, image,
                                    testing::textContent(QStringLiteral("short")), url})
            strip << store.record(content, QStringLiteral("firefox"), QStringLiteral("Firefox"));
        QString big;
        const QString line = QStringLiteral("A line of a very long text that goes on and on\n");
        big.reserve(50'000'000);
        while (big.size() + line.size() <= 50'000'000)
            big += line;
        huge = store.record(testing::textContent(big), {}, {});
        const QSize cell = CardDelegate::cellSize(cardHeight);
        canvas = QImage(cell.width() * int(strip.size()), cell.height(),
                        QImage::Format_ARGB32_Premultiplied);
        // Decoded once, as on screen after the first frame.
        paintStrip();
        QElapsedTimer wait;
        wait.start();
        while (images.decodesInFlight() > 0 && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    void paintStrip() {
        canvas.fill(PanelTheme::hud);
        QPainter painter(&canvas);
        const QSize cell = CardDelegate::cellSize(cardHeight);
        for (int i = 0; i < strip.size(); ++i)
            delegate.paintCard(painter, QRect(QPoint(i * cell.width(), 0), cell), strip[i], i == 2,
                               i == 3);
    }

    void paintOne(const ClipboardItemPtr& item) {
        QPainter painter(&canvas);
        delegate.paintCard(painter, QRect(QPoint(0, 0), CardDelegate::cellSize(cardHeight)), item,
                           false, false);
    }
};

Fixture* fixture = nullptr;

void BM_PaintEightCardsWarm(benchmark::State& state) {
    for (auto _ : state)
        fixture->paintStrip();
}
BENCHMARK(BM_PaintEightCardsWarm)->Unit(benchmark::kMillisecond);

void BM_PaintTextCardLaidOutAfresh(benchmark::State& state) {
    for (auto _ : state) {
        fixture->delegate.clearPreviewLayouts();
        fixture->paintOne(fixture->strip[0]);
    }
}
BENCHMARK(BM_PaintTextCardLaidOutAfresh)->Unit(benchmark::kMicrosecond);

void BM_PaintTextCardWarm(benchmark::State& state) {
    for (auto _ : state)
        fixture->paintOne(fixture->strip[0]);
}
BENCHMARK(BM_PaintTextCardWarm)->Unit(benchmark::kMicrosecond);

void BM_Paint50MBTextCardLaidOutAfresh(benchmark::State& state) {
    for (auto _ : state) {
        fixture->delegate.clearPreviewLayouts();
        fixture->paintOne(fixture->huge);
    }
}
BENCHMARK(BM_Paint50MBTextCardLaidOutAfresh)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Fixture shared;
    fixture = &shared;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
