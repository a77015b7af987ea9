// The command line's parser and the checks the instance makes on requests.
#include "app/CommandLine.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

using Kind = CommandLineOutcome::Kind;

// A command as one line: its name, its arguments, then its options sorted.
QString describe(const Command& command) {
    QStringList options;
    for (auto it = command.options.cbegin(); it != command.options.cend(); ++it)
        options.append(it.key() + u'=' + it.value());
    options.sort();
    return (QStringList{command.name} + command.arguments + options).join(u'|');
}

TEST(CommandLineTest, ReadsCommandsArgumentsAndOptions) {
    const struct {
        const char* name;
        QStringList arguments;
        Kind kind;
        QString command;
    } rows[] = {
        {"no command starts the application", {}, Kind::run, u""_s},
        {"help", {u"--help"_s}, Kind::help, {}},
        {"help after a command", {u"list"_s, u"-h"_s}, Kind::help, {}},
        {"version", {u"--version"_s}, Kind::version, {}},
        {"list with both options",
         {u"list"_s, u"--limit"_s, u"5"_s, u"--json"_s},
         Kind::run,
         u"list|--json=|--limit=5"_s},
        {"a value joined with =", {u"list"_s, u"--limit=3"_s}, Kind::run, u"list|--limit=3"_s},
        {"exclude with a name of several words",
         {u"exclude"_s, u"org.example.Vault"_s, u"My Vault"_s},
         Kind::run,
         u"exclude|org.example.Vault|My Vault"_s},
        {"an argument that starts with a dash after --",
         {u"search"_s, u"--"_s, u"-x"_s},
         Kind::run,
         u"search|-x"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto outcome = parseCommandLine(row.arguments);
        EXPECT_EQ(outcome.kind, row.kind);
        if (row.kind == Kind::run) {
            EXPECT_EQ(describe(outcome.command), row.command)
                << describe(outcome.command).toStdString();
        }
    }
}

TEST(CommandLineTest, RefusesBadCommandLinesSayingWhy) {
    const std::pair<QStringList, QString> rows[] = {
        {{u"frobnicate"_s}, u"unknown command"_s},
        {{u"delete"_s}, u"usage: quillbox delete ID"_s},
        {{u"status"_s, u"now"_s}, u"wrong number"_s},
        {{u"status"_s, u"--json"_s}, u"takes no option --json"_s},
        {{u"list"_s, u"--limit"_s}, u"needs a number"_s},
        {{u"list"_s, u"--limit"_s, u"0"_s}, u"positive whole number"_s},
        {{u"list"_s, u"--limit=ten"_s}, u"positive whole number"_s},
    };
    for (const auto& [arguments, errorPart] : rows) {
        const auto outcome = parseCommandLine(arguments);
        EXPECT_EQ(outcome.kind, Kind::error) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.error.contains(errorPart)) << outcome.error.toStdString();
    }
}

TEST(CommandLineTest, ACommandSurvivesTheTripAsJsonAndBadRequestsAreRefused) {
    const auto outcome = parseCommandLine({u"list"_s, u"--limit"_s, u"2"_s, u"--json"_s});
    const auto back = Command::fromJson(outcome.command.toJson());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, u"list"_s);
    EXPECT_EQ(back->options, outcome.command.options);
    EXPECT_FALSE(validateCommand(*back));

    EXPECT_FALSE(Command::fromJson(QJsonObject{{u"command"_s, 3}}));
    EXPECT_FALSE(Command::fromJson(QJsonObject{{u"command"_s, u"delete"_s},
                                               {u"arguments"_s, QJsonArray{1}},
                                               {u"options"_s, QJsonObject{}}}));
    EXPECT_TRUE(validateCommand(Command{u"list"_s, {}, {{u"--limit"_s, u"-4"_s}}}));
    EXPECT_TRUE(validateCommand(Command{u"quit"_s, {u"now"_s}, {}}));
    EXPECT_TRUE(validateCommand(Command{u"rm -rf"_s, {}, {}}));
}

} // namespace
} // namespace quillbox
