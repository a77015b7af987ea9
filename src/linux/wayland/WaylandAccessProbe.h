#pragma once

#include "ports/AccessProbe.h"

#include <memory>

namespace quillbox {

class WaylandInputConnection;

// On Wayland, pasting into other programs needs a compositor that lets
// Quillbox type (a virtual keyboard); there is no prompt to grant it.
class WaylandAccessProbe : public AccessProbe {
public:
    explicit WaylandAccessProbe(std::shared_ptr<WaylandInputConnection> connection);

    bool isGranted() const override;
    bool requestAccess() override { return isGranted(); }

private:
    std::shared_ptr<WaylandInputConnection> m_connection;
};

} // namespace quillbox
