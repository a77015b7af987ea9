#include "app/ShellCompletions.h"

#include "app/CommandLine.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

enum class ArgumentKind { none, itemId, file };

// What the command's first argument is, read from its usage ("ID [--plain]").
ArgumentKind firstArgument(const CommandSpec& spec) {
    if (spec.maxArguments == 0)
        return ArgumentKind::none;
    const QString first = spec.usage.section(u' ', 0, 0);
    if (first == u"ID"_s)
        return ArgumentKind::itemId;
    if (first == u"FILE"_s)
        return ArgumentKind::file;
    return ArgumentKind::none;
}

// The options a person may type after the command, as the table lists them.
QList<const OptionSpec*> visibleOptions(const CommandSpec& spec) {
    QList<const OptionSpec*> options;
    for (const auto& name : spec.flags + spec.countOptions + spec.textOptions) {
        const OptionSpec* option = findOptionSpec(name);
        if (option && !option->summary.isEmpty())
            options.append(option);
    }
    return options;
}

QStringList commandNames() {
    QStringList names;
    for (const auto& spec : commandSpecs())
        names.append(spec.name);
    return names;
}

QStringList commandsTaking(ArgumentKind kind) {
    QStringList names;
    for (const auto& spec : commandSpecs()) {
        if (firstArgument(spec) == kind)
            names.append(spec.name);
    }
    return names;
}

// Inside single quotes in every one of the three shells.
QString singleQuoted(const QString& text) {
    return u'\'' + QString(text).replace(u"'"_s, u"'\\''"_s) + u'\'';
}

// Item ids from the history (the running instance's, else the one on disk):
// the first column of `quillbox list`, whatever its other lines say.
const QString idLister = u"quillbox list --limit 50 2>/dev/null | grep -oE '^[0-9a-f-]{36}'"_s;

} // namespace

QString bashCompletion() {
    QString programOptionWords;
    for (const auto& option : programOptions())
        programOptionWords += u' ' + option.name + u' ' + option.shortName;
    QString script =
        u"# bash completion for quillbox                             -*- shell-script -*-\n"
        "\n"
        "_quillbox() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
        "        COMPREPLY=($(compgen -W '%1%2' -- \"$cur\"))\n"
        "        return\n"
        "    fi\n"
        "    case $prev in\n"_s.arg(commandNames().join(u' '), programOptionWords);
    for (const auto& option : optionSpecs()) {
        if (option.valueName.isEmpty() || option.summary.isEmpty())
            continue;
        script += u"    %1) COMPREPLY=(%2); return ;;\n"_s.arg(
            option.name, option.choices.isEmpty()
                             ? QString()
                             : u"$(compgen -W '%1' -- \"$cur\")"_s.arg(option.choices.join(u' ')));
    }
    script += u"    esac\n"
              "    local options=\n"
              "    case ${COMP_WORDS[1]} in\n"_s;
    for (const auto& spec : commandSpecs()) {
        QStringList names;
        for (const OptionSpec* option : visibleOptions(spec))
            names.append(option->name);
        if (!names.isEmpty())
            script += u"    %1) options='%2' ;;\n"_s.arg(spec.name, names.join(u' '));
    }
    script += u"    esac\n"
              "    if [[ $cur == -* ]]; then\n"
              "        COMPREPLY=($(compgen -W \"$options --help\" -- \"$cur\"))\n"
              "        return\n"
              "    fi\n"
              "    case ${COMP_WORDS[1]} in\n"_s;
    script += u"    %1)\n"
              "        COMPREPLY=($(compgen -W \"$(%2)\" -- \"$cur\")) ;;\n"_s.arg(
                  commandsTaking(ArgumentKind::itemId).join(u'|'), idLister);
    script += u"    %1)\n"
              "        compopt -o filenames 2>/dev/null\n"
              "        mapfile -t COMPREPLY < <(compgen -f -- \"$cur\") ;;\n"_s.arg(
                  commandsTaking(ArgumentKind::file).join(u'|'));
    script += u"    esac\n"
              "}\n"
              "complete -F _quillbox quillbox\n"_s;
    return script;
}

QString zshCompletion() {
    QString script = u"#compdef quillbox\n"
                     "\n"
                     "_quillbox_ids() {\n"
                     "    local -a ids\n"
                     "    ids=(${(f)\"$(%1)\"})\n"
                     "    compadd -a ids\n"
                     "}\n"
                     "\n"
                     "_quillbox() {\n"
                     "    if (( CURRENT == 2 )); then\n"
                     "        local -a commands\n"
                     "        commands=(\n"_s.arg(idLister);
    for (const auto& spec : commandSpecs())
        script += u"            "_s + singleQuoted(spec.name + u':' + spec.summary) + u'\n';
    script += u"        )\n"
              "        _describe -t commands 'quillbox command' commands\n"_s;
    for (const auto& option : programOptions())
        script += u"        compadd -- %1 %2\n"_s.arg(option.name, option.shortName);
    script += u"        return\n"
              "    fi\n"
              "    shift words\n"
              "    (( CURRENT-- ))\n"
              "    case $words[1] in\n"_s;
    for (const auto& spec : commandSpecs()) {
        QStringList specs;
        for (const OptionSpec* option : visibleOptions(spec)) {
            const QString summary = QString(option->summary).replace(u"]"_s, u"\\]"_s);
            if (option->valueName.isEmpty())
                specs.append(singleQuoted(option->name + u'[' + summary + u']'));
            else
                specs.append(singleQuoted(option->name + u"=["_s + summary + u"]:"_s +
                                          option->valueName.toLower() + u":"_s +
                                          (option->choices.isEmpty()
                                               ? u" "_s
                                               : u'(' + option->choices.join(u' ') + u')')));
        }
        switch (firstArgument(spec)) {
        case ArgumentKind::itemId:
            specs.append(u"'1:item id:_quillbox_ids'"_s);
            break;
        case ArgumentKind::file:
            specs.append(u"'1:file:_files'"_s);
            break;
        case ArgumentKind::none:
            break;
        }
        if (!specs.isEmpty())
            script += u"    %1) _arguments %2 ;;\n"_s.arg(spec.name, specs.join(u' '));
    }
    script += u"    esac\n"
              "}\n"
              "\n"
              "_quillbox \"$@\"\n"_s;
    return script;
}

QString fishCompletion() {
    const QString commands = commandNames().join(u' ');
    QString script = u"# fish completion for quillbox\n"
                     "\n"
                     "function __quillbox_ids\n"
                     "    %1\n"
                     "end\n"
                     "\n"
                     "set -l commands %2\n"
                     "complete -c quillbox -f\n"_s.arg(idLister, commands);
    const QString noCommandYet = u"-n \"not __fish_seen_subcommand_from $commands\""_s;
    for (const auto& spec : commandSpecs())
        script += u"complete -c quillbox %1 -a %2 -d %3\n"_s.arg(noCommandYet, spec.name,
                                                                 singleQuoted(spec.summary));
    for (const auto& option : programOptions())
        script += u"complete -c quillbox %1 -l %2 -s %3 -d %4\n"_s.arg(
            noCommandYet, option.name.mid(2), option.shortName.mid(1),
            singleQuoted(option.summary));
    for (const auto& spec : commandSpecs()) {
        const QString after = u"-n '__fish_seen_subcommand_from %1'"_s.arg(spec.name);
        for (const OptionSpec* option : visibleOptions(spec)) {
            QString line = u"complete -c quillbox %1 -l %2"_s.arg(after, option->name.mid(2));
            if (!option->valueName.isEmpty())
                line += u" -x"_s;
            if (!option->choices.isEmpty())
                line += u" -a "_s + singleQuoted(option->choices.join(u' '));
            script += line + u" -d "_s + singleQuoted(option->summary) + u'\n';
        }
    }
    script +=
        u"complete -c quillbox -n '__fish_seen_subcommand_from %1' -a '(__quillbox_ids)'\n"_s.arg(
            commandsTaking(ArgumentKind::itemId).join(u' '));
    script += u"complete -c quillbox -n '__fish_seen_subcommand_from %1' -F\n"_s.arg(
        commandsTaking(ArgumentKind::file).join(u' '));
    return script;
}

} // namespace quillbox
