// Time of one text recognition of a full-HD screenshot-like image, through
// the service and its worker thread, as the panel's search pass uses it.
#include "TestContent.h"
#include "capture/OCRService.h"
#include "linux/desktop/TesseractTextRecognizer.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// A window-like screenshot: a title bar, a sidebar and paragraphs of text.
QByteArray screenshotPng() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(0xf6, 0xf5, 0xf4));
    QPainter painter(&image);
    painter.fillRect(0, 0, 1920, 40, QColor(0x30, 0x30, 0x30));
    painter.fillRect(0, 40, 280, 1040, QColor(0xe8, 0xe8, 0xe7));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(20, 27, QStringLiteral("Quarterly report - Documents"));
    painter.setPen(Qt::black);
    const QStringList sidebar{QStringLiteral("Inbox"), QStringLiteral("Drafts"),
                              QStringLiteral("Archive"), QStringLiteral("Settings")};
    for (int i = 0; i < sidebar.size(); ++i)
        painter.drawText(24, 90 + i * 34, sidebar[i]);
    const QString sentence = QStringLiteral(
        "The clipboard history keeps everything you copy so that you can paste it again later.");
    for (int line = 0; line < 24; ++line)
        painter.drawText(320, 90 + line * 36, QStringLiteral("%1. %2").arg(line + 1).arg(sentence));
    painter.end();
    return quillbox::testing::encodedImage(image, "PNG");
}

void BM_RecognizeScreenshot(benchmark::State& state) {
    quillbox::OCRService service(std::make_shared<quillbox::TesseractTextRecognizer>());
    const QByteArray png = screenshotPng();
    service.recognizeText(png).waitForFinished(); // loads the model
    for (auto _ : state) {
        const auto result = service.recognizeText(png).result();
        if (!result.isSuccess() || result.text->count(QLatin1Char('\n')) < 20)
            state.SkipWithError("recognition lost lines");
    }
}
BENCHMARK(BM_RecognizeScreenshot)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    quillbox::TesseractTextRecognizer::limitEngineThreads(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
