#pragma once

#include "capture/AppInfo.h"
#include "ports/FrontmostApplicationSource.h"

#include <QHash>
#include <QIcon>
#include <QString>
#include <optional>

namespace quillbox {

// Tells which application content came from (the one in front at capture
// time), caches application icons by identifier for the panel, and gives
// well-known applications an accent colour for their cards. Main thread only.
class SourceAppResolver {
public:
    explicit SourceAppResolver(FrontmostApplicationSource& source);

    // All fields absent when no application is in front.
    AppInfo currentApp();

    // The icon of the installed application with this identifier; none (and
    // nothing cached) when it is not installed.
    std::optional<QIcon> icon(const QString& bundleID);

    // "#RRGGBB" accent colour of a well-known application, else the default.
    static QString colorHex(const std::optional<QString>& bundleID);
    static const QString defaultColorHex;

private:
    FrontmostApplicationSource& m_source;
    // Grows only; the empty key holds the icon of an application without an
    // identifier.
    QHash<QString, QIcon> m_iconCache;
};

} // namespace quillbox
