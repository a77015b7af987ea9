#include "app/CommandDispatcher.h"

#include "app/AppServices.h"
#include "app/HistoryImport.h"
#include "app/HistoryTransfer.h"
#include "app/ItemFormatting.h"
#include "app/ListingStream.h"
#include "content/AppConstants.h"
#include "content/Logging.h"
#include "content/Preferences.h"
#include "core/AppState.h"
#include "core/PasteStackManager.h"
#include "history/HistorySnapshot.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
// Ids shorter than this match too much to be meant.
constexpr int minimumIDPrefix = 4;
// Export output goes out in pieces of about this size.
constexpr qsizetype exportPieceSize = 1024 * 1024;

QString json(const QJsonDocument& document) {
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact)) + u'\n';
}

CommandResult needsRunningInstance() {
    return CommandResult::failure(u"Quillbox is not running."_s, ExitCode::notRunning);
}
} // namespace

CommandDispatcher::CommandDispatcher(CommandContext context)
    : m_context(std::move(context)) {
}

void CommandDispatcher::setHandler(const QString& commandName, Handler handler) {
    m_handlers.insert(commandName, std::move(handler));
}

void CommandDispatcher::execute(const Command& command, Reply reply) {
    if (auto error = validateCommand(command)) {
        reply(CommandResult::failure(*error, ExitCode::usage));
        return;
    }
    const QString& name = command.name;
    if (auto handler = m_handlers.constFind(name); handler != m_handlers.constEnd()) {
        (*handler)(m_context, command, std::move(reply));
        return;
    }
    const CommandSpec* spec = findCommandSpec(name);
    if (!m_context.services && spec->place == CommandPlace::instance) {
        reply(needsRunningInstance());
        return;
    }
    if (name == u"status"_s)
        reply(status());
    else if (name == u"pause"_s || name == u"resume"_s)
        reply(setPaused(name == u"pause"_s));
    else if (name == u"list"_s)
        list(command, std::move(reply));
    else if (name == u"show"_s)
        reply(show(command));
    else if (name == u"delete"_s)
        reply(deleteItem(command));
    else if (name == u"pin"_s)
        reply(pin(command));
    else if (name == u"rules"_s)
        reply(rules(command));
    else if (name == u"exclude"_s)
        reply(exclude(command));
    else if (name == u"include"_s)
        reply(include(command));
    else if (name == u"pick-color"_s)
        pickColor(std::move(reply));
    else if (name == u"export"_s)
        exportHistory(std::move(reply));
    else if (name == u"import"_s)
        importHistory(command, std::move(reply));
    else if (name == u"toggle"_s)
        reply(togglePanel());
    else if (name == u"paste-stack"_s)
        reply(togglePasteStack());
    else if (name == u"paste-next"_s)
        pasteNext(std::move(reply));
    else if (name == u"settings"_s) {
        m_context.services->openSettings();
        reply(CommandResult::success(u"Settings opened.\n"_s));
    } else if (name == u"quit"_s)
        reply(quit());
    else
        reply(CommandResult::failure(u"\"%1\" is not available in this build."_s.arg(name)));
}

std::variant<ClipboardItemPtr, QString> CommandDispatcher::findItem(const HistoryStore& store,
                                                                    const QString& idText) {
    const QString wanted = idText.trimmed().toLower();
    if (const QUuid uuid(wanted); !uuid.isNull()) {
        if (auto item = store.itemWithID(uuid))
            return item;
        return u"No item has the id %1."_s.arg(idText);
    }
    if (wanted.size() < minimumIDPrefix)
        return u"\"%1\" is too short to name an item; give at least %2 characters of its id."_s
            .arg(idText)
            .arg(minimumIDPrefix);
    ClipboardItemPtr found;
    for (const auto& item : store.allItems()) {
        if (!item->id().toString(QUuid::WithoutBraces).startsWith(wanted))
            continue;
        if (found)
            return u"\"%1\" matches several items; give more of the id."_s.arg(idText);
        found = item;
    }
    if (!found)
        return u"No item has an id starting with %1."_s.arg(idText);
    return found;
}

CommandResult CommandDispatcher::status() const {
    auto* services = m_context.services;
    QString text;
    text += u"Quillbox:  %1\n"_s.arg(services ? u"running"_s : u"not running"_s);
    if (services) {
        text += u"Recording: %1\n"_s.arg(services->appState().isMonitoringPaused() ? u"paused"_s
                                                                                   : u"on"_s);
        text += services->preferences().boolValue(AppConstants::Keys::keepClipboardOnQuit)
                    ? u"Clipboard: kept when an application quits\n"_s
                    : u"Clipboard: not kept when an application quits\n"_s;
        text += m_context.platform.text();
    }
    text += u"Items:     %1\n"_s.arg(m_context.store.itemCount());
    text += u"History:   %1\n"_s.arg(m_context.storeDescription);
    // What the store holds is shown either way, but only a running instance
    // succeeds: a script that waits for `status` to succeed before copying
    // must not copy while Quillbox is still starting and reading the
    // clipboard it finds at launch.
    CommandResult result = CommandResult::success(text);
    if (!services)
        result.exitCode = ExitCode::notRunning;
    return result;
}

CommandResult CommandDispatcher::togglePanel() {
    AppState& state = m_context.services->appState();
    state.togglePanel();
    return CommandResult::success(state.isPanelVisible() ? u"The history panel is open.\n"_s
                                                         : u"The history panel is closed.\n"_s);
}

CommandResult CommandDispatcher::togglePasteStack() {
    AppServices& services = *m_context.services;
    services.togglePasteStackFromCommand();
    return CommandResult::success(services.pasteStack().isActive()
                                      ? u"The Paste Stack is collecting copies.\n"_s
                                      : u"The Paste Stack has ended.\n"_s);
}

void CommandDispatcher::pasteNext(Reply reply) {
    using Result = PasteStackCoordinator::PasteNextResult;
    m_context.services->pasteNextFromStack(
        [reply](const PasteStackCoordinator::PasteNextOutcome& outcome) {
            switch (outcome.result) {
            case Result::pasted:
                reply(CommandResult::success(
                    u"Pasted item %1 of %2.\n"_s.arg(outcome.position).arg(outcome.count)));
                break;
            case Result::noRun:
                reply(CommandResult::failure(
                    u"No Paste Stack is running; start one with quillbox paste-stack."_s));
                break;
            case Result::noItem:
                reply(CommandResult::failure(
                    u"The Paste Stack holds no items yet; copy some first."_s));
                break;
            case Result::keysNotSent:
                reply(CommandResult::failure(
                    u"Item %1 of %2 is on the clipboard, but no paste keys "
                    "could be sent: press Ctrl+V to paste it."_s.arg(outcome.position)
                        .arg(outcome.count)));
                break;
            }
        });
}

CommandResult CommandDispatcher::setPaused(bool paused) {
    AppState& state = m_context.services->appState();
    if (state.isMonitoringPaused() == paused)
        return CommandResult::success(paused ? u"Recording was already paused.\n"_s
                                             : u"Recording was already on.\n"_s);
    // The same path as the panel's and the tray's pause control.
    state.toggleMonitoringPaused();
    return CommandResult::success(paused ? u"Recording paused.\n"_s : u"Recording resumed.\n"_s);
}

void CommandDispatcher::list(const Command& command, Reply reply) const {
    QList<ClipboardItemPtr> items = m_context.store.allItems();
    if (command.hasOption(u"--limit"_s))
        items = items.mid(0, command.options.value(u"--limit"_s).toInt());
    ListingStream::send(std::move(items), command.hasOption(u"--json"_s),
                        u"The history is empty.\n"_s, std::move(reply));
}

CommandResult CommandDispatcher::show(const Command& command) const {
    auto found = findItem(m_context.store, command.arguments.at(0));
    if (auto* message = std::get_if<QString>(&found))
        return CommandResult::failure(*message);
    const auto item = std::get<ClipboardItemPtr>(found);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (command.hasOption(u"--json"_s))
        return CommandResult::success(
            json(QJsonDocument(ItemFormatting::itemDetailsJson(*item, now))));
    return CommandResult::success(ItemFormatting::itemDetails(*item, now));
}

CommandResult CommandDispatcher::deleteItem(const Command& command) {
    auto found = findItem(m_context.store, command.arguments.at(0));
    if (auto* message = std::get_if<QString>(&found))
        return CommandResult::failure(*message);
    const auto item = std::get<ClipboardItemPtr>(found);
    const QString id = item->id().toString(QUuid::WithoutBraces);
    m_context.store.deleteItem(item);
    return CommandResult::success(u"Deleted %1.\n"_s.arg(id));
}

CommandResult CommandDispatcher::pin(const Command& command) {
    auto found = findItem(m_context.store, command.arguments.at(0));
    if (auto* message = std::get_if<QString>(&found))
        return CommandResult::failure(*message);
    const auto item = std::get<ClipboardItemPtr>(found);
    m_context.store.togglePin(item);
    return CommandResult::success((item->isPinned() ? u"Pinned %1.\n"_s : u"Unpinned %1.\n"_s)
                                      .arg(item->id().toString(QUuid::WithoutBraces)));
}

CommandResult CommandDispatcher::rules(const Command& command) const {
    const auto rules = m_context.store.appRules();
    if (!command.hasOption(u"--json"_s))
        return CommandResult::success(ItemFormatting::ruleTable(rules));
    QJsonArray array;
    for (const auto& rule : rules)
        array.append(ItemFormatting::ruleJson(*rule));
    return CommandResult::success(json(QJsonDocument(array)));
}

CommandResult CommandDispatcher::exclude(const Command& command) {
    const QString identifier = command.arguments.at(0).trimmed();
    if (identifier.isEmpty())
        return CommandResult::failure(u"The application id is empty."_s, ExitCode::usage);
    // Like the settings page: one rule per identifier. An existing rule that
    // was switched off is switched on again rather than duplicated.
    for (const auto& rule : m_context.store.appRules()) {
        if (rule->bundleIdentifier() != identifier)
            continue;
        if (rule->isExcluded())
            return CommandResult::success(u"%1 was already excluded.\n"_s.arg(identifier));
        m_context.store.setRuleExcluded(rule, true);
        return CommandResult::success(u"Excluded %1.\n"_s.arg(identifier));
    }
    const QString name = command.arguments.size() > 1 ? command.arguments.at(1) : identifier;
    m_context.store.addAppRule(identifier, name);
    return CommandResult::success(u"Excluded %1.\n"_s.arg(identifier));
}

CommandResult CommandDispatcher::include(const Command& command) {
    const QString identifier = command.arguments.at(0).trimmed();
    int removed = 0;
    for (const auto& rule : m_context.store.appRules()) {
        if (rule->bundleIdentifier() == identifier) {
            m_context.store.deleteAppRule(rule);
            ++removed;
        }
    }
    if (removed == 0)
        return CommandResult::success(u"%1 was not excluded.\n"_s.arg(identifier));
    return CommandResult::success(u"Copies made in %1 are recorded again.\n"_s.arg(identifier));
}

void CommandDispatcher::pickColor(Reply reply) {
    const bool started = m_context.services->pickColor(false, [reply](ClipboardItemPtr item) {
        if (!item) {
            reply(CommandResult::failure(u"No colour was picked."_s));
            return;
        }
        reply(CommandResult::success(
            item->colorHex().value_or(item->plainText().value_or(QString())) + u'\n'));
    });
    if (!started)
        reply(CommandResult::failure(u"A colour sampler is already open."_s));
}

void CommandDispatcher::exportHistory(Reply reply) const {
    // Piece by piece, each once the reader has taken the one before: a large
    // item is never held as one string, nor queued whole for a slow reader.
    HistoryStore& store = m_context.store;
    if (store.hasUnsavedChanges())
        store.save();
    // One picture of the stored history, whatever is deleted or added while
    // it is written; a store in memory has no second connection to hold one.
    std::shared_ptr<HistorySnapshot> snapshot = HistorySnapshot::open(*store.container());
    auto cursor = snapshot ? std::make_shared<HistoryTransfer::ExportCursor>(
                                 [snapshot] { return snapshot->next(); })
                           : std::make_shared<HistoryTransfer::ExportCursor>(store.allItems());
    auto step = std::make_shared<std::function<void()>>();
    // The first line goes out alone, as soon as it is made: a reader that
    // wants only the newest item (`export | head -n 1`) never waits for more.
    auto isFirst = std::make_shared<bool>(true);
    *step = [cursor, reply, isFirst, weakStep = std::weak_ptr<std::function<void()>>(step)] {
        const QByteArray piece = cursor->next(exportPieceSize, std::exchange(*isFirst, false));
        if (piece.isEmpty()) {
            reply(CommandResult::success());
            return;
        }
        reply.write(piece);
        if (auto next = weakStep.lock())
            reply.whenDrained([next] { (*next)(); });
    };
    // The step keeps itself alive through the pending drain callbacks only.
    reply.whenDrained([step] { (*step)(); });
}

void CommandDispatcher::importHistory(const Command& command, Reply reply) {
    const QString& shownName = command.arguments.at(0);
    // The client's raw bytes, where the name is not valid text.
    QByteArray path = QFile::encodeName(shownName);
    if (const QString raw = command.options.value(u"--file-bytes"_s); !raw.isEmpty())
        path = QByteArray::fromBase64(raw.toLatin1());
    auto opened = HistoryImport::openFile(path, ItemFormatting::escapeControls(shownName));
    if (auto* message = std::get_if<QString>(&opened)) {
        reply(CommandResult::failure(*message));
        return;
    }
    HistoryImport::start(
        std::get<int>(opened), m_context.store,
        [reply](const QString& line) { reply.progress(line); },
        [reply](const HistoryTransfer::ImportSummary& summary, const QString& readError) {
            const QString text =
                u"Imported %1 items; %2 were already in the history.\n"_s.arg(summary.imported)
                    .arg(summary.alreadyPresent);
            QStringList problems = summary.problems;
            if (!readError.isEmpty())
                problems.append(u"the file could not be read to its end: %1"_s.arg(readError));
            if (problems.isEmpty()) {
                reply(CommandResult::success(text));
                return;
            }
            qCWarning(lcApp) << "Quillbox: import skipped" << problems.size() << "unreadable lines";
            reply({ExitCode::failure, text,
                   u"Skipped %1 lines that could not be read:\n"_s.arg(problems.size()) +
                       ItemFormatting::escapeControls(problems.join(u'\n'), true)});
        });
}

CommandResult CommandDispatcher::quit() {
    // After the answer has gone out.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    return CommandResult::success(u"Quillbox is quitting.\n"_s);
}

} // namespace quillbox
