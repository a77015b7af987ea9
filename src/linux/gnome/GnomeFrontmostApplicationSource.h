#pragma once

#include "linux/desktop/DesktopEntryIndex.h"
#include "ports/FrontmostApplicationSource.h"

#include <memory>

namespace quillbox {

class GnomeShellConnection;

// The application of the focused window as GNOME Shell names it (its
// desktop-entry id, else the window's app id), reported by the extension
// with each change of focus and of the clipboard, matched to an installed
// desktop entry.
class GnomeFrontmostApplicationSource : public FrontmostApplicationSource {
public:
    explicit GnomeFrontmostApplicationSource(std::shared_ptr<GnomeShellConnection> connection);

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<QIcon> installedApplicationIcon(const QString& identifier) override;

private:
    std::shared_ptr<GnomeShellConnection> m_connection;
    DesktopEntryIndex m_entries;
};

} // namespace quillbox
