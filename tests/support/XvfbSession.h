#pragma once

#include "ChildProcess.h"

#include <QProcessEnvironment>
#include <QString>
#include <memory>

namespace quillbox::testing {

// A private X display for one test program: Xvfb on a free display number
// (Xvfb picks it and reports it through -displayfd) with openbox as window
// manager, so that there is an active window as on a real desktop. Both are
// ended by their process ids when the session goes away.
class XvfbSession {
public:
    bool start(bool withWindowManager = true);
    // Starts the display and points this process's toolkit at it (before
    // the application object exists); on failure says so on stderr.
    bool startForThisProcess(bool withWindowManager = true);

    // ":<n>"
    QString display() const { return m_display; }
    // The system environment with DISPLAY pointing at this session.
    QProcessEnvironment environment() const;

private:
    bool startWindowManager();

    QString m_display;
    std::unique_ptr<ChildProcess> m_xvfb;
    std::unique_ptr<ChildProcess> m_windowManager; // ended first, before its display
};

} // namespace quillbox::testing
