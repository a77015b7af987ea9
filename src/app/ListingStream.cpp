#include "app/ListingStream.h"

#include "app/ItemFormatting.h"

#include <QDateTime>
#include <QJsonDocument>
#include <functional>
#include <memory>

namespace quillbox::ListingStream {

namespace {
// Output goes out in pieces of about this size.
constexpr qsizetype pieceSize = 256 * 1024;
} // namespace

void send(QList<ClipboardItemPtr> items, bool asJson, const QString& emptyText,
          CommandReply reply) {
    if (items.isEmpty()) {
        reply(CommandResult::success(asJson ? QStringLiteral("[]\n") : emptyText));
        return;
    }
    struct Listing {
        QList<ClipboardItemPtr> items;
        qsizetype next = 0;
        QDateTime now = QDateTime::currentDateTimeUtc();
        bool asJson = false;
    };
    auto listing = std::make_shared<Listing>();
    listing->items = std::move(items);
    listing->asJson = asJson;
    auto step = std::make_shared<std::function<void()>>();
    *step = [listing, reply, weakStep = std::weak_ptr<std::function<void()>>(step)] {
        auto& [items, next, now, asJson] = *listing;
        if (next >= items.size()) {
            reply(CommandResult::success());
            return;
        }
        QByteArray piece;
        if (asJson && next == 0)
            piece += '[';
        while (next < items.size() && piece.size() < pieceSize) {
            const ClipboardItem& item = *items[next];
            if (asJson) {
                if (next > 0)
                    piece += ',';
                piece += QJsonDocument(ItemFormatting::itemJson(item, now))
                             .toJson(QJsonDocument::Compact);
            } else {
                piece += ItemFormatting::itemTable({items[next]}, now).toUtf8();
            }
            ++next;
        }
        if (asJson && next >= items.size())
            piece += "]\n";
        reply.write(piece);
        if (auto again = weakStep.lock())
            reply.whenDrained([again] { (*again)(); });
    };
    // The step keeps itself alive through the pending drain callbacks only.
    reply.whenDrained([step] { (*step)(); });
}

} // namespace quillbox::ListingStream
