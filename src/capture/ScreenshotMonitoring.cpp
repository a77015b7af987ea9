#include "capture/ScreenshotMonitoring.h"

#include "capture/FileSystemWatcher.h"
#include "capture/ScreenshotIngestor.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"

namespace quillbox {

ScreenshotMonitoring::ScreenshotMonitoring(DirectoryWatcher& directoryWatcher, HistoryStore& store,
                                           NotificationCenter& notifications, OCRService* ocr,
                                           Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_ingestor(std::make_unique<ScreenshotIngestor>(store, notifications, ocr))
    , m_folderWatcher(std::make_unique<FileSystemWatcher>(
          directoryWatcher, *m_ingestor, &FileSystemWatcher::screenshotDirectory)) {
    // The settings switch writes the preference; the watcher follows at once.
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == AppConstants::Keys::screenshotMonitoringEnabled)
            followPreference();
    });
}

ScreenshotMonitoring::~ScreenshotMonitoring() = default;

void ScreenshotMonitoring::followPreference() {
    setEnabled(m_preferences.boolValue(AppConstants::Keys::screenshotMonitoringEnabled));
}

void ScreenshotMonitoring::setEnabled(bool enabled) {
    if (enabled)
        m_folderWatcher->start();
    else
        m_folderWatcher->stop();
}

} // namespace quillbox
