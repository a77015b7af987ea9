#pragma once

#include "ports/AccessProbe.h"

#include <memory>

namespace quillbox {

class GnomeShellConnection;

// Pasting into other applications needs the extension, which types on the
// Shell's own keyboard: there is no prompt to grant it.
class GnomeAccessProbe : public AccessProbe {
public:
    explicit GnomeAccessProbe(std::shared_ptr<GnomeShellConnection> connection)
        : m_connection(std::move(connection)) {}

    bool isGranted() const override;
    bool requestAccess() override { return isGranted(); }

private:
    std::shared_ptr<GnomeShellConnection> m_connection;
};

} // namespace quillbox
