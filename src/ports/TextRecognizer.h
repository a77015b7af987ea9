#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace quillbox {

// What a recognizer read: the text lines in reading order joined with "\n"
// (no line feed at the end; empty when the image shows no text), or, when the
// engine failed, no text and the engine's reason.
struct TextRecognition {
    std::optional<QString> text;
    QString errorMessage;
};

// Reads the text in an image with the desktop's recognition engine, favouring
// accuracy over speed and applying the language's dictionary. Blocking: it is
// called on one worker thread, one image at a time, never on the main thread.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    virtual TextRecognition recognize(const QImage& image) = 0;
};

} // namespace quillbox
