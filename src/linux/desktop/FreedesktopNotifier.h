#pragma once

#include "ports/UserNotifier.h"

namespace quillbox {

// Desktop notifications through org.freedesktop.Notifications on the session
// bus. Each call is sent without waiting for an answer; without a
// notification service (or a session bus) the notice is only logged.
class FreedesktopNotifier : public UserNotifier {
public:
    void notify(const QString& summary, const QString& body) override;
};

} // namespace quillbox
