#pragma once

#include "linux/desktop/DesktopEntryIndex.h"
#include "ports/FrontmostApplicationSource.h"

#include <memory>

namespace quillbox {

class WaylandInputConnection;

// The application of the activated Wayland window, by its app id (from the
// compositor's foreign-toplevel list) matched to an installed desktop entry.
// Nothing where the compositor lists no windows; Quillbox's own windows
// never count.
class WaylandFrontmostApplicationSource : public FrontmostApplicationSource {
public:
    explicit WaylandFrontmostApplicationSource(std::shared_ptr<WaylandInputConnection> connection);

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<QIcon> installedApplicationIcon(const QString& identifier) override;

private:
    std::shared_ptr<WaylandInputConnection> m_connection;
    DesktopEntryIndex m_entries;
};

} // namespace quillbox
