#pragma once

#include "ports/DirectoryWatcher.h"

#include <QStringList>

namespace quillbox::testing {

// Records the folders it was started on; a test reports file events itself.
class FakeDirectoryWatcher : public DirectoryWatcher {
public:
    bool start(const QString& folderPath) override {
        m_started.append(folderPath);
        m_isWatching = m_canWatch;
        return m_canWatch;
    }
    void stop() override { m_isWatching = false; }
    bool isWatching() const override { return m_isWatching; }

    void setCanWatch(bool canWatch) { m_canWatch = canWatch; }
    const QStringList& startedFolders() const { return m_started; }
    // What the desktop would report, when watching.
    void reportFileEvent(const QString& fileName) {
        if (m_isWatching && onFileEvent)
            onFileEvent(fileName);
    }

private:
    QStringList m_started;
    bool m_isWatching = false;
    bool m_canWatch = true;
};

} // namespace quillbox::testing
