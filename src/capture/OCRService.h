#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>

namespace quillbox {

class TextRecognizer;

enum class OCRError {
    invalidImage,      // the bytes do not decode into an image
    recognitionFailed, // the engine gave no usable result
};

// The outcome of one recognition: the text (possibly empty), or an error with
// the engine's reason where it gave one.
struct OCRResult {
    std::optional<QString> text;
    std::optional<OCRError> error;
    QString message;

    bool isSuccess() const { return text.has_value(); }
    static OCRResult success(QString text) { return {std::move(text), std::nullopt, {}}; }
    static OCRResult failure(OCRError error, QString message = {}) {
        return {std::nullopt, error, std::move(message)};
    }
};

// Recognises the text in stored image bytes off the main thread: decoding and
// recognition run on the service's one worker thread, one image at a time, in
// the order asked. Callers continue on their own thread through
// `whenRecognized`; a caller that lost interest simply drops the result, since
// a running recognition is never interrupted.
class OCRService {
public:
    explicit OCRService(std::shared_ptr<TextRecognizer> recognizer);
    // Drops queued work and waits for a running recognition to finish.
    ~OCRService();
    OCRService(const OCRService&) = delete;
    OCRService& operator=(const OCRService&) = delete;

    QFuture<OCRResult> recognizeText(const QByteArray& imageBytes);

    // The same work on the calling thread, for the worker and for tests.
    static OCRResult recognizeNow(TextRecognizer& recognizer, const QByteArray& imageBytes);

private:
    std::shared_ptr<TextRecognizer> m_recognizer;
    QThreadPool m_worker;
};

// Hands the outcome of `recognition` to `onResult` on `context`'s thread, or
// calls `onCanceled` when the service dropped the work unanswered. Neither runs
// once `context` is gone, however late the recognition ends: a continuation
// bound to a destroyed context would otherwise be run against a dangling object.
void whenRecognized(const QFuture<OCRResult>& recognition, QObject* context,
                    std::function<void(const OCRResult&)> onResult,
                    std::function<void()> onCanceled = {});

} // namespace quillbox
