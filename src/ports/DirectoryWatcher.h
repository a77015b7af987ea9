#pragma once

#include <QString>
#include <functional>

namespace quillbox {

// Tells of files that appear or change in one folder (not its subfolders).
// Main thread.
class DirectoryWatcher {
public:
    virtual ~DirectoryWatcher() = default;

    // Begins watching the folder at once, replacing any folder watched before.
    // False (logged) when the folder cannot be watched; the watcher is then stopped.
    virtual bool start(const QString& folderPath) = 0;
    // Ends watching at once: no report is made after it returns.
    virtual void stop() = 0;
    virtual bool isWatching() const = 0;

    enum class FileEvent {
        created, // a file was made (and is likely open for writing)
        movedIn, // a file or folder was moved in, or a folder was made
        closedAfterWriting,
    };
    // Called on the main thread with the name (not the path) of a file or
    // folder each time one is created in the folder or moved into it, or a
    // file in it is closed after writing. An empty name means reports were
    // lost. A file written in several chunks is reported several times.
    std::function<void(const QString& fileName, FileEvent event)> onFileEvent;
    // Called on the main thread when the folder itself was removed, renamed
    // or unmounted; the watcher has stopped by then.
    std::function<void()> onFolderGone;
};

} // namespace quillbox
