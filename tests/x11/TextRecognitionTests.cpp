// Text recognition with the installed Tesseract model, through OCRService
// and its worker thread, and the panel's search finding an image by a word
// in it.
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "capture/OCRService.h"
#include "core/PanelListModel.h"
#include "core/PasteTestSupport.h"
#include "core/SearchRecognition.h"
#include "linux/desktop/TesseractTextRecognizer.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace quillbox::testing {
namespace {

// A PNG of the lines in large dark type on white, as a screenshot shows text.
QByteArray renderPng(const QStringList& lines, QSize size = {900, 320}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(48);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(40, 100 + i * 90, lines[i]);
    painter.end();
    return encodedImage(image, "PNG");
}

OCRResult recognize(OCRService& service, const QByteArray& bytes) {
    auto future = service.recognizeText(bytes);
    EXPECT_TRUE(waitUntil([&] { return future.isFinished(); }, std::chrono::seconds(60)));
    return future.result();
}

class TextRecognition : public ::testing::Test {
protected:
    OCRService service{std::make_shared<TesseractTextRecognizer>()};
};

TEST_F(TextRecognition, ReadsLinesInOrderAndBytesThatAreNoImageAreAnInvalidImage) {
    // The text read, without a trailing line feed; none: an invalid image.
    const QList<QPair<QByteArray, std::optional<QString>>> rows{
        {renderPng({QStringLiteral("Quillbox keeps"), QStringLiteral("your clipboard")}),
         QStringLiteral("Quillbox keeps\nyour clipboard")},
        {renderPng({}), QString()},
        {"not an image at all", std::nullopt},
        {{}, std::nullopt},
        {renderPng({QStringLiteral("cut")}).left(60), std::nullopt},
        // Too costly to decode at all: thousands of scans.
        {progressiveJpegWithEmptyScans(256, 256, 2000), std::nullopt},
    };
    for (const auto& [bytes, text] : rows) {
        const auto result = recognize(service, bytes);
        EXPECT_EQ(result.text, text) << result.message.toStdString();
        EXPECT_EQ(result.error, text ? std::nullopt : std::optional(OCRError::invalidImage));
    }
}

TEST_F(TextRecognition, ASearchFindsAnImageByAWordInIt) {
    HistoryStore store(StoreContainer::makeInMemory());
    AppState appState;
    PanelListModel list(store, appState);
    SearchRecognition recognition(
        store, appState, [this](const QByteArray& bytes) { return service.recognizeText(bytes); });
    const auto item = store.record(
        imageContent(renderPng({QStringLiteral("Invoice 4711"), QStringLiteral("due Friday")})),
        std::nullopt, std::nullopt);

    bool finished = false;
    QObject::connect(&recognition, &SearchRecognition::recognitionFinished,
                     [&] { finished = true; });
    appState.setSearchQuery(QStringLiteral("invoice"));
    EXPECT_TRUE(list.items().isEmpty()) << "nothing is known of the image yet";
    ASSERT_TRUE(waitUntil([&] { return finished; }, std::chrono::seconds(60)));
    EXPECT_EQ(list.items(), QList<ClipboardItemPtr>{item});
    EXPECT_EQ(item->ocrText(), QStringLiteral("Invoice 4711\ndue Friday"));
}

} // namespace
} // namespace quillbox::testing
