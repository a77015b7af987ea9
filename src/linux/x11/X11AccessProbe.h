#pragma once

#include "ports/AccessProbe.h"

#include <QByteArray>
#include <optional>

namespace quillbox {

// On X11 any client may post synthetic keys and watch raw key events, given
// the XTEST and XInput 2.2 extensions; there is no permission to ask for.
// So access is granted exactly when both extensions are present.
class X11AccessProbe : public AccessProbe {
public:
    // The display named, or DISPLAY when empty.
    explicit X11AccessProbe(QByteArray displayName = {});

    bool isGranted() const override;
    // Nothing to prompt for: logs what is missing, if anything, and answers
    // the state at once.
    bool requestAccess() override;

private:
    bool probe() const;

    QByteArray m_displayName;
    // Extensions do not come and go while a server runs: asked once.
    mutable std::optional<bool> m_isGranted;
};

} // namespace quillbox
