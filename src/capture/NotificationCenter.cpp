#include "capture/NotificationCenter.h"

namespace quillbox {

NotificationCenter& NotificationCenter::shared() {
    // Never destroyed, like the other process-wide services.
    static auto* center = new NotificationCenter;
    return *center;
}

} // namespace quillbox
