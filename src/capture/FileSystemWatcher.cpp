#include "capture/FileSystemWatcher.h"

#include "capture/ScreenshotFolder.h"
#include "capture/ScreenshotIngestor.h"
#include "capture/ScreenshotNames.h"
#include "content/Logging.h"
#include "ports/DirectoryWatcher.h"

#include <QDir>
#include <QFileInfo>

namespace quillbox {

namespace {

// The folder's entries, or none when it cannot be listed.
std::optional<QSet<QString>> listFolder(const QString& path) {
    QDir folder(path);
    if (!folder.exists())
        return std::nullopt;
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    return QSet<QString>(names.cbegin(), names.cend());
}

} // namespace

FileSystemWatcher::FileSystemWatcher(DirectoryWatcher& watcher, ScreenshotIngestor& ingestor,
                                     std::function<QString()> locateFolder, QObject* parent)
    : QObject(parent)
    , m_watcher(watcher)
    , m_ingestor(ingestor)
    , m_locateFolder(std::move(locateFolder)) {
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(debounceDelay);
    connect(&m_debounce, &QTimer::timeout, this, &FileSystemWatcher::scanForNewScreenshots);
    m_sizeCheck.setSingleShot(true);
    m_sizeCheck.setInterval(sizeCheckInterval);
    connect(&m_sizeCheck, &QTimer::timeout, this, &FileSystemWatcher::checkPendingFiles);
    // A file that was empty or did not decode is looked at again when the
    // tool writes it again.
    connect(&m_ingestor, &ScreenshotIngestor::ingested, this,
            [this](const QString& path, const ScreenshotIngestor::Result& result) {
                const QFileInfo info(path);
                if ((result.outcome == ScreenshotIngestor::Outcome::unreadable ||
                     result.outcome == ScreenshotIngestor::Outcome::notAnImage) &&
                    info.path() == m_watchedDirectory && m_watcher.isWatching())
                    m_retryFiles.insert(info.fileName());
            });
}

FileSystemWatcher::~FileSystemWatcher() {
    stop();
}

QString FileSystemWatcher::screenshotDirectory() {
    return ScreenshotFolder::locate(SystemScreenshotFolderEnvironment()).path;
}

bool FileSystemWatcher::isWatching() const {
    return m_watcher.isWatching();
}

void FileSystemWatcher::start() {
    if (m_watcher.isWatching())
        return;
    m_watcher.onFileEvent = [this](const QString& fileName, DirectoryWatcher::FileEvent event) {
        fileEvent(fileName, event);
    };
    m_watcher.onFolderGone = [this] { folderGone(); };
    follow(m_locateFolder(), false);
}

void FileSystemWatcher::folderGone() {
    // Whatever stands at the path now is followed: the folder made again,
    // or, until then, the folder above that waits for it (or the next place
    // screenshots go, as located).
    follow(m_locateFolder(), false);
}

void FileSystemWatcher::forgetLooks() {
    m_sizeCheck.stop();
    m_knownFiles.clear();
    m_touchedFiles.clear();
    m_sizesAtEvent.clear();
    m_pendingFiles.clear();
    m_retryFiles.clear();
    m_openFiles.clear();
}

void FileSystemWatcher::follow(const QString& folder, bool isNew) {
    forgetLooks();
    m_watchedDirectory = folder;
    m_awaitedIn.clear();
    if (QFileInfo(folder).isDir()) {
        if (!isNew) {
            if (const auto names = listFolder(folder))
                m_knownFiles = *names;
        }
        if (m_watcher.start(folder)) {
            m_reportedAwaited.clear();
            qCInfo(lcCapture) << "Quillbox: watching the screenshot folder" << folder;
            return;
        }
    }
    // Not there (yet; ~/Desktop in a fresh home): every look at the folder
    // above asks again.
    for (QString above = QFileInfo(folder).path();; above = QFileInfo(above).path()) {
        if (QFileInfo(above).isDir() && m_watcher.start(above)) {
            m_awaitedIn = above;
            if (m_reportedAwaited != folder)
                qCInfo(lcCapture) << "Quillbox: the screenshot folder" << folder
                                  << "does not exist; it will be watched once it does";
            m_reportedAwaited = folder;
            return;
        }
        if (above == QFileInfo(above).path())
            break;
    }
    qCWarning(lcCapture) << "Quillbox: FileSystemWatcher failed to open directory: " << folder;
    m_watcher.onFileEvent = nullptr;
    m_watcher.onFolderGone = nullptr;
}

void FileSystemWatcher::stop() {
    m_watcher.stop();
    m_watcher.onFileEvent = nullptr;
    m_watcher.onFolderGone = nullptr;
    m_debounce.stop();
    m_awaitedIn.clear();
    forgetLooks();
}

QString FileSystemWatcher::pathOf(const QString& fileName) const {
    return m_watchedDirectory + u'/' + fileName;
}

void FileSystemWatcher::fileEvent(const QString& fileName, DirectoryWatcher::FileEvent event) {
    // An empty name means events were lost; the look at the folder finds
    // what they were about, and no file is known to be open any more.
    if (fileName.isEmpty())
        m_openFiles.clear();
    else if (event == DirectoryWatcher::FileEvent::created)
        m_openFiles.insert(fileName);
    else
        m_openFiles.remove(fileName);
    if (!fileName.isEmpty()) {
        m_touchedFiles.insert(fileName);
        if (ScreenshotNames::isScreenshotFileName(fileName)) {
            const QFileInfo info(pathOf(fileName));
            m_sizesAtEvent.insert(fileName, info.isFile() ? info.size() : -1);
        }
    }
    // Each event puts the look off: a file still being written is not read.
    m_sizeCheck.stop();
    m_debounce.start();
}

void FileSystemWatcher::scanForNewScreenshots() {
    const QString located = m_locateFolder();
    if (isWaitingForFolder()) {
        // Something changed in the folder above: the awaited folder (or
        // another one now located) may be there, or one on the way to it.
        // A folder that appeared there just now holds only new files.
        const QFileInfo info(located);
        follow(located, info.isDir() && info.path() == m_awaitedIn &&
                            m_touchedFiles.contains(info.fileName()));
        if (isWaitingForFolder() || !m_watcher.isWatching())
            return;
    } else if (located != m_watchedDirectory && QFileInfo(located).isDir()) {
        // A folder created in the watched one just now holds only new files.
        const QFileInfo info(located);
        const bool isNew =
            info.path() == m_watchedDirectory && m_touchedFiles.contains(info.fileName());
        follow(located, isNew);
        if (!m_watcher.isWatching())
            return;
    }
    const auto names = listFolder(m_watchedDirectory);
    if (!names)
        return;
    QSet<QString> candidates = *names - m_knownFiles;
    // A name that fails the tests is not looked at again.
    m_knownFiles = *names;
    candidates |= (m_touchedFiles & m_retryFiles);
    m_touchedFiles.clear();
    for (const QString& name : std::as_const(candidates)) {
        // There is no screen-capture flag in Linux file indexes, so the name
        // is all there is to go by.
        if (!ScreenshotNames::isScreenshotFileName(name) || m_pendingFiles.contains(name))
            continue;
        m_retryFiles.remove(name);
        m_pendingFiles.insert(name, m_sizesAtEvent.value(name, -1));
    }
    m_sizesAtEvent.clear();
    checkPendingFiles();
}

void FileSystemWatcher::checkPendingFiles() {
    QStringList complete;
    for (auto it = m_pendingFiles.begin(); it != m_pendingFiles.end();) {
        const QFileInfo info(pathOf(it.key()));
        const qint64 size = info.isFile() ? info.size() : -1;
        if (size < 0) {
            it = m_pendingFiles.erase(it); // gone, or not a file
            continue;
        }
        if (size != it.value() || m_openFiles.contains(it.key())) {
            it.value() = size;
            ++it;
            continue;
        }
        // The same size at two looks: the tool is done with it.
        complete.append(it.key());
        it = m_pendingFiles.erase(it);
    }
    // Names of screenshots carry the time they were taken: that order.
    complete.sort();
    for (const QString& name : std::as_const(complete))
        m_ingestor.ingest(pathOf(name));
    if (!m_pendingFiles.isEmpty() && !m_debounce.isActive())
        m_sizeCheck.start();
}

} // namespace quillbox
