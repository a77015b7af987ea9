#pragma once

#include "linux/desktop/DesktopEntryIndex.h"
#include "ports/InstalledApplications.h"

namespace quillbox {

// The installed applications as their desktop entries list them, for the
// exclusion rules: the entries of the XDG "applications" folders (earlier
// folders win, as for launching), with their localised names and theme icons.
class DesktopApplicationCatalog : public InstalledApplications {
public:
    QList<InstalledApplication> applications() override;
    std::optional<InstalledApplication> applicationFromFile(const QString& path) override;
    std::optional<QIcon> icon(const QString& identifier) override;

private:
    DesktopEntryIndex m_entries;
};

} // namespace quillbox
