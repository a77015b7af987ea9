#pragma once

#include "app/CommandLine.h"
#include "app/CommandReply.h"
#include "app/CommandResult.h"
#include "app/PlatformDescription.h"
#include "history/ClipboardItem.h"

#include <QHash>
#include <QString>
#include <functional>
#include <variant>

namespace quillbox {

class AppServices;
class HistoryStore;

// What a command runs against: the store, and the running application's
// services when the command runs inside it (null when the command line reads
// the store on disk because no instance runs).
struct CommandContext {
    HistoryStore& store;
    AppServices* services = nullptr;
    QString storeDescription; // where the history lives, for `status`
    // What the running instance's platform can do, for `status`.
    PlatformDescription platform = {};
};

// Runs the command line's commands, in the running application (on its main
// thread) or, for the read-only ones, in the command-line process over the
// store on disk. Results come through the reply, at once or later (the colour
// picker waits for the user, an import reads its file on a worker thread,
// an export streams); nothing here waits.
class CommandDispatcher {
public:
    using Reply = CommandReply;
    using Handler = std::function<void(const CommandContext&, const Command&, Reply)>;

    explicit CommandDispatcher(CommandContext context);

    void execute(const Command& command, Reply reply);

    // Commands served by other features (search, copy, paste) plug in here.
    void setHandler(const QString& commandName, Handler handler);

    // An item by its full id or a unique start of it (at least four
    // characters); otherwise the message to show.
    static std::variant<ClipboardItemPtr, QString> findItem(const HistoryStore& store,
                                                            const QString& idText);

private:
    CommandResult status() const;
    CommandResult setPaused(bool paused);
    CommandResult togglePanel();
    CommandResult togglePasteStack();
    void pasteNext(Reply reply);
    void list(const Command& command, Reply reply) const;
    CommandResult show(const Command& command) const;
    CommandResult deleteItem(const Command& command);
    CommandResult pin(const Command& command);
    CommandResult rules(const Command& command) const;
    CommandResult exclude(const Command& command);
    CommandResult include(const Command& command);
    void pickColor(Reply reply);
    void exportHistory(Reply reply) const;
    void importHistory(const Command& command, Reply reply);
    CommandResult quit();

    CommandContext m_context;
    QHash<QString, Handler> m_handlers;
};

} // namespace quillbox
