#pragma once

#include "history/ClipboardItem.h"
#include "history/StoreContainer.h"

#include <memory>

namespace quillbox {

class HistoryDatabase;

// The stored history as it was at one moment, read on a connection of its
// own while the store goes on changing (an export that takes minutes must not
// see items vanish half-way). Holds a read transaction until destroyed.
class HistorySnapshot {
public:
    // None for a store in memory, or when a second connection can't be had.
    static std::unique_ptr<HistorySnapshot> open(const StoreContainer& store);
    ~HistorySnapshot();
    HistorySnapshot(const HistorySnapshot&) = delete;
    HistorySnapshot& operator=(const HistorySnapshot&) = delete;

    // The items newest first, one at a time; null at the end. Their payloads
    // are read from the snapshot: they must not outlive it.
    ClipboardItemPtr next();

private:
    HistorySnapshot(StoreContainerPtr reader, std::unique_ptr<HistoryDatabase> database);

    StoreContainerPtr m_reader;
    std::unique_ptr<HistoryDatabase> m_database;
};

} // namespace quillbox
