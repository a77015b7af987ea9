// How long parsing one clipboard change takes, thumbnail included, for text
// and image content of typical and large sizes.
#include "FakePasteboard.h"
#include "TestContent.h"
#include "capture/ClipboardParser.h"
#include "content/PasteboardTypes.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

using quillbox::ClipboardParser;
using quillbox::testing::FakePasteboard;
namespace Type = quillbox::PasteboardType;

QString proseOfSize(qsizetype bytes) {
    const QString sentence = QStringLiteral(
        "The quick brown fox jumps over the lazy dog while the café owner counts 42 coins. ");
    QString text;
    text.reserve(bytes + sentence.size());
    for (int line = 0; text.size() < bytes; ++line) {
        text += sentence;
        if (line % 5 == 4)
            text += QLatin1Char('\n');
    }
    text.truncate(bytes);
    return text;
}

// A photograph stand-in: smooth gradients with sensor-like noise, so the
// encoder cannot compress it to nothing.
QImage photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random.bounded(24));
            line[x] = qRgb((x * 255 / width + noise) & 0xFF, (y * 255 / height + noise) & 0xFF,
                           ((x + y) * 127 / (width + height) + noise) & 0xFF);
        }
    }
    return image;
}

// A screenshot stand-in: flat areas, lines of "text" and a few pictures.
QImage screenshot(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(245, 245, 247));
    QPainter painter(&image);
    painter.fillRect(0, 0, width, 28, QColor(220, 220, 225));
    for (int y = 60; y < height - 40; y += 22)
        painter.fillRect(40, y, 400 + (y * 37) % (width - 500), 10, QColor(40, 40, 40));
    painter.drawImage(width - 560, 80, photo(500, 360));
    return image;
}

void runParse(benchmark::State& state, FakePasteboard& pasteboard, qsizetype bytes) {
    for (auto _ : state) {
        auto parsed = ClipboardParser::parse(pasteboard);
        benchmark::DoNotOptimize(parsed);
        if (!parsed)
            state.SkipWithError("nothing parsed");
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_ParseText(benchmark::State& state) {
    const QString text = proseOfSize(state.range(0));
    FakePasteboard pasteboard;
    pasteboard.setContents({Type::string});
    pasteboard.setString(Type::string, text);
    runParse(state, pasteboard, text.toUtf8().size());
}
BENCHMARK(BM_ParseText)->Arg(10 * 1024)->Arg(5 * 1024 * 1024)->Unit(benchmark::kMillisecond);

// HTML as a web page's copy has it: paragraphs of styled text with links.
QByteArray webPageHtml(qsizetype bytes) {
    const QByteArray paragraph =
        "<p style=\"color:#333;font-family:sans-serif\">The <b>quick</b> brown fox "
        "<a href=\"https://example.com/fox\">jumps</a> over the <i>lazy</i> dog.</p>\n";
    QByteArray html = "<meta charset=\"utf-8\">";
    while (html.size() < bytes)
        html += paragraph;
    return html;
}

// The owner offers HTML with its plain text (browsers) or HTML alone, whose
// words are then read from at most its first HtmlText::readLength bytes.
void BM_ParseHtml(benchmark::State& state) {
    const QByteArray html = webPageHtml(state.range(0));
    FakePasteboard pasteboard;
    if (state.range(1) != 0) {
        pasteboard.setContents({Type::html, Type::string});
        pasteboard.setString(Type::string, proseOfSize(state.range(0) / 3));
    } else {
        pasteboard.setContents({Type::html});
    }
    pasteboard.setData(Type::html, html);
    runParse(state, pasteboard, html.size());
}
BENCHMARK(BM_ParseHtml)
    ->ArgNames({"bytes", "with_text"})
    ->Args({16 * 1024, 1})
    ->Args({16 * 1024, 0})
    ->Args({64 * 1024, 0})
    ->Args({5 * 1024 * 1024, 0})
    ->Unit(benchmark::kMillisecond);

void BM_ParseScreenshotPng1920x1080(benchmark::State& state) {
    const QByteArray png = quillbox::testing::encodedImage(screenshot(1920, 1080), "PNG");
    FakePasteboard pasteboard;
    pasteboard.setContents({Type::png});
    pasteboard.setData(Type::png, png);
    state.counters["input_KB"] = static_cast<double>(png.size()) / 1024;
    runParse(state, pasteboard, png.size());
}
BENCHMARK(BM_ParseScreenshotPng1920x1080)->Unit(benchmark::kMillisecond);

void BM_ParsePhotoJpeg4000x3000(benchmark::State& state) {
    const QByteArray jpeg = quillbox::testing::encodedImage(photo(4000, 3000), "JPEG", 90);
    FakePasteboard pasteboard;
    pasteboard.setContents({Type::jpeg});
    pasteboard.setData(Type::jpeg, jpeg);
    state.counters["input_KB"] = static_cast<double>(jpeg.size()) / 1024;
    runParse(state, pasteboard, jpeg.size());
}
BENCHMARK(BM_ParsePhotoJpeg4000x3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
