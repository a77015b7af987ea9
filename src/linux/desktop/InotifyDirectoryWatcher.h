#pragma once

#include "ports/DirectoryWatcher.h"

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace quillbox {

// Watches a folder with inotify (files created, moved in, closed after
// writing) through a socket notifier on the main thread. Unlike
// QFileSystemWatcher, it reports every close of a file written in chunks,
// not only its creation.
class InotifyDirectoryWatcher : public QObject, public DirectoryWatcher {
    Q_OBJECT
public:
    explicit InotifyDirectoryWatcher(QObject* parent = nullptr);
    ~InotifyDirectoryWatcher() override;

    bool start(const QString& folderPath) override;
    void stop() override;
    bool isWatching() const override { return m_fd >= 0; }

private:
    void readEvents();

    int m_fd = -1;
    QString m_folderPath;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace quillbox
