#pragma once

#include "ports/DirectoryWatcher.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

namespace quillbox {

class ScreenshotIngestor;

// Watches the screenshot folder and hands each new screenshot file to the
// ingestor once it is complete: a burst of folder events leads to one look,
// debounceDelay after the last event, and a file is read only once its writer
// closed it (when it was seen being made) and its size held still between two looks (its last event
// and that look, or looks sizeCheckInterval apart after that). Files present when watching starts
// are never recorded. A folder that does not exist is waited for in the nearest folder above it
// that does. Main thread.
class FileSystemWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds debounceDelay{500};
    static constexpr std::chrono::milliseconds sizeCheckInterval{200};

    // `locateFolder` names the folder to watch. It is asked at each start and
    // again at each look, since the tool's setting may change, and GNOME
    // creates Pictures/Screenshots only with the first screenshot: until then
    // Pictures is watched, and a screenshot folder created in it is watched
    // from then on, with what is already in it taken as new.
    FileSystemWatcher(DirectoryWatcher& watcher, ScreenshotIngestor& ingestor,
                      std::function<QString()> locateFolder, QObject* parent = nullptr);
    ~FileSystemWatcher() override;

    // The folder the desktop's screenshot tool saves to.
    static QString screenshotDirectory();

    // Starting while watching does nothing. Both take effect at once.
    void start();
    void stop();
    // True while watching the folder or waiting for it to appear.
    bool isWatching() const;
    QString watchedDirectory() const { return m_watchedDirectory; }
    // True while the folder does not exist and is waited for.
    bool isWaitingForFolder() const { return !m_awaitedIn.isEmpty(); }

private:
    void fileEvent(const QString& fileName, DirectoryWatcher::FileEvent event);
    void scanForNewScreenshots();
    void folderGone();
    void checkPendingFiles();
    // Watches the folder, or waits for it when it does not exist; with
    // `isNew`, everything in it is a candidate.
    void follow(const QString& folder, bool isNew);
    void forgetLooks();
    QString pathOf(const QString& fileName) const;

    DirectoryWatcher& m_watcher;
    ScreenshotIngestor& m_ingestor;
    std::function<QString()> m_locateFolder;
    QString m_watchedDirectory;
    // The existing folder above the watched one where it is waited for;
    // empty while the folder itself is watched.
    QString m_awaitedIn;
    // The last folder reported as waited for, so it is logged once.
    QString m_reportedAwaited;
    // The folder's names at the last look.
    QSet<QString> m_knownFiles;
    // Names the folder events told of since the last look.
    QSet<QString> m_touchedFiles;
    // The size of each screenshot at its last event: the first of the two
    // looks, so that a file closed and left alone is read at the next look.
    QHash<QString, qint64> m_sizesAtEvent;
    // Screenshots waiting to be complete, with their size at the last look
    // (-1 before the first).
    QHash<QString, qint64> m_pendingFiles;
    // Screenshots that were empty or did not decode: another event for one of
    // them (the tool finished or rewrote it) makes it a candidate again.
    QSet<QString> m_retryFiles;
    // Files made and not yet closed after writing: a tool that pauses with
    // its file half written leaves its size still for a while.
    QSet<QString> m_openFiles;
    QTimer m_debounce;
    QTimer m_sizeCheck;
};

} // namespace quillbox
