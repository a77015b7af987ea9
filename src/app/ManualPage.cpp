#include "app/ManualPage.h"

#include "app/CommandLine.h"
#include "app/CommandResult.h"
#include "content/AppConstants.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

// Placeholders in a usage ("ID", "APP_ID", "N") are set in italics, the
// literal words (options) in bold, as man pages show them.
QString usageMarkup(const QString& usage) {
    static const QRegularExpression word(u"[A-Z][A-Z_]*|--?[a-z][a-z-]*"_s);
    QString markup;
    qsizetype at = 0;
    for (auto it = word.globalMatch(usage); it.hasNext();) {
        const auto match = it.next();
        markup += roffEscaped(usage.mid(at, match.capturedStart() - at));
        const QString token = match.captured();
        markup += (token.startsWith(u'-') ? u"\\fB"_s : u"\\fI"_s) + roffEscaped(token) + u"\\fR"_s;
        at = match.capturedEnd();
    }
    return markup + roffEscaped(usage.mid(at));
}

QString section(const QString& title) {
    return u".SH "_s + title + u'\n';
}

QString paragraph(const QString& text) {
    return u".PP\n"_s + roffEscaped(text.simplified()) + u'\n';
}

QString tagged(const QString& tag, const QString& text) {
    return u".TP\n"_s + tag + u'\n' + roffEscaped(text.simplified()) + u'\n';
}

QString commandsSection() {
    QString text = section(u"COMMANDS"_s);
    for (const auto& spec : commandSpecs()) {
        text += tagged(u"\\fB"_s + roffEscaped(spec.name) + u"\\fR "_s + usageMarkup(spec.usage),
                       spec.summary + u'.');
        QStringList options = spec.flags + spec.countOptions + spec.textOptions;
        options.removeIf([](const QString& name) {
            const OptionSpec* option = findOptionSpec(name);
            return !option || option->summary.isEmpty();
        });
        if (options.isEmpty())
            continue;
        text += u".RS\n"_s;
        for (const auto& name : options) {
            const OptionSpec* option = findOptionSpec(name);
            QString tag = u"\\fB"_s + roffEscaped(name) + u"\\fR"_s;
            if (!option->valueName.isEmpty())
                tag += u" \\fI"_s + roffEscaped(option->valueName) + u"\\fR"_s;
            QString summary = option->summary + u'.';
            if (!option->choices.isEmpty())
                summary += u" One of: "_s + option->choices.join(u", "_s) + u'.';
            text += tagged(tag, summary);
        }
        text += u".RE\n"_s;
    }
    return text;
}

QString optionsSection() {
    QString text = section(u"OPTIONS"_s);
    for (const auto& option : programOptions())
        text += tagged(u"\\fB"_s + roffEscaped(option.name) + u"\\fR, \\fB"_s +
                           roffEscaped(option.shortName) + u"\\fR"_s,
                       option.summary + u'.');
    return text;
}

QString hotKeysSection() {
    QString text = section(u"HOT KEYS"_s);
    text += paragraph(u"Anywhere on the desktop:"_s);
    text += tagged(u"\\fBSuper+Shift+V\\fR"_s, u"Show or hide the history panel."_s);
    text += tagged(u"\\fBSuper+Shift+C\\fR"_s, u"Start or stop the Paste Stack."_s);
    text += tagged(u"\\fBSuper+Shift+N\\fR"_s,
                   u"On Wayland, paste the Paste Stack's next item (elsewhere Ctrl+V does)."_s);
    text += paragraph(
        u"They can be changed in the settings (%1, %2 and %3 in the preferences file). On a "
        "Wayland desktop they go through the desktop's global-shortcuts portal where there is "
        "one; elsewhere bind quillbox toggle, quillbox paste-stack and quillbox paste-next to "
        "keys in the desktop's keyboard settings."_s.arg(AppConstants::Keys::panelHotkey,
                                                         AppConstants::Keys::pasteStackHotkey,
                                                         AppConstants::Keys::pasteNextHotkey));
    text += paragraph(u"In the panel:"_s);
    text += tagged(u"\\(<- / \\(->"_s, u"Select the previous or next card."_s);
    text += tagged(u"\\fBReturn\\fR, keypad \\fBEnter\\fR"_s,
                   u"Paste the selected card into the window that was in front; with Shift, "
                   "as plain text."_s);
    text += tagged(u"\\fBCtrl+Backspace\\fR"_s, u"Delete the selected card."_s);
    text += tagged(u"\\fBCtrl+T\\fR"_s, u"Pause or resume recording."_s);
    text += tagged(u"\\fBEsc\\fR"_s, u"Close the panel."_s);
    text += paragraph(u"Typing searches the cards."_s);
    return text;
}

QString filesSection() {
    QString text = section(u"FILES"_s);
    text += tagged(u"\\fI$XDG_DATA_HOME/Quillbox/Quillbox.store\\fR"_s,
                   u"The history (SQLite). XDG_DATA_HOME defaults to ~/.local/share."_s);
    text += tagged(u"\\fI$XDG_CONFIG_HOME/Quillbox/Quillbox.conf\\fR"_s,
                   u"The preferences, including the hot keys. XDG_CONFIG_HOME defaults to "
                   "~/.config."_s);
    text += tagged(u"\\fI$XDG_CONFIG_HOME/autostart/%1.desktop\\fR"_s.arg(
                       roffEscaped(AppConstants::applicationID)),
                   u"Present while Quillbox starts at login."_s);
    text += tagged(u"\\fI$XDG_RUNTIME_DIR/quillbox\\-UID.socket\\fR"_s,
                   u"The socket on which the running Quillbox takes commands; without "
                   "XDG_RUNTIME_DIR, a private folder in TMPDIR or /tmp."_s);
    return text;
}

QString environmentSection() {
    QString text = section(u"ENVIRONMENT"_s);
    text += tagged(u"\\fBQUILLBOX_PLATFORM\\fR"_s,
                   u"x11 or wayland: the display server to use. Unset, Quillbox uses Wayland "
                   "where the compositor lets a clipboard manager see the clipboard, else X11."_s);
    text += tagged(u"\\fBDISPLAY\\fR, \\fBWAYLAND_DISPLAY\\fR"_s,
                   u"The X display and the Wayland compositor to connect to."_s);
    text += tagged(u"\\fBXDG_DATA_HOME\\fR, \\fBXDG_CONFIG_HOME\\fR, \\fBXDG_RUNTIME_DIR\\fR"_s,
                   u"Where the files above live."_s);
    text += tagged(u"\\fBXDG_CURRENT_DESKTOP\\fR"_s,
                   u"Which screenshot tool's folder to watch for new screenshots."_s);
    text += tagged(u"\\fBTESSDATA_PREFIX\\fR"_s,
                   u"The folder of the text-recognition models, if not the installed ones."_s);
    return text;
}

QString exitStatusSection() {
    QString text = section(u"EXIT STATUS"_s);
    text += tagged(QString::number(ExitCode::success), u"Success."_s);
    text += tagged(QString::number(ExitCode::failure), u"The command failed."_s);
    text += tagged(QString::number(ExitCode::usage), u"Bad arguments."_s);
    text += tagged(QString::number(ExitCode::notRunning),
                   u"Quillbox is not running and the command needs it. status still says what "
                   "the history on disk holds."_s);
    return text;
}

} // namespace

QString roffEscaped(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    bool lineStart = true;
    for (const QChar c : text) {
        if (lineStart && (c == u'.' || c == u'\''))
            escaped += u"\\&"_s;
        if (c == u'\\')
            escaped += u"\\e"_s;
        else if (c == u'-')
            escaped += u"\\-"_s;
        else
            escaped += c;
        lineStart = c == u'\n';
    }
    return escaped;
}

QString manualPage(const QString& version) {
    QString page = u".TH QUILLBOX 1 \"\" \"Quillbox %1\" \"User Commands\"\n"_s.arg(version);
    page += section(u"NAME"_s) + u"quillbox \\- keep a history of what you copy\n"_s;
    page += section(u"SYNOPSIS"_s) + u".B quillbox\n.br\n"_s +
            u".B quillbox\n.I COMMAND\n.RI [ ARGUMENTS ]\n.br\n"_s +
            u".B quillbox\n.BR \\-\\-help \" | \" \\-\\-version\n"_s;
    page += section(u"DESCRIPTION"_s) + paragraph(programDescription());
    page += paragraph(u"ID is an item's id as quillbox list shows it, or a unique start of it. "
                      "APP_ID is an application's desktop-entry id without \".desktop\" (for "
                      "example org.gnome.TextEditor). Export writes one JSON object per item, "
                      "payloads in base64; import reads the same format and keeps the copy "
                      "times."_s);
    page += commandsSection() + optionsSection() + hotKeysSection() + filesSection() +
            environmentSection() + exitStatusSection();
    page += section(u"SEE ALSO"_s) + u".BR tesseract (1)\n"_s;
    return page;
}

} // namespace quillbox
