// The manual page written from the command table.
#include "app/CommandLine.h"
#include "app/ManualPage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

// A command added to the table with an option nobody described would reach
// --help but show up bare in the manual page and the completions.
TEST(ManualPageTest, ListsEveryCommandAndEveryOptionAPersonTypes) {
    const QString page = manualPage(u"9.8.7"_s);
    EXPECT_TRUE(page.startsWith(u".TH QUILLBOX 1 \"\" \"Quillbox 9.8.7\""_s));
    for (const auto& spec : commandSpecs()) {
        EXPECT_TRUE(page.contains(u"\n.TP\n\\fB"_s + roffEscaped(spec.name) + u"\\fR"_s))
            << spec.name.toStdString();
        for (const auto& name : spec.flags + spec.countOptions + spec.textOptions) {
            const OptionSpec* option = findOptionSpec(name);
            ASSERT_NE(option, nullptr) << name.toStdString() << " has no description";
            EXPECT_EQ(page.contains(u"\\fB"_s + roffEscaped(name) + u"\\fR"_s),
                      !option->summary.isEmpty())
                << name.toStdString();
        }
    }
    for (const auto& option : programOptions())
        EXPECT_TRUE(page.contains(roffEscaped(option.name))) << option.name.toStdString();
}

TEST(ManualPageTest, TextCannotBecomeARoffRequest) {
    const std::pair<QString, QString> rows[] = {
        {u".SH NAME"_s, u"\\&.SH NAME"_s},   {u"'br"_s, u"\\&'br"_s},
        {u"one\n.two"_s, u"one\n\\&.two"_s}, {u"a.b 'c'"_s, u"a.b 'c'"_s},
        {u"--limit"_s, u"\\-\\-limit"_s},    {u"C:\\fB"_s, u"C:\\efB"_s},
    };
    for (const auto& [text, escaped] : rows)
        EXPECT_EQ(roffEscaped(text), escaped) << text.toStdString();
}

} // namespace
} // namespace quillbox
