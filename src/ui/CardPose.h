#pragma once

#include <QStyleOptionViewItem>

namespace quillbox {

// How far a card stands between its resting and its raised look: `lift`
// from 0.97 of its size (0) to full size (1), `emphasis` from no selection
// ring and the small shadow (0) to the ring and the larger shadow (1).
struct CardPose {
    qreal lift = 0;
    qreal emphasis = 0;

    // Where a card settles: full size while selected or under the pointer.
    static CardPose settled(bool isSelected, bool isHovered) {
        return {isSelected || isHovered ? 1.0 : 0.0, isSelected ? 1.0 : 0.0};
    }
    bool operator==(const CardPose&) const = default;
};

// The view's paint option for a card in motion: carries the pose of the
// moment, which the selection and hover flags alone cannot.
struct CardStyleOption : QStyleOptionViewItem {
    enum StyleOptionType { Type = SO_CustomBase + 0x0C4D };
    enum StyleOptionVersion { Version = 1 };

    CardStyleOption() {
        type = Type;
        version = Version;
    }

    CardPose pose;
};

} // namespace quillbox
