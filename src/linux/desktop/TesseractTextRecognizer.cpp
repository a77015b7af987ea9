#include "linux/desktop/TesseractTextRecognizer.h"

#include "content/Logging.h"
#include "linux/desktop/ProgramRestart.h"

#include <QMutexLocker>
#include <QPainter>
#include <QStringList>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <tesseract/capi.h>
#include <unistd.h>

namespace quillbox {

namespace {

// Opened at run time rather than linked, so that the engine costs nothing
// until the first search that needs it.
constexpr const char* libraryName = "libtesseract.so.5";
constexpr const char* threadLimitVariable = "OMP_THREAD_LIMIT";

// Images are composited onto white first: a transparent PNG of dark text
// would otherwise turn into dark text on black once the alpha is dropped.
QImage opaqueRgb(const QImage& image) {
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888);
    QImage canvas(image.size(), QImage::Format_RGB888);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image);
    painter.end();
    return canvas;
}

} // namespace

// The C entry points of the engine's library, looked up by name.
struct TesseractTextRecognizer::Engine {
    void* library = nullptr;
    TessBaseAPI* api = nullptr;

    decltype(&TessBaseAPICreate) create = nullptr;
    decltype(&TessBaseAPIDelete) destroy = nullptr;
    decltype(&TessBaseAPIInit2) init = nullptr;
    decltype(&TessBaseAPISetVariable) setVariable = nullptr;
    decltype(&TessBaseAPISetPageSegMode) setPageSegMode = nullptr;
    decltype(&TessBaseAPISetImage) setImage = nullptr;
    decltype(&TessBaseAPIRecognize) recognize = nullptr;
    decltype(&TessBaseAPIGetIterator) iterator = nullptr;
    decltype(&TessBaseAPIClear) clear = nullptr;
    decltype(&TessBaseAPIEnd) end = nullptr;
    decltype(&TessResultIteratorGetUTF8Text) text = nullptr;
    decltype(&TessResultIteratorNext) next = nullptr;
    decltype(&TessResultIteratorDelete) deleteIterator = nullptr;
    decltype(&TessDeleteText) deleteText = nullptr;

    ~Engine() {
        if (api) {
            end(api);
            destroy(api);
        }
        if (library)
            dlclose(library);
    }

    template <typename Function> bool resolve(Function& function, const char* name) {
        function = reinterpret_cast<Function>(dlsym(library, name));
        return function != nullptr;
    }

    bool resolveAll() {
        return resolve(create, "TessBaseAPICreate") && resolve(destroy, "TessBaseAPIDelete") &&
               resolve(init, "TessBaseAPIInit2") &&
               resolve(setVariable, "TessBaseAPISetVariable") &&
               resolve(setPageSegMode, "TessBaseAPISetPageSegMode") &&
               resolve(setImage, "TessBaseAPISetImage") &&
               resolve(recognize, "TessBaseAPIRecognize") &&
               resolve(iterator, "TessBaseAPIGetIterator") && resolve(clear, "TessBaseAPIClear") &&
               resolve(end, "TessBaseAPIEnd") && resolve(text, "TessResultIteratorGetUTF8Text") &&
               resolve(next, "TessResultIteratorNext") &&
               resolve(deleteIterator, "TessResultIteratorDelete") &&
               resolve(deleteText, "TessDeleteText");
    }
};

bool TesseractTextRecognizer::areEngineThreadsLimited() {
    return qEnvironmentVariableIsSet(threadLimitVariable);
}

void TesseractTextRecognizer::limitEngineThreads(char** argv) {
    if (areEngineThreadsLimited())
        return;
    setenv(threadLimitVariable, "1", 1);
    // Nothing has read the variable yet if libgomp is not loaded.
    void* gomp = dlopen("libgomp.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!gomp)
        return;
    dlclose(gomp);
    ProgramRestart::exec(argv);
    qCWarning(lcCapture).noquote() << "Quillbox: could not restart with one OpenMP thread:"
                                   << QString::fromLocal8Bit(std::strerror(errno));
}

TesseractTextRecognizer::TesseractTextRecognizer(QString language)
    : m_language(std::move(language)) {
    if (!areEngineThreadsLimited())
        qCWarning(lcCapture) << "Quillbox: OMP_THREAD_LIMIT is not set; text recognition will be"
                                " slow";
}

TesseractTextRecognizer::~TesseractTextRecognizer() = default;

bool TesseractTextRecognizer::ensureEngine(QString* errorMessage) {
    if (m_engine)
        return true;
    if (!m_loadError.isEmpty()) {
        *errorMessage = m_loadError;
        return false;
    }
    auto engine = std::make_unique<Engine>();
    engine->library = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (!engine->library) {
        m_loadError = QStringLiteral("cannot load %1: %2")
                          .arg(QLatin1String(libraryName), QString::fromLocal8Bit(dlerror()));
    } else if (!engine->resolveAll()) {
        m_loadError =
            QStringLiteral("%1 lacks an expected function").arg(QLatin1String(libraryName));
    } else {
        engine->api = engine->create();
        // Null data path: TESSDATA_PREFIX, else the installed models.
        if (engine->init(engine->api, nullptr, m_language.toUtf8().constData(),
                         tesseract::OEM_LSTM_ONLY) != 0) {
            m_loadError =
                QStringLiteral("no text recognition model for language \"%1\"").arg(m_language);
        } else {
            // The engine reports its guesses (resolution, ...) on stderr otherwise.
            engine->setVariable(engine->api, "debug_file", "/dev/null");
            engine->setPageSegMode(engine->api, tesseract::PSM_AUTO);
        }
    }
    if (!m_loadError.isEmpty()) {
        qCWarning(lcCapture).noquote() << "Quillbox: text recognition unavailable:" << m_loadError;
        *errorMessage = m_loadError;
        return false;
    }
    m_engine = std::move(engine);
    return true;
}

TextRecognition TesseractTextRecognizer::recognize(const QImage& image) {
    QMutexLocker locker(&m_mutex);
    return recognizeLocked(image);
}

TextRecognition TesseractTextRecognizer::recognizeLocked(const QImage& image) {
    TextRecognition result;
    if (image.isNull()) {
        result.errorMessage = QStringLiteral("empty image");
        return result;
    }
    // Beyond this the engine's working copies alone take gigabytes.
    constexpr qint64 maxPixels = 64'000'000;
    if (qint64(image.width()) * image.height() > maxPixels) {
        result.errorMessage = QStringLiteral("image of %1 x %2 pixels is too large to read")
                                  .arg(image.width())
                                  .arg(image.height());
        return result;
    }
    if (!ensureEngine(&result.errorMessage))
        return result;

    const QImage pixels = opaqueRgb(image);
    Engine& e = *m_engine;
    e.setImage(e.api, pixels.constBits(), pixels.width(), pixels.height(), 3,
               static_cast<int>(pixels.bytesPerLine()));
    if (e.recognize(e.api, nullptr) != 0) {
        e.clear(e.api);
        result.errorMessage = QStringLiteral("the engine could not process the image");
        return result;
    }
    QStringList lines;
    // No iterator means the page held no text at all.
    if (TessResultIterator* it = e.iterator(e.api)) {
        do {
            if (char* line = e.text(it, tesseract::RIL_TEXTLINE)) {
                const QString trimmed = QString::fromUtf8(line).trimmed();
                e.deleteText(line);
                if (!trimmed.isEmpty())
                    lines.append(trimmed);
            }
        } while (e.next(it, tesseract::RIL_TEXTLINE));
        e.deleteIterator(it);
    }
    e.clear(e.api);
    result.text = lines.join(QLatin1Char('\n'));
    return result;
}

} // namespace quillbox
