#pragma once

#include "ports/AccessProbe.h"

namespace quillbox::testing {

// A permission the test grants and withdraws; counts the questions and requests.
class FakeAccessProbe : public AccessProbe {
public:
    bool isGranted() const override {
        ++m_checks;
        return m_isGranted;
    }
    bool requestAccess() override {
        ++m_requests;
        if (m_grantsOnRequest)
            m_isGranted = true;
        return m_isGranted;
    }

    void setGranted(bool granted) { m_isGranted = granted; }
    // Whether a request grants at once, as plain X11 does.
    void setGrantsOnRequest(bool grants) { m_grantsOnRequest = grants; }
    int checks() const { return m_checks; }
    int requests() const { return m_requests; }

private:
    bool m_isGranted = false;
    bool m_grantsOnRequest = false;
    mutable int m_checks = 0;
    int m_requests = 0;
};

} // namespace quillbox::testing
