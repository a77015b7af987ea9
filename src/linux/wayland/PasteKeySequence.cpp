#include "linux/wayland/PasteKeySequence.h"

#include <linux/input-event-codes.h>
#include <memory>
#include <xkbcommon/xkbcommon.h>

namespace quillbox {

namespace {
struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

std::uint32_t maskOf(xkb_keymap* keymap, const char* name) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
    return index == XKB_MOD_INVALID ? 0 : (1u << index);
}
} // namespace

std::optional<PasteKeySequence> PasteKeySequence::make() {
    // No include paths from the environment: the keymap is the same
    // whatever the user's own configuration says.
    std::unique_ptr<xkb_context, ContextDeleter> context(
        xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return std::nullopt;
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    std::unique_ptr<xkb_keymap, KeymapDeleter> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return std::nullopt;
    char* text = xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text)
        return std::nullopt;
    PasteKeySequence sequence;
    sequence.m_keymapText = QByteArray(text, qsizetype(std::char_traits<char>::length(text)) + 1);
    std::free(text);
    sequence.m_controlMask = maskOf(keymap.get(), XKB_MOD_NAME_CTRL);
    sequence.m_shiftMask = maskOf(keymap.get(), XKB_MOD_NAME_SHIFT);
    sequence.m_altMask = maskOf(keymap.get(), XKB_MOD_NAME_ALT);
    return sequence;
}

QList<VirtualKeyStep> PasteKeySequence::steps(PasteKeys keys) const {
    struct Modifier {
        std::uint32_t code;
        std::uint32_t mask;
    };
    QList<Modifier> chord{{KEY_LEFTCTRL, m_controlMask}};
    if (keys == PasteKeys::ctrlShiftV)
        chord.append({KEY_LEFTSHIFT, m_shiftMask});
    else if (keys == PasteKeys::ctrlAltV)
        chord.append({KEY_LEFTALT, m_altMask});
    else if (keys == PasteKeys::none)
        return {};
    using Kind = VirtualKeyStep::Kind;
    QList<VirtualKeyStep> steps;
    std::uint32_t held = 0;
    for (const Modifier& modifier : chord) {
        steps.append({Kind::key, modifier.code, true, 0});
        held |= modifier.mask;
        steps.append({Kind::modifiers, 0, false, held});
    }
    steps.append({Kind::key, KEY_V, true, 0});
    steps.append({Kind::key, KEY_V, false, 0});
    for (auto it = chord.crbegin(); it != chord.crend(); ++it) {
        steps.append({Kind::key, it->code, false, 0});
        held &= ~it->mask;
        steps.append({Kind::modifiers, 0, false, held});
    }
    return steps;
}

} // namespace quillbox
