#pragma once

#include <QString>

namespace quillbox {

// Tells the user something they should act on while no Quillbox window is
// open to show it (a paste that could not finish): the desktop's
// notifications. Main thread; never waits for the desktop.
class UserNotifier {
public:
    virtual ~UserNotifier() = default;

    virtual void notify(const QString& summary, const QString& body) = 0;
};

} // namespace quillbox
