#pragma once

#include <QIcon>
#include <QString>
#include <optional>

namespace quillbox {

// The application content came from: its localised name, its identifier and
// its icon, each possibly unknown.
struct AppInfo {
    std::optional<QString> name;
    std::optional<QString> bundleID;
    std::optional<QIcon> icon;
};

} // namespace quillbox
