#include "app/SearchCommands.h"

#include "app/AppServices.h"
#include "app/CommandDispatcher.h"
#include "app/ItemFormatting.h"
#include "app/ListingStream.h"
#include "core/AppState.h"
#include "core/PanelListModel.h"
#include "core/PasteService.h"
#include "history/HistoryStore.h"
#include "ports/KeystrokeSender.h"

#include <QStringList>
#include <cstdio>
#include <memory>
#include <variant>

namespace quillbox::SearchCommands {

namespace {

const QString categoryOption = QStringLiteral("--category");
const QString pinboardOption = QStringLiteral("--pinboard");
const QString limitOption = QStringLiteral("--limit");
const QString jsonOption = QStringLiteral("--json");
const QString noOcrOption = QStringLiteral("--no-ocr");
const QString plainOption = QStringLiteral("--plain");

std::variant<std::optional<ContentCategory>, CommandResult> categoryOf(const Command& command) {
    if (!command.hasOption(categoryOption))
        return std::optional<ContentCategory>{};
    const QString raw = command.options.value(categoryOption);
    for (const ContentCategory category : allContentCategories) {
        if (rawValue(category).compare(raw, Qt::CaseInsensitive) == 0)
            return std::optional<ContentCategory>{category};
    }
    QStringList kinds;
    for (const ContentCategory category : allContentCategories)
        kinds.append(rawValue(category));
    return CommandResult::failure(QStringLiteral("Unknown kind \"%1\"; one of: %2.")
                                      .arg(raw, kinds.join(QStringLiteral(", "))),
                                  ExitCode::usage);
}

// By exact name, else by name in any letter case.
std::variant<PinboardPtr, CommandResult> pinboardOf(HistoryStore& store, const Command& command) {
    if (!command.hasOption(pinboardOption))
        return PinboardPtr{};
    const QString name = command.options.value(pinboardOption);
    const auto pinboards = store.pinboards();
    for (const auto& pinboard : pinboards) {
        if (pinboard->name() == name)
            return pinboard;
    }
    for (const auto& pinboard : pinboards) {
        if (pinboard->name().compare(name, Qt::CaseInsensitive) == 0)
            return pinboard;
    }
    return CommandResult::failure(QStringLiteral("No pinboard named \"%1\".").arg(name));
}

void sendListing(QList<ClipboardItemPtr> items, const Command& command, Reply reply) {
    if (command.hasOption(limitOption))
        items = items.mid(0, command.options.value(limitOption).toInt());
    ListingStream::send(std::move(items), command.hasOption(jsonOption),
                        QStringLiteral("No items match.\n"), std::move(reply));
}

// One search with a panel state, list and recognition of its own, so that
// the panel's search, filter and selection stay as the user left them.
// Deletes itself once it has replied.
class SearchRun : public QObject {
public:
    SearchRun(HistoryStore& store, const Command& command, const Tools& tools, Reply reply)
        : m_command(command)
        , m_reply(std::move(reply))
        , m_list(store, m_state)
        , m_recognition(store, m_state,
                        command.hasOption(noOcrOption) ? SearchRecognition::Recognize{}
                                                       : tools.recognize) {
        if (tools.progress) {
            connect(&m_recognition, &SearchRecognition::recognitionProgress, this,
                    [progress = tools.progress](int done, int total) {
                        progress(QStringLiteral("Recognising text in images: %1 of %2")
                                     .arg(done)
                                     .arg(total));
                    });
        }
        connect(&m_recognition, &SearchRecognition::recognitionFinished, this, &SearchRun::finish);
    }

    void start(std::optional<ContentCategory> category, const PinboardPtr& pinboard) {
        m_state.setSelectedCategory(category);
        if (pinboard)
            m_state.setSelectedPinboardID(pinboard->id());
        m_state.setSearchQuery(m_command.arguments.value(0));
        if (!m_recognition.isRecognizing())
            finish();
    }

private:
    void finish() {
        if (m_hasReplied)
            return;
        m_hasReplied = true;
        sendListing(m_list.items(), m_command, m_reply);
        deleteLater();
    }

    Command m_command;
    Reply m_reply;
    AppState m_state;
    PanelListModel m_list;
    SearchRecognition m_recognition;
    bool m_hasReplied = false;
};

std::variant<ClipboardItemPtr, CommandResult> itemFor(HistoryStore& store, const Command& command,
                                                      const Tools& tools) {
    if (!tools.pasteService)
        return CommandResult::failure(QStringLiteral("Quillbox is not running."),
                                      ExitCode::notRunning);
    auto found = CommandDispatcher::findItem(store, command.arguments.value(0));
    if (auto* message = std::get_if<QString>(&found))
        return CommandResult::failure(*message);
    return std::get<ClipboardItemPtr>(found);
}

} // namespace

void search(HistoryStore& store, const Command& command, const Tools& tools, Reply reply) {
    const auto category = categoryOf(command);
    if (const auto* failure = std::get_if<CommandResult>(&category)) {
        reply(*failure);
        return;
    }
    const auto pinboard = pinboardOf(store, command);
    if (const auto* failure = std::get_if<CommandResult>(&pinboard)) {
        reply(*failure);
        return;
    }
    auto* run = new SearchRun(store, command, tools, std::move(reply));
    run->start(std::get<std::optional<ContentCategory>>(category), std::get<PinboardPtr>(pinboard));
}

CommandResult copy(HistoryStore& store, const Command& command, const Tools& tools) {
    const auto found = itemFor(store, command, tools);
    if (const auto* failure = std::get_if<CommandResult>(&found))
        return *failure;
    const auto& item = std::get<ClipboardItemPtr>(found);
    if (!tools.pasteService->copy(item, command.hasOption(plainOption)))
        return CommandResult::failure(PasteService::clipboardRefusedText());
    return CommandResult::success(
        QStringLiteral("Copied %1.\n").arg(item->id().toString(QUuid::WithoutBraces)));
}

void paste(HistoryStore& store, const Command& command, const Tools& tools, Reply reply) {
    const auto found = itemFor(store, command, tools);
    if (const auto* failure = std::get_if<CommandResult>(&found)) {
        reply(*failure);
        return;
    }
    const auto& item = std::get<ClipboardItemPtr>(found);
    // From the command line the paste goes to the window in front now (the
    // terminal that ran the command, or whatever a key binding left active),
    // not to the one remembered when the panel last opened.
    if (tools.keystrokes)
        tools.keystrokes->rememberTargetWindow();
    const QString id = item->id().toString(QUuid::WithoutBraces);
    tools.pasteService->paste(
        item, command.hasOption(plainOption),
        [id, reply = std::move(reply)](PasteService::PasteOutcome outcome) {
            switch (outcome) {
            case PasteService::PasteOutcome::pasted:
                reply(CommandResult::success(QStringLiteral("Pasted %1.\n").arg(id)));
                break;
            case PasteService::PasteOutcome::copiedOnly:
                reply(CommandResult::failure(QStringLiteral("Copied %1, but no paste keys could be "
                                                            "sent: press Ctrl+V to paste it.")
                                                 .arg(id)));
                break;
            case PasteService::PasteOutcome::notCopied:
                reply(CommandResult::failure(PasteService::clipboardRefusedText()));
                break;
            }
        });
}

void install(CommandDispatcher& dispatcher, std::function<Tools(const CommandContext&)> tools) {
    dispatcher.setHandler(QStringLiteral("search"), [tools](const CommandContext& context,
                                                            const Command& command,
                                                            CommandDispatcher::Reply reply) {
        Tools chosen = tools(context);
        // Recognition's progress reaches the command line
        // (and keeps it waiting) from a running instance too.
        if (!chosen.progress)
            chosen.progress = [reply](const QString& line) { reply.progress(line); };
        search(context.store, command, chosen, std::move(reply));
    });
    dispatcher.setHandler(QStringLiteral("copy"),
                          [tools](const CommandContext& context, const Command& command,
                                  CommandDispatcher::Reply reply) {
                              reply(copy(context.store, command, tools(context)));
                          });
    dispatcher.setHandler(QStringLiteral("paste"),
                          [tools](const CommandContext& context, const Command& command,
                                  CommandDispatcher::Reply reply) {
                              paste(context.store, command, tools(context), std::move(reply));
                          });
}

void install(CommandDispatcher& dispatcher, AppServices& services) {
    install(dispatcher, [&services](const CommandContext&) {
        Tools tools;
        tools.pasteService = services.pasteService();
        tools.keystrokes = services.keystrokeSender();
        if (OCRService* ocr = services.ocrService())
            tools.recognize = [ocr](const QByteArray& bytes) { return ocr->recognizeText(bytes); };
        return tools;
    });
}

void installForStoreOnDisk(CommandDispatcher& dispatcher,
                           std::shared_ptr<TextRecognizer> recognizer) {
    install(dispatcher, [recognizer](const CommandContext&) {
        // One per process, kept to its end: the command-line process is short.
        static auto* ocr = new OCRService(recognizer);
        Tools tools;
        tools.recognize = [](const QByteArray& bytes) { return ocr->recognizeText(bytes); };
        tools.progress = [](const QString& line) {
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
            std::fflush(stderr);
        };
        return tools;
    });
}

} // namespace quillbox::SearchCommands
