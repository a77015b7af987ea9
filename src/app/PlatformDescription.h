#pragma once

#include <QJsonObject>
#include <QString>

namespace quillbox {

// What the platform backend can do in this session, and why not where it
// cannot: shown by `status` and `inspect-clipboard`.
struct PlatformDescription {
    QString backend; // "X11", "Wayland"
    QString capture;
    QString paste;
    QString hotKeys;
    QString sourceApplication;

    // "Platform:  <backend>" and one indented line per facility.
    QString text() const;
    QJsonObject toJson() const;
};

} // namespace quillbox
