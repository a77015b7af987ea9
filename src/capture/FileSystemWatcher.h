#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

namespace quillbox {

class DirectoryWatcher;
class ScreenshotIngestor;

// Watches the screenshot folder and hands each new screenshot file to the
// ingestor once it is complete: a burst of folder events leads to one look,
// debounceDelay after the last event, and a file is read only once its size
// held still between two looks sizeCheckInterval apart. Files present when
// watching starts are never recorded. Main thread.
class FileSystemWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds debounceDelay{500};
    static constexpr std::chrono::milliseconds sizeCheckInterval{200};

    // `locateFolder` names the folder to watch; it is asked at each start,
    // since the user may have moved it meanwhile.
    FileSystemWatcher(DirectoryWatcher& watcher, ScreenshotIngestor& ingestor,
                      std::function<QString()> locateFolder, QObject* parent = nullptr);
    ~FileSystemWatcher() override;

    // The folder the desktop's screenshot tool saves to (logged with where
    // that came from).
    static QString screenshotDirectory();

    // Starting while watching does nothing. Both take effect at once.
    void start();
    void stop();
    bool isWatching() const;
    QString watchedDirectory() const { return m_watchedDirectory; }

private:
    void fileEvent(const QString& fileName);
    void scanForNewScreenshots();
    void checkPendingFiles();
    QString pathOf(const QString& fileName) const;

    DirectoryWatcher& m_watcher;
    ScreenshotIngestor& m_ingestor;
    std::function<QString()> m_locateFolder;
    QString m_watchedDirectory;
    // The folder's names at the last look.
    QSet<QString> m_knownFiles;
    // Names the folder events told of since the last look.
    QSet<QString> m_touchedFiles;
    // Screenshots waiting to be complete, with their size at the last look
    // (-1 before the first).
    QHash<QString, qint64> m_pendingFiles;
    // Screenshots that were empty or did not decode: another event for one of
    // them (the tool finished or rewrote it) makes it a candidate again.
    QSet<QString> m_retryFiles;
    QTimer m_debounce;
    QTimer m_sizeCheck;
};

} // namespace quillbox
