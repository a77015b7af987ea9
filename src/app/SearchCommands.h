#pragma once

#include "app/CommandLine.h"
#include "app/CommandResult.h"
#include "core/SearchRecognition.h"

#include <functional>
#include <memory>

namespace quillbox {

class AppServices;
class CommandDispatcher;
struct CommandContext;
class HistoryStore;
class KeystrokeSender;
class PasteService;
class TextRecognizer;

// The command line's search, copy and paste:
//   quillbox search TEXT [--category KIND] [--pinboard NAME] [--limit N] [--json] [--no-ocr]
//   quillbox copy ID [--plain]
//   quillbox paste ID [--plain]
// Search lists what the panel would list for TEXT, after letting text
// recognition reach the images not yet recognised (unless --no-ocr).
namespace SearchCommands {

// What the commands use beyond the store; absent parts limit what they can do.
struct Tools {
    SearchRecognition::Recognize recognize;       // none: search without recognition
    PasteService* pasteService = nullptr;         // none: copy and paste are refused
    KeystrokeSender* keystrokes = nullptr;        // pastes go to the window active now
    std::function<void(const QString&)> progress; // lines for standard error, as they come
};

using Reply = std::function<void(const CommandResult&)>;

// Replies once, possibly later (after recognition); never blocks.
void search(HistoryStore& store, const Command& command, const Tools& tools, Reply reply);
// Copy answers at once; paste once the paste keys went out, or could not.
// Each fails (ExitCode::failure) when the clipboard could not be set, paste
// also when no keys could be sent (the item then waits on the clipboard).
CommandResult copy(HistoryStore& store, const Command& command, const Tools& tools);
void paste(HistoryStore& store, const Command& command, const Tools& tools, Reply reply);

// Serves "search", "copy" and "paste" from the dispatcher; `tools` is asked
// for each command.
void install(CommandDispatcher& dispatcher, std::function<Tools(const CommandContext&)> tools);

// In the running application: its paste service, keystrokes and recognition.
void install(CommandDispatcher& dispatcher, AppServices& services);
// In a command-line process over the store on disk (no instance runs):
// recognition in this process, its progress on standard error.
void installForStoreOnDisk(CommandDispatcher& dispatcher,
                           std::shared_ptr<TextRecognizer> recognizer);

} // namespace SearchCommands
} // namespace quillbox
