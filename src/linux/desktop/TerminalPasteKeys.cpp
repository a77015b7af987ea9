#include "linux/desktop/TerminalPasteKeys.h"

#include <QSet>

namespace quillbox {

namespace {

// Terminal emulators whose paste key is Ctrl+Shift+V, by the instance or
// class name of their windows' WM_CLASS (lower case).
const QSet<QString>& ctrlShiftVTerminals() {
    static const QSet<QString> names{
        QStringLiteral("gnome-terminal-server"),
        QStringLiteral("gnome-terminal"),
        QStringLiteral("kgx"), // GNOME Console
        QStringLiteral("konsole"),
        QStringLiteral("yakuake"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("mate-terminal"),
        QStringLiteral("lxterminal"),
        QStringLiteral("qterminal"),
        QStringLiteral("tilix"),
        QStringLiteral("terminator"),
        QStringLiteral("guake"),
        QStringLiteral("tilda"),
        QStringLiteral("sakura"),
        QStringLiteral("terminology"),
        QStringLiteral("alacritty"),
        QStringLiteral("kitty"),
        QStringLiteral("org.wezfurlong.wezterm"),
        QStringLiteral("wezterm"),
        QStringLiteral("foot"),
        QStringLiteral("footclient"),
        QStringLiteral("st"),
        QStringLiteral("st-256color"),
        QStringLiteral("cool-retro-term"),
        QStringLiteral("deepin-terminal"),
        QStringLiteral("io.elementary.terminal"),
        QStringLiteral("ghostty"),
        QStringLiteral("com.mitchellh.ghostty"),
        QStringLiteral("blackbox"),
        QStringLiteral("com.raggesilver.blackbox"),
        // Desktop-entry ids that differ from the window class.
        QStringLiteral("org.gnome.terminal"),
        QStringLiteral("org.gnome.console"),
        QStringLiteral("org.gnome.ptyxis"),
        QStringLiteral("ptyxis"),
    };
    return names;
}

bool matches(const QString& name, const QSet<QString>& names) {
    return !name.isEmpty() && names.contains(name.toLower());
}

} // namespace

PasteKeys pasteKeysForWindowClass(const QString& instanceName, const QString& className) {
    static const QSet<QString> rxvt{QStringLiteral("urxvt"), QStringLiteral("urxvtc"),
                                    QStringLiteral("rxvt-unicode")};
    static const QSet<QString> xterm{QStringLiteral("xterm"), QStringLiteral("uxterm"),
                                     QStringLiteral("debian-xterm"),
                                     QStringLiteral("debian-uxterm")};
    if (matches(instanceName, ctrlShiftVTerminals()) || matches(className, ctrlShiftVTerminals()))
        return PasteKeys::ctrlShiftV;
    if (matches(instanceName, rxvt) || matches(className, rxvt))
        return PasteKeys::ctrlAltV;
    if (matches(instanceName, xterm) || matches(className, xterm))
        return PasteKeys::none;
    return PasteKeys::ctrlV;
}

PasteKeys pasteKeysForApplication(const QString& identifier) {
    const QString lastPart = identifier.section(QLatin1Char('.'), -1);
    return pasteKeysForWindowClass(identifier, lastPart);
}

} // namespace quillbox
