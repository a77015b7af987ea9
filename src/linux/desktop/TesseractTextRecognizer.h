#pragma once

#include "ports/TextRecognizer.h"

#include <QMutex>
#include <QString>
#include <memory>

namespace quillbox {

// Text recognition with Tesseract 5: the LSTM engine, automatic page layout
// and the installed model of one language, whose dictionary corrects what the
// network reads. One engine instance, created on first use on the calling
// (worker) thread and kept for the next image.
class TesseractTextRecognizer : public TextRecognizer {
public:
    static inline const QString defaultLanguage = QStringLiteral("eng");

    explicit TesseractTextRecognizer(QString language = defaultLanguage);
    ~TesseractTextRecognizer() override;

    TextRecognition recognize(const QImage& image) override;

    // Tesseract's OpenMP runtime (libgomp) must run one thread: with one per
    // core its busy-waiting workers fight over the cores and one full-HD
    // screenshot takes seconds instead of half a second. libgomp reads
    // OMP_THREAD_LIMIT once, when it loads, and QtCore already pulls it in
    // (through libb2) before main() runs. So, unless the user set the
    // variable, this sets it and re-executes the program with the same
    // arguments; call it first thing in main(). Returns only when no restart
    // was needed or the restart failed (logged; recognition is then slow).
    static void limitEngineThreads(char** argv);
    // Whether this process runs under the limit.
    static bool areEngineThreadsLimited();

private:
    struct Engine;
    TextRecognition recognizeLocked(const QImage& image);
    bool ensureEngine(QString* errorMessage);

    QString m_language;
    QMutex m_mutex; // one recognition at a time: the engine is not reentrant
    std::unique_ptr<Engine> m_engine;
    QString m_loadError; // set once loading failed; not retried
};

} // namespace quillbox
