#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillbox {

// One request of the command line: the command's name (empty starts the
// application), its positional arguments and its options ("--json" → "",
// "--limit" → "5"). The same value travels to a running instance as JSON.
struct Command {
    QString name;
    QStringList arguments;
    QHash<QString, QString> options;

    bool hasOption(const QString& option) const { return options.contains(option); }
    QJsonObject toJson() const;
    static std::optional<Command> fromJson(const QJsonObject& object);
};

// Where a command can run.
enum class CommandPlace {
    instance,        // only in the running application
    instanceOrStore, // in the running application, else read from the store on disk
    client,          // in the calling process itself
};

struct CommandSpec {
    QString name;
    QString usage;   // the arguments, as --help shows them
    QString summary; // one line for --help
    int minArguments = 0;
    int maxArguments = 0;
    QStringList flags;        // options without a value
    QStringList countOptions; // options with a positive whole number
    CommandPlace place = CommandPlace::instance;
    QStringList textOptions = {}; // options with a non-empty text value
};

// Every command the program knows, in the order --help lists them.
const QList<CommandSpec>& commandSpecs();
const CommandSpec* findCommandSpec(const QString& name);

// What an option of the commands means, for the manual page and the shell
// completions. One entry per option name, whichever commands take it.
struct OptionSpec {
    QString name;
    QString valueName;        // the value's placeholder ("N"); empty for a flag
    QString summary;          // one sentence; empty for an option no person types
    QStringList choices = {}; // the values it accepts, where they are a fixed few
};

const QList<OptionSpec>& optionSpecs();
const OptionSpec* findOptionSpec(const QString& name);

// The options of the program itself, given without a command.
struct ProgramOption {
    QString name;
    QString shortName;
    QString summary;
};
const QList<ProgramOption>& programOptions();

// What the program does, one paragraph, as --help opens.
QString programDescription();

struct CommandLineOutcome {
    enum class Kind { run, help, version, error };
    Kind kind = Kind::run;
    Command command;
    QString error; // for Kind::error: what was wrong, one line
};

// Reads the program's arguments (without the program name). Checks the
// command, its number of arguments and its options; values are checked as far
// as their form goes (a number is a positive whole number).
CommandLineOutcome parseCommandLine(const QStringList& arguments);

// Checks a command received from another process against its spec, as the
// parser would have: the instance never trusts its socket's input.
std::optional<QString> validateCommand(const Command& command);

QString helpText();
QString versionText();

} // namespace quillbox
