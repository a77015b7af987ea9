#pragma once

#include "linux/desktop/DesktopEntryIndex.h"
#include "ports/FrontmostApplicationSource.h"

#include <QByteArray>
#include <memory>

namespace quillbox {

class XcbConnection;

// The application of the active X11 window: the window manager's
// _NET_ACTIVE_WINDOW, its WM_CLASS and _NET_WM_PID, matched to an installed
// desktop entry. Each question is a few X server round trips on a connection
// of its own, never a wait on another client, so it may run on the main thread.
class X11FrontmostApplicationSource : public FrontmostApplicationSource {
public:
    explicit X11FrontmostApplicationSource(const QByteArray& displayName = {});
    ~X11FrontmostApplicationSource() override;

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<QIcon> installedApplicationIcon(const QString& identifier) override;

private:
    XcbConnection* connection();

    QByteArray m_displayName;
    std::unique_ptr<XcbConnection> m_connection;
    bool m_reportedFailure = false;
    DesktopEntryIndex m_entries;
};

} // namespace quillbox
