#pragma once

#include "app/HistoryTransfer.h"

#include <QObject>
#include <QSemaphore>
#include <atomic>
#include <functional>
#include <thread>
#include <variant>

namespace quillbox {

class HistoryStore;

// `quillbox import`: the file is read and its lines parsed on a worker
// thread, in bounded pieces (one batch parsed while the previous one is
// recorded), and the main thread records each batch when it arrives, so the
// application keeps answering while a large file comes in. Deletes itself
// once done; the application's end stops it between batches.
class HistoryImport : public QObject {
public:
    using Progress = std::function<void(const QString& line)>;
    using Done = std::function<void(const HistoryTransfer::ImportSummary& summary,
                                    const QString& readError)>;

    // Opens a file for import without waiting on it: only a regular file
    // will do (a device or a pipe never ends or never starts). The open
    // descriptor, or what to tell the user.
    static std::variant<int, QString> openFile(const QByteArray& path, const QString& shownName);

    // Takes over the descriptor. `store` must outlive the import.
    static void start(int fd, HistoryStore& store, Progress progress, Done done);

    ~HistoryImport() override;

private:
    struct Batch;
    HistoryImport(int fd, HistoryStore& store, Progress progress, Done done);
    void readFile();
    void handOver(Batch&& batch);
    void record(const std::shared_ptr<Batch>& batch);

    int m_fd;
    qint64 m_fileSize = 0;
    HistoryStore& m_store;
    Progress m_progress;
    Done m_done;
    HistoryTransfer::ImportSummary m_summary;
    QSemaphore m_room{1};
    std::atomic_bool m_isCancelled = false;
    std::thread m_worker;
};

} // namespace quillbox
