#include "app/CommandLine.h"

#include "content/ContentCategory.h"

#include <QCoreApplication>
#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

// Commands and programs differ in what a running application must provide;
// the place decides whether a missing instance is an error.
QList<CommandSpec> makeSpecs() {
    using P = CommandPlace;
    return {
        {u"status"_s,
         {},
         u"Running or not, paused, item count, history file"_s,
         0,
         0,
         {},
         {},
         P::instanceOrStore},
        {u"pause"_s, {}, u"Pause recording the clipboard"_s, 0, 0, {}, {}, P::instance},
        {u"resume"_s,
         {},
         u"Resume recording (skips what was copied meanwhile)"_s,
         0,
         0,
         {},
         {},
         P::instance},
        {u"list"_s,
         u"[--limit N] [--json]"_s,
         u"The history, newest first"_s,
         0,
         0,
         {u"--json"_s},
         {u"--limit"_s},
         P::instanceOrStore},
        {u"show"_s,
         u"ID [--json]"_s,
         u"One item whole: its fields and text, or its data's type and size"_s,
         1,
         1,
         {u"--json"_s},
         {},
         P::instanceOrStore},
        {u"search"_s,
         u"TEXT [--category KIND] [--pinboard NAME] [--limit N] [--json] [--no-ocr]"_s,
         u"Items whose text, title or image text has TEXT"_s,
         1,
         1,
         {u"--json"_s, u"--no-ocr"_s},
         {u"--limit"_s},
         P::instanceOrStore,
         {u"--category"_s, u"--pinboard"_s}},
        {u"copy"_s,
         u"ID [--plain]"_s,
         u"Put an item back on the clipboard"_s,
         1,
         1,
         {u"--plain"_s},
         {},
         P::instance},
        {u"paste"_s,
         u"ID [--plain]"_s,
         u"Copy an item and paste it into the active window"_s,
         1,
         1,
         {u"--plain"_s},
         {},
         P::instance},
        {u"delete"_s, u"ID"_s, u"Delete an item"_s, 1, 1, {}, {}, P::instance},
        {u"pin"_s, u"ID"_s, u"Pin or unpin an item"_s, 1, 1, {}, {}, P::instance},
        {u"rules"_s,
         u"[--json]"_s,
         u"The applications whose copies are not recorded"_s,
         0,
         0,
         {u"--json"_s},
         {},
         P::instanceOrStore},
        {u"exclude"_s,
         u"APP_ID [NAME]"_s,
         u"Stop recording copies made in an application"_s,
         1,
         2,
         {},
         {},
         P::instance},
        {u"include"_s,
         u"APP_ID"_s,
         u"Record an excluded application's copies again"_s,
         1,
         1,
         {},
         {},
         P::instance},
        {u"pick-color"_s,
         {},
         u"Pick a colour on screen and add it to the history"_s,
         0,
         0,
         {},
         {},
         P::instance},
        {u"export"_s,
         {},
         u"The whole history as JSON lines on standard output"_s,
         0,
         0,
         {},
         {},
         P::instanceOrStore},
        // --file-bytes carries the file name's bytes from the command line to
        // the instance where they are not valid text; not for people.
        {u"import"_s,
         u"FILE"_s,
         u"Add an export's items, skipping those already kept"_s,
         1,
         1,
         {},
         {},
         P::instance,
         {u"--file-bytes"_s}},
        {u"inspect-clipboard"_s,
         u"[--json]"_s,
         u"The clipboard and how it would be recorded"_s,
         0,
         0,
         {u"--json"_s},
         {},
         P::client},
        {u"toggle"_s, {}, u"Show or hide the history panel"_s, 0, 0, {}, {}, P::instance},
        {u"paste-stack"_s, {}, u"Start or stop the Paste Stack"_s, 0, 0, {}, {}, P::instance},
        {u"paste-next"_s,
         {},
         u"Paste the Paste Stack's next item into the window in front"_s,
         0,
         0,
         {},
         {},
         P::instance},
        {u"settings"_s, {}, u"Open the settings window"_s, 0, 0, {}, {}, P::instance},
        {u"quit"_s, {}, u"Quit the running Quillbox"_s, 0, 0, {}, {}, P::instance},
    };
}

QList<OptionSpec> makeOptionSpecs() {
    QStringList kinds;
    for (const ContentCategory category : allContentCategories)
        kinds.append(rawValue(category));
    return {
        {u"--json"_s, {}, u"Print JSON instead of text"_s},
        {u"--limit"_s, u"N"_s, u"Show at most N items"_s},
        {u"--category"_s, u"KIND"_s, u"Only items of this kind"_s, kinds},
        {u"--pinboard"_s, u"NAME"_s, u"Only items in the pinboard of this name"_s},
        {u"--no-ocr"_s, {}, u"Do not recognise text in images that have not been read yet"_s},
        {u"--plain"_s, {}, u"Only the plain text, without formatting"_s},
        {u"--file-bytes"_s, {}, {}},
    };
}

bool isPositiveCount(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0;
}

} // namespace

QJsonObject Command::toJson() const {
    QJsonObject optionObject;
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        optionObject.insert(it.key(), it.value());
    return {{u"command"_s, name},
            {u"arguments"_s, QJsonArray::fromStringList(arguments)},
            {u"options"_s, optionObject}};
}

std::optional<Command> Command::fromJson(const QJsonObject& object) {
    if (!object.value(u"command"_s).isString() || !object.value(u"arguments"_s).isArray() ||
        !object.value(u"options"_s).isObject())
        return std::nullopt;
    Command command;
    command.name = object.value(u"command"_s).toString();
    for (const auto& value : object.value(u"arguments"_s).toArray()) {
        if (!value.isString())
            return std::nullopt;
        command.arguments.append(value.toString());
    }
    const auto optionObject = object.value(u"options"_s).toObject();
    for (auto it = optionObject.constBegin(); it != optionObject.constEnd(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        command.options.insert(it.key(), it.value().toString());
    }
    return command;
}

const QList<CommandSpec>& commandSpecs() {
    static const QList<CommandSpec> specs = makeSpecs();
    return specs;
}

const CommandSpec* findCommandSpec(const QString& name) {
    for (const auto& spec : commandSpecs()) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

const QList<OptionSpec>& optionSpecs() {
    static const QList<OptionSpec> specs = makeOptionSpecs();
    return specs;
}

const OptionSpec* findOptionSpec(const QString& name) {
    for (const auto& spec : optionSpecs()) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

const QList<ProgramOption>& programOptions() {
    static const QList<ProgramOption> options = {
        {u"--help"_s, u"-h"_s, u"Show this help"_s},
        {u"--version"_s, u"-v"_s, u"Show the version"_s},
    };
    return options;
}

QString programDescription() {
    return u"Quillbox keeps a history of what you copy. Without a command it starts\n"
           "recording in the background (once per user; a second start refuses).\n"
           "Commands talk to the running Quillbox; status, list, show, search, rules\n"
           "and export also work without it, reading the history on disk.\n"_s;
}

CommandLineOutcome parseCommandLine(const QStringList& arguments) {
    using Kind = CommandLineOutcome::Kind;
    CommandLineOutcome outcome;
    const auto fail = [&outcome](const QString& error) {
        outcome.kind = Kind::error;
        outcome.error = error;
        return outcome;
    };
    if (arguments.isEmpty())
        return outcome; // no command: start the application
    const QString& first = arguments.first();
    if (first == u"--help"_s || first == u"-h"_s || first == u"help"_s) {
        outcome.kind = Kind::help;
        return outcome;
    }
    if (first == u"--version"_s || first == u"-v"_s) {
        outcome.kind = Kind::version;
        return outcome;
    }
    const CommandSpec* spec = findCommandSpec(first);
    if (!spec)
        return fail(u"unknown command \"%1\" (see quillbox --help)"_s.arg(first));

    outcome.command.name = spec->name;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!optionsEnded && argument == u"--"_s) {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == u"--help"_s || argument == u"-h"_s)) {
            outcome.kind = Kind::help;
            return outcome;
        } else if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            QString name = argument;
            std::optional<QString> value;
            if (const auto equals = argument.indexOf(u'='); equals > 0) {
                name = argument.left(equals);
                value = argument.mid(equals + 1);
            }
            if (spec->flags.contains(name) && !value) {
                outcome.command.options.insert(name, QString());
            } else if (spec->countOptions.contains(name)) {
                if (!value) {
                    if (i + 1 >= arguments.size())
                        return fail(u"%1 needs a number"_s.arg(name));
                    value = arguments.at(++i);
                }
                if (!isPositiveCount(*value))
                    return fail(
                        u"%1 needs a positive whole number, not \"%2\""_s.arg(name, *value));
                outcome.command.options.insert(name, *value);
            } else if (spec->textOptions.contains(name)) {
                if (!value) {
                    if (i + 1 >= arguments.size())
                        return fail(u"%1 needs a value"_s.arg(name));
                    value = arguments.at(++i);
                }
                if (value->isEmpty())
                    return fail(u"%1 needs a value"_s.arg(name));
                outcome.command.options.insert(name, *value);
            } else {
                return fail(
                    u"\"%1\" takes no option %2 (see quillbox --help)"_s.arg(spec->name, argument));
            }
        } else {
            outcome.command.arguments.append(argument);
        }
    }
    if (auto error = validateCommand(outcome.command))
        return fail(*error);
    return outcome;
}

std::optional<QString> validateCommand(const Command& command) {
    const CommandSpec* spec = findCommandSpec(command.name);
    if (!spec)
        return u"unknown command \"%1\""_s.arg(command.name);
    const auto count = command.arguments.size();
    if (count < spec->minArguments || count > spec->maxArguments) {
        const QString usage = (u"quillbox "_s + spec->name + u' ' + spec->usage).trimmed();
        return u"wrong number of arguments; usage: %1"_s.arg(usage);
    }
    for (auto it = command.options.cbegin(); it != command.options.cend(); ++it) {
        if (spec->flags.contains(it.key()) && it.value().isEmpty())
            continue;
        if (spec->countOptions.contains(it.key()) && isPositiveCount(it.value()))
            continue;
        if (spec->textOptions.contains(it.key()) && !it.value().isEmpty())
            continue;
        return u"\"%1\" takes no option %2"_s.arg(spec->name, it.key());
    }
    return std::nullopt;
}

QString helpText() {
    QString text =
        u"Usage: quillbox [COMMAND] [ARGUMENTS]\n\n"_s + programDescription() + u"\nCommands:\n"_s;
    // Usages longer than the column put their summary on the next line, so
    // the help stays readable in 80 columns.
    constexpr int column = 30;
    for (const auto& spec : commandSpecs()) {
        const QString head = u"  "_s + (spec.name + u' ' + spec.usage).trimmed();
        if (head.size() + 2 <= column)
            text += head.leftJustified(column) + spec.summary + u'\n';
        else
            text += head + u'\n' + QString(column, u' ') + spec.summary + u'\n';
    }
    text += u"\nOptions:\n"_s;
    constexpr int optionColumn = 19;
    for (const auto& option : programOptions())
        text += (u"  "_s + option.name + u", "_s + option.shortName).leftJustified(optionColumn) +
                option.summary + u'\n';
    text += u"\nID is an item's id as `quillbox list` shows it, or a unique start of it.\n"
            "APP_ID is an application's desktop-entry id without \".desktop\"\n"
            "(for example org.gnome.TextEditor).\n"
            "Export writes one JSON object per item, payloads in base64; import reads\n"
            "the same format and keeps the copy times.\n\n"
            "Bind `quillbox toggle`, `quillbox paste-stack` and `quillbox paste-next` to\n"
            "keys in your desktop's keyboard settings where the built-in hot keys are not\n"
            "available.\n\n"
            "Exit status: 0 on success, 1 when the command failed, 2 for bad arguments,\n"
            "3 when Quillbox is not running and the command needs it (status says\n"
            "what the history on disk holds, and exits with 3).\n"_s;
    return text;
}

QString versionText() {
    return u"Quillbox %1\n"_s.arg(QCoreApplication::applicationVersion());
}

} // namespace quillbox
