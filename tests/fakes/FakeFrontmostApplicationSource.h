#pragma once

#include "ports/FrontmostApplicationSource.h"

#include <QHash>

namespace quillbox::testing {

// The application in front and the installed applications' icons, as a test
// arranges them; counts the questions asked.
class FakeFrontmostApplicationSource : public FrontmostApplicationSource {
public:
    std::optional<RunningApplication> frontmostApplication() override {
        ++m_frontmostQueries;
        return m_frontmost;
    }
    std::optional<QIcon> installedApplicationIcon(const QString& identifier) override {
        ++m_iconQueries[identifier];
        const auto it = m_installed.constFind(identifier);
        if (it == m_installed.cend())
            return std::nullopt;
        return *it;
    }

    void setFrontmost(const std::optional<RunningApplication>& application) {
        m_frontmost = application;
    }
    void install(const QString& identifier, const QIcon& icon) {
        m_installed.insert(identifier, icon);
    }

    int frontmostQueries() const { return m_frontmostQueries; }
    int iconQueries(const QString& identifier) const { return m_iconQueries.value(identifier); }

private:
    std::optional<RunningApplication> m_frontmost;
    QHash<QString, QIcon> m_installed;
    int m_frontmostQueries = 0;
    QHash<QString, int> m_iconQueries;
};

} // namespace quillbox::testing
