#pragma once

#include <QObject>
#include <memory>

namespace quillbox {

class DirectoryWatcher;
class FileSystemWatcher;
class HistoryStore;
class NotificationCenter;
class OCRService;
class Preferences;
class ScreenshotIngestor;

// Records new screenshots from the desktop's screenshot folder while the
// preference allows it, following the preference at once whenever it
// changes.
class ScreenshotMonitoring : public QObject {
    Q_OBJECT
public:
    // `ocr` may be null. `directoryWatcher` must outlive this object.
    ScreenshotMonitoring(DirectoryWatcher& directoryWatcher, HistoryStore& store,
                         NotificationCenter& notifications, OCRService* ocr,
                         Preferences& preferences, QObject* parent = nullptr);
    ~ScreenshotMonitoring() override;

    // Watches or not as the preference says.
    void followPreference();
    void setEnabled(bool enabled);

private:
    Preferences& m_preferences;
    // Declared first so it goes last: the folder watcher hands files to it.
    std::unique_ptr<ScreenshotIngestor> m_ingestor;
    std::unique_ptr<FileSystemWatcher> m_folderWatcher;
};

} // namespace quillbox
