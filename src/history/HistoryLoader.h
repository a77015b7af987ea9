#pragma once

#include "history/HistoryDatabase.h"
#include "history/StoreContainer.h"

#include <functional>
#include <memory>
#include <thread>

namespace quillbox {

// Reads a stored history on a thread of its own, through a second
// connection to the file, so that the program comes up without waiting for
// a large history: until the contents are taken, only the number of items
// is known (counted at once). The items must not be written before take():
// the read sees them as they were when the loader started.
class HistoryLoader {
public:
    // None where there is no second connection (a store in memory): that one
    // is read where it is. `whenRead` runs on the loading thread with the
    // contents once they are read, to finish them there and say so.
    using WhenRead = std::function<void(HistoryDatabase::Contents& contents)>;
    // The items' links are joined to `pinboards`, read before.
    static std::unique_ptr<HistoryLoader> start(const StoreContainer& store,
                                                QList<PinboardPtr> pinboards, WhenRead whenRead);
    // Waits for the thread.
    ~HistoryLoader();
    HistoryLoader(const HistoryLoader&) = delete;
    HistoryLoader& operator=(const HistoryLoader&) = delete;

    qsizetype itemCount() const { return m_itemCount; }
    // Waits for the read to end. The items still name this loader's
    // connection as their database: the taker points them at its own.
    HistoryDatabase::Contents take();

private:
    HistoryLoader(StoreContainerPtr reader, qsizetype itemCount);

    StoreContainerPtr m_reader;
    std::unique_ptr<HistoryDatabase> m_database;
    qsizetype m_itemCount = 0;
    HistoryDatabase::Contents m_contents;
    std::thread m_thread;
};

} // namespace quillbox
