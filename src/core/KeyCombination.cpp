#include "core/KeyCombination.h"

#include "content/Logging.h"
#include "content/Preferences.h"
#include "ports/HotkeyBackend.h"

#include <QStringList>
#include <array>
#include <utility>

namespace quillbox {

namespace {

// X key symbols (keysymdef.h); Latin-1 characters are their own code.
constexpr std::uint32_t keySymbolF1 = 0xffbe;
constexpr int highestFunctionKey = 35;

struct NamedKey {
    const char* name;
    std::uint32_t keySymbol;
};

// The first name of a key symbol is the one toString() writes.
constexpr std::array namedKeys{
    NamedKey{"Space", 0x0020},        NamedKey{"Return", 0xff0d},
    NamedKey{"Enter", 0xff0d},        NamedKey{"Tab", 0xff09},
    NamedKey{"Escape", 0xff1b},       NamedKey{"Esc", 0xff1b},
    NamedKey{"BackSpace", 0xff08},    NamedKey{"Delete", 0xffff},
    NamedKey{"Insert", 0xff63},       NamedKey{"Home", 0xff50},
    NamedKey{"End", 0xff57},          NamedKey{"Page_Up", 0xff55},
    NamedKey{"PageUp", 0xff55},       NamedKey{"Page_Down", 0xff56},
    NamedKey{"PageDown", 0xff56},     NamedKey{"Left", 0xff51},
    NamedKey{"Up", 0xff52},           NamedKey{"Right", 0xff53},
    NamedKey{"Down", 0xff54},         NamedKey{"Print", 0xff61},
    NamedKey{"Pause", 0xff13},        NamedKey{"Menu", 0xff67},
    NamedKey{"minus", 0x002d},        NamedKey{"equal", 0x003d},
    NamedKey{"comma", 0x002c},        NamedKey{"period", 0x002e},
    NamedKey{"slash", 0x002f},        NamedKey{"backslash", 0x005c},
    NamedKey{"semicolon", 0x003b},    NamedKey{"apostrophe", 0x0027},
    NamedKey{"grave", 0x0060},        NamedKey{"bracketleft", 0x005b},
    NamedKey{"bracketright", 0x005d},
};

constexpr std::array modifierNames{
    std::pair{"Super", HotkeyModifier::super},     std::pair{"Ctrl", HotkeyModifier::control},
    std::pair{"Control", HotkeyModifier::control}, std::pair{"Alt", HotkeyModifier::alt},
    std::pair{"Shift", HotkeyModifier::shift},
};

std::optional<std::uint32_t> keySymbolNamed(const QString& name) {
    if (name.size() == 1) {
        const QChar c = name.front().toLower();
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
            return c.unicode();
    }
    if (name.size() >= 2 && name.front().toUpper() == u'F') {
        bool isNumber = false;
        const int number = name.mid(1).toInt(&isNumber);
        if (isNumber && number >= 1 && number <= highestFunctionKey &&
            !name.mid(1).startsWith(u'0'))
            return keySymbolF1 + static_cast<std::uint32_t>(number - 1);
    }
    for (const NamedKey& key : namedKeys) {
        if (name.compare(QLatin1String(key.name), Qt::CaseInsensitive) == 0)
            return key.keySymbol;
    }
    return std::nullopt;
}

QString keyName(std::uint32_t keySymbol) {
    if ((keySymbol >= u'a' && keySymbol <= u'z') || (keySymbol >= u'0' && keySymbol <= u'9'))
        return QChar(static_cast<char16_t>(keySymbol)).toUpper();
    if (keySymbol >= keySymbolF1 && keySymbol < keySymbolF1 + highestFunctionKey)
        return QStringLiteral("F%1").arg(keySymbol - keySymbolF1 + 1);
    for (const NamedKey& key : namedKeys) {
        if (key.keySymbol == keySymbol)
            return QLatin1String(key.name);
    }
    return QStringLiteral("0x%1").arg(keySymbol, 0, 16);
}

} // namespace

KeyCombination KeyCombination::panelDefault() {
    return {u'v', HotkeyModifier::super | HotkeyModifier::shift};
}

KeyCombination KeyCombination::pasteStackDefault() {
    return {u'c', HotkeyModifier::super | HotkeyModifier::shift};
}

KeyCombination KeyCombination::pasteNextDefault() {
    return {u'n', HotkeyModifier::super | HotkeyModifier::shift};
}

std::optional<KeyCombination> KeyCombination::parse(const QString& text) {
    const QStringList parts = text.split(u'+');
    KeyCombination combination;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString name = parts[i].trimmed();
        std::uint32_t bit = 0;
        for (const auto& [modifierName, modifierBit] : modifierNames) {
            if (name.compare(QLatin1String(modifierName), Qt::CaseInsensitive) == 0)
                bit = modifierBit;
        }
        // A repeated modifier is most likely a typing slip; refuse it rather than guess.
        if (bit == 0 || (combination.modifiers & bit))
            return std::nullopt;
        combination.modifiers |= bit;
    }
    const auto keySymbol = keySymbolNamed(parts.back().trimmed());
    if (!keySymbol)
        return std::nullopt;
    // A key grabbed for the whole desktop can no longer be typed anywhere:
    // only function keys may go without a modifier other than Shift.
    const bool isFunctionKey =
        *keySymbol >= keySymbolF1 && *keySymbol < keySymbolF1 + highestFunctionKey;
    if ((combination.modifiers & ~std::uint32_t(HotkeyModifier::shift)) == 0 && !isFunctionKey)
        return std::nullopt;
    combination.keySymbol = *keySymbol;
    return combination;
}

QString KeyCombination::toString() const {
    QStringList parts;
    std::uint32_t written = 0; // Ctrl has two names; write the first
    for (const auto& [name, bit] : modifierNames) {
        if ((modifiers & bit) && !(written & bit))
            parts.append(QLatin1String(name));
        written |= bit;
    }
    parts.append(keyName(keySymbol));
    return parts.join(u'+');
}

KeyCombination KeyCombination::fromPreferences(const Preferences& preferences, const QString& key,
                                               const KeyCombination& fallback) {
    const QString text = preferences.value(key).toString().trimmed();
    if (text.isEmpty())
        return fallback;
    if (const auto combination = parse(text))
        return *combination;
    qCWarning(lcCore).noquote() << QStringLiteral(
                                       "Quillbox: the preference %1 holds \"%2\", which is not a "
                                       "key combination; using %3")
                                       .arg(key, text.left(100), fallback.toString());
    return fallback;
}

} // namespace quillbox
