#include "history/HistoryLoader.h"

#include "history/SqliteStatement.h"

#include <sqlite3.h>

namespace quillbox {

std::unique_ptr<HistoryLoader>
HistoryLoader::start(const StoreContainer& store, QList<PinboardPtr> pinboards, WhenRead whenRead) {
    auto reader = store.openReader();
    if (!reader)
        return nullptr;
    qsizetype itemCount = 0;
    {
        // Counting walks the smallest index only: milliseconds at 100,000 items.
        SqliteStatement count(reader->handle(), "SELECT count(*) FROM ClipboardItem");
        if (count.step() == SQLITE_ROW)
            itemCount = count.int64(0);
    }
    std::unique_ptr<HistoryLoader> loader(new HistoryLoader(std::move(reader), itemCount));
    loader->m_thread = std::thread([loader = loader.get(), pinboards = std::move(pinboards),
                                    whenRead = std::move(whenRead)]() mutable {
        loader->m_contents =
            loader->m_database->load(HistoryDatabase::Part::items, std::move(pinboards));
        if (whenRead)
            whenRead(loader->m_contents);
    });
    return loader;
}

HistoryLoader::HistoryLoader(StoreContainerPtr reader, qsizetype itemCount)
    : m_reader(std::move(reader))
    , m_database(std::make_unique<HistoryDatabase>(m_reader))
    , m_itemCount(itemCount) {
}

HistoryLoader::~HistoryLoader() {
    if (m_thread.joinable())
        m_thread.join();
}

HistoryDatabase::Contents HistoryLoader::take() {
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_contents);
}

} // namespace quillbox
