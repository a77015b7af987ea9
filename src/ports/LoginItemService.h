#pragma once

#include <QString>
#include <optional>

namespace quillbox {

// Whether the desktop starts Quillbox when the user logs in. The state is
// asked of the desktop every time, so a change made elsewhere (by hand, in
// the desktop's own settings) shows as it is.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;

    virtual bool isEnabled() const = 0;

    // Each returns the reason, in words a user can read, when the change could
    // not be made; nothing then changed.
    virtual std::optional<QString> enable() = 0;
    virtual std::optional<QString> disable() = 0;
};

} // namespace quillbox
