#include "capture/OCRService.h"

#include "content/Logging.h"
#include "ports/TextRecognizer.h"

#include <QImage>
#include <QPromise>

namespace quillbox {

OCRService::OCRService(std::shared_ptr<TextRecognizer> recognizer)
    : m_recognizer(std::move(recognizer)) {
    // One thread that never expires: the engine keeps its loaded model and is
    // never used from two threads at once.
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
}

OCRService::~OCRService() {
    m_worker.clear();
    m_worker.waitForDone();
}

QFuture<OCRResult> OCRService::recognizeText(const QByteArray& imageBytes) {
    auto promise = std::make_shared<QPromise<OCRResult>>();
    QFuture<OCRResult> future = promise->future();
    promise->start();
    m_worker.start([promise, recognizer = m_recognizer, imageBytes] {
        promise->addResult(recognizeNow(*recognizer, imageBytes));
        promise->finish();
    });
    return future;
}

OCRResult OCRService::recognizeNow(TextRecognizer& recognizer, const QByteArray& imageBytes) {
    const QImage image = QImage::fromData(imageBytes);
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return OCRResult::failure(OCRError::invalidImage);
    TextRecognition recognition = recognizer.recognize(image);
    if (!recognition.text) {
        qCInfo(lcCapture).noquote()
            << "Quillbox: text recognition failed:" << recognition.errorMessage;
        return OCRResult::failure(OCRError::recognitionFailed, recognition.errorMessage);
    }
    return OCRResult::success(*recognition.text);
}

} // namespace quillbox
