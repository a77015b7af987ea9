#include "capture/SourceAppResolver.h"

namespace quillbox {

namespace {

// Accent colours by application identifier. The reverse-DNS ones are the
// macOS bundle identifiers records may carry from elsewhere; the others are
// the desktop-entry ids of the same applications (or their nearest Linux
// counterparts) as Linux desktops name them.
const QHash<QString, QString>& appColors() {
    static const QHash<QString, QString> colors{
        // Web browsers
        {QStringLiteral("com.apple.Safari"), QStringLiteral("#007AFF")},
        {QStringLiteral("firefox"), QStringLiteral("#007AFF")},
        {QStringLiteral("firefox-esr"), QStringLiteral("#007AFF")},
        {QStringLiteral("org.mozilla.firefox"), QStringLiteral("#007AFF")},
        {QStringLiteral("com.google.Chrome"), QStringLiteral("#4285F4")},
        {QStringLiteral("google-chrome"), QStringLiteral("#4285F4")},
        {QStringLiteral("chromium"), QStringLiteral("#4285F4")},
        {QStringLiteral("chromium-browser"), QStringLiteral("#4285F4")},
        {QStringLiteral("org.chromium.Chromium"), QStringLiteral("#4285F4")},
        // Code editors and IDEs
        {QStringLiteral("com.microsoft.VSCode"), QStringLiteral("#007ACC")},
        {QStringLiteral("code"), QStringLiteral("#007ACC")},
        {QStringLiteral("code-oss"), QStringLiteral("#007ACC")},
        {QStringLiteral("com.visualstudio.code"), QStringLiteral("#007ACC")},
        {QStringLiteral("com.apple.dt.Xcode"), QStringLiteral("#147EFB")},
        {QStringLiteral("org.gnome.Builder"), QStringLiteral("#147EFB")},
        // Terminals
        {QStringLiteral("com.apple.Terminal"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("org.gnome.Terminal"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("org.gnome.Console"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("org.kde.konsole"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("xfce4-terminal"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("debian-xterm"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("debian-uxterm"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("kitty"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("Alacritty"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("com.gexperts.Tilix"), QStringLiteral("#2D2D2D")},
        {QStringLiteral("terminator"), QStringLiteral("#2D2D2D")},
        // File managers
        {QStringLiteral("com.apple.finder"), QStringLiteral("#4A90D9")},
        {QStringLiteral("org.gnome.Nautilus"), QStringLiteral("#4A90D9")},
        {QStringLiteral("org.kde.dolphin"), QStringLiteral("#4A90D9")},
        {QStringLiteral("thunar"), QStringLiteral("#4A90D9")},
        {QStringLiteral("pcmanfm"), QStringLiteral("#4A90D9")},
        {QStringLiteral("nemo"), QStringLiteral("#4A90D9")},
        {QStringLiteral("caja"), QStringLiteral("#4A90D9")},
        // Mail
        {QStringLiteral("com.apple.mail"), QStringLiteral("#147EFB")},
        {QStringLiteral("thunderbird"), QStringLiteral("#147EFB")},
        {QStringLiteral("org.mozilla.Thunderbird"), QStringLiteral("#147EFB")},
        {QStringLiteral("org.gnome.Evolution"), QStringLiteral("#147EFB")},
        {QStringLiteral("org.kde.kmail2"), QStringLiteral("#147EFB")},
        // Notes
        {QStringLiteral("com.apple.Notes"), QStringLiteral("#FFCC00")},
        {QStringLiteral("org.gnome.Notes"), QStringLiteral("#FFCC00")},
        {QStringLiteral("org.kde.knotes"), QStringLiteral("#FFCC00")},
        // Chat
        {QStringLiteral("com.tinyspeck.slackmacgap"), QStringLiteral("#4A154B")},
        {QStringLiteral("slack"), QStringLiteral("#4A154B")},
        {QStringLiteral("com.slack.Slack"), QStringLiteral("#4A154B")},
        // Design
        {QStringLiteral("com.figma.Desktop"), QStringLiteral("#A259FF")},
        {QStringLiteral("figma-linux"), QStringLiteral("#A259FF")},
        // Office
        {QStringLiteral("com.microsoft.Word"), QStringLiteral("#2B579A")},
        {QStringLiteral("libreoffice-writer"), QStringLiteral("#2B579A")},
        {QStringLiteral("com.microsoft.Excel"), QStringLiteral("#217346")},
        {QStringLiteral("libreoffice-calc"), QStringLiteral("#217346")},
    };
    return colors;
}

} // namespace

const QString SourceAppResolver::defaultColorHex = QStringLiteral("#8E8E93");

SourceAppResolver::SourceAppResolver(FrontmostApplicationSource& source)
    : m_source(source) {
}

AppInfo SourceAppResolver::currentApp() {
    const auto app = m_source.frontmostApplication();
    if (!app)
        return {};
    const QString key = app->identifier.value_or(QString());
    std::optional<QIcon> icon;
    if (const auto it = m_iconCache.constFind(key); it != m_iconCache.cend()) {
        icon = *it;
    } else if (app->icon) {
        icon = app->icon;
        m_iconCache.insert(key, *app->icon);
    }
    return AppInfo{app->name, app->identifier, icon};
}

std::optional<QIcon> SourceAppResolver::icon(const QString& bundleID) {
    if (const auto it = m_iconCache.constFind(bundleID); it != m_iconCache.cend())
        return *it;
    // Not cached when missing: the application may be installed later.
    const auto icon = m_source.installedApplicationIcon(bundleID);
    if (!icon)
        return std::nullopt;
    m_iconCache.insert(bundleID, *icon);
    return icon;
}

QString SourceAppResolver::colorHex(const std::optional<QString>& bundleID) {
    if (!bundleID)
        return defaultColorHex;
    return appColors().value(*bundleID, defaultColorHex);
}

} // namespace quillbox
