#include "history/HistorySnapshot.h"

#include "history/HistoryDatabase.h"

namespace quillbox {

HistorySnapshot::HistorySnapshot(StoreContainerPtr reader,
                                 std::unique_ptr<HistoryDatabase> database)
    : m_reader(std::move(reader))
    , m_database(std::move(database)) {
}

HistorySnapshot::~HistorySnapshot() = default;

std::unique_ptr<HistorySnapshot> HistorySnapshot::open(const StoreContainer& store) {
    auto reader = store.openReader();
    if (!reader)
        return nullptr;
    auto database = std::make_unique<HistoryDatabase>(reader);
    if (!database->beginSnapshot())
        return nullptr;
    return std::unique_ptr<HistorySnapshot>(
        new HistorySnapshot(std::move(reader), std::move(database)));
}

ClipboardItemPtr HistorySnapshot::next() {
    return m_database->nextSnapshotItem();
}

} // namespace quillbox
