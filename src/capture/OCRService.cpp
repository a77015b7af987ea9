#include "capture/OCRService.h"

#include "capture/ImageDecodeBudget.h"
#include "content/Logging.h"
#include "ports/TextRecognizer.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QImage>
#include <QImageReader>
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
    QBuffer buffer;
    buffer.setData(imageBytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (ImageDecodeBudget::isTooCostly(imageBytes, reader.size()))
        return OCRResult::failure(OCRError::invalidImage,
                                  QStringLiteral("the image is too costly to decode"));
    const QImage image = reader.read();
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

void whenRecognized(const QFuture<OCRResult>& recognition, QObject* context,
                    std::function<void(const OCRResult&)> onResult,
                    std::function<void()> onCanceled) {
    // The watcher belongs to the context: destroying the context destroys the
    // watcher, which disconnects it before any late signal is delivered.
    auto* watcher = new QFutureWatcher<OCRResult>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, onResult = std::move(onResult), onCanceled = std::move(onCanceled)] {
                         watcher->deleteLater();
                         const QFuture<OCRResult> future = watcher->future();
                         if (future.resultCount() > 0)
                             onResult(future.result());
                         else if (onCanceled)
                             onCanceled();
                     });
    watcher->setFuture(recognition);
}

} // namespace quillbox
